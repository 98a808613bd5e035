// The configuration store: one INI-style file (~/.Torvex) installed as the GUI library's
// global configuration. Other code reads and writes it only through the accessors below;
// every setter writes the file at once, so nothing is lost if the tool is killed.
#pragma once

#include <wx/string.h>

class wxConfigBase;

namespace torvex {

// Keys at the root of the file.
inline constexpr const char* kKeyLanguage = "Language";
inline constexpr const char* kKeyBaudrate = "Baudrate";
inline constexpr const char* kKeyRegisterDataDirectory = "RegisterDataDirectory";
inline constexpr const char* kKeyRegisterDataFilename = "RegisterDataFilename";
inline constexpr const char* kKeyOscilloscopeDataDirectory = "OscilloscopeDataDirectory";
inline constexpr const char* kKeyOscilloscopeDataFilename = "OscilloscopeDataFilename";
inline constexpr const char* kKeyScriptDataDirectory = "ScriptDataDirectory";
inline constexpr const char* kKeyScriptDataFilename = "ScriptDataFilename";
inline constexpr const char* kKeyEmailRecipient = "EmailRecipient";
inline constexpr const char* kKeyTrigger1Id = "Trigger1_ID";
inline constexpr const char* kKeyTrigger1Name = "Trigger1_Name";
inline constexpr const char* kKeyTrigger2Id = "Trigger2_ID";
inline constexpr const char* kKeyTrigger2Name = "Trigger2_Name";
inline constexpr const char* kKeyWrite2 = "Write2";

inline constexpr unsigned kDefaultBaudrate = 9600;

// Creates the file configuration of the application "Torvex" (local file ~/.Torvex plus the
// global /etc/Torvex.conf) and installs it as the global configuration; a configuration
// installed before is deleted (and so written).
wxConfigBase* openConfiguration();
// Takes the global configuration out and deletes it, which writes the file once more.
void closeConfiguration();

void setRegisterDataDirectory(const wxString& directory);
wxString getRegisterDataDirectory();  // the working directory when absent
void setRegisterDataFilename(const wxString& fileName);
wxString getRegisterDataFilename();  // "" when absent

void setOscilloscopeDataDirectory(const wxString& directory);
wxString getOscilloscopeDataDirectory();
void setOscilloscopeDataFilename(const wxString& fileName);
wxString getOscilloscopeDataFilename();

void setScriptDataDirectory(const wxString& directory);
wxString getScriptDataDirectory();
void setScriptDataFilename(const wxString& fileName);
wxString getScriptDataFilename();

void setEmailRecipient(const wxString& recipient);
wxString getEmailRecipient();
// Any non-empty text offers storing parameter set 2; "" without a configuration.
wxString getWrite2();

void setBaudrate(unsigned baudrate);
unsigned getBaudrate();  // 9600 when absent or not a number

// The free trigger registers of the oscilloscope: a register name and number each.
void setTrigger1(const wxString& name, unsigned id);
void getTrigger1(wxString& name, unsigned& id);  // "" and 0 when absent
void setTrigger2(const wxString& name, unsigned id);
void getTrigger2(wxString& name, unsigned& id);

}  // namespace torvex
