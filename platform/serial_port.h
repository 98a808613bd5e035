// The serial port as the drive link uses it (Linux layer over termios).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace torvex::platform {

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the port text's device raw 8N1 at 115200 baud when baud is 115200, else at
    // 9600; DTR and RTS off; exclusive. False when it could not be opened.
    virtual bool open(const std::string& portText, uint32_t baud) = 0;
    virtual void close() = 0;
    // The open file descriptor, or -1.
    virtual int handle() const = 0;

    // Writes the bytes within the write time-out (100 ms + 10 ms per byte); returns the
    // number written.
    virtual size_t write(const uint8_t* bytes, size_t count) = 0;
    // One byte within timeoutMs; false when none came (time-out, or the port failed).
    virtual bool readByte(uint8_t* byte, int timeoutMs) = 0;
    // Throws away whatever has arrived and not been read.
    virtual void discardInput() = 0;
    // True when a byte is waiting or arrives within the given microseconds.
    virtual bool inputWithin(int microseconds) = 0;
    // Microseconds two bytes take on the line at the opened speed.
    virtual int twoByteMicroseconds() const = 0;
};

std::unique_ptr<SerialPort> makeSerialPort();

// The device a port text names: "COM1".."COM8" the device in TORVEX_COM1..TORVEX_COM8 when
// that is set and not empty, else /dev/ttyS0../dev/ttyS7; any other text names itself.
std::string serialDeviceForPort(const std::string& portText);

}  // namespace torvex::platform
