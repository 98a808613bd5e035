// Five drive counters and states (foreground frequency, motor position spikes, serial
// resynchronisations, CAN overruns, mode), refreshed with the Diagnose page.
#pragma once

#include <array>
#include <cstdint>

#include "widgets/boxed_panel.h"

class wxStaticText;

namespace torvex {

struct InformationRow {
    const char* labelKey;
    uint32_t reg;
    const char* unitKey;  // null: no unit
};
inline constexpr std::array<InformationRow, 5> kInformationRows = {{
    {"Foreground", 0xAB, "Hz"},
    {"Motor pos Spikes", 0xB5, "Times"},
    {"RS232 resync", 0x99, "Times"},
    {"CAN overruns", 0x94, "Times"},
    {"Mode", 0x51, nullptr},
}};

class InformationPanel : public BoxedPanel {
public:
    InformationPanel(wxWindow* parent, const wxPoint& pos, const wxSize& size, DriveConnection* drive);

    // Reads the five registers in row order and posts each value to the panel; false at
    // the first failed read (the rows before it show their new values). Hidden and
    // onlyIfShown: true without reading. Any thread.
    bool refreshInformationPanel(bool onlyIfShown);

    wxStaticText* valueText(int row) const { return row >= 0 && row < 5 ? values_[size_t(row)] : nullptr; }

private:
    void onValue(wxCommandEvent& event);

    std::array<wxStaticText*, 5> values_{};
};

}  // namespace torvex
