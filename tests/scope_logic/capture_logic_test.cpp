// Arming a capture and reading it back, against the simulated drive's capture engine.
#include <atomic>

#include "scope/capture_arming.h"
#include "scope/capture_worker.h"
#include "tests/scope_logic/scope_fixture.h"

namespace torvex::test {
namespace {

using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

CaptureSettings baseSettings() {
    CaptureSettings s;
    const long signals[8] = {0x32, 0x30, 0, 0, 0, 0, 0, 0};
    for (int n = 0; n < 8; ++n) s.channels[n] = ChoiceValue::of(signals[n] ? 1 : 0, signals[n]);
    s.triggerOn = ChoiceValue::of(0, 0);
    s.triggerLevel = 100;
    s.triggerRun = ChoiceValue::of(2, kTriggerRunNormal);
    s.triggerEdge = ChoiceValue::of(0, 0);
    s.timeScale = ChoiceValue::of(8, 500000);
    s.triggerBuffer = ChoiceValue::of(2, 1000);
    return s;
}

TEST(CaptureSkip, DividerFromTimeBaseAndTick) {
    struct Case { uint32_t t, tick; uint16_t skip; };
    const Case cases[] = {
        {500000, 100, 99},      // 500 ms a division of 50 samples at 100 us
        {1000, 100, 0},         // shorter than one tick a sample
        {10000, 100, 1},
        {500000, 0, 0},         // no tick reported
        {5000000, 1, 65535},    // beyond the 16-bit register: the slowest it allows
        {5000000, 100, 999},
    };
    for (const Case& c : cases) EXPECT_EQ(captureSkip(c.t, c.tick), c.skip) << c.t << " / " << c.tick;
}

class ArmingTest : public ScopeLinkTest {};

TEST_F(ArmingTest, WritesTheCaptureRegistersInOrder) {
    struct Case {
        const char* name;
        void (*change)(CaptureSettings&);
        Writes expected;
        uint32_t channelCount;
    };
    const Case cases[] = {
        {"normal, two channels", [](CaptureSettings&) {},
         {{0x18, 0}, {0x14, 0x32}, {0x12, 100}, {0x13, 0}, {0x15, 0x0032}, {0x15, 0x0130}, {0x10, 1},
          {0x3D, 0xAF}, {0x16, 99}, {0x18, 0}},
         2},
        {"skipped channels keep slots dense",
         [](CaptureSettings& s) {
             s.channels[0] = ChoiceValue::of(0, 0);
             s.channels[3] = ChoiceValue::of(4, 0x20);
             s.triggerOn = ChoiceValue::of(3, 3);
         },
         {{0x18, 0}, {0x14, 0x20}, {0x12, 100}, {0x13, 0}, {0x15, 0x0030}, {0x15, 0x0120}, {0x10, 1},
          {0x3D, 0xAF}, {0x16, 99}, {0x18, 0}},
         2},
        {"auto whatever the edge, register trigger",
         [](CaptureSettings& s) {
             s.triggerRun = ChoiceValue::of(0, kTriggerRunAuto);
             s.triggerEdge = ChoiceValue::of(5, 5);
             s.triggerOn = ChoiceValue::of(9, 0x40);
             s.timeScale = ChoiceValue::of(0, 1000);
         },
         {{0x18, 0}, {0x14, 0x40}, {0x12, 100}, {0x13, 2}, {0x15, 0x0032}, {0x15, 0x0130}, {0x10, 1},
          {0x3D, 0xAF}, {0x16, 0}, {0x18, 0}},
         2},
        {"off channel as trigger writes no source",
         [](CaptureSettings& s) {
             s.triggerOn = ChoiceValue::of(2, 2);
             s.triggerEdge = ChoiceValue::of(1, 1);
             s.triggerLevel = -5;
         },
         {{0x18, 0}, {0x12, 0xFFFB}, {0x13, 1}, {0x15, 0x0032}, {0x15, 0x0130}, {0x10, 1}, {0x3D, 0xAF},
          {0x16, 99}, {0x18, 0}},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        drive_->clearFrames();
        CaptureSettings settings = baseSettings();
        c.change(settings);
        std::optional<ArmedCapture> armed = armCapture(connection_, settings);
        ASSERT_TRUE(armed);
        ASSERT_TRUE(drive_->waitForFrames(c.expected.size()));
        EXPECT_EQ(writes(), c.expected);
        EXPECT_EQ(armed->channelCount, c.channelCount);
        EXPECT_EQ(armed->triggerBufferSize, 1000u);
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ArmingTest, MissingSelectionsAndFailedWrites) {
    // No channel on: the channel register gets -1, and a missing level is reported
    // without stopping the arming.
    CaptureSettings settings = baseSettings();
    for (auto& channel : settings.channels) channel = ChoiceValue::of(0, 0);
    settings.triggerLevel.reset();
    ASSERT_TRUE(armCapture(connection_, settings));
    drive_->waitForFrames(6);
    const Writes w = writes();
    EXPECT_NE(std::find(w.begin(), w.end(), std::make_pair(0x10u, 0xFFFFu)), w.end());
    EXPECT_EQ(std::count_if(w.begin(), w.end(), [](auto p) { return p.first == 0x12; }), 0);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "Trigger Level: Falsche Eingabe (keine Nummer)!");

    // A level the 16-bit register cannot hold is refused, never written wrapped; the rest
    // of the arming goes on. Both ends of what it can hold are written as they are.
    const struct { long level; const char* box; uint32_t written; } levels[] = {
        {70000, "Trigger Level: Zahl zu gross, max. 65535!", 0},
        {-32769, "Trigger Level: Zahl zu klein, min. -32768!", 0},
        {65535, nullptr, 0xFFFF},
        {-32768, nullptr, 0x8000},
    };
    for (const auto& l : levels) {
        SCOPED_TRACE(l.level);
        settings = baseSettings();
        settings.triggerLevel = l.level;
        drive_->clearFrames();
        const size_t before = boxes().size();
        ASSERT_TRUE(armCapture(connection_, settings));
        drive_->waitForFrames(6);
        const Writes written = writes();
        const auto level = std::find_if(written.begin(), written.end(), [](auto p) { return p.first == 0x12; });
        EXPECT_NE(std::find_if(written.begin(), written.end(), [](auto p) { return p.first == 0x15; }), written.end());
        if (l.box) {
            EXPECT_EQ(level, written.end());
            ASSERT_EQ(boxes().size(), before + 1);
            EXPECT_EQ(boxes().back(), l.box);
        } else {
            ASSERT_NE(level, written.end());
            EXPECT_EQ(level->second, l.written);
            EXPECT_EQ(boxes().size(), before);
        }
    }

    // No time scale or buffer: the arming stops with its message.
    settings = baseSettings();
    settings.timeScale = ChoiceValue{};
    EXPECT_FALSE(armCapture(connection_, settings));
    EXPECT_EQ(boxes().back(), "Nothing selected in Time scale!");

    // A register beyond the list is never packed into the slot word.
    settings = baseSettings();
    settings.channels[1] = ChoiceValue::of(3, 0x130);
    drive_->clearFrames();
    armCapture(connection_, settings);
    for (auto [reg, value] : writes())
        if (reg == 0x15) {
            EXPECT_EQ(value >> 8, 0u) << std::hex << value;
        }

    // The link gone: the first write fails and nothing else is tried. A read first, so that
    // the writes above have all reached the drive before its log is cleared.
    uint16_t firmware = 0;
    connection_.read16bitRegister(0x1B, &firmware);
    connection_.disconnectDrive();
    drive_->clearFrames();
    const size_t boxesBefore = boxes().size();
    EXPECT_FALSE(armCapture(connection_, baseSettings()));
    ASSERT_EQ(boxes().size(), boxesBefore + 1);
    EXPECT_EQ(boxes().back(), "Fehler beim Beschreiben des Registers 0x18!");
    EXPECT_TRUE(drive_->frames().empty());
}

class CaptureWorkerTest : public ScopeLinkTest {
protected:
    struct Notes {
        std::mutex mutex;
        std::vector<std::pair<CaptureNotice, std::string>> list;
        std::atomic<int> redraws{0};
        std::atomic<bool> finished{false};
    };
    CaptureSink sinkInto(Notes& notes) {
        return [&notes](CaptureNotice notice, int, const std::string& text) {
            {
                std::lock_guard guard(notes.mutex);
                notes.list.emplace_back(notice, text);
            }
            if (notice == CaptureNotice::Redraw) ++notes.redraws;
            if (notice == CaptureNotice::Finished) notes.finished = true;
        };
    }
    ArmedCapture arm(long runMode, uint32_t buffer) {
        CaptureSettings settings = baseSettings();
        settings.triggerRun = ChoiceValue::of(int(runMode), runMode);
        settings.triggerOn = ChoiceValue::of(1, 1);  // the sine: it crosses the level soon
        const int before = capture_->armCount();
        std::optional<ArmedCapture> armed = armCapture(connection_, settings);
        EXPECT_TRUE(armed);
        // Writes get no reply: wait until the drive has taken both arming writes.
        EXPECT_TRUE(waitFor([&] { return capture_->armCount() >= before + 2; }));
        ArmedCapture out = armed.value_or(ArmedCapture{});
        out.triggerBufferSize = buffer;
        return out;
    }
    // The read-out requests on 0x17 since the last clear, counts left out.
    std::vector<uint32_t> blockRequests() const {
        std::vector<uint32_t> out;
        for (auto [reg, value] : writes())
            if (reg == 0x17 && value != kCaptureCountRequest) out.push_back(value);
        return out;
    }
};

TEST_F(CaptureWorkerTest, SingleShotHandsOverTheDrivesBuffer) {
    capture_->setSpeedUp(200.0);
    ArmedCapture armed = arm(kTriggerRunSingle, 2000);
    Notes notes;
    drive_->clearFrames();
    const int arms = capture_->armCount();
    CaptureWorker worker(connection_, armed, sinkInto(notes));
    ASSERT_TRUE(worker.start());
    ASSERT_TRUE(waitFor([&] { return notes.finished.load(); }, 8000));
    worker.join();
    // The drive takes the closing re-arm in its own time, and logs its frame after acting on it.
    ASSERT_TRUE(waitFor([&] {
        if (capture_->armCount() <= arms) return false;
        const Writes w = writes();
        return !w.empty() && w.back().first == 0x18u;
    }));

    std::shared_ptr<const ScopeCapture> capture = worker.latestCapture();
    ASSERT_TRUE(capture);
    EXPECT_EQ(notes.redraws.load(), 1);
    ASSERT_GE(capture->sampleCount, 2000u);
    EXPECT_LE(capture->sampleCount, kScopeBufferSamples);
    EXPECT_EQ(capture->channelCount, 2u);
    EXPECT_EQ(capture->channelRegisters[0], 0x32u);
    EXPECT_EQ(capture->channelRegisters[1], 0x30u);
    // The worker has armed the next capture since: compare with the buffer it read.
    const std::vector<int16_t> buffer = capture_->previousBuffer();
    ASSERT_GE(buffer.size(), capture->sampleCount);
    for (uint32_t i = 0; i < capture->sampleCount; ++i) ASSERT_EQ(capture->samples[i], buffer[i]) << i;

    // Blocks of 50, the first plain, the rest flagged; then re-armed.
    const std::vector<uint32_t> blocks = blockRequests();
    ASSERT_EQ(blocks.size(), (capture->sampleCount + 49) / 50);
    EXPECT_EQ(blocks[0], 50u);
    for (size_t i = 1; i < blocks.size(); ++i) EXPECT_EQ(blocks[i] & 0x8000u, 0x8000u);
    const Writes w = writes();
    ASSERT_FALSE(w.empty());
    EXPECT_EQ(w.back(), std::make_pair(0x18u, 0u));
    EXPECT_TRUE(boxes().empty());

    std::lock_guard guard(notes.mutex);
    std::vector<std::string> texts;
    for (auto& [notice, text] : notes.list)
        if (notice == CaptureNotice::StatusText) texts.push_back(text);
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ(texts.front(), " waiting");
    EXPECT_EQ(texts[texts.size() - 3], " reading");
    EXPECT_EQ(texts[texts.size() - 2], " drawing");
    EXPECT_EQ(texts.back(), " idle");
}

TEST_F(CaptureWorkerTest, FiftyOneSamplesTakeTwoRequests) {
    capture_->setSpeedUp(200.0);
    // The count stops exactly at the trigger buffer: that is full, not still waiting.
    ArmedCapture armed = arm(kTriggerRunSingle, 51);
    ASSERT_TRUE(waitFor([&] { return capture_->buffer().size() >= 60; }));
    capture_->setReportedCount(51);
    Notes notes;
    drive_->clearFrames();
    const int arms = capture_->armCount();
    CaptureWorker worker(connection_, armed, sinkInto(notes));
    ASSERT_TRUE(worker.start());
    ASSERT_TRUE(waitFor([&] { return notes.finished.load(); }));
    worker.join();
    ASSERT_TRUE(waitFor([&] { return capture_->armCount() > arms; }));
    EXPECT_EQ(blockRequests(), (std::vector<uint32_t>{50, 1 | 0x8000}));
    ASSERT_TRUE(worker.latestCapture());
    EXPECT_EQ(worker.latestCapture()->sampleCount, 51u);
    const std::vector<int16_t> buffer = capture_->previousBuffer();
    ASSERT_GT(buffer.size(), 50u);
    EXPECT_EQ(worker.latestCapture()->samples[49], buffer[49]);
    EXPECT_EQ(worker.latestCapture()->samples[50], buffer[50]);
}

TEST_F(CaptureWorkerTest, UntrustedCountsAndFailedBlocksHandOverNothing) {
    struct Case { std::optional<uint16_t> count; int failBlock; const char* message; };
    const Case cases[] = {
        {6000, -1, "Fehler beim Lesen der Anzahl Bytes im Capturepuffer!"},
        {0x9000, -1, "Fehler beim Lesen der Anzahl Bytes im Capturepuffer!"},
        {std::nullopt, 0, "Error reading first 50 datas"},
        {std::nullopt, 2, "Error reading 50 datas!"},
    };
    capture_->setSpeedUp(200.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        capture_->setReportedCount(std::nullopt);
        ArmedCapture armed = arm(kTriggerRunNormal, 500);
        ASSERT_TRUE(waitFor([&] { return capture_->buffer().size() >= 600; }));
        capture_->setReportedCount(c.count);
        capture_->failBlock(c.failBlock);
        Notes notes;
        const size_t boxesBefore = boxes().size();
        CaptureWorker worker(connection_, armed, sinkInto(notes));
        ASSERT_TRUE(worker.start());
        ASSERT_TRUE(waitFor([&] { return notes.finished.load(); }, 8000));
        worker.join();
        EXPECT_FALSE(worker.latestCapture());
        EXPECT_EQ(notes.redraws.load(), 0);
        ASSERT_EQ(boxes().size(), boxesBefore + 1);
        EXPECT_EQ(boxes().back(), c.message);
    }
}

TEST_F(CaptureWorkerTest, StopEndsWaitingAtOnce) {
    // A trigger that never fires: the sine never rises above 20000.
    CaptureSettings settings = baseSettings();
    settings.triggerOn = ChoiceValue::of(1, 1);
    settings.triggerLevel = 20000;
    settings.triggerEdge = ChoiceValue::of(5, 5);
    std::optional<ArmedCapture> armed = armCapture(connection_, settings);
    ASSERT_TRUE(armed);
    Notes notes;
    drive_->clearFrames();
    CaptureWorker worker(connection_, *armed, sinkInto(notes));
    ASSERT_TRUE(worker.start());
    ASSERT_TRUE(waitFor([&] {
        for (auto [reg, value] : writes())
            if (reg == 0x17) return true;
        return false;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // inside the 200 ms pause
    const auto start = std::chrono::steady_clock::now();
    worker.requestStop();
    worker.join();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LT(took.count(), 100);
    const size_t requests = writes().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(writes().size(), requests) << "a request after the stop";
    EXPECT_FALSE(notes.finished.load());
    EXPECT_TRUE(boxes().empty());
}

TEST_F(CaptureWorkerTest, AStopDuringTheLastBlockKeepsTheCompleteCapture) {
    // 120 samples in three blocks; the stop comes while the drive answers the last one.
    ArmedCapture armed;
    armed.triggerBufferSize = 100;
    armed.channelCount = 1;
    armed.channelRegisters[0] = 0x30;
    Notes notes;
    CaptureWorker worker(connection_, armed, sinkInto(notes));
    uint32_t served = 0;
    drive_->setSeriesHook(kRegCaptureRead, [&](uint32_t request) {
        if (request == kCaptureCountRequest) return std::vector<uint16_t>{120};
        const uint32_t n = request & ~kCaptureNextFlag;
        std::vector<uint16_t> block;
        for (uint32_t i = 0; i < n; ++i) block.push_back(static_cast<uint16_t>(served + i));
        served += n;
        if (served == 120) worker.requestStop();
        return block;
    });
    ASSERT_TRUE(worker.start());
    worker.join();
    drive_->setSeriesHook(kRegCaptureRead, nullptr);

    std::shared_ptr<const ScopeCapture> capture = worker.latestCapture();
    ASSERT_TRUE(capture) << "a capture read to its last sample was dropped by the stop";
    EXPECT_EQ(capture->sampleCount, 120u);
    EXPECT_EQ(capture->channelCount, 1u);
    for (uint32_t i = 0; i < 120; ++i) ASSERT_EQ(capture->samples[i], static_cast<int32_t>(i)) << i;
    // Stopped: nothing more is asked of the drive, no re-arming, and no message.
    EXPECT_EQ(blockRequests(), (std::vector<uint32_t>{50, 50 | 0x8000, 20 | 0x8000}));
    for (auto [reg, value] : writes()) EXPECT_NE(reg, kRegCaptureRun) << "re-armed after the stop";
    EXPECT_FALSE(notes.finished.load());
    EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace torvex::test
