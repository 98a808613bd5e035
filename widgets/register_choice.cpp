#include "widgets/register_choice.h"

#include <wx/ctrlsub.h>
#include <wx/intl.h>

#include <charconv>
#include <cstdint>
#include <string>

#include "services/config.h"

namespace torvex {

namespace {

struct TriggerRegister {
    wxString name;
    unsigned id = 0;
};

TriggerRegister g_trigger1;
TriggerRegister g_trigger2;

bool g_listBuilt = false;
RegisterChoiceTable g_list;

bool parseDecimal(const wxString& text, long long* value) {
    const std::string digits = text.utf8_string();
    const char* end = digits.data() + digits.size();
    auto [stop, error] = std::from_chars(digits.data(), end, *value, 10);
    return error == std::errc() && stop == end && !digits.empty();
}

void saveTrigger(int which, const TriggerRegister& trigger) {
    if (which == 1) setTrigger1(trigger.name, trigger.id);
    else setTrigger2(trigger.name, trigger.id);
}

}  // namespace

void ChoiceItems::add(const wxString& text, long clientData) {
    texts_.Add(text);
    data_.push_back(reinterpret_cast<void*>(static_cast<intptr_t>(clientData)));
}

void ChoiceItems::appendTo(wxItemContainer* choice) const {
    if (!choice || texts_.empty()) return;
    choice->Append(texts_, const_cast<void**>(data_.data()));
}

RegisterChoiceTable buildRegisterChoiceTable(const std::function<wxString(const wxString&)>& translate) {
    RegisterChoiceTable table;
    for (unsigned n = 0; n < table.size(); ++n) {
        const wxString nameKey = wxString::Format("Combo box registers name %u", n);
        const wxString name = translate(nameKey);
        if (name == nameKey) continue;
        const wxString idKey = wxString::Format("Combo box registers id %u", n);
        const wxString idText = translate(idKey);
        if (idText == idKey) continue;
        long long id = 0;
        // Only drive registers: a larger id would be cut to another register wherever it is
        // packed into a register word (capture slots, logic sources).
        if (!parseDecimal(idText, &id) || id <= 7 || id > 255) continue;
        table[n].name = name;
        table[n].id = static_cast<uint32_t>(id);
    }
    return table;
}

const RegisterChoiceTable& registerChoiceList() {
    if (!g_listBuilt) {
        g_list = buildRegisterChoiceTable([](const wxString& key) { return wxGetTranslation(key); });
        g_listBuilt = true;
    }
    return g_list;
}

void addRegisterChoiceItems(ChoiceItems& items) {
    for (const RegisterChoiceEntry& entry : registerChoiceList())
        if (!entry.name.empty()) items.add(entry.name, entry.id);
    for (const TriggerRegister* trigger : {&g_trigger1, &g_trigger2})
        if (!trigger->name.empty() && trigger->id != 0) items.add(trigger->name, trigger->id);
}

void fillRegisterChoice(wxItemContainer* choice) {
    if (!choice) return;
    ChoiceItems items;
    addRegisterChoiceItems(items);
    items.appendTo(choice);
}

void initRegisterChoice(wxItemContainer* choice) {
    if (!choice) return;
    ChoiceItems items;
    items.add(wxGetTranslation("--Off--"), 0);
    addRegisterChoiceItems(items);
    items.appendTo(choice);
    choice->SetSelection(0);
}

int findChoiceByClientData(wxItemContainer* choice, long value) {
    if (!choice || !choice->HasClientUntypedData()) return -1;
    for (unsigned i = 0; i < choice->GetCount(); ++i)
        if (reinterpret_cast<intptr_t>(choice->GetClientData(i)) == value) return static_cast<int>(i);
    return -1;
}

unsigned parseTriggerRegisterId(const wxString& text) {
    long long id = 0;
    if (!parseDecimal(text, &id) || id < 8 || id > 255) return 0;
    return static_cast<unsigned>(id);
}

void setTriggerRegister1(const wxString& name, const wxString& id) {
    g_trigger1 = {name, parseTriggerRegisterId(id)};
    saveTrigger(1, g_trigger1);
}

void setTriggerRegister2(const wxString& name, const wxString& id) {
    g_trigger2 = {name, parseTriggerRegisterId(id)};
    saveTrigger(2, g_trigger2);
}

void getTriggerRegister1(wxString& name, unsigned& id) {
    name = g_trigger1.name;
    id = g_trigger1.id;
}

void getTriggerRegister2(wxString& name, unsigned& id) {
    name = g_trigger2.name;
    id = g_trigger2.id;
}


// ---- The logic block's lists ---------------------------------------------------------

std::vector<ChoiceItem> buildLogicChoiceItems(const char* pattern, int count,
                                              const std::function<wxString(const wxString&)>& translate) {
    std::vector<ChoiceItem> items;
    for (int i = 0; i < count; ++i) {
        const wxString text = translate(wxString::Format(pattern, i));
        if (text == ".") continue;
        items.push_back({text, i});
    }
    return items;
}

std::vector<ChoiceItem> logicInputItems(const std::function<wxString(const wxString&)>& translate) {
    return buildLogicChoiceItems("ComboLogicInput_%d", 32, translate);
}

std::vector<ChoiceItem> logicOperationItems(const std::function<wxString(const wxString&)>& translate) {
    return buildLogicChoiceItems("ComboLogicOPN_%d", 16, translate);
}

std::vector<ChoiceItem> logicOperandItems(const std::function<wxString(const wxString&)>& translate) {
    return buildLogicChoiceItems("ComboLogicOP2_%d", 16, translate);
}

int initialLogicSelection(const std::vector<ChoiceItem>& items, const wxString& firstText) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].text == firstText) return static_cast<int>(i);
    return -1;
}

namespace {

wxString catalogueText(const wxString& key) { return wxGetTranslation(key); }

void fillLogicChoice(wxItemContainer* choice, const std::vector<ChoiceItem>& items, const char* firstKey) {
    if (!choice) return;
    ChoiceItems gathered;
    for (const ChoiceItem& item : items) gathered.add(item.text, item.number);
    gathered.appendTo(choice);
    choice->SetSelection(initialLogicSelection(items, catalogueText(firstKey)));
}

}  // namespace

void fillLogicInputChoice(wxItemContainer* choice) {
    fillLogicChoice(choice, logicInputItems(catalogueText), "ComboLogicInput_0");
}

void fillLogicOperationChoice(wxItemContainer* choice) {
    fillLogicChoice(choice, logicOperationItems(catalogueText), "ComboLogicOPN_0");
}

void fillLogicOperandChoice(wxItemContainer* choice) {
    fillLogicChoice(choice, logicOperandItems(catalogueText), "ComboLogicOP2_0");
}

}  // namespace torvex
