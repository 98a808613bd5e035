// The Settings page's operations: reading everything, the cyclic update, the online
// state of its buttons, registers changed elsewhere, the scaled fields, the current and
// servo-type read-outs, the EEPROM parameter sets and the page's buttons.
#include "pages/settings/settings_page.h"

#include <wx/button.h>
#include <wx/utils.h>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "pages/settings/settings_mail.h"
#include "services/register_printout.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "widgets/events.h"
#include "widgets/register_access.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"
#include "widgets/register_text_edit.h"
#include "widgets/scaled_fields.h"

namespace torvex {

namespace {

wxString tx(const char* key) { return wxGetTranslation(wxString::FromUTF8(key)); }

void errorBox(const wxString& text) { ui::messageBox(text, tx(kCaptionError), wxOK | wxICON_ERROR); }

bool isSpeedField(const RegisterEdit* field) {
    return field->registerNumber() == settings::kRegSpeedTo || field->registerNumber() == settings::kRegSpeedFrom;
}

bool isPositionField(const RegisterEdit* field) {
    return field->registerNumber() == settings::kRegReferenceOffset;
}

}  // namespace

bool SettingsPage::driveUsable() const { return drive() && drive()->isConnected(); }

// ---- Reading -------------------------------------------------------------------------------

bool SettingsPage::readFromDrive(bool onlyIfShown) {
    // The scales are taken only once all of them were read: when a read fails half-way the
    // fields keep showing, and an entry keeps meaning, the units they were shown in.
    DriveRegisterAccess access(drive());
    uint32_t positionScale = 0;
    if (firmwareVersion.load() > 101 && access.read32(settings::kRegPositionScale, &positionScale) != 0) return false;
    uint16_t speedScale = 0;
    uint16_t deviceCurrent = 0;
    if (access.read16(settings::kRegSpeedScale, &speedScale) != 0) return false;
    if (access.read16(settings::kRegDeviceCurrent, &deviceCurrent) != 0) return false;
    positionScale_ = static_cast<int32_t>(positionScale);
    speedScale_ = speedScale;
    deviceCurrent_ = deviceCurrent;
    showKernOptionBits();
    if (!readServoType() || !readServoCommand()) return false;
    for (const SettingsChoice& choice : choices_)
        if (!readChoice(choice)) return false;
    if (!cyclicUpdate(onlyIfShown)) return false;
    return readSettingsFields(onlyIfShown);
}

bool SettingsPage::readSettingsFields(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!driveUsable()) return false;
    wxBusyCursor busy;
    for (RegisterEdit* field : editList()) {
        if (isSpeedField(field)) {
            readSpeedField(field, speedScale_);
        } else if (isPositionField(field)) {
            readPositionField(field, positionScale_);
        } else if (!field->refreshRegisterEdit()) {
            return false;
        }
    }
    if (!axisNameEdit->refreshRegisterTextEdit()) return false;
    showImaxCurrent();
    showIcontCurrent();
    return true;
}

bool SettingsPage::cyclicUpdate(bool onlyIfShown) {
    // The polling thread: registers and posted events only.
    if (onlyIfShown && !isPageShown()) return true;
    for (RegisterDisplay* display : displayList())
        if (!display->refreshRegisterDisplay()) return false;
    int bit = 0;
    if (driveUsable()) {
        DriveRegisterAccess access(drive());
        uint32_t status = 0;
        if (readByWidth(access, settings::kRegStatus, &status) != 0) return false;
        bit = status & 1u;
    }
    postProgramEvent(this, SettingsStatusEvent, bit, wxString::Format("%d", gate_.generation()));
    return true;
}

void SettingsPage::onSettingsStatus(wxCommandEvent& event) {
    long generation = gate_.generation();
    // A report without a generation counts as current.
    if (!event.GetString().empty() && !event.GetString().ToLong(&generation)) return;
    if (gate_.takeStatus(static_cast<int>(generation), event.GetInt() != 0)) applyButtonStates();
}

bool SettingsPage::readServoType() {
    DriveRegisterAccess access(drive());
    uint32_t value = 0;
    if (access.read32(settings::kRegServoType, &value) != 0) {
        servoTypeDisplay->SetLabel("error");
        return false;
    }
    const wxString key = wxString::FromUTF8(settings::servoTypeKey(value));
    const wxString text = wxGetTranslation(key);
    servoTypeDisplay->SetLabel(text == key ? wxString("unknown") : text);
    return true;
}

namespace {
// A field without a value (a write the drive did not confirm) leaves no current either: the
// one shown came from the value before.
void showCurrent(RegisterDisplay* readout, const RegisterEdit* field, int deviceCurrent, double factor) {
    const std::string value = field->GetValue().utf8_string();
    if (value.empty()) {
        readout->SetLabel(wxString());
    } else if (auto text = settings::currentReadout(deviceCurrent, value, factor)) {
        readout->SetLabel(wxString::FromUTF8(*text));
    }
}
}  // namespace

void SettingsPage::showImaxCurrent() {
    showCurrent(imaxDisplay, imaxField, deviceCurrent_, settings::kImaxCurrentFactor);
}

void SettingsPage::showIcontCurrent() {
    showCurrent(icontDisplay, icontField, deviceCurrent_, settings::kIcontCurrentFactor);
}

// ---- Online state and buttons ---------------------------------------------------------------

void SettingsPage::setOnline(bool online) {
    if (online) showKernOptionBits();
    gate_.setAllowed(online && drive() && !drive()->isOfflineImage());
    applyButtonStates();
}

void SettingsPage::enableSettingsButtons(bool enable) {
    gate_.setHeld(!enable);
    applyButtonStates();
}

void SettingsPage::applyButtonStates() {
    const bool page = gate_.pageButtonsEnabled();
    const bool sets = gate_.setButtonsEnabled();
    for (wxButton* button : setButtons_) button->Enable(sets);
    for (wxButton* button : {saveButton, printButton, upButton(), downButton()})
        if (button) button->Enable(page);
    mailButton->Enable(gate_.mailEnabled(mailAvailable_));
}

bool SettingsPage::handleButton(wxCommandEvent& event) {
    wxObject* source = event.GetEventObject();
    for (const OptionBitPair& pair : optionPairs_) {
        if (source == pair.forOne) {
            writeRegisterBit(settings::kRegKernOptions, pair.bit, true, pair.forOne, pair.forZero);
            return true;
        }
        if (source == pair.forZero) {
            writeRegisterBit(settings::kRegKernOptions, pair.bit, false, pair.forZero, pair.forOne);
            return true;
        }
    }
    const wxButton* loads[] = {read0Button, read1Button, read2Button};
    const wxButton* stores[] = {write0Button, write1Button, write2Button};
    for (int set = 0; set < 3; ++set) {
        if (source == loads[set]) {
            loadParameterSet(set);
            return true;
        }
        if (source == stores[set]) {
            saveParameterSet(set);
            return true;
        }
    }
    if (source == printButton || source == saveButton || source == loadButton) {
        if (!driveUsable()) {
            errorBox(tx("Drive is offline!"));
            return true;
        }
        if (source == printButton) {
            enableSettingsButtons(false);
            printRegisters(this, drive(), false);
            enableSettingsButtons(true);
        } else {
            sendProgramEventToParent(this, source == saveButton ? SaveRegistersEvent : LoadRegistersEvent,
                                     source == saveButton ? 1 : 0);
        }
        return true;
    }
    if (source == mailButton) {
        mailSettings(this, drive());
        return true;
    }
    return false;
}

bool SettingsPage::loadParameterSet(int set) { return runParameterSet(set, true); }
bool SettingsPage::saveParameterSet(int set) { return runParameterSet(set, false); }

bool SettingsPage::runParameterSet(int set, bool load) {
    if (!driveUsable()) {
        errorBox(tx("Drive is offline!"));
        return false;
    }
    enableSettingsButtons(false);
    uint32_t result;
    {
        // The drive works on its EEPROM with the link held, and the window with it: a click
        // on another set meanwhile must not be carried out once the buttons work again.
        WindowHold hold;
        result = drive()->write16bitRegisterAndSleep(load ? kRegParaRead : kRegParaWrite,
                                                     static_cast<uint16_t>(set), 2000);
        if (result == 0 && load) sendProgramEventToParent(this, ReadAllEvent);
    }
    enableSettingsButtons(true);
    if (result != 0) {
        errorBox(tx(load ? "Fehler beim Lesen vom EEprom (Kommando FUN_PARAREAD)!"
                         : "Fehler beim Speichern ins EEprom (Kommando FUN_PARAWRITE)!"));
        return false;
    }
    return true;
}

// ---- Fields -------------------------------------------------------------------------------

bool SettingsPage::commitField(RegisterEdit* field) {
    if (isSpeedField(field)) return commitSpeedField(field, speedScale_);
    if (isPositionField(field)) return commitPositionField(field, positionScale_);
    return DrivePage::commitField(field);
}

bool SettingsPage::stepField(RegisterEdit* field, long delta) {
    if (isSpeedField(field)) return stepSpeedField(field, speedScale_, delta);
    if (isPositionField(field)) return stepPositionField(field, positionScale_, delta);
    return DrivePage::stepField(field, delta);
}

void SettingsPage::afterCommit(RegisterEdit* field) {
    if (field == imaxField) showImaxCurrent();
    if (field == icontField) showIcontCurrent();
}

FieldKind SettingsPage::fieldKind(const RegisterEdit* field) const {
    if (isSpeedField(field)) return FieldKind::Speed;
    if (isPositionField(field)) return FieldKind::Position;
    return FieldKind::Plain;
}

bool SettingsPage::rereadField(RegisterEdit* field) {
    if (isSpeedField(field)) return rereadSpeedField(field, speedScale_);
    if (isPositionField(field)) return rereadPositionField(field, positionScale_);
    return DrivePage::rereadField(field);
}

void SettingsPage::onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender) {
    followRegisterChange(reg, text, sender);
    // Further re-reads: never with a box (the change had its own), never without a usable
    // drive, and, but for the speed scale, not after a write that was not confirmed.
    const bool reread = driveUsable() && !text.empty();
    if (reg == static_cast<int>(kRegAxisName)) {
        if (reread) axisNameEdit->rereadRegisterTextEdit();
    } else if (reg == settings::kRegPositionScale) {
        if (auto scale = positionRegisterFromText(text.utf8_string())) {
            positionScale_ = *scale;
            if (reread) rereadPositionField(referenceOffsetField, positionScale_);
        }
    } else if (std::optional<int> scale = speedScaleAfterChange(reg)) {
        // Whatever the text: a write of the maximum speed whose read-back failed may still
        // have changed what raw 32767 stands for. The speed fields show rpm of it.
        speedScale_ = *scale;
        rereadSpeedField(speedToField, speedScale_);
        rereadSpeedField(speedFromField, speedScale_);
    }
}

}  // namespace torvex
