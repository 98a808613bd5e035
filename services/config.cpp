#include "services/config.h"

#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/filefn.h>
#include <wx/log.h>

#include <charconv>
#include <string>

namespace torvex {

namespace {

// Every accessor works on the global configuration, which the library creates on demand
// when start-up has not installed one.
wxConfigBase* config() { return wxConfigBase::Get(true); }

void writeText(const char* key, const wxString& value) {
    wxConfigBase* c = config();
    if (!c) return;
    c->Write(key, value);
    c->Flush(false);
}

wxString readText(const char* key, const wxString& fallback) {
    wxConfigBase* c = config();
    if (!c) return fallback;
    return c->Read(key, fallback);
}

// Numbers in the file: decimal digits only (blanks around them allowed), at most 32 bits.
bool parseUnsigned(const wxString& text, unsigned& value) {
    std::string digits = text.utf8_string();
    size_t first = digits.find_first_not_of(" \t");
    size_t last = digits.find_last_not_of(" \t");
    if (first == std::string::npos) return false;
    const char* begin = digits.data() + first;
    const char* end = digits.data() + last + 1;
    unsigned parsed = 0;
    auto [stop, error] = std::from_chars(begin, end, parsed, 10);
    if (error != std::errc() || stop != end) return false;
    value = parsed;
    return true;
}

wxString formatUnsigned(unsigned value) { return wxString::Format("%u", value); }

void setTrigger(const char* nameKey, const char* idKey, const wxString& name, unsigned id) {
    wxConfigBase* c = config();
    if (!c) return;
    c->Write(nameKey, name);
    c->Write(idKey, formatUnsigned(id));
    c->Flush(false);
}

void getTrigger(const char* nameKey, const char* idKey, wxString& name, unsigned& id) {
    name.clear();
    id = 0;
    wxConfigBase* c = config();
    if (!c) return;
    name = c->Read(nameKey, wxString());
    if (!parseUnsigned(c->Read(idKey, wxString()), id)) id = 0;
}

}  // namespace

wxConfigBase* openConfiguration() {
    // A damaged or hand-edited file must not greet the user with parser complaints (or, for
    // a line without a key, the library's internal assertion): lines the parser cannot read
    // are passed over and their keys take their defaults.
    wxFileConfig* fileConfig = nullptr;
    {
        wxLogNull quiet;
        wxAssertHandler_t assertHandler = wxSetAssertHandler(nullptr);
        fileConfig = new wxFileConfig("Torvex", wxEmptyString, wxEmptyString, wxEmptyString,
                                      wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE);
        wxSetAssertHandler(assertHandler);
    }
    // Stored folders and names must come back as written, "$" and "%" included.
    fileConfig->SetExpandEnvVars(false);
    delete wxConfigBase::Set(fileConfig);
    return fileConfig;
}

void closeConfiguration() { delete wxConfigBase::Set(nullptr); }

void setRegisterDataDirectory(const wxString& directory) { writeText(kKeyRegisterDataDirectory, directory); }
wxString getRegisterDataDirectory() { return readText(kKeyRegisterDataDirectory, wxGetCwd()); }
void setRegisterDataFilename(const wxString& fileName) { writeText(kKeyRegisterDataFilename, fileName); }
wxString getRegisterDataFilename() { return readText(kKeyRegisterDataFilename, wxString()); }

void setOscilloscopeDataDirectory(const wxString& directory) {
    writeText(kKeyOscilloscopeDataDirectory, directory);
}
wxString getOscilloscopeDataDirectory() { return readText(kKeyOscilloscopeDataDirectory, wxGetCwd()); }
void setOscilloscopeDataFilename(const wxString& fileName) { writeText(kKeyOscilloscopeDataFilename, fileName); }
wxString getOscilloscopeDataFilename() { return readText(kKeyOscilloscopeDataFilename, wxString()); }

void setScriptDataDirectory(const wxString& directory) { writeText(kKeyScriptDataDirectory, directory); }
wxString getScriptDataDirectory() { return readText(kKeyScriptDataDirectory, wxGetCwd()); }
void setScriptDataFilename(const wxString& fileName) { writeText(kKeyScriptDataFilename, fileName); }
wxString getScriptDataFilename() { return readText(kKeyScriptDataFilename, wxString()); }

void setEmailRecipient(const wxString& recipient) { writeText(kKeyEmailRecipient, recipient); }
wxString getEmailRecipient() { return readText(kKeyEmailRecipient, wxString()); }
wxString getWrite2() { return readText(kKeyWrite2, wxString()); }

void setBaudrate(unsigned baudrate) { writeText(kKeyBaudrate, formatUnsigned(baudrate)); }

unsigned getBaudrate() {
    wxConfigBase* c = config();
    if (!c) return kDefaultBaudrate;
    unsigned baudrate = 0;
    if (!parseUnsigned(c->Read(kKeyBaudrate, wxString()), baudrate)) return kDefaultBaudrate;
    return baudrate;
}

void setTrigger1(const wxString& name, unsigned id) { setTrigger(kKeyTrigger1Name, kKeyTrigger1Id, name, id); }
void getTrigger1(wxString& name, unsigned& id) { getTrigger(kKeyTrigger1Name, kKeyTrigger1Id, name, id); }
void setTrigger2(const wxString& name, unsigned id) { setTrigger(kKeyTrigger2Name, kKeyTrigger2Id, name, id); }
void getTrigger2(wxString& name, unsigned& id) { getTrigger(kKeyTrigger2Name, kKeyTrigger2Id, name, id); }

}  // namespace torvex
