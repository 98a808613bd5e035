// The Settings page: the drive's motor, feedback, servo, command-input and controller
// settings as register fields over the page picture, with painted captions, the choice
// boxes of bit fields, the option-bit button pairs of the kernel options, the three
// parameter sets of the drive's EEPROM, and the register-set buttons.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include <wx/colour.h>

#include "link/connection.h"
#include "link/limits.h"
#include "pages/drive_page.h"
#include "pages/settings/settings_logic.h"

class wxButton;
class wxCheckBox;
class wxComboBox;

namespace torvex {

class RegisterDisplay;

// One choice box bound to a bit field of a register.
struct SettingsChoice {
    wxComboBox* box = nullptr;
    int reg = 0;
    int width = 16;
    uint32_t mask = 0;    // 0: the whole value
    const char* nothingSelectedKey = nullptr;
};

// One option-bit pair of the kernel options: the button writing 1 and the one writing 0.
struct OptionBitPair {
    int bit = 0;
    wxButton* forOne = nullptr;
    wxButton* forZero = nullptr;
};

class SettingsPage : public DrivePage {
public:
    SettingsPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // The page interface of the frame.
    bool readFromDrive(bool onlyIfShown);
    // Runs on the polling thread: reads registers and posts, touches no window.
    bool cyclicUpdate(bool onlyIfShown);
    void setOnline(bool online);
    void onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender = std::nullopt);
    void reloadRegisterChoices();

    bool readSettingsFields(bool onlyIfShown);
    bool readServoType();
    void showImaxCurrent();
    void showIcontCurrent();
    void enableSettingsButtons(bool enable);
    bool loadParameterSet(int set);
    bool saveParameterSet(int set);

    // Choices and option bits.
    bool readChoice(const SettingsChoice& choice);
    bool writeChoice(const SettingsChoice& choice);
    bool readServoCommand();
    // Writes the field of changed (one of the three command boxes) into the drive's value.
    bool writeServoCommand(const wxComboBox* changed);
    void writeRegisterBit(int reg, int bit, bool value, wxButton* pressed, wxButton* other);
    void showRegisterBit(int reg, int bit, wxButton* buttonForOne, wxButton* buttonForZero);
    void showKernOptionBits();

    // The pressed button of a pair shows green, its partner white.
    static const wxColour& pressedColour();
    static const wxColour& releasedColour();
    bool isPressed(const wxButton* button) const;

    int speedScale() const { return speedScale_; }
    int deviceCurrent() const { return deviceCurrent_; }
    int32_t positionScale() const { return positionScale_; }
    bool hasMail() const { return mailAvailable_; }

    // Controls, for the frame's tests and for those who drive the page as a person would.
    RegisterEdit* motorSpeedNomField = nullptr;
    RegisterEdit* imaxField = nullptr;
    RegisterEdit* icontField = nullptr;
    RegisterEdit* speedToField = nullptr;
    RegisterEdit* speedFromField = nullptr;
    RegisterEdit* referenceOffsetField = nullptr;
    RegisterDisplay* servoTypeDisplay = nullptr;
    RegisterDisplay* imaxDisplay = nullptr;
    RegisterDisplay* icontDisplay = nullptr;
    RegisterTextEdit* axisNameEdit = nullptr;

    wxComboBox* motorTypeChoice = nullptr;
    wxComboBox* motorFeedbackChoice = nullptr;
    wxComboBox* motorFeedback2Choice = nullptr;
    wxComboBox* incOutFactorChoice = nullptr;
    wxComboBox* clockFrequencyChoice = nullptr;
    wxComboBox* analogOutChoice = nullptr;
    wxComboBox* servoCommandChoice = nullptr;
    wxComboBox* ain1FormatChoice = nullptr;
    wxComboBox* ain1ModeChoice = nullptr;
    wxComboBox* ain2FormatChoice = nullptr;
    wxComboBox* ain2ModeChoice = nullptr;
    wxComboBox* currentShape1Choice = nullptr;
    wxComboBox* currentShape2Choice = nullptr;

    wxButton* directionCwButton = nullptr;
    wxButton* directionCcwButton = nullptr;
    wxButton* brakeOnButton = nullptr;
    wxButton* brakeOffButton = nullptr;
    wxButton* coastStopOnButton = nullptr;
    wxButton* coastStopOffButton = nullptr;
    wxButton* mainsAcButton = nullptr;
    wxButton* mainsDcButton = nullptr;
    wxButton* zwMonitorDigitalButton = nullptr;
    wxButton* zwMonitorAnalogButton = nullptr;
    wxButton* regenIntButton = nullptr;
    wxButton* regenExtButton = nullptr;
    wxButton* btbPowerWithButton = nullptr;
    wxButton* btbPowerWithoutButton = nullptr;
    wxButton* decRampAccButton = nullptr;
    wxButton* decRampLimButton = nullptr;
    wxButton* loadButton = nullptr;
    wxButton* saveButton = nullptr;
    wxButton* printButton = nullptr;
    wxButton* mailButton = nullptr;
    wxButton* read0Button = nullptr;
    wxButton* write0Button = nullptr;
    wxButton* read1Button = nullptr;
    wxButton* write1Button = nullptr;
    wxButton* read2Button = nullptr;
    wxButton* write2Button = nullptr;
    wxCheckBox* rampSelectCheck = nullptr;
    wxCheckBox* sFormCheck = nullptr;

    const std::vector<SettingsChoice>& choices() const { return choices_; }
    const std::vector<OptionBitPair>& optionPairs() const { return optionPairs_; }

protected:
    bool commitField(RegisterEdit* field) override;
    void afterCommit(RegisterEdit* field) override;
    void afterStep(RegisterEdit* field) override { afterCommit(field); }
    bool stepField(RegisterEdit* field, long delta) override;
    FieldKind fieldKind(const RegisterEdit* field) const override;
    bool rereadField(RegisterEdit* field) override;
    bool handleButton(wxCommandEvent& event) override;
    void paintPage(wxDC& dc) override;

private:
    void buildPage();
    void onCombo(wxCommandEvent& event);
    void onSettingsStatus(wxCommandEvent& event);
    void applyButtonStates();
    void colourPair(wxButton* pressed, wxButton* other);
    void sendDigitalSpeed();
    const SettingsChoice* choiceOf(const wxObject* box) const;
    bool runParameterSet(int set, bool load);
    bool driveUsable() const;

    bool mailAvailable_ = false;
    int speedScale_ = 0;
    int deviceCurrent_ = 0;
    int32_t positionScale_ = 0;
    std::vector<SettingsChoice> choices_;
    std::vector<OptionBitPair> optionPairs_;
    std::vector<wxButton*> pressed_;
    std::vector<wxButton*> setButtons_;   // Load and the six parameter-set buttons
    settings::SettingsButtonGate gate_;
    // The painted texts as shown (translated) and where each stands, found at the first
    // paint: a field that changes repaints the page beneath it, and only the texts there
    // are drawn again.
    std::vector<std::pair<wxString, wxRect>> paintedTexts_;
};

// The page's built-in picture: its blocks with their headings, so that the page reads
// without the picture file.
wxBitmap drawSettingsPicture();

}  // namespace torvex
