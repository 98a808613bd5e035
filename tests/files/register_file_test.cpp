#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include "link/connection.h"
#include "link/register_file.h"
#include "link/registers.h"
#include "tests/files/test_util.h"

namespace torvex {
namespace {

using test::BoxRecorder;
using test::magicBytes;

std::vector<uint8_t> record(uint16_t reg, uint16_t length, std::vector<uint8_t> value) {
    std::vector<uint8_t> out{static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg), static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(length)};
    for (uint8_t byte : value) out.push_back(byte);
    return out;
}

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::vector<uint8_t> driveFile(uint32_t version, size_t valueBytes) {
    std::vector<uint8_t> out{static_cast<uint8_t>(version), static_cast<uint8_t>(version >> 8),
                             static_cast<uint8_t>(version >> 16), static_cast<uint8_t>(version >> 24)};
    for (size_t i = 0; i < valueBytes; ++i) {
        // Register r holds 0xA0B0C000 + r, little-endian.
        uint32_t value = 0xA0B0C000u + static_cast<uint32_t>(i / 4);
        out.push_back(static_cast<uint8_t>(value >> (8 * (i % 4))));
    }
    return out;
}

TEST(RegisterFileWriter, WritesExactlyTheBigEndianRecordsInListOrder) {
    BoxRecorder boxes;
    DriveConnection connection;
    connection.loadOfflineImage({{0x1B, 310}, {0x34, 0xFF9C}}, {{0x40, 0x12345678}});
    std::string path = test::tempPath("exact.vrf");
    ASSERT_EQ(writeRegisterFile(&connection, path, {0x40, 0x1B, 0x34, 300}), kSaveOk);
    std::vector<uint8_t> expected = concat({magicBytes(), {0x00, 0x40, 0x00, 0x04, 0x12, 0x34, 0x56, 0x78},
                                            {0x00, 0x1B, 0x00, 0x02, 0x01, 0x36},
                                            {0x00, 0x34, 0x00, 0x02, 0xFF, 0x9C}});
    EXPECT_EQ(test::readBytes(path), expected);  // 300 names no register and is left out
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(RegisterFileWriter, RefusesAnUnusableConnectionAndAnUncreatableFile) {
    BoxRecorder boxes;
    DriveConnection offline;
    std::string path = test::writeText("keep.vrf", "precious");
    uint32_t failed = 77;
    EXPECT_EQ(writeRegisterFile(&offline, path, {0x1B}, &failed), kSaveNotConnected);
    EXPECT_EQ(failed, 77u);
    EXPECT_EQ(saveRegisterFile(nullptr, path), kSaveNotConnected);
    EXPECT_EQ(test::readBytes(path), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));

    DriveConnection image;
    image.loadOfflineImage({{0x1B, 310}}, {});
    EXPECT_EQ(writeRegisterFile(&image, ::testing::TempDir() + "no/such/folder/x.vrf", {0x1B}), kSaveFileError);
}

TEST(RegisterFileWriter, ReplacedFileKeepsItsPermissions) {
    BoxRecorder boxes;
    DriveConnection image;
    image.loadOfflineImage({{0x1B, 310}}, {});
    const mode_t previousMask = ::umask(022);
    std::string kept = test::writeText("private.vrf", "old");
    ASSERT_EQ(::chmod(kept.c_str(), 0600), 0);
    EXPECT_EQ(writeRegisterFile(&image, kept, {0x1B}), kSaveOk);
    std::string fresh = test::tempPath("fresh.vrf");
    EXPECT_EQ(writeRegisterFile(&image, fresh, {0x1B}), kSaveOk);
    ::umask(previousMask);
    struct stat keptStat {}, freshStat {};
    ASSERT_EQ(::stat(kept.c_str(), &keptStat), 0);
    ASSERT_EQ(::stat(fresh.c_str(), &freshStat), 0);
    EXPECT_EQ(keptStat.st_mode & 07777, 0600u);
    EXPECT_EQ(freshStat.st_mode & 07777, 0644u);
    EXPECT_EQ(test::readBytes(kept).size(), 48u + 6u);
}

TEST(RegisterFileWriter, SavingUnderALinkUpdatesTheFileItPointsTo) {
    BoxRecorder boxes;
    DriveConnection image;
    image.loadOfflineImage({{0x1B, 310}}, {});
    std::string target = test::writeText("target.vrf", "old");
    std::string link = test::tempPath("link.vrf");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(writeRegisterFile(&image, link, {0x1B}), kSaveOk);
    struct stat linkStat {};
    ASSERT_EQ(::lstat(link.c_str(), &linkStat), 0);
    EXPECT_TRUE(S_ISLNK(linkStat.st_mode));
    EXPECT_EQ(test::readBytes(target).size(), 48u + 6u);
}

TEST(RegisterFileWriter, SaveListsEveryReadOnlyAndReadWriteRegisterOnce) {
    buildRegisterCache();
    std::vector<uint32_t> list = readableRegisters();
    EXPECT_EQ(list.size(), 88u + 111u);
    for (size_t i = 1; i < list.size(); ++i) EXPECT_LT(list[i - 1], list[i]);
    for (uint32_t reg : list) {
        uint32_t access = registerAccessClass(reg);
        EXPECT_TRUE(access == kClassRO || access == kClassRW) << reg;
    }
    EXPECT_EQ(std::count(list.begin(), list.end(), 255u), 0);
    EXPECT_EQ(std::count(list.begin(), list.end(), 0x51u), 0);  // WO
    EXPECT_EQ(std::count(list.begin(), list.end(), 0x3Du), 0);  // FN
    EXPECT_EQ(std::count(list.begin(), list.end(), 0x04u), 0);  // SP
    EXPECT_EQ(std::count(list.begin(), list.end(), 0xB9u), 0);  // class 0
}

TEST(RegisterFileWriter, ImageSavedAndReadBackGivesTheSameMaps) {
    BoxRecorder boxes;
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    for (uint32_t reg : readableRegisters()) {
        if (is32bitRegister(reg))
            values32[static_cast<uint16_t>(reg)] = 0x80000001u * reg + 7;
        else
            values16[static_cast<uint16_t>(reg)] = static_cast<uint16_t>(0x8101u * reg);
    }
    values16[0x1B] = 321;
    DriveConnection connection;
    connection.loadOfflineImage(values16, values32);
    std::string path = test::tempPath("roundtrip.vrf");
    ASSERT_EQ(saveRegisterFile(&connection, path), kSaveOk);
    RegisterValueMap16 read16{{1, 1}};
    RegisterValueMap32 read32{{2, 2}};
    ASSERT_EQ(readRegisterFile(path, read16, read32, true), kRegisterFileOk);
    EXPECT_EQ(read16, values16);
    EXPECT_EQ(read32, values32);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(RegisterFileReader, ReadsRecordsAndSkipsWhatNamesNoValue) {
    BoxRecorder boxes;
    auto bytes = concat({magicBytes(), record(0x1B, 2, {0x01, 0x2C}), record(0x40, 4, {0xDE, 0xAD, 0xBE, 0xEF}),
                         record(0x34, 3, {}),  // no value: the next record follows at once
                         record(0x34, 2, {0x00, 0x05}), record(0x34, 2, {0x00, 0x06}),  // first one wins
                         record(0x134, 2, {0x12, 0x34}),                                 // not a register
                         record(0x1FF, 4, {1, 2, 3, 4})});
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    ASSERT_EQ(parseRegisterFile(bytes.data(), bytes.size(), values16, values32, false), kRegisterFileOk);
    EXPECT_EQ(values16, (RegisterValueMap16{{0x1B, 300}, {0x34, 5}}));
    EXPECT_EQ(values32, (RegisterValueMap32{{0x40, 0xDEADBEEF}}));
}

TEST(RegisterFileReader, ResultCodes) {
    BoxRecorder boxes;
    auto changed = magicBytes();
    changed[7] = 'X';
    auto noNul = magicBytes();
    noNul[47] = ' ';
    auto whole = concat({magicBytes(), record(0x34, 2, {0, 1})});
    auto short47 = magicBytes();
    short47.pop_back();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        uint32_t rc;
    } cases[] = {
        {"empty", {}, kRegisterFileNoMagic},
        {"47 bytes", short47, kRegisterFileNoMagic},
        {"changed character", changed, kRegisterFileWrongMagic},
        {"48th byte not NUL", noNul, kRegisterFileWrongMagic},
        {"magic only", magicBytes(), kRegisterFileOk},
        {"one stray byte", concat({magicBytes(), {0x00}}), kRegisterFileOk},
        {"ends after number", concat({magicBytes(), {0x00, 0x34}}), kRegisterFileTruncated},
        {"ends inside length", concat({magicBytes(), {0x00, 0x34, 0x00}}), kRegisterFileTruncated},
        {"ends after length", concat({magicBytes(), {0x00, 0x34, 0x00, 0x02}}), kRegisterFileTruncated},
        {"ends inside a 32-bit value", concat({magicBytes(), record(0x40, 4, {1, 2, 3})}), kRegisterFileTruncated},
        {"whole record, then a cut one", concat({whole, {0x00, 0x40, 0x00}}), kRegisterFileTruncated},
        {"whole record", whole, kRegisterFileOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = test::writeBytes("codes.vrf", c.bytes);
        RegisterValueMap16 values16{{9, 9}};
        RegisterValueMap32 values32{{9, 9}};
        EXPECT_EQ(readRegisterFile(path, values16, values32, true), c.rc);
        if (c.rc != kRegisterFileOk) {
            EXPECT_TRUE(values16.empty() && values32.empty());
        }
    }
    RegisterValueMap16 values16{{9, 9}};
    RegisterValueMap32 values32;
    EXPECT_EQ(readRegisterFile(test::tempPath("missing.vrf"), values16, values32, false), kRegisterFileNotOpened);
    EXPECT_TRUE(values16.empty());
    // A file that opens but cannot be read (a read error, here a folder) is not read either.
    values16 = {{9, 9}};
    EXPECT_EQ(readRegisterFile(::testing::TempDir(), values16, values32, false), kRegisterFileNotOpened);
    EXPECT_TRUE(values16.empty());
}

TEST(RegisterFileReader, NormalisingWarnsOnlyForCurrentFirmware) {
    // 32-bit 0x40 stored with length 2, 16-bit 0x34 stored with length 4.
    // 300 is the first firmware of the current register widths.
    for (uint16_t firmware : {310, 300, 299, 250}) {
        SCOPED_TRACE(firmware);
        BoxRecorder boxes;
        auto bytes = concat({magicBytes(), record(0x1B, 2, {uint8_t(firmware >> 8), uint8_t(firmware)}),
                             record(0x40, 2, {0x12, 0x34}), record(0x34, 4, {0xAB, 0xCD, 0x00, 0x07})});
        RegisterValueMap16 values16;
        RegisterValueMap32 values32;
        ASSERT_EQ(parseRegisterFile(bytes.data(), bytes.size(), values16, values32, true), kRegisterFileOk);
        EXPECT_EQ(values16, (RegisterValueMap16{{0x1B, firmware}, {0x34, 7}}));
        EXPECT_EQ(values32, (RegisterValueMap32{{0x40, 0x1234}}));
        if (firmware >= 300) {
            ASSERT_EQ(boxes.texts(), (std::vector<std::string>{"Konvertiere Register 0x40 von 16 bit zu 32 bit!",
                                                               "Konvertiere Register 0x34 von 32 bit zu 16 bit!"}));
            EXPECT_EQ(boxes.boxes[0].caption, "Warning");
            EXPECT_EQ(boxes.boxes[0].style, kMsgOk | kMsgIconExclamation);
        } else {
            EXPECT_TRUE(boxes.boxes.empty());
        }
    }
}

TEST(RegisterWidths, MovedValueNeverReplacesOneAlreadyThere) {
    BoxRecorder boxes;
    RegisterValueMap16 values16{{0x40, 1}, {0x07, 2}, {0x34, 3}};
    RegisterValueMap32 values32{{0x40, 0x11111111}, {0x34, 0x22222222}, {0x36, 0x00010005}};
    EXPECT_EQ(convertRegisterWidths(values16, values32, true), 0);
    EXPECT_EQ(values16, (RegisterValueMap16{{0x34, 3}, {0x36, 5}}));
    EXPECT_EQ(values32, (RegisterValueMap32{{0x07, 2}, {0x40, 0x11111111}}));
    // Ascending within each step.
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Konvertiere Register 0x7 von 16 bit zu 32 bit!",
                                                       "Konvertiere Register 0x40 von 16 bit zu 32 bit!",
                                                       "Konvertiere Register 0x34 von 32 bit zu 16 bit!",
                                                       "Konvertiere Register 0x36 von 32 bit zu 16 bit!"}));
}

TEST(RegisterPresets, AppliedInOrderWithTheLaterSettingWinning) {
    buildRegisterCache();
    RegisterValueMap16 values16{{0xA2, 1}};
    RegisterValueMap32 values32{{0x65, 9}};
    presetOldFirmwareRegisters(values16, values32);
    EXPECT_EQ(values16, (RegisterValueMap16{{0x05, 0}, {0x06, 0}, {0x0E, 0}, {0x1E, 0}, {0x3E, 0x8000},
                                           {0x3F, 32439}, {0x4C, 0}, {0x50, 0}, {0x53, 0}, {0x58, 0},
                                           {0x64, 400}, {0xA2, 5600}, {0xA3, 7000}, {0xF1, 250}}));
    EXPECT_EQ(values32, (RegisterValueMap32{{0x07, 0}, {0x08, 0}, {0x0A, 0}, {0x0B, 0}, {0x0C, 0}, {0x0D, 0},
                                           {0x2F, 0x10000000}, {0x65, 2}, {0x7E, 0}, {0xA5, 0x7FFF0CCC},
                                           {0xD7, 0x10000000}}));
    RegisterValueMap16 small;
    RegisterValueMap32 wide;
    presetRegister(0x34, 0x12345678, small, wide);
    presetRegister(0x1000, 1, small, wide);
    EXPECT_EQ(small, (RegisterValueMap16{{0x34, 0x5678}}));
    EXPECT_TRUE(wide.empty());
    EXPECT_TRUE(isOldFirmwareSet({}));
    EXPECT_TRUE(isOldFirmwareSet({{0x1B, 299}}));
    EXPECT_FALSE(isOldFirmwareSet({{0x1B, 300}}));
}

TEST(DriveFileReader, TakesTheReadWriteRegistersByWidth) {
    buildRegisterCache();
    auto bytes = driveFile(1, 1024);
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    ASSERT_EQ(parseDriveFile(bytes.data(), bytes.size(), values16, values32), kDriveFileOk);
    EXPECT_EQ(values16.size() + values32.size(), 111u);
    EXPECT_EQ(values16.at(0x34), 0xC034);
    EXPECT_EQ(values32.at(0x07), 0xA0B0C007u);
    EXPECT_EQ(values32.at(0xF8), 0xA0B0C0F8u);
    EXPECT_EQ(values16.count(0x1B), 0u);  // RO: an old drive file never carries the firmware
    EXPECT_EQ(values32.count(0x40), 0u);
}

TEST(DriveFileReader, ResultCodes) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        uint32_t rc;
    } cases[] = {
        {"no version", {1, 0, 0}, kDriveFileNoVersion},
        {"version 0", driveFile(0, 1024), kDriveFileVersionZero},
        {"one byte short", driveFile(1, 1023), kDriveFileTruncated},
        {"version only", driveFile(1, 0), kDriveFileTruncated},
        {"unknown version", driveFile(2, 1024), kDriveFileUnknownVersion},
        {"big-endian version 1", driveFile(0x01000000, 1024), kDriveFileUnknownVersion},
        {"longer than needed", driveFile(1, 1030), kDriveFileOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = test::writeBytes("codes.vtd", c.bytes);
        RegisterValueMap16 values16{{9, 9}};
        RegisterValueMap32 values32{{9, 9}};
        EXPECT_EQ(readDriveFile(path, values16, values32), c.rc);
        if (c.rc != kDriveFileOk) {
            EXPECT_TRUE(values16.empty() && values32.empty());
        }
    }
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    EXPECT_EQ(readDriveFile(test::tempPath("missing.vtd"), values16, values32), kDriveFileNotOpened);
    EXPECT_EQ(readDriveFile(::testing::TempDir(), values16, values32), kDriveFileNotOpened);
}

TEST(LoadRegisterSet, OldDriveFileIntoAnImageGetsThePresets) {
    BoxRecorder boxes;
    DriveConnection connection;
    connection.loadOfflineImage({{0x1B, 310}}, {});
    std::string path = test::writeBytes("old.vtd", driveFile(1, 1024));
    ASSERT_EQ(loadRegisterSet(&connection, path, true), kLoadOk);
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"Register set belongs to a firmware below 300, converting/presetting some registers!"});
    RegisterValueMap32 image32 = connection.imageValues32();
    RegisterValueMap16 image16 = connection.imageValues16();
    EXPECT_EQ(image32.at(0x65), 2u);
    EXPECT_EQ(image32.at(0xF8), 0xA0B0C0F8u);
    EXPECT_EQ(image16.at(0x3E), 0x8000);
    EXPECT_EQ(image16.at(0x1B), 310);  // RO: never written
    EXPECT_EQ(image16.count(0x4C), 1u);
}

TEST(LoadRegisterSet, UnreadableFilesWriteNothing) {
    for (auto bytes : {driveFile(2, 1024), driveFile(1, 100)}) {
        BoxRecorder boxes;
        DriveConnection connection;
        connection.loadOfflineImage({{0x1B, 310}}, {});
        std::string path = test::writeBytes("bad.vtd", bytes);
        EXPECT_EQ(loadRegisterSet(&connection, path, true), kLoadReadFailed);
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_EQ(connection.imageValues16(), (RegisterValueMap16{{0x1B, 310}}));
        EXPECT_TRUE(connection.imageValues32().empty());
    }
    BoxRecorder boxes;
    DriveConnection connection;
    connection.loadOfflineImage({}, {});
    EXPECT_EQ(loadRegisterSet(&connection, test::writeBytes("bad.vrf", {1, 2, 3}), false), kLoadReadFailed);
    EXPECT_TRUE(connection.imageValues16().empty());
}

}  // namespace
}  // namespace torvex
