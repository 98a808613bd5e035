#include "tests/support/display_server.h"

#include <dlfcn.h>

#include <algorithm>

#include <wx/window.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

namespace torvex::test {

namespace {

// The client libraries are loaded by the toolkit; the test programs do not link them, so
// their calls are looked up.
struct Xlib {
    static const Xlib& get() {
        static const Xlib lib;
        return lib;
    }
    template <typename Call>
    static Call find(void* library, const char* name) {
        return library ? reinterpret_cast<Call>(dlsym(library, name)) : nullptr;
    }

    void* x11 = dlopen("libX11.so.6", RTLD_NOW);
    void* fixes = dlopen("libXfixes.so.3", RTLD_NOW);
    void* xtest = dlopen("libXtst.so.6", RTLD_NOW);
    decltype(&XOpenDisplay) open = find<decltype(&XOpenDisplay)>(x11, "XOpenDisplay");
    decltype(&XCloseDisplay) close = find<decltype(&XCloseDisplay)>(x11, "XCloseDisplay");
    decltype(&XSync) sync = find<decltype(&XSync)>(x11, "XSync");
    decltype(&XFree) free = find<decltype(&XFree)>(x11, "XFree");
    decltype(&XGetImage) getImage = find<decltype(&XGetImage)>(x11, "XGetImage");
    decltype(&XQueryPointer) queryPointer = find<decltype(&XQueryPointer)>(x11, "XQueryPointer");
    decltype(&XSetInputFocus) setFocus = find<decltype(&XSetInputFocus)>(x11, "XSetInputFocus");
    decltype(&XKeysymToKeycode) keycode = find<decltype(&XKeysymToKeycode)>(x11, "XKeysymToKeycode");
    decltype(&XFixesGetCursorImage) cursorImage =
        find<decltype(&XFixesGetCursorImage)>(fixes, "XFixesGetCursorImage");
    using FakeMotion = int (*)(Display*, int, int, int, unsigned long);
    using FakeButtonOrKey = int (*)(Display*, unsigned int, int, unsigned long);
    FakeMotion fakeMotion = find<FakeMotion>(xtest, "XTestFakeMotionEvent");
    FakeButtonOrKey fakeButton = find<FakeButtonOrKey>(xtest, "XTestFakeButtonEvent");
    FakeButtonOrKey fakeKey = find<FakeButtonOrKey>(xtest, "XTestFakeKeyEvent");

    bool complete() const {
        return open && close && sync && free && getImage && queryPointer && setFocus && keycode && cursorImage &&
               fakeMotion && fakeButton && fakeKey;
    }
};

Display* x(void* display) { return static_cast<Display*>(display); }

}  // namespace

DisplayServer::DisplayServer() {
    if (Xlib::get().complete()) display_ = Xlib::get().open(nullptr);
}

DisplayServer::~DisplayServer() {
    if (display_) Xlib::get().close(x(display_));
}

CursorPicture DisplayServer::cursor() {
    CursorPicture picture;
    if (!display_) return picture;
    XFixesCursorImage* image = Xlib::get().cursorImage(x(display_));
    if (!image) return picture;
    picture.width = image->width;
    picture.height = image->height;
    picture.hotX = image->xhot;
    picture.hotY = image->yhot;
    for (size_t i = 0; i < size_t(image->width) * image->height; ++i)
        picture.pixels.push_back(static_cast<uint32_t>(image->pixels[i]));
    Xlib::get().free(image);
    return picture;
}

ScreenPicture DisplayServer::picture(const wxRect& area) {
    ScreenPicture picture{area, {}};
    if (!display_) return picture;
    XImage* image = Xlib::get().getImage(x(display_), DefaultRootWindow(x(display_)), area.x, area.y,
                                         area.width, area.height, AllPlanes, ZPixmap);
    if (!image) return picture;
    for (int row = 0; row < area.height; ++row)
        for (int column = 0; column < area.width; ++column)
            picture.pixels.push_back(static_cast<uint32_t>(XGetPixel(image, column, row)));
    XDestroyImage(image);
    return picture;
}

wxPoint DisplayServer::pointer() {
    if (!display_) return wxDefaultPosition;
    Window root, child;
    int rootX = 0, rootY = 0, windowX, windowY;
    unsigned int mask;
    Xlib::get().queryPointer(x(display_), DefaultRootWindow(x(display_)), &root, &child, &rootX, &rootY, &windowX,
                             &windowY, &mask);
    return {rootX, rootY};
}

void DisplayServer::movePointer(const wxPoint& to) {
    if (!display_) return;
    Xlib::get().fakeMotion(x(display_), -1, to.x, to.y, CurrentTime);
    Xlib::get().sync(x(display_), False);
}

void DisplayServer::click() {
    if (!display_) return;
    Xlib::get().fakeButton(x(display_), 1, True, CurrentTime);
    Xlib::get().fakeButton(x(display_), 1, False, CurrentTime);
    Xlib::get().sync(x(display_), False);
}

void DisplayServer::pressKey(unsigned long keysym, unsigned long into) {
    if (!display_) return;
    // Other programs sharing the display take the focus for their own windows: the key goes
    // where it is meant to, not to whichever of them had the keyboard last.
    Xlib::get().setFocus(x(display_), into, RevertToPointerRoot, CurrentTime);
    const KeyCode code = Xlib::get().keycode(x(display_), keysym);
    Xlib::get().fakeKey(x(display_), code, True, CurrentTime);
    Xlib::get().fakeKey(x(display_), code, False, CurrentTime);
    Xlib::get().sync(x(display_), False);
}

unsigned long serverWindowOf(wxWindow* window) {
    auto windowOf = reinterpret_cast<void* (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_widget_get_window"));
    auto number = reinterpret_cast<unsigned long (*)(void*)>(dlsym(RTLD_DEFAULT, "gdk_x11_window_get_xid"));
    void* shown = windowOf && window && window->GetHandle() ? windowOf(window->GetHandle()) : nullptr;
    return shown && number ? number(shown) : 0;
}

double shareLike(const ScreenPicture& picture, const ScreenPicture& a, const ScreenPicture& b) {
    size_t differing = 0, likeA = 0;
    const size_t count = std::min({picture.pixels.size(), a.pixels.size(), b.pixels.size()});
    for (size_t i = 0; i < count; ++i) {
        if (a.pixels[i] == b.pixels[i]) continue;
        ++differing;
        if (picture.pixels[i] == a.pixels[i]) ++likeA;
    }
    return differing ? double(likeA) / double(differing) : -1.0;
}

size_t differingPixels(const ScreenPicture& a, const ScreenPicture& b) {
    size_t count = 0;
    for (size_t i = 0; i < std::min(a.pixels.size(), b.pixels.size()); ++i)
        if (a.pixels[i] != b.pixels[i]) ++count;
    return count;
}

}  // namespace torvex::test
