// torvex-drivesim: a simulated drive for trying the tool without hardware.
//   torvex-drivesim [--tcp ADDRESS] [--serial] [--serial-link PATH] [--can]
//                   [--firmware N] [--long-replies] [--disabled]
// Without a link option it listens on TCP 127.0.0.1:6666. Runs until SIGINT/SIGTERM.
// The motor runs on a 10 ms timer and the drive starts enabled (STATUS bit 0), so speed
// commands move the speed read-outs; --disabled starts with the enable bit clear.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/drivesim/can_sim_protocol.h"
#include "tools/drivesim/sim_capture.h"
#include "tools/drivesim/sim_drive.h"

namespace {

int usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--tcp ADDRESS] [--serial] [--serial-link PATH] [--can] [--firmware N] "
                 "[--long-replies] [--disabled]\n",
                 program);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    torvex::sim::SimOptions options;
    options.tcpAddress.clear();
    bool anyLink = false;
    bool enabled = true;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--tcp") {
            const char* address = next();
            if (!address) return usage(argv[0]);
            options.tcpAddress = address;
            anyLink = true;
        } else if (arg == "--serial") {
            options.serial = true;
            anyLink = true;
        } else if (arg == "--serial-link") {
            const char* path = next();
            if (!path) return usage(argv[0]);
            options.serial = true;
            options.serialLink = path;
            anyLink = true;
        } else if (arg == "--can") {
            options.can = true;
            anyLink = true;
        } else if (arg == "--firmware") {
            const char* number = next();
            char* end = nullptr;
            long firmware = number ? std::strtol(number, &end, 10) : -1;
            if (!number || *end || firmware < 0 || firmware > 0xFFFF) return usage(argv[0]);
            options.firmware = uint16_t(firmware);
        } else if (arg == "--long-replies") {
            options.longReplies = true;
        } else if (arg == "--disabled") {
            enabled = false;
        } else {
            return usage(argv[0]);
        }
    }
    if (!anyLink) options.tcpAddress = "127.0.0.1";

    // The drive's threads inherit the mask, so only sigwait below sees the signals.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    torvex::sim::SimDrive drive(options);
    torvex::sim::SimCapture capture(drive);  // oscilloscope captures
    drive.enableMotor(enabled);
    drive.runMotor(true);
    if (!drive.start()) {
        std::fprintf(stderr, "torvex-drivesim: could not set up the links%s%s\n",
                     options.tcpAddress.empty() ? "" : " (is port 6666 on ",
                     options.tcpAddress.empty() ? "" : (options.tcpAddress + " taken?)").c_str());
        return 1;
    }
    if (!options.tcpAddress.empty()) std::printf("tcp %s:6666\n", options.tcpAddress.c_str());
    if (options.serial) {
        if (options.serialLink.empty()) {
            std::printf("serial %s\n", drive.serialPath().c_str());
        } else {
            std::printf("serial %s (link %s)\n", drive.serialPath().c_str(), options.serialLink.c_str());
        }
    }
    if (options.can) std::printf("can %s=%s\n", torvex::cansim::kEndpointVariable, drive.canEndpoint().c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    drive.runMotor(false);
    drive.stop();
    return 0;
}
