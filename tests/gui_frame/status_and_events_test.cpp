// The flashing status line and the program events crossing threads.
#include <gtest/gtest.h>

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
