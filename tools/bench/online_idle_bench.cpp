// The program's own CPU use, as a share of one core, while it sits offline (status line
// flashing) and while it is online and idle, polling at the CAN interval: each phase is
// measured in 10 s windows and the worst window counts. Then, still online, every page is
// shown in turn and measured on its own. The simulated drive runs in a child process so
// that its work is not counted. Also counts which windows repaint, so that flashing is seen
// to repaint only the status line.
//
//   torvex-bench-online-idle [seconds per phase, default 30] [seconds per page, default 10; 0: no pages]
//   (run under a display, e.g. xvfb-run)
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/notebook.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "frame/app.h"
#include "frame/main_frame.h"
#include "frame/poll_threads.h"
#include "services/catalogue.h"
#include "services/ui_seam.h"
#include "widgets/compact_style.h"
#include "link/registers.h"
#include "tools/drivesim/sim_drive.h"

namespace {

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// CPU seconds of the whole process (who: RUSAGE_SELF) or of the calling thread, the GUI
// thread here (RUSAGE_THREAD).
double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The share of one core that the GUI thread took in the last runFor; the rest of the
// process's share is the worker threads' (the exchanges with the drive).
double g_guiShare = 0;

// Runs the event loop for a while; returns the CPU share of one core the process took.
double runFor(int seconds) {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [loop](wxTimerEvent&) { loop->Exit(); });
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const double guiBefore = cpuSeconds(RUSAGE_THREAD);
    const auto wallBefore = std::chrono::steady_clock::now();
    timer.StartOnce(seconds * 1000);
    loop->Run();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    g_guiShare = 100.0 * (cpuSeconds(RUSAGE_THREAD) - guiBefore) / wall;
    return 100.0 * (cpuSeconds(RUSAGE_SELF) - cpuBefore) / wall;
}

constexpr int kWindowSeconds = 10;

// Runs the event loop for whole 10 s windows; the share of each.
std::vector<double> runWindows(int seconds) {
    std::vector<double> shares;
    for (int done = 0; done + kWindowSeconds <= seconds; done += kWindowSeconds)
        shares.push_back(runFor(kWindowSeconds));
    return shares;
}

double worst(const std::vector<double>& shares) {
    return shares.empty() ? 0.0 : *std::max_element(shares.begin(), shares.end());
}

std::string listed(const std::vector<double>& shares) {
    std::string text;
    char figure[32];
    for (double share : shares) {
        std::snprintf(figure, sizeof figure, " %.2f %%", share);
        text += figure;
    }
    return text;
}

std::map<std::string, int> g_paints;

void countPaints(wxWindow* window, int* windows) {
    ++*windows;
    window->Bind(wxEVT_PAINT, [window](wxPaintEvent& event) {
        ++g_paints[wxString(window->GetClassInfo()->GetClassName()).utf8_string() + " " + window->GetName().utf8_string()];
        event.Skip();
    });
    for (wxWindow* child : window->GetChildren()) countPaints(child, windows);
}

// Starts the drive in a child process; returns its pid and where to reach it.
pid_t startDriveProcess(bool can, std::string* tcpAddress, std::string* canEndpoint) {
    int toParent[2], toChild[2];
    if (pipe(toParent) != 0 || pipe(toChild) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(toParent[0]);
        close(toChild[1]);
        torvex::buildRegisterCache();
        torvex::sim::SimOptions options;
        options.tcpAddress = "127.0.0.1";
        options.can = can;
        torvex::sim::SimDrive drive(options);
        std::string reply;
        if (drive.start()) reply = options.tcpAddress + "\n" + (can ? drive.canEndpoint() : std::string()) + "\n";
        if (write(toParent[1], reply.data(), reply.size()) < 0) _exit(1);
        close(toParent[1]);
        char byte;
        while (read(toChild[0], &byte, 1) > 0) {
        }
        drive.stop();
        _exit(0);
    }
    close(toParent[1]);
    close(toChild[0]);
    std::string reply;
    char buffer[512];
    ssize_t got;
    while ((got = read(toParent[0], buffer, sizeof buffer)) > 0) reply.append(buffer, static_cast<size_t>(got));
    close(toParent[0]);
    // The child ends when this process closes its end of the pipe (also when it dies).
    size_t line = reply.find('\n');
    if (line == std::string::npos) return -1;
    *tcpAddress = reply.substr(0, line);
    *canEndpoint = reply.substr(line + 1, reply.find('\n', line + 1) - line - 1);
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    const int phaseSeconds = std::max(kWindowSeconds, argc > 1 ? std::atoi(argv[1]) : 30);
    const int pageSeconds = std::max(0, argc > 2 ? std::atoi(argv[2]) : 10);
    const std::string library = TORVEX_BINARY_DIR "/tools/drivesim/can_test_adapter/libpcan_usb_sim.so";
    const bool can = access(library.c_str(), R_OK) == 0;

    std::string tcpAddress, canEndpoint;
    pid_t drive = startDriveProcess(can, &tcpAddress, &canEndpoint);
    if (drive <= 0) {
        std::fprintf(stderr, "the simulated drive did not start\n");
        return 1;
    }
    if (can) {
        setenv("TORVEX_CAN_LIBRARY", library.c_str(), 1);
        setenv("TORVEX_CAN_SIM", canEndpoint.c_str(), 1);
    }
    // A home of its own with English chosen: the pages get the catalogue's texts and
    // register lists, as in the program.
    std::string home = "/tmp/torvex-bench-XXXXXX";
    if (mkdtemp(home.data())) {
        setenv("HOME", home.c_str(), 1);
        std::ofstream(home + "/.Torvex") << "Language=3\n";
    }

    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "the GUI library could not start (no display?)\n");
        return 1;
    }
    // What the program's start-up does before its first window.
    torvex::buildRegisterCache();
    std::setlocale(LC_NUMERIC, "C");
    torvex::ui::installMessageHandler();
    torvex::installCatalogueTranslator();
    torvex::installCompactControlStyle();
    torvex::startConfigurationAndLanguage(*wxTheApp);
    wxGUIEventLoop loop;
    wxEventLoopBase::SetActive(&loop);

    auto* frame = new torvex::MainFrame(torvex::mainWindowTitle(), torvex::kMainWindowPosition,
                                        torvex::kMainWindowSize);
    frame->Show();
    runFor(1);  // settle: first layout and paints
    int windows = 0;
    countPaints(frame, &windows);

    g_paints.clear();
    const std::vector<double> offline = runWindows(phaseSeconds);
    std::map<std::string, int> offlinePaints = g_paints;

    if (can) {
        frame->goOnline("CAN");
    } else {
        frame->connection().setIpAddress(tcpAddress);
        frame->goOnline("TCP");
        torvex::pollIntervalMs = torvex::kCanPollIntervalMs;  // the CAN interval over TCP
    }
    const bool online = frame->connection().isOnline();
    runFor(1);
    g_paints.clear();
    const std::vector<double> idle = runWindows(phaseSeconds);
    std::map<std::string, int> onlinePaints = g_paints;

    // Every page in turn, as a user would pick its tab; the first paints after a change of
    // page (and what the change itself costs) settle before the page is measured.
    wxNotebook* notebook = frame->notebook();
    std::vector<std::pair<std::string, double>> pages;
    std::vector<double> pagesGui;
    for (size_t tab = 0; notebook && pageSeconds > 0 && tab < notebook->GetPageCount(); ++tab) {
        notebook->SetSelection(tab);
        runFor(2);
        wxString name = notebook->GetPageText(tab);
        if (name.empty()) name = "Logo";
        pages.emplace_back(name.utf8_string(), runFor(pageSeconds));
        pagesGui.push_back(g_guiShare);
    }
    const bool stillOnline = frame->connection().isOnline();

    std::printf("link used online: %s%s\n", can ? "CAN (test adapter library)" : "TCP at the CAN polling interval",
                online && stillOnline ? "" : " -- NOT ONLINE THROUGHOUT, figures below are not valid");
    std::printf("windows in the frame: %d\n", windows);
    std::printf("offline, status line flashing: worst 10 s window %.2f %% of one core (target < 0.5 %%); windows:%s\n",
                worst(offline), listed(offline).c_str());
    std::printf("online and idle, polling every %u ms, watching every 300 ms: worst 10 s window %.2f %% "
                "of one core (target < 1 %%); windows:%s\n",
                torvex::pollIntervalMs.load(), worst(idle), listed(idle).c_str());
    std::printf("online, each page shown for %d s (target < 2 %% on every page):\n", pageSeconds);
    for (const auto& [name, share] : pages) std::printf("  %s page %.2f %%\n", name.c_str(), share);
    std::printf("of which the GUI thread (the rest is the polling and watching threads' exchanges):\n");
    for (size_t i = 0; i < pages.size(); ++i) std::printf("  %s: %.2f %%\n", pages[i].first.c_str(), pagesGui[i]);
    std::printf("repaints while offline (%d s):\n", phaseSeconds);
    for (const auto& [window, count] : offlinePaints) std::printf("  %-40s %d\n", window.c_str(), count);
    std::printf("repaints while online and idle (%d s):\n", phaseSeconds);
    for (const auto& [window, count] : onlinePaints) std::printf("  %-40s %d\n", window.c_str(), count);

    frame->Close(true);
    runFor(1);
    wxEntryCleanup();
    kill(drive, SIGTERM);
    waitpid(drive, nullptr, 0);
    std::string command = "rm -rf '" + home + "'";
    (void)std::system(command.c_str());
    return 0;
}
