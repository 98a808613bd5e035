#include "widgets/scaled_fields.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "widgets/register_access.h"
#include "widgets/register_edit.h"

namespace torvex {

namespace {

constexpr long kErrorBox = kMsgOk | kMsgIconError;
constexpr long kWarningBox = kMsgOk | kMsgIconExclamation;
constexpr double kRawFullSpeed = 32767.0;
// Positions are shown in thousandths of the user's unit.
constexpr int kPositionDecimals = 3;
// Typed numbers saturate far outside every register's range, so that an absurd entry
// still meets the range check instead of overflowing on the way.
constexpr int64_t kEntryClamp = 10000000000LL;
constexpr double kEntryClampD = 1e10;

void errorBox(const std::string& text) { messageBox(text, tr(kCaptionError), kErrorBox); }

std::string registerMessage(const char* key, int reg) {
    return strprintfRuntime(tr(key), static_cast<unsigned>(reg));
}

bool isUnsignedReg(int reg) { return isRegisterUnsigned(static_cast<uint32_t>(reg)); }

// What a register of the given width can hold, by the register table's signedness.
void registerRange(int reg, bool wide, int64_t* lowest, int64_t* highest) {
    if (isUnsignedReg(reg)) {
        *lowest = 0;
        *highest = wide ? 0xFFFFFFFFLL : 0xFFFF;
    } else {
        *lowest = wide ? INT32_MIN : -32768;
        *highest = wide ? INT32_MAX : 32767;
    }
}

// An optional sign, then decimal digits only; "" and a lone sign count as 0.
std::optional<int64_t> parseWhole(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kEntryClamp) value = kEntryClamp;
    }
    return negative ? -value : value;
}

int64_t roundClamped(double value) {
    if (!(value < kEntryClampD)) return kEntryClamp;
    if (!(value > -kEntryClampD)) return -kEntryClamp;
    return std::llround(value);
}

int64_t signedValue(int reg, uint32_t raw, bool wide) {
    if (wide) return isUnsignedReg(reg) ? int64_t(raw) : int64_t(int32_t(raw));
    uint16_t value = static_cast<uint16_t>(raw);
    return isUnsignedReg(reg) ? int64_t(value) : int64_t(int16_t(value));
}

std::string limitMessage(bool tooBig, const std::string& placeholder, const std::string& value) {
    std::string head = tooBig ? "Zahl zu gross, max. " : "Zahl zu klein, min. ";
    return fillPlaceholder(tr(head + placeholder + "!"), placeholder, value);
}

// The rpm nearest to a raw limit that still converts to a raw value inside it.
int64_t speedLimitInRpm(int speedScale, int64_t rawLimit, bool upper) {
    int64_t rpm = std::llround(double(rawLimit) * speedScale / kRawFullSpeed);
    for (int i = 0; i < 8; ++i) {
        int64_t raw = *speedToRaw(speedScale, rpm);
        if (upper ? raw <= rawLimit : raw >= rawLimit) break;
        rpm += upper ? -1 : 1;
    }
    return rpm;
}

// The position (in thousandths of a unit) nearest to a raw limit that still converts to
// a raw value inside it.
std::string positionLimitText(int32_t positionScale, int64_t rawLimit, bool upper) {
    if (positionScale == 0) return std::to_string(rawLimit);
    int64_t milli = std::llround(double(rawLimit) * 1000000.0 / positionScale);
    // Raw values grow with the position for a positive scale, shrink for a negative one.
    int64_t inward = (upper == (positionScale > 0)) ? -1 : 1;
    for (int i = 0; i < 8; ++i) {
        int64_t raw = positionToRaw(positionScale, double(milli) / 1000.0);
        if (upper ? raw <= rawLimit : raw >= rawLimit) break;
        milli += inward;
    }
    return formatDecimals(double(milli) / 1000.0, 3);
}

EntryCheck refused(EntryCheck::Kind kind, std::string message) {
    EntryCheck check;
    check.kind = kind;
    check.message = std::move(message);
    return check;
}

// Limits of "MinMax.txt" first (maximum first), then the register's own range, all in
// raw units; limitText names a raw limit in the field's units. typed is the entry's number
// in those units.
EntryCheck checkRawRange(int reg, bool wide, int64_t raw, double typed, const RegisterLimits* limits,
                         const std::function<std::string(bool, int64_t)>& limitText) {
    if (limits) {
        auto maximum = limits->maximum.find(static_cast<uint16_t>(reg));
        if (maximum != limits->maximum.end() && raw > maximum->second)
            return refused(EntryCheck::TooBig, limitText(true, maximum->second));
        auto minimum = limits->minimum.find(static_cast<uint16_t>(reg));
        if (minimum != limits->minimum.end() && raw < minimum->second)
            return refused(EntryCheck::TooSmall, limitText(false, minimum->second));
    }
    int64_t lowest, highest;
    registerRange(reg, wide, &lowest, &highest);
    if (raw > highest) return refused(EntryCheck::TooBig, limitText(true, highest));
    if (raw < lowest) return refused(EntryCheck::TooSmall, limitText(false, lowest));
    EntryCheck check;
    check.value = raw;
    check.number = typed;
    return check;
}

using Reader = std::function<std::optional<std::string>(RegisterAccess&)>;
using Writer = std::function<uint32_t(RegisterAccess&, int64_t)>;

// Write, read back and compare: a value shown that is another number than the one typed
// (at the decimals the field shows) is reported with the entered and the shown text,
// whether the drive kept another value or the conversion to raw units had to round.
WriteOutcome writeAndReadBack(RegisterAccess& access, int reg, const EntryCheck& entry, int decimals,
                              const std::string& typed, const Writer& write, const Reader& read,
                              const std::function<void(const std::string&)>& show) {
    const int64_t raw = entry.value;
    if (write(access, raw) != 0) {
        errorBox(registerMessage(kMsgWriteFailed, reg));
        return WriteOutcome::NotWritten;
    }
    std::optional<std::string> shown = read(access);
    if (!shown) return WriteOutcome::Unconfirmed;
    show(*shown);
    if (shownNumberDiffers(entry.number, *shown, decimals))
        messageBox(fillTwoTexts(tr(kMsgValueChanged), typed, *shown), tr(kCaptionWarning), kWarningBox);
    return WriteOutcome::Confirmed;
}

}  // namespace

std::string speedText(int speedScale, int64_t raw) {
    return std::to_string(std::llround(double(speedScale) * double(raw) / kRawFullSpeed));
}

std::string positionText(int32_t positionScale, int64_t raw) {
    if (positionScale == 0) return std::to_string(raw);
    return formatDecimals(double(raw) * 1000.0 / positionScale, kPositionDecimals);
}

std::string offsetPositionText(int32_t positionScale, int32_t positionOffset, uint32_t raw) {
    if (positionScale == 0) return std::to_string(int32_t(raw));
    int32_t shifted = static_cast<int32_t>(raw + static_cast<uint32_t>(positionOffset));
    return positionText(positionScale, shifted);
}

std::optional<int32_t> positionRegisterFromText(const std::string& text) {
    std::optional<double> number = parseFloatText(text);
    if (!number || !std::isfinite(*number)) return std::nullopt;
    double rounded = std::round(*number);
    if (rounded < double(INT32_MIN) || rounded > double(INT32_MAX)) return std::nullopt;
    return static_cast<int32_t>(rounded);
}

std::optional<int64_t> speedToRaw(int speedScale, int64_t rpm) {
    if (speedScale == 0) return std::nullopt;
    return roundClamped(double(rpm) * kRawFullSpeed / speedScale);
}

int64_t positionToRaw(int32_t positionScale, double position) {
    return roundClamped(double(positionScale) * position / 1000.0);
}

EntryCheck checkSpeedEntry(int reg, int speedScale, const std::string& text, const RegisterLimits* limits) {
    std::optional<int64_t> rpm = parseWhole(text);
    if (!rpm) return refused(EntryCheck::NotNumber, tr(kMsgNotNumber));
    std::optional<int64_t> raw = speedToRaw(speedScale, *rpm);
    if (!raw) return refused(EntryCheck::NotNumber, registerMessage(kMsgNoSpeedScale, kSpeedScaleRegister));
    return checkRawRange(reg, false, *raw, double(*rpm), limits, [speedScale](bool upper, int64_t limit) {
        return limitMessage(upper, "%ld", std::to_string(speedLimitInRpm(speedScale, limit, upper)));
    });
}

EntryCheck checkPositionEntry(int reg, int32_t positionScale, const std::string& text,
                              const RegisterLimits* limits) {
    int64_t raw;
    double typed;
    if (positionScale == 0) {
        std::optional<int64_t> whole = parseWhole(text);
        if (!whole) return refused(EntryCheck::NotNumber, tr(kMsgNotNumber));
        raw = *whole;
        typed = double(*whole);
    } else {
        std::optional<double> number = parseFloatText(text);
        if (!number) return refused(EntryCheck::NotNumber, tr(kMsgNotNumber));
        raw = positionToRaw(positionScale, *number);
        typed = *number;
    }
    return checkRawRange(reg, true, raw, typed, limits, [positionScale](bool upper, int64_t limit) {
        return limitMessage(upper, positionScale == 0 ? "%ld" : "%.03f",
                            positionLimitText(positionScale, limit, upper));
    });
}

std::optional<std::string> readSpeedText(RegisterAccess& access, int reg, int speedScale, ReadFailure failure) {
    uint16_t raw = 0;
    if (access.read16(static_cast<uint32_t>(reg), &raw) != 0) {
        if (failure == ReadFailure::Report) errorBox(registerMessage(kMsgReadFailed, reg));
        return std::nullopt;
    }
    return speedText(speedScale, signedValue(reg, raw, false));
}

std::optional<std::string> readPositionText(RegisterAccess& access, int reg, int32_t positionScale,
                                            ReadFailure failure) {
    uint32_t raw = 0;
    if (access.read32(static_cast<uint32_t>(reg), &raw) != 0) {
        if (failure == ReadFailure::Report) errorBox(registerMessage(kMsgReadFailed, reg));
        return std::nullopt;
    }
    return positionText(positionScale, signedValue(reg, raw, true));
}

WriteOutcome writeSpeedText(RegisterAccess& access, int reg, int speedScale, const RegisterLimits* limits,
                            const std::string& prefix, const std::string& typed,
                            const std::function<void(const std::string&)>& show) {
    EntryCheck check = checkSpeedEntry(reg, speedScale, typed, limits);
    if (check.kind != EntryCheck::Ok) {
        errorBox(prefix + check.message);
        return WriteOutcome::Refused;
    }
    return writeAndReadBack(
        access, reg, check, 0, typed,
        [reg](RegisterAccess& a, int64_t raw) {
            return a.write16(static_cast<uint32_t>(reg), static_cast<uint16_t>(raw));
        },
        [reg, speedScale](RegisterAccess& a) { return readSpeedText(a, reg, speedScale); }, show);
}

WriteOutcome writePositionText(RegisterAccess& access, int reg, int32_t positionScale, const RegisterLimits* limits,
                               const std::string& prefix, const std::string& typed,
                               const std::function<void(const std::string&)>& show) {
    EntryCheck check = checkPositionEntry(reg, positionScale, typed, limits);
    if (check.kind != EntryCheck::Ok) {
        errorBox(prefix + check.message);
        return WriteOutcome::Refused;
    }
    return writeAndReadBack(
        access, reg, check, positionScale == 0 ? 0 : kPositionDecimals, typed,
        [reg](RegisterAccess& a, int64_t raw) {
            return a.write32(static_cast<uint32_t>(reg), static_cast<uint32_t>(raw));
        },
        [reg, positionScale](RegisterAccess& a) { return readPositionText(a, reg, positionScale); }, show);
}

bool commitSpeedText(RegisterAccess& access, int reg, int speedScale, const RegisterLimits* limits,
                     const std::string& prefix, const std::string& typed,
                     const std::function<void(const std::string&)>& show) {
    return writeSpeedText(access, reg, speedScale, limits, prefix, typed, show) == WriteOutcome::Confirmed;
}

bool commitPositionText(RegisterAccess& access, int reg, int32_t positionScale, const RegisterLimits* limits,
                        const std::string& prefix, const std::string& typed,
                        const std::function<void(const std::string&)>& show) {
    return writePositionText(access, reg, positionScale, limits, prefix, typed, show) == WriteOutcome::Confirmed;
}

std::optional<std::string> steppedText(const std::string& savedText, long delta) {
    std::optional<long> start = stepStartValue(savedText);
    if (!start) return std::nullopt;
    return std::to_string(int64_t(*start) + delta);
}

// ---- RegisterEdit wrappers ------------------------------------------------------------

namespace {

wxString readInto(RegisterEdit* field, const std::optional<std::string>& text) {
    if (!text) {
        field->ChangeValue(field->savedValue());
        return wxString();
    }
    wxString shown = wxString::FromUTF8(*text);
    field->showValue(shown);
    return shown;
}

using TextCommit = std::function<WriteOutcome(RegisterAccess&, const std::string& prefix, const std::string& typed,
                                              const std::function<void(const std::string&)>& show)>;

// The same ends as a plain field's commit: the drive's value, the saved text back when
// nothing was written, or no value at all when the write went out unconfirmed.
bool commitInto(RegisterEdit* field, const TextCommit& commit) {
    if (!field->isModified()) return true;
    RegisterEdit::BusyHold hold(*field);
    DriveRegisterAccess access(field->drive());
    std::string prefix = messagePrefix(field->fieldName().utf8_string());
    WriteOutcome outcome = commit(access, prefix, field->GetValue().utf8_string(),
                                  [field](const std::string& text) { field->showValue(wxString::FromUTF8(text)); });
    if (outcome == WriteOutcome::Unconfirmed) {
        // Neither the old nor the typed text is known to be the drive's.
        field->showValue(wxString());
        return false;
    }
    if (outcome != WriteOutcome::Confirmed) {
        field->ChangeValue(field->savedValue());
        refocusAfterRefusal(field, access.usable());
    }
    return outcome == WriteOutcome::Confirmed;
}

bool rereadInto(RegisterEdit* field, const std::optional<std::string>& text) {
    if (!text) return false;
    field->showValue(wxString::FromUTF8(*text));
    return true;
}

bool stepInto(RegisterEdit* field, long delta, const std::function<bool(RegisterEdit*)>& commit) {
    std::optional<std::string> next = steppedText(field->savedValue().utf8_string(), delta);
    if (!next) return false;
    field->SetFocus();
    field->ChangeValue(wxString::FromUTF8(*next));
    return commit(field);
}

}  // namespace

wxString readSpeedField(RegisterEdit* field, int speedScale) {
    DriveRegisterAccess access(field->drive());
    return readInto(field, readSpeedText(access, field->registerNumber(), speedScale));
}

wxString readPositionField(RegisterEdit* field, int32_t positionScale) {
    DriveRegisterAccess access(field->drive());
    return readInto(field, readPositionText(access, field->registerNumber(), positionScale));
}

bool rereadSpeedField(RegisterEdit* field, int speedScale) {
    DriveRegisterAccess access(field->drive());
    return rereadInto(field, readSpeedText(access, field->registerNumber(), speedScale, ReadFailure::Quiet));
}

bool rereadPositionField(RegisterEdit* field, int32_t positionScale) {
    DriveRegisterAccess access(field->drive());
    return rereadInto(field, readPositionText(access, field->registerNumber(), positionScale, ReadFailure::Quiet));
}

bool commitSpeedField(RegisterEdit* field, int speedScale) {
    return commitInto(field, [field, speedScale](RegisterAccess& access, const std::string& prefix,
                                                 const std::string& typed, const auto& show) {
        return writeSpeedText(access, field->registerNumber(), speedScale, field->limits(), prefix, typed, show);
    });
}

bool commitPositionField(RegisterEdit* field, int32_t positionScale) {
    return commitInto(field, [field, positionScale](RegisterAccess& access, const std::string& prefix,
                                                    const std::string& typed, const auto& show) {
        return writePositionText(access, field->registerNumber(), positionScale, field->limits(), prefix, typed,
                                 show);
    });
}

bool stepSpeedField(RegisterEdit* field, int speedScale, long delta) {
    return stepInto(field, delta, [speedScale](RegisterEdit* f) { return commitSpeedField(f, speedScale); });
}

bool stepPositionField(RegisterEdit* field, int32_t positionScale, long delta) {
    return stepInto(field, delta,
                    [positionScale](RegisterEdit* f) { return commitPositionField(f, positionScale); });
}

}  // namespace torvex
