// What the oscilloscope page's files share: layout, registers, small helpers and the
// page's own events.
#pragma once

#include <cstdint>
#include <vector>

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/event.h>
#include <wx/string.h>

#include "pages/loop_picture.h"
#include "pages/page_table.h"
#include "scope/scope_capture.h"

class wxComboBox;
class wxEvtHandler;

// A step thread ended by itself (after a failed write); extra long: its generation.
wxDECLARE_EVENT(StepFinishedEvent, wxCommandEvent);
// A capture thread ended by itself (single shot or failure); extra long: its generation.
wxDECLARE_EVENT(CaptureFinishedEvent, wxCommandEvent);

namespace torvex {

// The 23 controller parameter fields of the page, in creation order.
const std::vector<ControlRow>& scopeParameterRows();

namespace scope_page {

inline constexpr uint32_t kRegSpeedScale = 0xCE;    // SPEED_RPMMAX_INT
inline constexpr uint32_t kRegCurrentScale = 0xC6;  // REGLER_I_GERAET
inline constexpr uint32_t kRegCurrentBase = 0xD9;   // KERN_I_200PC

inline constexpr int kGroupTops[4] = {23, 136, 409, 521};
inline constexpr int kChannelTop = 39;
inline constexpr int kChannelStep = 27;
inline constexpr int kSettingsX = 690;
inline constexpr int kSettingsW = 130;
inline constexpr int kSettingsTop = 262;
inline constexpr int kSettingsStep = 25;
inline constexpr int kCaptureTop = 415;
inline constexpr int kStepTop = 448;
inline constexpr int kStepValueX = 690;
inline constexpr int kStepTimeX = 760;

wxString trw(const char* key);
void errorBox(const wxString& text);
// The selected item's client data (0 when nothing is selected).
long clientData(wxComboBox* box);
// Selects the item carrying value; false when none does.
bool selectByClientData(wxComboBox* box, long value);

wxColour toColour(const ScopeRgb& rgb);
ScopeRgb toRgb(const wxColour& colour);
// White text on dark buttons: the sum of the components below 271.
bool buttonTextIsWhite(int red, int green, int blue);

// Queues a program event carrying a thread's or link's generation; any thread.
void postGenerationEvent(wxEvtHandler* target, wxEventType type, int value, const wxString& text,
                         uint32_t generation);

// The texts drawScopePicture draws over the page picture, and where.
std::vector<PictureCaption> scopePictureCaptions();
// The page's built-in pictures, drawn in code.
wxBitmap drawScopePicture();
wxBitmap markerBitmap();
wxBitmap fileButtonBitmap(bool save);

}  // namespace scope_page
}  // namespace torvex
