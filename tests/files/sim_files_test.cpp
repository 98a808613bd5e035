// Register sets, scripts and register lines against the simulated drive over TCP.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "link/connection.h"
#include "link/register_file.h"
#include "link/register_lines.h"
#include "link/registers.h"
#include "link/script.h"
#include "tests/files/test_util.h"
#include "tests/support/sim_fixture.h"

namespace torvex {
namespace {

using sim::ReceivedFrame;

class SimFiles : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        std::string address;
        drive_ = test::startSimDrive(sim::SimOptions{}, &address);
        ASSERT_TRUE(drive_);
        connection_.setIpAddress(address);
        ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
        drive_->clearFrames();
    }
    void TearDown() override { connection_.disconnectDrive(); }

    // The frames since the last clear, as "w<reg>=<value>" and "r<reg>". A write has no
    // reply, so wait for as many frames as expected first.
    std::vector<std::string> frameLog(size_t expected = 0) const {
        if (expected) drive_->waitForFrames(expected);
        std::vector<std::string> out;
        for (const ReceivedFrame& frame : drive_->frames()) {
            char text[32];
            if (frame.isRead)
                std::snprintf(text, sizeof text, "r%02x", frame.reg);
            else
                std::snprintf(text, sizeof text, "w%02x=%x", frame.reg, frame.value);
            out.push_back(text);
        }
        return out;
    }

    uint32_t run(const std::string& text) {
        RegisterScript script;
        std::istringstream in(text);
        EXPECT_EQ(parseScript(script, in), 0u);
        return executeScript(script, &connection_);
    }

    test::BoxRecorder boxes_;
    std::unique_ptr<sim::SimDrive> drive_;
    DriveConnection connection_;
};

// The parts left beside this one file: other tests save into the same folder at the
// same time and may have a part of their own there for a moment.
std::vector<std::string> leftoverParts(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".part-";
    std::vector<std::string> out;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::string(entry->d_name).rfind(prefix, 0) == 0) out.push_back(entry->d_name);
        closedir(dir);
    }
    return out;
}

TEST_F(SimFiles, SavedSetReadsBackAsTheDriveHoldsIt) {
    for (uint32_t reg : readableRegisters()) drive_->setReg(reg, 0x9E370001u * reg + 3);
    std::string path = test::tempPath("drive.vrf");
    ASSERT_EQ(saveRegisterFile(&connection_, path), kSaveOk);

    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    ASSERT_EQ(readRegisterFile(path, values16, values32, true), kRegisterFileOk);
    size_t count = 0;
    for (uint32_t reg : readableRegisters()) {
        SCOPED_TRACE(reg);
        if (is32bitRegister(reg)) {
            ASSERT_EQ(values32.count(reg), 1u);
            EXPECT_EQ(values32.at(reg), drive_->reg(reg));
        } else {
            ASSERT_EQ(values16.count(reg), 1u);
            EXPECT_EQ(values16.at(reg), drive_->reg(reg));
        }
        ++count;
    }
    EXPECT_EQ(values16.size() + values32.size(), count);
    // One read per register, in ascending order, nothing written.
    std::vector<std::string> expected;
    for (uint32_t reg : readableRegisters()) {
        char text[8];
        std::snprintf(text, sizeof text, "r%02x", reg);
        expected.push_back(text);
    }
    EXPECT_EQ(frameLog(), expected);
}

TEST_F(SimFiles, FailedReadKeepsTheOldFileAndNamesTheRegister) {
    // Registers 0 and 1 must not read as success or as "not connected".
    for (uint32_t failing : {0u, 1u, 0x40u}) {
        SCOPED_TRACE(failing);
        std::string path = test::writeText("old.vrf", "precious");
        drive_->setFault(sim::Fault::Silent, 1);
        uint32_t failed = 999;
        EXPECT_EQ(writeRegisterFile(&connection_, path, {failing, 0x34}, &failed), kSaveReadFailed);
        EXPECT_EQ(failed, failing);
        EXPECT_EQ(test::readBytes(path), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
        EXPECT_TRUE(leftoverParts(path).empty());
    }
    // The link is still good afterwards, and a complete save replaces the file.
    std::string path = test::writeText("old.vrf", "precious");
    ASSERT_EQ(writeRegisterFile(&connection_, path, {0x1B}), kSaveOk);
    EXPECT_EQ(test::readBytes(path).size(), 48u + 6u);
}

TEST_F(SimFiles, LoadWritesOnlyReadWriteRegistersSixteenBitFirstAscending) {
    std::vector<uint8_t> bytes = test::magicBytes();
    // Out of order on purpose; RO 0x1B carries firmware 310; RO 0x40, FN 0x3D and SP 0x6E are not written.
    appendRegisterRecord(bytes, 0xF8, true, 0x31305841);
    appendRegisterRecord(bytes, 0x34, false, 1234);
    appendRegisterRecord(bytes, 0x40, true, 5);
    appendRegisterRecord(bytes, 0x1B, false, 310);
    appendRegisterRecord(bytes, 0x07, true, 0x11223344);
    appendRegisterRecord(bytes, 0x3D, false, 0x1B);
    appendRegisterRecord(bytes, 0x6E, true, 77);
    appendRegisterRecord(bytes, 0x2C, false, 31);
    std::string path = test::writeBytes("load.vrf", bytes);
    ASSERT_EQ(loadRegisterSet(&connection_, path, false), kLoadOk);
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_EQ(frameLog(4), (std::vector<std::string>{"w2c=1f", "w34=4d2", "w07=11223344", "wf8=31305841"}));
    EXPECT_EQ(drive_->reg(0x34), 1234u);
    EXPECT_EQ(drive_->reg(0x1B), 310u);
}

TEST_F(SimFiles, LoadOfAnOldFirmwareSetWarnsAndPresets) {
    std::vector<uint8_t> bytes = test::magicBytes();
    appendRegisterRecord(bytes, 0x1B, false, 250);
    appendRegisterRecord(bytes, 0x65, true, 9);
    appendRegisterRecord(bytes, 0x40, false, 1);  // 32-bit register stored with length 2: no box below 300
    std::string path = test::writeBytes("old.vrf", bytes);
    ASSERT_EQ(loadRegisterSet(&connection_, path, false), kLoadOk);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{
                                  "Register set belongs to a firmware below 300, converting/presetting some registers!"});
    std::vector<std::string> expected{"w05=0",   "w06=0",    "w0e=0",    "w1e=0",    "w3e=8000", "w3f=7eb7",
                                      "w4c=0",   "w50=0",    "w53=0",    "w58=0",    "w64=190",  "wa2=15e0",
                                      "wa3=1b58", "wf1=fa",  "w07=0",    "w08=0",    "w0a=0",    "w0b=0",
                                      "w0c=0",   "w0d=0",    "w2f=10000000", "w65=2", "w7e=0", "wa5=7fff0ccc",
                                      "wd7=10000000"};
    EXPECT_EQ(frameLog(expected.size()), expected);
}

TEST_F(SimFiles, ScriptCommandsOnTheWire) {
    drive_->setReg(0x34, 0x0F0F);
    drive_->setReg(0x6E, 0xF0000000);
    EXPECT_EQ(run("setregister 0x36 \"AB\"\n"
                  "ANDREGISTER 52 0xff\n"
                  "ORREGISTER 0x6e 0x12\n"
                  "SETREGISTER 0x6E -2147483648\n"),
              kScriptOk);
    EXPECT_EQ(frameLog(), (std::vector<std::string>{"w36=4241", "r36", "r34", "w34=f", "r34", "r6e",
                                                    "w6e=f0000012", "r6e", "w6e=80000000", "r6e"}));
    EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(SimFiles, ScriptMessagesNameTheirLine) {
    drive_->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == 0x34 ? 3000u : value; });
    EXPECT_EQ(run("# clamp\n\nSETREGISTER 0x34 -100\nSETREGISTER 0x35 1\n"), kScriptOk);
    EXPECT_EQ(boxes_.texts(), (std::vector<std::string>{
                                  "Value too large for 16bit-register (-100 (0xffffff9c), line 3)!",
                                  "Register value changed by the Drive (65436 (0xff9c) -> 3000 (0xbb8), line 3)!"}));
    EXPECT_EQ(frameLog(), (std::vector<std::string>{"w34=ff9c", "r34", "w35=1", "r35"}));

    boxes_.boxes.clear();
    drive_->clearFrames();
    drive_->setFault(sim::Fault::Silent, 1);
    EXPECT_EQ(run("\nANDREGISTER 0x34 1\nSETREGISTER 0x35 2\n"), kScriptRegisterCommandFailed);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{"Error reading register 0x34 (line 2)!"});
    EXPECT_EQ(frameLog(), std::vector<std::string>{"r34"});
}

TEST_F(SimFiles, EepromCommandHoldsTheDriveForTwoSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::atomic<long long> otherDoneMs{-1};
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        uint16_t value = 0;
        connection_.read16bitRegister(0x1B, &value);
        otherDoneMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    });
    EXPECT_EQ(run("SAVETOEEPROM 3\n"), kScriptOk);
    long long scriptMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    other.join();
    EXPECT_GE(scriptMs, 2000);
    EXPECT_GE(otherDoneMs.load(), 2000);
    EXPECT_EQ(frameLog(), (std::vector<std::string>{"w84=3", "r1b"}));

    drive_->clearFrames();
    EXPECT_EQ(run("READFROMEEPROM 65535\n"), kScriptOk);
    EXPECT_EQ(frameLog(1), std::vector<std::string>{"w83=ffff"});

    drive_->clearFrames();
    EXPECT_EQ(run("READFROMEEPROM 65536\nSETREGISTER 0x34 1\n"), kScriptBadParameterSet);
    EXPECT_TRUE(frameLog().empty());
    EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(SimFiles, RegisterLinesFromTheDrive) {
    drive_->setReg(0x1B, 300);
    drive_->setReg(0x34, 0xFF9C);
    EXPECT_EQ(formatRegisterLine(&connection_, 0x1B).substr(0, 34), "0x1b (RO): 0x012c     300         ");
    EXPECT_EQ(formatRegisterLine(&connection_, 0x34).substr(0, 34), "0x34 (RW): 0xff9c     -100        ");
    drive_->setFault(sim::Fault::Silent, 1);
    EXPECT_EQ(formatRegisterLine(&connection_, 0x34), "0x34 (RW): unable to read");
}

}  // namespace
}  // namespace torvex
