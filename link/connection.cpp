#include "link/connection.h"

#include <chrono>
#include <thread>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "link/wire.h"

namespace torvex {

std::atomic<uint32_t> firmwareVersion{0};

const char* const portChoices[10] = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "CAN", "TCP"};

namespace {

const char* const kTextRead16 = "Internal error:\nread16bitRegister for register 0x%x!\nPlease inform the manufacturer.";
const char* const kTextRead32 = "Internal error:\nread32bitRegister for register 0x%x!\nPlease inform the manufacturer.";
const char* const kTextWrite16 = "Internal error:\nwrite16bitRegister for register 0x%x!\nPlease inform the manufacturer.";
const char* const kTextWrite32 = "Internal error:\nwrite32bitRegister for register 0x%x!\nPlease inform the manufacturer.";
const char* const kTextWriteRead16 =
    "Internal error:\nwriteRead16bitRegister for register 0x%x!\nPlease inform the manufacturer.";
const char* const kTextWriteRead32 =
    "Internal error:\nwriteRead32bitRegister for register 0x%x!\nPlease inform the manufacturer.";
const char* const kTextWriteSleep =
    "Internal error:\nwrite16bitRegisterAndSleep for register 0x%x!\nPlease inform the manufacturer.";
const char* const kTextWriteOffline =
    "Internal error:\nwrite16bitRegisterAndOffline for register 0x%x!\nPlease inform the manufacturer.";

}  // namespace

// The connection's lock for one exchange. Boxes that the transport asks for meanwhile (the
// opening boxes, the CAN filter box) are collected and shown once the lock is released, so
// a box never waits for a user while other threads wait for the drive.
class DriveConnection::Exchange {
public:
    explicit Exchange(DriveConnection& connection) : connection_(connection) {
        connection_.lock_.lock();
        ++connection_.lockDepth_;
    }
    ~Exchange() {
        std::vector<std::pair<std::string, std::string>> boxes;
        if (--connection_.lockDepth_ == 0) boxes.swap(connection_.pendingBoxes_);
        connection_.lock_.unlock();
        for (const auto& box : boxes) messageBox(box.first, box.second, kMsgOk | kMsgIconError);
    }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

private:
    DriveConnection& connection_;
};

DriveConnection::DriveConnection() {
    transport_.setBoxSink([this](const std::string& text, const std::string& caption) {
        // Called by the transport, i.e. by the thread that holds the lock.
        if (lockDepth_ > 0)
            pendingBoxes_.emplace_back(text, caption);
        else
            messageBox(text, caption, kMsgOk | kMsgIconError);
    });
}

DriveConnection::~DriveConnection() {
    Exchange exchange(*this);
    transport_.closePort();
}

void DriveConnection::widthMismatch(const char* text, uint32_t reg) {
    messageBox(strprintf(tr(text).c_str(), reg), tr(kCaptionInternalError), kMsgOk | kMsgIconError);
}

// ---------------------------------------------------------------------------------------
// Internal exchanges

bool DriveConnection::writeRegisterLocked(uint32_t reg, uint32_t value) {
    Exchange exchange(*this);
    if (offlineImage_) return false;
    return transport_.sendRegisterFrame(reg, value, usable());
}

uint32_t DriveConnection::readRegisterLocked(uint32_t reg, uint32_t* value) {
    Exchange exchange(*this);
    return transport_.requestRegister(reg, value, usable());
}

// ---------------------------------------------------------------------------------------
// Reads and writes

uint32_t DriveConnection::read16bitRegister(uint32_t reg, uint16_t* value) {
    if (is32bitRegister(reg)) widthMismatch(kTextRead16, reg);
    if (!wire::isWireRegister(reg)) return 1;  // an unknown number: refused in every mode
    if (offlineImage_) {
        std::lock_guard<std::mutex> guard(imageMutex_);
        if (value) *value = static_cast<uint16_t>(imageValueLocked(reg, false));
        return 0;
    }
    uint32_t read = 0;
    if (!readRegisterLocked(reg, &read)) return 1;
    if (value) *value = static_cast<uint16_t>(read & 0xFFFF);
    return 0;
}

uint32_t DriveConnection::read32bitRegister(uint32_t reg, uint32_t* value) {
    if (!is32bitRegister(reg)) widthMismatch(kTextRead32, reg);
    if (!wire::isWireRegister(reg)) return 1;
    if (offlineImage_) {
        std::lock_guard<std::mutex> guard(imageMutex_);
        if (value) *value = imageValueLocked(reg, true);
        return 0;
    }
    uint32_t read = 0;
    if (!readRegisterLocked(reg, &read)) return 1;
    if (value) *value = read;
    return 0;
}

uint32_t DriveConnection::write16bitRegister(uint32_t reg, uint16_t value) {
    if (is32bitRegister(reg)) widthMismatch(kTextWrite16, reg);
    if (!wire::isWireRegister(reg)) return 1;
    if (offlineImage_) {
        std::lock_guard<std::mutex> guard(imageMutex_);
        values16_[static_cast<uint16_t>(reg)] = value;
        return 0;
    }
    return writeRegisterLocked(reg, value) ? 0 : 1;
}

uint32_t DriveConnection::write32bitRegister(uint32_t reg, uint32_t value) {
    if (!is32bitRegister(reg)) widthMismatch(kTextWrite32, reg);
    if (!wire::isWireRegister(reg)) return 1;
    if (offlineImage_) {
        std::lock_guard<std::mutex> guard(imageMutex_);
        values32_[static_cast<uint16_t>(reg)] = value;
        return 0;
    }
    return writeRegisterLocked(reg, value) ? 0 : 1;
}

uint32_t DriveConnection::writeRead16bitRegister(uint32_t reg, uint16_t* value) {
    if (is32bitRegister(reg)) widthMismatch(kTextWriteRead16, reg);
    if (!value || !wire::isWireRegister(reg)) return 1;
    if (offlineImage_) {
        std::lock_guard<std::mutex> guard(imageMutex_);
        values16_[static_cast<uint16_t>(reg)] = *value;
        return 0;
    }
    if (!writeRegisterLocked(reg, *value)) return 1;
    uint32_t read = 0;
    if (!readRegisterLocked(reg, &read)) return 2;
    *value = static_cast<uint16_t>(read & 0xFFFF);
    return 0;
}

uint32_t DriveConnection::writeRead32bitRegister(uint32_t reg, uint32_t* value) {
    if (!is32bitRegister(reg)) widthMismatch(kTextWriteRead32, reg);
    if (!value || !wire::isWireRegister(reg)) return 1;
    if (offlineImage_) {
        std::lock_guard<std::mutex> guard(imageMutex_);
        values32_[static_cast<uint16_t>(reg)] = *value;
        return 0;
    }
    if (!writeRegisterLocked(reg, *value)) return 1;
    uint32_t read = 0;
    if (!readRegisterLocked(reg, &read)) return 2;
    *value = read;
    return 0;
}

uint32_t DriveConnection::write16bitRegisterAndSleep(uint32_t reg, uint16_t value, uint32_t milliseconds) {
    if (is32bitRegister(reg)) widthMismatch(kTextWriteSleep, reg);
    Exchange exchange(*this);
    if (offlineImage_) return 1;
    if (!wire::isWireRegister(reg)) return 2;
    const bool sent = transport_.sendRegisterFrame(reg, value, usable());
    // The drive works on its EEPROM: nobody else talks to it meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return sent ? 0 : 2;
}

uint32_t DriveConnection::write16bitRegisterAndOffline(uint32_t reg, uint16_t value) {
    if (is32bitRegister(reg)) widthMismatch(kTextWriteOffline, reg);
    Exchange exchange(*this);
    if (offlineImage_) return 1;
    const bool sent = wire::isWireRegister(reg) && transport_.sendRegisterFrame(reg, value, usable());
    online_ = false;
    offlineImage_ = false;
    transport_.closePort();
    return sent ? 0 : 2;
}

uint32_t DriveConnection::readRegisterSeries(int16_t reg, uint32_t value, int* out, uint32_t count) {
    Exchange exchange(*this);
    if (offlineImage_) return 0;
    return transport_.readRegisterSeries(reg, value, out, count, usable());
}

// ---------------------------------------------------------------------------------------
// Connecting, disconnecting, the offline image

uint32_t DriveConnection::connectDrive(const std::string& port, uint32_t baud) {
    Exchange exchange(*this);
    online_ = false;
    firmwareVersion = 0;
    offlineImage_ = false;
    if (transport_.openPort(port, baud) != 0) return 1;
    for (int attempt = 0; attempt < wire::kConnectTries; ++attempt) {
        // The request needs the link usable; it is passed as such rather than by setting
        // online_, so that no other thread sees the drive online before the check passed.
        uint32_t value = 0;
        if (!transport_.requestRegister(kRegFirmware, &value, true)) continue;
        const uint32_t firmware = value & 0xFFFF;
        firmwareVersion = firmware;
        if (firmware >= wire::kMinimumFirmware) {
            online_ = true;
            return 0;
        }
        transport_.closePort();
        return 3;
    }
    transport_.closePort();
    return 2;
}

void DriveConnection::disconnectDrive() {
    Exchange exchange(*this);
    online_ = false;
    offlineImage_ = false;
    transport_.closePort();
}

void DriveConnection::loadOfflineImage(const RegisterValueMap16& values16, const RegisterValueMap32& values32) {
    Exchange exchange(*this);
    firmwareVersion = 0;
    transport_.closePort();
    uint32_t firmware = 0;
    {
        std::lock_guard<std::mutex> guard(imageMutex_);
        values16_ = values16;
        values32_ = values32;
        const auto found = values16_.find(static_cast<uint16_t>(kRegFirmware));
        if (found != values16_.end()) firmware = found->second;
    }
    firmwareVersion = firmware;
    offlineImage_ = true;
}

// ---------------------------------------------------------------------------------------
// State

bool DriveConnection::isConnected() const { return offlineImage_ || (online_ && transport_.isOpen()); }
bool DriveConnection::isOnline() const { return online_; }
bool DriveConnection::isOfflineImage() const { return offlineImage_; }
bool DriveConnection::isLinkOpen() const { return transport_.isOpen(); }
bool DriveConnection::isCan() const { return transport_.isCan(); }
bool DriveConnection::isTcp() const { return transport_.isTcp(); }

std::string DriveConnection::getIpAddress() const { return transport_.ipAddress(); }
void DriveConnection::setIpAddress(const std::string& address) { transport_.setIpAddress(address); }

uint32_t DriveConnection::imageValueLocked(uint32_t reg, bool wide, bool* held) const {
    const auto key = static_cast<uint16_t>(reg);
    const auto found16 = values16_.find(key);
    const auto found32 = values32_.find(key);
    const bool has16 = found16 != values16_.end();
    const bool has32 = found32 != values32_.end();
    if (held) *held = has16 || has32;
    // The map of the asked width first: a write at that width replaces what the file had.
    if (wide) return has32 ? found32->second : has16 ? found16->second : 0;
    return has16 ? found16->second : has32 ? (found32->second & 0xFFFFu) : 0;
}

bool DriveConnection::imageRegister(uint32_t reg, uint32_t* value) const {
    if (!offlineImage_ || !wire::isWireRegister(reg)) return false;
    std::lock_guard<std::mutex> guard(imageMutex_);
    bool held = false;
    const uint32_t found = imageValueLocked(reg, is32bitRegister(reg), &held);
    if (held && value) *value = found;
    return held;
}

RegisterValueMap16 DriveConnection::imageValues16() const {
    std::lock_guard<std::mutex> guard(imageMutex_);
    return values16_;
}

RegisterValueMap32 DriveConnection::imageValues32() const {
    std::lock_guard<std::mutex> guard(imageMutex_);
    return values32_;
}

}  // namespace torvex
