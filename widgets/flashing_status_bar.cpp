#include "widgets/flashing_status_bar.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/settings.h>

namespace torvex {

FlashingStatusBar::FlashingStatusBar(wxWindow* parent, wxWindowID id, long style, const wxString& name) {
    // Painted only in the paint handler (buffered), so the blinking repaints this line alone.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, id, style, name);
    shownTexts_.assign(GetFieldsCount(), wxString());
    Bind(wxEVT_PAINT, &FlashingStatusBar::onPaint, this);
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

void FlashingStatusBar::showField(int field, const wxString& text) {
    if (field < 0 || field >= static_cast<int>(shownTexts_.size())) return;
    if (shownTexts_[field] == text) return;
    shownTexts_[field] = text;
    wxRect rect;
    if (GetFieldRect(field, rect))
        RefreshRect(rect, false);
    else
        Refresh(false);
}

void FlashingStatusBar::setStatusField(const wxString& text, int field) {
    if (field < 0) return;
    if (field < kRememberedFields) fieldTexts_[field] = text;
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
    wxPen shadow(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    for (int field = 0; field < static_cast<int>(shownTexts_.size()); ++field) {
        wxRect rect;
        if (!GetFieldRect(field, rect)) continue;
        if (field > 0) {
            dc.SetPen(shadow);
            dc.DrawLine(rect.x - 2, rect.y, rect.x - 2, rect.y + rect.height);
        }
        if (shownTexts_[field].empty()) continue;
        wxDCClipper clip(dc, rect);
        int textHeight = dc.GetCharHeight();
        dc.DrawText(shownTexts_[field], rect.x + 2, rect.y + (rect.height - textHeight) / 2);
    }
}

}  // namespace torvex
