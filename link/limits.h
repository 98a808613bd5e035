// Register limits from "MinMax.txt" and register number lists from "Reglist.txt":
// installation data next to the program, read by name relative to the working folder.
// A program started from elsewhere finds them beside itself or in its installed data
// folder instead, so that an installed tool never runs without the drive's limits.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace torvex {

// Limits in raw drive units (before any scaling of a field). A register without an
// entry is not limited on that side.
struct RegisterLimits {
    std::map<uint16_t, int32_t> minimum;
    std::map<uint16_t, int32_t> maximum;
};

inline constexpr const char* kMinMaxFileName = "MinMax.txt";
inline constexpr const char* kRegisterListFileName = "Reglist.txt";

// The path under which an installation file is read: the name itself when the working
// folder holds it, else the first of folders that holds it, else the name (read as
// missing).
std::string findInstallationFile(const std::string& name, const std::vector<std::string>& folders);
// The same over the program's own folder and its installed data folder.
std::string installationFile(const std::string& name);

// Empties the maps, then reads the file; a missing file leaves them empty. Returns 0.
int readMinMaxTable(RegisterLimits& limits, const std::string& path);
// Empties the list, then reads the file in order (duplicates kept). Returns 0.
int readNumberList(const std::string& path, std::vector<uint32_t>& list);
// Removes blanks and tabs (only these) from both ends, in place.
void trimString(std::string& text);

// Line rules, exposed for the readers above and their tests.
bool parseMinMaxLine(std::string line, uint16_t* reg, int32_t* minimum, int32_t* maximum);
bool parseNumberListLine(const std::string& line, uint32_t* number);

}  // namespace torvex
