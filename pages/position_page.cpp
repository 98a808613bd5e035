#include "pages/position_page.h"

#include <wx/dc.h>
#include <wx/stattext.h>

#include "link/i18n.h"
#include "widgets/events.h"
#include "widgets/readout.h"
#include "widgets/register_access.h"
#include "widgets/register_bit_label.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"
#include "widgets/scaled_fields.h"

namespace torvex {

namespace {

constexpr int kSpeedScaleReg = 0xCE;    // SPEED_RPMMAX_INT
constexpr int kPositionScaleReg = 0x7C;   // POS_TORVEX_SCALE
constexpr int kPositionOffsetReg = 0x7D;  // POS_TORVEX_OFFSET

}  // namespace

PositionPage::PositionPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits)
    : LoopPage(notebook, drive, limits, "pictures/Position.bmp", PagePicture::Position, PositionRefocusEvent,
               &PositionPage::drawPicture) {
    const std::vector<wxWindow*> readouts = buildControls(readoutRows());
    wxFont smaller = GetFont();
    smaller.SetPointSize(std::max(1, smaller.GetPointSize() - 1));
    for (size_t i = 0; i < readouts.size(); ++i) {
        if (readoutRows()[i].listed) continue;
        auto* display = static_cast<RegisterDisplay*>(readouts[i]);
        display->SetFont(smaller);
        display->setKeyboardStop(false);  // hands the focus back (handsFocusBack)
        scaled_.push_back(display);
    }

    calcLabel_ = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(tr("calc")), wxPoint(684, 97), wxSize(56, 13),
                                  wxST_NO_AUTORESIZE, "staticText");
    calcLabel_->SetBackgroundColour(wxColour(235, 235, 235));

    const std::vector<wxWindow*> edits = buildControls(editRows());
    auto field = [&](size_t index) { return static_cast<RegisterEdit*>(edits[index]); };
    setDefaultField(field(1));  // "Kp (Speed)"
    speedTo_ = field(12);
    speedFrom_ = field(13);
    offset_ = field(14);
    buildControls(lampRows());

    createUpDownButtons(wxPoint(727, 404), wxPoint(727, 426), wxSize(51, 20));

    Bind(CalcValueEvent, &PositionPage::onCalcValue, this);
    restoreFocus();
}

bool PositionPage::readFromDrive(bool onlyIfShown) {
    // The scales are taken only once all of them were read: the fields and read-outs keep
    // showing positions in the units they were shown in, and an entry keeps meaning those
    // units, when a read fails half-way.
    DriveRegisterAccess access(drive());
    uint16_t speedScale = 0;
    if (access.read16(kSpeedScaleReg, &speedScale) != 0) return false;
    int32_t positionScale = 0;
    int32_t positionOffset = 0;
    uint32_t value = 0;
    if (firmwareVersion.load() > 101) {
        if (access.read32(kPositionScaleReg, &value) != 0) return false;
        positionScale = static_cast<int32_t>(value);
    }
    if (firmwareVersion.load() > 103) {
        if (access.read32(kPositionOffsetReg, &value) != 0) return false;
        positionOffset = static_cast<int32_t>(value);
    }
    state_.speedScale = speedScale;
    state_.positionScale = positionScale;
    state_.positionOffset = positionOffset;
    if (!cyclicUpdate(onlyIfShown)) return false;
    return refreshPositionEdits(onlyIfShown);
}

bool PositionPage::cyclicUpdate(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!refreshReadouts() || !showScaledPositions() || !updateCalcValue()) return false;
    bool allActive = true;
    for (RegisterBitLabel* lamp : lampList()) {
        if (!lamp->refreshRegisterBitLabel()) return false;
        // The state the GUI thread last showed: one cycle behind the register at most.
        allActive = allActive && lamp->isActive();
    }
    if (setPictureFlag(state_.allBitLabelsActive, allActive)) requestRepaint();
    return updatePositionLimitFlags();
}

bool PositionPage::showScaledPositions() {
    if (firmwareVersion.load() < 102) {
        for (RegisterDisplay* display : scaled_)
            if (!display->refreshRegisterDisplay()) return false;
        return true;
    }
    DriveRegisterAccess access(drive());
    return showScaledPositionTexts(access, state_, [this](int index, const std::string& text) {
        postProgramEvent(scaled_[static_cast<size_t>(index)], DisplayTextEvent, 0, wxString::FromUTF8(text));
    });
}

bool PositionPage::updateCalcValue() {
    DriveRegisterAccess access(drive());
    return torvex::updateCalcValue(access, [this](int32_t value) { postProgramEvent(this, CalcValueEvent, value); });
}

bool PositionPage::updatePositionLimitFlags() {
    return updatePictureFlags(
        [this](RegisterAccess& access, bool* changed) { return torvex::updatePositionLimitFlags(access, state_, changed); });
}

bool PositionPage::refreshPositionEdits(bool onlyIfShown) {
    return refreshEdits(onlyIfShown, [this](RegisterEdit* field) {
        if (field == speedTo_ || field == speedFrom_) {
            readSpeedField(field, state_.speedScale.load());
        } else if (field == offset_) {
            readPositionField(field, state_.positionScale.load());
        } else if (!field->refreshRegisterEdit()) {
            return false;
        }
        return true;
    });
}

void PositionPage::onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender) {
    followRegisterChange(reg, text, sender);
    if (std::optional<int> scale = speedScaleAfterChange(reg)) {
        // A new maximum speed changes what every raw speed stands for, also after a write
        // whose read-back failed: the drive may have taken it.
        state_.speedScale = *scale;
        rereadSpeedField(speedTo_, *scale);
        rereadSpeedField(speedFrom_, *scale);
        return;
    }
    // The offset's re-read: without a box, with a usable drive and after a confirmed write only.
    const bool reread = drive() && drive()->isConnected() && !text.empty();
    if (reg == kPositionScaleReg) {
        if (auto scale = positionRegisterFromText(text.utf8_string())) {
            state_.positionScale = *scale;
            if (reread) rereadPositionField(offset_, *scale);
        }
        return;
    }
    if (reg == kPositionOffsetReg) {
        if (auto offset = positionRegisterFromText(text.utf8_string())) state_.positionOffset = *offset;
    }
}

FieldKind PositionPage::fieldKind(const RegisterEdit* field) const {
    if (field == speedTo_ || field == speedFrom_) return FieldKind::Speed;
    if (field == offset_) return FieldKind::Position;
    return FieldKind::Plain;
}

bool PositionPage::rereadField(RegisterEdit* field) {
    if (field == speedTo_ || field == speedFrom_) return rereadSpeedField(field, state_.speedScale.load());
    if (field == offset_) return rereadPositionField(field, state_.positionScale.load());
    return DrivePage::rereadField(field);
}

bool PositionPage::commitField(RegisterEdit* field) {
    if (field == speedTo_ || field == speedFrom_) return commitSpeedField(field, state_.speedScale.load());
    if (field == offset_) return commitPositionField(field, state_.positionScale.load());
    return DrivePage::commitField(field);
}

bool PositionPage::stepField(RegisterEdit* field, long delta) {
    // The scaled fields step in the units they show, through their own commit.
    if (field == speedTo_ || field == speedFrom_) return stepSpeedField(field, state_.speedScale.load(), delta);
    if (field == offset_) return stepPositionField(field, state_.positionScale.load(), delta);
    return DrivePage::stepField(field, delta);
}

bool PositionPage::handsFocusBack(wxWindow* control) const {
    for (RegisterDisplay* display : scaled_)
        if (display == control) return true;
    return control == calcLabel_;
}

void PositionPage::onCalcValue(wxCommandEvent& event) { showLabel(calcLabel_, wxString::Format("%d", event.GetInt())); }

void PositionPage::paintSymbols(wxDC& dc) const {
    if (state_.allBitLabelsActive.load())
        dc.DrawBitmap(symbols_[0], 362, 126, false);
    else
        dc.DrawBitmap(symbols_[1], 375, 99, false);
    dc.DrawBitmap(symbols_[3], 158, 224, false);
    if (!state_.statusBit13Set.load()) dc.DrawBitmap(symbols_[2], 32, 163, false);
    if (!state_.statusBit12Set.load()) dc.DrawBitmap(symbols_[2], 559, 575, false);
}

}  // namespace torvex
