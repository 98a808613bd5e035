// The Position page: the drive's position loop over a block-diagram picture. Destination,
// command and actual position in the user's position units, the position error, speed
// and current commands, the calc value, five lamps and state symbols; the position
// controller's gains, the speed limit and ramps, the two speed calibration values in rpm,
// the reference offset in position units and the two position-scaling registers.
#pragma once

#include <vector>

#include <wx/bitmap.h>

#include "link/connection.h"
#include "link/limits.h"
#include "pages/loop_page.h"
#include "pages/loop_picture.h"
#include "pages/position_speed_logic.h"

class wxStaticText;

namespace torvex {

class PositionPage : public LoopPage {
public:
    PositionPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // The page's rows: the read-outs (the three scaled ones first are kept out of the
    // display list), the edit fields in edit-list order, the lamps.
    static const std::vector<ControlRow>& readoutRows();
    static const std::vector<ControlRow>& editRows();
    static const std::vector<ControlRow>& lampRows();
    static const LoopPicture& picture();
    static wxBitmap drawPicture();

    // Scales, then the cyclic update, then every edit field; false at the first failure.
    bool readFromDrive(bool onlyIfShown);
    // Polling thread: read-outs, calc value, lamps and picture flags. Touches no window:
    // values go to the controls as queued events, repaints are asked for on the GUI thread.
    bool cyclicUpdate(bool onlyIfShown);
    // Another field (here or on another page) wrote reg and shows text.
    void onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender = std::nullopt);

    bool showScaledPositions();
    bool updateCalcValue();
    bool updatePositionLimitFlags();
    bool refreshPositionEdits(bool onlyIfShown);

    const PositionCycleState& cycleState() const { return state_; }
    wxStaticText* calcLabel() const { return calcLabel_; }
    RegisterEdit* speedToField() const { return speedTo_; }
    RegisterEdit* speedFromField() const { return speedFrom_; }
    RegisterEdit* offsetField() const { return offset_; }
    const std::vector<RegisterDisplay*>& scaledDisplays() const { return scaled_; }

protected:
    bool commitField(RegisterEdit* field) override;
    bool stepField(RegisterEdit* field, long delta) override;
    FieldKind fieldKind(const RegisterEdit* field) const override;
    bool rereadField(RegisterEdit* field) override;
    bool handsFocusBack(wxWindow* control) const override;

private:
    void onCalcValue(wxCommandEvent& event);
    void paintSymbols(wxDC& dc) const override;

    PositionCycleState state_;
    std::vector<RegisterDisplay*> scaled_;
    wxStaticText* calcLabel_ = nullptr;
    RegisterEdit* speedTo_ = nullptr;
    RegisterEdit* speedFrom_ = nullptr;
    RegisterEdit* offset_ = nullptr;
};

}  // namespace torvex
