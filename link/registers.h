// Register model: descriptor table, per-register flag cache, names and text keys.
#pragma once

#include <cstdint>
#include <string>

namespace torvex {

enum RegisterClass : uint32_t {
    kClassUnknown = 0,
    kClassRO = 1,
    kClassWO = 2,
    kClassRW = 3,
    kClassFN = 4,
    kClassSP = 5,
};

// Registers other code relies on by number.
enum : uint32_t {
    kRegFirmware = 0x1B,      // KERN_VERSION
    kRegRead = 0x3D,          // READ request of the wire protocol
    kRegStatus = 0x40,        // STATUS
    kRegParaRead = 0x83,      // FUN_PARAREAD
    kRegParaWrite = 0x84,     // FUN_PARAWRITE
    kRegSerialBoot = 0xB0,    // FUN_SERIALBOOT
    kRegAxisName = 0xF8,      // ASCII_USER
};

constexpr int kRegisterCount = 256;
constexpr int kRegisterNameWidth = 21;

struct RegisterDescriptor {
    uint16_t reg;
    uint16_t flags;     // mask 0x3000: 32 bits wide; 0x4000: unsigned
    uint8_t classByte;  // high nibble: access class
};

extern const RegisterDescriptor registerDescriptorTable[];
extern const int registerDescriptorRowCount;  // rows before the end row

struct RegisterFlags {
    uint32_t accessClass;
    bool isUnsigned;
    bool is32bit;
};

// Table scans; only used while the cache is built (and by tests).
uint32_t lookupRegisterAccessClass(uint32_t reg);
bool lookupRegisterUnsigned(uint32_t reg);
bool lookup32bitRegister(uint32_t reg);

// Fills the process-wide flag cache. Called once before anything touches a register.
void buildRegisterCache();

// Constant-time cache reads. Numbers outside 0..255 answer as an unknown register.
uint32_t registerAccessClass(uint32_t reg);
bool isRegisterUnsigned(uint32_t reg);
bool is32bitRegister(uint32_t reg);
inline bool isValidRegisterNumber(long reg) { return reg >= 0 && reg < kRegisterCount; }

// "RO", "WO", "RW", "FN", "SP" or "??".
const char* accessClassText(uint32_t accessClass);

// The fixed 21-character internal name (the catalogue key), or "Unknown register     ".
std::string registerNameKey(uint32_t reg);
// The translation of registerNameKey.
std::string registerName(uint32_t reg);
extern const char* const kUnknownRegisterName;

// Catalogue keys of the per-register texts.
std::string regNameKey(uint32_t reg);      // "RegName_0x%02x"
std::string regLabelKey(uint32_t reg);     // "RegLabel_0x%02x"
std::string regCommentKey(uint32_t reg);   // "RegComment_0x%02x"
std::string regTooltipKey(uint32_t reg);   // "Tooltip Register 0x%02x"

}  // namespace torvex
