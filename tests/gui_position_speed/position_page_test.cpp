// The Position page against a simulated drive: what each field kind shows, what each
// entry writes, bad entries, the polling step's reads and the picture's symbols.
#include <wx/button.h>
#include <wx/stattext.h>

#include <thread>

#include "link/registers.h"
#include "tests/gui_position_speed/pages_fixture.h"
#include "widgets/register_bit_label.h"
#include "widgets/register_display.h"

namespace torvex::test {
namespace {

using PositionPageTest = PagesOnTheirOwn;

// Edit list order of the page (rows 1..20 of its layout, 0-based here).
enum : size_t {
    kKpSpeed = 1, kLimit = 5, kRampAcc = 6, kSpeedTo = 12, kSpeedFrom = 13, kOffset = 14, kRampAcc2 = 15,
    kRampDec = 16, kTxScale = 18, kTxOffset = 19,
};

wxColour pixel(const wxBitmap& bitmap, int x, int y) {
    wxImage image = bitmap.ConvertToImage();
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

TEST_F(PositionPageTest, ShowsEveryFieldKindFromTheDrive) {
    sim->setReg(0x7C, 1000);
    sim->setReg(0x7D, uint32_t(-345));
    sim->setReg(0x6E, 12345);
    sim->setReg(0x91, 345);
    sim->setReg(0x6D, uint32_t(-655));
    sim->setReg(0x70, 7);
    sim->setReg(0x76, 16384);
    sim->setReg(0x77, 0xFBBC);
    sim->setReg(0x72, 12345);
    sim->setReg(0x35, 0x00C80064);
    sim->setReg(0xED, 0x012C00FA);
    sim->setReg(0x34, 16384);
    sim->setReg(0x37, 1000);
    sim->setReg(0xAF, 1);
    sim->setReg(0x59, 800);
    sim->setReg(0xC8, 1000);
    sim->setReg(0x6A, 10);
    connect();
    ASSERT_TRUE(position->readFromDrive(false));

    const auto& scaled = position->scaledDisplays();
    ASSERT_EQ(scaled.size(), 3u);
    EXPECT_TRUE(shows(scaled[0], "12000.000"));  // offset -345 added before scaling
    EXPECT_TRUE(shows(scaled[1], "0.000"));
    EXPECT_TRUE(shows(scaled[2], "-1000.000"));
    EXPECT_TRUE(shows(position->calcLabel(), "8737"));
    EXPECT_TRUE(shows(position->displayList().at(0), "7"));
    EXPECT_EQ(position->speedToField()->GetValue(), "1500");
    EXPECT_EQ(position->speedFromField()->GetValue(), "-100") << "a signed speed";
    EXPECT_EQ(position->offsetField()->GetValue(), "12345.000");
    EXPECT_EQ(positionEdit(kRampAcc)->GetValue(), "100") << "the low half only";
    EXPECT_EQ(positionEdit(kRampAcc2)->GetValue(), "100");
    EXPECT_EQ(positionEdit(kRampDec)->GetValue(), "250");
    EXPECT_EQ(positionEdit(kLimit)->GetValue(), "50") << "percent of 32767";
    EXPECT_EQ(positionEdit(kTxScale)->GetValue(), "1000") << "the raw register";
    EXPECT_EQ(positionEdit(kTxOffset)->GetValue(), "-345");

    // Without a scale every position is raw and the offset is left out.
    sim->setReg(0x7C, 0);
    ASSERT_TRUE(position->readFromDrive(false));
    EXPECT_TRUE(shows(scaled[0], "12345"));
    EXPECT_TRUE(shows(scaled[2], "-655"));
    EXPECT_EQ(position->offsetField()->GetValue(), "12345");
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // A register file of firmware 101 knows no scaling: the read-outs show the raw values
    // as plain displays, and neither scaling register is asked for.
    RegisterValueMap16 values16{{0x1B, 101}, {0xCE, 3000}, {0x76, 16384}};
    RegisterValueMap32 values32{{0x7C, 1000}, {0x7D, 5}, {0x6E, 4242}, {0x6D, 77}, {0x72, 12345}};
    connection.loadOfflineImage(values16, values32);
    ASSERT_EQ(firmwareVersion.load(), 101u);
    ASSERT_TRUE(position->readFromDrive(false));
    EXPECT_TRUE(shows(scaled[0], "4242"));
    EXPECT_TRUE(shows(scaled[2], "77"));
    EXPECT_EQ(position->cycleState().positionScale.load(), 0);
    EXPECT_EQ(position->offsetField()->GetValue(), "12345");
    EXPECT_EQ(position->speedToField()->GetValue(), "1500");
}

TEST_F(PositionPageTest, EntriesWriteExactlyWhatIsShown) {
    sim->setReg(0x7C, 1000);
    connect();
    ASSERT_TRUE(position->readFromDrive(false));
    recordedDialogs().clear();

    enterText(position->speedToField(), "1500");
    EXPECT_EQ(sim->reg(0x76), 16384u);
    EXPECT_EQ(position->speedToField()->GetValue(), "1500");
    enterText(position->speedFromField(), "-100");
    EXPECT_EQ(sim->reg(0x77), 0xFBBCu);
    EXPECT_EQ(position->speedFromField()->GetValue(), "-100");
    enterText(position->speedFromField(), "7");
    EXPECT_EQ(sim->reg(0x77), 76u);
    EXPECT_EQ(position->speedFromField()->GetValue(), "7");
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes.front().text;

    enterText(position->offsetField(), "-12.5");
    EXPECT_EQ(sim->reg(0x72), uint32_t(-13)) << "half away from zero";
    EXPECT_EQ(position->offsetField()->GetValue(), "-13.000");
    // A raw count is the finest position here: the rounding is told, as a drive's change is.
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Value changed by the Drive (-12.5 -> -13.000)!");
    recordedDialogs().clear();

    // Ramp-Acc is the low half of 0x35: the high half (the deceleration) stays.
    sim->setReg(0x35, 0x00C80064);
    enterText(positionEdit(kRampAcc2), "150");
    EXPECT_EQ(sim->reg(0x35), 0x00C80096u);

    // A speed beyond the register is refused, not wrapped; nothing is written.
    sim->clearFrames();
    enterText(position->speedToField(), "3001");
    EXPECT_TRUE(writesSinceClear().empty());
    EXPECT_EQ(sim->reg(0x76), 16384u);
    EXPECT_EQ(position->speedToField()->GetValue(), "1500");
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_NE(recordedDialogs().boxes[0].text.find("Speed to: "), std::string::npos) << recordedDialogs().boxes[0].text;
}

TEST_F(PositionPageTest, BadEntriesWriteNothingAndKeepTheShownValue) {
    sim->setReg(0x7C, 1000);
    sim->setReg(0x76, 16384);
    sim->setReg(0x72, 2000);
    connect();
    ASSERT_TRUE(position->readFromDrive(false));
    struct Case {
        RegisterEdit* field;
        const char* text;
        const char* shown;
    } cases[] = {
        {position->speedToField(), "12a", "1500"},   {position->speedToField(), "1.5", "1500"},
        {position->speedToField(), "99999", "1500"}, {position->offsetField(), "1e12", "2000.000"},
        {position->offsetField(), "inf", "2000.000"}, {position->offsetField(), "nan", "2000.000"},
        {position->offsetField(), "1,5", "2000.000"},
    };
    for (const Case& c : cases) {
        recordedDialogs().clear();
        sim->clearFrames();
        enterText(c.field, c.text);
        EXPECT_TRUE(writesSinceClear().empty()) << c.text;
        EXPECT_EQ(c.field->GetValue(), c.shown) << c.text;
        EXPECT_EQ(recordedDialogs().boxes.size(), 1u) << c.text;
    }
    EXPECT_EQ(sim->reg(0x76), 16384u);
    EXPECT_EQ(sim->reg(0x72), 2000u);

    // "" and "+" stand for 0.
    enterText(position->speedToField(), "+");
    EXPECT_EQ(sim->reg(0x76), 0u);
    EXPECT_EQ(position->speedToField()->GetValue(), "0");

    // While the drive reports no maximum speed a speed cannot be converted.
    sim->setReg(0xCE, 0);
    ASSERT_TRUE(position->readFromDrive(false));
    recordedDialogs().clear();
    sim->clearFrames();
    enterText(position->speedToField(), "100");
    EXPECT_TRUE(writesSinceClear().empty());
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u);

    // A scale text that is no number changes neither the scale nor the offset field.
    position->onRegisterChanged(0x7C, "abc");
    EXPECT_EQ(position->cycleState().positionScale.load(), 1000);
    EXPECT_EQ(position->offsetField()->GetValue(), "2000.000");

    // A field left by picking another page is refused once that page is shown: the cursor
    // stays there and is not pulled into a field nobody can see, where typing would be lost.
    book->SetSelection(1);
    pumpFor(30);
    for (RegisterEdit* field : {positionEdit(kKpSpeed), position->speedToField(), position->offsetField()}) {
        enterText(field, "12a");
        pumpFor(30);
        EXPECT_NE(wxWindow::FindFocus(), field) << field->fieldName();
    }
}

TEST_F(PositionPageTest, FollowsChangesOfItsRegistersAndScales) {
    sim->setReg(0x7C, 1000);
    sim->setReg(0x72, 12345);
    sim->setReg(0x76, 16384);
    sim->setReg(0x35, 0x00C80064);
    connect();
    ASSERT_TRUE(position->readFromDrive(false));

    // Both low-half fields of 0x35 read their own half again, whatever text came along.
    sim->setReg(0x35, 0x00C80096);
    position->onRegisterChanged(0x35, "13107350");
    EXPECT_EQ(positionEdit(kRampAcc)->GetValue(), "150");
    EXPECT_EQ(positionEdit(kRampAcc2)->GetValue(), "150");

    // A new raw scale shows the offset in the new units.
    position->onRegisterChanged(0x7C, "10000");
    EXPECT_EQ(position->cycleState().positionScale.load(), 10000);
    EXPECT_EQ(position->offsetField()->GetValue(), "1234.500");
    position->onRegisterChanged(0x7D, "-5");
    EXPECT_EQ(position->cycleState().positionOffset.load(), -5);

    // A new maximum speed re-reads the speed fields with the new scale.
    sim->setReg(0xCE, 1500);
    position->onRegisterChanged(0xC8, "1500");
    EXPECT_EQ(position->cycleState().speedScale.load(), 1500);
    EXPECT_EQ(position->speedToField()->GetValue(), "750");
}

TEST_F(PositionPageTest, AReadAllThatFailsKeepsTheScalesTheFieldsShow) {
    sim->setReg(0x7C, 2000);
    sim->setReg(0x72, 12345);
    sim->setReg(0x6E, 4000);
    connect();
    ASSERT_TRUE(position->readFromDrive(false));
    ASSERT_EQ(position->offsetField()->GetValue(), "6172.500");

    // The first read of the next read-all fails: the page keeps the units it shows in.
    sim->setFault(sim::Fault::WrongRegister, 1);
    EXPECT_FALSE(position->readFromDrive(false));
    EXPECT_EQ(position->cycleState().positionScale.load(), 2000);
    position->setPageShown(true);
    ASSERT_TRUE(position->cyclicUpdate(true));
    EXPECT_TRUE(shows(position->scaledDisplays()[0], "2000.000")) << "still in position units";

    // An entry is taken in the units the field shows, not as a raw count.
    recordedDialogs().clear();
    enterText(position->offsetField(), "100");
    EXPECT_EQ(sim->reg(0x72), 200u);
    EXPECT_EQ(position->offsetField()->GetValue(), "100.000");
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(PositionPageTest, StepsGoInShownUnits) {
    sim->setReg(0x7C, 1000);
    sim->setReg(0x76, 16396);  // 1501 rpm
    sim->setReg(0x72, 5000);
    sim->setReg(0x6A, 20);
    connect();
    ASSERT_TRUE(position->readFromDrive(false));
    ASSERT_EQ(position->speedToField()->GetValue(), "1501");

    focusField(position, position->speedToField());
    click(position->upButton());
    EXPECT_EQ(sim->reg(0x76), 16405u) << "1502 rpm";
    EXPECT_EQ(position->speedToField()->GetValue(), "1502");

    focusField(position, positionEdit(kKpSpeed));
    click(position->upButton());
    EXPECT_EQ(sim->reg(0x6A), 21u);
    click(position->downButton());
    click(position->downButton());
    EXPECT_EQ(sim->reg(0x6A), 19u);

    // An offset showing decimals is not stepped.
    sim->clearFrames();
    focusField(position, position->offsetField());
    click(position->upButton());
    EXPECT_TRUE(writesSinceClear().empty());
    EXPECT_EQ(sim->reg(0x72), 5000u);
}

TEST_F(PositionPageTest, PollingReadsInOrderOnlyWhileShownAndRepaintsOnChange) {
    sim->setReg(0x7C, 1000);
    sim->setReg(0x40, 0x81);  // enabled, PosKp > 0, both limit switches clear
    sim->setReg(0xD8, 0x800);
    connect();
    ASSERT_TRUE(position->readFromDrive(false));

    position->setPageShown(false);
    sim->clearFrames();
    EXPECT_TRUE(position->cyclicUpdate(true));
    EXPECT_TRUE(readsSinceClear().empty()) << "a hidden page reads nothing";

    position->setPageShown(true);
    sim->clearFrames();
    ASSERT_TRUE(position->cyclicUpdate(true));
    const std::vector<uint32_t> expected = {0x70, 0x5D, 0x32, 0x26, 0xCF, 0x81,  // display list
                                            0x6E, 0x91, 0x6D,                    // scaled read-outs
                                            0x37, 0xAF, 0x59, 0xC8, 0x6A,        // calc inputs
                                            0x40, 0x40, 0xD8, 0x40, 0x40,        // lamps
                                            0x40};                               // picture flags
    EXPECT_EQ(readsSinceClear(), expected);
    pumpFor(50);
    for (RegisterBitLabel* lamp : position->lampList()) EXPECT_TRUE(lamp->isActive());

    // The same bits again ask for no repaint; bit 12 changes the mark with one.
    ASSERT_TRUE(position->cyclicUpdate(true));
    pumpFor(20);
    const int before = position->repaintRequests();
    ASSERT_TRUE(position->cyclicUpdate(true));
    EXPECT_EQ(position->repaintRequests(), before);
    const wxColour background = pixel(position->backgroundPicture(), 565, 581);
    EXPECT_NE(pixel(position->paintedPicture(), 565, 581), background) << "limit mark drawn";
    sim->setReg(0x40, 0x1081);
    ASSERT_TRUE(position->cyclicUpdate(true));
    EXPECT_EQ(position->repaintRequests(), before + 1);
    EXPECT_TRUE(position->cycleState().statusBit12Set.load());
    EXPECT_EQ(pixel(position->paintedPicture(), 565, 581), background) << "limit mark gone";

    // One lamp going dark changes the loop symbol (a cycle later, as the lamps show it).
    sim->setReg(0x40, 0x1001);  // PosKp > 0 clear
    ASSERT_TRUE(position->cyclicUpdate(true));
    pumpFor(50);
    ASSERT_TRUE(position->cyclicUpdate(true));
    EXPECT_FALSE(position->cycleState().allBitLabelsActive.load());

    // A read that fails ends the step with false.
    sim->setFault(sim::Fault::Silent, 1);
    EXPECT_FALSE(position->cyclicUpdate(true));
}

TEST_F(PositionPageTest, PollingOnAnotherThreadTouchesNoWindow) {
    sim->setReg(0x7C, 1000);
    connect();
    ASSERT_TRUE(position->readFromDrive(false));
    position->setPageShown(true);
    speed->setPageShown(true);
    std::atomic<bool> done{false};
    std::atomic<int> failures{0};
    std::thread poller([&] {
        for (int i = 0; i < 20; ++i) {
            sim->setReg(0x40, (i & 1) ? 0x3085u : 0x85u);
            sim->setReg(0x36, uint32_t(i % 4) << 12);
            if (!position->cyclicUpdate(true)) ++failures;
            if (!speed->cyclicUpdate(true)) ++failures;
        }
        done = true;
    });
    // The GUI thread keeps handling the posted values and repaints meanwhile.
    pumpUntil([&] { return done.load(); }, 20000);
    poller.join();
    pumpFor(50);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_TRUE(position->cycleState().statusBit12Set.load());
    EXPECT_TRUE(speed->cycleState().sourceModeIs3.load());
}

}  // namespace
}  // namespace torvex::test
