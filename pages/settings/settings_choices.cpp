// The Settings page's choice boxes (bit fields of registers, the command source) and the
// option-bit button pairs of the kernel options.
#include <algorithm>

#include <wx/button.h>
#include <wx/combobox.h>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "pages/settings/settings_page.h"
#include "services/ui_seam.h"
#include "widgets/events.h"
#include "widgets/field_logic.h"
#include "widgets/register_access.h"
#include "widgets/register_choice.h"

namespace torvex {

namespace {

wxString tx(const char* key) { return wxGetTranslation(wxString::FromUTF8(key)); }

void errorBox(const wxString& text) { ui::messageBox(text, tx(kCaptionError), wxOK | wxICON_ERROR); }

wxString registerMessage(const char* key, int reg) {
    return wxString::FromUTF8(strprintfRuntime(tr(key), static_cast<unsigned>(reg)));
}

long selectedData(wxComboBox* box) {
    return static_cast<long>(reinterpret_cast<intptr_t>(box->GetClientData(static_cast<unsigned>(box->GetSelection()))));
}

// Selects the item standing for value; a value no item stands for leaves the box as it is.
bool selectByData(wxComboBox* box, long value) {
    int index = findChoiceByClientData(box, value);
    if (index < 0) return false;
    box->SetSelection(index);
    return true;
}

uint32_t writeByWidth(RegisterAccess& access, int reg, uint32_t value) {
    if (is32bitRegister(static_cast<uint32_t>(reg))) return access.write32(static_cast<uint32_t>(reg), value);
    return access.write16(static_cast<uint32_t>(reg), static_cast<uint16_t>(value));
}

}  // namespace

const wxColour& SettingsPage::pressedColour() {
    static const wxColour green(0, 255, 0);
    return green;
}

const wxColour& SettingsPage::releasedColour() {
    static const wxColour white(255, 255, 255);
    return white;
}

bool SettingsPage::isPressed(const wxButton* button) const {
    return std::find(pressed_.begin(), pressed_.end(), button) != pressed_.end();
}

void SettingsPage::colourPair(wxButton* pressed, wxButton* other) {
    pressed->SetBackgroundColour(pressedColour());
    other->SetBackgroundColour(releasedColour());
    std::erase(pressed_, other);
    if (!isPressed(pressed)) pressed_.push_back(pressed);
}

const SettingsChoice* SettingsPage::choiceOf(const wxObject* box) const {
    for (const SettingsChoice& choice : choices_)
        if (choice.box == box) return &choice;
    return nullptr;
}

bool SettingsPage::readChoice(const SettingsChoice& choice) {
    DriveRegisterAccess access(drive());
    uint32_t value = 0;
    if (readByWidth(access, choice.reg, &value) != 0) return false;
    selectByData(choice.box, static_cast<long>(choice.mask ? (value & choice.mask) : value));
    return true;
}

bool SettingsPage::writeChoice(const SettingsChoice& choice) {
    if (choice.box->GetSelection() == wxNOT_FOUND) {
        errorBox(tx(choice.nothingSelectedKey));
        return true;
    }
    DriveRegisterAccess access(drive());
    uint32_t value = static_cast<uint32_t>(selectedData(choice.box));
    if (choice.mask != 0) {
        uint32_t old = 0;
        if (readByWidth(access, choice.reg, &old) != 0) return false;
        value = settings::mergeChoiceBits(old, choice.mask, value);
    }
    if (writeByWidth(access, choice.reg, value) != 0) {
        errorBox(registerMessage(kMsgWriteFailed, choice.reg));
        return false;
    }
    return true;
}

bool SettingsPage::readServoCommand() {
    DriveRegisterAccess access(drive());
    uint16_t value = 0;
    if (access.read16(settings::kRegCommandSource, &value) != 0) return false;
    settings::ServoCommandItems items = settings::unpackServoCommand(value);
    if (selectByData(servoCommandChoice, items.command)) sendDigitalSpeed();
    selectByData(ain1FormatChoice, items.format1);
    selectByData(ain2FormatChoice, items.format2);
    return true;
}

bool SettingsPage::writeServoCommand(const wxComboBox* changed) {
    const std::pair<wxComboBox*, const char*> needed[] = {
        {servoCommandChoice, "Nothing selected in Servo command!"},
        {ain1FormatChoice, "Nothing selected in Servo command Format Ain1!"},
        {ain2FormatChoice, "Nothing selected in Servo command Format Ain2!"},
    };
    for (const auto& [box, message] : needed) {
        if (box->GetSelection() == wxNOT_FOUND) {
            errorBox(tx(message));
            return true;
        }
    }
    DriveRegisterAccess access(drive());
    uint16_t old = 0;
    if (access.read16(settings::kRegCommandSource, &old) != 0) return false;
    // Only the field of the box the user changed is written. The other two keep the drive's
    // bits: a box may show a choice that is not the drive's (a pattern it has no item for
    // leaves it as it was), and that choice must not reach the drive unasked.
    settings::ServoCommandItems items = settings::unpackServoCommand(old);
    if (changed == servoCommandChoice) items.command = selectedData(servoCommandChoice);
    if (changed == ain1FormatChoice) items.format1 = selectedData(ain1FormatChoice);
    if (changed == ain2FormatChoice) items.format2 = selectedData(ain2FormatChoice);
    if (access.write16(settings::kRegCommandSource, settings::packServoCommand(old, items)) != 0) {
        errorBox(registerMessage(kMsgWriteFailed, settings::kRegCommandSource));
        return false;
    }
    return readServoCommand();
}

void SettingsPage::sendDigitalSpeed() {
    const int digital = servoCommandChoice->GetValue() == tx("Digital Speed") ? 1 : 0;
    sendProgramEventToParent(this, DigitalSpeedEvent, digital);
}

void SettingsPage::onCombo(wxCommandEvent& event) {
    wxObject* source = event.GetEventObject();
    if (source == servoCommandChoice) {
        sendDigitalSpeed();
        if (driveUsable()) writeServoCommand(servoCommandChoice);
        Refresh(false);
        return;
    }
    if (source == ain1FormatChoice || source == ain2FormatChoice) {
        if (driveUsable()) writeServoCommand(source == ain1FormatChoice ? ain1FormatChoice : ain2FormatChoice);
        return;
    }
    if (const SettingsChoice* choice = choiceOf(source)) {
        if (driveUsable()) writeChoice(*choice);
        return;
    }
    event.Skip();
}

void SettingsPage::writeRegisterBit(int reg, int bit, bool value, wxButton* pressed, wxButton* other) {
    if (!driveUsable()) return;
    DriveRegisterAccess access(drive());
    uint32_t current = 0;
    if (readByWidth(access, reg, &current) != 0) {
        errorBox(registerMessage(kMsgReadFailed, reg));
        return;
    }
    const uint32_t mask = 1u << bit;
    const uint32_t next = value ? (current | mask) : (current & ~mask);
    if (writeByWidth(access, reg, next) != 0) {
        errorBox(registerMessage(kMsgWriteFailed, reg));
        return;
    }
    colourPair(pressed, other);
}

void SettingsPage::showRegisterBit(int reg, int bit, wxButton* buttonForOne, wxButton* buttonForZero) {
    if (!driveUsable()) return;
    DriveRegisterAccess access(drive());
    uint32_t value = 0;
    if (readByWidth(access, reg, &value) != 0) {
        errorBox(registerMessage(kMsgReadFailed, reg));
        return;
    }
    if ((value >> bit) & 1u) {
        colourPair(buttonForOne, buttonForZero);
    } else {
        colourPair(buttonForZero, buttonForOne);
    }
}

void SettingsPage::showKernOptionBits() {
    for (const OptionBitPair& pair : optionPairs_)
        showRegisterBit(settings::kRegKernOptions, pair.bit, pair.forOne, pair.forZero);
}

void SettingsPage::reloadRegisterChoices() {
    analogOutChoice->Clear();
    initRegisterChoice(analogOutChoice);
    analogOutChoice->SetValue(tx("--Off--"));
    analogOutChoice->SetSelection(0);
    for (const SettingsChoice& choice : choices_)
        if (choice.box == analogOutChoice) readChoice(choice);
}

}  // namespace torvex
