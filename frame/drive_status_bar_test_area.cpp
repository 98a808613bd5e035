// The drive status panel's test area (speed and position commands written straight to the
// drive, clearing errors) and the register changes the panel follows.
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>

#include <optional>

#include "frame/drive_status_bar.h"
#include "frame/drive_status_bar_logic.h"
#include "services/catalogue.h"
#include "services/ui_seam.h"
#include "widgets/events.h"
#include "widgets/percent_gauge.h"
#include "widgets/scaled_fields.h"

namespace torvex {

namespace {

constexpr uint32_t kRegSpeedCommand = 0x31;
constexpr uint32_t kRegSpeedLimit = 0x34;
constexpr uint32_t kRegMotorRpmMax = 0x59;
constexpr uint32_t kRegPositionDest = 0x6E;
constexpr uint32_t kRegReferenceStart = 0x78;
constexpr uint32_t kRegPositionPreset = 0x7A;
constexpr uint32_t kRegPositionScale = 0x7C;
constexpr uint32_t kRegPositionOffset = 0x7D;
constexpr uint32_t kRegErrorCancel = 0x8E;
constexpr uint32_t kRegSpeedRpmMax = 0xC8;
constexpr uint32_t kRegSpeedMax = 0xCE;

wxString tr(const char* key) { return translate(wxString::FromUTF8(key)); }

void showError(const wxString& text) { ui::messageBox(text, tr("Error"), wxOK | wxICON_ERROR); }

}  // namespace

void DriveStatusBar::onRegisterChanged(int reg, const wxString& text) {
    long long value = 0;
    switch (reg) {
        case kRegSpeedRpmMax:
        case kRegMotorRpmMax:
            // A failed read keeps the scale the panel had.
            if (drive_ && drive_->isConnected() && readValue(kRegSpeedMax, &value)) speedMax_ = static_cast<int>(value);
            break;
        case kRegSpeedLimit:
            // That page shows the limit in percent.
            if (status::parseWholeNumber(text, &value))
                speedGauge_->setGaugePercent(value < -1000 || value > 1000 ? -1 : static_cast<int>(value));
            break;
        case kRegPositionScale:
        case kRegPositionOffset:
            // Read as the pages that post it read it: the raw register value.
            if (const std::optional<int32_t> raw = positionRegisterFromText(text.ToStdString()))
                (reg == kRegPositionScale ? positionScale_ : positionOffset_) = *raw;
            break;
        default:
            break;
    }
}

void DriveStatusBar::onTestUnits(wxCommandEvent& event) {
    if (event.GetEventObject() != testUnitsCheck_) {
        event.Skip();
        return;
    }
    switchTestUnits(testUnitsCheck_->GetValue());
}

void DriveStatusBar::switchTestUnits(bool on) {
    long long speed = 0;
    if (!status::parseWholeNumber(testSpeedField_->GetValue(), &speed)) return;
    const int speedMax = speedMax_.load();
    long long converted = 0;
    // Without a maximum speed there is no rpm scale: the text stays as it is.
    if (on ? status::speedToUser(speed, speedMax, &converted) : status::speedToRaw(speed, speedMax, &converted))
        testSpeedField_->ChangeValue(wxString::Format("%lld", converted));

    const int32_t scale = positionScale_.load();
    const int32_t offset = positionOffset_.load();
    if (on) {
        long long raw = 0;
        if (status::parseWholeNumber(testPositionField_->GetValue(), &raw))
            testPositionField_->ChangeValue(status::positionToUser(raw, scale, offset));
    } else {
        double user = 0;
        long long raw = 0;
        if (status::parseDecimal(testPositionField_->GetValue(), &user) &&
            status::positionToRaw(user, scale, offset, &raw))
            testPositionField_->ChangeValue(wxString::Format("%lld", raw));
    }
}

void DriveStatusBar::onTestButton(wxCommandEvent& event) {
    if (!drive_ || !drive_->isConnected()) {
        showError(tr("Drive is not online!"));
        event.Skip();
        return;
    }
    // A running step-response test stops before any command reaches the drive.
    sendProgramEventToParent(this, StopStepTestEvent);
    wxObject* source = event.GetEventObject();
    const bool known = source == testPlusButton_ || source == testMinusButton_ || source == testStopButton_ ||
                       source == testDestButton_ || source == testPresetButton_ || source == testCalibButton_ ||
                       source == clearErrorsButton_;
    if (!known) {
        event.Skip();
        return;
    }
    runTestButton(source);
}

void DriveStatusBar::runTestButton(wxObject* source) {
    uint32_t reg = 0;
    uint32_t value = 0;
    const bool unitsOn = testUnitsCheck_->GetValue();
    if (source == testPlusButton_ || source == testMinusButton_) {
        const status::TestCommand command =
            status::speedCommand(testSpeedField_->GetValue(), unitsOn, speedMax_.load(), source == testMinusButton_);
        if (!command.ok) {
            showError(command.message);
            return;
        }
        reg = kRegSpeedCommand;
        value = command.value;
    } else if (source == testStopButton_) {
        reg = kRegSpeedCommand;
    } else if (source == testDestButton_ || source == testPresetButton_) {
        reg = source == testDestButton_ ? kRegPositionDest : kRegPositionPreset;
        const status::TestCommand command = status::positionCommand(
            testPositionField_->GetValue(), unitsOn, positionScale_.load(), positionOffset_.load(), reg);
        if (!command.ok) {
            showError(command.message);
            return;
        }
        value = command.value;
    } else if (source == testCalibButton_) {
        reg = kRegReferenceStart;
    } else {
        reg = kRegErrorCancel;
        value = 0xFFFF;
    }
    if (!writeValue(reg, value)) {
        wxString text = tr("Fehler beim Beschreiben des Registers 0x%x!");
        text.Replace("%x", wxString::Format("%x", reg), false);
        showError(text);
    }
}

}  // namespace torvex
