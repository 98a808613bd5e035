// The configuration accessors the frame uses. The configuration store provides them;
// until it is part of the build, minimal equivalents over the global wxConfigBase
// stand in (same names, same keys, same defaults).
#pragma once

#if __has_include("frame/config.h")
#include "frame/app.h"
#include "frame/config.h"
#else
#include <wx/arrstr.h>
#include <wx/config.h>
#include <wx/string.h>

#include "frame/ui_seam.h"

namespace torvex {
namespace {

inline unsigned getBaudrate() {
    wxConfigBase* config = wxConfigBase::Get();
    if (!config) return 9600;
    unsigned long value = 0;
    wxString text = config->Read("Baudrate", wxString());
    if (text.empty() || !text.ToCULong(&value, 10)) return 9600;
    return static_cast<unsigned>(value);
}

inline void setBaudrate(unsigned baudrate) {
    wxConfigBase* config = wxConfigBase::Get();
    if (!config) return;
    config->Write("Baudrate", wxString::Format("%u", baudrate));
    config->Flush();
}

inline void getTriggerEntry(const char* nameKey, const char* idKey, wxString& name, unsigned& id) {
    name.clear();
    id = 0;
    wxConfigBase* config = wxConfigBase::Get();
    if (!config) return;
    name = config->Read(nameKey, wxString());
    unsigned long value = 0;
    if (config->Read(idKey, wxString()).ToCULong(&value, 10)) id = static_cast<unsigned>(value);
}

inline void getTrigger1(wxString& name, unsigned& id) { getTriggerEntry("Trigger1_Name", "Trigger1_ID", name, id); }
inline void getTrigger2(wxString& name, unsigned& id) { getTriggerEntry("Trigger2_Name", "Trigger2_ID", name, id); }

inline wxString getEmailRecipient() {
    wxConfigBase* config = wxConfigBase::Get();
    return config ? config->Read("EmailRecipient", wxString()) : wxString();
}

inline wxString chooseLanguage(wxConfigBase* config) {
    wxArrayString choices;
    choices.Add("German");
    choices.Add("French");
    choices.Add("English");
    int index = ui::dialogs().singleChoice("Please choose language:", "Language for Torvex", choices, nullptr, 200, 150);
    wxString value = wxString::Format("%ld", static_cast<long>(index + 1));
    if (config) {
        config->Write("Language", value);
        config->Flush();
    }
    return value;
}

}  // namespace
}  // namespace torvex
#endif
