// Register sets on disk: the register file (vrf) the tool writes and reads, the old
// drive file (vtd) it still imports, and loading a set into the drive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/connection.h"

namespace torvex {

// The 47 characters of the register file's magic; a NUL byte follows them in the file.
inline constexpr char kRegisterFileMagic[] = "Velmar Industrieelektronik GmbH Drive data V1.0";
constexpr size_t kRegisterFileMagicSize = 48;  // with its NUL
constexpr size_t kDriveFileSize = 4 + 256 * 4;

// writeRegisterFile / saveRegisterFile results.
enum : int32_t {
    kSaveOk = 0,
    kSaveNotConnected = 1,
    kSaveFileError = -1,
    kSaveReadFailed = -2,  // the register is given in *failedRegister
};

// readRegisterFile results.
enum : uint32_t {
    kRegisterFileOk = 0,
    kRegisterFileNotOpened = 1,
    kRegisterFileNoMagic = 2,       // shorter than the magic
    kRegisterFileWrongMagic = 3,
    kRegisterFileTruncated = 4,     // a record ends inside its length or value
};

// readDriveFile results.
enum : uint32_t {
    kDriveFileOk = 0,
    kDriveFileNotOpened = 1,
    kDriveFileNoVersion = 2,
    kDriveFileVersionZero = 3,
    kDriveFileTruncated = 4,        // fewer than 256 values
    kDriveFileUnknownVersion = 5,
};

// loadRegisterSet results.
enum : uint32_t {
    kLoadOk = 0,
    kLoadReadFailed = 1,
    kLoadWrite16Failed = 2,
    kLoadWrite32Failed = 3,
};

// Reads every listed register through the connection and writes the records in the
// list's order. A viewed image is saved as it is: only the listed registers it holds, each
// at its register's width (see DriveConnection::imageRegister). The file is written beside the
// target and renamed into place only when complete, so a failed save leaves an earlier
// file of that name as it was. Numbers above 255 name no register and are skipped.
// A failed read gives kSaveReadFailed with the register in *failedRegister.
int32_t writeRegisterFile(DriveConnection* connection, const std::string& path,
                          const std::vector<uint32_t>& registers, uint32_t* failedRegister = nullptr);
// Every RO and RW register 0..255 in ascending order.
int32_t saveRegisterFile(DriveConnection* connection, const std::string& path, uint32_t* failedRegister = nullptr);
std::vector<uint32_t> readableRegisters();

// Appends one big-endian record: number, length 2 or 4, value.
void appendRegisterRecord(std::vector<uint8_t>& out, uint16_t reg, bool is32bit, uint32_t value);

// Both maps are emptied first. Records naming a register above 255 are skipped.
uint32_t readRegisterFile(const std::string& path, RegisterValueMap16& values16, RegisterValueMap32& values32,
                          bool normalise);
uint32_t parseRegisterFile(const uint8_t* data, size_t size, RegisterValueMap16& values16,
                           RegisterValueMap32& values32, bool normalise);

uint32_t readDriveFile(const std::string& path, RegisterValueMap16& values16, RegisterValueMap32& values32);
uint32_t parseDriveFile(const uint8_t* data, size_t size, RegisterValueMap16& values16,
                        RegisterValueMap32& values32);

// Moves each value into the map of its register's width; warn shows a box per move.
int convertRegisterWidths(RegisterValueMap16& values16, RegisterValueMap32& values32, bool warn);
// Sets (adds or overwrites) the register in the map of its width.
void presetRegister(uint32_t reg, uint32_t value, RegisterValueMap16& values16, RegisterValueMap32& values32);
// The presets applied to sets from firmware below 300, in order.
void presetOldFirmwareRegisters(RegisterValueMap16& values16, RegisterValueMap32& values32);
// True when the set carries no firmware number or one below 300.
bool isOldFirmwareSet(const RegisterValueMap16& values16);

// Reads the file and writes its RW registers to the drive, 16-bit ones first, each
// group in ascending order.
uint32_t loadRegisterSet(DriveConnection* connection, const std::string& path, bool oldDriveFile);

}  // namespace torvex
