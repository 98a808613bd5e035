// The main frame's status line. It draws its fields itself from the texts it was
// given, so nothing the library puts into a status bar (menu help) ever shows, and it
// can blink all fields together while the tool is offline or shows a register file.
#pragma once

#include <array>
#include <vector>

#include <wx/pen.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

namespace torvex {

class FlashingStatusBar : public wxStatusBar {
public:
    static constexpr int kRememberedFields = 12;

    FlashingStatusBar(wxWindow* parent, wxWindowID id, long style, const wxString& name);
    ~FlashingStatusBar() override;

    // Remembers the text (fields below 12) and shows it at once, also in a blank phase.
    void setStatusField(const wxString& text, int field);
    // Blinks every field with the period; a running blink is left alone.
    void startFlashing(int periodMs);
    // Ends the blinking and shows every remembered text again.
    void stopFlashing();

    // The text last set for a field (empty for unknown fields).
    wxString statusField(int field) const;
    // The text the field shows at this moment (empty in a blank phase).
    wxString shownField(int field) const;
    bool isFlashing() const { return flashTimer_ != nullptr; }
    int flashPeriod() const { return flashTimer_ ? flashTimer_->GetInterval() : 0; }

    void SetFieldsCount(int number, const int* widths = nullptr) override;
    bool SetFont(const wxFont& font) override;

private:
    void onFlashTimer(wxTimerEvent& event);
    void onPaint(wxPaintEvent& event);
    void onSysColourChanged(wxSysColourChangedEvent& event);
    void showField(int field, const wxString& text);
    // Width of text as field draws it; the remembered texts' widths are kept.
    int textWidth(int field, const wxString& text);

    std::array<wxString, kRememberedFields> fieldTexts_;
    std::array<int, kRememberedFields> fieldTextWidths_;  // of fieldTexts_; -1 until measured
    std::vector<wxString> shownTexts_;  // what each field draws now
    bool textsShown_ = true;
    wxTimer* flashTimer_ = nullptr;
    // Kept between paints: each blink repaints a field, and asking the theme and the text
    // layout for these every time cost more than drawing the text.
    int charHeight_ = -1;  // of the current font; -1 until measured
    wxPen separatorPen_;   // the theme's shadow colour; invalid until first needed
};

}  // namespace torvex
