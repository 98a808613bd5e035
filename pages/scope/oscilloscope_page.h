// The Oszilloskop page: the drive's 23 controller parameters, a capture that the drive
// samples itself (up to eight signals, trigger, time base) shown on the scope canvas with
// a cursor read-out, the step-response test, and oscilloscope files.
//
// The page owns its capture and step threads and joins them before it or the connection
// goes; what a thread reports arrives as events tagged with the thread's generation, so a
// late report of a stopped thread never reaches the next one.
#pragma once

#include <array>
#include <atomic>
#include <memory>

#include <wx/colour.h>
#include <wx/colourdata.h>

#include "pages/drive_page.h"
#include "scope/capture_arming.h"
#include "scope/scope_capture.h"
#include "scope/scope_geometry.h"

class wxButton;
class wxCheckBox;
class wxComboBox;
class wxStaticBitmap;
class wxStaticText;
class wxTextCtrl;

namespace torvex {

class CaptureWorker;
class ScopeCanvas;
class StepWorker;
struct ScopeFile;

class OscilloscopePage : public DrivePage {
public:
    OscilloscopePage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);
    ~OscilloscopePage() override;

    // Page interface.
    bool readFromDrive(bool onlyIfShown);
    bool refreshScopeParameterFields(bool onlyIfShown);
    // Polling thread: reads STATUS and only posts what the GUI thread is to do.
    bool cyclicUpdate(bool onlyIfShown);
    void setOnline(bool online);
    void onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender = std::nullopt);
    void reloadRegisterChoices();
    void stopStepResponse();
    // Waits until every step thread asked to stop has written its 0 and ended.
    void endStepThread();
    void setDigitalSpeedMode(int digitalSpeed);
    void stopStepAndCapture();

    // Settings.
    void setScopeDefaults();
    void enableScopeControls(bool enable);
    static void paintColourButton(wxButton* button, const wxColour& colour);
    bool isScopeChannelOn(int n);
    int countScopeChannels();
    long getChannelUDiv(int n);
    long getChannelPos(int n);
    // Whether a U/Div or Pos text that is no number shows its box (once until it is good
    // again) or only counts as 0.
    enum class FieldReport { Report, Silent };
    // The page's drawing settings as the canvas uses them.
    ScopeView currentView(FieldReport report = FieldReport::Report);

    // Capture.
    void startCapture();
    void stopCapture();
    bool isCapturing() const { return captureWorker_ != nullptr; }
    CaptureSettings captureSettings() const;
    const ScopeCapture& capture() const { return capture_; }
    const ScopeScales& scales() const { return scales_; }

    // Step test.
    void startStepResponse();
    bool isStepRunning() const { return stepWorker_ != nullptr; }

    // Files.
    void saveScopeFile();
    void loadScopeFile();
    // The file's contents as the save command writes them; false after a message.
    bool collectScopeFile(ScopeFile& file);
    // Shows a file read from disk (settings and capture); false after a message.
    bool applyScopeFile(const ScopeFile& file, const wxString& path);

    // Drawing.
    void drawScopeGrid(bool demo);
    void drawScopeTraces();
    void updateTriggerMarker();
    void showCursorReadout(int x, int y);

    // Controls, for the tests and the files.
    wxComboBox* channelSignal(int n) const { return channelSignal_[n]; }
    wxTextCtrl* channelPos(int n) const { return channelPos_[n]; }
    wxTextCtrl* channelUDiv(int n) const { return channelUDiv_[n]; }
    wxCheckBox* channelVisible(int n) const { return channelVisible_[n]; }
    wxButton* channelColourButton(int n) const { return channelColourButton_[n]; }
    wxStaticText* channelReadout(int n) const { return channelReadout_[n]; }
    const wxColour& channelColour(int n) const { return channelColour_[n]; }
    wxComboBox* triggerOn() const { return triggerOn_; }
    wxComboBox* triggerEdge() const { return triggerEdge_; }
    wxTextCtrl* triggerLevel() const { return triggerLevel_; }
    wxComboBox* triggerBuffer() const { return triggerBuffer_; }
    wxComboBox* triggerRun() const { return triggerRun_; }
    wxComboBox* timeScale() const { return timeScale_; }
    wxComboBox* stepType() const { return stepType_; }
    wxTextCtrl* stepField(int i) const { return stepFields_[i]; }
    wxButton* stepButton() const { return stepButton_; }
    wxButton* captureButton() const { return captureButton_; }
    wxStaticText* captureStatus() const { return captureStatus_; }
    wxStaticText* timeReadout() const { return timeReadout_; }
    wxButton* zoomInButton() const { return zoomInButton_; }
    wxButton* zoomOutButton() const { return zoomOutButton_; }
    wxButton* openButton() const { return openButton_; }
    wxButton* saveButton() const { return saveButton_; }
    wxButton* colourButtonB() const { return backgroundButton_; }
    wxCheckBox* joinCheck() const { return joinCheck_; }
    wxCheckBox* zeroCheck() const { return zeroCheck_; }
    wxCheckBox* overCheck() const { return overCheck_; }
    wxCheckBox* unitsCheck() const { return unitsCheck_; }
    wxStaticBitmap* triggerMarker() const { return triggerMarker_; }
    ScopeCanvas* canvas() const { return canvas_; }
    const std::vector<RegisterEdit*>& parameterFields() const { return editList(); }
    unsigned zoom() const { return zoom_; }
    bool singleShot() const { return singleShot_; }
    bool digitalSpeedMode() const { return digitalSpeedMode_; }

protected:
    bool enterBeforeOnlineTest(wxCommandEvent& event) override;
    bool handleButton(wxCommandEvent& event) override;

private:
    void createControls();
    // Channel n's U/Div (pos false) or Pos as a number; 0 when it is none.
    long channelNumber(int n, bool pos, FieldReport report);
    void fillTriggerOnChoice();
    void chooseScopeColour(wxButton* button, wxColour& colour, const wxString& title);
    void redrawAll();
    void zoomBy(int delta);
    void onCombo(wxCommandEvent& event);
    void onCheckbox(wxCommandEvent& event);
    void onEnableBitState(wxCommandEvent& event);
    void onStepButtonLabel(wxCommandEvent& event);
    void onStepFinished(wxCommandEvent& event);
    void onCaptureStatusText(wxCommandEvent& event);
    void onCaptureStatusColour(wxCommandEvent& event);
    void onScopeRedraw(wxCommandEvent& event);
    void onCaptureButtonLabel(wxCommandEvent& event);
    void onEnableScopeControls(wxCommandEvent& event);
    void onTriggerMarkerEvent(wxCommandEvent& event);
    void onCaptureFinished(wxCommandEvent& event);
    void returnCaptureToIdle();
    // Stops and joins the capture thread; true when it had completed a capture that the
    // page had not taken yet (taken now, to be shown by the caller).
    bool endCaptureThread();
    // The capture thread's last complete capture into capture_, unless taken before.
    bool takeLatestCapture();
    void showCapture();
    void showStepIdle();
    bool stepButtonAllowed() const;

    std::array<wxComboBox*, kScopeChannels> channelSignal_{};
    std::array<wxTextCtrl*, kScopeChannels> channelPos_{};
    std::array<wxTextCtrl*, kScopeChannels> channelUDiv_{};
    std::array<wxCheckBox*, kScopeChannels> channelVisible_{};
    std::array<wxButton*, kScopeChannels> channelColourButton_{};
    std::array<wxStaticText*, kScopeChannels> channelReadout_{};
    std::array<wxColour, kScopeChannels> channelColour_;
    wxColour backgroundColour_, gridColour_, zeroColour_;
    wxColourData colourData_;
    wxComboBox* triggerOn_ = nullptr;
    wxComboBox* triggerEdge_ = nullptr;
    wxTextCtrl* triggerLevel_ = nullptr;
    wxComboBox* triggerBuffer_ = nullptr;
    wxComboBox* triggerRun_ = nullptr;
    wxComboBox* timeScale_ = nullptr;
    wxComboBox* stepType_ = nullptr;
    std::array<wxTextCtrl*, 6> stepFields_{};
    wxButton* stepButton_ = nullptr;
    wxButton* captureButton_ = nullptr;
    wxStaticText* captureStatus_ = nullptr;
    wxStaticText* timeReadout_ = nullptr;
    wxButton* zoomInButton_ = nullptr;
    wxButton* zoomOutButton_ = nullptr;
    wxButton* openButton_ = nullptr;
    wxButton* saveButton_ = nullptr;
    wxButton* backgroundButton_ = nullptr;
    wxButton* gridButton_ = nullptr;
    wxButton* zeroButton_ = nullptr;
    wxCheckBox* joinCheck_ = nullptr;
    wxCheckBox* zeroCheck_ = nullptr;
    wxCheckBox* overCheck_ = nullptr;
    wxCheckBox* unitsCheck_ = nullptr;
    wxStaticBitmap* triggerMarker_ = nullptr;
    ScopeCanvas* canvas_ = nullptr;

    unsigned zoom_ = 1;
    bool singleShot_ = false;
    bool digitalSpeedMode_ = false;
    ScopeScales scales_;
    ScopeCapture capture_;
    ScopeFieldWarnings fieldWarnings_;

    std::unique_ptr<CaptureWorker> captureWorker_;
    std::shared_ptr<const ScopeCapture> takenCapture_;  // the thread's capture shown last
    std::unique_ptr<StepWorker> stepWorker_;
    // Step threads asked to stop that have not ended yet; joined when they report back,
    // at the latest before the link goes.
    std::vector<std::unique_ptr<StepWorker>> stoppingSteps_;
    uint32_t captureGeneration_ = 0;
    uint32_t stepGeneration_ = 0;
    // Bumped on the GUI thread whenever the link changes; the polling thread tags its
    // enable-bit reports with it.
    std::atomic<uint32_t> linkGeneration_{1};
};

}  // namespace torvex
