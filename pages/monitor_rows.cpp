#include "pages/monitor_rows.h"

#include <cstdlib>
#include <limits>
#include <mutex>

#include "link/registers.h"
#include "services/catalogue.h"
#include "widgets/field_logic.h"

namespace torvex {

namespace {

bool isHexDigit(wxUniChar c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

wxString rowKey(unsigned index, const char* key) { return wxString::Format("MONITOR_%u_%s", index, key); }

std::mutex lookupMutex;
CatalogueLookup replacedLookup;

}  // namespace

std::optional<uint32_t> parseMonitorRegister(const wxString& text) {
    if (text.length() < 3 || !text.StartsWith("0x")) return std::nullopt;
    // Digits are taken one by one, so a long text cannot wrap around onto a small register.
    uint32_t reg = 0;
    for (size_t i = 2; i < text.length(); ++i) {
        wxUniChar c = text[i];
        if (!isHexDigit(c)) return std::nullopt;
        int digit = (c >= '0' && c <= '9') ? int(c - '0') : (c >= 'a' && c <= 'f') ? int(c - 'a') + 10 : int(c - 'A') + 10;
        reg = reg * 16 + static_cast<uint32_t>(digit);
        if (reg > 0xFF) return std::nullopt;
    }
    if (reg < 1 || registerAccessClass(reg) == 0) return std::nullopt;
    return reg;
}

DecimalEntry parseDecimalEntry(const wxString& text, long long min, long long max) {
    DecimalEntry entry;
    size_t i = 0;
    bool negative = false;
    if (i < text.length() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t firstDigit = i;
    long long magnitude = 0;
    bool overflow = false;
    const long long cap = static_cast<long long>(std::numeric_limits<int32_t>::max()) + 1;
    for (; i < text.length() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + int(text[i] - '0');
        if (magnitude > cap) {
            magnitude = cap;
            overflow = true;
        }
    }
    const bool hasDigits = i > firstDigit;
    long long value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) {
        value = std::numeric_limits<int32_t>::max();
        overflow = true;
    }
    entry.value = static_cast<int32_t>(value);
    entry.valid = hasDigits && !overflow && i == text.length() && value >= min && value <= max;
    return entry;
}

std::vector<MonitorRowDefinition> readMonitorRows(const CatalogueLookup& lookup) {
    std::vector<MonitorRowDefinition> rows;
    for (unsigned i = 0; i < kMonitorRowCount; ++i) {
        std::optional<uint32_t> reg = parseMonitorRegister(lookup(rowKey(i, "REGISTER")));
        if (!reg) continue;
        MonitorRowDefinition row;
        row.index = i;
        row.reg = *reg;
        row.text = lookup(rowKey(i, "TEXT"));
        row.unit = lookup(rowKey(i, "UNIT"));
        DecimalEntry marker = parseDecimalEntry(lookup(rowKey(i, "MARKER")), 0, 100);
        row.marker = marker.value;
        row.markerValid = marker.valid;
        DecimalEntry fullScale =
            parseDecimalEntry(lookup(rowKey(i, "PERCENT100")), 1, std::numeric_limits<int32_t>::max());
        row.fullScale = fullScale.value;
        row.fullScaleValid = fullScale.valid;
        rows.push_back(row);
    }
    return rows;
}

wxString monitorDefinitionError(unsigned index, const char* key) {
    return wxString::Format("Internal error:\nMONITOR_%u_%s is defined wrong!\nPlease inform the manufacturer.", index,
                            key);
}

int64_t monitorRegisterValue(uint32_t reg, uint32_t raw) {
    const bool isUnsigned = isRegisterUnsigned(reg);
    if (is32bitRegister(reg)) return isUnsigned ? int64_t(raw) : int64_t(int32_t(raw));
    const uint16_t half = static_cast<uint16_t>(raw);
    return isUnsigned ? int64_t(half) : int64_t(int16_t(half));
}

int monitorGaugeValue(int64_t value, int32_t fullScale) {
    if (fullScale < 1) return 0;
    // In whole numbers: divided first in floating point, 29 of 100 comes out as
    // 28.999... and the bar shows one percent less than the drive holds.
    const uint64_t magnitude = value < 0 ? uint64_t(-(value + 1)) + 1 : uint64_t(value);
    if (magnitude > std::numeric_limits<uint64_t>::max() / 100) return kMonitorGaugeRange;
    const uint64_t percent = magnitude * 100 / static_cast<uint64_t>(fullScale);
    return percent < uint64_t(kMonitorGaugeRange) ? static_cast<int>(percent) : kMonitorGaugeRange;
}

uint32_t readMonitorValue(RegisterAccess& access, uint32_t reg, int64_t* value) {
    uint32_t raw = 0;
    uint32_t rc = readByWidth(access, static_cast<int>(reg), &raw);
    if (rc == 0) *value = monitorRegisterValue(reg, raw);
    return rc;
}

void setMonitorCatalogueLookup(CatalogueLookup lookup) {
    std::lock_guard lock(lookupMutex);
    replacedLookup = std::move(lookup);
}

CatalogueLookup monitorCatalogueLookup() {
    std::lock_guard lock(lookupMutex);
    if (replacedLookup) return replacedLookup;
    return [](const wxString& key) { return translate(key); };
}

}  // namespace torvex
