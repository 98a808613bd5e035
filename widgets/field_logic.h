// What the register-bound fields do with texts and numbers, kept free of windows so
// that every rule can be checked without a display: how a raw register value is
// shown, how a typed text is checked, converted and limited, how half registers are
// merged, and the write path with its read-back. Numbers are always printed and read
// with the C conventions ("1.50", never "1,50"), whatever the process locale is.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/limits.h"

namespace torvex {

class DriveConnection;

// How a field shows and takes its register. part: 0 the whole register, 1 the low and
// 2 the high 16 bits of a 32-bit register (ignored on 16-bit registers).
struct FieldFormat {
    int reg = 0;
    int percentBase = 0;
    int scale = 0;
    int decimals = 1;
    bool hexInput = false;
    int part = 0;
};

// The register operations the fields need; results are the connection's codes (0 success).
class RegisterAccess {
public:
    virtual ~RegisterAccess() = default;
    virtual uint32_t read16(uint32_t reg, uint16_t* value) = 0;
    virtual uint32_t read32(uint32_t reg, uint32_t* value) = 0;
    virtual uint32_t write16(uint32_t reg, uint16_t value) = 0;
    virtual uint32_t write32(uint32_t reg, uint32_t value) = 0;
    virtual bool usable() const = 0;
};

// ---- Formatting ----------------------------------------------------------------------

// "%.0f", "%.01f", "%.02f" or "%.03f" by decimals (any other count prints one decimal); a
// value that rounds to zero prints without a sign.
std::string formatDecimals(double value, int decimals);
// The printf format of a decimals count ("%.02f"), as it appears in the limit messages.
const char* decimalsPlaceholder(int decimals);

// Percent of a raw value, rounded half away from zero.
int64_t percentOfRaw(int64_t raw, int percentBase);

// The text a RegisterEdit shows for a value read from the drive. raw is the whole
// 32-bit value of a 32-bit register, or the 16-bit value of a 16-bit register.
std::string formatRawValue(const FieldFormat& format, uint32_t raw);

// The number a RegisterDisplay shows ("%d" of the result).
int32_t displayValueOf(int reg, int part, int percentBase, uint32_t raw);

// The value a RegisterBitLabel tests: a signed 16-bit register sign-extended.
uint32_t bitLabelValueOf(int reg, uint32_t raw);
bool bitLampLit(uint32_t value, int bit, bool inverted);

// ---- Entry ---------------------------------------------------------------------------

struct EntryCheck {
    enum Kind { Ok, NotHex, NotNumber, TooBig, TooSmall };
    Kind kind = Ok;
    int64_t value = 0;      // the raw value to write (half value for half fields)
    double number = 0;      // what was typed, in the field's units (the scaled fields set it)
    std::string message;    // translated and filled, without the field's prefix
};

// Checks and converts a typed text: characters, conversion to raw units, the register
// limits (maximum first) and the range of the register or half register. A field
// bound to register 0 passes once its characters are right.
EntryCheck checkFieldEntry(const FieldFormat& format, const std::string& text, const RegisterLimits* limits);

// A floating-point number taking the whole text, read the way strtod reads it in the C
// locale (leading white space and a "+" allowed); nan is no number. nullopt: no number.
std::optional<double> parseFloatText(const std::string& text);

// The value written for a half field: the other half kept from current.
uint32_t mergeHalfRegister(int part, uint32_t current, int64_t half);

// The number a step starts from: savedValue read as a whole decimal number, or nothing
// when it is not one (decimals, hexadecimal digits, the initial "0x.." text).
std::optional<long> stepStartValue(const std::string& savedValue);

// What became of one entry. Unconfirmed: the write went out but the read-back failed
// (a drive on CAN may drop the link after taking new identifiers or bit timing), so the
// value the drive now holds is unknown: neither the old nor the typed text may be shown
// as the drive's.
enum class WriteOutcome { Refused, NotWritten, Unconfirmed, Confirmed };

// The whole entry path: check, merge, write by width, read back (shown through show)
// and warn when the drive kept another value. Boxes go through the message seam.
WriteOutcome writeFieldText(RegisterAccess& access, const FieldFormat& format, const RegisterLimits* limits,
                            const std::string& prefix, const std::string& typed,
                            const std::function<void(const std::string&)>& show);
// The same, true only when the drive's value was read back.
bool validateAndWriteText(RegisterAccess& access, const FieldFormat& format, const RegisterLimits* limits,
                          const std::string& prefix, const std::string& typed,
                          const std::function<void(const std::string&)>& show);

// Reads a register with the operation of its width; 0 on success.
uint32_t readByWidth(RegisterAccess& access, int reg, uint32_t* raw);
// How a failed read is told: with its error box, or not at all (a re-read the user did
// not ask for; the action that caused it had its own box).
enum class ReadFailure { Report, Quiet };
// Reads the register and hands the text to show; a failed read shows its error box
// unless it is to stay quiet.
bool readFieldText(RegisterAccess& access, const FieldFormat& format,
                   const std::function<void(const std::string&)>& show, ReadFailure failure = ReadFailure::Report);

// Whether the text read back stands for another value than the one typed, so that the
// drive changed it: hexadecimal fields compare the numbers (upper-case digits and leading
// zeros are no change by the drive), every other field compares the texts, so that a value
// shown back in the field's own way ("1.5" as "1.50") is reported too.
bool readBackDiffers(const FieldFormat& format, const std::string& typed, const std::string& shown);
// Whether shown, a number printed with decimals digits after the point, is another number
// than typed brought to that resolution; the scaled speed and position fields compare so,
// since they print every entry at their own resolution. A shown text that is no number differs.
bool shownNumberDiffers(double typed, const std::string& shown, int decimals);

// ---- Following a change made in another field ----------------------------------------

// How a field shows its register beyond the raw number: in rpm of the drive's maximum
// speed, or in the user's position units (both on the Settings and Position pages).
enum class FieldKind { Plain, Speed, Position };

// The units a field shows its register in. Two fields of one register take each other's
// texts only when their units agree; settings that do not change what is shown are left
// out (a half on a 16-bit register, decimals without a scale, a scale or percent base
// behind hexadecimal entry).
struct FieldUnits {
    int part = 0;
    int percentBase = 0;
    int scale = 0;
    int decimals = 0;
    bool hexInput = false;
    FieldKind kind = FieldKind::Plain;
    bool operator==(const FieldUnits&) const = default;
};
FieldUnits unitsOf(const FieldFormat& format, FieldKind kind = FieldKind::Plain);

// The units packed into one number for a change notice, and back; 0 stands for a notice
// that names no units (and units that do not fit the number are sent as none).
long encodeFieldUnits(const FieldUnits& units);
std::optional<FieldUnits> decodeFieldUnits(long code);

// What a field of the changed register does with a change notice from a field in the
// sender's units (nothing: the notice names none and speaks for the whole register).
enum class FollowAction {
    TakeText,     // same units: the text is the drive's value as this field shows it
    Reread,       // other units: read the register again, without a box
    ShowNothing,  // other units, and a write that may have changed this field's value was
                  // not confirmed: the value is unknown
    Keep,         // nothing to learn now: no usable drive, or only the other half was written
};
FollowAction followAction(const FieldUnits& mine, const std::optional<FieldUnits>& sender, const std::string& text,
                          bool driveUsable);

// "fieldName: " or nothing.
std::string messagePrefix(const std::string& fieldName);

// ---- Four-character text registers ---------------------------------------------------

// First character in the lowest byte; characters beyond Latin-1 become '?'.
uint32_t packAsciiRegister(const std::u32string& text);
// The bytes up to the first zero byte, lowest first.
std::u32string unpackAsciiRegister(uint32_t value);

bool readAsciiText(RegisterAccess& access, int reg, const std::function<void(const std::u32string&)>& show,
                   ReadFailure failure = ReadFailure::Report);
// Writes at most four characters (padded with blanks) and reads them back; the outcome
// as for the register fields.
WriteOutcome writeAsciiFieldText(RegisterAccess& access, int reg, const std::string& prefix,
                                 const std::u32string& typed, const std::function<void(const std::u32string&)>& show);
// The same, true only when the drive's text was read back.
bool writeAsciiText(RegisterAccess& access, int reg, const std::string& prefix, const std::u32string& typed,
                    const std::function<void(const std::u32string&)>& show);

// ---- Message texts (catalogue keys) --------------------------------------------------

inline constexpr const char* kMsgNotHex = "Falsche Eingabe (keine Hexadezimalzahl)!";
inline constexpr const char* kMsgNotNumber = "Falsche Eingabe (keine Nummer)!";
inline constexpr const char* kMsgReadFailed = "Fehler beim Lesen des Registers 0x%x!";
inline constexpr const char* kMsgWriteFailed = "Fehler beim Beschreiben des Registers 0x%x!";
inline constexpr const char* kMsgValueChanged = "Value changed by the Drive (%s -> %s)!";
inline constexpr const char* kMsgTooManyChars = "Zuviele Zeichen (max 4)!";

// Fills the first occurrence of placeholder in text with value.
std::string fillPlaceholder(const std::string& text, const std::string& placeholder, const std::string& value);
// Fills the two "%s" of a message, the second looked for behind the first value.
std::string fillTwoTexts(std::string text, const std::string& first, const std::string& second);

}  // namespace torvex
