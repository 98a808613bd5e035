#include "widgets/information_panel.h"

#include <wx/stattext.h>

#include <algorithm>

#include "link/connection.h"
#include "link/i18n.h"
#include "widgets/events.h"
#include "widgets/readout.h"

namespace torvex {

namespace {
const wxColour kValueColour(235, 235, 235);
constexpr int kTop = 16;
constexpr int kRowHeight = 12;
constexpr int kLeft = 5;
constexpr int kGap = 3;
// The widest value a row shows: an unsigned 16-bit register.
const char* const kWidestValue = " 65535";
}  // namespace

InformationPanel::InformationPanel(wxWindow* parent, const wxPoint& pos, const wxSize& size, DriveConnection* drive)
    : BoxedPanel(parent, pos, size, drive, "Information") {
    // The columns take the widths their texts need in the language in use (labels as wide as
    // the widest label, values as wide as the widest value, units the rest); when that is
    // more than the panel has, the font goes one pixel smaller.
    const int right = size.GetWidth() - kGap;
    wxFont small = GetFont();
    int labelWidth = 0, valueWidth = 0;
    for (int pixels : {10, 9}) {
        small.SetPixelSize(wxSize(0, pixels));
        auto width = [this, &small](const wxString& text) {
            int w = 0, h = 0;
            GetTextExtent(text, &w, &h, nullptr, nullptr, &small);
            return w;
        };
        labelWidth = 0;
        int unitWidth = 0;
        for (const InformationRow& info : kInformationRows) {
            labelWidth = std::max(labelWidth, width(wxString::FromUTF8(tr(info.labelKey))));
            if (info.unitKey) unitWidth = std::max(unitWidth, width(wxString::FromUTF8(tr(info.unitKey))));
        }
        // The values are read-outs with a blank of room either side.
        valueWidth = width(kWidestValue) + 4;
        if (kLeft + labelWidth + kGap + valueWidth + kGap + unitWidth <= right) break;
    }
    const int valueX = kLeft + labelWidth + kGap;
    const int unitX = valueX + valueWidth + kGap;
    for (size_t row = 0; row < kInformationRows.size(); ++row) {
        const InformationRow& info = kInformationRows[row];
        const int y = kTop + int(row) * kRowHeight;
        auto* label = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(tr(info.labelKey)), wxPoint(kLeft, y),
                                       wxSize(labelWidth, kRowHeight - 1), wxST_NO_AUTORESIZE);
        auto* value = new wxStaticText(this, wxID_ANY, wxString::Format(" 0x%02x", unsigned(info.reg)),
                                       wxPoint(valueX, y), wxSize(valueWidth, kRowHeight - 1), wxST_NO_AUTORESIZE);
        value->SetBackgroundColour(kValueColour);
        label->SetFont(small);
        value->SetFont(small);
        if (info.unitKey) {
            auto* unit = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(tr(info.unitKey)), wxPoint(unitX, y),
                                          wxSize(std::max(1, right - unitX), kRowHeight - 1), wxST_NO_AUTORESIZE);
            unit->SetFont(small);
        }
        values_[row] = value;
    }
    addCloseButton(wxPoint(kLeft, kTop + 5 * kRowHeight + 1), wxSize(60, size.GetHeight() - kTop - 5 * kRowHeight - 3));
    Bind(InformationValueEvent, &InformationPanel::onValue, this);
}

bool InformationPanel::refreshInformationPanel(bool onlyIfShown) {
    if (onlyIfShown && !isPanelShown()) return true;
    DriveConnection* link = drive();
    if (!link) return false;
    for (size_t row = 0; row < kInformationRows.size(); ++row) {
        uint16_t value = 0;
        if (link->read16bitRegister(kInformationRows[row].reg, &value) != 0) return false;
        postProgramEvent(this, InformationValueEvent, int(row), wxString::Format(" %d", int(value)));
    }
    return true;
}

void InformationPanel::onValue(wxCommandEvent& event) {
    showLabel(valueText(event.GetInt()), event.GetString());
}

}  // namespace torvex
