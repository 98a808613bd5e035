// The Monitor page's polling cycle against the simulated drive: every row of the shipped
// catalogue read twice (the display's read, then the gauge's), as the page does, over TCP
// and over a pseudo-terminal, beside what the link's plain reads/s promise for as many
// reads. For the serial link the cycle at 9600 baud is worked out from the bytes on the
// wire and the pause before every request, since a pseudo-terminal has no baud rate.
// Usage: bench_monitor [cycles per figure, default 20]
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/connection.h"
#include "link/registers.h"
#include "link/wire.h"
#include "pages/monitor_rows.h"
#include "services/catalogue.h"
#include "tests/support/sim_fixture.h"
#include "widgets/field_logic.h"
#include "widgets/register_access.h"

namespace {

using namespace torvex;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One cycle as the page runs it: per row the display's read, then the gauge's.
bool monitorCycle(DriveConnection& connection, const std::vector<MonitorRowDefinition>& rows) {
    DriveRegisterAccess access(&connection);
    for (const MonitorRowDefinition& row : rows) {
        uint32_t raw = 0;
        if (readByWidth(access, static_cast<int>(row.reg), &raw) != 0) return false;
        (void)displayValueOf(static_cast<int>(row.reg), 0, 0, raw);
        int64_t value = 0;
        if (readMonitorValue(access, row.reg, &value) != 0) return false;
        (void)monitorGaugeValue(value, row.fullScale);
    }
    return true;
}

// Milliseconds per cycle, averaged over cycles (0 on a failure).
double cycleMs(DriveConnection& connection, const std::vector<MonitorRowDefinition>& rows, int cycles) {
    monitorCycle(connection, rows);  // warm up
    const auto start = Clock::now();
    for (int i = 0; i < cycles; ++i)
        if (!monitorCycle(connection, rows)) {
            std::fprintf(stderr, "a read failed\n");
            return 0;
        }
    return secondsSince(start) * 1000.0 / cycles;
}

// Plain reads of one register per second, as tests/bench/bench_link measures them.
double plainReadRate(DriveConnection& connection, double seconds) {
    uint16_t value = 0;
    long reads = 0;
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        if (connection.read16bitRegister(0x44, &value) != 0) return 0;
        ++reads;
    }
    return reads / secondsSince(start);
}

// A read at 9600 baud, 8N1 (10 bits a byte): the pause, the request text and the reply
// words of the register's width. The drive's own time to answer is not counted.
double serialReadMs9600(uint32_t reg) {
    const size_t request = wire::formatSerialRequest(kRegRead, reg, false).size();
    const size_t reply = is32bitRegister(reg) ? 4 : 2;
    return wire::kSerialPauseMs + (request + reply) * 10.0 * 1000.0 / 9600.0;
}

void report(const char* link, double measured, double reads, double rate) {
    const double promised = rate > 0 ? reads / rate * 1000.0 : 0;
    std::printf("%s: one cycle %.2f ms for %.0f reads; %.0f reads / %.1f reads/s = %.2f ms; ratio %.2f\n", link,
                measured, reads, reads, rate, promised, promised > 0 ? measured / promised : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    wxInitializer initializer;
    buildRegisterCache();
    addCatalogueLookupPrefixes();
    if (!loadCatalogue(wxLANGUAGE_ENGLISH)) {
        std::fprintf(stderr, "no English catalogue found\n");
        return 1;
    }
    const auto rows = readMonitorRows([](const wxString& key) { return translate(key); });
    const double reads = 2.0 * rows.size();
    std::printf("Monitor rows of the shipped catalogue: %zu (%.0f reads a cycle)\n", rows.size(), reads);

    {
        std::string address;
        auto drive = test::startSimDrive({}, &address);
        if (!drive) return 1;
        DriveConnection connection;
        connection.setIpAddress(address);
        if (connection.connectDrive("TCP", 9600) != 0) return 1;
        const double measured = cycleMs(connection, rows, cycles * 10);
        report("TCP loopback", measured, reads, plainReadRate(connection, 1.0));
    }
    {
        sim::SimOptions options;
        options.tcpAddress.clear();
        options.serial = true;
        std::string unused;
        auto drive = test::startSimDrive(options, &unused);
        if (!drive) return 1;
        ::setenv("TORVEX_COM1", drive->serialPath().c_str(), 1);
        DriveConnection connection;
        if (connection.connectDrive("COM1", 115200) != 0) return 1;
        const double measured = cycleMs(connection, rows, std::max(1, cycles / 4));
        report("Serial (pseudo-terminal)", measured, reads, plainReadRate(connection, 1.5));
        double at9600 = 0;
        for (const auto& row : rows) at9600 += 2 * serialReadMs9600(row.reg);
        std::printf("Serial at 9600 baud (worked out from the bytes): one cycle %.0f ms of the 1500 ms polling period (%.0f %%)\n",
                    at9600, at9600 / 15.0);
    }
    unloadCatalogue();
    return 0;
}
