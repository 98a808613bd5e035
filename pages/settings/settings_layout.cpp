// The Settings page's controls: every field, read-out, choice box and button at its
// place, created in the keyboard's tab order.
#include <algorithm>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/config.h>

#include "link/i18n.h"
#include "pages/settings/settings_mail.h"
#include "pages/settings/settings_page.h"
#include "services/config.h"
#include "widgets/events.h"
#include "widgets/register_choice.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"
#include "widgets/register_text_edit.h"

namespace torvex {

namespace {

wxString tx(const char* key) { return wxGetTranslation(wxString::FromUTF8(key)); }

// A table row with its place in the tab order.
struct FieldSpec {
    int order;
    ControlRow row;
};

ControlRow edit(int reg, int part, const char* name, int x, int y, int w = 49, int percentBase = 0, int scale = 0,
                int decimals = 1) {
    ControlRow row;
    row.kind = RowKind::Edit;
    row.reg = reg;
    row.part = part;
    row.x = x;
    row.y = y;
    row.w = w;
    row.h = 12;
    row.percentBase = percentBase;
    row.scale = scale;
    row.decimals = decimals;
    row.nameKey = name;
    return row;
}

// The two speed-limit clips start with texts of the catalogue rather than plain numbers.
ControlRow catalogueInitialText(ControlRow row, const char* key) {
    row.initialText = key;
    row.initialTextTranslated = true;
    return row;
}

ControlRow readout(int reg, int x, int y, int w, bool listed) {
    ControlRow row;
    row.kind = RowKind::Display;
    row.reg = reg;
    row.x = x;
    row.y = y;
    row.w = w;
    row.h = 12;
    row.listed = listed;
    return row;
}

// The two read-outs of 0xCF stand under the low- and high-half captions of a 32-bit
// layout, but the register is 16 bits wide: both show it whole.
ControlRow halfCaptionReadout(int y, bool high) {
    ControlRow row = readout(0xCF, 91, y, 49, true);
    row.tooltipKey = high ? "Tooltip Register 0xcf_high" : "Tooltip Register 0xcf_low";
    row.initialText = high ? "0xcf H" : "0xcf L";
    return row;
}

const std::vector<FieldSpec>& fieldSpecs() {
    static const std::vector<FieldSpec> specs = {
        {2, edit(0x59, 0, "Motor N nom", 107, 46)},
        {3, edit(0x05, 0, "Motor F nom", 107, 63, 49, 0, 10, 1)},
        {4, edit(0x06, 0, "Motor U nom", 107, 80)},
        {5, edit(0x0E, 0, "Motor U phi", 107, 97, 49, 0, 100, 2)},
        {6, edit(0x4D, 0, "Motor I max", 107, 114, 49, 0, 10, 1)},
        {7, edit(0x4E, 0, "Motor I contin", 107, 131, 49, 0, 10, 1)},
        {8, edit(0x4F, 0, "Motor Pole", 107, 148)},
        {13, edit(0xF1, 0, "Motor Brake delay", 107, 207)},
        {16, edit(0xA3, 0, "Motor Temp", 107, 245)},
        {18, edit(0xA7, 0, "Feedback F-Pole", 91, 301)},
        {19, edit(0x44, 0, "Feedback Incremental Offset", 91, 318, 49, 0, 10, 0)},
        {20, edit(0xA6, 0, "Feedback Inc-Mot", 91, 335)},
        {22, halfCaptionReadout(413, false)},
        {23, edit(0x7E, 0, "Feedback Factor-ext", 91, 430)},
        {25, halfCaptionReadout(502, true)},
        {26, readout(0x67, 284, 29, 88, false)},
        {27, edit(0x62, 0, "Servo SNr.", 284, 46, 66)},
        {31, edit(0x64, 0, "Servo Mains", 284, 101, 66)},
        {32, edit(0xA5, 2, "Servo DC-Bus max", 284, 118, 66, 0x7FFF)},
        {33, edit(0xA5, 1, "Servo DC-Bus min", 284, 135, 66, 0x7FFF)},
        {38, edit(0x65, 1, "Servo Regen-P", 284, 194, 66)},
        {39, edit(0x65, 2, "Servo Regen-R", 284, 211, 66)},
        {45, edit(0x1E, 0, "Cutoff-digital-cmd", 315, 336, 57)},
        {47, edit(0x2F, 1, "Servo Command Offset 1", 250, 397)},
        {48, edit(0x50, 0, "Servo Command Cutoff 1", 250, 414)},
        {49, edit(0x2F, 2, "Servo Command Scale 1", 250, 431, 49, 0, 4096, 3)},
        {52, edit(0xD7, 1, "Servo Command Offset 2", 315, 397)},
        {53, edit(0x53, 0, "Servo Command Cutoff 2", 315, 414)},
        {54, edit(0xD7, 2, "Servo Command Scale 2", 315, 431, 49, 0, 4096, 3)},
        {68, edit(0x1C, 0, "Parameter Current Kp", 458, 46)},
        {69, edit(0x1D, 0, "Parameter Current Tn", 458, 63)},
        {70, edit(0x2B, 0, "Parameter Current TnM", 458, 80)},
        {71, edit(0x25, 0, "Parameter Current Ramp", 458, 114)},
        {72, edit(0xC4, 0, "Parameter Current Imax", 458, 131, 49, 0x3FFF)},
        {73, readout(0xC4, 458, 148, 49, false)},
        {74, edit(0xC5, 0, "Parameter Current Icont", 458, 165, 49, 0x3FFF)},
        {75, readout(0xC5, 458, 182, 49, false)},
        {76, edit(0xF0, 0, "Parameter Current Tpeak", 458, 199)},
        {77, edit(0x46, 0, "Parameter Current Ilim-dig", 458, 233, 49, 0x7FFF)},
        {78, edit(0x3C, 0, "Parameter Current I-red-N", 458, 250, 49, 0x7FFF)},
        {79, edit(0x58, 0, "Parameter Current I-red-TD", 458, 267)},
        {80, edit(0x4C, 0, "Parameter Current I-red-TE", 458, 284)},
        {81, edit(0xA2, 0, "Parameter Current I-red-TM", 458, 301)},
        {82, edit(0x07, 1, "Parameter Speed T-DC 1", 458, 352)},
        {83, edit(0x08, 1, "Parameter Current I-DC 1", 458, 369)},
        {84, edit(0x0A, 1, "Parameter Speed U min 1", 458, 386, 49, 0, 10, 1)},
        {85, edit(0x0B, 1, "Parameter Speed F min 1", 458, 403, 49, 0, 10, 1)},
        {86, edit(0x0C, 1, "Parameter Speed U eck", 458, 420, 49, 0, 10, 1)},
        {87, edit(0x0D, 1, "Parameter Speed F < 1", 458, 437, 49, 0, 10, 1)},
        {89, edit(0x2C, 0, "Parameter Speed Kp", 601, 46)},
        {90, edit(0x2D, 0, "Parameter Speed Ti", 601, 63)},
        {91, edit(0x2E, 0, "Parameter Speed Td", 601, 80)},
        {92, edit(0x3B, 0, "Parameter Speed TiM", 601, 97)},
        {93, edit(0x5B, 0, "Parameter Speed Kacc", 601, 114)},
        {94, edit(0x5E, 0, "Parameter Speed Filter", 601, 131)},
        {96, edit(0x35, 1, "Parameter Speed RCW-Acc", 601, 165)},
        {97, edit(0xED, 1, "Parameter Speed RCW-Dec", 601, 182)},
        {98, edit(0x35, 2, "Parameter Speed RCCW-Acc", 601, 199)},
        {99, edit(0xED, 2, "Parameter Speed RCCW-Dec", 601, 216)},
        {101, edit(0xC7, 0, "Parameter Speed Limit", 601, 250)},
        {102, edit(0xC8, 0, "Parameter Speed N max", 601, 267)},
        {103, edit(0x34, 0, "Parameter Speed Limit %", 601, 284, 49, 0x7FFF)},
        {104, catalogueInitialText(edit(0x3F, 0, "N Limit +", 601, 301, 49, 0x7FFF), "0x3f")},
        {105, catalogueInitialText(edit(0x3E, 0, "N Limit -", 601, 318, 49, 0x7FFF), "0x3e")},
        {106, edit(0xC9, 0, "Parameter Position-Current Kp", 746, 46)},
        {107, edit(0xCA, 0, "Parameter Position-Current Tn", 746, 63)},
        {108, edit(0xCB, 0, "Parameter Position-Current Tv", 746, 80)},
        {109, edit(0xCD, 0, "Parameter Position-Current TnM", 746, 97)},
        {110, edit(0x6A, 0, "Parameter Position-Speed Kp", 746, 148)},
        {111, edit(0x6B, 0, "Parameter Position-Speed Tn", 746, 182)},
        {112, edit(0x6C, 0, "Parameter Position-Speed Tv", 746, 199)},
        {113, edit(0x71, 0, "Parameter Position-Speed TnM", 746, 216)},
        {114, edit(0x07, 2, "Parameter Speed T-DC 2", 601, 352)},
        {115, edit(0x08, 2, "Parameter Current I-DC 2", 601, 369)},
        {116, edit(0x0A, 2, "Parameter Speed U min 2", 601, 386, 49, 0, 10, 1)},
        {117, edit(0x0B, 2, "Parameter Speed F min 2", 601, 403, 49, 0, 10, 1)},
        {118, edit(0x0C, 2, "Parameter Speed U eck", 601, 420, 49, 0, 10, 1)},
        {119, edit(0x0D, 2, "Parameter Speed F < 2", 601, 437, 49, 0, 10, 1)},
        {121, edit(0x76, 0, "Parameter Pos Reference Speed to", 746, 267)},
        {122, edit(0x77, 0, "Parameter Pos Reference Speed from", 746, 284)},
        {123, edit(0x75, 0, "Parameter Pos Reference Reso Edge", 746, 301)},
        {126, edit(0x79, 0, "Parameter Pos Parameters Tol window", 746, 386)},
        {127, edit(0x72, 0, "Parameter Pos Parameters Referenz Offset", 746, 403, 70)},
        {128, edit(0x7C, 0, "Parameter Pos Parameters TX-Scale", 746, 420)},
    };
    return specs;
}

struct ComboItem {
    const char* key;
    long data;
};

}  // namespace

SettingsPage::SettingsPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits)
    : DrivePage(notebook, drive, limits, [] {
          DrivePageOptions options;
          options.smallFont = true;
          options.pictureFile = "pictures/Settings.bmp";
          options.builtinPicture = PagePicture::Settings;
          options.refocusEvent = SettingsRefocusEvent;
          options.drawBuiltinPicture = &drawSettingsPicture;
          return options;
      }()) {
    buildPage();
    Bind(wxEVT_COMBOBOX, &SettingsPage::onCombo, this);
    Bind(SettingsStatusEvent, &SettingsPage::onSettingsStatus, this);
    applyButtonStates();
    restoreFocus();
}

void SettingsPage::buildPage() {
    wxFont controlFont = GetFont();
    controlFont.SetPixelSize(wxSize(0, 9));

    size_t nextField = 0;
    const auto& specs = fieldSpecs();
    // Builds the table rows up to and including tab position last.
    auto fieldsUpTo = [&](int last) {
        std::vector<ControlRow> rows;
        while (nextField < specs.size() && specs[nextField].order <= last) rows.push_back(specs[nextField++].row);
        if (!rows.empty()) buildControls(rows);
    };
    auto combo = [&](int order, int x, int y, int w, const char* tooltip, std::initializer_list<ComboItem> items,
                     const char* initial) {
        fieldsUpTo(order - 1);
        auto* box = new wxComboBox(this, wxID_ANY, wxEmptyString, wxPoint(x, y), wxSize(w, 13), 0, nullptr,
                                   wxCB_READONLY, wxDefaultValidator, "comboBox");
        box->SetFont(controlFont);
        box->SetToolTip(tx(tooltip));
        ChoiceItems gathered;
        for (const ComboItem& item : items) gathered.add(tx(item.key), item.data);
        gathered.appendTo(box);
        if (initial) box->SetValue(tx(initial));
        return box;
    };
    // A button with its tooltip; pages' buttons take the small control font unless told not to.
    auto button = [&](int order, const char* label, const char* tooltip, int x, int y, int w, int h,
                      bool ownFont = true) {
        fieldsUpTo(order - 1);
        auto* made = new wxButton(this, wxID_ANY, tx(label), wxPoint(x, y), wxSize(w, h), 0, wxDefaultValidator,
                                  "button");
        made->SetToolTip(tx(tooltip));
        if (ownFont) made->SetFont(controlFont);
        return made;
    };
    // The option-bit pairs show their state in their colour (green pressed, white released).
    // Their labels are bold: in the page's small fonts the smoothed strokes of a regular
    // weight come out as pale as a disabled button's text, on green as on white.
    auto optionButton = [&](int order, const char* label, const char* tooltip, int x, int y, int w, int h,
                            bool ownFont = true) {
        wxButton* made = button(order, label, tooltip, x, y, w, h, ownFont);
        made->SetFont(made->GetFont().Bold());
        return made;
    };
    auto check = [&](int order, const char* tooltip, int x, int y) {
        fieldsUpTo(order - 1);
        auto* made = new wxCheckBox(this, wxID_ANY, wxEmptyString, wxPoint(x, y), wxDefaultSize, 0,
                                    wxDefaultValidator, "check");
        made->SetToolTip(tx(tooltip));
        made->SetValue(true);
        return made;
    };

    motorTypeChoice = combo(1, 106, 23, 75, "Tooltip Motor Type",
                            {{"MOTOR_TYPE_0", 0}, {"MOTOR_TYPE_1", 0x1000}, {"MOTOR_TYPE_2", 0x2000},
                             {"MOTOR_TYPE_3", 0x3000}},
                            "MOTOR_TYPE_0");
    directionCwButton = optionButton(9, "cw", "Tooltip Button Motor Direction cw", 106, 164, 26, 18);
    directionCcwButton = optionButton(10, "ccw", "Tooltip Button Motor Direction ccw", 131, 164, 26, 18);
    brakeOnButton = optionButton(11, "on", "Tooltip Button Motor Brake on", 106, 185, 26, 18);
    brakeOffButton = optionButton(12, "off", "Tooltip Button Motor Brake off", 131, 185, 26, 18);
    coastStopOnButton = optionButton(14, "on", "Tooltip Button Motor coast stop on", 106, 223, 26, 18);
    coastStopOffButton = optionButton(15, "off", "Tooltip Button Motor coast stop off", 131, 223, 26, 18);

    motorFeedbackChoice = combo(17, 28, 278, 113, "Tooltip Motor Feedback", {}, nullptr);
    // Only the feedback types the catalogue names are offered.
    ChoiceItems feedbackTypes;
    for (unsigned n = 0; n < 32; ++n) {
        const wxString key = wxString::Format("Motor Feedback Type %u", n);
        const wxString text = wxGetTranslation(key);
        if (text != key) feedbackTypes.add(text, n);
    }
    feedbackTypes.appendTo(motorFeedbackChoice);
    if (motorFeedbackChoice->GetCount() > 0) motorFeedbackChoice->SetValue(motorFeedbackChoice->GetString(0));
    motorFeedback2Choice = combo(21, 28, 390, 113, "Tooltip Motor Feedback 2",
                                 {{"Off", 0}, {"INC-IN", 0x20}, {"INC-OUT", 0x40}, {"HAND", 0x60}}, "INC-OUT");
    // Narrower than the other choices: its unit is painted at x 143 on the same line.
    incOutFactorChoice =
        combo(24, 88, 479, 53, "Tooltip Inc-Out Factor", {{"4", 0x3000}, {"8", 0x4000}, {"16", 0}}, "4");

    fieldsUpTo(27);
    axisNameEdit = new RegisterTextEdit(0xF8, tx("Servo Achse"), this, "0xf8", tx("Tooltip Register 0xf8"),
                                        wxPoint(284, 63), wxSize(66, 12), drive());
    setAxisNameField(axisNameEdit);

    mainsAcButton = optionButton(29, "AC ~", "Tooltip Button Servo Mains AC", 283, 79, 34, 18);
    mainsDcButton = optionButton(30, "DC =", "Tooltip Button Servo Mains DC", 317, 79, 34, 18);
    zwMonitorDigitalButton = optionButton(34, "digital", "Tooltip Button Servo ZW-Monitor digital", 283, 151, 34, 18);
    zwMonitorAnalogButton = optionButton(35, "analog", "Tooltip Button Servo ZW-Monitor analog", 317, 151, 34, 18);
    regenIntButton = optionButton(36, "int", "Tooltip Button Servo Regen int", 283, 172, 34, 18, false);
    regenExtButton = optionButton(37, "ext", "Tooltip Button Servo Regen ext", 317, 172, 34, 18, false);
    btbPowerWithButton = optionButton(40, "mit", "Tooltip Button Servo BTB Power mit", 283, 228, 34, 18);
    btbPowerWithoutButton = optionButton(41, "ohne", "Tooltip Button Servo BTB Power ohne", 317, 228, 34, 18);

    clockFrequencyChoice = combo(42, 283, 250, 90, "Tooltip Servo Taktfreq.",
                                 {{"8 kHz", 0},
                                  {"24 kHz", 0x100000},
                                  {"20 kHz", 0x200000},
                                  {"16 kHz", 0x300000},
                                  {"12 kHz", 0x400000},
                                  {"8 kHz I16", 0x500000},
                                  {"4 kHz I8", 0x600000},
                                  {"2 kHz I4", 0x700000}},
                                 "8 kHz");
    analogOutChoice = combo(43, 283, 273, 90, "Tooltip Combo Servo Analog out", {}, nullptr);
    initRegisterChoice(analogOutChoice);
    analogOutChoice->SetValue(tx("--Off--"));
    analogOutChoice->SetSelection(0);
    servoCommandChoice = combo(44, 250, 313, 123, "Tooltip Servo Command",
                               {{"Digital Speed", 0},
                                {"Analog Speed", 2},
                                {"Analog Torque", 3},
                                {"Digi+Ana Speed", settings::kDigitalAnalogSpeedItem}},
                               "Digital Speed");
    ain1FormatChoice = combo(46, 249, 374, 60, "Tooltip Combobox Servo Command analog Format 1",
                             {{"Off", 0}, {"Cmd", 1}, {"-Cmd", 2}, {"sq(Cmd)", 3}, {"N limit", 4}}, "Cmd");
    ain1ModeChoice = combo(50, 249, 448, 60, "Tooltip Combobox Servo Command Mode 1",
                           {{"-10...+10V", 0}, {"0...+10V", 0x10}, {"4...20mA", 0x20}, {"Off", 0x30}},
                           "-10...+10V");
    ain2FormatChoice = combo(51, 314, 374, 60, "Tooltip Combobox Servo Command analog Format 2",
                             {{"Off", 0}, {"+Cmd", 1}, {"-Cmd", 2}, {"*Cmd", 3}, {"I limit", 4}}, "+Cmd");
    ain2ModeChoice = combo(55, 314, 448, 60, "Tooltip Combobox Servo Command Mode 2",
                           {{"-10...+10V", 0}, {"0...+10V", 0x100}, {"4...20mA", 0x200}, {"Off", 0x300}},
                           "-10...+10V");

    loadButton = button(56, "Load", "Tooltip Button Load", 552, 531, 53, 20);
    saveButton = button(57, "Save", "Tooltip Button Save", 614, 531, 53, 20);
    printButton = button(58, "Print", "Tooltip Button Print", 552, 554, 53, 20);
    mailButton = button(59, "Mail to", "Tooltip Button Email", 614, 554, 53, 20);
    mailAvailable_ = mailAvailable();
    mailButton->Enable(mailAvailable_);
    read0Button = button(60, "Read 0", "Tooltip Read 0", 697, 531, 53, 20);
    write0Button = button(61, "Write 0", "Tooltip Write 0", 759, 531, 53, 20);
    read1Button = button(62, "Read 1", "Tooltip Read 1", 697, 554, 53, 20);
    write1Button = button(63, "Write 1", "Tooltip Write 1", 759, 554, 53, 20);
    read2Button = button(64, "Read 2", "Tooltip Read 2", 697, 577, 53, 20);
    write2Button = button(65, "Write 2", "Tooltip Write 2", 759, 577, 53, 20);
    // Storing set 2 is offered only where the configuration asks for it.
    write2Button->Show(!getWrite2().empty());
    fieldsUpTo(65);
    createUpDownButtons(wxPoint(316, 530), wxPoint(316, 553), wxSize(53, 20));

    currentShape1Choice = combo(88, 457, 453, 68, "Tooltip Combo Current F-sh 1",
                                {{"linear", 0}, {"quad/2", 2}, {"quad", 4}, {"opt", 6}}, "linear");
    // The check boxes stand one pixel further left than their 13-pixel places: the
    // toolkit's smallest is 16 pixels wide, and the units beside them start at 653.
    rampSelectCheck = check(95, "Tooltip Checkbox Speed Ramp-sel", 637, 147);
    sFormCheck = check(100, "Tooltip Checkbox Speed S-Form", 637, 232);
    currentShape2Choice = combo(120, 600, 453, 68, "Tooltip Combo Current F-sh 2",
                                {{"linear", 0}, {"quad/2", 8}, {"quad", 0x10}, {"opt", 0x18}}, "linear");
    decRampAccButton = optionButton(124, "Acc", "Tooltip Button Pos-Referenz Dec-Ramp Acc", 745, 335, 26, 18);
    decRampLimButton = optionButton(125, "Lim", "Tooltip Button Pos-Referenz Dec-Ramp Lim", 770, 335, 26, 18);
    fieldsUpTo(1000);

    // The named fields and read-outs, found by their registers in the built table.
    const auto& rows = tableRows();
    const auto& controls = tableControls();
    for (size_t i = 0; i < rows.size(); ++i) {
        const ControlRow& row = rows[i];
        if (row.kind == RowKind::Edit) {
            auto* field = static_cast<RegisterEdit*>(controls[i]);
            switch (row.reg) {
            case settings::kRegMotorSpeedMax: motorSpeedNomField = field; break;
            case settings::kRegImax: imaxField = field; break;
            case settings::kRegIcont: icontField = field; break;
            case settings::kRegSpeedTo: speedToField = field; break;
            case settings::kRegSpeedFrom: speedFromField = field; break;
            case settings::kRegReferenceOffset: referenceOffsetField = field; break;
            default: break;
            }
        } else if (row.kind == RowKind::Display && !row.listed) {
            auto* display = static_cast<RegisterDisplay*>(controls[i]);
            if (row.reg == settings::kRegServoType) servoTypeDisplay = display;
            if (row.reg == settings::kRegImax) imaxDisplay = display;
            if (row.reg == settings::kRegIcont) icontDisplay = display;
        }
    }
    servoTypeDisplay->SetFont(controlFont);
    setDefaultField(motorSpeedNomField);

    // In the order readFromDrive reads them.
    choices_ = {
        {motorTypeChoice, settings::kRegKernOptions, 32, 0x3000, "Nothing selected in Motor Type!"},
        {motorFeedbackChoice, settings::kRegMotorOptions, 16, 0x001F, "Nothing selected in Motor Feedback!"},
        {motorFeedback2Choice, settings::kRegMotorOptions, 16, 0x00E0, "Nothing selected in Motor Feedback 2!"},
        {clockFrequencyChoice, settings::kRegKernOptions, 32, 0x700000, "Nothing selected in Servo Taktfreq!"},
        {currentShape1Choice, settings::kRegCurrentShape, 16, 0x0006,
         "Nothing selected in Parameter Current F-sh 1!"},
        {currentShape2Choice, settings::kRegCurrentShape, 16, 0x0018,
         "Nothing selected in Parameter Current F-sh 2!"},
        {ain1ModeChoice, settings::kRegCommandSource, 16, 0x0030, "Nothing selected in Servo Command Mode Ain1!"},
        {ain2ModeChoice, settings::kRegCommandSource, 16, 0x0300, "Nothing selected in Servo Command Mode Ain2!"},
        {incOutFactorChoice, settings::kRegMotorOptions, 16, 0x7000, "Nothing selected in Motor Inc-Out Factor!"},
        {analogOutChoice, settings::kRegAnalogOut, 16, 0, "Nothing selected in Servo Analog out!"},
    };
    optionPairs_ = {
        {8, directionCcwButton, directionCwButton},   {18, brakeOnButton, brakeOffButton},
        {3, coastStopOnButton, coastStopOffButton},   {7, zwMonitorAnalogButton, zwMonitorDigitalButton},
        {1, regenExtButton, regenIntButton},          {19, mainsDcButton, mainsAcButton},
        {6, btbPowerWithoutButton, btbPowerWithButton}, {5, decRampAccButton, decRampLimButton},
    };
    // Until the first read the first button of each pair counts as pressed.
    for (wxButton* first : {directionCwButton, brakeOnButton, coastStopOnButton, mainsAcButton,
                                zwMonitorDigitalButton, regenIntButton, btbPowerWithButton, decRampAccButton}) {
        first->SetBackgroundColour(pressedColour());
        pressed_.push_back(first);
    }
    setButtons_ = {loadButton, read0Button, write0Button, read1Button, write1Button, read2Button, write2Button};
}

}  // namespace torvex
