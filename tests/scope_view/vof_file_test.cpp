#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scope/vof_file.h"

namespace torvex {
namespace {

ScopeFile sampleFile(uint32_t sampleCount) {
    ScopeFile file;
    ScopeFileSettings& s = file.settings;
    for (int n = 0; n < kScopeChannels; ++n) {
        s.uDiv[n] = 100 * (n + 1);
        s.pos[n] = -50 + n;
        s.colours[n] = kScopeDefaultColours[n];
    }
    s.background = {1, 2, 3};
    s.grid = {192, 192, 192};
    s.zeroLine = {255, 0, 0};
    s.timePerDivision = 500000;
    s.triggerEdge = 7;
    s.triggerOn = 0x31;
    s.triggerBuffer = 1000;
    s.triggerRun = 2;
    s.triggerLevel = -100;
    s.stepRegister = 0x6E;
    s.stepValue1 = 15000;
    s.stepTime1 = 500;
    s.stepValue2 = -15000;
    s.stepTime2 = 400;
    s.stepStopValue = 0;
    s.stepStopTime = 1000;
    s.join = true;
    s.zero = false;
    s.over = true;
    file.scales = {3000, -200, 4096};
    file.capture.channelRegisters = {0x32, 0x30, 0, 0x20, 0, 0, 0, 0};
    file.capture.channelCount = 3;
    file.capture.sampleCount = sampleCount;
    for (uint32_t i = 0; i < sampleCount; ++i) file.capture.samples.push_back(static_cast<int32_t>(i * 7919) - 20000);
    return file;
}

// The layout written out field by field from the format's table.
std::vector<uint8_t> expectedBytes(const ScopeFile& file) {
    std::vector<uint8_t> b(796, 0);
    auto at32 = [&](size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    const char* magic = "Velmar Industrieelektronik GmbH Oscilloscope data V1.0";
    std::memcpy(b.data(), magic, std::strlen(magic) + 1);
    const ScopeFileSettings& s = file.settings;
    for (int n = 0; n < 8; ++n) {
        at32(100 + 4 * n, static_cast<uint32_t>(s.uDiv[n]));
        b[132 + n] = s.colours[n].red;
        b[143 + n] = s.colours[n].green;
        b[154 + n] = s.colours[n].blue;
        at32(172 + 4 * n, file.capture.channelRegisters[n]);
        at32(256 + 4 * n, static_cast<uint32_t>(s.pos[n]));
    }
    const ScopeRgb extra[3] = {s.background, s.grid, s.zeroLine};
    for (int i = 0; i < 3; ++i) {
        b[140 + i] = extra[i].red;
        b[151 + i] = extra[i].green;
        b[162 + i] = extra[i].blue;
    }
    at32(168, s.timePerDivision);
    at32(204, s.triggerEdge);
    at32(208, s.triggerOn);
    at32(212, s.triggerBuffer);
    at32(216, s.triggerRun);
    at32(220, static_cast<uint32_t>(s.triggerLevel));
    at32(224, s.stepRegister);
    at32(228, static_cast<uint32_t>(s.stepValue1));
    at32(232, static_cast<uint32_t>(s.stepTime1));
    at32(236, static_cast<uint32_t>(s.stepValue2));
    at32(240, static_cast<uint32_t>(s.stepTime2));
    at32(244, static_cast<uint32_t>(s.stepStopValue));
    at32(248, static_cast<uint32_t>(s.stepStopTime));
    b[252] = s.join;
    b[253] = s.zero;
    b[254] = s.over;
    at32(288, file.capture.channelCount);
    at32(292, file.capture.sampleCount);
    b[296] = static_cast<uint8_t>(file.scales.speedScale);
    b[297] = static_cast<uint8_t>(static_cast<uint16_t>(file.scales.speedScale) >> 8);
    b[298] = static_cast<uint8_t>(file.scales.currentScale);
    b[299] = static_cast<uint8_t>(static_cast<uint16_t>(file.scales.currentScale) >> 8);
    b[300] = static_cast<uint8_t>(file.scales.currentBase);
    b[301] = static_cast<uint8_t>(static_cast<uint16_t>(file.scales.currentBase) >> 8);
    for (int32_t sample : file.capture.samples) {
        b.resize(b.size() + 4);
        at32(b.size() - 4, static_cast<uint32_t>(sample));
    }
    return b;
}

void expectSameFile(const ScopeFile& a, const ScopeFile& b) {
    EXPECT_EQ(a.settings, b.settings);
    EXPECT_EQ(a.scales, b.scales);
    EXPECT_EQ(a.capture.channelRegisters, b.capture.channelRegisters);
    EXPECT_EQ(a.capture.channelCount, b.capture.channelCount);
    EXPECT_EQ(a.capture.sampleCount, b.capture.sampleCount);
    EXPECT_EQ(a.capture.samples, b.capture.samples);
}

TEST(ScopeFile, BytesFollowTheLayoutAndReadBackTheSame) {
    ScopeFile file = sampleFile(12);
    std::vector<uint8_t> bytes = encodeScopeFile(file);
    ASSERT_EQ(bytes.size(), 796u + 12 * 4);
    EXPECT_EQ(bytes, expectedBytes(file));

    ScopeFile back;
    ASSERT_EQ(decodeScopeFile(bytes.data(), bytes.size(), back), ScopeFileStatus::Ok);
    expectSameFile(file, back);

    // Every channel in use.
    ScopeFile full = sampleFile(16);
    full.capture.channelRegisters = {0x32, 0x30, 0x20, 0x31, 0x6E, 0x40, 0xA8, 0x5F};
    full.capture.channelCount = 8;
    bytes = encodeScopeFile(full);
    EXPECT_EQ(bytes, expectedBytes(full));
    ASSERT_EQ(decodeScopeFile(bytes.data(), bytes.size(), back), ScopeFileStatus::Ok);
    expectSameFile(full, back);

    // A header without samples loads as an empty capture.
    bytes = encodeScopeFile(sampleFile(0));
    ASSERT_EQ(decodeScopeFile(bytes.data(), bytes.size(), back), ScopeFileStatus::Ok);
    EXPECT_TRUE(back.capture.empty());

    // The writer never writes more samples than the capture holds.
    file.capture.sampleCount = 20;
    bytes = encodeScopeFile(file);
    ASSERT_EQ(decodeScopeFile(bytes.data(), bytes.size(), back), ScopeFileStatus::Ok);
    EXPECT_EQ(back.capture.sampleCount, 12u);
}

TEST(ScopeFile, BrokenOrForeignFilesAreRefusedWithoutACapture) {
    // A full drive buffer, as a capture can hold it, loads back.
    std::vector<uint8_t> good = encodeScopeFile(sampleFile(kScopeBufferSamples));
    ScopeFile out;
    ASSERT_EQ(decodeScopeFile(good.data(), good.size(), out), ScopeFileStatus::Ok);
    EXPECT_EQ(out.capture.sampleCount, kScopeBufferSamples);

    for (size_t i = 0; i < kScopeFileMagicSize; ++i) {
        std::vector<uint8_t> bad = good;
        bad[i] ^= 0x20;
        EXPECT_EQ(decodeScopeFile(bad.data(), bad.size(), out), ScopeFileStatus::WrongMagic) << i;
        EXPECT_TRUE(out.capture.empty());
    }

    struct Case { size_t offset; uint32_t value; ScopeFileStatus status; };
    const Case cases[] = {
        {292, kScopeBufferSamples + 1, ScopeFileStatus::TooManySamples},
        {292, 0xFFFFFFFF, ScopeFileStatus::TooManySamples},
        {288, 9, ScopeFileStatus::TooManyChannels},
        {168, 1234, ScopeFileStatus::UnknownSetting},  // time scale
        {204, 2, ScopeFileStatus::UnknownSetting},     // edge code of Auto is no edge entry
        {212, 300, ScopeFileStatus::UnknownSetting},   // buffer
        {216, 3, ScopeFileStatus::UnknownSetting},     // run
        {224, 0x30, ScopeFileStatus::UnknownSetting},  // step register
        {172, 0x130, ScopeFileStatus::UnknownSignal},  // would spill into the slot byte
        {172, 3, ScopeFileStatus::UnknownSignal},      // not in the register list
        {208, 256, ScopeFileStatus::UnknownSignal},    // Trigger On register
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        for (int i = 0; i < 4; ++i) bad[c.offset + i] = static_cast<uint8_t>(c.value >> (8 * i));
        EXPECT_EQ(decodeScopeFile(bad.data(), bad.size(), out), c.status) << c.offset << "=" << c.value;
        EXPECT_TRUE(out.capture.empty());
    }

    EXPECT_EQ(decodeScopeFile(good.data(), 795, out), ScopeFileStatus::TooShort);
    EXPECT_EQ(decodeScopeFile(good.data(), good.size() - 1, out), ScopeFileStatus::MissingSamples);

    // The page's register list decides which signals exist.
    auto without30 = [](uint32_t reg) { return reg != 0x30; };
    EXPECT_EQ(decodeScopeFile(good.data(), good.size(), out, without30), ScopeFileStatus::UnknownSignal);
    auto without31 = [](uint32_t reg) { return reg != 0x31; };  // the Trigger On register
    EXPECT_EQ(decodeScopeFile(good.data(), good.size(), out, without31), ScopeFileStatus::UnknownSignal);
}

class ScopeFileDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("scope-file-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(ScopeFileDisk, AFailedSaveKeepsTheOldFile) {
    const std::string path = (dir_ / "capture.vof").string();
    // A capture that filled the drive's whole buffer is read from disk whole.
    ScopeFile full = sampleFile(kScopeBufferSamples);
    ASSERT_EQ(writeScopeFile(path, full), ScopeFileStatus::Ok);
    ScopeFile read;
    ASSERT_EQ(readScopeFile(path, read), ScopeFileStatus::Ok);
    expectSameFile(full, read);

    ScopeFile small = sampleFile(3);
    ASSERT_EQ(writeScopeFile(path, small), ScopeFileStatus::Ok);
    ASSERT_EQ(readScopeFile(path, read), ScopeFileStatus::Ok);
    expectSameFile(small, read);

    // The file-size limit is hit half-way through the larger file: the save fails, and
    // the earlier file is left whole, with nothing beside it.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ScopeFileStatus status = writeScopeFile(path, sampleFile(900));
        ::_exit(status == ScopeFileStatus::WriteFailed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_EQ(readScopeFile(path, read), ScopeFileStatus::Ok);
    expectSameFile(small, read);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);

    EXPECT_EQ(readScopeFile((dir_ / "missing.vof").string(), read), ScopeFileStatus::NotOpened);
    EXPECT_NE(scopeFileMessage(ScopeFileStatus::WrongMagic, path).find(path), std::string::npos);

    // A file that cannot be made says so, and is told apart from one that could not be
    // written: no such folder, and a folder of that name (which stays a folder).
    const std::string noFolder = (dir_ / "no-such-folder" / "x.vof").string();
    EXPECT_EQ(writeScopeFile(noFolder, small), ScopeFileStatus::NotCreated);
    std::filesystem::create_directory(dir_ / "folder.vof");
    EXPECT_EQ(writeScopeFile((dir_ / "folder.vof").string(), small), ScopeFileStatus::NotCreated);
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.vof"));
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "folder.vof"));
    EXPECT_EQ(scopeFileMessage(ScopeFileStatus::NotCreated, noFolder),
              "Unable to open file '" + noFolder + "' for writing!");
    EXPECT_EQ(scopeFileMessage(ScopeFileStatus::WriteFailed, path), "Unable to write datas to file '" + path + "'!");
}

}  // namespace
}  // namespace torvex
