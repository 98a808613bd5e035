#include "frame/drive_status_bar_logic.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "link/number_text.h"
#include "link/registers.h"
#include "services/catalogue.h"

namespace torvex::status {

namespace {

constexpr double kPercentOfFullScale = 0.0030518509475997192;  // 100 / 32767
constexpr long long kSpeedFullScale = 32767;
// Looks like a hyphen, but a line is never broken after it.
constexpr wxUint32 kNonBreakingHyphen = 0x2011;

wxString tr(const char* key) { return translate(wxString::FromUTF8(key)); }

// Fills one placeholder of a translated text; the catalogue text is never the format
// itself, so a stray "%" in a translation cannot reach a formatting call.
wxString fill(const wxString& text, const wxString& placeholder, const wxString& value) {
    wxString out = text;
    out.Replace(placeholder, value, false);
    return out;
}

TestCommand refused(const wxString& message) {
    TestCommand command;
    command.message = message;
    return command;
}

// The state lines of the errors field.
const char* const kOfflineKey = "OFFLINE - Presently not online";
const char* const kNoReplyKey = "NOREPLY- No RS232 COM reply from drive";
const char* const kNoComKey = "NOCOM  - PC RS232 COM port not available";

}  // namespace

const char* const kErrorBitKeys[16] = {
    "BADPARAS     EEPROM parameters are incorrect\n",
    "POWERFAULT   High side IGBT error\n",
    "-?-?-        Unknown error (bit 2)\n",
    "CAN          Timeout has occured\n",
    "RESOSIGNAL   Bad or no RESOLVER encoder connected\n",
    "POWERVOLTAGE Missing high side voltage\n",
    "MOTORTEMP    Motor temperature too high\n",
    "IDC          Current DC out of tolerence\n",
    "I_123        Current 1,2 or 3 out of tolerence\n",
    "I_PEAK       Current Peak excessive\n",
    "RACEAWAY     Speed uncontrollable (check connections)\n",
    "CANINIT      Unable to initialise the CAN hardware\n",
    "SPIADCINIT   Unable to initialise the ADC hardware\n",
    "ROTOR        Bad or no INCREMENTAL encoder connected\n",
    "ADCINT       Software error: interrupt re-entered\n",
    "BALLAST      Regen circuit overload\n",
};

std::vector<wxString> allErrorLines() {
    std::vector<wxString> lines;
    for (const char* key : {kOfflineKey, kNoReplyKey, kNoComKey}) lines.push_back(tr(key));
    for (const char* key : kErrorBitKeys) lines.push_back(tr(key));
    for (wxString& line : lines) line.Replace("\n", wxString());
    return lines;
}

wxString errorText(uint32_t word, long linkState, const wxString& failureText) {
    // The state texts end without a line break, unlike the error lines: each gets a line of
    // its own here, and nothing runs on behind the last line.
    wxString text;
    auto line = [&text](const wxString& next) {
        if (!text.empty() && !text.EndsWith("\n")) text += "\n";
        text += next;
    };
    if (linkState == kOffline) line(tr(kOfflineKey));
    if (failureText != "0" || linkState == kNoReply) line(tr(kNoReplyKey));
    if (linkState == kNoCom) line(tr(kNoComKey));
    if (linkState != kDriveAnswered) return text;
    for (int bit = 0; bit < 16; ++bit)
        if (word & (1u << bit)) line(tr(kErrorBitKeys[bit]));
    return text;
}

wxString keepHyphenatedWordsWhole(const wxString& text) {
    // Letters beyond ASCII count as letters whatever the program's character classes.
    auto inWord = [](wxUniChar c) {
        const unsigned value = c.GetValue();
        return value > 0x7F || (value >= '0' && value <= '9') || ((value | 0x20) >= 'a' && (value | 0x20) <= 'z');
    };
    wxString shown = text;
    for (size_t i = 1; i + 1 < shown.length(); ++i)
        if (shown[i] == '-' && inWord(shown[i - 1]) && inWord(shown[i + 1])) shown[i] = wxUniChar(kNonBreakingHyphen);
    return shown;
}

wxString catalogueText(const wxString& shown) {
    wxString text = shown;
    text.Replace(wxString(wxUniChar(kNonBreakingHyphen)), "-");
    return text;
}

wxString warningText(uint32_t word) {
    wxString text;
    for (int k = 0; k < 16; ++k)
        if (word & (1u << (16 + k))) text += translate(wxString::Format("WARNING_%X\n", k));
    return text;
}

Readout speedReadout(int value, int speedMax) {
    Readout readout;
    readout.raw = wxString::Format(" 0xa8\n %d", value);
    const double rpm = std::trunc(double(speedMax) * double(value) / double(kSpeedFullScale));
    const long long shown = static_cast<long long>(rpm);
    readout.value = shown >= 0 && value >= 0 ? wxString::Format(" %lld", shown) : wxString::Format("%lld", shown);
    const double percent = std::trunc(std::fabs(double(value)) * kPercentOfFullScale);
    readout.gauge = static_cast<int>(std::min(percent, 100.0));
    return readout;
}

Readout currentReadout(int value, int deviceCurrent, int current200) {
    Readout readout;
    readout.raw = wxString::Format(" 0x5f\n %d", value);
    if (current200 == 0) {
        readout.value = " -";
        readout.gauge = 0;
        return readout;
    }
    const double ampere = double(deviceCurrent) * double(value) * 2.0 / double(current200) * 0.1;
    readout.value = " " + wxString::FromUTF8(fixedDecimalText(ampere, 2));
    const double percent = std::trunc(double(value) / double(current200) * 200.0);
    readout.gauge = static_cast<int>(std::clamp(percent, 0.0, 200.0));
    return readout;
}

bool parseWholeNumber(const wxString& text, long long* value) {
    wxString trimmed = text;
    trimmed.Trim(true).Trim(false);
    size_t start = (!trimmed.empty() && (trimmed[0] == '+' || trimmed[0] == '-')) ? 1 : 0;
    if (trimmed.length() == start) return false;
    for (size_t i = start; i < trimmed.length(); ++i)
        if (trimmed[i] < '0' || trimmed[i] > '9') return false;
    const std::string digits = trimmed.ToStdString();
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(digits.c_str(), &end, 10);
    if (errno == ERANGE || *end != '\0') return false;
    *value = parsed;
    return true;
}

bool parseDecimal(const wxString& text, double* value) {
    wxString trimmed = text;
    trimmed.Trim(true).Trim(false);
    if (trimmed.empty()) return false;
    double parsed = 0;
    if (!trimmed.ToCDouble(&parsed) || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

bool roundToWhole(double value, long long* out) {
    // Beyond this no double is a whole number that a long long holds exactly.
    constexpr double kLimit = 9.2e18;
    if (!std::isfinite(value) || std::fabs(value) >= kLimit) return false;
    *out = std::llround(value);
    return true;
}

bool speedToUser(long long raw, int speedMax, long long* rpm) {
    if (speedMax <= 0) return false;
    return roundToWhole(double(speedMax) * double(raw) / double(kSpeedFullScale), rpm);
}

bool speedToRaw(long long rpm, int speedMax, long long* raw) {
    if (speedMax <= 0) return false;
    return roundToWhole(double(rpm) * double(kSpeedFullScale) / double(speedMax), raw);
}

wxString positionToUser(long long raw, int32_t scale, int32_t offset) {
    if (scale == 0) return wxString::FromUTF8(fixedDecimalText(double(raw), 3));
    return wxString::FromUTF8(fixedDecimalText((double(raw) + double(offset)) / double(scale) * 1000.0, 3));
}

bool positionToRaw(double user, int32_t scale, int32_t offset, long long* raw) {
    if (scale == 0) return roundToWhole(user, raw);
    return roundToWhole(double(scale) * user * 0.001 - double(offset), raw);
}

TestCommand speedCommand(const wxString& text, bool unitsOn, int speedMax, bool negative) {
    long long n = 0;
    if (!parseWholeNumber(text, &n)) return refused(tr("Wrong value for Test speed!"));
    if (!unitsOn) {
        if (n < 0 || n > kSpeedFullScale)
            return refused(tr(negative ? "Speed must be between (-)32767 and 0!" : "Speed must be between 0 and 32767!"));
    } else {
        // Without a maximum speed the drive's rpm scale is unknown: nothing sensible to write.
        if (speedMax <= 0) return refused(tr("The drive's maximum speed (0xCE) is 0: RPM cannot be converted!"));
        if (n < 0 || n > speedMax) {
            const wxString message = tr(negative ? "Speed must be between (-)%d RPM and 0 RPM!"
                                                 : "Speed must be between 0 RPM and %d RPM!");
            return refused(fill(message, "%d", wxString::Format("%d", speedMax)));
        }
        n = n * kSpeedFullScale / speedMax;
    }
    TestCommand command;
    command.ok = true;
    command.value = static_cast<uint16_t>(static_cast<int16_t>(negative ? -n : n));
    return command;
}

TestCommand positionCommand(const wxString& text, bool unitsOn, int32_t scale, int32_t offset, uint32_t reg) {
    long long value = 0;
    bool valid = false;
    if (!unitsOn) {
        valid = parseWholeNumber(text, &value);
    } else {
        double user = 0;
        valid = parseDecimal(text, &user) && positionToRaw(user, scale, offset, &value);
    }
    // A value cut to 32 bits would send the motor to another destination.
    const bool isUnsigned = isRegisterUnsigned(reg);
    const long long low = isUnsigned ? 0 : std::numeric_limits<int32_t>::min();
    const long long high = isUnsigned ? std::numeric_limits<uint32_t>::max() : std::numeric_limits<int32_t>::max();
    if (!valid || value < low || value > high) return refused(tr("Wrong value for Test position!"));
    TestCommand command;
    command.ok = true;
    command.value = static_cast<uint32_t>(value);
    return command;
}

}  // namespace torvex::status
