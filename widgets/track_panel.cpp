#include "widgets/track_panel.h"

#include <wx/combobox.h>
#include <wx/stattext.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/registers.h"
#include "widgets/events.h"
#include "widgets/readout.h"
#include "widgets/register_choice.h"

namespace torvex {

namespace {
const wxColour kValueColour(235, 235, 235);
const char* const kNoValue = " -";
constexpr int kTop = 18;
constexpr int kRowHeight = 23;
}  // namespace

std::string trackValueText(uint32_t reg, uint32_t value) {
    const bool isUnsigned = isRegisterUnsigned(reg);
    if (is32bitRegister(reg)) {
        return isUnsigned ? strprintf(" %u (0x%x)", value, value)
                          : strprintf(" %d (0x%x)", static_cast<int32_t>(value), value);
    }
    const uint32_t low = value & 0xFFFFu;
    return isUnsigned ? strprintf(" %u (0x%04x)", low, low)
                      : strprintf(" %d (0x%04x)", static_cast<int>(static_cast<int16_t>(low)), low);
}

TrackPanel::TrackPanel(wxWindow* parent, const wxPoint& pos, const wxSize& size, DriveConnection* drive)
    : BoxedPanel(parent, pos, size, drive, "Track") {
    normalFont_ = GetFont();
    smallFont_ = normalFont_;
    smallFont_.SetPointSize(normalFont_.GetPointSize() - 1);
    const int width = size.GetWidth();
    const int choiceWidth = (width - 14) / 2;
    for (int row = 0; row < kRows; ++row) {
        const int y = kTop + row * kRowHeight;
        auto* combo = new wxComboBox(this, wxID_ANY, wxEmptyString, wxPoint(5, y), wxSize(choiceWidth, 21), 0, nullptr,
                                     wxCB_READONLY);
        combo->SetToolTip(wxString::FromUTF8(tr(strprintf("Tooltip Combo Track%d", row + 1))));
        initRegisterChoice(combo);
        combo->SetSelection(0);
        auto* value = new wxStaticText(this, wxID_ANY, kNoValue, wxPoint(9 + choiceWidth, y + 2),
                                       wxSize(width - choiceWidth - 14, 17), wxST_NO_AUTORESIZE);
        value->SetBackgroundColour(kValueColour);
        choices_[size_t(row)] = combo;
        values_[size_t(row)] = value;
        rowRegisters_[size_t(row)] = 0;
        combo->Bind(wxEVT_COMBOBOX, &TrackPanel::onSelected, this);
    }
    addCloseButton(wxPoint(5, kTop + kRows * kRowHeight + 2), wxSize(60, 22));
    Bind(TrackValueEvent, &TrackPanel::onValue, this);
}

void TrackPanel::takeSelection(int row) {
    wxComboBox* combo = choices_[size_t(row)];
    const int selected = combo->GetSelection();
    const int reg =
        selected == wxNOT_FOUND ? -1 : static_cast<int>(reinterpret_cast<intptr_t>(combo->GetClientData(unsigned(selected))));
    if (reg == rowRegisters_[size_t(row)].load()) return;
    rowRegisters_[size_t(row)] = reg;
    // The old register's value must not stand beside the new name.
    values_[size_t(row)]->SetFont(normalFont_);
    values_[size_t(row)]->SetLabel(kNoValue);
}

void TrackPanel::onSelected(wxCommandEvent& event) {
    for (int row = 0; row < kRows; ++row) {
        if (event.GetEventObject() != choices_[size_t(row)]) continue;
        takeSelection(row);
        refreshRow(row);
        return;
    }
    event.Skip();
}

bool TrackPanel::refreshRow(int row) {
    const int reg = rowRegisters_[size_t(row)].load();
    if (reg < 0) return true;
    auto post = [&](const std::string& text) {
        wxCommandEvent* event = newProgramEvent(TrackValueEvent, row, wxString::FromUTF8(text));
        event->SetExtraLong(reg);
        QueueEvent(event);
    };
    if (reg == 0) {
        post(kNoValue);
        return true;
    }
    DriveConnection* link = drive();
    if (!link) return false;
    uint32_t value = 0;
    uint32_t rc;
    if (is32bitRegister(uint32_t(reg))) {
        rc = link->read32bitRegister(uint32_t(reg), &value);
    } else {
        uint16_t value16 = 0;
        rc = link->read16bitRegister(uint32_t(reg), &value16);
        value = value16;
    }
    if (rc != 0) return false;
    post(trackValueText(uint32_t(reg), value));
    return true;
}

bool TrackPanel::refreshTrackPanel(bool onlyIfShown) {
    if (onlyIfShown && !isPanelShown()) return true;
    for (int row = 0; row < kRows; ++row) {
        if (!refreshRow(row)) return false;
    }
    return true;
}

void TrackPanel::onValue(wxCommandEvent& event) {
    const int row = event.GetInt();
    if (!validRow(row)) return;
    // A value read for the register the row showed before a new pick is dropped.
    if (event.GetExtraLong() != rowRegisters_[size_t(row)].load()) return;
    wxStaticText* value = values_[size_t(row)];
    const wxString text = event.GetString();
    value->SetFont(text.length() > kTrackLongText ? smallFont_ : normalFont_);
    showLabel(value, text);
}

void TrackPanel::reloadTrackChoices() {
    for (int row = 0; row < kRows; ++row) {
        wxComboBox* combo = choices_[size_t(row)];
        const int selected = combo->GetSelection();
        const long reg =
            selected == wxNOT_FOUND ? 0 : static_cast<long>(reinterpret_cast<intptr_t>(combo->GetClientData(unsigned(selected))));
        combo->Clear();
        initRegisterChoice(combo);
        const int found = findChoiceByClientData(combo, reg);
        combo->SetSelection(found == wxNOT_FOUND ? 0 : found);
        takeSelection(row);
    }
}

}  // namespace torvex
