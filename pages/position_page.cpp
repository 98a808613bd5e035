#include "pages/position_page.h"

#include <wx/dcmemory.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "link/i18n.h"
#include "pages/loop_picture.h"
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
constexpr int kSpeedRpmMax = 0xC8;      // SPEED_RPMMAX
constexpr int kMotorRpmMax = 0x59;      // MOTOR_RPMMAX
constexpr int kPositionScaleReg = 0x7C;   // POS_TORVEX_SCALE
constexpr int kPositionOffsetReg = 0x7D;  // POS_TORVEX_OFFSET

DrivePageOptions positionOptions() {
    DrivePageOptions options;
    options.smallFont = true;
    options.pictureFile = "pictures/Position.bmp";
    options.builtinPicture = PagePicture::Position;
    options.refocusEvent = PositionRefocusEvent;
    options.drawBuiltinPicture = &PositionPage::drawPicture;
    return options;
}

}  // namespace

PositionPage::PositionPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits)
    : DrivePage(notebook, drive, limits, positionOptions()) {
    const std::vector<wxWindow*> readouts = buildControls(readoutRows());
    wxFont smaller = GetFont();
    smaller.SetPointSize(std::max(1, smaller.GetPointSize() - 1));
    for (size_t i = 0; i < readouts.size(); ++i) {
        if (readoutRows()[i].listed) continue;
        auto* display = static_cast<RegisterDisplay*>(readouts[i]);
        display->SetFont(smaller);
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

    symbols_[0] = loopSymbol(LoopSymbol::Running);
    symbols_[1] = loopSymbol(LoopSymbol::Open);
    symbols_[2] = loopSymbol(LoopSymbol::LimitMark);
    symbols_[3] = loopSymbol(LoopSymbol::CommandPath);

    Bind(CalcValueEvent, &PositionPage::onCalcValue, this);
    restoreFocus();
}

bool PositionPage::readSpeedScale() {
    DriveRegisterAccess access(drive());
    uint16_t scale = 0;
    if (access.read16(kSpeedScaleReg, &scale) != 0) return false;
    state_.speedScale = scale;
    return true;
}

bool PositionPage::readFromDrive(bool onlyIfShown) {
    state_.positionScale = 0;
    state_.positionOffset = 0;
    if (!readSpeedScale()) return false;
    DriveRegisterAccess access(drive());
    uint32_t value = 0;
    if (firmwareVersion.load() > 101) {
        if (access.read32(kPositionScaleReg, &value) != 0) return false;
        state_.positionScale = static_cast<int32_t>(value);
    }
    if (firmwareVersion.load() > 103) {
        if (access.read32(kPositionOffsetReg, &value) != 0) return false;
        state_.positionOffset = static_cast<int32_t>(value);
    }
    if (!cyclicUpdate(onlyIfShown)) return false;
    return refreshPositionEdits(onlyIfShown);
}

bool PositionPage::cyclicUpdate(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive() || !drive()->isConnected()) return false;
    for (RegisterDisplay* display : displayList())
        if (!display->refreshRegisterDisplay()) return false;
    if (!showScaledPositions() || !updateCalcValue()) return false;
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
    DriveRegisterAccess access(drive());
    bool changed = false;
    if (!torvex::updatePositionLimitFlags(access, state_, &changed)) return false;
    if (changed) requestRepaint();
    return true;
}

bool PositionPage::refreshPositionEdits(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive() || !drive()->isConnected()) return false;
    wxBusyCursor busy;
    for (RegisterEdit* field : editList()) {
        if (field == speedTo_ || field == speedFrom_) {
            readSpeedField(field, state_.speedScale.load());
        } else if (field == offset_) {
            readPositionField(field, state_.positionScale.load());
        } else if (!field->refreshRegisterEdit()) {
            return false;
        }
    }
    return true;
}

void PositionPage::onRegisterChanged(int reg, const wxString& text) {
    // Every field of the register follows: a whole-register field takes the text, a
    // half field reads its own half again (the text speaks for the other half or both).
    for (RegisterEdit* field : editList()) {
        if (field->registerNumber() != reg) continue;
        if (field->part() != 0)
            field->refreshRegisterEdit();
        else
            field->SetValue(text);
    }
    if (reg == kSpeedRpmMax || reg == kMotorRpmMax) {
        // A new maximum speed changes what every raw speed stands for.
        if (readSpeedScale()) {
            readSpeedField(speedTo_, state_.speedScale.load());
            readSpeedField(speedFrom_, state_.speedScale.load());
        }
        return;
    }
    if (reg == kPositionScaleReg) {
        if (auto scale = positionRegisterFromText(text.utf8_string())) {
            state_.positionScale = *scale;
            readPositionField(offset_, *scale);
        }
        return;
    }
    if (reg == kPositionOffsetReg) {
        if (auto offset = positionRegisterFromText(text.utf8_string())) state_.positionOffset = *offset;
    }
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

void PositionPage::requestRepaint() {
    ++repaints_;
    // Asked from the polling thread: the window is touched on the GUI thread only.
    CallAfter([this] { Refresh(false); });
}

void PositionPage::paintSymbols(wxDC& dc) const {
    if (state_.allBitLabelsActive.load())
        dc.DrawBitmap(symbols_[0], 362, 126, false);
    else
        dc.DrawBitmap(symbols_[1], 375, 99, false);
    dc.DrawBitmap(symbols_[3], 158, 224, false);
    if (!state_.statusBit13Set.load()) dc.DrawBitmap(symbols_[2], 32, 163, false);
    if (!state_.statusBit12Set.load()) dc.DrawBitmap(symbols_[2], 559, 575, false);
}

void PositionPage::paintPage(wxDC& dc) { paintSymbols(dc); }

wxBitmap PositionPage::paintedPicture() const {
    wxBitmap picture(backgroundPicture().GetWidth(), backgroundPicture().GetHeight(), 24);
    wxMemoryDC dc(picture);
    dc.DrawBitmap(backgroundPicture(), 0, 0, false);
    paintSymbols(dc);
    dc.SelectObject(wxNullBitmap);
    return picture;
}

}  // namespace torvex
