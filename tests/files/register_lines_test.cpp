#include <gtest/gtest.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/register_lines.h"
#include "link/registers.h"
#include "tests/files/test_util.h"

namespace torvex {
namespace {

class RegisterLines : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        // Catalogue texts that show which key a column came from.
        previous_ = setTranslator([](const std::string& key) -> std::string {
            if (key.rfind("RegLabel_", 0) == 0) return "L" + key.substr(9);
            if (key.rfind("RegName_", 0) == 0) return "N" + key.substr(8);
            if (key.rfind("RegComment_", 0) == 0) return "C" + key.substr(11);
            if (key == "offline") return "nicht verbunden";
            return key;
        });
    }
    void TearDown() override { setTranslator(previous_); }
    Translator previous_;
};

TEST_F(RegisterLines, LineFormatOfAConnectedDrive) {
    DriveConnection connection;
    connection.loadOfflineImage({{0x1B, 300}, {0x34, 0xFF9C}, {0x36, 0xFF9C}}, {{0x40, 0x80000001}, {0x6E, 0xFFFFFFFE}});
    EXPECT_EQ(formatRegisterLine(&connection, 0x1B),
              "0x1b (RO): 0x012c     300         L0x1b                (N0x1b) C0x1b");
    EXPECT_EQ(formatRegisterLine(&connection, 0x34),
              "0x34 (RW): 0xff9c     -100        L0x34                (N0x34) C0x34");
    EXPECT_EQ(formatRegisterLine(&connection, 0x36).substr(0, 34), "0x36 (RW): 0xff9c     65436       ");
    EXPECT_EQ(formatRegisterLine(&connection, 0x40).substr(0, 34), "0x40 (RO): 0x80000001 2147483649  ");
    EXPECT_EQ(formatRegisterLine(&connection, 0x6E).substr(0, 34), "0x6e (SP): 0xfffffffe -2          ");
    EXPECT_EQ(formatRegisterLine(&connection, 0x47).substr(0, 34), "0x47 (?\?): 0x0000     0           ");
    // Write-only, nameless and out-of-range registers get no line.
    EXPECT_EQ(formatRegisterLine(&connection, 0x51), "");
    EXPECT_EQ(formatRegisterLine(&connection, 0x01), "");
    EXPECT_EQ(formatRegisterLine(&connection, 0), "");
    EXPECT_EQ(formatRegisterLine(&connection, 255), "");
    EXPECT_EQ(formatRegisterLine(&connection, 0x134), "");
}

TEST_F(RegisterLines, ColumnWidthsCountCharactersOfTranslatedTexts) {
    setTranslator([](const std::string& key) -> std::string {
        if (key == "RegLabel_0x1b") return "\xc3\x9c" "berwachung";  // 11 characters, 12 bytes
        if (key == "RegName_0x1b") return "N";
        if (key == "RegComment_0x1b") return "C";
        return key;
    });
    DriveConnection connection;
    connection.loadOfflineImage({{0x1B, 300}}, {});
    EXPECT_EQ(formatRegisterLine(&connection, 0x1B),
              "0x1b (RO): 0x012c     300         \xc3\x9c" "berwachung" + std::string(10, ' ') + "(N) C");
    EXPECT_EQ(formatRegisterColumns(0x1B, "0x\xc3\xa9", "\xc3\xa9"),
              "0x1b (RO): 0x\xc3\xa9" + std::string(8, ' ') + "\xc3\xa9" + std::string(11, ' ') +
                  "\xc3\x9c" "berwachung" + std::string(10, ' ') + "(N) C");
}

TEST_F(RegisterLines, OfflineLinesCarryOnlyTheirPrefix) {
    DriveConnection connection;
    EXPECT_EQ(formatRegisterLine(&connection, 0x1B), "0x1b (RO): nicht verbunden");
    EXPECT_EQ(formatRegisterLine(nullptr, 0xB9), "0xb9 (?\?): nicht verbunden");
    std::vector<std::string> lines = registerPrintLines(&connection, true);
    size_t listed = 0;
    for (uint32_t reg = 0; reg < 256; ++reg) listed += isListedRegister(reg) ? 1 : 0;
    EXPECT_EQ(lines.size(), listed);
    for (const auto& line : lines) EXPECT_NE(line.find("): nicht verbunden"), std::string::npos) << line;
    EXPECT_EQ(formatRegisterColumns(0x1B, "", "").substr(0, 34), "0x1b (RO):                        ");
}

TEST(RegisterPages, SeventyLinesAPage) {
    EXPECT_EQ(printPageCount(0), 0u);
    EXPECT_EQ(printPageCount(1), 1u);
    EXPECT_EQ(printPageCount(70), 1u);
    EXPECT_EQ(printPageCount(71), 2u);
    EXPECT_EQ(printPageCount(141), 3u);
    struct Case {
        uint32_t lines, page, first, count;
    } cases[] = {
        {141, 1, 0, 70}, {141, 2, 70, 70}, {141, 3, 140, 1}, {141, 4, 141, 0}, {141, 0, 0, 0}, {0, 1, 0, 0},
        {70, 1, 0, 70},
    };
    for (const Case& c : cases) {
        PageSlice slice = pageSlice(c.lines, c.page);
        EXPECT_EQ(slice.first, c.first) << c.lines << "/" << c.page;
        EXPECT_EQ(slice.count, c.count) << c.lines << "/" << c.page;
    }
    EXPECT_EQ(printHeading(true, "2026-12-07 08:00:00", 2, 3),
              "Torvex: all registers (2026-12-07 08:00:00, page 2 of 3)");
    EXPECT_EQ(printHeading(false, "d t", 1, 1), "Torvex: selection of registers (d t, page 1 of 1)");
}

}  // namespace
}  // namespace torvex
