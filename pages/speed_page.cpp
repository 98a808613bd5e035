#include "pages/speed_page.h"

#include <wx/dc.h>

#include "widgets/events.h"
#include "widgets/register_access.h"
#include "widgets/register_bit_label.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"

namespace torvex {

namespace {

RegisterEdit* editFor(const std::vector<ControlRow>& rows, const std::vector<wxWindow*>& controls, int reg) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].kind == RowKind::Edit && rows[i].reg == reg) return static_cast<RegisterEdit*>(controls[i]);
    return nullptr;
}

}  // namespace

SpeedPage::SpeedPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits)
    : LoopPage(notebook, drive, limits, "pictures/Speed.bmp", PagePicture::Speed, SpeedRefocusEvent,
               &SpeedPage::drawPicture) {
    const std::vector<wxWindow*> controls = buildControls(fieldRows());
    setDefaultField(editFor(fieldRows(), controls, 0x35));  // "Ramp-Acc"
    speedLimit_ = editFor(fieldRows(), controls, 0x34);
    nLimitPlus_ = editFor(fieldRows(), controls, 0x3F);
    nLimitMinus_ = editFor(fieldRows(), controls, 0x3E);
    buildControls(lampRows());

    createUpDownButtons(wxPoint(12, 339), wxPoint(12, 361), wxSize(53, 20));
    restoreFocus();
}

bool SpeedPage::readFromDrive(bool onlyIfShown) {
    if (!cyclicUpdate(onlyIfShown)) return false;
    return refreshSpeedEdits(onlyIfShown);
}

bool SpeedPage::cyclicUpdate(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!refreshReadouts()) return false;
    const std::vector<RegisterBitLabel*>& lamps = lampList();
    for (RegisterBitLabel* lamp : lamps)
        if (!lamp->refreshRegisterBitLabel()) return false;
    if (!updateSpeedModeFlags()) return false;
    // The states the GUI thread last showed: one cycle behind the registers at most.
    bool enableGo = lamps.size() >= 2 && lamps[0]->isActive() && lamps[1]->isActive();
    bool status = lamps.size() >= 7;
    for (size_t i = 2; i < lamps.size(); ++i) status = status && lamps[i]->isActive();
    bool changed = setPictureFlag(state_.enableGoActive, enableGo);
    if (changed) requestRepaint();
    if (setPictureFlag(state_.statusLampsActive, status)) requestRepaint();
    return true;
}

bool SpeedPage::updateSpeedModeFlags() {
    return updatePictureFlags(
        [this](RegisterAccess& access, bool* changed) { return torvex::updateSpeedModeFlags(access, state_, changed); });
}

bool SpeedPage::refreshSpeedEdits(bool onlyIfShown) {
    return refreshEdits(onlyIfShown, [this](RegisterEdit* field) {
        if (!field->refreshRegisterEdit()) return false;
        checkLimitMark(field);
        return true;
    });
}

void SpeedPage::onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender) {
    // The limit marks follow their fields whichever page changed them (afterCommit).
    followRegisterChange(reg, text, sender);
}

void SpeedPage::checkMark(RegisterEdit* field, std::atomic<bool>& flag) {
    if (!field) return;
    std::optional<bool> below = limitBelow98(field->GetValue().utf8_string());
    if (below && setPictureFlag(flag, *below)) requestRepaint();
}

void SpeedPage::checkSpeedLimitMark() { checkMark(speedLimit_, state_.speedLimitBelow98); }
void SpeedPage::checkNLimitPlusMark() { checkMark(nLimitPlus_, state_.nLimitPlusBelow98); }
void SpeedPage::checkNLimitMinusMark() { checkMark(nLimitMinus_, state_.nLimitMinusBelow98); }

void SpeedPage::checkLimitMark(RegisterEdit* field) {
    if (field == speedLimit_) checkSpeedLimitMark();
    if (field == nLimitPlus_) checkNLimitPlusMark();
    if (field == nLimitMinus_) checkNLimitMinusMark();
}

void SpeedPage::afterCommit(RegisterEdit* field) { checkLimitMark(field); }
void SpeedPage::afterStep(RegisterEdit* field) { checkLimitMark(field); }

void SpeedPage::paintSymbols(wxDC& dc) const {
    if (state_.enableGoActive.load())
        dc.DrawBitmap(symbols_[0], 209, 172, false);
    else
        dc.DrawBitmap(symbols_[1], 221, 144, false);
    if (state_.statusLampsActive.load())
        dc.DrawBitmap(symbols_[0], 320, 172, false);
    else
        dc.DrawBitmap(symbols_[1], 331, 144, false);
    if (state_.sourceModeIs3.load()) dc.DrawBitmap(symbols_[3], 561, 173, false);
    if (state_.sourceModeAtLeast1.load()) dc.DrawBitmap(symbols_[0], 162, 172, false);
    if (state_.sourceModeAtMost1.load()) dc.DrawBitmap(symbols_[0], 162, 244, false);
    dc.DrawBitmap(symbols_[2], 295, 401, false);
    if (!state_.speedLimitBelow98.load()) dc.DrawBitmap(symbols_[2], 467, 106, false);
    if (!state_.nLimitPlusBelow98.load()) dc.DrawBitmap(symbols_[2], 467, 121, false);
    if (!state_.nLimitMinusBelow98.load()) dc.DrawBitmap(symbols_[2], 467, 136, false);
}

}  // namespace torvex
