// The page's controls, its defaults and settings, the page interface and the handlers of
// the controls themselves.
#include "pages/scope/oscilloscope_page.h"

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/colordlg.h>
#include <wx/combobox.h>
#include <wx/dcmemory.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "pages/page_table.h"
#include "pages/scope/oscilloscope_page_parts.h"
#include "pages/scope/scope_canvas.h"
#include "scope/capture_worker.h"
#include "scope/step_test.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "widgets/accessible_name.h"
#include "widgets/events.h"
#include "widgets/register_choice.h"
#include "widgets/register_edit.h"

namespace torvex {

using namespace scope_page;

namespace {

constexpr int kParameterX = 66;
constexpr int kParameterW = 48;
constexpr int kParameterH = 17;
constexpr int kRowStep = 23;

ControlRow parameterRow(int reg, int y, const char* nameKey, int scale = 0, int percentBase = 0) {
    ControlRow row;
    row.kind = RowKind::Edit;
    row.reg = reg;
    row.x = kParameterX;
    row.y = y;
    row.w = kParameterW;
    row.h = kParameterH;
    row.scale = scale;
    row.percentBase = percentBase;
    row.nameKey = nameKey;
    return row;
}

// A channel's own catalogue key ("Tooltip Pos Channel1".."8"): the number is part of the key,
// so it is filled in before the lookup.
wxString channelKey(const char* pattern, int channel) {
    const std::string key = wxString::Format(pattern, channel + 1).utf8_string();
    return trw(key.c_str());
}

}  // namespace

// The 23 controller parameters in creation order, four groups down the left edge.
const std::vector<ControlRow>& scopeParameterRows() {
    static const std::vector<ControlRow> rows = [] {
        std::vector<ControlRow> r;
        int y = kGroupTops[0];
        for (auto [reg, key] : {std::pair{0x1C, "Parameter Current Kp"}, {0x1D, "Parameter Current Tn"},
                                {0x2B, "Parameter Current TnM"}, {0x25, "Parameter Current Ramp"}}) {
            r.push_back(parameterRow(reg, y, key));
            y += kRowStep;
        }
        y = kGroupTops[1];
        const std::pair<int, const char*> speed[] = {
            {0x2C, "Parameter Speed Kp"},    {0x2D, "Parameter Speed Tn"},    {0x2E, "Parameter Speed Tv"},
            {0x3B, "Parameter Speed TnM"},   {0x35, "Parameter Speed Acc"},   {0xED, "Parameter Speed Dec"},
            {0xC7, "Parameter Speed Limit"}, {0xC8, "Parameter Speed N max"}, {0xB2, "Parameter Speed Dynam"},
            {0x34, "Parameter Speed Limit %"}, {0x5E, "Parameter Speed Filter"}};
        for (auto [reg, key] : speed) {
            r.push_back(parameterRow(reg, y, key, reg == 0xB2 ? 10 : 0, reg == 0x34 ? 0x7FFF : 0));
            y += kRowStep;
        }
        y = kGroupTops[2];
        for (auto [reg, key] : {std::pair{0x6A, "Parameter Position-Speed Kp"}, {0x6B, "Parameter Position-Speed Tn"},
                                {0x6C, "Parameter Position-Speed Tv"}, {0x71, "Parameter Position-Speed TnM"}}) {
            r.push_back(parameterRow(reg, y, key));
            y += kRowStep;
        }
        y = kGroupTops[3];
        for (auto [reg, key] : {std::pair{0xC9, "Parameter Position-Current Kp"},
                                {0xCA, "Parameter Position-Current Tn"}, {0xCB, "Parameter Position-Current Tv"},
                                {0xCD, "Parameter Position-Current TnM"}}) {
            r.push_back(parameterRow(reg, y, key));
            y += kRowStep;
        }
        return r;
    }();
    return rows;
}

OscilloscopePage::OscilloscopePage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits)
    : DrivePage(notebook, drive, limits, [] {
          DrivePageOptions options;
          options.builtinPicture = PagePicture::Oscilloscope;
          options.drawBuiltinPicture = &drawScopePicture;
          return options;
      }()) {
    createControls();
    setScopeDefaults();
    drawScopeGrid(true);
    canvas_->Refresh(false);
    restoreFocus();
}

OscilloscopePage::~OscilloscopePage() {
    // The threads end before the page's controls and the link they use go.
    stopStepResponse();
    endStepThread();
    endCaptureThread();
}

void OscilloscopePage::createControls() {
    triggerMarker_ = new wxStaticBitmap(this, wxID_ANY, markerBitmap(), wxPoint(147, 30), wxSize(10, 11));
    triggerMarker_->Hide();

    std::vector<wxWindow*> fields = buildControls(scopeParameterRows());
    if (!editList().empty()) setDefaultField(editList().front());

    auto check = [this](const char* key, const wxPoint& at, bool checked, const char* tip) {
        auto* box = new wxCheckBox(this, wxID_ANY, trw(key), at, wxSize(90, 18));
        box->SetValue(checked);
        box->SetToolTip(trw(tip));
        return box;
    };
    joinCheck_ = check("Join", wxPoint(157, 470), true, "Tooltip Checkbox Join");
    zeroCheck_ = check("Zero", wxPoint(252, 470), true, "Tooltip Checkbox Zero");
    overCheck_ = check("Over", wxPoint(347, 470), false, "Tooltip Checkbox Over");

    auto colourButton = [this](const wxString& label, const wxPoint& at, const wxString& tip) {
        auto* button = new wxButton(this, wxID_ANY, label, at, wxSize(18, 18), wxBU_EXACTFIT);
        button->SetToolTip(tip);
        return button;
    };
    backgroundButton_ = colourButton(trw("B"), wxPoint(157, 590), trw("Tooltip Button Color Background"));
    gridButton_ = colourButton(trw("K"), wxPoint(178, 590), trw("Tooltip Button Color Kreuz"));
    zeroButton_ = colourButton(trw("Z"), wxPoint(199, 590), trw("Tooltip Button Color Zero"));

    for (int n = 0; n < kScopeChannels; ++n) {
        const int y = kChannelTop + n * kChannelStep;
        channelSignal_[n] = new wxComboBox(this, wxID_ANY, wxString(), wxPoint(603, y), wxSize(100, 22), 0, nullptr,
                                           wxCB_READONLY);
        initRegisterChoice(channelSignal_[n]);
        channelSignal_[n]->SetToolTip(channelKey("Tooltip Combo Channel%d", n));
        channelPos_[n] = new wxTextCtrl(this, wxID_ANY, "0", wxPoint(705, y + 2), wxSize(30, 18),
                                        wxTE_PROCESS_ENTER | wxTE_WORDWRAP | wxBORDER_NONE);
        channelPos_[n]->SetToolTip(channelKey("Tooltip Pos Channel%d", n));
        channelUDiv_[n] = new wxTextCtrl(this, wxID_ANY, "100", wxPoint(737, y + 2), wxSize(52, 18),
                                         wxTE_PROCESS_ENTER | wxTE_WORDWRAP | wxBORDER_NONE);
        channelUDiv_[n]->SetToolTip(channelKey("Tooltip UDiv Channel%d", n));
        channelVisible_[n] = new wxCheckBox(this, wxID_ANY, wxString(), wxPoint(791, y + 3), wxSize(17, 17));
        channelVisible_[n]->SetValue(true);
        channelVisible_[n]->SetToolTip(channelKey("Tooltip Checkbox Channel%d", n));
        channelColourButton_[n] =
            colourButton(trw("C"), wxPoint(810, y + 2), channelKey("Tooltip Button Color Channel%d", n));
    }

    auto combo = [this](int y, const char* tip) {
        auto* box = new wxComboBox(this, wxID_ANY, wxString(), wxPoint(kSettingsX, y), wxSize(kSettingsW, 22), 0,
                                   nullptr, wxCB_READONLY);
        box->SetToolTip(trw(tip));
        return box;
    };
    auto sunken = [this](const wxString& text, const wxPoint& at, const wxSize& size, const char* tip) {
        auto* field = new wxTextCtrl(this, wxID_ANY, text, at, size,
                                     wxTE_PROCESS_ENTER | wxTE_WORDWRAP | wxBORDER_SUNKEN);
        field->SetToolTip(trw(tip));
        return field;
    };

    triggerOn_ = combo(kSettingsTop, "Tooltip Combo Trigger On");
    fillTriggerOnChoice();
    triggerEdge_ = combo(kSettingsTop + kSettingsStep, "Tooltip Combo Trigger Edge");
    ChoiceItems edges;
    for (auto [key, code] : {std::pair{"Rise > Lev", 0}, {"Fall < Lev", 1}, {"Rise or Fall", 7}, {"= Lev", 3},
                             {"!= Lev", 4}, {"> Lev", 5}, {"< Lev", 6}})
        edges.add(trw(key), code);
    edges.appendTo(triggerEdge_);
    triggerEdge_->SetSelection(0);
    triggerLevel_ = sunken("0", wxPoint(kSettingsX, kSettingsTop + 2 * kSettingsStep), wxSize(kSettingsW, 20),
                           "Tooltip Trigger Level");
    triggerBuffer_ = combo(kSettingsTop + 3 * kSettingsStep, "Tooltip Combo Trigger Buf");
    ChoiceItems sizes;
    for (long size : {250L, 500L, 1000L, 2000L}) sizes.add(wxString::Format("%ld", size), size);
    sizes.appendTo(triggerBuffer_);
    triggerBuffer_->SetSelection(1);
    triggerRun_ = combo(kSettingsTop + 4 * kSettingsStep, "Tooltip Combo Trigger Run");
    ChoiceItems runs;
    runs.add(trw("Auto"), kTriggerRunAuto);
    runs.add(trw("Single"), kTriggerRunSingle);
    runs.add(trw("Normal"), kTriggerRunNormal);
    runs.appendTo(triggerRun_);
    triggerRun_->SetSelection(0);

    stepType_ = new wxComboBox(this, wxID_ANY, wxString(), wxPoint(603, kStepTop), wxSize(100, 22), 0, nullptr,
                               wxCB_READONLY);
    stepType_->SetToolTip(trw("Tooltip type Step"));
    ChoiceItems stepTypes;
    stepTypes.add(trw("Current"), kStepRegCurrent);
    stepTypes.add(trw("Torque"), kStepRegTorque);
    stepTypes.add(trw("Speed"), kStepRegSpeed);
    stepTypes.add(trw("Position"), kStepRegPosition);
    stepTypes.appendTo(stepType_);
    stepType_->SetSelection(2);
    const char* stepTexts[6] = {"15000", "500", "-15000", "500", "0", "1000"};
    const char* stepTips[6] = {"Tooltip Step 1", "Tooltip Time 1", "Tooltip Step 2",
                               "Tooltip Time 2", "Tooltip Stop",   "Tooltip Time Stop"};
    for (int i = 0; i < 6; ++i) {
        const wxPoint at(i % 2 == 0 ? kStepValueX : kStepTimeX, kStepTop + 25 + (i / 2) * 22);
        stepFields_[i] = sunken(stepTexts[i], at, wxSize(60, 20), stepTips[i]);
    }
    stepButton_ = new wxButton(this, wxID_ANY, trw("Start"), wxPoint(705, kStepTop), wxSize(60, 22));
    stepButton_->SetToolTip(trw("Tooltip Button Step Start/Stop"));
    stepButton_->Disable();

    createUpDownButtons(wxPoint(118, 23), wxPoint(118, 48), wxSize(36, 22));

    captureStatus_ = new wxStaticText(this, wxID_ANY, trw(" idle"), wxPoint(720, kCaptureTop + 3), wxSize(100, 18),
                                      wxST_NO_AUTORESIZE);
    captureStatus_->SetBackgroundColour(wxColour(235, 235, 235));
    timeScale_ = combo(kSettingsTop + 5 * kSettingsStep, "Tooltip Combo Time scale");
    const std::pair<const char*, long> scales[] = {
        {"1ms", 1000},       {"2ms", 2000},       {"5ms", 5000},       {"10ms", 10000},
        {"20ms", 20000},     {"50ms", 50000},     {"100ms", 100000},   {"200ms", 200000},
        {"500ms", 500000},   {"1s", 1000000},     {"2s", 2000000},     {"5s", 5000000}};
    ChoiceItems timeScales;
    for (auto [text, us] : scales) timeScales.add(text, us);
    timeScales.appendTo(timeScale_);
    timeScale_->SetSelection(8);
    captureButton_ = new wxButton(this, wxID_ANY, trw("Start capture"), wxPoint(603, kCaptureTop), wxSize(110, 24));
    captureButton_->SetToolTip(trw("Tooltip Button Capture Start/Stop"));
    captureButton_->Disable();

    zoomOutButton_ = new wxButton(this, wxID_ANY, "1x", wxPoint(449, 520), wxSize(36, 22));
    zoomOutButton_->SetToolTip(trw("Tooltip Button Zoom Out"));
    zoomOutButton_->Disable();
    zoomInButton_ = new wxButton(this, wxID_ANY, "2x", wxPoint(490, 520), wxSize(36, 22));
    zoomInButton_->SetToolTip(trw("Tooltip Button Zoom In"));
    openButton_ = new wxBitmapButton(this, wxID_ANY, fileButtonBitmap(false), wxPoint(540, 522), wxSize(20, 19));
    openButton_->SetToolTip(trw("Tooltip Button Ossi Open"));
    saveButton_ = new wxBitmapButton(this, wxID_ANY, fileButtonBitmap(true), wxPoint(562, 522), wxSize(20, 19));
    saveButton_->SetToolTip(trw("Tooltip Button Ossi Save"));
    // Pictures only: what the tooltip says is their name.
    for (wxButton* button : {openButton_, saveButton_}) setAccessibleName(button, button->GetToolTipText());

    canvas_ = new ScopeCanvas(this, wxPoint(157, 39), wxSize(424, 424));
    canvas_->setCursorListener([this](int x, int y) { showCursorReadout(x, y); });

    timeReadout_ = new wxStaticText(this, wxID_ANY, " -", wxPoint(449, 470), wxSize(90, 18), wxST_NO_AUTORESIZE);
    timeReadout_->SetBackgroundColour(wxColour(235, 235, 235));
    unitsCheck_ = check("Units", wxPoint(449, 495), true, "Tooltip Checkbox Units");
    for (int n = 0; n < kScopeChannels; ++n) {
        const wxPoint at(n < 4 ? 186 : 300, 492 + (n % 4) * 21);
        channelReadout_[n] = new wxStaticText(this, wxID_ANY, " -", at, wxSize(110, 18), wxST_NO_AUTORESIZE);
    }

    Bind(wxEVT_COMBOBOX, &OscilloscopePage::onCombo, this);
    Bind(wxEVT_CHECKBOX, &OscilloscopePage::onCheckbox, this);
    Bind(DriveEnableStateEvent, &OscilloscopePage::onEnableBitState, this);
    Bind(StepButtonLabelEvent, &OscilloscopePage::onStepButtonLabel, this);
    Bind(StepFinishedEvent, &OscilloscopePage::onStepFinished, this);
    Bind(CaptureStatusTextEvent, &OscilloscopePage::onCaptureStatusText, this);
    Bind(CaptureStatusColourEvent, &OscilloscopePage::onCaptureStatusColour, this);
    Bind(ScopeRedrawEvent, &OscilloscopePage::onScopeRedraw, this);
    Bind(CaptureButtonLabelEvent, &OscilloscopePage::onCaptureButtonLabel, this);
    Bind(EnableScopeControlsEvent, &OscilloscopePage::onEnableScopeControls, this);
    Bind(TriggerMarkerEvent, &OscilloscopePage::onTriggerMarkerEvent, this);
    Bind(CaptureFinishedEvent, &OscilloscopePage::onCaptureFinished, this);
}

void OscilloscopePage::fillTriggerOnChoice() {
    ChoiceItems items;
    for (int n = 0; n < kScopeChannels; ++n) items.add(wxString::Format(trw("Chan %d"), n + 1), n);
    addRegisterChoiceItems(items);
    items.appendTo(triggerOn_);
}

void OscilloscopePage::setScopeDefaults() {
    for (int n = 0; n < kScopeChannels; ++n) {
        channelColour_[n] = toColour(kScopeDefaultColours[n]);
        colourData_.SetCustomColour(n, channelColour_[n]);
    }
    backgroundColour_ = *wxBLACK;
    gridColour_ = *wxLIGHT_GREY;
    zeroColour_ = *wxRED;
    const char* uDiv[kScopeChannels] = {"20000", "20000", "600", "600", "2", "20000", "4000", "0"};
    const char* signals[kScopeChannels] = {"N cmd Ramp", "N actual",   "I cmd Ramp", "I actual",
                                           "I_Run (Frg.)", "DC-BUS", "Vout", "--Off--"};
    for (int n = 0; n < kScopeChannels; ++n) {
        channelUDiv_[n]->ChangeValue(uDiv[n]);
        paintColourButton(channelColourButton_[n], channelColour_[n]);
        channelReadout_[n]->SetBackgroundColour(backgroundColour_);
        channelReadout_[n]->SetForegroundColour(channelColour_[n]);
        // A text the list does not hold leaves the channel off rather than unselected.
        if (!channelSignal_[n]->SetStringSelection(trw(signals[n]))) channelSignal_[n]->SetSelection(0);
    }
    paintColourButton(backgroundButton_, backgroundColour_);
    paintColourButton(gridButton_, gridColour_);
    paintColourButton(zeroButton_, zeroColour_);
    triggerOn_->SetStringSelection(wxString::Format(trw("Chan %d"), 1));
    triggerEdge_->SetStringSelection(trw("Rise > Lev"));
    triggerLevel_->ChangeValue("100");
    triggerBuffer_->SetStringSelection("1000");
    triggerRun_->SetStringSelection(trw("Normal"));
    singleShot_ = false;
}

void OscilloscopePage::paintColourButton(wxButton* button, const wxColour& colour) {
    if (!button) return;
    button->SetBackgroundColour(colour);
    button->SetForegroundColour(buttonTextIsWhite(colour.Red(), colour.Green(), colour.Blue()) ? *wxWHITE : *wxBLACK);
    button->Refresh();
}

void OscilloscopePage::enableScopeControls(bool enable) {
    for (int n = 0; n < kScopeChannels; ++n) {
        channelSignal_[n]->Enable(enable);
        channelPos_[n]->Enable(enable);
        channelUDiv_[n]->Enable(enable);
    }
    for (wxWindow* control : std::initializer_list<wxWindow*>{triggerOn_, triggerEdge_, triggerLevel_, triggerRun_,
                                                              timeScale_, triggerBuffer_, openButton_, saveButton_})
        control->Enable(enable);
}

bool OscilloscopePage::isScopeChannelOn(int n) {
    if (n < 0 || n >= kScopeChannels) return false;
    if (channelSignal_[n]->GetSelection() < 0) {
        errorBox(wxString::Format(trw("Nothing selected in Channel %d!"), n));
        return false;
    }
    return clientData(channelSignal_[n]) != 0;
}

int OscilloscopePage::countScopeChannels() {
    int count = 0;
    for (int n = 0; n < kScopeChannels; ++n)
        if (isScopeChannelOn(n)) ++count;
    return count;
}

long OscilloscopePage::channelNumber(int n, bool pos, FieldReport report) {
    if (n < 0 || n >= kScopeChannels) return 0;
    long value = 0;
    const bool ok = parseScopeNumber((pos ? channelPos_ : channelUDiv_)[n]->GetValue().utf8_string(), value);
    // Reported once when the field turns bad, not at every redraw of a running capture.
    if (report == FieldReport::Report && fieldWarnings_.turnedBad(pos ? kScopeChannels + n : n, !ok))
        errorBox(wxString::Format(trw(pos ? "Wrong value for Pos value %d!" : "Wrong value for U/Div value %d!"), n));
    return ok ? value : 0;
}

long OscilloscopePage::getChannelUDiv(int n) { return channelNumber(n, false, FieldReport::Report); }

long OscilloscopePage::getChannelPos(int n) { return channelNumber(n, true, FieldReport::Report); }

// ---------------------------------------------------------------------------------------
// Page interface

bool OscilloscopePage::readFromDrive(bool onlyIfShown) {
    DriveConnection* link = drive();
    uint16_t value = 0;
    if (link->read16bitRegister(kRegSpeedScale, &value) != 0) return false;
    scales_.speedScale = static_cast<int16_t>(value);
    if (link->read16bitRegister(kRegCurrentBase, &value) != 0) return false;
    scales_.currentBase = static_cast<int16_t>(value);
    if (link->read16bitRegister(kRegCurrentScale, &value) != 0) return false;
    scales_.currentScale = static_cast<int16_t>(value);
    if (!cyclicUpdate(onlyIfShown)) return false;
    return refreshScopeParameterFields(onlyIfShown);
}

bool OscilloscopePage::refreshScopeParameterFields(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive()->isConnected()) return false;
    WindowHold hold;
    for (RegisterEdit* field : editList())
        if (!field->refreshRegisterEdit()) return false;
    return true;
}

bool OscilloscopePage::cyclicUpdate(bool onlyIfShown) {
    // Runs on the polling thread: it reads and posts, the GUI thread acts.
    DriveConnection* link = drive();
    const uint32_t generation = linkGeneration_.load();
    if (!link->isConnected() || link->isOfflineImage()) {
        postGenerationEvent(this, DriveEnableStateEvent, 0, wxString(), generation);
    } else {
        uint32_t status = 0;
        if (is32bitRegister(kRegStatus)) {
            if (link->read32bitRegister(kRegStatus, &status) != 0) return false;
        } else {
            uint16_t word = 0;
            if (link->read16bitRegister(kRegStatus, &word) != 0) return false;
            status = word;
        }
        postGenerationEvent(this, DriveEnableStateEvent, static_cast<int>(status & 1u), wxString(), generation);
    }
    if (onlyIfShown && !isPageShown()) return true;
    return link->isConnected();
}

bool OscilloscopePage::stepButtonAllowed() const {
    return digitalSpeedMode_ && drive()->isOnline() && drive()->isConnected() && !drive()->isOfflineImage();
}

void OscilloscopePage::setOnline(bool online) {
    ++linkGeneration_;
    if (online && !drive()->isOfflineImage()) {
        // With every channel off there is nothing to capture: the drive would be armed
        // for no channel at all and the capture would wait for ever.
        captureButton_->Enable(countScopeChannels() > 0);
        if (digitalSpeedMode_) stepButton_->Enable();
        return;
    }
    stepButton_->Disable();
    stopStepAndCapture();
    captureButton_->Disable();
}

void OscilloscopePage::stopStepAndCapture() {
    stopStepResponse();
    endStepThread();
    const bool taken = endCaptureThread();
    ++captureGeneration_;
    returnCaptureToIdle();
    if (taken) showCapture();
}

void OscilloscopePage::onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender) {
    followRegisterChange(reg, text, sender);
    // The cursor read-out's rpm follow the maximum speed, also after a write whose
    // read-back failed.
    if (std::optional<int> scale = speedScaleAfterChange(reg)) scales_.speedScale = static_cast<int16_t>(*scale);
}

void OscilloscopePage::reloadRegisterChoices() {
    for (wxComboBox* box : channelSignal_) {
        const long selected = box->GetSelection() >= 0 ? clientData(box) : 0;
        box->Clear();
        initRegisterChoice(box);
        const int index = findChoiceByClientData(box, selected);
        box->SetSelection(index >= 0 ? index : 0);
    }
    const int onIndex = triggerOn_->GetSelection();
    const long onData = onIndex >= 0 ? clientData(triggerOn_) : 0;
    triggerOn_->Clear();
    fillTriggerOnChoice();
    // The channel entries come first, so an index below 8 is found as it was.
    int index = onIndex >= 0 && onIndex < kScopeChannels ? onIndex : -1;
    if (index < 0 && onIndex >= kScopeChannels) {
        for (unsigned i = kScopeChannels; i < triggerOn_->GetCount(); ++i)
            if (reinterpret_cast<intptr_t>(triggerOn_->GetClientData(i)) == onData) {
                index = static_cast<int>(i);
                break;
            }
    }
    triggerOn_->SetSelection(index >= 0 ? index : 0);
}

void OscilloscopePage::setDigitalSpeedMode(int on) {
    if (on == 0) {
        digitalSpeedMode_ = false;
        stopStepResponse();
        stepButton_->Disable();
        return;
    }
    digitalSpeedMode_ = true;
    if (stepButtonAllowed()) stepButton_->Enable();
}

// ---------------------------------------------------------------------------------------
// Handlers

bool OscilloscopePage::enterBeforeOnlineTest(wxCommandEvent& event) {
    wxObject* source = event.GetEventObject();
    for (wxTextCtrl* pos : channelPos_)
        if (source == pos) {
            redrawAll();
            return true;
        }
    if (source == triggerLevel_) {
        updateTriggerMarker();
        redrawAll();
    }
    return false;
}

bool OscilloscopePage::handleButton(wxCommandEvent& event) {
    wxObject* source = event.GetEventObject();
    if (source == stepButton_) {
        if (stepWorker_) {
            stopStepResponse();
        } else {
            startStepResponse();
        }
    } else if (source == captureButton_) {
        if (captureWorker_) {
            stopCapture();
        } else {
            startCapture();
        }
    } else if (source == zoomInButton_) {
        zoomBy(+1);
    } else if (source == zoomOutButton_) {
        zoomBy(-1);
    } else if (source == openButton_) {
        loadScopeFile();
    } else if (source == saveButton_) {
        saveScopeFile();
    } else if (source == backgroundButton_) {
        chooseScopeColour(backgroundButton_, backgroundColour_, trw("Color background"));
        for (wxStaticText* readout : channelReadout_) {
            readout->SetBackgroundColour(backgroundColour_);
            readout->Refresh();
        }
    } else if (source == gridButton_) {
        chooseScopeColour(gridButton_, gridColour_, trw("Color Kreuz"));
    } else if (source == zeroButton_) {
        chooseScopeColour(zeroButton_, zeroColour_, trw("Color Zero"));
    } else {
        for (int n = 0; n < kScopeChannels; ++n) {
            if (source != channelColourButton_[n]) continue;
            chooseScopeColour(channelColourButton_[n], channelColour_[n],
                              wxString::Format(trw("Colour channel %d"), n + 1));
            channelReadout_[n]->SetForegroundColour(channelColour_[n]);
            channelReadout_[n]->Refresh();
            return true;
        }
        return false;
    }
    return true;
}

void OscilloscopePage::zoomBy(int delta) {
    if (delta > 0 && zoom_ < kScopeMaxZoom) ++zoom_;
    if (delta < 0 && zoom_ > kScopeMinZoom) --zoom_;
    zoomInButton_->Enable(zoom_ < kScopeMaxZoom);
    zoomOutButton_->Enable(zoom_ > kScopeMinZoom);
    // The buttons name the zoom they lead to.
    zoomInButton_->SetLabel(wxString::Format("%ux", std::min(zoom_ + 1, kScopeMaxZoom)));
    zoomOutButton_->SetLabel(wxString::Format("%ux", std::max(zoom_ - 1, kScopeMinZoom)));
    updateTriggerMarker();
    redrawAll();
}

void OscilloscopePage::chooseScopeColour(wxButton* button, wxColour& colour, const wxString& title) {
    colourData_.SetColour(colour);
    wxColourDialog dialog(this, &colourData_);
    dialog.SetTitle(title);
    if (ui::dialogs().showModal(dialog) == wxID_OK) {
        colourData_ = dialog.GetColourData();
        colour = colourData_.GetColour();
        paintColourButton(button, colour);
    }
    redrawAll();
}

void OscilloscopePage::onCombo(wxCommandEvent& event) {
    wxObject* source = event.GetEventObject();
    if (source == triggerOn_) {
        if (drive()->isConnected() && !drive()->isOfflineImage()) writeTriggerSource(*drive(), captureSettings());
        updateTriggerMarker();
        return;
    }
    if (source == triggerRun_) {
        if (triggerRun_->GetSelection() < 0) {
            errorBox(trw("Nothing selected in Trigger Run!"));
        } else {
            singleShot_ = clientData(triggerRun_) == kTriggerRunSingle;
        }
        return;
    }
    if (countScopeChannels() == 0) {
        captureButton_->Disable();
        if (captureWorker_) stopCapture();
    } else if (drive()->isOnline() && drive()->isConnected() && !drive()->isOfflineImage()) {
        captureButton_->Enable();
    }
    event.Skip();
}

void OscilloscopePage::onCheckbox(wxCommandEvent& event) {
    redrawAll();
    showCursorReadout(canvas_->mouseX(), canvas_->mouseY());
    updateTriggerMarker();
    event.Skip();
}

void OscilloscopePage::onEnableBitState(wxCommandEvent& event) {
    if (static_cast<uint32_t>(event.GetExtraLong()) != linkGeneration_.load()) return;  // an earlier link's
    if (event.GetInt() == 0) {
        stopStepResponse();
        stepButton_->Disable();
    } else if (stepButtonAllowed()) {
        stepButton_->Enable();
    }
}

void OscilloscopePage::onTriggerMarkerEvent(wxCommandEvent&) { updateTriggerMarker(); }

// ---------------------------------------------------------------------------------------
// Drawing

ScopeView OscilloscopePage::currentView(FieldReport report) {
    ScopeView view;
    for (int n = 0; n < kScopeChannels; ++n) {
        view.channels[n].uDiv = channelNumber(n, false, report);
        view.channels[n].pos = channelNumber(n, true, report);
        view.channels[n].visible = channelVisible_[n]->GetValue();
        view.channels[n].colour = toRgb(channelColour_[n]);
    }
    view.join = joinCheck_->GetValue();
    view.zero = zeroCheck_->GetValue();
    view.over = overCheck_->GetValue();
    view.units = unitsCheck_->GetValue();
    view.zoom = zoom_;
    view.timePerDivision = timeScale_->GetSelection() >= 0 ? static_cast<uint32_t>(clientData(timeScale_)) : 0;
    view.background = toRgb(backgroundColour_);
    view.grid = toRgb(gridColour_);
    view.zeroLine = toRgb(zeroColour_);
    view.scales = scales_;
    const int on = triggerOn_->GetSelection();
    view.marker.channel = on >= 0 && on < kScopeChannels ? on : -1;
    long level = 0;
    view.marker.levelValid = parseScopeNumber(triggerLevel_->GetValue().utf8_string(), level);
    view.marker.level = level;
    return view;
}

void OscilloscopePage::drawScopeGrid(bool demo) { canvas_->drawGrid(currentView(), demo); }

void OscilloscopePage::drawScopeTraces() { canvas_->drawTraces(capture_, currentView()); }

void OscilloscopePage::redrawAll() {
    const ScopeView view = currentView();
    canvas_->redraw(capture_, view);
}

void OscilloscopePage::updateTriggerMarker() {
    // Follows mouse scrolls and choices, so a bad field hides the marker without a box.
    ScopeView view = currentView(FieldReport::Silent);
    // The marker needs the channel's U/Div as typed: a bad one hides it.
    if (view.marker.channel >= 0) {
        long uDiv = 0;
        if (!parseScopeNumber(channelUDiv_[view.marker.channel]->GetValue().utf8_string(), uDiv)) {
            view.marker.levelValid = false;
        }
    }
    std::optional<int> row = triggerMarkerRow(view, canvas_->viewTop());
    if (!row) {
        triggerMarker_->Hide();
        return;
    }
    triggerMarker_->Move(147, *row);
    triggerMarker_->Show();
}

void OscilloscopePage::showCursorReadout(int x, int) {
    // Runs at every mouse move: a bad field is reported by the drawing, never from here.
    const ScopeReadout readout = cursorReadout(capture_, currentView(FieldReport::Silent), x);
    timeReadout_->SetLabel(wxString::FromUTF8(readout.time));
    for (int n = 0; n < kScopeChannels; ++n) channelReadout_[n]->SetLabel(wxString::FromUTF8(readout.channels[n]));
}

}  // namespace torvex
