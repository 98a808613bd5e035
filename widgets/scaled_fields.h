// Fields that show a register in user units rather than raw drive units: speeds in rpm
// (raw 32767 stands for the drive's maximum speed register) and positions in the
// user's position units (raw × 1000 / position scale, three decimals). The rules work
// on any register and on the caller's own scales, without a window; thin wrappers at
// the end apply them to a RegisterEdit.
//
// Both directions round to the nearest unit (halves away from zero), so a value typed
// in is shown back unchanged whenever the register can hold it; one it cannot hold is
// shown as the drive keeps it, with the read-back warning. An entry the register
// cannot hold is refused with the field's limit message; it is never cut to its low
// bits. A speed cannot be converted while the maximum-speed register reads 0; such an
// entry is refused with a message naming that register, and nothing is written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/limits.h"
#include "widgets/field_logic.h"

class wxString;

namespace torvex {

class RegisterEdit;

// The register whose value is the rpm that raw 32767 stands for (SPEED_RPMMAX_INT).
inline constexpr int kSpeedScaleRegister = 0xCE;
// The drive sets it from its maximum speed (SPEED_RPMMAX) and the motor's (MOTOR_RPMMAX).
inline constexpr int kSpeedMaxRegister = 0xC8;
inline constexpr int kMotorSpeedMaxRegister = 0x59;
// Refusal of a speed entry while that register reads 0 (catalogue key, "%x" its number).
inline constexpr const char* kMsgNoSpeedScale =
    "Die Drehzahl kann nicht umgerechnet werden: Register 0x%x ist 0!";

// ---- Showing ---------------------------------------------------------------------------

// The nearest whole rpm of a raw speed value ("%d").
std::string speedText(int speedScale, int64_t raw);
// Raw × 1000 / positionScale with three decimals, or the raw value ("%d") when the
// scale is 0.
std::string positionText(int32_t positionScale, int64_t raw);
// A position read-out whose raw value is shifted by the drive's position offset first
// (32-bit sum, wrapping as the drive's does); the offset is not applied without a scale.
std::string offsetPositionText(int32_t positionScale, int32_t positionOffset, uint32_t raw);

// The value of a position-scale or position-offset register taken from the text its
// field shows: that field shows the raw register value, so the text is read as the
// raw number (C notation; decimals round to the nearest whole value). Nothing when the
// text is no number or does not fit 32 signed bits.
std::optional<int32_t> positionRegisterFromText(const std::string& text);

// ---- Entry -----------------------------------------------------------------------------

// Checks and converts a typed speed (whole rpm) or position (user units, or raw whole
// numbers without a scale) to the raw value written; kind and message as for plain
// fields (message translated, without the field's prefix). The limits of "MinMax.txt"
// are raw drive units and are compared with the converted raw value; a limit message
// names the limit in the field's units.
EntryCheck checkSpeedEntry(int reg, int speedScale, const std::string& text, const RegisterLimits* limits);
EntryCheck checkPositionEntry(int reg, int32_t positionScale, const std::string& text,
                              const RegisterLimits* limits);

// The raw value behind the nearest rpm (rounded half away from zero); nothing while the
// scale is 0.
std::optional<int64_t> speedToRaw(int speedScale, int64_t rpm);
// The raw value behind a position in user units (rounded half away from zero).
int64_t positionToRaw(int32_t positionScale, double position);

// ---- Register access ------------------------------------------------------------------

// Reads the register (16 bits for a speed, 32 bits for a position; signed as the register
// table has it) and returns the text to show. A failed read shows its error box (unless
// it is to stay quiet) and returns nothing.
std::optional<std::string> readSpeedText(RegisterAccess& access, int reg, int speedScale,
                                         ReadFailure failure = ReadFailure::Report);
std::optional<std::string> readPositionText(RegisterAccess& access, int reg, int32_t positionScale,
                                            ReadFailure failure = ReadFailure::Report);

// The whole entry path: check, convert, write, read back (handed to show) and warn when
// the value shown is another number than the one typed, at the decimals the field shows:
// the drive kept another value, or the register cannot hold the one typed (a position
// finer than one raw count, an rpm between two raw steps). Boxes go through the message
// seam, each naming the field by prefix ("name: ") where the message is about the entry.
// The outcome says what became of the entry, as for plain fields: Refused (nothing
// written), NotWritten (the write failed), Unconfirmed (written, but the read-back failed;
// only the read error is shown then) or Confirmed.
WriteOutcome writeSpeedText(RegisterAccess& access, int reg, int speedScale, const RegisterLimits* limits,
                            const std::string& prefix, const std::string& typed,
                            const std::function<void(const std::string&)>& show);
WriteOutcome writePositionText(RegisterAccess& access, int reg, int32_t positionScale, const RegisterLimits* limits,
                               const std::string& prefix, const std::string& typed,
                               const std::function<void(const std::string&)>& show);
// The same, true only when the drive's value was read back.
bool commitSpeedText(RegisterAccess& access, int reg, int speedScale, const RegisterLimits* limits,
                     const std::string& prefix, const std::string& typed,
                     const std::function<void(const std::string&)>& show);
bool commitPositionText(RegisterAccess& access, int reg, int32_t positionScale, const RegisterLimits* limits,
                        const std::string& prefix, const std::string& typed,
                        const std::function<void(const std::string&)>& show);

// The text a step of delta shown units starts from and goes to: the saved text must be
// a whole number (a position showing decimals is not stepped).
std::optional<std::string> steppedText(const std::string& savedText, long delta);

// ---- RegisterEdit wrappers ------------------------------------------------------------

// Read the field's register and show it; "" when the read failed (the field gets its
// saved text back).
wxString readSpeedField(RegisterEdit* field, int speedScale);
wxString readPositionField(RegisterEdit* field, int32_t positionScale);
// Reads the field's register again without a box, as after a change made elsewhere;
// false when the read failed (the field is left as it was).
bool rereadSpeedField(RegisterEdit* field, int speedScale);
bool rereadPositionField(RegisterEdit* field, int32_t positionScale);
// Commit the field's text when it changed; the field is busy meanwhile, so that a focus
// change inside a message box does not start a second commit. True when nothing had to
// be written or the write and read-back succeeded. When nothing was written the saved
// text comes back; when the write went out but could not be read back, the field shows
// no value (as a plain field does).
bool commitSpeedField(RegisterEdit* field, int speedScale);
bool commitPositionField(RegisterEdit* field, int32_t positionScale);
// Up/Down on a scaled field: delta shown units through the field's own commit. False
// when the shown text cannot be stepped or the commit failed.
bool stepSpeedField(RegisterEdit* field, int speedScale, long delta);
bool stepPositionField(RegisterEdit* field, int32_t positionScale, long delta);

}  // namespace torvex
