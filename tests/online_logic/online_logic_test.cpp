// Failure counting, connection generations, the watching step's loss detection, the
// polling step's menu rule, the worker loop, and the register choice list: no display.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "frame/poll_threads.h"
#include "widgets/register_choice.h"

namespace torvex {
namespace {

TEST(LinkSupervisor, ThirteenthFailureInARowGoesOfflineAndAnySuccessStartsAgain) {
    std::atomic<uint32_t> failures{0};
    LinkSupervisor supervisor(failures);
    const uint32_t generation = supervisor.generation();

    for (int i = 0; i < 12; ++i) EXPECT_FALSE(supervisor.recordFailure(generation)) << "failure " << i + 1;
    EXPECT_EQ(failures.load(), 12u);
    supervisor.recordSuccess(generation);
    EXPECT_EQ(failures.load(), 0u);

    for (int i = 0; i < 12; ++i) EXPECT_FALSE(supervisor.recordFailure(generation));
    EXPECT_TRUE(supervisor.recordFailure(generation));
    EXPECT_EQ(failures.load(), 13u);
    // Until the frame has gone offline, every further failure asks again.
    EXPECT_TRUE(supervisor.recordFailure(generation));
}

TEST(LinkSupervisor, DecisionsOfAnEarlierConnectionCountNothing) {
    std::atomic<uint32_t> failures{0};
    LinkSupervisor supervisor(failures);
    const uint32_t old = supervisor.generation();
    for (int i = 0; i < 12; ++i) supervisor.recordFailure(old);

    const uint32_t now = supervisor.newGeneration();
    EXPECT_NE(now, old);
    EXPECT_EQ(failures.load(), 0u);
    EXPECT_FALSE(supervisor.isCurrent(old));
    EXPECT_TRUE(supervisor.isCurrent(now));

    // A worker that started its step on the old connection finishes it afterwards.
    EXPECT_FALSE(supervisor.recordFailure(old));
    EXPECT_EQ(failures.load(), 0u);
    failures.store(5);
    supervisor.recordSuccess(old);
    EXPECT_EQ(failures.load(), 5u) << "a stale success must not hide failures of the new connection";
    supervisor.resetFailures();
    EXPECT_EQ(failures.load(), 0u);
}

TEST(LinkSupervisor, MixedThreadsCountOneSeries) {
    std::atomic<uint32_t> failures{0};
    LinkSupervisor supervisor(failures);
    const uint32_t generation = supervisor.generation();
    std::atomic<int> offlineRequests{0};
    auto fail = [&](int times) {
        for (int i = 0; i < times; ++i)
            if (supervisor.recordFailure(generation)) offlineRequests.fetch_add(1);
    };
    std::thread polling(fail, 6), watching(fail, 7);
    polling.join();
    watching.join();
    EXPECT_EQ(failures.load(), 13u);
    EXPECT_EQ(offlineRequests.load(), 1);
}

TEST(LinkLossDetector, LostOnlyWhenSeenUsableInTheSameGeneration) {
    struct Step {
        bool usable;
        uint32_t generation;
        bool lost;
    };
    const std::vector<std::vector<Step>> cases = {
        {{false, 1, false}, {false, 1, false}},                    // never online
        {{true, 1, false}, {true, 1, false}, {false, 1, true}},    // link closed under the frame
        {{true, 1, false}, {false, 1, true}, {false, 1, false}},   // taken offline once
        {{true, 1, false}, {false, 2, false}},                     // the frame went offline itself
        {{true, 1, false}, {true, 2, false}, {false, 2, true}},    // online again, then lost
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        LinkLossDetector detector;
        for (size_t s = 0; s < cases[c].size(); ++s) {
            const Step& step = cases[c][s];
            EXPECT_EQ(detector.connectionLost(step.usable, step.generation), step.lost)
                << "case " << c << " step " << s;
        }
    }
    LinkLossDetector detector;
    detector.connectionLost(true, 3);
    detector.forget();
    EXPECT_FALSE(detector.connectionLost(false, 3));

    // Marked online by the frame before the watcher looked: a loss in that generation counts.
    detector.connectionLost(true, 3);
    detector.markUsable(4);
    EXPECT_TRUE(detector.connectionLost(false, 4));
    EXPECT_FALSE(detector.connectionLost(false, 4));
    detector.markUsable(5);
    EXPECT_FALSE(detector.connectionLost(false, 6)) << "a later generation the frame made itself";
}

TEST(DriveMenuState, StatusBitZeroAndFileView) {
    EXPECT_EQ(driveMenuStateFor(true, false, 0), DriveMenuState::Enabled);
    EXPECT_EQ(driveMenuStateFor(true, true, 1), DriveMenuState::Enabled);
    EXPECT_EQ(driveMenuStateFor(false, false, 0), DriveMenuState::Disabled);
    EXPECT_EQ(driveMenuStateFor(false, true, 0), DriveMenuState::Enabled);
    EXPECT_EQ(driveMenuStateFor(false, true, 1), DriveMenuState::Disabled);
    EXPECT_EQ(driveMenuStateFor(false, true, 0xFFFFFFFEu), DriveMenuState::Enabled);
    EXPECT_EQ(driveMenuStateFor(false, true, 0x80000001u), DriveMenuState::Disabled);
}

TEST(PollInterval, CanPollsFasterThanTheOtherPorts) {
    EXPECT_EQ(pollIntervalForPort("CAN"), 100u);
    for (const char* port : {"COM1", "COM8", "TCP", ""}) EXPECT_EQ(pollIntervalForPort(port), 1500u) << port;
}

TEST(WorkerLoop, StopWakesTheSleepAndJoinWaitsForTheStep) {
    std::atomic<int> steps{0};
    WorkerLoop loop([&] { steps.fetch_add(1); }, [] { return 60000u; });
    ASSERT_TRUE(loop.start());
    while (steps.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(loop.isRunning());
    auto before = std::chrono::steady_clock::now();
    loop.requestStop();
    loop.join();
    // The loop sleeps a minute between steps: returning at all shows the sleep was woken.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
    EXPECT_FALSE(loop.isRunning());
    EXPECT_EQ(steps.load(), 1);
}

TEST(WorkerLoop, StepInProgressFinishesBeforeJoinReturns) {
    std::atomic<bool> inStep{false}, stepDone{false};
    WorkerLoop loop(
        [&] {
            inStep = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            stepDone = true;
        },
        [] { return 10u; });
    loop.start();
    while (!inStep.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    loop.requestStop();
    loop.join();
    EXPECT_TRUE(stepDone.load());
    EXPECT_FALSE(loop.isRunning());
}

TEST(WorkerLoop, DestroyingARunningLoopStopsIt) {
    std::atomic<int> steps{0};
    {
        WorkerLoop loop([&] { steps.fetch_add(1); }, [] { return 1u; });
        loop.start();
        while (steps.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    int after = steps.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(steps.load(), after);
}

wxString fromCatalogue(const std::map<std::string, std::string>& catalogue, const wxString& key) {
    auto found = catalogue.find(key.utf8_string());
    return found == catalogue.end() ? key : wxString::FromUTF8(found->second);
}

TEST(RegisterChoiceList, SlotsNeedANameAndARegisterIdOfEightTo255) {
    const std::map<std::string, std::string> catalogue = {
        {"Combo box registers name 0", "Speed actual"}, {"Combo box registers id 0", "48"},
        {"Combo box registers name 3", "Position"},     {"Combo box registers id 3", "109"},
        {"Combo box registers name 12", "No id"},       // id untranslated
        {"Combo box registers name 13", "Low id"},      {"Combo box registers id 13", "5"},
        {"Combo box registers name 14", "Seven"},       {"Combo box registers id 14", "7"},
        {"Combo box registers name 15", "Eight"},       {"Combo box registers id 15", "8"},
        {"Combo box registers name 16", "Not a number"}, {"Combo box registers id 16", "4x"},
        {"Combo box registers name 17", "Negative"},    {"Combo box registers id 17", "-20"},
        {"Combo box registers id 20", "77"},            // name untranslated
        {"Combo box registers name 21", "Beyond"},      {"Combo box registers id 21", "256"},
        {"Combo box registers name 22", "Far"},         {"Combo box registers id 22", "4294967295"},
        {"Combo box registers name 23", "Top"},         {"Combo box registers id 23", "255"},
        {"Combo box registers name 255", "Last"},       {"Combo box registers id 255", "200"},
    };
    RegisterChoiceTable table =
        buildRegisterChoiceTable([&](const wxString& key) { return fromCatalogue(catalogue, key); });
    std::map<unsigned, std::pair<std::string, uint32_t>> filled;
    for (unsigned n = 0; n < table.size(); ++n)
        if (!table[n].name.empty()) filled[n] = {table[n].name.utf8_string(), table[n].id};
    const std::map<unsigned, std::pair<std::string, uint32_t>> expected = {
        {0, {"Speed actual", 48}}, {3, {"Position", 109}}, {15, {"Eight", 8}}, {23, {"Top", 255}}, {255, {"Last", 200}}};
    EXPECT_EQ(filled, expected);
}

TEST(TriggerRegisterId, OnlyEightTo255AreKept) {
    const std::vector<std::pair<const char*, unsigned>> cases = {
        {"8", 8}, {"255", 255}, {"100", 100}, {"7", 0}, {"256", 0}, {"300", 0},
        {"abc", 0}, {"", 0}, {"-9", 0}, {"12a", 0}, {" 12", 0}};
    for (const auto& [text, id] : cases) EXPECT_EQ(parseTriggerRegisterId(text), id) << "'" << text << "'";
}

}  // namespace
}  // namespace torvex
