// Register scripts (vsf): plain-text files of drive commands, parsed into records and
// run one by one through the connection. Every problem is reported in a box that
// names the script line.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "link/connection.h"

namespace torvex {

enum ScriptCommandType : uint32_t {
    kScriptSetRegister = 1,
    kScriptSaveToEeprom = 2,
    kScriptReadFromEeprom = 3,
    kScriptAndRegister = 4,
    kScriptOrRegister = 5,
};

struct ScriptCommand {
    uint32_t line = 0;         // counting every line of the file from 1
    uint32_t type = 0;         // ScriptCommandType
    std::string registerText;  // for the EEPROM commands: the parameter-set number
    std::string valueText;     // empty for the EEPROM commands
};

using RegisterScript = std::vector<ScriptCommand>;

// parseScript results besides 0 (every line accepted) and the number of the first
// line with an unknown command word.
inline constexpr uint32_t kScriptParseException = static_cast<uint32_t>(-1);

// executeScript results.
enum : uint32_t {
    kScriptOk = 0,
    kScriptRegisterCommandFailed = 1,
    kScriptBadParameterSet = 2,
    kScriptEepromCommandFailed = 3,
};

// A file that cannot be opened gives 0 and an empty script.
uint32_t parseScript(RegisterScript& script, const std::string& path);
uint32_t parseScript(RegisterScript& script, std::istream& in);
uint32_t executeScript(RegisterScript& script, DriveConnection* connection);

// Each 0 done, non-zero failed (the box has been shown).
uint32_t scriptSetRegister(DriveConnection* connection, const std::string& registerText,
                           const std::string& valueText, uint32_t line);
uint32_t scriptAndRegister(DriveConnection* connection, const std::string& registerText,
                           const std::string& maskText, uint32_t line);
uint32_t scriptOrRegister(DriveConnection* connection, const std::string& registerText,
                          const std::string& maskText, uint32_t line);
uint32_t scriptReadFromEeprom(DriveConnection* connection, uint32_t parameterSet);
uint32_t scriptSaveToEeprom(DriveConnection* connection, uint32_t parameterSet);

std::string toUpperString(const std::string& text);

// Argument forms. Each false when the text is refused.
// Register: "0x" and hexadecimal digits, or decimal digits; trailing characters are
// ignored; 0 and numbers above 255 are refused.
bool parseScriptRegister(const std::string& text, uint32_t* reg);
// Value: the whole text is "0x" and hexadecimal digits up to 0x7fffffff, or a decimal
// number with optional sign in the signed 32-bit range, or (quoted) double quote, two
// characters, double quote: first byte + 256 * second byte.
bool parseScriptValue(const std::string& text, bool quotedAllowed, int32_t* value);
// EEPROM parameter-set number: decimal digits only, 0..65535.
bool parseParameterSetNumber(const std::string& text, uint32_t* parameterSet);

// The EEPROM commands keep a busy cursor up while the drive works; the window layer
// installs how (the link library has no windows). Called with true, then false.
using BusyIndicator = std::function<void(bool busy)>;
BusyIndicator setScriptBusyIndicator(BusyIndicator indicator);

}  // namespace torvex
