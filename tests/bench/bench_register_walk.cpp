// Reads per second of the register list's walk over all listed registers, against the
// simulated drive over TCP, beside the connection's plain read rate on the same drive
// (the figure of bench_link). The walk reads, formats and hands over every line; aim: 0.9
// of the plain rate or better.
// Usage: bench_register_walk [seconds per figure, default 2]
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/connection.h"
#include "link/register_lines.h"
#include "link/registers.h"
#include "tests/support/sim_fixture.h"
#include "widgets/register_list_walk.h"

namespace {

using namespace torvex;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The connection's own rate: one register read over and over (as bench_link measures it).
double plainRate(DriveConnection& connection, double seconds) {
    uint16_t value = 0;
    long reads = 0;
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        if (connection.read16bitRegister(0x44, &value) != 0) return 0;
        ++reads;
    }
    return reads / secondsSince(start);
}

// The listed registers read in a plain loop on the calling thread, without lines.
double listedLoopRate(DriveConnection& connection, double seconds) {
    long reads = 0;
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        for (uint32_t reg = 0; reg < 256; ++reg) {
            if (!isListedRegister(reg)) continue;
            uint32_t value = 0;
            uint16_t value16 = 0;
            uint32_t rc = is32bitRegister(reg) ? connection.read32bitRegister(reg, &value)
                                               : connection.read16bitRegister(reg, &value16);
            if (rc != 0) return 0;
            ++reads;
        }
    }
    return reads / secondsSince(start);
}

// Whole walks over every listed register until the time is up; register reads per second.
double walkRate(DriveConnection& connection, double seconds, size_t* linesPerWalk) {
    std::array<bool, 256> hasLine{};
    size_t lines = 0;
    for (uint32_t reg = 0; reg < 256; ++reg) {
        hasLine[reg] = isListedRegister(reg);
        lines += hasLine[reg] ? 1 : 0;
    }
    *linesPerWalk = lines;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::atomic<long> handed{0};
    RegisterListWalk walk(&connection);
    long reads = 0;
    double walking = 0;  // from each start to its end marker, as the user waits for it
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        done = false;
        const auto walkStart = Clock::now();
        uint64_t id = walk.start(hasLine, [&](int reg, const std::string& line, uint64_t) {
            if (reg != RegisterListWalk::kEndMarker) {
                if (!line.empty()) handed.fetch_add(1);
                return;
            }
            std::lock_guard lock(mutex);
            walking += secondsSince(walkStart);
            done = true;
            ended.notify_all();
        });
        if (id == 0) return 0;
        std::unique_lock lock(mutex);
        ended.wait(lock, [&] { return done; });
        lock.unlock();
        walk.finished(id);
        reads += long(lines);
    }
    if (handed.load() != reads) std::fprintf(stderr, "lines went missing: %ld of %ld\n", handed.load(), reads);
    return walking > 0 ? reads / walking : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    buildRegisterCache();
    std::string address;
    auto drive = test::startSimDrive({}, &address);
    if (!drive) return 1;
    DriveConnection connection;
    connection.setIpAddress(address);
    if (connection.connectDrive("TCP", 9600) != 0) {
        std::fprintf(stderr, "TCP: the simulated drive did not answer\n");
        return 1;
    }
    // Short alternating rounds, medians: a busy machine hurts both figures alike and one
    // unlucky round does not decide.
    constexpr int kRounds = 7;
    std::vector<double> plains, walks, loops, threadLoops;
    size_t lines = 0;
    for (int round = 0; round < kRounds; ++round) {
        plains.push_back(plainRate(connection, seconds / kRounds));
        walks.push_back(walkRate(connection, seconds / kRounds, &lines));
        loops.push_back(listedLoopRate(connection, seconds / kRounds));
        double onThread = 0;
        std::thread other([&] { onThread = listedLoopRate(connection, seconds / kRounds); });
        other.join();
        threadLoops.push_back(onThread);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double plain = median(plains);
    const double walked = median(walks);
    const double ratio = plain > 0 ? walked / plain : 0.0;
    std::printf("Register walk over TCP: %zu lines a walk, %.0f reads/s walking, %.0f reads/s plain, ratio %.2f (aim >= 0.90)\n",
                lines, walked, plain, ratio);
    std::printf("  the same registers read in a plain loop, no lines: %.0f reads/s (ratio %.2f)\n", median(loops),
                plain > 0 ? median(loops) / plain : 0.0);
    std::printf("  the same loop on a thread of its own, as the walk runs: %.0f reads/s (ratio %.2f)\n",
                median(threadLoops), plain > 0 ? median(threadLoops) / plain : 0.0);
    return ratio >= 0.9 ? 0 : 2;
}
