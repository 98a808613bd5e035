#include "tests/support/sim_fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <unistd.h>

namespace torvex::test {

std::unique_ptr<sim::SimDrive> startSimDrive(sim::SimOptions options, std::string* addressOut) {
    std::mt19937 random(static_cast<unsigned>(getpid()) * 7919u + static_cast<unsigned>(time(nullptr)));
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (!options.tcpAddress.empty()) {
            options.tcpAddress = "127." + std::to_string(1 + random() % 250) + "." +
                                 std::to_string(random() % 250) + "." + std::to_string(2 + random() % 250);
        }
        auto drive = std::make_unique<sim::SimDrive>(options);
        if (drive->start()) {
            if (addressOut) *addressOut = options.tcpAddress;
            return drive;
        }
        if (options.tcpAddress.empty()) break;
    }
    ADD_FAILURE() << "the simulated drive could not be started";
    return nullptr;
}

}  // namespace torvex::test
