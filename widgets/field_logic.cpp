#include "widgets/field_logic.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/number_text.h"
#include "link/registers.h"

namespace torvex {

namespace {

constexpr long kErrorBox = kMsgOk | kMsgIconError;
constexpr long kWarningBox = kMsgOk | kMsgIconExclamation;

// Entries are converted in 64 bits and clamped far outside every register's range, so
// that an absurd entry still meets the limit and range checks instead of wrapping.
constexpr int64_t kEntryClamp = 10000000000LL;

bool isUnsigned(int reg) { return isRegisterUnsigned(static_cast<uint32_t>(reg)); }
bool is32(int reg) { return is32bitRegister(static_cast<uint32_t>(reg)); }

// The 32-bit value a half field stands for, sign-extended on signed registers.
uint32_t selectHalf(int reg, int part, uint32_t raw) {
    if (part != 1 && part != 2) return raw;
    uint32_t half = part == 1 ? (raw & 0xFFFFu) : (raw >> 16);
    if (!isUnsigned(reg) && half > 0x7FFFu) half |= 0xFFFF0000u;
    return half;
}

int effectivePart(const FieldFormat& format) { return is32(format.reg) ? format.part : 0; }

std::string registerMessage(const char* key, int reg) {
    return strprintfRuntime(tr(key), static_cast<unsigned>(reg));
}

void errorBox(const std::string& text) { messageBox(text, tr(kCaptionError), kErrorBox); }

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whole-number syntax of plain fields: an optional sign, then only decimal digits.
bool isWholeNumberText(const std::string& text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// Digits in the given base (text already checked), saturating at kEntryClamp.
int64_t parseClamped(const std::string& text, int base) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        value = value * base + digit;
        if (value > kEntryClamp) value = kEntryClamp;
    }
    return negative ? -value : value;
}

std::string limitText(bool tooBig, int64_t limit, const FieldFormat& format) {
    std::string head = tooBig ? "Zahl zu gross, max. " : "Zahl zu klein, min. ";
    if (format.scale != 0) {
        std::string placeholder = decimalsPlaceholder(format.decimals);
        std::string translated = tr(head + placeholder + "!");
        return fillPlaceholder(translated, placeholder,
                               formatDecimals(static_cast<double>(limit) / format.scale, format.decimals));
    }
    return fillPlaceholder(tr(head + "%ld!"), "%ld", std::to_string(limit));
}

}  // namespace

// A floating-point number taking the whole text, read the way strtod reads it in the C
// locale (leading white space and a "+" allowed). nullopt: no number.
std::optional<double> parseFloatText(const std::string& text) {
    size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return std::nullopt;
    double value = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || end != last) return std::nullopt;
    if (std::isnan(value)) return std::nullopt;
    return negative ? -value : value;
}

std::string fillTwoTexts(std::string text, const std::string& first, const std::string& second) {
    size_t at = text.find("%s");
    if (at == std::string::npos) return text;
    text.replace(at, 2, first);
    // The second place is looked for behind the first text, which may itself hold "%s".
    size_t next = text.find("%s", at + first.size());
    if (next != std::string::npos) text.replace(next, 2, second);
    return text;
}

std::string fillPlaceholder(const std::string& text, const std::string& placeholder, const std::string& value) {
    size_t at = text.find(placeholder);
    if (at == std::string::npos) return text;
    return text.substr(0, at) + value + text.substr(at + placeholder.size());
}

const char* decimalsPlaceholder(int decimals) {
    switch (decimals) {
        case 0: return "%.0f";
        case 2: return "%.02f";
        case 3: return "%.03f";
        default: return "%.01f";
    }
}

std::string formatDecimals(double value, int decimals) {
    int precision = (decimals == 0 || decimals == 2 || decimals == 3) ? decimals : 1;
    return fixedDecimalText(value, precision);
}

int64_t percentOfRaw(int64_t raw, int percentBase) {
    if (percentBase == 0) return raw;
    int64_t scaled = raw * 100;
    int64_t base = percentBase;
    bool negative = (scaled < 0) != (base < 0);
    int64_t magnitude = (2 * std::llabs(scaled) + std::llabs(base)) / (2 * std::llabs(base));
    return negative ? -magnitude : magnitude;
}

std::string formatRawValue(const FieldFormat& format, uint32_t raw) {
    bool unsignedRegister = isUnsigned(format.reg);
    if (is32(format.reg)) {
        uint32_t value = selectHalf(format.reg, format.part, raw);
        if (format.hexInput) {
            char buffer[16];
            auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
            return std::string(buffer, end);
        }
        int64_t number = unsignedRegister ? int64_t(value) : int64_t(int32_t(value));
        if (format.scale != 0) return formatDecimals(static_cast<double>(number) / format.scale, format.decimals);
        if (format.percentBase != 0) return std::to_string(percentOfRaw(number, format.percentBase));
        return std::to_string(number);
    }
    uint16_t value = static_cast<uint16_t>(raw);
    if (format.hexInput) {
        char buffer[8];
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, unsigned(value), 16);
        return std::string(buffer, end);
    }
    int64_t number = unsignedRegister ? int64_t(value) : int64_t(int16_t(value));
    if (format.scale != 0) return formatDecimals(static_cast<double>(number) / format.scale, format.decimals);
    if (format.percentBase != 0) {
        int64_t percent = percentOfRaw(number, format.percentBase);
        return std::to_string(unsignedRegister ? percent : int64_t(int16_t(percent)));
    }
    return std::to_string(number);
}

int32_t displayValueOf(int reg, int part, int percentBase, uint32_t raw) {
    bool unsignedRegister = isUnsigned(reg);
    if (is32(reg)) {
        uint32_t value = selectHalf(reg, part, raw);
        int64_t number = unsignedRegister ? int64_t(value) : int64_t(int32_t(value));
        return static_cast<int32_t>(percentOfRaw(number, percentBase));
    }
    uint16_t value = static_cast<uint16_t>(raw);
    if (unsignedRegister) return static_cast<int32_t>(percentOfRaw(value, percentBase));
    return int16_t(percentOfRaw(int16_t(value), percentBase));
}

uint32_t bitLabelValueOf(int reg, uint32_t raw) {
    if (is32(reg)) return raw;
    uint16_t value = static_cast<uint16_t>(raw);
    return isUnsigned(reg) ? uint32_t(value) : uint32_t(int32_t(int16_t(value)));
}

bool bitLampLit(uint32_t value, int bit, bool inverted) {
    bool set = bit >= 0 && bit < 32 && ((value >> bit) & 1u);
    return set != inverted;
}

EntryCheck checkFieldEntry(const FieldFormat& format, const std::string& text, const RegisterLimits* limits) {
    EntryCheck result;
    if (format.hexInput) {
        for (char c : text) {
            if (!isHexDigit(c)) {
                result.kind = EntryCheck::NotHex;
                result.message = tr(kMsgNotHex);
                return result;
            }
        }
    } else if (format.scale == 0 && !isWholeNumberText(text)) {
        result.kind = EntryCheck::NotNumber;
        result.message = tr(kMsgNotNumber);
        return result;
    }
    if (format.reg == 0) return result;

    int part = effectivePart(format);
    bool halfOr16 = !is32(format.reg) || part != 0;
    bool bitPattern = false;
    int64_t n;
    if (format.scale != 0) {
        std::optional<double> number = parseFloatText(text);
        if (!number) {
            result.kind = EntryCheck::NotNumber;
            result.message = tr(kMsgNotNumber);
            return result;
        }
        double raw = *number * format.scale;
        if (!(raw < double(kEntryClamp))) raw = double(kEntryClamp);
        if (!(raw > -double(kEntryClamp))) raw = -double(kEntryClamp);
        // Nearest raw unit: 1.15 at scale 100 is 115, although 1.15 * 100 falls just below.
        n = std::llround(raw);
    } else {
        n = parseClamped(text, format.hexInput ? 16 : 10);
        bitPattern = format.hexInput;
        if (format.percentBase != 0) {
            __int128 raw = static_cast<__int128>(n) * format.percentBase / 100;
            n = static_cast<int64_t>(std::clamp<__int128>(raw, -kEntryClamp, kEntryClamp));
        }
    }

    if (limits) {
        auto maximum = limits->maximum.find(static_cast<uint16_t>(format.reg));
        if (maximum != limits->maximum.end() && n > maximum->second) {
            result.kind = EntryCheck::TooBig;
            result.message = limitText(true, maximum->second, format);
            return result;
        }
        auto minimum = limits->minimum.find(static_cast<uint16_t>(format.reg));
        if (minimum != limits->minimum.end() && n < minimum->second) {
            result.kind = EntryCheck::TooSmall;
            result.message = limitText(false, minimum->second, format);
            return result;
        }
    }

    // What the register (or half) can hold: hexadecimal entries are bit patterns of its
    // width, numbers follow its signedness. Nothing is wrapped into another value.
    int64_t lowest, highest;
    if (bitPattern || isUnsigned(format.reg)) {
        lowest = 0;
        highest = halfOr16 ? 0xFFFF : 0xFFFFFFFFLL;
    } else {
        lowest = halfOr16 ? -32768 : INT32_MIN;
        highest = halfOr16 ? 32767 : INT32_MAX;
    }
    if (n > highest) {
        result.kind = EntryCheck::TooBig;
        result.message = limitText(true, highest, format);
        return result;
    }
    if (n < lowest) {
        result.kind = EntryCheck::TooSmall;
        result.message = limitText(false, lowest, format);
        return result;
    }
    result.value = n;
    return result;
}

uint32_t mergeHalfRegister(int part, uint32_t current, int64_t half) {
    uint32_t bits = static_cast<uint32_t>(half) & 0xFFFFu;
    if (part == 1) return (current & 0xFFFF0000u) | bits;
    if (part == 2) return (current & 0x0000FFFFu) | (bits << 16);
    return static_cast<uint32_t>(half);
}

std::optional<long> stepStartValue(const std::string& savedValue) {
    if (savedValue.empty()) return std::nullopt;
    size_t i = 0;
    if (savedValue[0] == '+' || savedValue[0] == '-') ++i;
    if (i >= savedValue.size()) return std::nullopt;
    for (size_t k = i; k < savedValue.size(); ++k)
        if (savedValue[k] < '0' || savedValue[k] > '9') return std::nullopt;
    long value = 0;
    auto [end, error] = std::from_chars(savedValue.data() + i, savedValue.data() + savedValue.size(), value);
    if (error != std::errc()) return std::nullopt;
    return savedValue[0] == '-' ? -value : value;
}

std::string messagePrefix(const std::string& fieldName) {
    return fieldName.empty() ? std::string() : fieldName + ": ";
}

uint32_t readByWidth(RegisterAccess& access, int reg, uint32_t* raw) {
    if (is32(reg)) return access.read32(static_cast<uint32_t>(reg), raw);
    uint16_t value16 = 0;
    uint32_t rc = access.read16(static_cast<uint32_t>(reg), &value16);
    if (rc == 0) *raw = value16;
    return rc;
}

bool readFieldText(RegisterAccess& access, const FieldFormat& format,
                   const std::function<void(const std::string&)>& show, ReadFailure failure) {
    if (format.reg == 0) return true;
    uint32_t raw = 0;
    if (readByWidth(access, format.reg, &raw) != 0) {
        if (failure == ReadFailure::Report) errorBox(registerMessage(kMsgReadFailed, format.reg));
        return false;
    }
    show(formatRawValue(format, raw));
    return true;
}

bool shownNumberDiffers(double typed, const std::string& shown, int decimals) {
    std::optional<double> value = parseFloatText(shown);
    if (!value) return true;
    // The shown text is the drive's value at the field's resolution; what was typed is
    // brought to the same resolution, so that digits the field never shows are no change.
    return formatDecimals(typed, decimals) != formatDecimals(*value, decimals);
}

bool readBackDiffers(const FieldFormat& format, const std::string& typed, const std::string& shown) {
    if (!format.hexInput) return typed != shown;
    // Both texts passed the hexadecimal check (the typed one on entry, the shown one was
    // printed from the register), so they compare as numbers.
    auto isHexText = [](const std::string& text) { return std::all_of(text.begin(), text.end(), isHexDigit); };
    if (!isHexText(typed) || !isHexText(shown)) return typed != shown;
    return parseClamped(typed, 16) != parseClamped(shown, 16);
}

FieldUnits unitsOf(const FieldFormat& format, FieldKind kind) {
    FieldUnits units;
    units.part = effectivePart(format);
    units.kind = kind;
    if (format.hexInput) {
        units.hexInput = true;
    } else if (format.scale != 0) {
        units.scale = format.scale;
        const int decimals = format.decimals;
        units.decimals = (decimals == 0 || decimals == 2 || decimals == 3) ? decimals : 1;
    } else {
        units.percentBase = format.percentBase;
    }
    return units;
}

namespace {
// Layout of a packed notice: bit 0 set, part in bits 1-2, hexadecimal entry in bit 3,
// decimals in bits 4-5, the kind in bits 6-7, the percent base in bits 8-31 and the
// scale in bits 32-55.
constexpr int64_t kUnitFieldLimit = int64_t(1) << 24;
}  // namespace

long encodeFieldUnits(const FieldUnits& units) {
    static_assert(sizeof(long) >= 8, "the units are packed into 64 bits");
    if (units.part < 0 || units.part > 2 || units.decimals < 0 || units.decimals > 3) return 0;
    if (units.percentBase < 0 || units.percentBase >= kUnitFieldLimit) return 0;
    if (units.scale < 0 || units.scale >= kUnitFieldLimit) return 0;
    int64_t code = 1;
    code |= int64_t(units.part) << 1;
    code |= int64_t(units.hexInput ? 1 : 0) << 3;
    code |= int64_t(units.decimals) << 4;
    code |= int64_t(static_cast<int>(units.kind)) << 6;
    code |= int64_t(units.percentBase) << 8;
    code |= int64_t(units.scale) << 32;
    return static_cast<long>(code);
}

std::optional<FieldUnits> decodeFieldUnits(long code) {
    const int64_t bits = code;
    if ((bits & 1) == 0) return std::nullopt;
    FieldUnits units;
    units.part = int((bits >> 1) & 3);
    units.hexInput = ((bits >> 3) & 1) != 0;
    units.decimals = int((bits >> 4) & 3);
    const int kind = int((bits >> 6) & 3);
    if (units.part > 2 || kind > static_cast<int>(FieldKind::Position)) return std::nullopt;
    units.kind = static_cast<FieldKind>(kind);
    units.percentBase = int((bits >> 8) & (kUnitFieldLimit - 1));
    units.scale = int((bits >> 32) & (kUnitFieldLimit - 1));
    return units;
}

namespace {
// Whether the change can have altered what this field shows: its half, or the whole
// register, was written (a notice without units speaks for the whole register).
bool changeCovers(const FieldUnits& mine, const std::optional<FieldUnits>& sender) {
    const int written = sender ? sender->part : 0;
    return mine.part == 0 || written == 0 || mine.part == written;
}
}  // namespace

FollowAction followAction(const FieldUnits& mine, const std::optional<FieldUnits>& sender, const std::string& text,
                          bool driveUsable) {
    // Same units, or a notice for the whole register reaching a field of the whole register.
    if (sender ? *sender == mine : mine.part == 0) return FollowAction::TakeText;
    // The sender's write was not confirmed: nothing is read for it.
    if (text.empty()) return changeCovers(mine, sender) ? FollowAction::ShowNothing : FollowAction::Keep;
    if (!driveUsable) return FollowAction::Keep;
    return FollowAction::Reread;
}

bool validateAndWriteText(RegisterAccess& access, const FieldFormat& format, const RegisterLimits* limits,
                          const std::string& prefix, const std::string& typed,
                          const std::function<void(const std::string&)>& show) {
    return writeFieldText(access, format, limits, prefix, typed, show) == WriteOutcome::Confirmed;
}

WriteOutcome writeFieldText(RegisterAccess& access, const FieldFormat& format, const RegisterLimits* limits,
                            const std::string& prefix, const std::string& typed,
                            const std::function<void(const std::string&)>& show) {
    EntryCheck check = checkFieldEntry(format, typed, limits);
    if (check.kind != EntryCheck::Ok) {
        errorBox(prefix + check.message);
        return WriteOutcome::Refused;
    }
    if (format.reg == 0) return WriteOutcome::Confirmed;

    uint32_t reg = static_cast<uint32_t>(format.reg);
    int part = effectivePart(format);
    uint32_t value = static_cast<uint32_t>(check.value);
    if (part == 1 || part == 2) {
        uint32_t current = 0;
        if (access.read32(reg, &current) != 0) {
            errorBox(registerMessage(kMsgReadFailed, format.reg));
            return WriteOutcome::NotWritten;
        }
        value = mergeHalfRegister(part, current, check.value);
    }
    uint32_t written = is32(format.reg) ? access.write32(reg, value)
                                        : access.write16(reg, static_cast<uint16_t>(value));
    if (written != 0) {
        errorBox(registerMessage(kMsgWriteFailed, format.reg));
        return WriteOutcome::NotWritten;
    }

    std::string shown;
    bool readBack = readFieldText(access, format, [&](const std::string& text) {
        shown = text;
        show(text);
    });
    if (!readBack) return WriteOutcome::Unconfirmed;
    if (readBackDiffers(format, typed, shown))
        messageBox(fillTwoTexts(tr(kMsgValueChanged), typed, shown), tr(kCaptionWarning), kWarningBox);
    return WriteOutcome::Confirmed;
}

uint32_t packAsciiRegister(const std::u32string& text) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        char32_t c = i < text.size() ? text[i] : U' ';
        uint32_t byte = c <= 0xFF ? uint32_t(c) : uint32_t('?');
        value |= byte << (8 * i);
    }
    return value;
}

std::u32string unpackAsciiRegister(uint32_t value) {
    std::u32string text;
    for (int i = 0; i < 4; ++i) {
        char32_t c = (value >> (8 * i)) & 0xFFu;
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

bool readAsciiText(RegisterAccess& access, int reg, const std::function<void(const std::u32string&)>& show,
                   ReadFailure failure) {
    if (reg == 0) return true;
    uint32_t value = 0;
    if (access.read32(static_cast<uint32_t>(reg), &value) != 0) {
        if (failure == ReadFailure::Report) errorBox(registerMessage(kMsgReadFailed, reg));
        return false;
    }
    show(unpackAsciiRegister(value));
    return true;
}

namespace {
std::string toUtf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}
}  // namespace

WriteOutcome writeAsciiFieldText(RegisterAccess& access, int reg, const std::string& prefix,
                                 const std::u32string& typed, const std::function<void(const std::u32string&)>& show) {
    if (typed.size() > 4) {
        errorBox(prefix + tr(kMsgTooManyChars));
        return WriteOutcome::Refused;
    }
    std::u32string padded = typed;
    padded.resize(4, U' ');
    if (reg == 0) return WriteOutcome::Confirmed;
    if (access.write32(static_cast<uint32_t>(reg), packAsciiRegister(padded)) != 0) {
        errorBox(registerMessage(kMsgWriteFailed, reg));
        return WriteOutcome::NotWritten;
    }
    std::u32string shown;
    bool readBack = readAsciiText(access, reg, [&](const std::u32string& text) {
        shown = text;
        show(text);
    });
    if (!readBack) return WriteOutcome::Unconfirmed;
    if (shown != padded)
        messageBox(fillTwoTexts(tr(kMsgValueChanged), toUtf8(padded), toUtf8(shown)), tr(kCaptionWarning),
                   kWarningBox);
    return WriteOutcome::Confirmed;
}

bool writeAsciiText(RegisterAccess& access, int reg, const std::string& prefix, const std::u32string& typed,
                    const std::function<void(const std::u32string&)>& show) {
    return writeAsciiFieldText(access, reg, prefix, typed, show) == WriteOutcome::Confirmed;
}

}  // namespace torvex
