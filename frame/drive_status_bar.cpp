#include "frame/drive_status_bar.h"

#include <dlfcn.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/arrstr.h>
#include <wx/image.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cmath>
#include <cstdint>

#include "frame/drive_status_bar_copies.h"
#include "frame/drive_status_bar_logic.h"
#include "link/registers.h"
#include "services/catalogue.h"
#include "widgets/boxed_panel.h"
#include "widgets/compact_style.h"
#include "widgets/events.h"
#include "widgets/field_sizers.h"
#include "widgets/percent_gauge.h"
#include "widgets/readout.h"

namespace torvex {

namespace {

constexpr uint32_t kRegStatusWord = 0x40;
constexpr uint32_t kRegSpeedLimit = 0x34;
constexpr uint32_t kRegDeviceCurrent = 0xC6;
constexpr uint32_t kRegSpeedMax = 0xCE;
constexpr uint32_t kRegCurrent200 = 0xD9;
constexpr uint32_t kRegPositionScale = 0x7C;
constexpr uint32_t kRegPositionOffset = 0x7D;
constexpr double kPercentOfFullScale = 0.0030518509475997192;  // 100 / 32767
constexpr int kLampSize = 10;
constexpr int kSpeedLimitMarkerAtStart = 70;
// An exact-fit button has no padding: its label would reach the border line at both ends.
// The panel's buttons keep their labels this far from it, as the pages' padding does.
constexpr int kButtonLabelAir = 2;
// What the read-outs show while no drive is there: at start-up and offline.
constexpr const char* kNoValue = " -";
constexpr const char* kNoSpeedRaw = " 0xa8\n -";
constexpr const char* kNoCurrentRaw = " 0x5f\n -";

wxString tr(const char* key) { return translate(wxString::FromUTF8(key)); }

// A round lamp of the given colour on the panel's background, with a darker rim.
wxBitmap lampPicture(const wxColour& colour) {
    wxImage image(kLampSize, kLampSize);
    image.InitAlpha();
    const double centre = (kLampSize - 1) / 2.0;
    for (int y = 0; y < kLampSize; ++y) {
        for (int x = 0; x < kLampSize; ++x) {
            const double distance = std::hypot(x - centre, y - centre);
            const bool rim = distance > centre - 1.2;
            const double shade = rim ? 0.6 : 1.0;
            image.SetRGB(x, y, static_cast<unsigned char>(colour.Red() * shade),
                         static_cast<unsigned char>(colour.Green() * shade),
                         static_cast<unsigned char>(colour.Blue() * shade));
            image.SetAlpha(x, y, distance > centre + 0.5 ? 0 : 255);
        }
    }
    return wxBitmap(image);
}

// The width the toolkit asks for a window's widget, as it would lay it out by itself.
int toolkitWidth(wxWindow* window) {
    using PreferredWidth = void (*)(void*, int*, int*);
    static const auto preferredWidth =
        reinterpret_cast<PreferredWidth>(dlsym(RTLD_DEFAULT, "gtk_widget_get_preferred_width"));
    int minimum = 0, natural = 0;
    if (preferredWidth && window->GetHandle()) preferredWidth(window->GetHandle(), &minimum, &natural);
    return natural;
}

// How a multi-line field of the toolkit lays out its text: the font it draws the text in,
// and the part of its width that its frame, its vertical scroll bar and the text's margins
// take. Asked of the toolkit itself (looked up in the running process: the build has no
// toolkit headers), so that it holds in whatever font and theme the desktop gives.
class TextFieldLayout {
public:
    explicit TextFieldLayout(wxTextCtrl* field) : field_(field) {
        look(binChild_, "gtk_bin_get_child");
        look(createLayout_, "gtk_widget_create_pango_layout");
        look(layoutPixelSize_, "pango_layout_get_pixel_size");
        look(unref_, "g_object_unref");
        look(styleContext_, "gtk_widget_get_style_context");
        look(state_, "gtk_style_context_get_state");
        look(border_, "gtk_style_context_get_border");
        look(padding_, "gtk_style_context_get_padding");
        look(verticalScrollBar_, "gtk_scrolled_window_get_vscrollbar");
        look(preferredWidth_, "gtk_widget_get_preferred_width");
        look(leftMargin_, "gtk_text_view_get_left_margin");
        look(rightMargin_, "gtk_text_view_get_right_margin");
        look(setOverlayScrolling_, "gtk_scrolled_window_set_overlay_scrolling");
        // A multi-line field is a text view inside a scrolled window.
        scrolled_ = field->GetHandle();
        if (binChild_ && scrolled_) view_ = binChild_(scrolled_);
    }

    bool ok() const {
        return view_ && createLayout_ && layoutPixelSize_ && unref_ && styleContext_ && state_ && border_ &&
               padding_ && verticalScrollBar_ && preferredWidth_ && leftMargin_ && rightMargin_ &&
               setOverlayScrolling_;
    }

    // The scroll bar takes its room beside the text. Laid over the text, as the toolkit
    // does by default, it would hide the ends of the lines whenever it shows.
    void keepScrollBarBesideText() const {
        if (ok()) setOverlayScrolling_(scrolled_, 0);
    }

    // The width of text in the field's font.
    int textWidth(const wxString& text) const {
        if (!ok()) return field_->GetTextExtent(text).x;
        void* layout = createLayout_(view_, text.utf8_str());
        int width = 0, height = 0;
        layoutPixelSize_(layout, &width, &height);
        unref_(layout);
        return width;
    }

    // What the field's width holds besides its text: the frame's border and padding, the
    // vertical scroll bar, the text view's own padding and margins, and the pixel the text
    // view keeps for the cursor.
    int frameWidth() const {
        if (!ok()) return wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, field_) + field_->GetWindowBorderSize().x;
        int scrollBar = 0, natural = 0;
        if (void* bar = verticalScrollBar_(scrolled_)) preferredWidth_(bar, &scrollBar, &natural);
        return sides(scrolled_) + scrollBar + sides(view_) + leftMargin_(view_) + rightMargin_(view_) + 1;
    }

private:
    struct Border {
        int16_t left, right, top, bottom;
    };
    template <class F>
    static void look(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
    }
    // A widget's border and padding at its left and right.
    int sides(void* widget) const {
        void* context = styleContext_(widget);
        Border line{}, inner{};
        border_(context, state_(context), &line);
        padding_(context, state_(context), &inner);
        return line.left + line.right + inner.left + inner.right;
    }

    wxTextCtrl* field_;
    void* scrolled_ = nullptr;
    void* view_ = nullptr;
    void* (*binChild_)(void*) = nullptr;
    void* (*createLayout_)(void*, const char*) = nullptr;
    void (*layoutPixelSize_)(void*, int*, int*) = nullptr;
    void (*unref_)(void*) = nullptr;
    void* (*styleContext_)(void*) = nullptr;
    int (*state_)(void*) = nullptr;
    void (*border_)(void*, int, Border*) = nullptr;
    void (*padding_)(void*, int, Border*) = nullptr;
    void* (*verticalScrollBar_)(void*) = nullptr;
    void (*preferredWidth_)(void*, int*, int*) = nullptr;
    int (*leftMargin_)(void*) = nullptr;
    int (*rightMargin_)(void*) = nullptr;
    void (*setOverlayScrolling_)(void*, int) = nullptr;
};

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(DriveStatusBar, wxPanel)
    EVT_COMMAND(wxID_ANY, ErrorWordEvent, DriveStatusBar::onErrorWord)
    EVT_COMMAND(wxID_ANY, WarningWordEvent, DriveStatusBar::onWarningWord)
    EVT_COMMAND(wxID_ANY, IoBitsEvent, DriveStatusBar::onIoBits)
    EVT_COMMAND(wxID_ANY, StatusBitsEvent, DriveStatusBar::onStatusBits)
    EVT_COMMAND(wxID_ANY, SpeedValueEvent, DriveStatusBar::onSpeedRegister)
    EVT_COMMAND(wxID_ANY, CurrentValueEvent, DriveStatusBar::onCurrentValue)
    EVT_CHECKBOX(wxID_ANY, DriveStatusBar::onTestUnits)
    EVT_BUTTON(wxID_ANY, DriveStatusBar::onTestButton)
wxEND_EVENT_TABLE()
// clang-format on

DriveStatusBar::DriveStatusBar(wxWindow* parent, const wxSize& size, DriveConnection* drive)
    : drive_(drive),
      readers_(drive, [this](wxEventType type, int value, const wxString& text, long tag) {
          wxCommandEvent* event = newProgramEvent(type, value, text);
          event->SetExtraLong(tag);
          queueProgramEvent(this, event);
      }) {
    Create(parent, wxID_ANY, wxDefaultPosition, size, wxTAB_TRAVERSAL, "DriveStatusBar");
    // The panel is as narrow as its blocks: its controls take only the room their texts need.
    useCompactControls(this);
    wxFont font = GetFont();
    font.SetPixelSize(wxSize(0, 11));
    SetFont(font);
    is32bitStatus_ = is32bitRegister(kRegStatusWord);
    lampGreen_ = lampPicture(wxColour(0, 200, 0));
    lampAmber_ = lampPicture(wxColour(255, 176, 0));
    lampGrey_ = lampPicture(wxColour(96, 96, 96));
    createControls();
    // Every block must stay readable: the panel is at least as large as its contents.
    wxSize needed = GetSizer()->GetMinSize();
    SetMinSize(wxSize(std::max(size.x, needed.x), std::max(size.y, needed.y)));
    SetSize(GetMinSize());
}

DriveStatusBar::~DriveStatusBar() = default;

wxButton* DriveStatusBar::makeButton(wxWindow* parent, const char* label, const char* tooltip, const wxSize& size) {
    auto* button = new wxButton(parent, wxID_ANY, tr(label), wxDefaultPosition, size, wxBU_EXACTFIT);
    button->SetToolTip(tr(tooltip));
    // The toolkit's width of the button: its label in the button's font and its border.
    const int fitting = toolkitWidth(button) + 2 * kButtonLabelAir;
    if (button->GetMinSize().x < fitting) button->SetMinSize(wxSize(fitting, button->GetMinSize().y));
    return button;
}

wxSize DriveStatusBar::textSize(const wxString& text, int width) const {
    // Measured with the panel's own font: before the window is realised the toolkit would
    // report the default font's larger size, and the frame would be fitted to that.
    int textWidth = 0;
    int textHeight = 0;
    for (const wxString& line : wxSplit(text.empty() ? wxString(" ") : text, '\n', '\0')) {
        int lineWidth = 0;
        int lineHeight = 0;
        GetTextExtent(line.empty() ? wxString(" ") : line, &lineWidth, &lineHeight);
        textWidth = std::max(textWidth, lineWidth);
        textHeight += lineHeight;
    }
    return wxSize(width < 0 ? textWidth + 1 : std::max(width, textWidth + 1), textHeight);
}

wxStaticText* DriveStatusBar::makeText(wxWindow* parent, const wxString& text, int width) {
    auto* label = new wxStaticText(parent, wxID_ANY, text);
    label->SetMinSize(textSize(text, width));
    return label;
}

void DriveStatusBar::createControls() {
    auto* column = new wxBoxSizer(wxVERTICAL);
    const int gap = 2;

    // Speed and current: value and raw read-outs, then the gauge with its full-scale text.
    // Both bars are drawn by the program, so that both show their empty bar at 0; only the
    // speed bar has the limit marker.
    auto readoutBlock = [&](const char* title, const char* unit, const char* raw, wxStaticText** valueText,
                            wxStaticText** rawText, PercentGauge** gauge, int range, const char* fullScale) {
        wxStaticBoxSizer* box = newTitledBoxSizer(this, tr(title), wxVERTICAL);
        wxWindow* boxWindow = box->GetStaticBox();
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(makeText(boxWindow, tr(unit)), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2);
        *valueText = makeText(boxWindow, kNoValue, 52);
        row->Add(*valueText, 0, wxALIGN_CENTER_VERTICAL);
        row->Add(makeText(boxWindow, tr("NUM")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2);
        *rawText = makeText(boxWindow, raw, 52);
        row->Add(*rawText, 0, wxALIGN_CENTER_VERTICAL);
        box->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
        auto* gaugeRow = new wxBoxSizer(wxHORIZONTAL);
        *gauge = new PercentGauge(boxWindow, wxID_ANY, range, kSpeedLimitMarkerAtStart, wxDefaultPosition,
                                  wxSize(120, 10));
        gaugeRow->Add(*gauge, 1, wxALIGN_CENTER_VERTICAL);
        gaugeRow->Add(makeText(boxWindow, fullScale), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 2);
        box->Add(gaugeRow, 0, wxEXPAND | wxALL, gap);
        column->Add(box, 0, wxEXPAND | wxBOTTOM, gap);
    };
    readoutBlock("SPEED", "RPM", kNoSpeedRaw, &speedText_, &speedRawText_, &speedGauge_, 100, "100%");
    readoutBlock("CURRENT", "A rms", kNoCurrentRaw, &currentText_, &currentRawText_, &currentGauge_, 200, "200%");
    currentGauge_->setMarkerShown(false);

    // Lamps in two columns: the first half of the bits, then the second.
    auto lampBlock = [&](const char* title, int count, const char* keyFormat, wxBitmap* lit, BitmapLabelSizer** lamps) {
        wxStaticBoxSizer* box = newTitledBoxSizer(this, tr(title), wxHORIZONTAL);
        wxWindow* boxWindow = box->GetStaticBox();
        for (int half = 0; half < 2; ++half) {
            auto* lampColumn = new wxBoxSizer(wxVERTICAL);
            for (int k = half * count / 2; k < (half + 1) * count / 2; ++k) {
                const wxString text = translate(wxString::Format(keyFormat, k));
                lamps[k] = new BitmapLabelSizer(boxWindow, text, lit, &lampGrey_);
                lamps[k]->text->SetMinSize(textSize(text, -1));
                lampColumn->Add(lamps[k], 0, wxBOTTOM, 1);
            }
            box->Add(lampColumn, 1, wxALL, gap);
        }
        column->Add(box, 0, wxEXPAND | wxBOTTOM, gap);
    };
    lampBlock("In-Out", 16, "IO_BIT_%02u", &lampGreen_, ioLamps_);
    lampBlock("Status", 32, "STATUS_BIT_%02u", &lampAmber_, statusLamps_);

    const long textStyle = wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH | wxHSCROLL;
    wxStaticBoxSizer* warnings = newTitledBoxSizer(this, tr("Warnings"), wxVERTICAL);
    warningsField_ = new wxTextCtrl(warnings->GetStaticBox(), wxID_ANY, wxString(), wxDefaultPosition,
                                    wxSize(150, 34), textStyle);
    warnings->Add(warningsField_, 0, wxEXPAND | wxALL, gap);
    column->Add(warnings, 0, wxEXPAND | wxBOTTOM, gap);

    wxStaticBoxSizer* errors = newTitledBoxSizer(this, tr("Errors"), wxVERTICAL);
    // An error line is a name padded to a column and a description. In a fixed-pitch font
    // the descriptions line up; the lines wrap instead of running out of the field, and a
    // wrapped line goes on under the description column. The field is as wide as that column
    // and the longest word of any line, so that no word is ever broken: measured in the font
    // the field draws with, plus what its frame and scroll bar take.
    errorsField_ = new wxTextCtrl(errors->GetStaticBox(), wxID_ANY, wxString(), wxDefaultPosition, wxSize(-1, 40),
                                  wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH);
    wxFont fixedPitch(wxFontInfo().Family(wxFONTFAMILY_TELETYPE));
    fixedPitch.SetPixelSize(wxSize(0, 11));
    errorsField_->SetFont(fixedPitch);
    const TextFieldLayout fieldLayout(errorsField_);
    fieldLayout.keepScrollBarBesideText();
    const int descriptionColumn = fieldLayout.textWidth(wxString('0', status::kErrorNameColumn));
    indentWrappedLines(errorsField_, descriptionColumn);
    int longestWord = 0;
    for (const wxString& line : status::allErrorLines())
        for (const wxString& word : wxSplit(status::keepHyphenatedWordsWhole(line), ' ', '\0'))
            longestWord = std::max(longestWord, fieldLayout.textWidth(word.Strip(wxString::both)));
    errorsField_->SetMinSize(wxSize(descriptionColumn + longestWord + fieldLayout.frameWidth(), 40));
    // What is copied from the field is the catalogue's text, not the hyphens it shows.
    copyCatalogueText(errorsField_);
    errors->Add(errorsField_, 0, wxEXPAND | wxALL, gap);
    clearErrorsButton_ = makeButton(errors->GetStaticBox(), "Clear errors", "Tooltip Button Clear warnings and errors",
                                    wxSize(-1, 22));
    errors->Add(clearErrorsButton_, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    column->Add(errors, 0, wxEXPAND | wxBOTTOM, gap);

    wxStaticBoxSizer* test = newTitledBoxSizer(this, tr("Test"), wxVERTICAL);
    wxWindow* testBox = test->GetStaticBox();
    const int labelWidth = 46;
    const wxSize buttonSize(36, 22);
    auto* unitsRow = new wxBoxSizer(wxHORIZONTAL);
    unitsRow->Add(makeText(testBox, tr("Units"), labelWidth), 0,
                  wxALIGN_CENTER_VERTICAL);
    testUnitsCheck_ = new wxCheckBox(testBox, wxID_ANY, wxString());
    testUnitsCheck_->SetToolTip(tr("Tooltip Checkbox Test Units"));
    unitsRow->Add(testUnitsCheck_, 0, wxALIGN_CENTER_VERTICAL);
    test->Add(unitsRow, 0, wxLEFT | wxRIGHT | wxTOP, gap);

    auto fieldRow = [&](const char* label, const char* initial, const char* tooltip) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(makeText(testBox, tr(label), labelWidth), 0,
                 wxALIGN_CENTER_VERTICAL);
        auto* field = new wxTextCtrl(testBox, wxID_ANY, initial, wxDefaultPosition, wxSize(90, 20));
        field->SetToolTip(tr(tooltip));
        row->Add(field, 1, wxALIGN_CENTER_VERTICAL);
        test->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
        return field;
    };
    auto buttonRow = [&](const char* label, std::initializer_list<std::pair<const char*, const char*>> buttons,
                         std::initializer_list<wxButton**> targets) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(makeText(testBox, label ? tr(label) : wxString(), labelWidth),
                 0, wxALIGN_CENTER_VERTICAL);
        auto target = targets.begin();
        for (const auto& [text, tooltip] : buttons) {
            **target = makeButton(testBox, text, tooltip, buttonSize);
            row->Add(**target, 0, wxRIGHT, 1);
            ++target;
        }
        test->Add(row, 0, wxLEFT | wxRIGHT | wxTOP, gap);
    };
    testSpeedField_ = fieldRow("Speed", "500", "Tooltip Test Speed");
    buttonRow("Stop",
              {{"+", "Tooltip Button Test +"}, {"O", "Tooltip Button Test Stop"}, {"-", "Tooltip Button Test -"}},
              {&testPlusButton_, &testStopButton_, &testMinusButton_});
    testPositionField_ = fieldRow("Position", "0", "Tooltip Test Position");
    buttonRow(nullptr,
              {{"Dest", "Tooltip Button Test Dest."},
               {"P.", "Tooltip Button Test Preset"},
               {"Calib", "Tooltip Button Test Calib."}},
              {&testDestButton_, &testPresetButton_, &testCalibButton_});
    test->AddSpacer(gap);
    column->Add(test, 0, wxEXPAND);

    SetSizer(column);
}

bool DriveStatusBar::readValue(uint32_t reg, long long* value) {
    if (!drive_) return false;
    if (is32bitRegister(reg)) {
        uint32_t word = 0;
        if (drive_->read32bitRegister(reg, &word) != 0) return false;
        *value = isRegisterUnsigned(reg) ? static_cast<long long>(word) : static_cast<int32_t>(word);
        return true;
    }
    uint16_t half = 0;
    if (drive_->read16bitRegister(reg, &half) != 0) return false;
    *value = isRegisterUnsigned(reg) ? static_cast<long long>(half) : static_cast<int16_t>(half);
    return true;
}

bool DriveStatusBar::writeValue(uint32_t reg, uint32_t value) {
    if (!drive_) return false;
    if (is32bitRegister(reg)) return drive_->write32bitRegister(reg, value) == 0;
    return drive_->write16bitRegister(reg, static_cast<uint16_t>(value)) == 0;
}

bool DriveStatusBar::pollDriveStatus(int failureCount) {
    if (!drive_ || !drive_->isConnected()) return false;
    positionScale_ = 0;
    positionOffset_ = 0;
    long long value = 0;
    if (!readValue(kRegSpeedMax, &value)) return false;
    speedMax_ = static_cast<int>(value);
    if (!readValue(kRegSpeedLimit, &value)) return false;
    speedGauge_->setGaugePercent(static_cast<int>(std::trunc(double(value) * kPercentOfFullScale)));
    if (!readValue(kRegCurrent200, &value)) return false;
    current200_ = static_cast<int>(value);
    if (!readValue(kRegDeviceCurrent, &value)) return false;
    deviceCurrent_ = static_cast<int>(value);
    if (firmwareVersion.load() > 101) {
        if (!readValue(kRegPositionScale, &value)) return false;
        positionScale_ = static_cast<int32_t>(value);
    }
    if (firmwareVersion.load() > 103) {
        if (!readValue(kRegPositionOffset, &value)) return false;
        positionOffset_ = static_cast<int32_t>(value);
    }
    return updateDriveStatus(failureCount);
}

bool DriveStatusBar::updateDriveStatus(int failureCount) { return readers_.updateDriveStatus(failureCount); }

void DriveStatusBar::showErrors(uint32_t word, long linkState, const wxString& failureText) {
    const wxString text = status::keepHyphenatedWordsWhole(status::errorText(word, linkState, failureText));
    if (errorsField_->GetValue() != text) errorsField_->ChangeValue(text);
}

bool DriveStatusBar::isCurrentReading(const wxCommandEvent& event) const {
    return tagGeneration(event.GetExtraLong()) == readers_.generation();
}

void DriveStatusBar::onErrorWord(wxCommandEvent& event) {
    if (!isCurrentReading(event)) return;
    showErrors(static_cast<uint32_t>(event.GetInt()), tagLinkState(event.GetExtraLong()), event.GetString());
}

void DriveStatusBar::onWarningWord(wxCommandEvent& event) {
    if (!isCurrentReading(event)) return;
    const wxString text = status::warningText(static_cast<uint32_t>(event.GetInt()));
    if (warningsField_->GetValue() != text) warningsField_->ChangeValue(text);
}

void DriveStatusBar::onIoBits(wxCommandEvent& event) {
    if (!isCurrentReading(event)) return;
    const uint32_t word = static_cast<uint32_t>(event.GetInt());
    const int lamps = is32bitStatus_ ? 32 : 16;
    for (int k = 0; k < lamps; ++k) statusLamps_[k]->setLampLit((word >> k) & 1u);
}

void DriveStatusBar::onStatusBits(wxCommandEvent& event) {
    if (!isCurrentReading(event)) return;
    const uint32_t word = static_cast<uint32_t>(event.GetInt());
    for (int k = 0; k < 16; ++k) ioLamps_[k]->setLampLit((word >> k) & 1u);
}

void DriveStatusBar::onSpeedRegister(wxCommandEvent& event) {
    if (!isCurrentReading(event)) return;
    const status::Readout readout = status::speedReadout(event.GetInt(), speedMax_.load());
    showLabel(speedRawText_, readout.raw);
    showLabel(speedText_, readout.value);
    speedGauge_->SetValue(readout.gauge);
}

void DriveStatusBar::onCurrentValue(wxCommandEvent& event) {
    if (!isCurrentReading(event)) return;
    const status::Readout readout = status::currentReadout(event.GetInt(), deviceCurrent_.load(), current200_.load());
    showLabel(currentRawText_, readout.raw);
    showLabel(currentText_, readout.value);
    currentGauge_->SetValue(readout.gauge);
}

void DriveStatusBar::enableTestControls(bool enable) {
    for (wxWindow* control :
         std::initializer_list<wxWindow*>{testSpeedField_, testPlusButton_, testStopButton_, testMinusButton_,
                                          testPositionField_, testDestButton_, testPresetButton_, testCalibButton_,
                                          clearErrorsButton_})
        control->Enable(enable);
    // Whatever was read on the link before belongs to it; the next link posts afresh.
    readers_.newGeneration();
    if (!enable) showNoDrive();
}

void DriveStatusBar::showNoDrive() {
    // What the drive said last no longer holds: nothing is lit and nothing is read.
    showErrors(0, status::kOffline, "0");
    if (!warningsField_->IsEmpty()) warningsField_->ChangeValue(wxString());
    for (BitmapLabelSizer* lamp : statusLamps_) lamp->setLampLit(false);
    for (BitmapLabelSizer* lamp : ioLamps_) lamp->setLampLit(false);
    showLabel(speedText_, kNoValue);
    showLabel(speedRawText_, kNoSpeedRaw);
    speedGauge_->SetValue(0);
    speedGauge_->setGaugePercent(kSpeedLimitMarkerAtStart);
    showLabel(currentText_, kNoValue);
    showLabel(currentRawText_, kNoCurrentRaw);
    currentGauge_->SetValue(0);
}

}  // namespace torvex
