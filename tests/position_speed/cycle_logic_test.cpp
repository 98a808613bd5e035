// What the Position and Speed pages compute on the polling thread, without a window:
// the calc value, the scaled position texts, the picture flags and the limit marks.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <thread>
#include <vector>

#include "link/registers.h"
#include "pages/position_speed_logic.h"
#include "widgets/scaled_fields.h"

namespace torvex {
namespace {

// Registers in a map; reads are logged, and a register in failing fails.
class MapAccess : public RegisterAccess {
public:
    uint32_t read16(uint32_t reg, uint16_t* value) override {
        reads.push_back(reg);
        if (failing.count(reg)) return 1;
        *value = static_cast<uint16_t>(values[reg]);
        return 0;
    }
    uint32_t read32(uint32_t reg, uint32_t* value) override {
        reads.push_back(reg);
        if (failing.count(reg)) return 1;
        *value = values[reg];
        return 0;
    }
    uint32_t write16(uint32_t, uint16_t) override { return 1; }
    uint32_t write32(uint32_t, uint32_t) override { return 1; }
    bool usable() const override { return true; }

    std::map<uint32_t, uint32_t> values;
    std::set<uint32_t> failing;
    std::vector<uint32_t> reads;
};

TEST(CalcValue, FollowsTheLoopFormulaWithoutWrapping) {
    struct Case {
        int64_t a, b, c, d, e;
        int32_t expected;
    } cases[] = {
        {1000, 1, 800, 1000, 10, 8737},            // m = x = 1000, r ≈ 0.000229
        {1000, 1, 800, 900, 10, 7863},             // d below m picks d
        {1000, 1, 700, 1000, 10, 7645},            // m = 875 below d picks m
        {65535, 65535, 65535, 65535, 1, 55030739}, // a × b beyond 32 bits, no wrap
        {0, 1, 800, 1000, 10, 0},                  // a = 0: r = 0, v infinite
        {1000, 0, 800, 1000, 10, 0},               // b = 0
        {1000, 1, 800, 1000, 0, 0},                // e = 0
        {1000, 1, 800, 0, 10, 0},                  // x = 0 from d
        {1000, 1, 0, 1000, 10, 0},                 // x = 0 from c
        {65535, 65535, 65535, 65535, 3, 0},        // r = 1.35: the loop cannot settle
        {1000, 1, 800, 1000, 100, 86},             // a stiffer loop settles at a smaller value
        {13, 1, 65535, 65535, 46341, 0},           // e × e beyond 31 bits: v below 1
    };
    for (const Case& c : cases) {
        EXPECT_EQ(computeCalcValue(c.a, c.b, c.c, c.d, c.e), c.expected)
            << c.a << " " << c.b << " " << c.c << " " << c.d << " " << c.e;
    }
}

TEST(CalcValue, ReadsItsFiveInputsInOrderAndPostsNothingOnAFailure) {
    MapAccess access;
    access.values = {{0x37, 1000}, {0xAF, 1}, {0x59, 800}, {0xC8, 1000}, {0x6A, 10}};
    std::vector<int32_t> posted;
    ASSERT_TRUE(updateCalcValue(access, [&](int32_t v) { posted.push_back(v); }));
    EXPECT_EQ(access.reads, (std::vector<uint32_t>{0x37, 0xAF, 0x59, 0xC8, 0x6A}));
    EXPECT_EQ(posted, std::vector<int32_t>{8737});

    // Inputs are unsigned 16-bit values: 0xFFFF is 65535, not -1.
    access.values = {{0x37, 0xFFFF}, {0xAF, 0xFFFF}, {0x59, 0xFFFF}, {0xC8, 0xFFFF}, {0x6A, 1}};
    posted.clear();
    ASSERT_TRUE(updateCalcValue(access, [&](int32_t v) { posted.push_back(v); }));
    EXPECT_EQ(posted, std::vector<int32_t>{55030739});

    access.failing = {0x59};
    access.reads.clear();
    posted.clear();
    EXPECT_FALSE(updateCalcValue(access, [&](int32_t v) { posted.push_back(v); }));
    EXPECT_TRUE(posted.empty());
    EXPECT_EQ(access.reads, (std::vector<uint32_t>{0x37, 0xAF, 0x59}));
}

TEST(ScaledPositions, TextsByScaleAndOffset) {
    struct Case {
        int32_t scale, offset;
        uint32_t raw;
        const char* text;
    } cases[] = {
        {1000, 0, 12345, "12345.000"},
        {1000, -345, 12345, "12000.000"},
        {0, -345, 12345, "12345"},                        // no scale: raw, offset left out
        {0, 0, 0xFFFFFFFFu, "-1"},
        {10000, 0, 12345, "1234.500"},
        {1000, 2147483647, 10, "2147483657.000"},         // the sum is not wrapped
        {1000, -2147483647 - 1, 0xFFFFFFFFu, "-2147483649.000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scaledPositionText(c.scale, c.offset, c.raw), c.text) << c.scale << " " << c.offset << " " << c.raw;
}

TEST(ScaledPositions, ReadsDestinationCommandActualAndStopsAtAFailure) {
    MapAccess access;
    access.values = {{0x6E, 1000}, {0x91, 2000}, {0x6D, uint32_t(-3000)}};
    PositionCycleState state;
    state.positionScale = 2000;
    state.positionOffset = 1000;
    std::vector<std::pair<int, std::string>> shown;
    auto show = [&](int index, const std::string& text) { shown.emplace_back(index, text); };
    ASSERT_TRUE(showScaledPositionTexts(access, state, show));
    EXPECT_EQ(access.reads, (std::vector<uint32_t>{0x6E, 0x91, 0x6D}));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], std::make_pair(0, std::string("1000.000")));
    EXPECT_EQ(shown[1], std::make_pair(1, std::string("1500.000")));
    EXPECT_EQ(shown[2], std::make_pair(2, std::string("-1000.000")));

    access.failing = {0x91};
    access.reads.clear();
    shown.clear();
    EXPECT_FALSE(showScaledPositionTexts(access, state, show));
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(access.reads, (std::vector<uint32_t>{0x6E, 0x91}));
}

TEST(PictureFlags, StatusBitsTwelveAndThirteenReportOnlyChanges) {
    buildRegisterCache();
    MapAccess access;
    PositionCycleState state;
    bool changed = true;
    access.values[0x40] = 0;
    ASSERT_TRUE(updatePositionLimitFlags(access, state, &changed));
    EXPECT_FALSE(changed) << "both start clear";
    struct Step {
        uint32_t status;
        bool bit12, bit13, changed;
    } steps[] = {
        {0x1000, true, false, true},   {0x1001, true, false, false}, {0x3000, true, true, true},
        {0x2000, false, true, true},   {0xFFFFCFFF, false, false, true}, {0, false, false, false},
    };
    for (const Step& s : steps) {
        access.values[0x40] = s.status;
        ASSERT_TRUE(updatePositionLimitFlags(access, state, &changed));
        EXPECT_EQ(state.statusBit12Set.load(), s.bit12) << std::hex << s.status;
        EXPECT_EQ(state.statusBit13Set.load(), s.bit13) << std::hex << s.status;
        EXPECT_EQ(changed, s.changed) << std::hex << s.status;
    }
    access.failing = {0x40};
    access.values[0x40] = 0x3000;
    EXPECT_FALSE(updatePositionLimitFlags(access, state, &changed));
    EXPECT_FALSE(state.statusBit12Set.load()) << "a failed read changes nothing";
}

TEST(PictureFlags, CommandSourceModes) {
    struct Case {
        uint32_t value;
        bool atMost1, atLeast1, is3;
    } cases[] = {
        {0x0000, true, false, false}, {0x1000, true, true, false}, {0x2000, false, true, false},
        {0x3000, false, true, true},  {0xCFFF, true, false, false}, {0x7123, false, true, true},
    };
    for (const Case& c : cases) {
        SpeedModeFlags flags = speedModeFlags(c.value);
        EXPECT_EQ(flags.atMost1, c.atMost1) << std::hex << c.value;
        EXPECT_EQ(flags.atLeast1, c.atLeast1) << std::hex << c.value;
        EXPECT_EQ(flags.is3, c.is3) << std::hex << c.value;
    }

    MapAccess access;
    SpeedCycleState state;  // all three start set
    bool changed = false;
    access.values[0x36] = 0x3000;
    ASSERT_TRUE(updateSpeedModeFlags(access, state, &changed));
    EXPECT_TRUE(changed) << "mode 3 clears the at-most-1 flag";
    ASSERT_TRUE(updateSpeedModeFlags(access, state, &changed));
    EXPECT_FALSE(changed);
    access.values[0x36] = 0x2000;
    ASSERT_TRUE(updateSpeedModeFlags(access, state, &changed));
    EXPECT_TRUE(changed);
    EXPECT_TRUE(state.sourceModeAtLeast1.load());
    EXPECT_FALSE(state.sourceModeIs3.load());
    EXPECT_FALSE(state.sourceModeAtMost1.load());
    access.failing = {0x36};
    EXPECT_FALSE(updateSpeedModeFlags(access, state, &changed));
}

TEST(LimitMarks, OnlyWholeNumbersBelow98Count) {
    struct Case {
        const char* text;
        std::optional<bool> below;
    } cases[] = {
        {"97", true},  {"98", false},   {"99", false}, {"-5", true}, {"+97", true}, {"0", true},
        {"100", false}, {"", std::nullopt}, {"97.5", std::nullopt}, {"abc", std::nullopt},
        {"9 7", std::nullopt}, {" 97", std::nullopt}, {"-", std::nullopt}, {"0x10", std::nullopt},
        {"99999999999999999999999", false}, {"-99999999999999999999999", true},
    };
    for (const Case& c : cases) EXPECT_EQ(limitBelow98(c.text), c.below) << "'" << c.text << "'";
}

TEST(SpeedUnits, EveryRpmRoundTripsAtTheCommonScales) {
    for (int scale : {1000, 3000, 6000}) {
        int failures = 0;
        for (int rpm = -scale; rpm <= scale; ++rpm) {
            std::optional<int64_t> raw = speedToRaw(scale, rpm);
            if (!raw || *raw < -32768 || *raw > 32767 || speedText(scale, *raw) != std::to_string(rpm)) ++failures;
        }
        EXPECT_EQ(failures, 0) << "scale " << scale;
    }
    EXPECT_EQ(speedToRaw(3000, 1500), std::optional<int64_t>(16384));
    EXPECT_EQ(speedToRaw(3000, 1502), std::optional<int64_t>(16405));
    EXPECT_FALSE(speedToRaw(0, 100).has_value());
}

// The polling thread sets the flags while the GUI thread paints from them.
TEST(PictureFlags, PollingAndPaintingShareTheStateWithoutARace) {
    buildRegisterCache();
    PositionCycleState position;
    SpeedCycleState speed;
    std::atomic<bool> stop{false};
    std::thread poller([&] {
        MapAccess access;
        for (uint32_t i = 0; i < 2000; ++i) {
            access.values[0x40] = (i & 1) ? 0x3000 : 0;
            access.values[0x36] = (i % 4) << 12;
            bool changed = false;
            updatePositionLimitFlags(access, position, &changed);
            updateSpeedModeFlags(access, speed, &changed);
            setPictureFlag(position.allBitLabelsActive, (i & 2) != 0);
        }
        stop = true;
    });
    int seen = 0;
    while (!stop.load()) {
        seen += position.statusBit12Set.load() + position.statusBit13Set.load() + speed.sourceModeIs3.load() +
                position.allBitLabelsActive.load();
        position.positionScale = seen;  // the GUI thread's own writes (register changes)
    }
    poller.join();
    EXPECT_EQ(position.statusBit12Set.load(), true) << "the last status had both bits";
    EXPECT_EQ(speed.sourceModeIs3.load(), true) << "the last command source was mode 3";
}

}  // namespace
}  // namespace torvex
