// The Monitor page against the simulated drive: rows from catalogue keys, gauges and
// displays that follow the drive, and polling only while the page is shown.
#include <wx/notebook.h>

#include "tests/gui_monitor_options/monopt_fixture.h"
#include "widgets/percent_gauge.h"
#include "widgets/register_display.h"

namespace torvex::test {
namespace {

using MonitorPageTest = MonOptTest;

TEST_F(MonitorPageTest, RowsComeFromTheKeysAndGaugesFollowTheDrive) {
    // Rows 0, 1, 3 and 8 are usable; 2 names register 0 and 4..7 are no register at all.
    useMonitorKeys({
        {"MONITOR_0_REGISTER", "0x56"}, {"MONITOR_0_TEXT", "Signed"}, {"MONITOR_0_MARKER", "50"},
        {"MONITOR_0_UNIT", "A"}, {"MONITOR_0_PERCENT100", "100"},
        {"MONITOR_1_REGISTER", "0x4b"}, {"MONITOR_1_TEXT", "Air"}, {"MONITOR_1_MARKER", "40"},
        {"MONITOR_1_UNIT", "C"}, {"MONITOR_1_PERCENT100", "150"},
        {"MONITOR_2_REGISTER", "0x00"}, {"MONITOR_2_MARKER", "50"}, {"MONITOR_2_PERCENT100", "1"},
        {"MONITOR_3_REGISTER", "0x55"}, {"MONITOR_3_TEXT", "Broken"}, {"MONITOR_3_MARKER", "120"},
        {"MONITOR_3_UNIT", "x"}, {"MONITOR_3_PERCENT100", "0"},
        {"MONITOR_4_REGISTER", "40"}, {"MONITOR_5_REGISTER", "0xZZ"},
        {"MONITOR_6_REGISTER", "0x1ff"}, {"MONITOR_7_REGISTER", "0xb9"},
        {"MONITOR_8_REGISTER", "0xaf"}, {"MONITOR_8_TEXT", "Unsigned"}, {"MONITOR_8_MARKER", "100"},
        {"MONITOR_8_UNIT", "u"}, {"MONITOR_8_PERCENT100", "65535"},
    });
    ASSERT_FALSE(is32bitRegister(0x56) || isRegisterUnsigned(0x56));
    ASSERT_TRUE(!is32bitRegister(0xAF) && isRegisterUnsigned(0xAF));
    makeFrame();

    EXPECT_EQ(monitor()->rowRegisters(), (std::vector<uint32_t>{0x56, 0x4B, 0x55, 0xAF}));
    EXPECT_EQ(monitor()->rowFullScales(), (std::vector<int32_t>{100, 150, 0, 65535}));
    // Only the two bad numbers of row 3 are reported, each once, as written.
    auto boxes = recordedDialogs().boxes;
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Internal error:\nMONITOR_3_MARKER is defined wrong!\nPlease inform the manufacturer.");
    EXPECT_EQ(boxes[1].text,
              "Internal error:\nMONITOR_3_PERCENT100 is defined wrong!\nPlease inform the manufacturer.");
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "Torvex - internal error");
        EXPECT_TRUE(box.style & wxICON_ERROR);
    }
    // Before the first read: the register's number in the display, the gauge at 50.
    const auto& gauges = monitor()->rowGauges();
    const auto& displays = monitor()->rowDisplays();
    ASSERT_EQ(gauges.size(), 4u);
    ASSERT_EQ(displays.size(), 4u);
    EXPECT_EQ(displays[0]->GetValue(), "0x56");
    EXPECT_EQ(displays[3]->GetValue(), "0xaf");
    EXPECT_EQ(displays[0]->GetToolTipText(), "Tooltip Register 0x56");
    // 49 wide, or wider where the font needs room for a 32-bit value.
    EXPECT_EQ(displays[0]->GetSize().y, 12);
    EXPECT_GE(displays[0]->GetSize().x, 49);
    for (PercentGauge* gauge : gauges) {
        EXPECT_EQ(gauge->GetValue(), 50);
        EXPECT_EQ(gauge->GetRange(), 150);
    }
    EXPECT_EQ(gauges[0]->markerPercent(), 50u);
    EXPECT_EQ(gauges[2]->markerPercent(), 100u) << "marker 120 is built and limited by the gauge";

    startValues = {{0x56, 0xFF38 /* -200 */}, {0x4B, 75}, {0x55, 500}, {0xAF, 0xFFFF}};
    goOnline();
    // Going online reads every row although the page is hidden.
    ASSERT_NE(frame->notebook()->GetSelection(), kTabMonitor);
    ASSERT_TRUE(pumpUntil([&] { return displays[3]->GetValue() == "65535"; })) << displays[3]->GetValue();
    EXPECT_EQ(displays[0]->GetValue(), "-200");
    EXPECT_EQ(displays[1]->GetValue(), "75");
    EXPECT_EQ(displays[2]->GetValue(), "500");
    EXPECT_EQ(gauges[0]->GetValue(), 150) << "|-200| over 100, capped";
    EXPECT_EQ(gauges[1]->GetValue(), 50);
    EXPECT_EQ(gauges[2]->GetValue(), 0) << "no full-scale value: the gauge rests at 0";
    EXPECT_EQ(gauges[3]->GetValue(), 100);
    EXPECT_EQ(recordedDialogs().boxes.size(), 2u) << ::testing::PrintToString(boxTexts());
}

TEST_F(MonitorPageTest, PollsRowByRowWhileShownAndNothingWhileHidden) {
    useMonitorKeys({
        {"MONITOR_0_REGISTER", "0x56"}, {"MONITOR_0_MARKER", "50"}, {"MONITOR_0_PERCENT100", "1000"},
        {"MONITOR_1_REGISTER", "0x4b"}, {"MONITOR_1_MARKER", "50"}, {"MONITOR_1_PERCENT100", "100"},
        {"MONITOR_2_REGISTER", "0xd6"}, {"MONITOR_2_MARKER", "50"}, {"MONITOR_2_PERCENT100", "32767"},
    });
    makeFrame();
    const std::set<uint32_t> rows = {0x56, 0x4B, 0xD6};
    startValues = {{0x56, 100}, {0x4B, 20}, {0xD6, 0xFFFF8001 /* -32767 */}};
    goOnline();
    const auto& displays = monitor()->rowDisplays();
    const auto& gauges = monitor()->rowGauges();
    ASSERT_EQ(displays.size(), 3u);
    ASSERT_EQ(gauges.size(), 3u);
    ASSERT_TRUE(pumpUntil([&] { return displays[2]->GetValue() == "-32767"; })) << displays[2]->GetValue();
    // Reading everything: each row once, display then gauge, in row order.
    // (The Speed page shows 0xD6 too and reads it earlier; the Monitor page reads last.)
    const auto readAll = readsOf(rows);
    ASSERT_GE(readAll.size(), 6u);
    EXPECT_EQ(std::vector<uint32_t>(readAll.end() - 6, readAll.end()),
              (std::vector<uint32_t>{0x56, 0x56, 0x4B, 0x4B, 0xD6, 0xD6}));
    EXPECT_EQ(gauges[2]->GetValue(), 100);

    selectTab(kTabMonitor);
    drive->clearFrames();
    drive->setReg(0x56, 0xFE0C);  // -500
    drive->setReg(0x4B, 31);
    drive->setReg(0xD6, 0);
    ASSERT_TRUE(pumpUntil([&] { return readsOf(rows).size() >= 18; }, 10000));
    // The log may begin inside a cycle that was running when it was cleared.
    auto reads = readsOf(rows);
    while (reads.size() >= 2 && !(reads[0] == 0x56 && reads[1] == 0x56)) reads.erase(reads.begin());
    ASSERT_GE(reads.size(), 12u);
    for (size_t i = 0; i + 6 <= 12; i += 6)
        EXPECT_EQ(std::vector<uint32_t>(reads.begin() + i, reads.begin() + i + 6),
                  (std::vector<uint32_t>{0x56, 0x56, 0x4B, 0x4B, 0xD6, 0xD6}));
    ASSERT_TRUE(pumpUntil([&] { return displays[2]->GetValue() == "0"; }));
    EXPECT_EQ(displays[0]->GetValue(), "-500");
    EXPECT_EQ(displays[1]->GetValue(), "31");
    EXPECT_EQ(gauges[0]->GetValue(), 50);
    EXPECT_EQ(gauges[1]->GetValue(), 31);
    EXPECT_EQ(gauges[2]->GetValue(), 0);

    // Hidden: the polling goes on without reading a row.
    selectTab(kTabLogo);
    pumpFor(200);
    drive->clearFrames();
    // Two polling periods (1500 ms on TCP) and a little more.
    pumpFor(3200);
    EXPECT_FALSE(readsOf({kRegStatus}).empty()) << "the drive is still being polled";
    EXPECT_TRUE(readsOf(rows).empty());

    // A row register falls silent (the page hidden, so no poll runs the rows meanwhile): the
    // cycle fails at that row; the rows before it show the drive's new values, the rows
    // after it keep theirs.
    drive->setRegisterSilent(0x4B, true);
    drive->setReg(0x56, 7);
    drive->setReg(0x4B, 8);
    drive->setReg(0xD6, 32767);
    EXPECT_FALSE(monitor()->readFromDrive(false));
    EXPECT_TRUE(pumpUntil([&] { return displays[0]->GetValue() == "7"; }));
    pumpFor(100);
    EXPECT_EQ(gauges[0]->GetValue(), 0);
    EXPECT_EQ(displays[1]->GetValue(), "31");
    EXPECT_EQ(displays[2]->GetValue(), "0");
    EXPECT_EQ(gauges[2]->GetValue(), 0);
    drive->setRegisterSilent(0x4B, false);
    EXPECT_TRUE(monitor()->readFromDrive(false));
    EXPECT_TRUE(pumpUntil([&] { return displays[2]->GetValue() == "32767"; }));
    EXPECT_EQ(displays[1]->GetValue(), "8");
    EXPECT_EQ(gauges[2]->GetValue(), 100);
    EXPECT_TRUE(monitor()->cyclicUpdate(true)) << "a hidden page has nothing to fail";
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

}  // namespace
}  // namespace torvex::test
