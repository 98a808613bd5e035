// The one connection between the tool and the drive: a transport under one lock,
// the online flag, the firmware check, width checks and the offline image of a
// viewed register file.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "link/transport.h"

namespace torvex {

using RegisterValueMap16 = std::map<uint16_t, uint16_t>;
using RegisterValueMap32 = std::map<uint16_t, uint32_t>;

// Firmware number of the connected drive or of the viewed register file; 0 when none.
extern std::atomic<uint32_t> firmwareVersion;

// The ten port texts of the Communication menu, in menu order.
extern const char* const portChoices[10];

class DriveConnection {
public:
    DriveConnection();
    ~DriveConnection();
    DriveConnection(const DriveConnection&) = delete;
    DriveConnection& operator=(const DriveConnection&) = delete;

    // Results: 0 success; see each operation.
    uint32_t read16bitRegister(uint32_t reg, uint16_t* value);
    uint32_t read32bitRegister(uint32_t reg, uint32_t* value);
    uint32_t write16bitRegister(uint32_t reg, uint16_t value);
    uint32_t write32bitRegister(uint32_t reg, uint32_t value);
    // value: in the value to write, out the value read back. 1 write failed, 2 read-back failed.
    uint32_t writeRead16bitRegister(uint32_t reg, uint16_t* value);
    uint32_t writeRead32bitRegister(uint32_t reg, uint32_t* value);
    // Holds the lock while the drive works (EEPROM commands). 1 image mode, 2 failed.
    uint32_t write16bitRegisterAndSleep(uint32_t reg, uint16_t value, uint32_t milliseconds);
    // Sends and drops the link (boot loader). 1 image mode, 2 failed.
    uint32_t write16bitRegisterAndOffline(uint32_t reg, uint16_t value);
    // Number of 16-bit values received after one request (oscilloscope capture).
    uint32_t readRegisterSeries(int16_t reg, uint32_t value, int* out, uint32_t count);

    // 0 online, 1 port not opened, 2 no answer to 0x1B, 3 firmware below 300.
    uint32_t connectDrive(const std::string& port, uint32_t baud);
    void disconnectDrive();
    void loadOfflineImage(const RegisterValueMap16& values16, const RegisterValueMap32& values32);

    // Usable: viewing a file, or online with the link open.
    bool isConnected() const;
    bool isOnline() const;
    bool isOfflineImage() const;
    bool isLinkOpen() const;
    bool isCan() const;
    bool isTcp() const;

    std::string getIpAddress() const;
    void setIpAddress(const std::string& address);

    // Copies of the offline image (empty unless a file was loaded as image).
    RegisterValueMap16 imageValues16() const;
    RegisterValueMap32 imageValues32() const;
    // The value the viewed image holds for reg at the register's own width: from the map
    // of that width, else from the other map (a file may store a register at the other
    // width; 16 bits widen with zeros, 32 bits give their low half). False when no file
    // is viewed or the image does not hold the register.
    bool imageRegister(uint32_t reg, uint32_t* value) const;

    // The link itself: tests replace its platform layers and shorten its time-outs; nothing
    // else should talk to it past the connection's lock.
    DriveTransport& transport() { return transport_; }

private:
    class Exchange;  // the lock for one exchange; shows the boxes asked for meanwhile

    bool writeRegisterLocked(uint32_t reg, uint32_t value);
    uint32_t readRegisterLocked(uint32_t reg, uint32_t* value);  // 1 read, 0 failed
    bool usable() const { return online_.load() || offlineImage_.load(); }
    // The image's value at the given width, as imageRegister; 0 when it holds none.
    uint32_t imageValueLocked(uint32_t reg, bool wide, bool* held = nullptr) const;  // under imageMutex_
    static void widthMismatch(const char* text, uint32_t reg);

    DriveTransport transport_;
    mutable std::recursive_mutex lock_;
    int lockDepth_ = 0;                                  // under lock_
    std::vector<std::pair<std::string, std::string>> pendingBoxes_;  // under lock_
    std::atomic<bool> offlineImage_{false};
    std::atomic<bool> online_{false};
    mutable std::mutex imageMutex_;  // guards the maps against concurrent readers
    RegisterValueMap16 values16_;
    RegisterValueMap32 values32_;
};

}  // namespace torvex
