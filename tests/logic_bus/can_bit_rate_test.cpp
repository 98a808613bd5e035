// The BUS page's bit-rate read-out without a window.
#include <gtest/gtest.h>

#include <clocale>

#include "pages/can_bus_page.h"

namespace torvex {
namespace {

TEST(CanBitRate, TimingValuesGiveTheirRates) {
    struct Case {
        const char* text;
        const char* rate;
    } cases[] = {
        {"1c", "312.50"},   // TSEG1 13, TSEG2 2, BRP 1: 5000 / 16
        {"14", "625.00"},   // 5000 / 8
        {"314", "156.25"},  // BRP 4: 5000 / 32
        {"0", "1666.67"},   // the smallest divisor, 3
        {"80", "1666.67"},  // bit 7 takes no part
        {"c000", "1666.67"},  // nor bits 14 and 15
        {"3f7f", "3.12"},   // every counted bit set: 5000 / (25 x 64) = 3.125, printed as "%.2f" does
        {"0x14", "625.00"}, // the field's starting text form
        {"1C", "312.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::optional<std::string> rate = canBitRateText(c.text);
        ASSERT_TRUE(rate.has_value());
        EXPECT_EQ(*rate, c.rate);
    }
    EXPECT_DOUBLE_EQ(canBitRate(0x1C), 312.5);
}

TEST(CanBitRate, TextsThatAreNoNumberGiveNothing) {
    for (const char* text : {"", "g", " 1c", "1c ", "0x", "calc", "-1", "1g", "123456789"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(canBitRateText(text).has_value());
    }
}

TEST(CanBitRate, ThePointStaysAPointInAnyLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    std::optional<std::string> rate = canBitRateText("1c");
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_TRUE(rate.has_value());
    EXPECT_EQ(*rate, "312.50");
}

}  // namespace
}  // namespace torvex
