#include "link/script.h"

#include <cctype>
#include <cstring>
#include <exception>
#include <fstream>
#include <limits>
#include <mutex>

#include "link/i18n.h"
#include "link/limits.h"
#include "link/message_seam.h"
#include "link/registers.h"

namespace torvex {

namespace {

constexpr uint32_t kEepromMilliseconds = 2000;

std::mutex g_busyMutex;
BusyIndicator g_busy;

void setBusy(bool busy) {
    BusyIndicator indicator;
    {
        std::lock_guard<std::mutex> lock(g_busyMutex);
        indicator = g_busy;
    }
    if (indicator) indicator(busy);
}

void errorBox(const std::string& text) { messageBox(text, tr(kCaptionError), kMsgOk | kMsgIconError); }
void warningBox(const std::string& text) {
    messageBox(text, tr(kCaptionWarning), kMsgOk | kMsgIconExclamation);
}

bool isHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }
uint32_t hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    return static_cast<uint32_t>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
}

// Reads digits of the base from text[pos], saturating at limit + 1 so that any
// overlong number stays out of range. Returns the number of digits read.
size_t readDigits(const std::string& text, size_t pos, bool hex, uint64_t limit, uint64_t* out) {
    uint64_t value = 0;
    size_t count = 0;
    for (; pos < text.size() && (hex ? isHexDigit(text[pos]) : isDecimalDigit(text[pos])); ++pos, ++count) {
        if (value <= limit) value = value * (hex ? 16 : 10) + (hex ? hexDigitValue(text[pos]) : uint32_t(text[pos] - '0'));
    }
    *out = value > limit ? limit + 1 : value;
    return count;
}

bool startsWithHexMark(const std::string& text) { return text.size() >= 2 && text[0] == '0' && text[1] == 'x'; }

void splitWords(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') ++pos;
        if (pos > start) words.push_back(line.substr(start, pos - start));
    }
}

uint32_t commandType(const std::string& word) {
    const std::string upper = toUpperString(word);
    if (upper == "SETREGISTER") return kScriptSetRegister;
    if (upper == "SAVETOEEPROM") return kScriptSaveToEeprom;
    if (upper == "READFROMEEPROM") return kScriptReadFromEeprom;
    if (upper == "ANDREGISTER") return kScriptAndRegister;
    if (upper == "ORREGISTER") return kScriptOrRegister;
    return 0;
}

// The write with read-back shared by the three register commands, with its messages.
uint32_t writeAndCheck(DriveConnection* connection, uint32_t reg, uint32_t value, uint32_t line) {
    uint32_t written;
    uint32_t readBack;
    uint32_t rc;
    if (is32bitRegister(reg)) {
        written = value;
        uint32_t v = value;
        rc = connection->writeRead32bitRegister(reg, &v);
        readBack = v;
    } else {
        uint16_t v = static_cast<uint16_t>(value);
        written = v;
        rc = connection->writeRead16bitRegister(reg, &v);
        readBack = v;
    }
    if (rc == 1) {
        errorBox(strprintf(tr("Error writing register 0x%02x (line %u)!").c_str(), reg, line));
        return 1;
    }
    if (rc != 0) {
        errorBox(strprintf(tr("Error reading register 0x%02x (line %u)!").c_str(), reg, line));
        return 1;
    }
    if (readBack != written) {
        warningBox(strprintf(tr("Register value changed by the Drive (%d (0x%x) -> %d (0x%x), line %u)!").c_str(),
                                    static_cast<int>(written), written, static_cast<int>(readBack), readBack, line));
    }
    return 0;
}

void warnTooLargeFor16Bit(uint32_t reg, uint32_t value, uint32_t line) {
    if (!is32bitRegister(reg) && (value & 0xFFFF0000u) != 0)
        warningBox(strprintf(tr("Value too large for 16bit-register (%d (0x%x), line %u)!").c_str(),
                                    static_cast<int>(value), value, line));
}

bool driveUsable(DriveConnection* connection) {
    if (connection && connection->isConnected()) return true;
    errorBox(tr("Drive is offline!"));
    return false;
}

uint32_t scriptMaskRegister(DriveConnection* connection, const std::string& registerText,
                            const std::string& maskText, uint32_t line, bool orMask) {
    if (!driveUsable(connection)) return 1;
    uint32_t reg = 0;
    if (!parseScriptRegister(registerText, &reg)) {
        errorBox(strprintf(tr("Wrong register ID (line %u)!").c_str(), line));
        return 1;
    }
    int32_t signedMask = 0;
    if (!parseScriptValue(maskText, false, &signedMask)) {
        errorBox(strprintf(tr("Wrong value (line %u)!").c_str(), line));
        return 1;
    }
    uint32_t mask = static_cast<uint32_t>(signedMask);
    warnTooLargeFor16Bit(reg, mask, line);

    uint32_t old = 0;
    uint32_t rc;
    if (is32bitRegister(reg)) {
        rc = connection->read32bitRegister(reg, &old);
    } else {
        uint16_t old16 = 0;
        rc = connection->read16bitRegister(reg, &old16);
        old = old16;
    }
    if (rc != 0) {
        errorBox(strprintf(tr("Error reading register 0x%02x (line %u)!").c_str(), reg, line));
        return 1;
    }
    uint32_t updated = orMask ? (old | mask) : (old & mask);
    if (!is32bitRegister(reg)) updated &= 0xFFFFu;
    return writeAndCheck(connection, reg, updated, line);
}

uint32_t scriptEeprom(DriveConnection* connection, uint32_t command, uint32_t parameterSet, const char* failure) {
    if (!driveUsable(connection)) return 1;
    setBusy(true);
    uint32_t rc = connection->write16bitRegisterAndSleep(command, static_cast<uint16_t>(parameterSet), kEepromMilliseconds);
    if (rc != 0) errorBox(tr(failure));
    setBusy(false);
    return rc;
}

}  // namespace

BusyIndicator setScriptBusyIndicator(BusyIndicator indicator) {
    std::lock_guard<std::mutex> lock(g_busyMutex);
    BusyIndicator previous = std::move(g_busy);
    g_busy = std::move(indicator);
    return previous;
}

std::string toUpperString(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool parseScriptRegister(const std::string& text, uint32_t* reg) {
    uint64_t value = 0;
    if (startsWithHexMark(text))
        readDigits(text, 2, true, 0xFFFFFFFFu, &value);
    else
        readDigits(text, 0, false, 0xFFFFFFFFu, &value);
    // Only 1..255 name a register; a larger number would reach another one on the wire.
    if (value == 0 || value >= static_cast<uint64_t>(kRegisterCount)) return false;
    *reg = static_cast<uint32_t>(value);
    return true;
}

bool parseScriptValue(const std::string& text, bool quotedAllowed, int32_t* value) {
    if (quotedAllowed && text.size() == 4 && text[0] == '"' && text[3] == '"') {
        // Bytes, not signed chars: a character above 0x7f must not borrow from the high byte.
        auto low = static_cast<unsigned char>(text[1]);
        auto high = static_cast<unsigned char>(text[2]);
        *value = static_cast<int32_t>(low + 256u * high);
        return true;
    }
    uint64_t magnitude = 0;
    if (startsWithHexMark(text)) {
        size_t digits = readDigits(text, 2, true, 0x7FFFFFFFu, &magnitude);
        if (digits == 0 || 2 + digits != text.size() || magnitude > 0x7FFFFFFFu) return false;
        *value = static_cast<int32_t>(magnitude);
        return true;
    }
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    size_t digits = readDigits(text, pos, false, limit, &magnitude);
    if (digits == 0 || pos + digits != text.size() || magnitude > limit) return false;
    *value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
    return true;
}

bool parseParameterSetNumber(const std::string& text, uint32_t* parameterSet) {
    uint64_t value = 0;
    size_t digits = readDigits(text, 0, false, 0xFFFFu, &value);
    // The drive takes a 16-bit set number: a larger one would select another set.
    if (digits == 0 || digits != text.size() || value > 0xFFFFu) return false;
    *parameterSet = static_cast<uint32_t>(value);
    return true;
}

uint32_t parseScript(RegisterScript& script, std::istream& in) {
    script.clear();
    try {
        std::string line;
        std::vector<std::string> words;
        uint32_t number = 0;
        while (std::getline(in, line)) {
            ++number;
            // Scripts are written on Windows machines too.
            if (!line.empty() && line.back() == '\r') line.pop_back();
            trimString(line);
            if (line.empty() || line[0] == '#') continue;
            splitWords(line, words);
            uint32_t type = commandType(words[0]);
            if (type == 0) return number;
            ScriptCommand command;
            command.line = number;
            command.type = type;
            if (words.size() > 1) command.registerText = words[1];
            if (words.size() > 2 && type != kScriptSaveToEeprom && type != kScriptReadFromEeprom)
                command.valueText = words[2];
            script.push_back(std::move(command));
        }
        // A read that failed ended the loop like the end of the file would: the lines after it
        // were never seen.
        if (in.bad()) return kScriptParseException;
    } catch (const std::exception&) {
        return kScriptParseException;
    }
    return 0;
}

uint32_t parseScript(RegisterScript& script, const std::string& path) {
    script.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    return parseScript(script, in);
}

uint32_t scriptSetRegister(DriveConnection* connection, const std::string& registerText,
                           const std::string& valueText, uint32_t line) {
    if (!driveUsable(connection)) return 1;
    uint32_t reg = 0;
    if (!parseScriptRegister(registerText, &reg)) {
        errorBox(strprintf(tr("Wrong register ID (line %u)!").c_str(), line));
        return 1;
    }
    int32_t signedValue = 0;
    if (!parseScriptValue(valueText, true, &signedValue)) {
        errorBox(strprintf(tr("Wrong register value (line %u)!").c_str(), line));
        return 1;
    }
    uint32_t value = static_cast<uint32_t>(signedValue);
    warnTooLargeFor16Bit(reg, value, line);
    return writeAndCheck(connection, reg, value, line);
}

uint32_t scriptAndRegister(DriveConnection* connection, const std::string& registerText,
                           const std::string& maskText, uint32_t line) {
    return scriptMaskRegister(connection, registerText, maskText, line, false);
}

uint32_t scriptOrRegister(DriveConnection* connection, const std::string& registerText,
                          const std::string& maskText, uint32_t line) {
    return scriptMaskRegister(connection, registerText, maskText, line, true);
}

uint32_t scriptReadFromEeprom(DriveConnection* connection, uint32_t parameterSet) {
    return scriptEeprom(connection, kRegParaRead, parameterSet, "Fehler beim Lesen vom EEprom (Kommando FUN_PARAREAD)!");
}

uint32_t scriptSaveToEeprom(DriveConnection* connection, uint32_t parameterSet) {
    return scriptEeprom(connection, kRegParaWrite, parameterSet,
                        "Fehler beim Speichern ins EEprom (Kommando FUN_PARAWRITE)!");
}

uint32_t executeScript(RegisterScript& script, DriveConnection* connection) {
    for (const ScriptCommand& command : script) {
        switch (command.type) {
        case kScriptSetRegister:
            if (scriptSetRegister(connection, command.registerText, command.valueText, command.line) != 0)
                return kScriptRegisterCommandFailed;
            break;
        case kScriptAndRegister:
            if (scriptAndRegister(connection, command.registerText, command.valueText, command.line) != 0)
                return kScriptRegisterCommandFailed;
            break;
        case kScriptOrRegister:
            if (scriptOrRegister(connection, command.registerText, command.valueText, command.line) != 0)
                return kScriptRegisterCommandFailed;
            break;
        case kScriptSaveToEeprom:
        case kScriptReadFromEeprom: {
            uint32_t parameterSet = 0;
            if (!parseParameterSetNumber(command.registerText, &parameterSet)) return kScriptBadParameterSet;
            uint32_t rc = command.type == kScriptSaveToEeprom ? scriptSaveToEeprom(connection, parameterSet)
                                                              : scriptReadFromEeprom(connection, parameterSet);
            if (rc != 0) return kScriptEepromCommandFailed;
            break;
        }
        default:
            break;
        }
    }
    return kScriptOk;
}

}  // namespace torvex
