#include "widgets/flashing_status_bar.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include "widgets/theme_colours.h"

namespace torvex {

FlashingStatusBar::FlashingStatusBar(wxWindow* parent, wxWindowID id, long style, const wxString& name) {
    // Painted only in the paint handler (buffered), so the blinking repaints this line alone.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    fieldTextWidths_.fill(-1);
    Create(parent, id, style, name);
    holdThemeColours(this);
    shownTexts_.assign(GetFieldsCount(), wxString());
    Bind(wxEVT_PAINT, &FlashingStatusBar::onPaint, this);
    Bind(wxEVT_SYS_COLOUR_CHANGED, &FlashingStatusBar::onSysColourChanged, this);
}

FlashingStatusBar::~FlashingStatusBar() {
    if (flashTimer_) {
        flashTimer_->Stop();
        delete flashTimer_;
        flashTimer_ = nullptr;
    }
}

void FlashingStatusBar::SetFieldsCount(int number, const int* widths) {
    wxStatusBar::SetFieldsCount(number, widths);
    shownTexts_.resize(number > 0 ? number : 0);
    Refresh(false);
}

bool FlashingStatusBar::SetFont(const wxFont& font) {
    if (!wxStatusBar::SetFont(font)) return false;
    charHeight_ = -1;
    fieldTextWidths_.fill(-1);
    return true;
}

void FlashingStatusBar::onSysColourChanged(wxSysColourChangedEvent& event) {
    separatorPen_ = wxNullPen;
    event.Skip();
}

int FlashingStatusBar::textWidth(int field, const wxString& text) {
    if (text.empty()) return 0;
    if (field < kRememberedFields && text == fieldTexts_[field]) {
        if (fieldTextWidths_[field] < 0) fieldTextWidths_[field] = GetTextExtent(text).x;
        return fieldTextWidths_[field];
    }
    return GetTextExtent(text).x;
}

void FlashingStatusBar::showField(int field, const wxString& text) {
    if (field < 0 || field >= static_cast<int>(shownTexts_.size())) return;
    if (shownTexts_[field] == text) return;
    const int width = std::max(textWidth(field, shownTexts_[field]), textWidth(field, text));
    shownTexts_[field] = text;
    wxRect rect;
    if (!GetFieldRect(field, rect)) {
        Refresh(false);
        return;
    }
    // Only where the old or the new text stands: a blink then redraws a few words, not
    // the whole line.
    rect.width = std::min(rect.width, width + 4);
    RefreshRect(rect, false);
}

void FlashingStatusBar::setStatusField(const wxString& text, int field) {
    if (field < 0) return;
    if (field < kRememberedFields && fieldTexts_[field] != text) {
        fieldTexts_[field] = text;
        fieldTextWidths_[field] = -1;
    }
    showField(field, text);
    // A text that appears in the blank phase starts a visible phase, so the next blink
    // blanks it instead of leaving it up for a second period.
    if (flashTimer_ && !text.empty()) textsShown_ = true;
}

wxString FlashingStatusBar::statusField(int field) const {
    if (field < 0 || field >= kRememberedFields) return wxString();
    return fieldTexts_[field];
}

wxString FlashingStatusBar::shownField(int field) const {
    if (field < 0 || field >= static_cast<int>(shownTexts_.size())) return wxString();
    return shownTexts_[field];
}

void FlashingStatusBar::startFlashing(int periodMs) {
    if (flashTimer_) return;
    flashTimer_ = new wxTimer(this);
    Bind(wxEVT_TIMER, &FlashingStatusBar::onFlashTimer, this, flashTimer_->GetId());
    flashTimer_->Start(periodMs, wxTIMER_CONTINUOUS);
}

void FlashingStatusBar::stopFlashing() {
    if (!flashTimer_) return;
    flashTimer_->Stop();
    Unbind(wxEVT_TIMER, &FlashingStatusBar::onFlashTimer, this, flashTimer_->GetId());
    delete flashTimer_;
    flashTimer_ = nullptr;
    // What is drawn decides what the next blink does, so the flag follows the texts.
    textsShown_ = true;
    int count = std::min<int>(GetFieldsCount(), kRememberedFields);
    for (int field = 0; field < count; ++field) showField(field, fieldTexts_[field]);
}

void FlashingStatusBar::onFlashTimer(wxTimerEvent&) {
    int count = std::min<int>(GetFieldsCount(), kRememberedFields);
    if (!textsShown_) {
        for (int field = 0; field < count; ++field) showField(field, fieldTexts_[field]);
        textsShown_ = true;
    } else {
        for (int field = 0; field < count; ++field) showField(field, wxString());
        textsShown_ = false;
    }
}

void FlashingStatusBar::onPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    if (charHeight_ < 0) charHeight_ = dc.GetCharHeight();
    if (!separatorPen_.IsOk()) separatorPen_ = wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    // A blink invalidates one field: the others are left as they are.
    const wxRegion& update = GetUpdateRegion();
    for (int field = 0; field < static_cast<int>(shownTexts_.size()); ++field) {
        wxRect rect;
        if (!GetFieldRect(field, rect)) continue;
        // The separator stands 2 pixels left of the field.
        if (update.Contains(wxRect(rect.x - 2, rect.y, rect.width + 2, rect.height)) == wxOutRegion) continue;
        if (field > 0) {
            dc.SetPen(separatorPen_);
            dc.DrawLine(rect.x - 2, rect.y, rect.x - 2, rect.y + rect.height);
        }
        if (shownTexts_[field].empty()) continue;
        wxDCClipper clip(dc, rect);
        dc.DrawText(shownTexts_[field], rect.x + 2, rect.y + (rect.height - charHeight_) / 2);
    }
}

}  // namespace torvex
