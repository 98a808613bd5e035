// What the drive status panel shows and writes, without a window: the error and warning
// texts, the speed and current read-outs, and the checks and conversions of the test area.
#pragma once

#include <cstdint>
#include <vector>

#include <wx/string.h>

namespace torvex::status {

// How the error word reached the panel: the connection's state is carried beside the
// drive's word, so a warning bit of the word never reads as a connection state.
enum LinkState : long {
    kDriveAnswered = 0,
    kNoReply = 1,  // the read of the error register failed
    kNoCom = 2,    // the drive is not usable
    kOffline = 3,  // the frame is offline
};

// The catalogue keys of error bits 0..15 (each text ends with its own line break).
extern const char* const kErrorBitKeys[16];
// An error bit's text is its name padded with blanks to this column, then its description.
inline constexpr int kErrorNameColumn = 13;
// Every line the errors field can show, translated, without line breaks: the three state
// lines and the sixteen error bits' lines.
std::vector<wxString> allErrorLines();

// The errors field: the state lines (NOREPLY also while the watching step counts failures,
// failureText not "0"), then one line per set error bit 0..15; every text starts a line.
wxString errorText(uint32_t word, long linkState, const wxString& failureText);
// The errors field's text as it is shown: a hyphen inside a word ("re-entered",
// "EEPROM-Parameter") becomes the non-breaking hyphen, which looks the same, so that a
// wrapped line never breaks the word after its hyphen.
wxString keepHyphenatedWordsWhole(const wxString& text);
// The catalogue's text of a text the errors field shows: every non-breaking hyphen back to
// the hyphen it stands for (the catalogue has none of its own). What a person copies from the
// field is this text, so that a search for the copied "re-entered" finds the word.
wxString catalogueText(const wxString& shown);
// The warnings field: "WARNING_0\n".."WARNING_F\n" for the set bits 16..31, ascending.
wxString warningText(uint32_t word);

struct Readout {
    wxString value;  // rpm or ampere text
    wxString raw;    // register and raw value, two lines
    int gauge = 0;   // already inside the gauge's range
};
// 0xA8 (signed) scaled by speedMax rpm for 32767; gauge in percent of 32767.
Readout speedReadout(int value, int speedMax);
// 0x5F (signed) as ampere from the device current and the raw value for 200 %; "-" while
// the 200 % value is 0. Gauge 0..200.
Readout currentReadout(int value, int deviceCurrent, int current200);

// Optional sign and decimal digits (blanks around allowed); false when it does not fit.
bool parseWholeNumber(const wxString& text, long long* value);
// A finite decimal number, '.' as the decimal point.
bool parseDecimal(const wxString& text, double* value);
// Nearest whole number, halves away from zero; false when not finite or beyond 64 bits.
bool roundToWhole(double value, long long* out);

// Test speed field when the units are switched: raw <-> rpm, rounded. False (the text
// stays) when speedMax is not positive or the result does not fit.
bool speedToUser(long long raw, int speedMax, long long* rpm);
bool speedToRaw(long long rpm, int speedMax, long long* raw);
// Test position field: raw -> scaled text ("%.3f"), and a scaled number -> raw, rounded.
wxString positionToUser(long long raw, int32_t scale, int32_t offset);
bool positionToRaw(double user, int32_t scale, int32_t offset, long long* raw);

// The outcome of a test button's check: the value to write, or the message to show.
struct TestCommand {
    bool ok = false;
    uint32_t value = 0;  // in the register's width
    wxString message;    // translated, filled in
};
// "+" (negative false) or "-" (negative true): the value for 0x31.
TestCommand speedCommand(const wxString& text, bool unitsOn, int speedMax, bool negative);
// "Dest" / "P.": the value for a 32-bit position register reg (its signedness decides the range).
TestCommand positionCommand(const wxString& text, bool unitsOn, int32_t scale, int32_t offset, uint32_t reg);

}  // namespace torvex::status
