// The flashing status line and the program events crossing threads.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <wx/frame.h>

#include "widgets/events.h"
#include "tests/support/recording_dialogs.h"
#include "widgets/flashing_status_bar.h"

namespace torvex::test {
namespace {

class StatusFrame : public wxFrame {
public:
    StatusFrame() : wxFrame(nullptr, wxID_ANY, "status") {}
    wxStatusBar* OnCreateStatusBar(int number, long style, wxWindowID id, const wxString& name) override {
        auto* bar = new FlashingStatusBar(this, id, style, name);
        bar->SetFieldsCount(number);
        return bar;
    }
};

struct StatusLine {
    StatusLine() {
        frame = new StatusFrame;
        frame->CreateStatusBar(3, wxSTB_SIZEGRIP, 0, "status_line");
        bar = dynamic_cast<FlashingStatusBar*>(frame->GetStatusBar());
        frame->Show();
    }
    ~StatusLine() {
        frame->Destroy();
        pumpFor(10);
    }
    std::vector<wxString> shown() const { return {bar->shownField(0), bar->shownField(1), bar->shownField(2)}; }
    StatusFrame* frame;
    FlashingStatusBar* bar;
};

TEST(FlashingStatusBarTest, FieldsBlinkTogetherAndComeBack) {
    StatusLine line;
    ASSERT_NE(line.bar, nullptr);
    line.bar->setStatusField("A", 0);
    line.bar->setStatusField("B", 1);
    line.bar->setStatusField("C", 2);
    using Texts = std::vector<wxString>;
    EXPECT_EQ(line.shown(), (Texts{"A", "B", "C"}));

    line.bar->startFlashing(40);
    EXPECT_TRUE(line.bar->isFlashing());
    EXPECT_EQ(line.bar->flashPeriod(), 40);
    line.bar->startFlashing(500);
    EXPECT_EQ(line.bar->flashPeriod(), 40) << "a running blink is left alone";

    ASSERT_TRUE(pumpUntil([&] { return line.shown() == Texts{"", "", ""}; }, 2000));
    // A text set in the blank phase shows at once and is blanked at the next tick.
    line.bar->setStatusField("D", 2);
    EXPECT_EQ(line.shown(), (Texts{"", "", "D"}));
    ASSERT_TRUE(pumpUntil([&] { return line.shown() != Texts{"", "", "D"}; }, 2000));
    EXPECT_EQ(line.shown(), (Texts{"", "", ""})) << "the next tick blanks it";
    ASSERT_TRUE(pumpUntil([&] { return line.shown() == Texts{"A", "B", "D"}; }, 2000));
    ASSERT_TRUE(pumpUntil([&] { return line.shown() == Texts{"", "", ""}; }, 2000));

    line.bar->stopFlashing();
    EXPECT_FALSE(line.bar->isFlashing());
    EXPECT_EQ(line.shown(), (Texts{"A", "B", "D"}));
    pumpFor(120);
    EXPECT_EQ(line.shown(), (Texts{"A", "B", "D"})) << "no blinking after the stop";
}

TEST(FlashingStatusBarTest, LibraryTextsNeverShow) {
    StatusLine line;
    line.bar->setStatusField("Drive is offline.", 0);
    line.bar->SetStatusText("a menu help text", 0);
    line.frame->SetStatusText("another help text", 0);
    EXPECT_EQ(line.bar->shownField(0), "Drive is offline.");
    EXPECT_EQ(line.bar->statusField(0), "Drive is offline.");
}

TEST(FlashingStatusBarTest, FieldsBeyondTwelveAreShownNotRemembered) {
    StatusLine line;
    line.bar->SetFieldsCount(14);
    line.bar->setStatusField("thirteen", 13);
    EXPECT_EQ(line.bar->shownField(13), "thirteen");
    EXPECT_EQ(line.bar->statusField(13), "");
    line.bar->setStatusField("eleven", 11);
    EXPECT_EQ(line.bar->statusField(11), "eleven");
}

// While offline the line blinks three times a second for as long as the program runs: a
// blink repaints where the old and the new text stand, not whole fields or the whole line.
TEST(FlashingStatusBarTest, ABlinkRepaintsOnlyWhereTheTextsStand) {
    class RecordingBar : public FlashingStatusBar {
    public:
        using FlashingStatusBar::FlashingStatusBar;
        void Refresh(bool eraseBackground, const wxRect* rect) override {
            refreshed.push_back(rect ? *rect : wxRect(GetClientSize()));
            FlashingStatusBar::Refresh(eraseBackground, rect);
        }
        std::vector<wxRect> refreshed;
    };
    class RecordingFrame : public wxFrame {
    public:
        RecordingFrame() : wxFrame(nullptr, wxID_ANY, "status", wxDefaultPosition, wxSize(900, 200)) {}
        wxStatusBar* OnCreateStatusBar(int number, long style, wxWindowID id, const wxString& name) override {
            bar = new RecordingBar(this, id, style, name);
            bar->SetFieldsCount(number);
            return bar;
        }
        RecordingBar* bar = nullptr;
    };
    auto* frame = new RecordingFrame;
    frame->CreateStatusBar(3, wxSTB_SIZEGRIP, 0, "status_line");
    RecordingBar* bar = frame->bar;
    ASSERT_NE(bar, nullptr);
    frame->Show();
    bar->setStatusField("Off", 0);
    bar->setStatusField("Firmware: -", 1);
    pumpFor(50);
    bar->refreshed.clear();

    bar->startFlashing(30);
    ASSERT_TRUE(pumpUntil([&] { return bar->shownField(0).empty(); }, 2000));
    ASSERT_TRUE(pumpUntil([&] { return bar->shownField(0) == "Off"; }, 2000));
    bar->stopFlashing();
    ASSERT_FALSE(bar->refreshed.empty());
    wxRect field0, field1;
    ASSERT_TRUE(bar->GetFieldRect(0, field0));
    ASSERT_TRUE(bar->GetFieldRect(1, field1));
    const int widest = std::max(bar->GetTextExtent("Off").x, bar->GetTextExtent("Firmware: -").x) + 4;
    for (const wxRect& rect : bar->refreshed) {
        EXPECT_TRUE(field0.Contains(rect) || field1.Contains(rect)) << rect.x << "," << rect.width;
        EXPECT_LE(rect.width, widest) << "field at " << rect.x;
    }
    frame->Destroy();
    pumpFor(10);
}

class Receiver : public wxEvtHandler {
public:
    Receiver() { Bind(RegisterListLineEvent, &Receiver::onLine, this); }
    void onLine(wxCommandEvent& event) { lines.emplace_back(event.GetInt(), event.GetString()); }
    std::vector<std::pair<int, wxString>> lines;
};

TEST(ProgramEventsTest, TextsPostedFromManyThreadsArriveIntact) {
    Receiver receiver;
    constexpr int kThreads = 4, kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&receiver, t] {
            // One string reused for every post: the events must not share its buffer.
            wxString text;
            for (int i = 0; i < kEach; ++i) {
                text = std::wstring(L"thread ") + std::to_wstring(t) + L" line " + std::to_wstring(i) + L" \u00e4\u00f6\u00fc";
                postProgramEvent(&receiver, RegisterListLineEvent, t * kEach + i, text);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(pumpUntil([&] { return receiver.lines.size() == kThreads * kEach; }, 5000));
    std::vector<int> nextOfThread(kThreads, 0);
    for (const auto& [value, text] : receiver.lines) {
        int t = value / kEach, i = value % kEach;
        EXPECT_EQ(i, nextOfThread[t]++) << "posted events of one thread keep their order";
        EXPECT_EQ(text, wxString(std::wstring(L"thread ") + std::to_wstring(t) + L" line " + std::to_wstring(i) +
                                 L" \u00e4\u00f6\u00fc"));
    }
}

// A polling step's values reach the GUI thread together, in their order, and none is held
// longer than the burst or the hold time.
TEST(ProgramEventsTest, ABurstHandsItsPostsOverTogether) {
    Receiver receiver;
    std::mutex mutex;
    std::condition_variable changed;
    int stage = 0;  // worker: 1 posted and holding; main: 2 looked; worker: 3 done
    auto waitFor = [&](int wanted) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stage >= wanted; });
    };
    auto reach = [&](int next) {
        std::lock_guard<std::mutex> lock(mutex);
        stage = next;
        changed.notify_all();
    };

    std::thread worker([&] {
        {
            PostBurst burst;
            {
                PostBurst inner;  // a nested burst hands nothing over by itself
                postProgramEvent(&receiver, RegisterListLineEvent, 1, "one");
                queueProgramEvent(&receiver, newProgramEvent(RegisterListLineEvent, 2, "two"));
            }
            postProgramEvent(&receiver, RegisterListLineEvent, 3, "three");
            reach(1);
            waitFor(2);
        }
        reach(3);
    });
    waitFor(1);
    pumpFor(50);
    EXPECT_TRUE(receiver.lines.empty()) << "held while the burst is open";
    reach(2);
    waitFor(3);
    worker.join();
    ASSERT_TRUE(pumpUntil([&] { return receiver.lines.size() == 3; }, 2000));
    EXPECT_EQ(receiver.lines[0], (std::pair<int, wxString>{1, "one"}));
    EXPECT_EQ(receiver.lines[1], (std::pair<int, wxString>{2, "two"}));
    EXPECT_EQ(receiver.lines[2], (std::pair<int, wxString>{3, "three"}));

    // A post that finds the oldest one held for the hold time hands everything over.
    receiver.lines.clear();
    stage = 0;
    std::thread slow([&] {
        {
            PostBurst burst;
            postProgramEvent(&receiver, RegisterListLineEvent, 4, "early");
            std::this_thread::sleep_for(std::chrono::milliseconds(PostBurst::kHoldMs + 5));
            postProgramEvent(&receiver, RegisterListLineEvent, 5, "late");
            reach(1);
            waitFor(2);
        }
        reach(3);
    });
    waitFor(1);
    EXPECT_TRUE(pumpUntil([&] { return receiver.lines.size() == 2; }, 2000)) << "handed over with the burst still open";
    reach(2);
    slow.join();

    // Without a burst, and on the GUI thread, a post goes at once.
    receiver.lines.clear();
    postProgramEvent(&receiver, RegisterListLineEvent, 6, "now");
    EXPECT_TRUE(pumpUntil([&] { return receiver.lines.size() == 1; }, 2000));
    queueProgramEvent(nullptr, newProgramEvent(RegisterListLineEvent, 7, "nobody"));  // taken and dropped
}

TEST(ProgramEventsTest, ProgramEventsCarryIdZeroAndTheirPayload) {
    std::unique_ptr<wxCommandEvent> event(newProgramEvent(ErrorWordEvent, 0x10000, "3"));
    EXPECT_EQ(event->GetId(), 0);
    EXPECT_EQ(event->GetEventType(), ErrorWordEvent);
    EXPECT_EQ(event->GetInt(), 0x10000);
    EXPECT_EQ(event->GetString(), "3");
    postProgramEvent(nullptr, ErrorWordEvent, 1, "nobody");  // no target: nothing happens
}

}  // namespace
}  // namespace torvex::test
