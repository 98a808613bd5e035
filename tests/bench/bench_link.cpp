// Register reads per second against the simulated drive:
//  - TCP on loopback, beside a bare socket ping-pong of the same 16-byte records against the
//    same drive (the connection's own cost shows as the ratio; target: a median of 0.95 or
//    more over five alternating rounds);
//  - a pseudo-terminal, beside the rate the 20 ms pause before every serial request allows
//    (aim: 0.95 or more);
//  - CAN through the test adapter library, when it is built.
// Usage: bench_link [seconds per figure, default 2]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/registers.h"
#include "link/wire.h"
#include "tests/support/sim_fixture.h"

namespace {

using namespace torvex;
using Clock = std::chrono::steady_clock;

constexpr int kTcpRounds = 5;
constexpr double kTcpTarget = 0.95;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads 0x44 through the connection for the given time; reads per second (0 on a failure).
double connectionRate(DriveConnection& connection, double seconds) {
    uint16_t value = 0;
    for (int i = 0; i < 3; ++i) connection.read16bitRegister(0x44, &value);  // warm up
    long reads = 0;
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        if (connection.read16bitRegister(0x44, &value) != 0) {
            std::fprintf(stderr, "a read failed\n");
            return 0;
        }
        ++reads;
    }
    return reads / secondsSince(start);
}

// The same request records over a bare socket: send 16 bytes, receive 16 bytes.
double bareSocketRate(const std::string& address, double seconds) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(wire::kTcpPort);
    ::inet_aton(address.c_str(), &to.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return 0;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    uint8_t request[wire::kTcpRecordSize];
    wire::encodeTcpRecord(wire::makeRequest(kRegRead, 0x44, 2), request);
    auto exchange = [&] {
        if (::send(fd, request, sizeof request, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof request)) return false;
        uint8_t reply[wire::kTcpRecordSize];
        size_t got = 0;
        while (got < sizeof reply) {
            ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
            if (n <= 0) return false;
            got += static_cast<size_t>(n);
        }
        return true;
    };
    for (int i = 0; i < 3; ++i) exchange();
    long exchanges = 0;
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        if (!exchange()) {
            ::close(fd);
            return 0;
        }
        ++exchanges;
    }
    const double rate = exchanges / secondsSince(start);
    ::close(fd);
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    buildRegisterCache();
    int status = 0;

    {
        sim::SimOptions options;
        std::string address;
        auto drive = test::startSimDrive(options, &address);
        if (!drive) return 1;
        DriveConnection connection;
        connection.setIpAddress(address);
        if (connection.connectDrive("TCP", 9600) != 0) {
            std::fprintf(stderr, "TCP: the simulated drive did not answer\n");
            return 1;
        }
        // Alternate, so that a busy machine hurts both figures alike; each round gives a ratio.
        std::vector<double> links, bares, ratios;
        for (int round = 0; round < kTcpRounds; ++round) {
            const double link = connectionRate(connection, seconds / kTcpRounds);
            const double bare = bareSocketRate(address, seconds / kTcpRounds);
            links.push_back(link);
            bares.push_back(bare);
            ratios.push_back(bare > 0 ? link / bare : 0.0);
        }
        std::string each;
        for (double one : ratios) {
            char figure[16];
            std::snprintf(figure, sizeof figure, " %.2f", one);
            each += figure;
        }
        const double ratio = median(ratios);
        std::printf("TCP loopback: %.0f reads/s through the connection, %.0f exchanges/s over a bare socket (medians), "
                    "ratio median of %d rounds %.2f (rounds:%s) (target >= %.2f)\n",
                    median(links), median(bares), kTcpRounds, ratio, each.c_str(), kTcpTarget);
        if (ratio < kTcpTarget) status = 2;
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
        if (connection.connectDrive("COM1", 115200) != 0) {
            std::fprintf(stderr, "serial: the simulated drive did not answer\n");
            return 1;
        }
        const double rate = connectionRate(connection, seconds * 1.5);
        const double ceiling = 1000.0 / wire::kSerialPauseMs;
        std::printf("Serial (pseudo-terminal, 115200): %.1f reads/s, the 20 ms pause allows %.1f, ratio %.3f (aim >= 0.95)\n",
                    rate, ceiling, rate / ceiling);
        if (rate / ceiling < 0.95) status = 2;
    }

    const std::string canLibrary = std::string(TORVEX_BINARY_DIR) + "/tools/drivesim/can_test_adapter/libpcan_usb_sim.so";
    if (std::ifstream(canLibrary).good()) {
        sim::SimOptions options;
        options.tcpAddress.clear();
        options.can = true;
        std::string unused;
        auto drive = test::startSimDrive(options, &unused);
        if (!drive) return 1;
        ::setenv("TORVEX_CAN_SIM", drive->canEndpoint().c_str(), 1);
        ::setenv("TORVEX_CAN_LIBRARY", canLibrary.c_str(), 1);
        DriveConnection connection;
        if (connection.connectDrive("CAN", 9600) == 0) {
            std::printf("CAN (test adapter library): %.0f reads/s\n", connectionRate(connection, seconds));
        } else {
            std::fprintf(stderr, "CAN: the simulated drive did not answer\n");
        }
    }
    return status;
}
