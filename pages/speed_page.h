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
#include "pages/loop_page.h"
#include "pages/loop_picture.h"
#include "pages/position_speed_logic.h"

namespace torvex {

class SpeedPage : public LoopPage {
public:
    SpeedPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // Displays and edits in creation order, then the lamps.
    static const std::vector<ControlRow>& fieldRows();
    static const std::vector<ControlRow>& lampRows();
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
    RegisterEdit* speedLimitField() const { return speedLimit_; }
    RegisterEdit* nLimitPlusField() const { return nLimitPlus_; }
    RegisterEdit* nLimitMinusField() const { return nLimitMinus_; }

protected:
    void afterCommit(RegisterEdit* field) override;
    void afterStep(RegisterEdit* field) override;

private:
    void checkLimitMark(RegisterEdit* field);
    void checkMark(RegisterEdit* field, std::atomic<bool>& flag);
    void paintSymbols(wxDC& dc) const override;

    SpeedCycleState state_;
    RegisterEdit* speedLimit_ = nullptr;
    RegisterEdit* nLimitPlus_ = nullptr;
    RegisterEdit* nLimitMinus_ = nullptr;
};

}  // namespace torvex
