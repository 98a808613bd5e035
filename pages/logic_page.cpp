#include "pages/logic_page.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/message_seam.h"
#include "pages/logic_bus_auto_pictures.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "widgets/boxed_panel.h"
#include "widgets/events.h"
#include "widgets/field_logic.h"
#include "widgets/field_sizers.h"
#include "widgets/register_choice.h"
#include "widgets/register_edit.h"

namespace torvex {

namespace {

wxString translated(const char* key) { return wxString::FromUTF8(tr(key)); }
wxString translated(const wxString& key) { return translated(key.utf8_str().data()); }

void errorBox(const wxString& text) {
    ui::messageBox(text, translated(kCaptionError), wxOK | wxICON_ERROR);
}

// "Fehler beim ... 0x%x!" filled after translation, the register in lower-case hexadecimal.
wxString registerMessage(const char* key, int reg) {
    return wxString::FromUTF8(fillPlaceholder(tr(key), "%x", wxString::Format("%x", reg).utf8_string()));
}

wxStaticText* text(wxWindow* parent, const wxString& label, int width) {
    return new wxStaticText(parent, wxID_ANY, label, wxDefaultPosition, wxSize(width, -1), 0, "staticText");
}

wxComboBox* combo(wxWindow* parent, int width, const wxString& tooltipKey) {
    auto* box = new wxComboBox(parent, wxID_ANY, wxString(), wxDefaultPosition, wxSize(width, -1), 0, nullptr,
                               wxCB_READONLY, wxDefaultValidator, "comboBox");
    box->SetToolTip(translated(tooltipKey));
    return box;
}

// A polarity radio carries no text: 20 pixels wide, or what the toolkit needs to draw its
// indicator when that is more (a narrower one fails the toolkit's own size checks).
wxRadioButton* radio(wxWindow* parent, const wxString& tooltipKey, bool startsGroup) {
    auto* button = new wxRadioButton(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                     startsGroup ? wxRB_GROUP : 0, wxDefaultValidator, "radioButton");
    button->SetMinSize(wxSize(std::max(20, button->GetBestSize().x), -1));
    button->SetToolTip(translated(tooltipKey));
    return button;
}

long clientNumber(wxComboBox* box) {
    return static_cast<long>(reinterpret_cast<intptr_t>(box->GetClientData(box->GetSelection())));
}

// Selects an entry, or none for wxNOT_FOUND. A GTK combo box keeps showing the text of
// its last entry when the selection is merely dropped, so the text goes too.
void selectEntry(wxComboBox* box, int index) {
    box->SetSelection(index);
    if (index == wxNOT_FOUND) box->ChangeValue(wxString());
}

void selectByNumber(wxComboBox* box, long number) {
    selectEntry(box, findChoiceByClientData(box, number));
}

constexpr int kVarRegs[4] = {0xD1, 0xD2, 0xD3, 0xD4};

}  // namespace

LogicPage::LogicPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits)
    : DrivePage(notebook, drive, limits,
                [] {
                    // The window's own font and no minimum size: the box decides the size.
                    DrivePageOptions options;
                    options.minimumSize = false;
                    options.builtinPicture = PagePicture::Logic;
                    options.refocusEvent = LogicRefocusEvent;
                    options.drawBuiltinPicture = drawLogicPagePicture;
                    return options;
                }()) {
    auto* pageSizer = new wxBoxSizer(wxHORIZONTAL);
    // The box ends left of the picture's input captions (from x 430 on).
    pageSizer->AddSpacer(130);
    pageSizer->Add(buildLogicIoBox(this), 0, wxTOP, 145);
    createUpDownButtons(wxPoint(548, 387), wxPoint(548, 410), wxSize(73, 22));
    SetAutoLayout(true);
    SetSizer(pageSizer);
    pageSizer->SetSizeHints(this);
    pageSizer->Fit(this);

    Bind(wxEVT_COMBOBOX, &LogicPage::onCombo, this);
    Bind(wxEVT_RADIOBUTTON, &LogicPage::onRadio, this);

    setDefaultField(vars_[0]->field);
    restoreFocus();
}

LogicPage::~LogicPage() = default;

wxSizer* LogicPage::buildLogicIoBox(wxWindow* parent) {
    wxStaticBoxSizer* box = newTitledBoxSizer(parent, translated("Logic-Input-Output"), wxVERTICAL);
    // The rows keep clear of the box's line and title.
    auto* rows = new wxBoxSizer(wxVERTICAL);
    box->Add(rows, 0, wxALL, kTitledBoxAir);
    auto* header = new wxBoxSizer(wxHORIZONTAL);
    header->Add(text(parent, translated("INPUT"), 40));
    header->Add(text(parent, wxString(), 150));
    header->Add(text(parent, wxString(), 20));
    header->Add(text(parent, translated("AL"), 20));
    header->Add(text(parent, translated("AH"), 20));
    rows->Add(header);

    for (int i = 0; i < kLogicInputCount; ++i) {
        const wxString name = kLogicItems[i].name;
        InputControls& input = inputs_[i];
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(text(parent, translated(name), 40));
        input.function = combo(parent, 150, "Tooltip Logic Combo " + name);
        fillLogicInputChoice(input.function);
        row->Add(input.function, 1, wxALL, 1);
        row->Add(text(parent, wxString(), 20));
        input.low = radio(parent, "Tooltip Logic Radio " + name + " AL", true);
        input.high = radio(parent, "Tooltip Logic Radio " + name + " AH", false);
        input.low->SetValue(true);
        row->Add(input.low);
        row->Add(input.high);
        rows->Add(row);
    }
    rows->Add(10, 10);

    auto* outputHeader = new wxBoxSizer(wxHORIZONTAL);
    outputHeader->Add(text(parent, translated("OUTPUT"), 40));
    rows->Add(outputHeader);
    for (int o = 0; o < kLogicOutputCount; ++o) {
        const wxString name = kLogicItems[kLogicInputCount + o].name;
        OutputControls& output = outputs_[o];
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(text(parent, translated(name), 40));
        output.source = combo(parent, 150, "Tooltip Logic Combo " + name + "_1");
        initRegisterChoice(output.source);
        output.operation = combo(parent, 40, "Tooltip Logic Combo " + name + "_2");
        fillLogicOperationChoice(output.operation);
        output.operand = combo(parent, 50, "Tooltip Logic Combo " + name + "_3");
        fillLogicOperandChoice(output.operand);
        row->Add(output.source, 0, wxALL, 1);
        row->Add(output.operation, 0, wxALL, 1);
        row->Add(output.operand, 0, wxALL, 1);
        rows->Add(row);
    }
    rows->Add(10, 10);

    // Created Var1, Var3, Var2, Var4: the tab order runs along the rows.
    for (int number : {1, 3, 2, 4}) {
        const int reg = kVarRegs[number - 1];
        auto holder = std::make_unique<LabelledFieldSizer>(
            reg, translated(wxString::Format("Var%d", number)), wxString(),
            translated(wxString::Format("Logic Var%d", number)), parent, wxString::Format("0x%02x", reg),
            translated(wxString::Format("Tooltip Register 0x%02x", reg)), wxSize(40, -1), wxSize(70, -1), drive(),
            limits(), 0);
        addEdit(holder->field);
        vars_[number - 1] = holder.get();
        fields_.push_back(std::move(holder));
    }
    for (int left : {1, 2}) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(vars_[left - 1]->sizer, 0, wxALIGN_CENTER_VERTICAL);
        row->Add(text(parent, wxString(), 20));
        row->Add(vars_[left + 1]->sizer, 0, wxALIGN_CENTER_VERTICAL);
        rows->Add(row);
    }
    return box;
}

RegisterEdit* LogicPage::varField(int number) const {
    return number >= 1 && number <= 4 ? vars_[number - 1]->field : nullptr;
}

bool LogicPage::isNotRemembered(wxWindow* control) const {
    // The focus goes back to the fields after a polarity click; "AL" is the radio the
    // toolkit focuses first, so it never becomes the remembered control.
    for (const InputControls& input : inputs_)
        if (control == input.low) return true;
    return false;
}

void LogicPage::showLogicWord(int item, uint16_t word) {
    if (kLogicItems[item].kind == LogicKind::Input) {
        const InputControls& input = inputs_[item];
        LogicInputWord decoded = decodeLogicInput(word);
        selectByNumber(input.function, decoded.function);
        input.high->SetValue(decoded.activeHigh);
        input.low->SetValue(!decoded.activeHigh);
        return;
    }
    const OutputControls& output = outputs_[item - kLogicInputCount];
    LogicOutputWord decoded = decodeLogicOutput(word);
    selectByNumber(output.source, decoded.source);
    selectByNumber(output.operation, decoded.operation);
    selectByNumber(output.operand, decoded.operand);
}

void LogicPage::showLastKnown(int item) {
    const ItemState& state = states_[item];
    if (state.kind == ItemState::Known) {
        showLogicWord(item, state.word);
        return;
    }
    const bool input = kLogicItems[item].kind == LogicKind::Input;
    // Never read: the controls' first state.
    auto firstSelection = [](wxComboBox* box, const char* firstKey) {
        selectEntry(box, box->FindString(translated(firstKey), true));
    };
    if (input) {
        firstSelection(inputs_[item].function, "ComboLogicInput_0");
        inputs_[item].low->SetValue(true);
    } else {
        const OutputControls& output = outputs_[item - kLogicInputCount];
        selectEntry(output.source, output.source->GetCount() == 0 ? wxNOT_FOUND : 0);
        firstSelection(output.operation, "ComboLogicOPN_0");
        firstSelection(output.operand, "ComboLogicOP2_0");
    }
}

bool LogicPage::readLogicItem(int item) {
    uint16_t word = 0;
    if (!drive() || drive()->read16bitRegister(static_cast<uint32_t>(kLogicItems[item].reg), &word) != 0)
        return false;
    states_[item] = {ItemState::Known, word};
    showLogicWord(item, word);
    return true;
}

bool LogicPage::readLogicRegisters() {
    for (int item = 0; item < static_cast<int>(kLogicItems.size()); ++item)
        if (!readLogicItem(item)) return false;
    return true;
}

std::optional<uint16_t> LogicPage::wordFromControls(int item) {
    const wxString name = kLogicItems[item].name;
    if (kLogicItems[item].kind == LogicKind::Input) {
        const InputControls& input = inputs_[item];
        if (input.function->GetSelection() == wxNOT_FOUND) {
            errorBox(translated("Nothing selected in Logic Input " + name + "!"));
            return std::nullopt;
        }
        return encodeLogicInput(clientNumber(input.function), input.high->GetValue());
    }
    const OutputControls& output = outputs_[item - kLogicInputCount];
    wxComboBox* parts[] = {output.source, output.operation, output.operand};
    for (int part = 0; part < 3; ++part) {
        if (parts[part]->GetSelection() == wxNOT_FOUND) {
            errorBox(translated(wxString::Format("Nothing selected in Logic %s_%d!", name, part + 1)));
            return std::nullopt;
        }
    }
    std::optional<uint16_t> word =
        encodeLogicOutput(clientNumber(output.source), clientNumber(output.operand), clientNumber(output.operation));
    // The lists offer drive registers only; a source beyond them is refused like none.
    if (!word) errorBox(translated(wxString::Format("Nothing selected in Logic %s_1!", name)));
    return word;
}

void LogicPage::writeLogicItem(int item) {
    std::optional<uint16_t> word = wordFromControls(item);
    if (!word) {
        showLastKnown(item);
        return;
    }
    const int reg = kLogicItems[item].reg;
    if (!drive() || drive()->write16bitRegister(static_cast<uint32_t>(reg), *word) != 0) {
        errorBox(registerMessage(kMsgWriteFailed, reg));
        showLastKnown(item);
        return;
    }
    // The drive took the word. A read-back that goes unanswered leaves the written choice in
    // view and counts it as the drive's, so the next pick writes on from it; a read that does
    // answer shows what the drive kept.
    if (!readLogicItem(item)) states_[item] = {ItemState::Known, *word};
}

int LogicPage::itemOfCombo(const wxObject* source) const {
    for (int i = 0; i < kLogicInputCount; ++i)
        if (source == inputs_[i].function) return i;
    for (int o = 0; o < kLogicOutputCount; ++o) {
        const OutputControls& output = outputs_[o];
        if (source == output.source || source == output.operation || source == output.operand)
            return kLogicInputCount + o;
    }
    return -1;
}

int LogicPage::inputOfRadio(const wxObject* source) const {
    for (int i = 0; i < kLogicInputCount; ++i)
        if (source == inputs_[i].low || source == inputs_[i].high) return i;
    return -1;
}

void LogicPage::onCombo(wxCommandEvent& event) {
    const int item = itemOfCombo(event.GetEventObject());
    if (item < 0) {
        event.Skip();
        return;
    }
    if (!drive() || !drive()->isConnected()) {
        // Nothing can be written: the choice goes back to what the drive holds.
        showLastKnown(item);
        return;
    }
    writeLogicItem(item);
}

void LogicPage::onRadio(wxCommandEvent& event) {
    const int input = inputOfRadio(event.GetEventObject());
    if (input >= 0)
        writeLogicItem(input);
    else
        event.Skip();
    postProgramEvent(this, LogicRefocusEvent);
}

bool LogicPage::readFromDrive(bool onlyIfShown) {
    if (!readLogicRegisters()) return false;
    Layout();
    return readLogicItems(onlyIfShown);
}

bool LogicPage::readLogicItems(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive() || !drive()->isConnected()) return false;
    WindowHold hold;
    for (const auto& holder : fields_)
        if (!holder->field->refreshRegisterEdit()) return false;
    return true;
}

void LogicPage::setOnline(bool online) {
    const bool enable = online && drive() && !drive()->isOfflineImage();
    if (upButton()) upButton()->Enable(enable);
    if (downButton()) downButton()->Enable(enable);
}

void LogicPage::onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender) {
    // The variable fields are the page's edit list.
    followRegisterChange(reg, text, sender);
}

void LogicPage::reloadRegisterChoices() {
    WindowHold hold;
    for (int o = 0; o < kLogicOutputCount; ++o) {
        wxComboBox* source = outputs_[o].source;
        // The shown source is selected again in the new list first, so that a failed read
        // below leaves the drive's register in view rather than "--Off--".
        const int shown = source->GetSelection();
        const long number = shown == wxNOT_FOUND ? -1 : clientNumber(source);
        source->Clear();
        initRegisterChoice(source);
        selectEntry(source, number < 0 ? wxNOT_FOUND : findChoiceByClientData(source, number));
        readLogicOutput(o);
    }
}

}  // namespace torvex
