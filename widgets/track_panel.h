// Six rows, each a register picked from the register choice list and its value, refreshed
// with the Diagnose page.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include <wx/font.h>

#include "widgets/boxed_panel.h"

class wxComboBox;
class wxStaticText;

namespace torvex {

// A row's value: decimal by the register's sign, then hexadecimal (16-bit registers in
// four digits, 32-bit ones without padding), with a leading blank.
std::string trackValueText(uint32_t reg, uint32_t value);
// Values longer than this are shown one point smaller.
inline constexpr size_t kTrackLongText = 20;

class TrackPanel : public BoxedPanel {
public:
    static constexpr int kRows = 6;

    TrackPanel(wxWindow* parent, const wxPoint& pos, const wxSize& size, DriveConnection* drive);

    // Reads every row's register in row order and posts the values; false at the first
    // failed read. Hidden and onlyIfShown: true without reading. Any thread.
    bool refreshTrackPanel(bool onlyIfShown);
    // Refills the six lists (the free trigger registers changed); each row keeps its
    // register while the list still offers it, else falls back to "--Off--".
    void reloadTrackChoices();

    wxComboBox* choice(int row) const { return validRow(row) ? choices_[size_t(row)] : nullptr; }
    wxStaticText* valueText(int row) const { return validRow(row) ? values_[size_t(row)] : nullptr; }
    // The register a row shows: 0 for "--Off--", -1 when nothing is selected.
    int rowRegister(int row) const { return validRow(row) ? rowRegisters_[size_t(row)].load() : -1; }
    const wxFont& normalFont() const { return normalFont_; }
    const wxFont& smallFont() const { return smallFont_; }

private:
    static bool validRow(int row) { return row >= 0 && row < kRows; }
    bool refreshRow(int row);
    // Takes the selection of a row's list into the register the refreshes read.
    void takeSelection(int row);
    void onSelected(wxCommandEvent& event);
    void onValue(wxCommandEvent& event);

    std::array<wxComboBox*, kRows> choices_{};
    std::array<wxStaticText*, kRows> values_{};
    std::array<std::atomic<int>, kRows> rowRegisters_{};
    wxFont normalFont_;
    wxFont smallFont_;
};

}  // namespace torvex
