#include "link/register_file.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "link/atomic_file.h"
#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"

namespace torvex {

namespace {

constexpr uint32_t kFirstCurrentFirmware = 300;

bool readFileBytes(const std::string& path, std::vector<uint8_t>& out) {
    std::string text;
    if (!readWholeFile(path, &text)) return false;
    out.assign(text.begin(), text.end());
    return true;
}

uint16_t bigEndian16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t bigEndian32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
uint32_t littleEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void warningBox(const std::string& text) {
    messageBox(text, tr(kCaptionWarning), kMsgOk | kMsgIconExclamation);
}

}  // namespace

void appendRegisterRecord(std::vector<uint8_t>& out, uint16_t reg, bool is32bit, uint32_t value) {
    out.push_back(static_cast<uint8_t>(reg >> 8));
    out.push_back(static_cast<uint8_t>(reg));
    out.push_back(0);
    out.push_back(is32bit ? 4 : 2);
    if (is32bit) {
        out.push_back(static_cast<uint8_t>(value >> 24));
        out.push_back(static_cast<uint8_t>(value >> 16));
    }
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

int32_t writeRegisterFile(DriveConnection* connection, const std::string& chosenPath,
                          const std::vector<uint32_t>& registers, uint32_t* failedRegister) {
    if (!connection || !connection->isConnected()) return kSaveNotConnected;

    // A viewed file is saved as what it holds: a register it lacks is left out, never
    // made up as 0 (loading the new file into a drive would write those zeros).
    const bool image = connection->isOfflineImage();
    std::vector<uint8_t> bytes(kRegisterFileMagic, kRegisterFileMagic + kRegisterFileMagicSize);
    for (uint32_t reg : registers) {
        if (!isValidRegisterNumber(reg)) continue;  // would address another register on the wire
        uint32_t value = 0;
        bool wide = is32bitRegister(reg);
        if (image) {
            if (connection->imageRegister(reg, &value))
                appendRegisterRecord(bytes, static_cast<uint16_t>(reg), wide, value);
            continue;
        }
        uint32_t rc;
        if (wide) {
            rc = connection->read32bitRegister(reg, &value);
        } else {
            uint16_t value16 = 0;
            rc = connection->read16bitRegister(reg, &value16);
            value = value16;
        }
        if (rc != 0) {
            if (failedRegister) *failedRegister = reg;
            return kSaveReadFailed;
        }
        appendRegisterRecord(bytes, static_cast<uint16_t>(reg), wide, value);
    }

    // A file that cannot be made and one that cannot be written are the same failure here.
    return replaceFileAtomically(chosenPath, bytes.data(), bytes.size()) == FileReplaceResult::Replaced
               ? kSaveOk
               : kSaveFileError;
}

std::vector<uint32_t> readableRegisters() {
    std::vector<uint32_t> list;
    for (uint32_t reg = 0; reg < kRegisterCount; ++reg) {
        uint32_t access = registerAccessClass(reg);
        if (access == kClassRO || access == kClassRW) list.push_back(reg);
    }
    return list;
}

int32_t saveRegisterFile(DriveConnection* connection, const std::string& path, uint32_t* failedRegister) {
    return writeRegisterFile(connection, path, readableRegisters(), failedRegister);
}

uint32_t parseRegisterFile(const uint8_t* data, size_t size, RegisterValueMap16& values16,
                           RegisterValueMap32& values32, bool normalise) {
    values16.clear();
    values32.clear();
    if (size < kRegisterFileMagicSize) return kRegisterFileNoMagic;
    if (std::memcmp(data, kRegisterFileMagic, kRegisterFileMagicSize) != 0) return kRegisterFileWrongMagic;

    // A broken file yields no half set.
    auto truncated = [&] {
        values16.clear();
        values32.clear();
        return kRegisterFileTruncated;
    };
    size_t pos = kRegisterFileMagicSize;
    while (pos + 2 <= size) {
        uint16_t reg = bigEndian16(data + pos);
        pos += 2;
        if (pos + 2 > size) return truncated();
        uint16_t length = bigEndian16(data + pos);
        pos += 2;
        if (length == 2) {
            if (pos + 2 > size) return truncated();
            uint16_t value = bigEndian16(data + pos);
            pos += 2;
            if (isValidRegisterNumber(reg)) values16.emplace(reg, value);
        } else if (length == 4) {
            if (pos + 4 > size) return truncated();
            uint32_t value = bigEndian32(data + pos);
            pos += 4;
            if (isValidRegisterNumber(reg)) values32.emplace(reg, value);
        }
        // Any other length carries no value; the next record follows at once.
    }
    // A single byte left over is not a register number: the file ends there.

    if (normalise) {
        auto firmware = values16.find(kRegFirmware);
        bool current = firmware != values16.end() && firmware->second >= kFirstCurrentFirmware;
        convertRegisterWidths(values16, values32, current);
    }
    return kRegisterFileOk;
}

uint32_t readRegisterFile(const std::string& path, RegisterValueMap16& values16, RegisterValueMap32& values32,
                          bool normalise) {
    values16.clear();
    values32.clear();
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes)) return kRegisterFileNotOpened;
    return parseRegisterFile(bytes.data(), bytes.size(), values16, values32, normalise);
}

uint32_t parseDriveFile(const uint8_t* data, size_t size, RegisterValueMap16& values16,
                        RegisterValueMap32& values32) {
    values16.clear();
    values32.clear();
    if (size < 4) return kDriveFileNoVersion;
    uint32_t version = littleEndian32(data);
    if (version == 0) return kDriveFileVersionZero;
    // Only version 1 was ever written; anything else is not a drive file we understand.
    if (version != 1) return kDriveFileUnknownVersion;
    if (size < kDriveFileSize) return kDriveFileTruncated;
    for (uint32_t reg = 0; reg < kRegisterCount; ++reg) {
        if (registerAccessClass(reg) != kClassRW) continue;
        uint32_t value = littleEndian32(data + 4 + reg * 4);
        if (is32bitRegister(reg))
            values32.emplace(static_cast<uint16_t>(reg), value);
        else
            values16.emplace(static_cast<uint16_t>(reg), static_cast<uint16_t>(value));
    }
    return kDriveFileOk;
}

uint32_t readDriveFile(const std::string& path, RegisterValueMap16& values16, RegisterValueMap32& values32) {
    values16.clear();
    values32.clear();
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes)) return kDriveFileNotOpened;
    return parseDriveFile(bytes.data(), bytes.size(), values16, values32);
}

int convertRegisterWidths(RegisterValueMap16& values16, RegisterValueMap32& values32, bool warn) {
    for (auto it = values16.begin(); it != values16.end();) {
        if (!is32bitRegister(it->first)) {
            ++it;
            continue;
        }
        if (warn) warningBox(strprintf(tr("Konvertiere Register 0x%x von 16 bit zu 32 bit!").c_str(), unsigned{it->first}));
        values32.emplace(it->first, uint32_t{it->second});
        it = values16.erase(it);
    }
    for (auto it = values32.begin(); it != values32.end();) {
        if (is32bitRegister(it->first)) {
            ++it;
            continue;
        }
        if (warn) warningBox(strprintf(tr("Konvertiere Register 0x%x von 32 bit zu 16 bit!").c_str(), unsigned{it->first}));
        values16.emplace(it->first, static_cast<uint16_t>(it->second));
        it = values32.erase(it);
    }
    return 0;
}

void presetRegister(uint32_t reg, uint32_t value, RegisterValueMap16& values16, RegisterValueMap32& values32) {
    if (!isValidRegisterNumber(reg)) return;
    if (is32bitRegister(reg))
        values32[static_cast<uint16_t>(reg)] = value;
    else
        values16[static_cast<uint16_t>(reg)] = static_cast<uint16_t>(value);
}

void presetOldFirmwareRegisters(RegisterValueMap16& values16, RegisterValueMap32& values32) {
    static const struct {
        uint32_t reg;
        uint32_t value;
    } presets[] = {
        {0xA2, 5600}, {0xA3, 7000},      {0x64, 400},        {0xA5, 0x7FFF0CCC}, {0x65, 0},
        {0x58, 0},    {0x4C, 0},         {0x3F, 32439},      {0x3E, 0x8000},     {0x65, 2},
        {0x1E, 0},    {0x2F, 0x10000000}, {0x50, 0},         {0xD7, 0x10000000}, {0x53, 0},
        {0xF1, 250},  {0x07, 0},         {0x08, 0},          {0x05, 0},          {0x06, 0},
        {0x0E, 0},    {0x7E, 0},         {0x0A, 0},          {0x0B, 0},          {0x0C, 0},
        {0x0D, 0},
    };
    for (const auto& preset : presets) presetRegister(preset.reg, preset.value, values16, values32);
}

bool isOldFirmwareSet(const RegisterValueMap16& values16) {
    auto firmware = values16.find(kRegFirmware);
    return firmware == values16.end() || firmware->second < kFirstCurrentFirmware;
}

uint32_t loadRegisterSet(DriveConnection* connection, const std::string& path, bool oldDriveFile) {
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    uint32_t rc = oldDriveFile ? readDriveFile(path, values16, values32)
                               : readRegisterFile(path, values16, values32, true);
    if (rc != 0) return kLoadReadFailed;

    if (isOldFirmwareSet(values16)) {
        warningBox(tr("Register set belongs to a firmware below 300, converting/presetting some registers!"));
        presetOldFirmwareRegisters(values16, values32);
    }

    for (const auto& [reg, value] : values16) {
        if (registerAccessClass(reg) != kClassRW) continue;
        if (connection->write16bitRegister(reg, value) != 0) return kLoadWrite16Failed;
    }
    for (const auto& [reg, value] : values32) {
        if (registerAccessClass(reg) != kClassRW) continue;
        if (connection->write32bitRegister(reg, value) != 0) return kLoadWrite32Failed;
    }
    return kLoadOk;
}

}  // namespace torvex
