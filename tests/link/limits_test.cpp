#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "link/limits.h"

namespace torvex {
namespace {

std::string writeTemp(const std::string& name, const std::string& text) {
    std::string path = ::testing::TempDir() + name + std::to_string(::getpid());
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(MinMaxLine, AcceptsAndRejectsByTheLineRules) {
    struct Case { const char* line; bool ok; uint16_t reg; int32_t min; int32_t max; };
    const Case cases[] = {
        {"52: -3000 3000", true, 52, -3000, 3000},
        {"  52 : -3000 3000 # speed  ", true, 52, -3000, 3000},
        {"\t7:\t0\t100\t", true, 7, 0, 100},
        {"52: -3000 3000\r", true, 52, -3000, 3000},
        {"65535: -1 1", true, 65535, -1, 1},
        {"0x34:1 2", false, 0, 0, 0},          // 0 followed by x, not a colon
        {"52; -3000 3000", false, 0, 0, 0},     // semicolon
        {"52: -3000", false, 0, 0, 0},          // one number only
        {"# 52: 1 2", false, 0, 0, 0},
        {"", false, 0, 0, 0},
        {"   ", false, 0, 0, 0},
        {"65536: 1 2", false, 0, 0, 0},         // not a register number
        {"-1: 1 2", false, 0, 0, 0},
        {"52: 1 99999999999", false, 0, 0, 0},  // beyond the 32-bit range
        {"52: 0x10 0x20", false, 0, 0, 0},      // hexadecimal is not read: 0 then "x10"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        uint16_t reg = 0;
        int32_t low = 0, high = 0;
        ASSERT_EQ(parseMinMaxLine(c.line, &reg, &low, &high), c.ok);
        if (c.ok) {
            EXPECT_EQ(reg, c.reg);
            EXPECT_EQ(low, c.min);
            EXPECT_EQ(high, c.max);
        }
    }
}

TEST(MinMaxFile, FirstLineForARegisterWinsAndOldContentsGo) {
    std::string path = writeTemp("minmax", "# limits\n52: -3000 3000\n52: -1 1\n\n10 : 5 6 rest\nbad line\n");
    RegisterLimits limits;
    limits.minimum[99] = 1;
    limits.maximum[99] = 2;
    EXPECT_EQ(readMinMaxTable(limits, path), 0);
    EXPECT_EQ(limits.minimum.size(), 2u);
    EXPECT_EQ(limits.minimum.at(52), -3000);
    EXPECT_EQ(limits.maximum.at(52), 3000);
    EXPECT_EQ(limits.minimum.at(10), 5);
    EXPECT_EQ(limits.maximum.at(10), 6);
    EXPECT_EQ(limits.minimum.count(99), 0u);
    std::remove(path.c_str());

    EXPECT_EQ(readMinMaxTable(limits, path), 0);  // now missing
    EXPECT_TRUE(limits.minimum.empty());
    EXPECT_TRUE(limits.maximum.empty());
}

TEST(NumberList, KeepsFileOrderAndDuplicatesAndSkipsNonNumbers) {
    std::string path = writeTemp("reglist", "27\n# comment\n\n64 STATUS\n #not a comment\n  12\n27\r\n0x10\nabc\n");
    std::vector<uint32_t> list{1, 2, 3};
    EXPECT_EQ(readNumberList(path, list), 0);
    EXPECT_EQ(list, (std::vector<uint32_t>{27, 64, 12, 27, 0}));
    std::remove(path.c_str());
    EXPECT_EQ(readNumberList(path, list), 0);
    EXPECT_TRUE(list.empty());
}

TEST(TrimString, CutsOnlyBlanksAndTabs) {
    std::string s = " \t a b\n \t";
    trimString(s);
    EXPECT_EQ(s, "a b\n");
    s = " \t ";
    trimString(s);
    EXPECT_EQ(s, "");
}

TEST(InstallationFile, TheWorkingFolderFirstThenTheProgramsFolders) {
    namespace fs = std::filesystem;
    const fs::path top = fs::path(::testing::TempDir()) / ("torvex-install-" + std::to_string(::getpid()));
    const fs::path work = top / "work", beside = top / "bin", data = top / "share";
    for (const fs::path& dir : {work, beside, data}) fs::create_directories(dir);
    std::ofstream(data / kMinMaxFileName) << "52: -3000 3000\n";
    const fs::path before = fs::current_path();
    fs::current_path(work);

    // Started from a folder without it, the limits come from the installed data.
    const std::vector<std::string> folders = {"", (top / "missing").string(), beside.string(), data.string()};
    const std::string found = findInstallationFile(kMinMaxFileName, folders);
    EXPECT_EQ(found, (data / kMinMaxFileName).string());
    RegisterLimits limits;
    readMinMaxTable(limits, found);
    EXPECT_EQ(limits.maximum[52], 3000);

    // Beside the program wins over the data folder, and the working folder over both.
    std::ofstream(beside / kMinMaxFileName) << "52: -1 1\n";
    EXPECT_EQ(findInstallationFile(kMinMaxFileName, folders), (beside / kMinMaxFileName).string());
    std::ofstream(work / kMinMaxFileName) << "52: -2 2\n";
    EXPECT_EQ(findInstallationFile(kMinMaxFileName, folders), kMinMaxFileName);
    // A folder of that name is no file; nowhere at all reads as missing.
    EXPECT_EQ(findInstallationFile(kRegisterListFileName, {data.string()}), kRegisterListFileName);
    fs::create_directories(data / kRegisterListFileName);
    EXPECT_EQ(findInstallationFile(kRegisterListFileName, {data.string()}), kRegisterListFileName);

    fs::current_path(before);
    fs::remove_all(top);
}

TEST(InstallationFile, FoundBesideTheRunningProgramFromAnyWorkingFolder) {
    namespace fs = std::filesystem;
    // A name of this run's own, so that no other test's files are touched or found.
    const std::string name = "torvex-beside-" + std::to_string(::getpid()) + ".txt";
    const fs::path beside = fs::read_symlink("/proc/self/exe").parent_path() / name;
    const fs::path elsewhere = fs::path(::testing::TempDir()) / ("torvex-elsewhere-" + std::to_string(::getpid()));
    fs::create_directories(elsewhere);
    std::ofstream(beside) << "27\n";
    const fs::path before = fs::current_path();
    fs::current_path(elsewhere);
    const std::string found = installationFile(name);
    std::vector<uint32_t> list;
    readNumberList(found, list);
    fs::current_path(before);
    fs::remove(beside);
    fs::remove_all(elsewhere);
    EXPECT_EQ(fs::path(found), beside);
    EXPECT_EQ(list, std::vector<uint32_t>{27});
}

}  // namespace
}  // namespace torvex
