// What a person sees and does while a command holds the window: the busy cursor and the
// window's own picture from the start, also when a dialog's button started the command,
// and no click or key made meanwhile reaching a box the command shows afterwards. Judged
// as the display server shows and delivers them (a connection of the test's own, input
// through the server's test extension).
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "link/registers.h"
#include "services/dialogs.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "tests/gui_frame/display_server.h"
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

class HeldWindowTest : public FrameTest {
protected:
    // The display is shared with the other test programs, whose windows all lie left of
    // this corner: what is clicked here is nobody else's.
    void placeFrame() {
        makeFrame();
        frame->SetSize(wxRect(1255, 750, 340, 440));
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

    // The cursors to tell apart, with the pointer over the frame: the plain one and the busy
    // one, whose every picture is collected as it runs (the theme's busy cursor turns). Again
    // should another program sharing the display move the pointer meanwhile.
    const wxPoint inFrame = centre(frame->GetScreenRect());
    CursorPicture plain;
    std::vector<CursorPicture> busy;
    auto isBusy = [&busy](const CursorPicture& cursor) {
        return std::find(busy.begin(), busy.end(), cursor) != busy.end();
    };
    for (int attempt = 0; attempt < 5 && (busy.empty() || isBusy(plain)); ++attempt) {
        busy.clear();
        screen.movePointer(inFrame);
        plain = settledCursor(screen);
        wxBusyCursor waiting;
        pumpFor(150);
        for (auto until = Clock::now() + std::chrono::milliseconds(1200); Clock::now() < until;) {
            const CursorPicture cursor = screen.cursor();
            if (!isBusy(cursor)) busy.push_back(cursor);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (screen.pointer() != inFrame) busy.clear();
    }
    ASSERT_FALSE(busy.empty() || isBusy(plain));
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
    auto windowOf = reinterpret_cast<void* (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_widget_get_window"));
    auto serverWindow = reinterpret_cast<unsigned long (*)(void*)>(dlsym(RTLD_DEFAULT, "gdk_x11_window_get_xid"));
    ASSERT_TRUE(windowOf && serverWindow);
    const unsigned long frameWindow = serverWindow(windowOf(frame->GetHandle()));
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

}  // namespace
}  // namespace torvex::test
