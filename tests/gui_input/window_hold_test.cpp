// What a person sees and does while a command holds the window: the busy cursor and the
// window's own picture from the start, also when a dialog's button started the command,
// and no click or key made meanwhile reaching a box the command shows afterwards, or
// carried out once the pages of a printout are drawn. Judged as the display server shows
// and delivers them (a connection of the test's own, input through the server's test
// extension).
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <wx/button.h>
#include <wx/cmndata.h>
#include <wx/dialog.h>
#include <wx/gtk/print.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>

#include "link/register_lines.h"
#include "link/registers.h"
#include "frame/drive_status_bar.h"
#include "services/dialogs.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "tests/support/display_server.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/menu_actions.h"
#include "tests/support/sim_fixture.h"

namespace torvex::test {
namespace {

using Clock = std::chrono::steady_clock;

wxPoint centre(const wxRect& r) { return r.GetPosition() + wxPoint(r.width / 2, r.height / 2); }

ScreenPicture part(const ScreenPicture& picture, const wxRect& area) {
    ScreenPicture cut{area, {}};
    const wxRect inside = area.Intersect(picture.area);
    if (inside != area) return cut;
    for (int y = area.y; y < area.GetBottom() + 1; ++y)
        for (int x = area.x; x < area.GetRight() + 1; ++x)
            cut.pixels.push_back(picture.pixels[size_t(y - picture.area.y) * picture.area.width + (x - picture.area.x)]);
    return cut;
}

// Whether clicks or keys wait in the toolkit's queue (everything the server sent up to now
// counted), the queue left as it was.
bool inputQueued() {
    auto find = [](const char* name) { return dlsym(RTLD_DEFAULT, name); };
    auto display = reinterpret_cast<void* (*)()>(find("gdk_display_get_default"))();
    auto sync = reinterpret_cast<void (*)(void*)>(find("gdk_display_sync"));
    auto take = reinterpret_cast<void* (*)(void*)>(find("gdk_display_get_event"));
    auto put = reinterpret_cast<void (*)(void*, const void*)>(find("gdk_display_put_event"));
    auto release = reinterpret_cast<void (*)(void*)>(find("gdk_event_free"));
    auto type = reinterpret_cast<int (*)(const void*)>(find("gdk_event_get_event_type"));
    sync(display);
    std::vector<void*> events;
    while (void* event = take(display)) events.push_back(event);
    bool queued = false;
    for (void* event : events) {
        const int kind = type(event);
        queued = queued || (kind >= 4 && kind <= 9);  // buttons and keys
        put(display, event);
        release(event);
    }
    return queued;
}

// The cursor the server shows once it no longer changes (the toolkit may pass through
// another on the way).
CursorPicture settledCursor(DisplayServer& screen) {
    CursorPicture last = screen.cursor();
    for (int look = 0; look < 20; ++look) {
        pumpFor(50);
        CursorPicture now = screen.cursor();
        if (now == last) break;
        last = now;
    }
    return last;
}

// The cursors to tell apart with the pointer at a place: the plain one and the busy one,
// whose every picture is collected as it runs (the theme's busy cursor turns). Again should
// another program sharing the display move the pointer meanwhile.
struct Cursors {
    CursorPicture plain;
    std::vector<CursorPicture> busy;
    bool isBusy(const CursorPicture& cursor) const { return std::find(busy.begin(), busy.end(), cursor) != busy.end(); }
    bool told() const { return !busy.empty() && !isBusy(plain); }
};

Cursors cursorsAt(DisplayServer& screen, const wxPoint& at) {
    Cursors cursors;
    for (int attempt = 0; attempt < 5 && !cursors.told(); ++attempt) {
        cursors.busy.clear();
        screen.movePointer(at);
        cursors.plain = settledCursor(screen);
        wxBusyCursor waiting;
        pumpFor(150);
        for (auto until = Clock::now() + std::chrono::milliseconds(1200); Clock::now() < until;) {
            const CursorPicture cursor = screen.cursor();
            if (!cursors.isBusy(cursor)) cursors.busy.push_back(cursor);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (screen.pointer() != at) cursors.busy.clear();
    }
    return cursors;
}

class HeldWindowTest : public FrameTest {
protected:
    // The display is shared with the other test programs, whose windows all lie left of
    // this corner: what is clicked here is nobody else's.
    void placeFrame(const wxRect& where = wxRect(1255, 750, 340, 440)) {
        makeFrame();
        frame->SetSize(where);
        frame->Raise();
        pumpFor(300);
    }
};

// A dialog's button clicked with the pointer over it starts a command: while the drive takes
// its time with the first answer, the server shows the busy cursor where the pointer is and
// the frame where the dialog was.
TEST_F(HeldWindowTest, ACommandStartedFromADialogsButtonShowsTheBusyCursorAndNoMoreOfTheDialog) {
    DisplayServer screen;
    ASSERT_TRUE(screen.connected());
    std::string address;
    auto drive = startSimDrive({}, &address);
    ASSERT_TRUE(drive);
    placeFrame();

    const Cursors cursors = cursorsAt(screen, centre(frame->GetScreenRect()));
    ASSERT_TRUE(cursors.told());
    auto isBusy = [&cursors](const CursorPicture& cursor) { return cursors.isBusy(cursor); };
    pumpFor(100);
    // The whole screen: the dialog may reach beyond the small frame.
    const ScreenPicture withoutDialog = screen.picture(wxRect(wxPoint(0, 0), wxGetDisplaySize()));

    // The address dialog shows for real; a person clicks "Connect" once it is on the screen.
    std::mutex seen;
    wxRect dialogArea;
    wxPoint connectAt;
    std::atomic<bool> placed{false};
    recordedDialogs().modalAnswers.push_back([&](wxDialog& dialog) {
        if (auto* field = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("ip_address", &dialog)))
            field->ChangeValue(address);
        // Should the click go astray (another program's window over the dialog), the test
        // fails instead of waiting for it for ever.
        wxTimer astray;
        astray.Bind(wxEVT_TIMER, [&dialog](wxTimerEvent&) { dialog.EndModal(kDialogCancelled); });
        astray.StartOnce(10000);
        dialog.CallAfter([&] {
            std::lock_guard<std::mutex> lock(seen);
            dialogArea = dialog.GetScreenRect();
            connectAt = centre(wxWindow::FindWindowByName("connect", &dialog)->GetScreenRect());
            placed = true;
        });
        return dialog.ShowModal();
    });
    ScreenPicture dialogShown;
    std::thread person([&] {
        DisplayServer hands;
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (!placed && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!placed) return;
        wxRect area;
        wxPoint button;
        {
            std::lock_guard<std::mutex> lock(seen);
            area = dialogArea;
            button = connectAt;
        }
        // Drawn once the dialog's area stops changing and differs from the frame's.
        ScreenPicture last;
        while (Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            dialogShown = hands.picture(area);
            if (differingPixels(dialogShown, part(withoutDialog, area)) > 200 &&
                differingPixels(dialogShown, last) == 0)
                break;
            last = dialogShown;
        }
        hands.movePointer(button);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        hands.click();
    });

    // While the drive holds back its first answer, the command keeps the window's thread.
    std::atomic<bool> looked{false};
    CursorPicture during;
    ScreenPicture uncovered;
    wxPoint pointerAt;
    drive->setReadHook(kRegFirmware, [&](uint32_t stored) {
        if (looked.exchange(true)) return stored;
        DisplayServer eyes;
        std::lock_guard<std::mutex> lock(seen);
        const auto until = Clock::now() + std::chrono::milliseconds(500);
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            during = eyes.cursor();
        } while (!isBusy(during) && Clock::now() < until);
        uncovered = eyes.picture(dialogArea);
        pointerAt = eyes.pointer();
        return stored;
    });
    chooseMenuItem(frame, kIdTcp);
    person.join();
    ASSERT_TRUE(pumpUntil([&] { return frame->connection().isConnected(); }));
    drive->setReadHook(kRegFirmware, nullptr);

    std::lock_guard<std::mutex> lock(seen);
    ASSERT_TRUE(looked.load());
    ASSERT_EQ(recordedDialogs().modalDialogTitles.size(), 1u);
    ASSERT_GT(differingPixels(dialogShown, part(withoutDialog, dialogArea)), 200u) << "the dialog was never seen";
    // Unless another program sharing the display moved the pointer meanwhile.
    if (pointerAt == connectAt) {
        EXPECT_TRUE(isBusy(during)) << "the cursor is not the busy one while the command runs";
    }
    EXPECT_GT(shareLike(uncovered, part(withoutDialog, dialogArea), dialogShown), 0.9)
        << "the closed dialog's picture stays on the screen while the command runs";
}

// Input made while a command holds the window, then a box or dialog of the same command:
// the box comes only after that input was dropped, whatever seam shows it.
class QueueWatchingDialogs : public RecordingDialogs {
public:
    int messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent) override {
        inputBeforeBox.push_back(inputQueued());
        return RecordingDialogs::messageBox(text, caption, style, parent);
    }
    wxString fileSelector(wxWindow* parent, const wxString& message, const wxString& directory,
                          const wxString& fileName, const wxString& wildcard, long style) override {
        inputBeforeBox.push_back(inputQueued());
        return RecordingDialogs::fileSelector(parent, message, directory, fileName, wildcard, style);
    }
    std::vector<bool> inputBeforeBox;
};

TEST_F(HeldWindowTest, InputMadeWhileAHeldCommandRunsAnswersNoBoxItShowsLater) {
    placeFrame();
    const wxPoint inFrame = centre(frame->GetScreenRect());
    const unsigned long frameWindow = serverWindowOf(frame);
    ASSERT_NE(frameWindow, 0u);
    auto person = [&] {
        std::thread([&] {
            DisplayServer hands;
            hands.movePointer(inFrame);
            hands.click();
            hands.pressKey(0xff0d, frameWindow);  // Return
        }).join();
    };
    QueueWatchingDialogs dialogs;
    ui::DialogSeam* previous = ui::setDialogSeam(&dialogs);
    bool queuedInHold = false;
    {
        WindowHold hold;
        person();
        queuedInHold = inputQueued();
        ui::messageBox("Error executing script!", "Error", wxOK | wxICON_ERROR);
        person();
        ui::dialogs().fileSelector(frame, "Load Register File", "", "", "*.vrf", 0);
    }
    ui::setDialogSeam(previous);
    ASSERT_TRUE(queuedInHold) << "the click made during the hold never reached the program";
    EXPECT_EQ(dialogs.inputBeforeBox, (std::vector<bool>{false, false}));
    EXPECT_TRUE(dialogs.sawBox("Error executing script!"));
    EXPECT_EQ(dialogs.fileDialogMessages.size(), 1u);
}

// The toolkit's own print dialog, shown for real. It comes up in this test's corner of the
// display (it is larger than the frame, and would cover other programs' windows anywhere
// else) with "Print to File" as the printer chosen last time; a timer of the window's own
// thread, which the dialog's loop runs, answers it once that printer is selected. The
// toolkit's calls are looked up in the running process.
class PrintDialogHand : public RecordingDialogs {
public:
    PrintDialogHand(const wxPoint& corner, const std::string& file) : corner_(corner), file_(file) {
        // Only the toolkit's own printer to a file: the others look for print servers
        // through the system's message bus, and warn where there is none.
        auto settings = find<void* (*)()>("gtk_settings_get_default");
        auto set = find<void (*)(void*, const char*, ...)>("g_object_set");
        if (!settings || !set) return;
        set(settings(), "gtk-print-backends", "file", nullptr);
        auto lookup = find<unsigned (*)(const char*, unsigned long)>("g_signal_lookup");
        auto widgetType = find<unsigned long (*)()>("gtk_widget_get_type");
        auto addHook = find<unsigned long (*)(unsigned, unsigned, Hook, void*, void*)>("g_signal_add_emission_hook");
        if (!lookup || !widgetType || !addHook || !valueObject_ || !typeName_ || !move_ || !selectedPrinter_ ||
            !respond_ || !setSetting_)
            return;
        showSignal_ = lookup("show", widgetType());
        hook_ = addHook(showSignal_, 0, &PrintDialogHand::shown, this, nullptr);
        previous_ = ui::setDialogSeam(this);
    }
    ~PrintDialogHand() override {
        if (!hook_) return;
        ui::setDialogSeam(previous_);
        if (auto remove = find<void (*)(unsigned, unsigned long)>("g_signal_remove_emission_hook"))
            remove(showSignal_, hook_);
    }
    bool ready() const { return hook_ != 0; }

    bool print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data, bool* printError) override {
        ++printCalls;
        wxPrintData& chosen = data.GetPrintData();
        chosen.SetPrinterName("Print to File");
        // The file printed to goes with the toolkit's own settings: the library does not hand
        // its print data's file name on.
        chosen.ConvertToNative();
        setSetting_(static_cast<wxGtkPrintNativeData*>(chosen.GetNativeData())->GetPrintConfig(), "output-uri",
                    ("file://" + file_).c_str());
        return ui::DialogSeam::print(parent, printout, data, printError);
    }

    // Whether the dialog shows with its printer selected, drawn by then (the printers take
    // their time to be listed).
    bool selected() const {
        return dialog_ && Clock::now() - shownAt_ > std::chrono::milliseconds(300) && selectedPrinter_(dialog_);
    }
    // Print or Cancel, as its buttons answer.
    void answer(bool print) {
        constexpr int kPrint = -5, kCancel = -6;
        if (void* dialog = std::exchange(dialog_, nullptr)) respond_(dialog, print ? kPrint : kCancel);
    }

private:
    using Hook = int (*)(void*, unsigned, const void*, void*);
    template <typename Call>
    static Call find(const char* name) {
        return reinterpret_cast<Call>(dlsym(RTLD_DEFAULT, name));
    }
    // Runs before the dialog is mapped, so it shows where it is placed.
    static int shown(void*, unsigned, const void* values, void* self) {
        auto* hand = static_cast<PrintDialogHand*>(self);
        void* widget = hand->valueObject_(values);
        const char* type = widget ? hand->typeName_(widget) : nullptr;
        if (type && std::string(type) == "GtkPrintUnixDialog") {
            hand->move_(widget, hand->corner_.x, hand->corner_.y);
            hand->dialog_ = widget;
            hand->shownAt_ = Clock::now();
        }
        return 1;  // stays installed
    }

    wxPoint corner_;
    std::string file_;
    ui::DialogSeam* previous_ = nullptr;
    unsigned showSignal_ = 0;
    unsigned long hook_ = 0;
    void* dialog_ = nullptr;
    Clock::time_point shownAt_;
    void* (*valueObject_)(const void*) = find<void* (*)(const void*)>("g_value_get_object");
    const char* (*typeName_)(void*) = find<const char* (*)(void*)>("g_type_name_from_instance");
    void (*move_)(void*, int, int) = find<void (*)(void*, int, int)>("gtk_window_move");
    void* (*selectedPrinter_)(void*) = find<void* (*)(void*)>("gtk_print_unix_dialog_get_selected_printer");
    void (*respond_)(void*, int) = find<void (*)(void*, int)>("gtk_dialog_response");
    void (*setSetting_)(void*, const char*, const char*) =
        find<void (*)(void*, const char*, const char*)>("gtk_print_settings_set");
};

// Printing every register over a slow link: the print dialog takes input as ever; from the
// moment it closes with Print until the last page is drawn (the pages read every register
// again), the window shows the busy cursor and itself where the dialog was, and drops a click
// and a key made meanwhile instead of carrying them out once the printout is done.
// Cancelling the dialog leaves nothing held.
TEST_F(HeldWindowTest, PrintingTheRegistersHoldsTheWindowUntilTheLastPageIsDrawn) {
    constexpr uint32_t kRegErrorCancel = 0x8E;  // written by the status panel's "Clear errors"
    DisplayServer screen;
    ASSERT_TRUE(screen.connected());
    std::string address;
    auto drive = startSimDrive({}, &address);
    ASSERT_TRUE(drive);
    // Above the other cases of this program, high enough to show "Clear errors".
    placeFrame(wxRect(1255, 0, 345, 745));
    frame->connection().setIpAddress(address);
    frame->goOnline("TCP");
    ASSERT_TRUE(frame->connection().isConnected());
    const wxRect frameArea = frame->GetScreenRect();
    const wxPoint inFrame = centre(frameArea);
    wxButton* clearErrors = frame->driveStatusBar()->clearErrorsButton();
    const wxPoint clearAt = centre(clearErrors->GetScreenRect());
    ASSERT_TRUE(frameArea.Contains(clearAt));
    const unsigned long frameWindow = serverWindowOf(frame);
    ASSERT_NE(frameWindow, 0u);
    constexpr unsigned long kSpace = 0x20;
    auto cleared = [&] {
        int count = 0;
        for (const auto& received : drive->frames()) count += !received.isRead && received.reg == kRegErrorCancel;
        return count;
    };

    // A click on "Clear errors" clears them; so does Space while it has the focus, unless
    // another test program sharing the display holds its keyboard: then only the click is
    // judged.
    screen.movePointer(clearAt);
    screen.click();
    ASSERT_TRUE(pumpUntil([&] { return cleared() == 1; })) << "the click does not reach the button";
    clearErrors->SetFocus();
    screen.pressKey(kSpace, frameWindow);
    const bool keysArrive = pumpUntil([&] { return cleared() == 2; }, 1000);
    auto clickLands = [&](const char* lost) {
        const int before = cleared();
        screen.movePointer(clearAt);
        screen.click();
        EXPECT_TRUE(pumpUntil([&] { return cleared() == before + 1; })) << lost;
    };
    const Cursors cursors = cursorsAt(screen, inFrame);
    ASSERT_TRUE(cursors.told());
    const ScreenPicture withoutDialog = screen.picture(frameArea);

    // The first page reads the first listed register: from then on, the timer runs only
    // between two pages.
    uint32_t firstListed = 0;
    while (!isListedRegister(firstListed)) ++firstListed;
    std::atomic<bool> pagesBegun{false};
    const std::string printed = home + "/registers.pdf";
    PrintDialogHand hand(frameArea.GetPosition(), printed);
    ASSERT_TRUE(hand.ready());
    bool printing = false, answered = false, inputMade = false;
    ScreenPicture dialogShown, uncovered;
    CursorPicture overDialog, during;
    wxTimer person;
    person.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (!answered) {
            if (!hand.selected()) return;
            dialogShown = screen.picture(frameArea);
            screen.movePointer(inFrame);
            overDialog = screen.cursor();
            if (printing) drive->setReadHook(firstListed, [&](uint32_t stored) {
                pagesBegun = true;
                return stored;
            });
            answered = true;
            hand.answer(printing);
            return;
        }
        if (!pagesBegun || inputMade) return;
        during = screen.cursor();
        uncovered = screen.picture(frameArea);
        screen.movePointer(clearAt);
        screen.click();
        if (keysArrive) screen.pressKey(kSpace, frameWindow);
        screen.movePointer(inFrame);
        inputMade = true;
    });
    person.Start(20);
    // Should the dialog never be answered, the test fails instead of waiting for ever.
    wxTimer astray;
    astray.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { hand.answer(false); });

    drive->clearFrames();
    astray.StartOnce(15000);
    chooseMenuItem(frame, kIdPrintRegisters);
    EXPECT_TRUE(answered) << "the print dialog never came up";
    EXPECT_FALSE(cursors.isBusy(overDialog)) << "the print dialog shows the busy cursor";
    EXPECT_FALSE(wxIsBusy()) << "cancelled, and still busy";
    clickLands("a click after the cancelled print is lost");

    // Every read answered late enough that a page takes a good part of a second.
    drive->setReplyDelay(5);
    printing = true;
    answered = false;
    drive->clearFrames();
    clearErrors->SetFocus();
    astray.StartOnce(30000);
    chooseMenuItem(frame, kIdPrintRegisters);
    person.Stop();
    drive->setReadHook(firstListed, nullptr);
    drive->setReplyDelay(0);
    pumpFor(300);
    EXPECT_EQ(hand.printCalls, 2);
    EXPECT_TRUE(std::filesystem::exists(printed));
    EXPECT_TRUE(hand.boxes.empty()) << hand.boxes.front().text;
    ASSERT_TRUE(inputMade) << "the pages were never drawn";
    EXPECT_TRUE(cursors.isBusy(during)) << "the cursor is not the busy one while the pages are drawn";
    EXPECT_GT(shareLike(uncovered, withoutDialog, dialogShown), 0.9)
        << "the closed print dialog's picture stays on the screen while the pages are drawn";
    EXPECT_EQ(cleared(), 0) << "input made while the pages were drawn was carried out";
    EXPECT_FALSE(wxIsBusy());
    clickLands("a click after the printout is lost");
}

}  // namespace
}  // namespace torvex::test
