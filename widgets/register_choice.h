// The list of registers that the register choice lists offer (Settings, Logik, the
// oscilloscope and the track view): built once from the message catalogue and extended by
// the two free trigger registers that the user names on the Options page.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <wx/arrstr.h>
#include <wx/string.h>

class wxItemContainer;

namespace torvex {

// The items of a list, gathered first and appended in one call: a list given its items one
// at a time updates its toolkit model and its size once per item.
class ChoiceItems {
public:
    void add(const wxString& text, long clientData);
    // Appends every item gathered (each with its client data) in one call.
    void appendTo(wxItemContainer* choice) const;
    size_t size() const { return texts_.size(); }

private:
    wxArrayString texts_;
    std::vector<void*> data_;
};

struct RegisterChoiceEntry {
    wxString name;   // empty: no entry
    uint32_t id = 0;
};
using RegisterChoiceTable = std::array<RegisterChoiceEntry, 256>;

// Slot N comes from the catalogue keys "Combo box registers name N" and "Combo box
// registers id N"; a slot whose name is untranslated, or whose id does not parse as a
// decimal number in 8..255, stays empty. translate returns the key itself when untranslated.
RegisterChoiceTable buildRegisterChoiceTable(const std::function<wxString(const wxString&)>& translate);

// The table from the current catalogue, built on first use.
const RegisterChoiceTable& registerChoiceList();

// Appends the list and the free trigger registers to choice, each with its register number
// as client data. The choice is not cleared first.
// Works on any item list (choices, read-only combo boxes).
void fillRegisterChoice(wxItemContainer* choice);
// The same items, added to items (behind those it holds).
void addRegisterChoiceItems(ChoiceItems& items);

// "--Off--" (client data 0) followed by the register choice list; "--Off--" selected.
void initRegisterChoice(wxItemContainer* choice);

// The index of the first item whose client data is value; -1 when there is none.
int findChoiceByClientData(wxItemContainer* choice, long value);

// Store a free trigger register (and save it in the configuration). idText is kept when it
// is a decimal number in 8..255; otherwise the id is 0 and the register is left out of the
// lists, though its name is kept.
void setTriggerRegister1(const wxString& name, const wxString& id);
void setTriggerRegister2(const wxString& name, const wxString& id);
void getTriggerRegister1(wxString& name, unsigned& id);
void getTriggerRegister2(wxString& name, unsigned& id);

// The id a trigger register text stands for: 8..255, or 0.
unsigned parseTriggerRegisterId(const wxString& text);


// ---- The logic block's lists ---------------------------------------------------------

struct ChoiceItem {
    wxString text;
    long number = 0;   // the client data: the key's number
};

// Items for keys pattern % 0 .. count-1 (pattern holds one "%d"). An entry whose text is
// exactly "." is one the drive does not offer and is left out, so the numbers keep
// their gaps; an untranslated key shows as the key itself. translate returns the key
// when it has no text.
std::vector<ChoiceItem> buildLogicChoiceItems(const char* pattern, int count,
                                              const std::function<wxString(const wxString&)>& translate);
std::vector<ChoiceItem> logicInputItems(const std::function<wxString(const wxString&)>& translate);      // 32
std::vector<ChoiceItem> logicOperationItems(const std::function<wxString(const wxString&)>& translate);  // 16
std::vector<ChoiceItem> logicOperandItems(const std::function<wxString(const wxString&)>& translate);    // 16

// The index an emptied list selects after filling: the first item showing the text of
// the list's entry 0, or -1 when none does (entry 0 left out as ".").
int initialLogicSelection(const std::vector<ChoiceItem>& items, const wxString& firstText);

// Fill a (cleared) list from the current catalogue and select as above.
void fillLogicInputChoice(wxItemContainer* choice);
void fillLogicOperationChoice(wxItemContainer* choice);
void fillLogicOperandChoice(wxItemContainer* choice);

}  // namespace torvex
