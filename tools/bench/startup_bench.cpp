// Start-up of the real program to its mapped main window (every page built), beside a
// minimal wx frame of the same size and place, shown and mapped. Both are started as
// processes of their own, one after the other, and timed from the start of the process
// until the X server reports the window viewable; the figure is the ratio of the medians.
//
//   torvex-bench-startup [runs, default 7]      (run under a display, e.g. xvfb-run)
#include <wx/app.h>
#include <wx/frame.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "frame/app.h"

// After the GUI library: Xlib defines macros (None, Bool, Status) that clash with it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kBareTitle = "Torvex bare frame";
constexpr double kTarget = 4.0;
constexpr double kStretch = 1.5;

// The baseline: nothing but a frame of the main window's size and place.
class BareFrameApp : public wxApp {
public:
    bool OnInit() override {
        auto* frame = new wxFrame(nullptr, wxID_ANY, kBareTitle, torvex::kMainWindowPosition, torvex::kMainWindowSize);
        frame->Show();
        return true;
    }
};

long windowPid(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    static const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 32 && count == 1)
        pid = *reinterpret_cast<long*>(data);
    if (data) XFree(data);
    return pid;
}

// Whether a viewable top-level window of pid carries the title.
bool shown(Display* display, const std::string& title, pid_t pid) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            XWindowAttributes attributes{};
            found = title == name && XGetWindowAttributes(display, children[i], &attributes) &&
                    attributes.map_state == IsViewable && windowPid(display, children[i]) == pid;
            XFree(name);
        }
    }
    if (children) XFree(children);
    return found;
}

struct Start {
    double seconds = -1;  // from the start of the process until its window shows; -1: it did not
    double cpu = 0;       // the CPU time the process took meanwhile (seconds)
};

// Starts argv in folder and times it until its window shows (at most 30 s). The process is
// killed then.
Start timeToWindow(Display* display, const std::vector<std::string>& argv, const std::string& folder,
                   const std::string& title) {
    const auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    double seconds = -1;
    while (std::chrono::duration<double>(Clock::now() - start).count() < 30) {
        if (shown(display, title, pid)) {
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            break;
        }
        usleep(200);
    }
    Start result;
    result.seconds = seconds;
    if (pid > 0) {
        kill(pid, SIGKILL);
        rusage usage{};
        int status = 0;
        wait4(pid, &status, 0, &usage);
        result.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return result;
}

// Windows come and go while they are looked at (the start-up progress dialog): a window
// that went is simply not the one looked for.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--bare-frame") == 0) {
        wxApp::SetInstance(new BareFrameApp);
        return wxEntry(argc, argv);
    }
    const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 7);

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSetErrorHandler(ignoreXError);
    // A home of its own with the language chosen, so that no question is asked.
    std::string home = "/tmp/torvex-bench-startup-XXXXXX";
    if (!mkdtemp(home.data())) return 1;
    std::ofstream(home + "/.Torvex") << "Language=3\n";
    setenv("HOME", home.c_str(), 1);

    const std::string folder = TORVEX_BINARY_DIR;
    const std::string program = folder + "/torvex";
    const std::string title = torvex::mainWindowTitle().utf8_string();
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return 1;

    std::vector<double> full, bare, fullCpu, bareCpu;
    for (int run = 0; run < runs; ++run) {
        // Alternating which goes first, so that a busy moment of the machine hurts both alike.
        for (int turn = 0; turn < 2; ++turn) {
            const bool programTurn = (turn == 0) == (run % 2 == 0);
            const Start start = programTurn ? timeToWindow(display, {program}, folder, title)
                                            : timeToWindow(display, {self, "--bare-frame"}, folder, kBareTitle);
            if (start.seconds < 0) {
                std::fprintf(stderr, "%s did not show its window\n", programTurn ? "torvex" : "the bare frame");
                return 1;
            }
            (programTurn ? full : bare).push_back(start.seconds);
            (programTurn ? fullCpu : bareCpu).push_back(start.cpu);
        }
    }
    XCloseDisplay(display);
    std::string command = "rm -rf '" + home + "'";
    (void)std::system(command.c_str());

    auto range = [](const std::vector<double>& values) {
        return std::make_pair(*std::min_element(values.begin(), values.end()) * 1000,
                              *std::max_element(values.begin(), values.end()) * 1000);
    };
    const double ratio = median(full) / median(bare);
    std::printf("start-up to the mapped main window, medians of %d alternating runs:\n", runs);
    std::printf("  torvex (every page built): %.0f ms (%.0f-%.0f)\n", median(full) * 1000, range(full).first,
                range(full).second);
    std::printf("  minimal wx frame, same size: %.0f ms (%.0f-%.0f)\n", median(bare) * 1000, range(bare).first,
                range(bare).second);
    std::printf("  ratio %.2f (target <= %.1f, stretch <= %.1f)\n", ratio, kTarget, kStretch);
    // The CPU time each took until its window showed: less moved by a busy machine than the
    // time on the clock.
    std::printf("  CPU time until then: torvex %.0f ms, minimal frame %.0f ms (medians), ratio %.2f\n",
                median(fullCpu) * 1000, median(bareCpu) * 1000, median(fullCpu) / median(bareCpu));
    return 0;
}
