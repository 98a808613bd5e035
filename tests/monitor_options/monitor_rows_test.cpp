// The Monitor rows as the catalogue defines them and the gauge value of a row, and the
// baud-rate bit of the Options page: checked without a display.
#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "link/registers.h"
#include "pages/monitor_rows.h"
#include "pages/options_page.h"
#include "widgets/field_logic.h"

namespace torvex {
namespace {

class MonitorRowsTest : public ::testing::Test {
protected:
    void SetUp() override { buildRegisterCache(); }
    void TearDown() override { setMonitorCatalogueLookup(nullptr); }
};

CatalogueLookup lookupFrom(std::map<std::string, std::string> entries) {
    return [entries](const wxString& key) {
        auto found = entries.find(key.utf8_string());
        return found == entries.end() ? key : wxString::FromUTF8(found->second);
    };
}

TEST_F(MonitorRowsTest, RegisterTextsNameAKnownRegisterOrNothing) {
    ASSERT_EQ(registerAccessClass(0xB9), 0u) << "the table changed: pick another unknown register";
    const std::pair<const char*, std::optional<uint32_t>> cases[] = {
        {"0x30", 0x30},    {"0xa8", 0xA8},      {"0xA8", 0xA8},       {"0x0030", 0x30},
        {"0x00", {}},      {"0x0", {}},         {"40", {}},           {"0xZZ", {}},
        {"0x1ff", {}},     {"0xb9", {}},        {"0x", {}},           {"", {}},
        {"0X30", {}},      {" 0x30", {}},       {"0x30 ", {}},        {"0x3g", {}},
        {"0x100000030", {}}, {"0xffffffff30", {}}, {"MONITOR_4_REGISTER", {}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parseMonitorRegister(text), expected) << '"' << text << '"';
}

TEST_F(MonitorRowsTest, DecimalEntriesKeepTheirLeadingDigitsWhenInvalid) {
    struct Case {
        const char* text;
        int32_t value;
        bool valid;
    };
    const Case marker[] = {
        {"50", 50, true},   {"0", 0, true},      {"100", 100, true},  {"+7", 7, true},
        {"120", 120, false}, {"-5", -5, false},  {"", 0, false},      {"abc", 0, false},
        {"12abc", 12, false}, {" 12", 0, false}, {"12 ", 12, false},  {"-", 0, false},
        {"99999999999", INT32_MAX, false},        {"-99999999999", INT32_MIN, false},
    };
    for (const Case& c : marker) {
        DecimalEntry entry = parseDecimalEntry(c.text, 0, 100);
        EXPECT_EQ(entry.value, c.value) << '"' << c.text << '"';
        EXPECT_EQ(entry.valid, c.valid) << '"' << c.text << '"';
    }
    EXPECT_TRUE(parseDecimalEntry("2147483647", 1, INT32_MAX).valid);
    DecimalEntry over = parseDecimalEntry("2147483648", 1, INT32_MAX);
    EXPECT_FALSE(over.valid);
    EXPECT_EQ(over.value, INT32_MAX);
    EXPECT_FALSE(parseDecimalEntry("0", 1, INT32_MAX).valid);
}

TEST_F(MonitorRowsTest, RowsKeepCatalogueOrderWithGapsClosedAndBadNumbersFlagged) {
    auto rows = readMonitorRows(lookupFrom({
        {"MONITOR_0_REGISTER", "0x30"}, {"MONITOR_0_TEXT", "Speed"}, {"MONITOR_0_MARKER", "67"},
        {"MONITOR_0_UNIT", "rpm"}, {"MONITOR_0_PERCENT100", "32767"},
        {"MONITOR_1_REGISTER", "0x49"}, {"MONITOR_1_MARKER", "120"}, {"MONITOR_1_PERCENT100", "0"},
        {"MONITOR_2_REGISTER", "0x00"}, {"MONITOR_2_MARKER", "50"}, {"MONITOR_2_PERCENT100", "100"},
        {"MONITOR_3_REGISTER", "0xd5"}, {"MONITOR_3_MARKER", "3x"}, {"MONITOR_3_PERCENT100", "-20"},
        {"MONITOR_19_REGISTER", "0x20"}, {"MONITOR_19_MARKER", "10"}, {"MONITOR_19_PERCENT100", "500"},
        {"MONITOR_20_REGISTER", "0x4a"},
    }));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].index, 0u);
    EXPECT_EQ(rows[0].reg, 0x30u);
    EXPECT_EQ(rows[0].text, "Speed");
    EXPECT_EQ(rows[0].unit, "rpm");
    EXPECT_EQ(rows[0].marker, 67);
    EXPECT_TRUE(rows[0].markerValid);
    EXPECT_EQ(rows[0].fullScale, 32767);
    EXPECT_TRUE(rows[0].fullScaleValid);

    EXPECT_EQ(rows[1].index, 1u);
    EXPECT_EQ(rows[1].text, "MONITOR_1_TEXT");  // untranslated keys show as they stand
    EXPECT_EQ(rows[1].marker, 120);
    EXPECT_FALSE(rows[1].markerValid);
    EXPECT_EQ(rows[1].fullScale, 0);
    EXPECT_FALSE(rows[1].fullScaleValid);

    EXPECT_EQ(rows[2].index, 3u);
    EXPECT_EQ(rows[2].reg, 0xD5u);
    EXPECT_EQ(rows[2].marker, 3);
    EXPECT_FALSE(rows[2].markerValid);
    EXPECT_EQ(rows[2].fullScale, -20);
    EXPECT_FALSE(rows[2].fullScaleValid);

    EXPECT_EQ(rows[3].index, 19u);
    EXPECT_EQ(rows[3].reg, 0x20u);
}

TEST_F(MonitorRowsTest, DefinitionErrorNamesTheKey) {
    EXPECT_EQ(monitorDefinitionError(3, "MARKER"),
              "Internal error:\nMONITOR_3_MARKER is defined wrong!\nPlease inform the manufacturer.");
    EXPECT_EQ(monitorDefinitionError(17, "PERCENT100"),
              "Internal error:\nMONITOR_17_PERCENT100 is defined wrong!\nPlease inform the manufacturer.");
}

TEST_F(MonitorRowsTest, GaugeValueIsThePercentOfFullScaleCappedAt150) {
    struct Case {
        int64_t value;
        int32_t fullScale;
        int gauge;
    };
    const Case cases[] = {
        {-200, 100, 150}, {75, 150, 50},       {65535, 65535, 100}, {99, 100, 99},
        {-99, 100, 99},   {149, 100, 149},     {150, 100, 150},     {151, 100, 150},
        {0, 100, 0},      {1, INT32_MAX, 0},   {INT64_C(4294967295), 1, 150},
        {INT32_MIN, 1, 150},
        // Exact percentages stay exact: 29 of 100 is 29, not the 28 that 29 / 100 * 100
        // gives in floating point; the same for a signed value and for other full scales.
        {29, 100, 29},    {57, 100, 57},       {-58, 100, 58},      {116, 100, 116},
        {87, 150, 58},    {1140, 1000, 114},   {-285, 500, 57},
        // No full-scale value to divide by: the gauge rests at 0 whatever the drive sends.
        {0, 0, 0},        {500, 0, 0},         {-500, 0, 0},        {500, -1, 0},
        {500, INT32_MIN, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(monitorGaugeValue(c.value, c.fullScale), c.gauge) << c.value << " over " << c.fullScale;
}

// The first register of the table with this width and signedness.
uint32_t registerWith(bool wide, bool isUnsigned) {
    for (uint32_t reg = 1; reg < 255; ++reg)
        if (registerAccessClass(reg) != 0 && is32bitRegister(reg) == wide && isRegisterUnsigned(reg) == isUnsigned)
            return reg;
    return 0;
}

TEST_F(MonitorRowsTest, RegisterValuesFollowWidthAndSign) {
    const uint32_t signed16 = registerWith(false, false), unsigned16 = registerWith(false, true);
    const uint32_t signed32 = registerWith(true, false), unsigned32 = registerWith(true, true);
    ASSERT_NE(signed16 * unsigned16 * signed32 * unsigned32, 0u);
    EXPECT_EQ(monitorRegisterValue(signed16, 0xFF38), -200);
    EXPECT_EQ(monitorRegisterValue(unsigned16, 0xFFFF), 65535);
    EXPECT_EQ(monitorRegisterValue(signed32, 0xFFFFFFFF), -1);
    EXPECT_EQ(monitorRegisterValue(unsigned32, 0xFFFFFFFF), INT64_C(4294967295));
    EXPECT_EQ(monitorGaugeValue(monitorRegisterValue(unsigned16, 0xFFFF), 65535), 100);
}

class ScriptedAccess : public RegisterAccess {
public:
    uint32_t read16(uint32_t reg, uint16_t* value) override {
        log.push_back("r16 " + std::to_string(reg));
        *value = static_cast<uint16_t>(stored);
        return result;
    }
    uint32_t read32(uint32_t reg, uint32_t* value) override {
        log.push_back("r32 " + std::to_string(reg));
        *value = stored;
        return result;
    }
    uint32_t write16(uint32_t, uint16_t) override { return 1; }
    uint32_t write32(uint32_t, uint32_t) override { return 1; }
    bool usable() const override { return true; }
    uint32_t stored = 0;
    uint32_t result = 0;
    std::vector<std::string> log;
};

TEST_F(MonitorRowsTest, ReadingARowUsesTheRegistersWidthAndReportsFailures) {
    const uint32_t signed16 = registerWith(false, false), signed32 = registerWith(true, false);
    ScriptedAccess access;
    access.stored = 0xFFFFFF38;
    int64_t value = 0;
    EXPECT_EQ(readMonitorValue(access, signed16, &value), 0u);
    EXPECT_EQ(value, -200);
    EXPECT_EQ(readMonitorValue(access, signed32, &value), 0u);
    EXPECT_EQ(value, -200);
    EXPECT_EQ(access.log, (std::vector<std::string>{"r16 " + std::to_string(signed16), "r32 " + std::to_string(signed32)}));
    access.result = 7;
    value = 42;
    EXPECT_EQ(readMonitorValue(access, signed16, &value), 7u);
    EXPECT_EQ(value, 42) << "a failed read leaves the value alone";
}

TEST_F(MonitorRowsTest, TheLookupCanBeReplacedAndRestored) {
    setMonitorCatalogueLookup(lookupFrom({{"MONITOR_0_REGISTER", "0x30"}}));
    EXPECT_EQ(monitorCatalogueLookup()("MONITOR_0_REGISTER"), "0x30");
    EXPECT_EQ(readMonitorRows(monitorCatalogueLookup()).size(), 1u);
    setMonitorCatalogueLookup(nullptr);
    // No catalogue is loaded here: the keys come back as they stand and no row is built.
    EXPECT_EQ(monitorCatalogueLookup()("MONITOR_0_REGISTER"), "MONITOR_0_REGISTER");
    EXPECT_TRUE(readMonitorRows(monitorCatalogueLookup()).empty());
}

TEST(OptionsBaudTest, OnlyBit15OfKernOptionsChanges) {
    const std::tuple<uint32_t, bool, uint32_t> cases[] = {
        {0x00018000, false, 0x00010000}, {0x00018000, true, 0x00018000}, {0x00010000, true, 0x00018000},
        {0xFFFFFFFF, false, 0xFFFF7FFF}, {0xFFFF7FFF, true, 0xFFFFFFFF}, {0, false, 0},
    };
    for (const auto& [current, baud9600, written] : cases)
        EXPECT_EQ(kernOptionsForBaud(current, baud9600), written) << std::hex << current << " " << baud9600;
}

}  // namespace
}  // namespace torvex
