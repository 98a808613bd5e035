// Speed and position fields shown in user units, without a window: conversion both
// ways, rounding, refusals and the write path with its read-back warning.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "widgets/scaled_fields.h"

namespace torvex {
namespace {

constexpr int kSpeedFast = 0x76;     // SPEED_CALIB_FAST, signed 16
constexpr int kRefOffset = 0x72;     // POS_OFFSET_REF, signed 32
constexpr int kUnsigned16 = 0x46;    // I_LIMIT

class Drive : public RegisterAccess {
public:
    uint32_t read16(uint32_t reg, uint16_t* value) override {
        if (failReads.count(reg)) return 1;
        *value = static_cast<uint16_t>(values[reg]);
        return 0;
    }
    uint32_t read32(uint32_t reg, uint32_t* value) override {
        if (failReads.count(reg)) return 1;
        *value = values[reg];
        return 0;
    }
    uint32_t write16(uint32_t reg, uint16_t value) override { return store(reg, value, 16); }
    uint32_t write32(uint32_t reg, uint32_t value) override { return store(reg, value, 32); }
    bool usable() const override { return true; }

    uint32_t store(uint32_t reg, uint32_t value, int width) {
        writes.push_back({reg, value, width});
        if (failWrites) return 1;
        values[reg] = clampTo ? std::min(value, *clampTo) : value;
        return 0;
    }

    struct Write {
        uint32_t reg;
        uint32_t value;
        int width;
    };
    std::map<uint32_t, uint32_t> values;
    std::set<uint32_t> failReads;
    bool failWrites = false;
    std::optional<uint32_t> clampTo;
    std::vector<Write> writes;
};

class ScaledFields : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        previous_ = setMessageHandler([this](const MessageRequest& request) {
            boxes.push_back(request);
            return int(kMsgOk);
        });
    }
    void TearDown() override { setMessageHandler(previous_); }

    bool commitSpeed(int scale, const std::string& typed, const RegisterLimits* limits = nullptr) {
        shown.clear();
        return commitSpeedText(drive, kSpeedFast, scale, limits, "Speed to: ", typed,
                               [this](const std::string& text) { shown = text; });
    }
    bool commitPosition(int32_t scale, const std::string& typed) {
        shown.clear();
        return commitPositionText(drive, kRefOffset, scale, nullptr, "Offset: ", typed,
                                  [this](const std::string& text) { shown = text; });
    }

    Drive drive;
    std::vector<MessageRequest> boxes;
    std::string shown;
    MessageHandler previous_;
};

TEST_F(ScaledFields, ShowsNearestWholeRpmAndScaledPositions) {
    struct {
        int scale;
        int64_t raw;
        const char* text;
    } speeds[] = {
        {3000, 16384, "1500"}, {3000, 76, "7"},       {3000, -16384, "-1500"}, {3000, -32768, "-3000"},
        {3000, 32767, "3000"}, {0, 12345, "0"},       {65535, 32767, "65535"}, {65535, -32768, "-65537"},
    };
    for (const auto& c : speeds) EXPECT_EQ(speedText(c.scale, c.raw), c.text) << c.scale << " " << c.raw;

    struct {
        int32_t scale;
        int64_t raw;
        const char* text;
    } positions[] = {
        {10000, 12345, "1234.500"}, {1000, 12345, "12345.000"}, {0, 12345, "12345"},
        {10000, -10, "-1.000"},     {0, INT32_MIN, "-2147483648"}, {-1000, 5, "-5.000"},
        {INT32_MIN, INT32_MIN, "1000.000"},
        // Below a thousandth of a unit, under either sign of scale: zero without a sign.
        {10000000, -1, "0.000"},    {-10000000, 1, "0.000"},
    };
    for (const auto& c : positions) EXPECT_EQ(positionText(c.scale, c.raw), c.text) << c.scale << " " << c.raw;

    EXPECT_EQ(offsetPositionText(1000, -345, 12345), "12000.000");
    EXPECT_EQ(offsetPositionText(0, -345, 12345), "12345") << "no offset without a scale";
    EXPECT_EQ(offsetPositionText(1000, 1, 0x7FFFFFFF), "-2147483648.000") << "the sum wraps in 32 bits";
}

TEST_F(ScaledFields, EveryRpmTheRegisterHoldsComesBackUnchanged) {
    for (int scale : {1, 100, 3000, 6000, 30000, 32767}) {
        for (int64_t rpm = -scale; rpm <= scale; rpm += std::max(1, scale / 997)) {
            std::optional<int64_t> raw = speedToRaw(scale, rpm);
            ASSERT_TRUE(raw);
            ASSERT_EQ(speedText(scale, *raw), std::to_string(rpm)) << "scale " << scale << " raw " << *raw;
        }
    }
    EXPECT_FALSE(speedToRaw(0, 1500));
}

TEST_F(ScaledFields, PositionRegisterTextsAreTheRawNumbersTheFieldsShow) {
    struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {
        {"10000", 10000},       {"-5", -5},           {"12.6", 13},   {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX}, {"2147483648", {}}, {"abc", {}},    {"", {}},
        {"1e400", {}},          {"nan", {}},          {"inf", {}},    {"1,5", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(positionRegisterFromText(c.text), c.value) << c.text;
}

TEST_F(ScaledFields, ChecksSpeedEntriesInRawUnits) {
    RegisterLimits limits;
    limits.maximum[kSpeedFast] = 16384;
    limits.minimum[kSpeedFast] = -100;
    struct {
        const char* what;
        int scale;
        const char* text;
        const RegisterLimits* limits;
        EntryCheck::Kind kind;
        int64_t raw;
        std::string message;
    } cases[] = {
        {"whole rpm", 3000, "1500", nullptr, EntryCheck::Ok, 16384, ""},
        {"rounded to nearest", 3000, "7", nullptr, EntryCheck::Ok, 76, ""},
        {"negative rounded away", 3000, "-7", nullptr, EntryCheck::Ok, -76, ""},
        {"plus sign", 3000, "+1", nullptr, EntryCheck::Ok, 11, ""},
        {"empty is zero", 3000, "", nullptr, EntryCheck::Ok, 0, ""},
        {"letters", 3000, "12a", nullptr, EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"decimals", 3000, "1.5", nullptr, EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"comma", 3000, "1,5", nullptr, EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"beyond the register", 3000, "3001", nullptr, EntryCheck::TooBig, 0, "Zahl zu gross, max. 3000!"},
        {"below the register", 3000, "-3001", nullptr, EntryCheck::TooSmall, 0, "Zahl zu klein, min. -3000!"},
        {"thirty digits", 3000, "123456789012345678901234567890", nullptr, EntryCheck::TooBig, 0,
         "Zahl zu gross, max. 3000!"},
        {"limit file maximum", 3000, "1501", &limits, EntryCheck::TooBig, 0, "Zahl zu gross, max. 1500!"},
        {"at the limit", 3000, "1500", &limits, EntryCheck::Ok, 16384, ""},
        {"limit file minimum", 3000, "-10", &limits, EntryCheck::TooSmall, 0, "Zahl zu klein, min. -9!"},
        {"no scale", 0, "1500", nullptr, EntryCheck::NotNumber, 0,
         "Die Drehzahl kann nicht umgerechnet werden: Register 0xce ist 0!"},
        {"largest scale", 65535, "65535", nullptr, EntryCheck::Ok, 32767, ""},
        {"largest scale, last rpm below the top", 65535, "65536", nullptr, EntryCheck::Ok, 32767, ""},
        // Raw 32768 would go out as 0x8000: full speed in reverse.
        {"largest scale, one raw step past the top", 65535, "65537", nullptr, EntryCheck::TooBig, 0,
         "Zahl zu gross, max. 65535!"},
    };
    for (const auto& c : cases) {
        EntryCheck check = checkSpeedEntry(kSpeedFast, c.scale, c.text, c.limits);
        EXPECT_EQ(check.kind, c.kind) << c.what;
        EXPECT_EQ(check.message, c.message) << c.what;
        if (c.kind == EntryCheck::Ok) {
            EXPECT_EQ(check.value, c.raw) << c.what;
        }
    }
    EntryCheck unsignedSpeed = checkSpeedEntry(kUnsigned16, 3000, "-1", nullptr);
    EXPECT_EQ(unsignedSpeed.kind, EntryCheck::TooSmall) << "an unsigned register takes no negative speed";
}

TEST_F(ScaledFields, ChecksPositionEntriesAndRoundsHalvesAwayFromZero) {
    struct {
        const char* what;
        int32_t scale;
        const char* text;
        EntryCheck::Kind kind;
        int64_t raw;
        std::string message;
    } cases[] = {
        {"minus one unit", 10000, "-1", EntryCheck::Ok, -10, ""},
        {"decimals", 10000, "1234.5", EntryCheck::Ok, 12345, ""},
        {"half up", 1000, "2.5", EntryCheck::Ok, 3, ""},
        {"half down", 1000, "-2.5", EntryCheck::Ok, -3, ""},
        {"negative scale", -1000, "5", EntryCheck::Ok, -5, ""},
        {"smallest scale", INT32_MIN, "1", EntryCheck::Ok, -2147484, ""},
        {"raw without scale", 0, "-1", EntryCheck::Ok, -1, ""},
        {"decimals without scale", 0, "1.5", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"empty with scale", 10000, "", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"lone sign", 10000, "+", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"comma", 10000, "1,5", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"nan", 10000, "nan", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"beyond double", 10000, "1e400", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"infinity", 10000, "inf", EntryCheck::TooBig, 0, "Zahl zu gross, max. 214748364.700!"},
        {"beyond 32 bits", 10000, "300000000", EntryCheck::TooBig, 0, "Zahl zu gross, max. 214748364.700!"},
        {"below 32 bits", 10000, "-300000000", EntryCheck::TooSmall, 0, "Zahl zu klein, min. -214748364.800!"},
        {"beyond 32 bits raw", 0, "2147483648", EntryCheck::TooBig, 0, "Zahl zu gross, max. 2147483647!"},
        {"thirty digits raw", 0, "999999999999999999999999999999", EntryCheck::TooBig, 0,
         "Zahl zu gross, max. 2147483647!"},
    };
    for (const auto& c : cases) {
        EntryCheck check = checkPositionEntry(kRefOffset, c.scale, c.text, nullptr);
        EXPECT_EQ(check.kind, c.kind) << c.what;
        EXPECT_EQ(check.message, c.message) << c.what;
        if (c.kind == EntryCheck::Ok) {
            EXPECT_EQ(check.value, c.raw) << c.what;
        }
    }
    // The limit named in a refusal must itself be accepted.
    EXPECT_EQ(checkPositionEntry(kRefOffset, 10000, "214748364.7", nullptr).kind, EntryCheck::Ok);
    EXPECT_EQ(checkPositionEntry(kRefOffset, 10000, "-214748364.8", nullptr).kind, EntryCheck::Ok);
    // A coarse scale: the nearest thousandth of the raw limit 11 would convert to 12.
    RegisterLimits limits;
    limits.maximum[kRefOffset] = 11;
    EntryCheck coarse = checkPositionEntry(kRefOffset, 3000000, "0.004", &limits);
    EXPECT_EQ(coarse.kind, EntryCheck::TooBig);
    EXPECT_EQ(coarse.message, "Zahl zu gross, max. 0.003!");
    EXPECT_EQ(checkPositionEntry(kRefOffset, 3000000, "0.003", &limits).kind, EntryCheck::Ok);
}

TEST_F(ScaledFields, SpeedCommitWritesReadsBackAndWarnsOnlyWhenTheDriveChangedIt) {
    drive.values[kSpeedFast] = 0;
    EXPECT_TRUE(commitSpeed(3000, "1500"));
    ASSERT_EQ(drive.writes.size(), 1u);
    EXPECT_EQ(drive.writes[0].value, 16384u);
    EXPECT_EQ(drive.writes[0].width, 16);
    EXPECT_EQ(shown, "1500");
    EXPECT_TRUE(boxes.empty());

    EXPECT_TRUE(commitSpeed(3000, "+7"));
    EXPECT_EQ(shown, "7");
    EXPECT_TRUE(boxes.empty()) << "a sign of its own is no change by the drive";

    drive.clampTo = 8192;
    EXPECT_TRUE(commitSpeed(3000, "1500"));
    EXPECT_EQ(shown, "750");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Value changed by the Drive (1500 -> 750)!");
    EXPECT_EQ(boxes[0].style & kMsgIconExclamation, kMsgIconExclamation);

    // Above 32767 rpm for raw 32767 not every rpm has a raw value: 1 rpm is just under half
    // a raw step, so raw 0 is written and 0 rpm shown.
    drive.clampTo.reset();
    boxes.clear();
    EXPECT_TRUE(commitSpeed(65535, "1"));
    EXPECT_EQ(drive.values[kSpeedFast], 0u);
    EXPECT_EQ(shown, "0");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Value changed by the Drive (1 -> 0)!");
}

TEST_F(ScaledFields, FailedStepsOfTheSpeedCommitShowOneBoxAndKeepTheRegister) {
    struct {
        const char* what;
        int scale;
        const char* typed;
        bool failWrite;
        bool failRead;
        size_t writes;
        std::string box;
        WriteOutcome outcome;
    } cases[] = {
        {"no number", 3000, "12a", false, false, 0, "Speed to: Falsche Eingabe (keine Nummer)!", WriteOutcome::Refused},
        {"no scale", 0, "1500", false, false, 0,
         "Speed to: Die Drehzahl kann nicht umgerechnet werden: Register 0xce ist 0!", WriteOutcome::Refused},
        {"write fails", 3000, "1500", true, false, 1, "Fehler beim Beschreiben des Registers 0x76!",
         WriteOutcome::NotWritten},
        // Written, but what the drive kept is unknown: the field shows no value (as a plain one).
        {"read-back fails", 3000, "1500", false, true, 1, "Fehler beim Lesen des Registers 0x76!",
         WriteOutcome::Unconfirmed},
    };
    for (const auto& c : cases) {
        drive.writes.clear();
        boxes.clear();
        drive.values[kSpeedFast] = 5;
        drive.failWrites = c.failWrite;
        drive.failReads.clear();
        if (c.failRead) drive.failReads.insert(kSpeedFast);
        EXPECT_FALSE(commitSpeed(c.scale, c.typed)) << c.what;
        EXPECT_EQ(drive.writes.size(), c.writes) << c.what;
        if (c.writes == 0) {
            EXPECT_EQ(drive.values[kSpeedFast], 5u) << c.what;
        }
        ASSERT_EQ(boxes.size(), 1u) << c.what;
        EXPECT_EQ(boxes[0].text, c.box) << c.what;
        EXPECT_EQ(boxes[0].style & kMsgIconError, kMsgIconError) << c.what;
        EXPECT_EQ(shown, "") << c.what;

        drive.values[kSpeedFast] = 5;
        boxes.clear();
        EXPECT_EQ(writeSpeedText(drive, kSpeedFast, c.scale, nullptr, "Speed to: ", c.typed,
                                 [](const std::string&) {}),
                  c.outcome)
            << c.what;
        EXPECT_EQ(boxes.size(), 1u) << c.what;
    }
    // A re-read for a change made elsewhere shows no box when it fails.
    boxes.clear();
    drive.failReads = {kRefOffset, kSpeedFast};
    EXPECT_FALSE(readPositionText(drive, kRefOffset, 1000, ReadFailure::Quiet).has_value());
    EXPECT_FALSE(readSpeedText(drive, kSpeedFast, 3000, ReadFailure::Quiet).has_value());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ScaledFields, PositionCommitWritesThirtyTwoBitsRoundedToNearest) {
    EXPECT_TRUE(commitPosition(10000, "-1"));
    ASSERT_EQ(drive.writes.size(), 1u);
    EXPECT_EQ(drive.writes[0].value, uint32_t(-10));
    EXPECT_EQ(drive.writes[0].width, 32);
    EXPECT_EQ(shown, "-1.000");
    EXPECT_TRUE(boxes.empty()) << "-1 and -1.000 are the same position";

    EXPECT_TRUE(commitPosition(10000, "1234.5"));
    EXPECT_EQ(drive.values[kRefOffset], 12345u);
    EXPECT_EQ(shown, "1234.500");
    EXPECT_TRUE(boxes.empty());

    // A position finer than one raw count is rounded to it, and the user is told.
    EXPECT_TRUE(commitPosition(1000, "1.5"));
    EXPECT_EQ(drive.values[kRefOffset], 2u);
    EXPECT_EQ(shown, "2.000");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Value changed by the Drive (1.5 -> 2.000)!");
    boxes.clear();
    EXPECT_TRUE(commitPosition(1000, "100"));
    EXPECT_EQ(shown, "100.000");
    // Digits beyond the three the field shows are no change either.
    EXPECT_TRUE(commitPosition(10000, "1.0004"));
    EXPECT_EQ(drive.values[kRefOffset], 10u);
    EXPECT_EQ(shown, "1.000");
    EXPECT_TRUE(boxes.empty()) << "a digit the field does not show";
    EXPECT_TRUE(commitPosition(0, "+7"));
    EXPECT_EQ(shown, "7");
    EXPECT_TRUE(boxes.empty()) << "the same number in the field's own print";

    const size_t written = drive.writes.size();
    EXPECT_FALSE(commitPosition(10000, "300000000"));
    EXPECT_EQ(drive.writes.size(), written) << "an entry beyond 32 bits is never cut to its low bits";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Offset: Zahl zu gross, max. 214748364.700!");
}

TEST_F(ScaledFields, StepsInShownUnits) {
    EXPECT_EQ(steppedText("1500", 1), "1501");
    EXPECT_EQ(steppedText("-1", -1), "-2");
    EXPECT_FALSE(steppedText("1234.500", 1)) << "a position with decimals is not stepped";
    EXPECT_FALSE(steppedText("", 1));
    EXPECT_FALSE(steppedText("0x76", 1));

    // Up at 1500 rpm goes to 1501 rpm, not to raw 1501.
    drive.values[kSpeedFast] = 16384;
    EXPECT_TRUE(commitSpeed(3000, *steppedText(*readSpeedText(drive, kSpeedFast, 3000), 1)));
    EXPECT_EQ(drive.values[kSpeedFast], 16394u);
    EXPECT_EQ(shown, "1501");
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace torvex
