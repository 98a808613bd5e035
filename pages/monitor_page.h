// The Monitor page: up to 20 rows of live operating values, each a label, the register's
// value, a bar of that value against a full-scale value and a unit. Which registers are
// shown, and how, comes from the catalogue (see monitor_rows.h).
#pragma once

#include <cstdint>
#include <vector>

#include "pages/drive_page.h"
#include "pages/monitor_rows.h"

class wxStaticBox;
class wxStaticText;

namespace torvex {

class DriveConnection;
class PercentGauge;
class RegisterDisplay;

// The page's built-in picture.
wxBitmap drawMonitorPicture();

class MonitorPage : public DrivePage {
public:
    MonitorPage(wxWindow* notebook, DriveConnection* drive);

    // Reads every row (display, then gauge) in row order; false at the first failed read,
    // the later rows keeping their values. Shown-only when onlyIfShown. Any thread.
    bool cyclicUpdate(bool onlyIfShown);
    bool readFromDrive(bool onlyIfShown) { return cyclicUpdate(onlyIfShown); }
    void setOnline(bool online) {}
    void onPageSelected() {}

    // The "Operating states" box with one row per usable catalogue row, in key order.
    wxStaticBox* buildOperatingStates(wxWindow* parent);
    // Builds one row at height y; returns its unit text (the row's right end).
    wxStaticText* addMonitorRow(wxWindow* parent, const MonitorRowDefinition& row, int y);
    // Refreshes row k: its display, then its gauge from a second read.
    bool updateMonitorRow(size_t k);

    // The rows built, in row order.
    const std::vector<uint32_t>& rowRegisters() const { return registers_; }
    const std::vector<int32_t>& rowFullScales() const { return fullScales_; }
    const std::vector<PercentGauge*>& rowGauges() const { return gauges_; }
    const std::vector<RegisterDisplay*>& rowDisplays() const { return rowDisplays_; }

private:
    static constexpr int kBoxLeft = 10;
    static constexpr int kBoxTop = 10;
    struct RowLayout {
        int left = 0;
        int top = 0;
        int rowHeight = 0;
        int displayWidth = 49;
    } layout_;
    std::vector<uint32_t> registers_;
    std::vector<int32_t> fullScales_;
    std::vector<PercentGauge*> gauges_;
    std::vector<RegisterDisplay*> rowDisplays_;
};

}  // namespace torvex
