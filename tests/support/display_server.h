// A connection of a test's own to the display server, usable from any one thread (it never
// touches the toolkit): what the server shows (the pointer's cursor, the pixels on the
// screen) and input as a person makes it (pointer, buttons, keys).
#pragma once

#include <wx/gdicmn.h>

class wxWindow;

#include <cstdint>
#include <vector>

namespace torvex::test {

struct CursorPicture {
    int width = 0, height = 0, hotX = 0, hotY = 0;
    std::vector<uint32_t> pixels;
    bool operator==(const CursorPicture&) const = default;
};

struct ScreenPicture {
    wxRect area;
    std::vector<uint32_t> pixels;
};

class DisplayServer {
public:
    DisplayServer();
    ~DisplayServer();
    DisplayServer(const DisplayServer&) = delete;
    DisplayServer& operator=(const DisplayServer&) = delete;

    bool connected() const { return display_ != nullptr; }

    CursorPicture cursor();
    ScreenPicture picture(const wxRect& area);
    wxPoint pointer();

    // Each waits until the server has taken it.
    void movePointer(const wxPoint& to);
    void click();
    // A key by its symbol on the server (e.g. 0xff0d Return), typed into the server's window
    // `into` (made the keyboard's focus just before).
    void pressKey(unsigned long keysym, unsigned long into);

private:
    void* display_ = nullptr;
};

// The server's own number of a shown window, for pressKey; 0 where the toolkit cannot tell.
// Asks the toolkit: only on the window's own thread.
unsigned long serverWindowOf(wxWindow* window);

// Of the pixels in which pictures a and b (of one area) differ, the share in which picture
// shows a (0 to 1); -1 when a and b do not differ.
double shareLike(const ScreenPicture& picture, const ScreenPicture& a, const ScreenPicture& b);
// The number of pixels that differ between two pictures of the same area.
size_t differingPixels(const ScreenPicture& a, const ScreenPicture& b);

}  // namespace torvex::test
