#include "pages/scope/oscilloscope_page_parts.h"

#include <wx/combobox.h>
#include <wx/dcmemory.h>
#include <wx/translation.h>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "resources/builtin_picture.h"
#include "services/ui_seam.h"
#include "widgets/events.h"

wxDEFINE_EVENT(StepFinishedEvent, wxCommandEvent);
wxDEFINE_EVENT(CaptureFinishedEvent, wxCommandEvent);

namespace torvex::scope_page {

wxString trw(const char* key) { return wxString::FromUTF8(tr(key)); }

void errorBox(const wxString& text) { ui::messageBox(text, trw(kCaptionError), wxOK | wxICON_ERROR); }

long clientData(wxComboBox* box) {
    const int index = box ? box->GetSelection() : -1;
    if (index < 0 || !box->HasClientUntypedData()) return 0;
    return static_cast<long>(reinterpret_cast<intptr_t>(box->GetClientData(static_cast<unsigned>(index))));
}

bool selectByClientData(wxComboBox* box, long value) {
    if (!box->HasClientUntypedData()) return false;
    for (unsigned i = 0; i < box->GetCount(); ++i) {
        if (reinterpret_cast<intptr_t>(box->GetClientData(i)) == value) {
            box->SetSelection(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

wxColour toColour(const ScopeRgb& rgb) { return wxColour(rgb.red, rgb.green, rgb.blue); }

ScopeRgb toRgb(const wxColour& colour) {
    return ScopeRgb{static_cast<uint8_t>(colour.Red()), static_cast<uint8_t>(colour.Green()),
                    static_cast<uint8_t>(colour.Blue())};
}

bool buttonTextIsWhite(int red, int green, int blue) { return red + green + blue < 271; }

void postGenerationEvent(wxEvtHandler* target, wxEventType type, int value, const wxString& text,
                         uint32_t generation) {
    if (!target) return;
    wxCommandEvent* event = newProgramEvent(type, value, text);
    event->SetExtraLong(static_cast<long>(generation));
    wxQueueEvent(target, event);
}

namespace {

wxFont scopeCaptionFont(bool bold) {
    wxFont font = *wxNORMAL_FONT;
    font.SetPixelSize(wxSize(0, 11));
    if (bold) font.SetWeight(wxFONTWEIGHT_BOLD);
    return font;
}

}  // namespace

std::vector<PictureCaption> scopePictureCaptions() {
    std::vector<PictureCaption> captions;
    wxBitmap scratch(8, 8);
    wxMemoryDC dc(scratch);
    auto add = [&](const wxString& text, int x, int y, bool bold) {
        dc.SetFont(scopeCaptionFont(bold));
        captions.push_back({text, wxRect(wxPoint(x, y), dc.GetTextExtent(text)), bold});
    };
    // Group captions over the parameter fields, and the short name of each field.
    const char* groups[4] = {"Scope group Current", "Scope group Speed", "Scope group Position-Speed",
                             "Scope group Position-Current"};
    for (int g = 0; g < 4; ++g) add(trw(groups[g]), 8, kGroupTops[g] - 14, true);
    // The words are catalogue keys; the controller symbols have no entry and stand as written.
    const char* shortNames[23] = {
        "Kp", "Tn", "TnM", "Scope short Ramp",                                   // current
        "Kp", "Tn", "Tv", "TnM", "Scope short Acc", "Scope short Dec", "Scope short Limit", "N max", "Dynam",
        "Scope short Limit %", "Scope short Filter",                             // speed
        "Kp", "Tn", "Tv", "TnM",                                                 // position-speed
        "Kp", "Tn", "Tv", "TnM"};                                                // position-current
    const auto& rows = scopeParameterRows();
    for (size_t i = 0; i < rows.size() && i < 23; ++i) add(trw(shortNames[i]), 12, rows[i].y + 2, false);

    // Column captions of the channel rows and the captions of the trigger and step rows.
    add(trw("Scope caption Signal"), 603, kChannelTop - 15, false);
    add("Pos", 705, kChannelTop - 15, false);
    add("U/Div", 737, kChannelTop - 15, false);
    for (int n = 0; n < kScopeChannels; ++n)
        add(wxString::Format("%d", n + 1), 592, kChannelTop + n * kChannelStep + 4, false);
    const char* settings[6] = {"Scope caption Trigger On", "Scope caption Edge",   "Scope caption Level",
                               "Scope caption Buffer",     "Scope caption Run", "Scope caption Time scale"};
    for (int i = 0; i < 6; ++i) add(trw(settings[i]), 603, kSettingsTop + i * kSettingsStep + 4, false);
    add(trw("Scope caption Step"), 603, kStepTop + 27, false);
    add(trw("Scope caption Value"), kStepValueX, kStepTop + 92, false);
    add(trw("Scope caption Time ms"), kStepTimeX, kStepTop + 92, false);
    return captions;
}

wxBitmap drawScopePicture() {
    wxBitmap picture = builtinPagePicture(PagePicture::Oscilloscope);
    wxMemoryDC dc(picture);
    dc.SetTextForeground(*wxBLACK);
    for (const PictureCaption& caption : scopePictureCaptions()) {
        dc.SetFont(scopeCaptionFont(caption.bold));
        dc.DrawText(caption.text, caption.rect.x, caption.rect.y);
    }
    dc.SelectObject(wxNullBitmap);
    return picture;
}

wxBitmap markerBitmap() {
    wxBitmap bitmap(10, 11);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(wxColour(129, 156, 214)));
    dc.Clear();
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxRED_BRUSH);
    const wxPoint arrow[3] = {wxPoint(0, 0), wxPoint(9, 5), wxPoint(0, 10)};
    dc.DrawPolygon(3, arrow);
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

wxBitmap fileButtonBitmap(bool save) {
    wxBitmap bitmap(16, 15);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxLIGHT_GREY_BRUSH);
    dc.Clear();
    dc.SetPen(*wxBLACK_PEN);
    if (save) {
        // A disk: body, label and shutter.
        dc.SetBrush(wxBrush(wxColour(40, 60, 140)));
        dc.DrawRectangle(1, 1, 14, 13);
        dc.SetBrush(*wxWHITE_BRUSH);
        dc.DrawRectangle(4, 1, 8, 5);
        dc.DrawRectangle(4, 9, 8, 5);
    } else {
        // An open folder.
        dc.SetBrush(wxBrush(wxColour(230, 190, 60)));
        dc.DrawRectangle(1, 3, 13, 10);
        dc.DrawRectangle(1, 1, 6, 3);
    }
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

}  // namespace torvex::scope_page
