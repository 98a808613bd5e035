// A connection to a simulated drive with its capture engine, over TCP, and a recorder of
// the boxes the capture and step code asks for.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/connection.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "tests/support/sim_fixture.h"
#include "tools/drivesim/sim_capture.h"

namespace torvex::test {

class ScopeLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        previous_ = setMessageHandler([this](const MessageRequest& request) {
            std::lock_guard guard(boxMutex_);
            boxes_.push_back(request.text);
            return static_cast<int>(kMsgOk);
        });
        sim::SimOptions options;
        drive_ = startSimDrive(options, &address_);
        ASSERT_TRUE(drive_);
        drive_->setReg(0xAF, 100);  // a sampling tick of 100 us, whatever the start values say
        capture_ = std::make_unique<sim::SimCapture>(*drive_);
        connection_.setIpAddress(address_);
        ASSERT_EQ(connection_.connectDrive("TCP", 115200), 0u);
        drive_->clearFrames();
    }
    void TearDown() override {
        connection_.disconnectDrive();
        if (drive_) drive_->stop();
        capture_.reset();
        drive_.reset();
        setMessageHandler(previous_);
    }

    std::vector<std::string> boxes() {
        std::lock_guard guard(boxMutex_);
        return boxes_;
    }
    // The writes (register, value) the drive received, in order; reads as (0x3D, reg).
    std::vector<std::pair<uint32_t, uint32_t>> writes() const {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (const auto& frame : drive_->frames())
            out.emplace_back(frame.isRead ? 0x3Du : frame.reg, frame.isRead ? frame.reg : frame.value);
        return out;
    }
    static bool waitFor(const std::function<bool()>& pred, int timeoutMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            if (pred()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return pred();
    }

    DriveConnection connection_;
    std::unique_ptr<sim::SimDrive> drive_;
    std::unique_ptr<sim::SimCapture> capture_;
    std::string address_;

private:
    std::mutex boxMutex_;
    std::vector<std::string> boxes_;
    MessageHandler previous_;
};

}  // namespace torvex::test
