// The Speed page: the drive's speed and current loops over a block-diagram picture.
// Torque and speed commands, actual speeds and currents, current-loop errors and
// voltages, the analog inputs, seven lamps and symbols that follow the command source and
// the limit settings; the speed ramps and limits, the speed and current controllers, the
// voltage controller and the analog inputs' offset, cut-off and scale.
#pragma once

#include <vector>

#include <wx/bitmap.h>

#include "link/connection.h"
#include "link/limits.h"
#include "pages/drive_page.h"
#include "pages/loop_picture.h"
#include "pages/position_speed_logic.h"

namespace torvex {

class SpeedPage : public DrivePage {
public:
    SpeedPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // Displays and edits in creation order, then the lamps.
    static const std::vector<ControlRow>& fieldRows();
    static const std::vector<ControlRow>& lampRows();
    // What the built-in picture is drawn from: its blocks, connectors and labels, the sites
    // of every control (edits and read-outs get captions) and the symbols' sites.
    static const LoopPicture& picture();
    static wxBitmap drawPicture();

    // The cyclic update, then every edit field; false at the first failure.
    bool readFromDrive(bool onlyIfShown);
    // Polling thread: displays, lamps and the command-source flags. Touches no window.
    bool cyclicUpdate(bool onlyIfShown);
    void onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender = std::nullopt);

    bool refreshSpeedEdits(bool onlyIfShown);
    bool updateSpeedModeFlags();
    void checkSpeedLimitMark();
    void checkNLimitPlusMark();
    void checkNLimitMinusMark();

    const SpeedCycleState& cycleState() const { return state_; }
    int repaintRequests() const { return repaints_.load(); }
    RegisterEdit* speedLimitField() const { return speedLimit_; }
    RegisterEdit* nLimitPlusField() const { return nLimitPlus_; }
    RegisterEdit* nLimitMinusField() const { return nLimitMinus_; }
    wxBitmap paintedPicture() const;

protected:
    void afterCommit(RegisterEdit* field) override;
    void afterStep(RegisterEdit* field) override;
    void paintPage(wxDC& dc) override;

private:
    void checkLimitMark(RegisterEdit* field);
    void checkMark(RegisterEdit* field, std::atomic<bool>& flag);
    void requestRepaint();
    void paintSymbols(wxDC& dc) const;

    SpeedCycleState state_;
    std::atomic<int> repaints_{0};
    RegisterEdit* speedLimit_ = nullptr;
    RegisterEdit* nLimitPlus_ = nullptr;
    RegisterEdit* nLimitMinus_ = nullptr;
    wxBitmap symbols_[4];
};

}  // namespace torvex
