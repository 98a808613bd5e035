// The step-response test's plan and thread against the simulated drive.
#include <atomic>
#include <cstdlib>

#include "link/registers.h"
#include "scope/step_test.h"
#include "tests/scope_logic/scope_fixture.h"

namespace torvex::test {
namespace {

TEST(StepPlan, WholeNumbersOnlyAndNoNegativeTimes) {
    buildRegisterCache();  // the widths, as the program builds them at start-up
    struct Case { StepTexts texts; const char* error; };
    const StepTexts good{"15000", "500", "-15000", "500", "0", "1000"};
    auto with = [&](int field, const char* text) {
        StepTexts t = good;
        std::string* fields[] = {&t.value1, &t.time1, &t.value2, &t.time2, &t.stop, &t.stopTime};
        *fields[field] = text;
        return t;
    };
    const Case cases[] = {
        {good, nullptr},
        {with(0, "+5"), nullptr},
        {with(0, "5.0"), "Wrong value for Step value 1!"},
        {with(0, ""), "Wrong value for Step value 1!"},
        {with(0, "3000000000"), "Wrong value for Step value 1!"},
        {with(1, "-1"), "Wrong value for Step time 1!"},
        {with(1, "+0"), nullptr},
        {with(2, "1e3"), "Wrong value for Step value 2!"},
        // The page's one number rule: leading blanks as in the file's fields, nothing after.
        {with(3, " 5"), nullptr},
        {with(3, "5 "), "Wrong value for Step time 2!"},
        {with(3, "5x"), "Wrong value for Step time 2!"},
        {with(1, "4294967295"), nullptr},
        {with(1, "4294967296"), "Wrong value for Step time 1!"},
        {with(4, "-"), "Wrong value for Step stop!"},
        {with(5, "-1000"), "Wrong value for Step stop-time!"},
        // The speed command holds 16 signed bits: one more would be a step the other way.
        {with(0, "32767"), nullptr},
        {with(0, "32768"), "Wrong value for Step value 1!"},
        {with(2, "-32768"), nullptr},
        {with(2, "-32769"), "Wrong value for Step value 2!"},
        {with(4, "40000"), "Wrong value for Step stop!"},
    };
    for (const Case& c : cases) {
        StepPlanResult result = parseStepPlan(0x31, c.texts);
        if (c.error) {
            EXPECT_FALSE(result.plan) << c.error;
            EXPECT_STREQ(result.errorKey, c.error);
        } else {
            ASSERT_TRUE(result.plan) << result.errorKey;
        }
    }
    StepPlanResult plus = parseStepPlan(0x6E, with(0, "+5"));
    ASSERT_TRUE(plus.plan);
    EXPECT_EQ(plus.plan->value1, 5);
    EXPECT_EQ(plus.plan->value2, -15000);
    EXPECT_EQ(plus.plan->stopTime, 1000u);
    EXPECT_EQ(plus.plan->reg, 0x6Eu);
    // The position target has 32 bits.
    StepPlanResult wide = parseStepPlan(0x6E, with(4, "40000"));
    ASSERT_TRUE(wide.plan);
    EXPECT_EQ(wide.plan->stopValue, 40000);
    StepPlanResult blank = parseStepPlan(0x31, with(3, " 5"));
    ASSERT_TRUE(blank.plan);
    EXPECT_EQ(blank.plan->time2, 5u);
}

class StepWorkerTest : public ScopeLinkTest {
protected:
    struct ReceivedFrameCopy {
        uint32_t value;
        size_t bytes;
    };
    std::vector<ReceivedFrameCopy> writesTo(uint32_t reg) const {
        std::vector<ReceivedFrameCopy> out;
        for (const auto& frame : drive_->frames())
            if (!frame.isRead && frame.reg == reg) out.push_back({frame.value, frame.raw.size()});
        return out;
    }
};

TEST_F(StepWorkerTest, StepsInOrderAndEndsWithZeroInTheRegistersWidth) {
    for (uint32_t reg : {kStepRegSpeed, kStepRegPosition}) {
        SCOPED_TRACE(reg);
        drive_->clearFrames();
        StepPlan plan{reg, -15000, 5, 2000, 5, 7, 5};
        std::atomic<bool> finished{false};
        StepWorker worker(connection_, plan, [&] { finished = true; });
        ASSERT_TRUE(worker.start());
        ASSERT_TRUE(waitFor([&] { return writesTo(reg).size() >= 7; }));
        worker.requestStop();
        worker.join();
        // The thread has sent its last write; give the drive the time to take it in.
        waitFor([&] { return !writesTo(reg).empty() && writesTo(reg).back().value == 0; }, 1000);
        const auto w = writesTo(reg);
        const uint32_t mask = reg == kStepRegPosition ? 0xFFFFFFFFu : 0xFFFFu;
        const uint32_t expected[3] = {uint32_t(-15000) & mask, 2000, 7};
        for (size_t i = 0; i + 1 < w.size(); ++i) EXPECT_EQ(w[i].value, expected[i % 3]) << i;
        ASSERT_FALSE(w.empty());
        EXPECT_EQ(w.back().value, 0u);
        // The 0 goes out as wide as the values before it.
        EXPECT_EQ(w.back().bytes, w.front().bytes);
        EXPECT_FALSE(finished.load());
        if (reg == kStepRegSpeed) {
            EXPECT_EQ(w.front().value, 0xC568u);
        }
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(StepWorkerTest, StopDuringALongHoldReturnsAtOnce) {
    StepPlan plan{kStepRegSpeed, 1000, 60000, -1000, 60000, 0, 60000};
    StepWorker worker(connection_, plan, nullptr);
    ASSERT_TRUE(worker.start());
    ASSERT_TRUE(waitFor([&] { return !writesTo(kStepRegSpeed).empty(); }));
    const auto start = std::chrono::steady_clock::now();
    worker.requestStop();
    worker.join();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(),
              200);
    ASSERT_TRUE(drive_->waitForFrames(2));
    const auto w = writesTo(kStepRegSpeed);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].value, 1000u);
    EXPECT_EQ(w[1].value, 0u);
}

TEST_F(StepWorkerTest, FailedWriteEndsTheTestWithItsMessage) {
    std::atomic<bool> finished{false};
    StepPlan plan{kStepRegCurrent, 100, 20, -100, 20, 0, 20};
    StepWorker worker(connection_, plan, [&] { finished = true; });
    ASSERT_TRUE(worker.start());
    ASSERT_TRUE(waitFor([&] { return !writesTo(kStepRegCurrent).empty(); }));
    connection_.disconnectDrive();
    ASSERT_TRUE(waitFor([&] { return finished.load(); }));
    worker.join();
    EXPECT_FALSE(worker.running());
    ASSERT_EQ(boxes().size(), 1u) << "one message, not one for the 0 as well";
    EXPECT_EQ(boxes()[0], "Fehler beim Beschreiben des Registers 0x21!");
}

// On a serial link a write that fails leaves the link open (only the frame's count of
// failures takes it offline): the closing 0 that fails after a stop is reported, once.
TEST_F(StepWorkerTest, AClosingZeroThatFailsOnASerialLinkIsReportedOnce) {
    sim::SimOptions options;
    options.serial = true;
    options.tcpAddress.clear();
    sim::SimDrive serialDrive(options);
    ASSERT_TRUE(serialDrive.start());
    setenv("TORVEX_COM3", serialDrive.serialPath().c_str(), 1);
    DriveConnection serial;
    ASSERT_EQ(serial.connectDrive("COM3", 115200), 0u);
    serialDrive.clearFrames();
    // The drive hangs up the line as the first step arrives.
    serialDrive.setFault(sim::Fault::CloseLink, 1);
    StepWorker worker(serial, StepPlan{kStepRegSpeed, 1000, 60000, -1000, 60000, 0, 60000}, nullptr);
    ASSERT_TRUE(worker.start());
    ASSERT_TRUE(serialDrive.waitForFrames(1));
    ASSERT_TRUE(waitFor([&] { return serial.write16bitRegister(kStepRegSpeed, 0) != 0; }));
    ASSERT_TRUE(serial.isConnected());
    worker.requestStop();
    worker.join();
    EXPECT_EQ(boxes(), std::vector<std::string>{"Fehler beim Beschreiben des Registers 0x31!"});
    serial.disconnectDrive();
}

}  // namespace
}  // namespace torvex::test
