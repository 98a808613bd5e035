#include "link/limits.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

namespace torvex {

namespace {

void skipWhite(const char*& p) {
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
}

// Reads a decimal number in the style of a scanf conversion: leading white space
// skipped, an optional sign, at least one digit; out of range is no number.
bool readLong(const char*& p, long long min, long long max, long long* out) {
    skipWhite(p);
    const char* start = p;
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(start, &end, 10);
    if (end == start || errno == ERANGE || value < min || value > max) return false;
    p = end;
    *out = value;
    return true;
}

void stripLineEnd(std::string& line) {
    // Files move between Windows and Linux machines.
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

void trimString(std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    size_t last = text.find_last_not_of(" \t");
    text = text.substr(first, last - first + 1);
}

bool parseMinMaxLine(std::string line, uint16_t* reg, int32_t* minimum, int32_t* maximum) {
    stripLineEnd(line);
    trimString(line);
    if (line.empty() || line[0] == '#') return false;
    const char* p = line.c_str();
    long long number = 0, low = 0, high = 0;
    if (!readLong(p, 0, 65535, &number)) return false;
    skipWhite(p);
    if (*p != ':') return false;
    ++p;
    if (!readLong(p, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), &low)) return false;
    if (!readLong(p, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), &high)) return false;
    *reg = static_cast<uint16_t>(number);
    *minimum = static_cast<int32_t>(low);
    *maximum = static_cast<int32_t>(high);
    return true;
}

bool parseNumberListLine(const std::string& raw, uint32_t* number) {
    std::string line = raw;
    stripLineEnd(line);
    if (line.empty() || line[0] == '#') return false;
    const char* p = line.c_str();
    skipWhite(p);
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    long long value = 0;
    if (!readLong(p, 0, std::numeric_limits<uint32_t>::max(), &value)) return false;
    *number = static_cast<uint32_t>(value);
    return true;
}

std::string findInstallationFile(const std::string& name, const std::vector<std::string>& folders) {
    std::error_code ignored;
    if (std::filesystem::is_regular_file(name, ignored)) return name;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (std::filesystem::is_regular_file(candidate, ignored)) return candidate.string();
    }
    return name;
}

std::string installationFile(const std::string& name) {
    std::vector<std::string> folders;
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (!failed) folders.push_back(program.parent_path().string());
#ifdef TORVEX_DATA_DIR
    folders.push_back(TORVEX_DATA_DIR);
#endif
    return findInstallationFile(name, folders);
}

int readMinMaxTable(RegisterLimits& limits, const std::string& path) {
    limits.minimum.clear();
    limits.maximum.clear();
    std::ifstream in(path);
    std::string line;
    while (in && std::getline(in, line)) {
        uint16_t reg;
        int32_t low, high;
        if (!parseMinMaxLine(line, &reg, &low, &high)) continue;
        // The first line for a register wins, for both maps.
        limits.minimum.emplace(reg, low);
        limits.maximum.emplace(reg, high);
    }
    return 0;
}

int readNumberList(const std::string& path, std::vector<uint32_t>& list) {
    list.clear();
    std::ifstream in(path);
    std::string line;
    while (in && std::getline(in, line)) {
        uint32_t number;
        if (parseNumberListLine(line, &number)) list.push_back(number);
    }
    return 0;
}

}  // namespace torvex
