// What the Monitor page's rows are made of, kept free of windows: the rows are defined
// by catalogue keys that translators edit, so every entry is checked here, and the gauge
// value of a row is worked out here for any value the drive may send.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <wx/string.h>

namespace torvex {

class RegisterAccess;

inline constexpr unsigned kMonitorRowCount = 20;
inline constexpr int kMonitorGaugeRange = 150;
inline constexpr int kMonitorGaugeStart = 50;

// One row as the catalogue defines it. A marker or full-scale text that is not a valid
// number still gives the value of its leading digits (0 when there are none); the flags
// say whether the text was valid, so the page can report the entry.
struct MonitorRowDefinition {
    unsigned index = 0;
    uint32_t reg = 0;
    wxString text;
    wxString unit;
    int marker = 0;
    bool markerValid = false;
    int32_t fullScale = 0;
    bool fullScaleValid = false;
};

// A lookup from catalogue key to text; returns the key itself when there is no entry.
using CatalogueLookup = std::function<wxString(const wxString&)>;

// The register of a "MONITOR_%u_REGISTER" text: "0x" and hexadecimal digits naming a
// register 1..255 that the register table knows. Anything else has no register.
std::optional<uint32_t> parseMonitorRegister(const wxString& text);

// A decimal number as the row keys write them: an optional sign and digits, nothing
// else. value holds what the leading digits give (0 when there are none), saturated to
// the int32 range; valid is false unless the whole text is such a number within min..max.
struct DecimalEntry {
    int32_t value = 0;
    bool valid = false;
};
DecimalEntry parseDecimalEntry(const wxString& text, long long min, long long max);

// The rows of keys 0..19 in key order, rows without a usable register left out.
std::vector<MonitorRowDefinition> readMonitorRows(const CatalogueLookup& lookup);

// "Internal error:\nMONITOR_<index>_<key> is defined wrong!\nPlease inform the manufacturer."
wxString monitorDefinitionError(unsigned index, const char* key);

// The value a register holds, by its width and signedness (raw as read by width).
int64_t monitorRegisterValue(uint32_t reg, uint32_t raw);

// The gauge value of a row: |value| in percent of the full-scale value, at most 150,
// truncated. A full-scale value below 1 cannot be divided by: the gauge shows 0.
int monitorGaugeValue(int64_t value, int32_t fullScale);

// Reads a row's register by its width; the value as monitorRegisterValue gives it.
// Returns the connection's code (0 on success).
uint32_t readMonitorValue(RegisterAccess& access, uint32_t reg, int64_t* value);

// The lookup the Monitor page builds its rows from: the catalogue, unless replaced
// (null restores the catalogue). The rows are read when the page is built.
void setMonitorCatalogueLookup(CatalogueLookup lookup);
CatalogueLookup monitorCatalogueLookup();

}  // namespace torvex
