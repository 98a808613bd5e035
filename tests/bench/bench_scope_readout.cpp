// Oscilloscope read-out speed against the simulated drive: samples per second of a
// 2000-sample read-out by the capture thread (blocks of 50), over TCP on loopback and over
// a pseudo-terminal, beside the plain register reads per second of the same link (aim:
// 10 times as many samples as reads or more).
// Usage: bench_scope_readout [read-outs per link, default 5]
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "link/connection.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "scope/capture_arming.h"
#include "scope/capture_worker.h"
#include "tests/support/sim_fixture.h"
#include "tools/drivesim/sim_capture.h"

namespace {

using namespace torvex;
using Clock = std::chrono::steady_clock;

double readsPerSecond(DriveConnection& connection, double seconds) {
    uint16_t value = 0;
    long reads = 0;
    const auto start = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        if (connection.read16bitRegister(0x44, &value) != 0) return 0;
        ++reads;
    }
    return reads / std::chrono::duration<double>(Clock::now() - start).count();
}

// One single-shot capture of 2000 samples; the seconds from " reading" to the hand-over.
double timedReadout(DriveConnection& connection, sim::SimCapture& engine) {
    CaptureSettings settings;
    settings.channels[0] = ChoiceValue::of(1, 0x30);
    for (int n = 1; n < 8; ++n) settings.channels[n] = ChoiceValue::of(0, 0);
    settings.triggerOn = ChoiceValue::of(0, 0);
    settings.triggerLevel = 0;
    settings.triggerRun = ChoiceValue::of(1, kTriggerRunSingle);
    settings.triggerEdge = ChoiceValue::of(0, 0);
    settings.timeScale = ChoiceValue::of(0, 1000);
    settings.triggerBuffer = ChoiceValue::of(3, 2000);
    std::optional<ArmedCapture> armed = armCapture(connection, settings);
    if (!armed) return 0;
    // The buffer is full before the thread looks, so only the read-out is timed.
    while (engine.buffer().size() < 2000) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    engine.setReportedCount(2000);

    std::mutex mutex;
    std::condition_variable done;
    Clock::time_point reading{}, handed{};
    bool finished = false;
    CaptureWorker worker(connection, *armed, [&](CaptureNotice notice, int, const std::string& text) {
        std::lock_guard lock(mutex);
        if (notice == CaptureNotice::StatusText && text == " reading") reading = Clock::now();
        if (notice == CaptureNotice::Redraw) handed = Clock::now();
        if (notice == CaptureNotice::Finished) {
            finished = true;
            done.notify_all();
        }
    });
    worker.start();
    {
        std::unique_lock lock(mutex);
        done.wait_for(lock, std::chrono::seconds(30), [&] { return finished; });
    }
    worker.join();
    engine.setReportedCount(std::nullopt);
    std::shared_ptr<const ScopeCapture> capture = worker.latestCapture();
    if (!capture || capture->sampleCount != 2000) return 0;
    return std::chrono::duration<double>(handed - reading).count();
}

int benchLink(const char* name, sim::SimOptions options, const std::string& port, int rounds) {
    std::string address;
    auto drive = test::startSimDrive(options, &address);
    if (!drive) return 1;
    drive->setReg(0xAF, 100);
    sim::SimCapture engine(*drive);
    engine.setSpeedUp(1000.0);
    DriveConnection connection;
    if (port == "TCP") connection.setIpAddress(address);
    if (port == "COM1") ::setenv("TORVEX_COM1", drive->serialPath().c_str(), 1);
    if (connection.connectDrive(port, 115200) != 0) {
        std::fprintf(stderr, "%s: the simulated drive did not answer\n", name);
        return 1;
    }
    double total = 0;
    for (int i = 0; i < rounds; ++i) {
        const double seconds = timedReadout(connection, engine);
        if (seconds <= 0) {
            std::fprintf(stderr, "%s: a read-out failed\n", name);
            return 1;
        }
        total += seconds;
    }
    const double samples = 2000.0 * rounds / total;
    const double reads = readsPerSecond(connection, port == "TCP" ? 1.0 : 2.0);
    std::printf("%s: %.0f samples/s in 2000-sample read-outs, %.0f register reads/s, ratio %.1f (aim >= 10)\n", name,
                samples, reads, reads > 0 ? samples / reads : 0.0);
    connection.disconnectDrive();
    drive->stop();
    return reads > 0 && samples / reads >= 10 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    buildRegisterCache();
    setMessageHandler([](const MessageRequest& request) {
        std::fprintf(stderr, "box: %s\n", request.text.c_str());
        return static_cast<int>(kMsgOk);
    });
    int status = 0;
    sim::SimOptions tcp;
    status |= benchLink("TCP loopback", tcp, "TCP", rounds);
    sim::SimOptions serial;
    serial.tcpAddress.clear();
    serial.serial = true;
    status |= benchLink("Serial (pseudo-terminal, 115200)", serial, "COM1", rounds);
    return status;
}
