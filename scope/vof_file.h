// The oscilloscope file (.vof): a fixed 796-byte little-endian header with the page's
// settings, then the samples as signed 32-bit values. Reader and writer work on bytes and
// know no window; files come from anywhere, so the reader checks every field it hands on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scope/scope_capture.h"

namespace torvex {

constexpr size_t kScopeFileHeaderSize = 796;
constexpr size_t kScopeFileMagicSize = 55;  // with its terminating NUL
inline constexpr char kScopeFileMagic[] = "Velmar Industrieelektronik GmbH Oscilloscope data V1.0";
static_assert(sizeof kScopeFileMagic == kScopeFileMagicSize);

// Everything a file stores besides the capture itself.
struct ScopeFileSettings {
    std::array<int32_t, kScopeChannels> uDiv{};
    std::array<int32_t, kScopeChannels> pos{};
    std::array<ScopeRgb, kScopeChannels> colours{};
    ScopeRgb background;
    ScopeRgb grid;
    ScopeRgb zeroLine;
    uint32_t timePerDivision = 0;  // microseconds
    uint32_t triggerEdge = 0;      // 0, 1, 3..7
    uint32_t triggerOn = 0;        // 0..7 = channel 1..8, else a register
    uint32_t triggerBuffer = 0;    // 250, 500, 1000, 2000
    uint32_t triggerRun = 0;       // 0 Auto, 1 Single, 2 Normal
    int32_t triggerLevel = 0;
    uint32_t stepRegister = 0;     // 0x21, 0x90, 0x31, 0x6E
    int32_t stepValue1 = 0;
    int32_t stepTime1 = 0;
    int32_t stepValue2 = 0;
    int32_t stepTime2 = 0;
    int32_t stepStopValue = 0;
    int32_t stepStopTime = 0;
    bool join = false;
    bool zero = false;
    bool over = false;
    friend bool operator==(const ScopeFileSettings&, const ScopeFileSettings&) = default;
};

// One file: the settings, the drive's scale registers at the time of the capture, and the
// capture (whose channelRegisters are the channels' signal registers, 0 = "--Off--").
struct ScopeFile {
    ScopeFileSettings settings;
    ScopeScales scales;
    ScopeCapture capture;
};

enum class ScopeFileStatus {
    Ok,
    TooShort,          // shorter than the header
    WrongMagic,
    TooManySamples,    // more than the drive's buffer of 5000
    TooManyChannels,   // more slots than channels
    MissingSamples,    // fewer samples than the header counts
    UnknownSetting,    // a value no choice of the page carries
    UnknownSignal,     // a signal or trigger register the register list does not offer
    NotOpened,         // the file cannot be opened for reading
    NotCreated,        // no file can be made at the path for writing
    WriteFailed,       // made, but not all of it could be written
};

// Is a register one the register list offers (as a channel signal or Trigger On entry)?
using ScopeSignalCheck = std::function<bool(uint32_t reg)>;

// The time-scale choices in microseconds per division.
inline constexpr std::array<uint32_t, 12> kScopeTimeScales{
    1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000, 2000000, 5000000};

// The file's bytes. At most sampleCount samples of the capture are written, never more
// than it holds.
std::vector<uint8_t> encodeScopeFile(const ScopeFile& file);

// Reads a file's bytes. Bytes after the counted samples are ignored. Without a check,
// any signal register 1..255 is taken. On failure out is left without a capture.
ScopeFileStatus decodeScopeFile(const uint8_t* data, size_t size, ScopeFile& out,
                                const ScopeSignalCheck& knownSignal = {});

// The file on disk: reading stops after the largest file the format allows; writing goes
// beside the old file and replaces it only when complete.
ScopeFileStatus readScopeFile(const std::string& path, ScopeFile& out, const ScopeSignalCheck& knownSignal = {});
ScopeFileStatus writeScopeFile(const std::string& path, const ScopeFile& file);

// The message for a failed read or write of path (translated).
std::string scopeFileMessage(ScopeFileStatus status, const std::string& path);

}  // namespace torvex
