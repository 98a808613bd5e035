// The program's own CPU use while it sits offline (status line flashing) and while it is
// online and idle, polling at the CAN interval, each over 10 seconds. The simulated drive
// runs in a child process so that its work is not counted. Also counts which windows
// repaint while offline, so that flashing is seen to repaint only the status line.
//
//   torvex-bench-online-idle [seconds]     (run under a display, e.g. xvfb-run)
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "frame/main_frame.h"
#include "frame/poll_threads.h"
#include "services/ui_seam.h"
#include "link/registers.h"
#include "tools/drivesim/sim_drive.h"

namespace {

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for a while; returns the CPU share of one core it took.
double runFor(int seconds) {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [loop](wxTimerEvent&) { loop->Exit(); });
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    timer.StartOnce(seconds * 1000);
    loop->Run();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    return 100.0 * (cpuSeconds() - cpuBefore) / wall;
}

std::map<std::string, int> g_paints;

void countPaints(wxWindow* window) {
    window->Bind(wxEVT_PAINT, [window](wxPaintEvent& event) {
        ++g_paints[wxString(window->GetClassInfo()->GetClassName()).utf8_string() + " " + window->GetName().utf8_string()];
        event.Skip();
    });
    for (wxWindow* child : window->GetChildren()) countPaints(child);
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

// The drive status panel's six reads of each watching step (the panel in the build may
// not read yet); the events it would post are left out, as nothing shows them here.
bool readLikeTheStatusPanel(torvex::MainFrame& frame, uint32_t) {
    torvex::DriveConnection& drive = frame.connection();
    uint32_t value32 = 0;
    uint16_t value16 = 0;
    return drive.read32bitRegister(0x8F, &value32) == 0 && drive.read32bitRegister(0x8F, &value32) == 0 &&
           drive.read32bitRegister(torvex::kRegStatus, &value32) == 0 && drive.read16bitRegister(0xD8, &value16) == 0 &&
           drive.read16bitRegister(0xA8, &value16) == 0 && drive.read16bitRegister(0x5F, &value16) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
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
    std::string home = "/tmp/torvex-bench-XXXXXX";
    if (mkdtemp(home.data())) setenv("HOME", home.c_str(), 1);

    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "the GUI library could not start (no display?)\n");
        return 1;
    }
    torvex::buildRegisterCache();
    torvex::ui::installMessageHandler();
    wxGUIEventLoop loop;
    wxEventLoopBase::SetActive(&loop);

    torvex::setDriveStatusUpdater(readLikeTheStatusPanel);
    auto* frame = new torvex::MainFrame("Torvex", wxPoint(50, 50), wxSize(1200, 750));
    frame->Show();
    runFor(1);  // settle: first layout and paints
    countPaints(frame);

    g_paints.clear();
    const double offline = runFor(seconds);
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
    const double idle = runFor(seconds);
    std::map<std::string, int> onlinePaints = g_paints;

    std::printf("link used online: %s%s\n", can ? "CAN (test adapter library)" : "TCP at the CAN polling interval",
                online ? "" : " -- NOT ONLINE, figures below are not valid");
    std::printf("offline, status line flashing: %.2f %% of one core over %d s\n", offline, seconds);
    std::printf("online and idle, polling every %u ms, watching (six reads) every 300 ms: %.2f %% of one core over %d s\n",
                torvex::pollIntervalMs.load(), idle, seconds);
    std::printf("repaints while offline:\n");
    for (const auto& [window, count] : offlinePaints) std::printf("  %-40s %d\n", window.c_str(), count);
    std::printf("repaints while online:\n");
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
