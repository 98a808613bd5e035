// The narrow panel at the left of the main frame: the drive's speed, current, status
// and in/out bits, warnings, errors and a small test area, whatever page is selected.
// Its code spans drive_status_bar.cpp (layout and read-outs), drive_status_bar_test_area.cpp
// (the test area), drive_status_bar_readers.* (what the watching thread reads),
// drive_status_bar_logic.* (texts, checks and conversions without a window) and
// drive_status_bar_copies.* (what is copied from the errors field).
#pragma once

#include <atomic>
#include <memory>

#include <wx/bitmap.h>
#include <wx/panel.h>

#include "frame/drive_status_bar_readers.h"
#include "link/connection.h"

class wxButton;
class wxCheckBox;
class wxStaticText;
class wxTextCtrl;

namespace torvex {

class BitmapLabelSizer;
class PercentGauge;

class DriveStatusBar : public wxPanel {
public:
    DriveStatusBar(wxWindow* parent, const wxSize& size, DriveConnection* drive);
    ~DriveStatusBar() override;

    // Reads the panel's scaling registers, then the status (read-all, GUI thread).
    bool pollDriveStatus(int failureCount);
    // Reads the status registers and posts them to the panel (watching thread).
    bool updateDriveStatus(int failureCount);
    bool postErrorWord(int failureCount) { return readers_.postErrorWord(failureCount); }
    bool postWarningWord() { return readers_.postWarningWord(); }
    bool postIoBits() { return readers_.postIoBits(); }
    bool postStatusBits() { return readers_.postStatusBits(); }
    bool postSpeedRegister() { return readers_.postSpeedRegister(); }
    bool postCurrentValue() { return readers_.postCurrentValue(); }

    // The panel's part in going online and offline: the test controls follow, readings of
    // the earlier link are dropped, and offline the panel shows no drive.
    void enableTestControls(bool enable);
    void onRegisterChanged(int reg, const wxString& text);

    // Handlers (GUI thread).
    void onErrorWord(wxCommandEvent& event);
    void onWarningWord(wxCommandEvent& event);
    void onIoBits(wxCommandEvent& event);
    void onStatusBits(wxCommandEvent& event);
    void onSpeedRegister(wxCommandEvent& event);
    void onCurrentValue(wxCommandEvent& event);
    void onTestUnits(wxCommandEvent& event);
    void onTestButton(wxCommandEvent& event);

    // What the panel holds and shows.
    int speedMax() const { return speedMax_.load(); }
    int32_t positionScale() const { return positionScale_.load(); }
    int32_t positionOffset() const { return positionOffset_.load(); }
    wxStaticText* speedText() const { return speedText_; }
    wxStaticText* speedRawText() const { return speedRawText_; }
    PercentGauge* speedGauge() const { return speedGauge_; }
    wxStaticText* currentText() const { return currentText_; }
    wxStaticText* currentRawText() const { return currentRawText_; }
    PercentGauge* currentGauge() const { return currentGauge_; }
    BitmapLabelSizer* statusLamp(int bit) const { return statusLamps_[bit]; }
    BitmapLabelSizer* ioLamp(int bit) const { return ioLamps_[bit]; }
    wxTextCtrl* warningsField() const { return warningsField_; }
    wxTextCtrl* errorsField() const { return errorsField_; }
    wxButton* clearErrorsButton() const { return clearErrorsButton_; }
    wxCheckBox* testUnitsCheck() const { return testUnitsCheck_; }
    wxTextCtrl* testSpeedField() const { return testSpeedField_; }
    wxTextCtrl* testPositionField() const { return testPositionField_; }
    wxButton* testPlusButton() const { return testPlusButton_; }
    wxButton* testStopButton() const { return testStopButton_; }
    wxButton* testMinusButton() const { return testMinusButton_; }
    wxButton* testDestButton() const { return testDestButton_; }
    wxButton* testPresetButton() const { return testPresetButton_; }
    wxButton* testCalibButton() const { return testCalibButton_; }

private:
    void createControls();
    wxSize textSize(const wxString& text, int width) const;
    wxStaticText* makeText(wxWindow* parent, const wxString& text, int width = -1);
    wxButton* makeButton(wxWindow* parent, const char* label, const char* tooltip, const wxSize& size);
    void showErrors(uint32_t word, long linkState, const wxString& failureText);
    // Lamps dark, read-outs and gauges as at start-up, the errors field's offline line.
    void showNoDrive();
    // A reading of the present link (an earlier link's reading that arrives late is dropped).
    bool isCurrentReading(const wxCommandEvent& event) const;
    // Reads reg in its table width, as the register's signedness gives it.
    bool readValue(uint32_t reg, long long* value);
    bool writeValue(uint32_t reg, uint32_t value);
    void runTestButton(wxObject* source);
    void switchTestUnits(bool on);

    DriveConnection* drive_;
    DriveStatusReaders readers_;
    // Written by the GUI thread (read-all, register changes), read by its handlers; atomic
    // so a reader elsewhere never sees a torn value.
    std::atomic<int> speedMax_{0};
    std::atomic<int32_t> positionScale_{0};
    std::atomic<int32_t> positionOffset_{0};
    std::atomic<int> deviceCurrent_{0};
    std::atomic<int> current200_{0};
    bool is32bitStatus_ = false;

    wxBitmap lampGreen_;
    wxBitmap lampAmber_;
    wxBitmap lampGrey_;

    wxStaticText* speedText_ = nullptr;
    wxStaticText* speedRawText_ = nullptr;
    PercentGauge* speedGauge_ = nullptr;
    wxStaticText* currentText_ = nullptr;
    wxStaticText* currentRawText_ = nullptr;
    PercentGauge* currentGauge_ = nullptr;
    BitmapLabelSizer* statusLamps_[32] = {};
    BitmapLabelSizer* ioLamps_[16] = {};
    wxTextCtrl* warningsField_ = nullptr;
    wxTextCtrl* errorsField_ = nullptr;
    wxButton* clearErrorsButton_ = nullptr;
    wxCheckBox* testUnitsCheck_ = nullptr;
    wxTextCtrl* testSpeedField_ = nullptr;
    wxButton* testPlusButton_ = nullptr;
    wxButton* testStopButton_ = nullptr;
    wxButton* testMinusButton_ = nullptr;
    wxTextCtrl* testPositionField_ = nullptr;
    wxButton* testDestButton_ = nullptr;
    wxButton* testPresetButton_ = nullptr;
    wxButton* testCalibButton_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace torvex
