// The real program, started as a user would under the test's X display: it must show its
// window (asking for the language only on a first start), close on the window manager's
// request with exit code 0, and leave its configuration file behind.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/gui_app/temp_home.h"

// After the test library: Xlib defines macros (None, Bool, Status) that clash with it.
#include <X11/Xlib.h>

extern char** environ;

namespace torvex::test {
namespace {

// Xlib through the loader, so the tests need no link flags of their own.
class X11 {
public:
    X11() {
        lib_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!lib_) return;
        load(openDisplay_, "XOpenDisplay");
        load(closeDisplay_, "XCloseDisplay");
        load(rootWindow_, "XDefaultRootWindow");
        load(queryTree_, "XQueryTree");
        load(fetchName_, "XFetchName");
        load(free_, "XFree");
        load(attributes_, "XGetWindowAttributes");
        load(internAtom_, "XInternAtom");
        load(sendEvent_, "XSendEvent");
        load(flush_, "XFlush");
        load(getProperty_, "XGetWindowProperty");
        if (ok_) display_ = openDisplay_(nullptr);
    }
    ~X11() {
        if (display_) closeDisplay_(display_);
        if (lib_) dlclose(lib_);
    }
    bool usable() const { return ok_ && display_; }

    // A mapped top-level window of process pid with this title, or 0. Tests run side by
    // side on one display, so the title alone could name another test's window.
    Window findShown(const std::string& title, pid_t pid) {
        Window root = rootWindow_(display_);
        return search(root, title, pid, 2);
    }

    // What a window manager sends when the user clicks the close button.
    void requestClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = internAtom_(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(internAtom_(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        sendEvent_(display_, window, False, NoEventMask, &event);
        flush_(display_);
    }

private:
    template <typename F>
    void load(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(lib_, name));
        if (!function) ok_ = false;
    }

    long windowPid(Window window) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        long pid = -1;
        if (getProperty_(display_, window, internAtom_(display_, "_NET_WM_PID", False), 0, 1, False,
                         6 /* XA_CARDINAL */, &type, &format, &count, &after, &data) == Success &&
            data && format == 32 && count == 1)
            pid = *reinterpret_cast<long*>(data);
        if (data) free_(data);
        return pid;
    }

    Window search(Window parent, const std::string& title, pid_t pid, int depth) {
        Window rootReturn = 0, parentReturn = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!queryTree_(display_, parent, &rootReturn, &parentReturn, &children, &count)) return 0;
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (fetchName_(display_, children[i], &name) && name) {
                XWindowAttributes attributes{};
                if (title == name && windowPid(children[i]) == pid &&
                    attributes_(display_, children[i], &attributes) && attributes.map_state == IsViewable)
                    found = children[i];
                free_(name);
            }
            if (!found && depth > 1) found = search(children[i], title, pid, depth - 1);
        }
        if (children) free_(children);
        return found;
    }

    void* lib_ = nullptr;
    bool ok_ = true;
    Display* display_ = nullptr;
    Display* (*openDisplay_)(const char*) = nullptr;
    int (*closeDisplay_)(Display*) = nullptr;
    Window (*rootWindow_)(Display*) = nullptr;
    Status (*queryTree_)(Display*, Window, Window*, Window*, Window**, unsigned*) = nullptr;
    Status (*fetchName_)(Display*, Window, char**) = nullptr;
    int (*free_)(void*) = nullptr;
    Status (*attributes_)(Display*, Window, XWindowAttributes*) = nullptr;
    Atom (*internAtom_)(Display*, const char*, Bool) = nullptr;
    Status (*sendEvent_)(Display*, Window, Bool, long, XEvent*) = nullptr;
    int (*flush_)(Display*) = nullptr;
    int (*getProperty_)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*, unsigned long*,
                        unsigned char**) = nullptr;
};

class BinaryTest : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        if (!x_.usable()) GTEST_SKIP() << "no X display";
    }

    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        TempHome::TearDown();
    }

    // Starts the program with the temporary home folder as HOME and working directory.
    void start() {
        std::string program = std::string(TORVEX_BINARY_DIR) + "/torvex";
        ASSERT_EQ(access(program.c_str(), X_OK), 0) << program;
        std::string homeVar = "HOME=" + home_.string();
        std::vector<char*> env;
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("HOME=", 0) != 0) env.push_back(*e);
        env.push_back(homeVar.data());
        env.push_back(nullptr);
        std::string errors = (home_ / "stderr.txt").string();
        std::string folder = home_.string();
        char* argv[] = {program.data(), nullptr};
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) dup2(fd, 2);
            if (chdir(folder.c_str()) != 0) _exit(127);
            execve(program.c_str(), argv, env.data());
            _exit(127);
        }
    }

    // Waits for a shown window with this title; fails if the program ends first.
    Window waitForWindow(const std::string& title, int seconds = 40) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Window w = x_.findShown(title, pid_)) return w;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                ADD_FAILURE() << "the program ended before showing \"" << title << "\"; stderr:\n" << stderrText();
                return 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ADD_FAILURE() << "no window \"" << title << "\"; stderr:\n" << stderrText();
        return 0;
    }

    // The exit code, or -1 when it did not end in time (it is then killed).
    int waitForExit(int seconds = 30) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

    std::string stderrText() const {
        std::ifstream in(home_ / "stderr.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void expectCleanStderr() const {
        std::string text = stderrText();
        EXPECT_EQ(text.find("Gtk-WARNING"), std::string::npos) << text;
        EXPECT_EQ(text.find("Gtk-CRITICAL"), std::string::npos) << text;
    }

    X11 x_;
    pid_t pid_ = 0;
};

TEST_F(BinaryTest, ConfiguredStartShowsTheMainWindowAndClosesCleanly) {
    writeConfigFile("Language=3\nBaudrate=115200\n");
    start();
    Window main = waitForWindow("Torvex V2.0beta43tcp");
    ASSERT_NE(main, 0u);
    EXPECT_EQ(x_.findShown("Language for Torvex", pid_), 0u);
    x_.requestClose(main);
    EXPECT_EQ(waitForExit(), 0) << stderrText();
    auto entries = configEntries();
    EXPECT_EQ(entries["Language"], "3");
    EXPECT_EQ(entries["Baudrate"], "115200");
    expectCleanStderr();
}

TEST_F(BinaryTest, FirstStartAsksForTheLanguageBeforeTheMainWindow) {
    start();
    Window dialog = waitForWindow("Language for Torvex");
    ASSERT_NE(dialog, 0u);
    EXPECT_EQ(x_.findShown("Torvex V2.0beta43tcp", pid_), 0u);
    // Closing the dialog cancels the choice: the system language, remembered as "0".
    x_.requestClose(dialog);
    Window main = waitForWindow("Torvex V2.0beta43tcp");
    ASSERT_NE(main, 0u);
    EXPECT_EQ(configEntries()["Language"], "0");
    x_.requestClose(main);
    EXPECT_EQ(waitForExit(), 0) << stderrText();
    expectCleanStderr();
}

}  // namespace
}  // namespace torvex::test
