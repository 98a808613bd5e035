// The Logik page: the drive's logic block. Four inputs, each given a function and a
// polarity; four outputs, each formed from a source register, an operation and a second
// operand; and the four logic variables. A change of a choice or a polarity is written
// at once and read back, so the page shows what the drive kept.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pages/drive_page.h"
#include "pages/logic_page_words.h"

class wxComboBox;
class wxRadioButton;
class wxSizer;

namespace torvex {

class LabelledFieldSizer;

class LogicPage : public DrivePage {
public:
    LogicPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);
    ~LogicPage() override;

    // Reads the eight logic registers, then the variables; false at the first failed read.
    bool readFromDrive(bool onlyIfShown);
    void setOnline(bool online);
    // A register was written elsewhere (or here): the variable fields bound to it follow.
    void onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender = std::nullopt);
    // The free trigger registers changed: refill the source lists and select again.
    void reloadRegisterChoices();

    // One input (0..3: Limit1, Limit2, Din1, Din2) or output (0..3: Dout1 .. Dout4).
    bool readLogicInput(int input) { return readLogicItem(input); }
    bool readLogicOutput(int output) { return readLogicItem(kLogicInputCount + output); }
    bool readLogicRegisters();
    void writeLogicInput(int input) { writeLogicItem(input); }
    void writeLogicOutput(int output) { writeLogicItem(kLogicInputCount + output); }
    bool readLogicItems(bool onlyIfShown);

    wxComboBox* functionCombo(int input) const { return inputs_[input].function; }
    wxRadioButton* lowRadio(int input) const { return inputs_[input].low; }
    wxRadioButton* highRadio(int input) const { return inputs_[input].high; }
    wxComboBox* sourceCombo(int output) const { return outputs_[output].source; }
    wxComboBox* operationCombo(int output) const { return outputs_[output].operation; }
    wxComboBox* operandCombo(int output) const { return outputs_[output].operand; }
    // Var1 .. Var4 by number (1..4), and the fields in their step and read order.
    RegisterEdit* varField(int number) const;
    const std::vector<std::unique_ptr<LabelledFieldSizer>>& fieldHolders() const { return fields_; }

protected:
    bool isNotRemembered(wxWindow* control) const override;

private:
    struct InputControls {
        wxComboBox* function = nullptr;
        wxRadioButton* low = nullptr;
        wxRadioButton* high = nullptr;
    };
    struct OutputControls {
        wxComboBox* source = nullptr;
        wxComboBox* operation = nullptr;
        wxComboBox* operand = nullptr;
    };
    // What an item's controls stand for: the controls' first state, or the word the drive
    // last gave or took.
    struct ItemState {
        enum Kind { Initial, Known } kind = Initial;
        uint16_t word = 0;
    };

    wxSizer* buildLogicIoBox(wxWindow* parent);
    bool readLogicItem(int item);
    void writeLogicItem(int item);
    // Shows a word in an item's controls; a number without a list entry leaves its list
    // without a selection, so no stale choice can be written back.
    void showLogicWord(int item, uint16_t word);
    // Puts an item's controls back to what the drive was last known to hold.
    void showLastKnown(int item);
    std::optional<uint16_t> wordFromControls(int item);
    int itemOfCombo(const wxObject* source) const;
    int inputOfRadio(const wxObject* source) const;
    void onCombo(wxCommandEvent& event);
    void onRadio(wxCommandEvent& event);

    std::array<InputControls, kLogicInputCount> inputs_;
    std::array<OutputControls, kLogicOutputCount> outputs_;
    std::array<ItemState, kLogicItems.size()> states_;
    // Var1, Var3, Var2, Var4: the order they are laid out, read and stepped in.
    std::vector<std::unique_ptr<LabelledFieldSizer>> fields_;
    std::array<LabelledFieldSizer*, 4> vars_{};
};

}  // namespace torvex
