// A simulated drive that speaks the wire protocol over TCP, a pseudo-terminal and the
// test build of the CAN adapter library. Tests run it in-process; the program
// torvex-drivesim runs it on its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/can_adapter_api.h"

namespace torvex::sim {

enum class Link { Tcp, Serial, Can };

enum class Fault {
    None,
    Silent,         // receive requests, never answer
    WrongRegister,  // answer for another register
    WrongLength,    // answer with a length that fits no register
    SplitRecord,    // TCP: send a reply record in several pieces, with pauses
    StrayByte,      // serial: put one extra byte before the reply
    CloseLink,      // close the connection on the next request
};

struct ReceivedFrame {
    Link link;
    bool isRead;        // a request on register 0x3D
    uint32_t reg;       // the register written, or the register asked for by a read
    uint32_t value;     // the value written (0 for reads)
    std::vector<uint8_t> raw;  // the bytes as they came
};

struct SimOptions {
    std::string tcpAddress = "127.0.0.1";  // port 6666; empty: no TCP
    bool serial = false;                   // offer a pseudo-terminal
    std::string serialLink;                // also make a symlink to it here
    bool can = false;                      // listen for the test CAN adapter library
    uint16_t firmware = 310;
    bool longReplies = false;              // pad 16-bit CAN/TCP replies to 6 bytes
};

class SimDrive {
public:
    explicit SimDrive(SimOptions options = {});
    ~SimDrive();
    SimDrive(const SimDrive&) = delete;
    SimDrive& operator=(const SimDrive&) = delete;

    bool start();   // false when a listener could not be set up
    void stop();

    std::string serialPath() const;     // the pseudo-terminal's slave path
    std::string canEndpoint() const;    // value for TORVEX_CAN_SIM, read by the test adapter library
    // The test build of the CAN adapter library (for TORVEX_CAN_LIBRARY); empty when
    // it was not built.
    static std::string canAdapterLibrary();

    uint32_t reg(uint32_t reg) const;
    void setReg(uint32_t reg, uint32_t value);
    void setFirmware(uint16_t firmware);
    void setLongReplies(bool on);

    // count: how many requests the fault affects; -1 until cleared with Fault::None.
    // CloseLink counts every request; the others count requests that get an answer
    // (reads, and writes of a register with a series reply), since a plain write is
    // never answered anyway. Links without the notion ignore SplitRecord (CAN) and
    // StrayByte (CAN). On serial, WrongRegister answers another register's value and
    // WrongLength leaves out the last byte; CloseLink offers a new pseudo-terminal
    // (serialPath() and the symlink follow); on CAN it takes the bus down (CAN_Status
    // fails) until the library's next CAN_Init.
    void setFault(Fault fault, int count = -1);

    // A write to reg is answered with these values, one 16-bit reply of reg each (the
    // drive streams oscilloscope samples this way).
    void setSeriesReply(uint32_t reg, std::vector<uint16_t> values);

    // Called for every write; returns the value the drive keeps (e.g. clamped).
    void setWriteFilter(std::function<uint32_t(uint32_t reg, uint32_t value)> filter);

    // Every frame received on any link, oldest first; frames of another identifier or
    // message type are logged too (as writes) but have no effect.
    std::vector<ReceivedFrame> frames() const;
    void clearFrames();
    int connectionCount() const;        // TCP connections accepted so far

    // Waits until at least count frames have arrived since the last clearFrames (a write
    // gets no reply, so this is how a test knows the drive has it). False on time-out.
    bool waitForFrames(size_t count, int timeoutMs = 2000) const;

    std::string tcpAddress() const;     // the address listened on (port 6666), empty without TCP

    // CAN only: these messages go out, once, just before the next reply (another
    // identifier, another message type, a reply for another register...).
    void sendCanBeforeNextReply(std::vector<can::CanMessage> messages);

    // Every answer leaves this many milliseconds after its request (0: at once); a stop
    // does not wait for the delay to run out.
    void setReplyDelay(int milliseconds);
    // Reads of reg go unanswered (still logged) until it is made talkative again.
    void setRegisterSilent(uint32_t reg, bool silent);
    // Writes of reg are refused until it is accepted again: the register keeps its value
    // and no hook, filter or series runs. Where the link can tell the sender it does: on
    // CAN the frame is not acknowledged, so the adapter's CAN_Write fails and the frame
    // never reaches the drive. TCP and serial answer no write, so there the request is
    // logged and dropped.
    void setWriteRefused(uint32_t reg, bool refused);

    // Where later behaviour hooks in. Both run on the drive's own threads without its
    // lock held, so they may call reg() and setReg(). A write hook runs after the value
    // was stored; a read hook gives the value answered (from the stored one).
    void setWriteHook(uint32_t reg, std::function<void(uint32_t value)> hook);
    void setReadHook(uint32_t reg, std::function<uint32_t(uint32_t stored)> hook);
    // Like setSeriesReply, but the values answered are computed from each value written
    // (a hook set here wins over a fixed series of the same register).
    void setSeriesHook(uint32_t reg, std::function<std::vector<uint16_t>(uint32_t value)> hook);

    // The motor (sim_motor.h): off unless asked. While STATUS (0x40) bit 0 is set, 0x30
    // and 0xA8 follow the speed command 0x31 (through 0x5D) first order, 0x20 follows
    // 0x21 + 0x90, 0x6D integrates the speed (or follows 0x6E once 0x6E was written) and
    // 0x70 = 0x91 - 0x6D; the last of 0x31, 0x6E, 0x21/0x90 written picks the mode.
    // Independent of it, a write of 0xC8 or 0x59 sets 0xCE to min(0xC8, 0x59 * 10 / 8).
    void enableMotor(bool on);                  // sets or clears STATUS bit 0
    void stepMotor(int ms);                     // advances the motor ms milliseconds now
    void runMotor(bool on, int periodMs = 10);  // steps it on a timer of its own

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace torvex::sim
