// Runs a DriveConnection against the simulated drive over one of the three links.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "tests/support/sim_fixture.h"

namespace torvex::test {

using Clock = std::chrono::steady_clock;

inline long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

inline const char* linkName(sim::Link link) {
    switch (link) {
        case sim::Link::Tcp: return "Tcp";
        case sim::Link::Serial: return "Serial";
        case sim::Link::Can: return "Can";
    }
    return "?";
}

// The test build of the CAN adapter library, which reaches the simulated drive.
inline std::string canTestLibrary() {
    return std::string(TORVEX_BINARY_DIR) + "/tools/drivesim/can_test_adapter/libpcan_usb_sim.so";
}

// Records the boxes asked for while it lives.
class Boxes {
public:
    Boxes() {
        previous_ = setMessageHandler([this](const MessageRequest& request) {
            std::lock_guard<std::mutex> guard(mutex_);
            boxes_.push_back(request);
            return static_cast<int>(kMsgOk);
        });
    }
    ~Boxes() { setMessageHandler(previous_); }
    std::vector<MessageRequest> all() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return boxes_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<MessageRequest> boxes_;
    MessageHandler previous_;
};

class SimLinkTest : public ::testing::TestWithParam<sim::Link> {
protected:
    void SetUp() override {
        buildRegisterCache();
        firmwareVersion = 0;
        if (GetParam() == sim::Link::Can) {
            ASSERT_TRUE(std::ifstream(canTestLibrary()).good()) << "missing " << canTestLibrary();
        }
    }

    // No box unless a test asks for one (it records its own).
    void TearDown() override {
        for (const auto& box : boxes_.all()) ADD_FAILURE() << "unexpected box: " << box.text;
    }

    // Starts the simulated drive offering only the link under test and points the
    // program's port at it.
    sim::SimDrive& startDrive(sim::SimOptions options = {}) {
        options.serial = false;
        options.can = false;
        switch (GetParam()) {
            case sim::Link::Tcp:
                options.tcpAddress = "127.0.0.1";  // the fixture picks a loopback address of its own
                break;
            case sim::Link::Serial:
                options.tcpAddress.clear();
                options.serial = true;
                break;
            case sim::Link::Can:
                options.tcpAddress.clear();
                options.can = true;
                break;
        }
        drive_ = startSimDrive(options, &address_);
        if (!drive_) throw std::runtime_error("no simulated drive");
        switch (GetParam()) {
            case sim::Link::Tcp:
                connection_.setIpAddress(address_);
                break;
            case sim::Link::Serial:
                ::setenv("TORVEX_COM3", drive_->serialPath().c_str(), 1);
                break;
            case sim::Link::Can:
                ::setenv("TORVEX_CAN_SIM", drive_->canEndpoint().c_str(), 1);
                ::setenv("TORVEX_CAN_LIBRARY", canTestLibrary().c_str(), 1);
                break;
        }
        return *drive_;
    }

    std::string port() const {
        switch (GetParam()) {
            case sim::Link::Tcp: return "TCP";
            case sim::Link::Serial: return "COM3";
            case sim::Link::Can: return "CAN";
        }
        return "";
    }

    uint32_t connect(uint32_t baud = 115200) { return connection_.connectDrive(port(), baud); }

    // The read requests (0x3D) the drive has received for reg.
    size_t readRequests(uint32_t reg) const {
        size_t n = 0;
        for (const auto& frame : drive_->frames()) n += frame.isRead && frame.reg == reg ? 1 : 0;
        return n;
    }

    // How long one failed reply may take on this link (the time-out itself and some slack).
    long replyTimeoutBoundMs() const {
        switch (GetParam()) {
            case sim::Link::Tcp: return 3000;     // 1 s receive time-out
            case sim::Link::Serial: return 2500;  // 20 ms + 5 x 105 ms a word, two words
            case sim::Link::Can: return 1500;     // 50 polls, 1 ms apart
        }
        return 0;
    }

    Boxes boxes_;
    DriveConnection connection_;
    std::unique_ptr<sim::SimDrive> drive_;
    std::string address_;
};

inline std::string linkParamName(const ::testing::TestParamInfo<sim::Link>& info) { return linkName(info.param); }

}  // namespace torvex::test
