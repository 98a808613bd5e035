// One fixed-width text line per register (number, access class, value in hexadecimal
// and decimal, designation, name, description), shared by the register list panel and
// the printouts, and the page layout of the printouts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace torvex {

class DriveConnection;

// The column header of every listing (a catalogue key).
inline constexpr const char* kRegisterListHeader =
    "RegNr Typ  Hexwert    Dezimalwert Bezeichnung          (interner Name) Beschreibung";
inline constexpr int kRuleLength = 98;
inline constexpr uint32_t kLinesPerPage = 70;

// True when the register gets a line at all: it has a name and is not write-only.
bool isListedRegister(uint32_t reg);

// The value columns of a register, "" when not read.
std::string hexValueText(uint32_t reg, uint32_t value);
std::string decimalValueText(uint32_t reg, uint32_t value);

// "0x%02x (%s): %-10s %-11s %-20s (%s) %s" with the register's class text and
// catalogue texts; the two value columns as given.
std::string formatRegisterColumns(uint32_t reg, const std::string& hexText, const std::string& decimalText);

// The register line, read through the connection; empty when the register is not
// listed. Offline: the prefix and "offline"; a failed read: the prefix and "unable to read".
std::string formatRegisterLine(DriveConnection* connection, uint32_t reg);

// The registers a printout lists: 0..255, or the numbers of "Reglist.txt" in file order.
std::vector<uint32_t> printedRegisters(bool allRegisters);
// The non-empty lines of those registers, in order, from the line numbered firstLine (0 the
// first) on, at most maxLines of them: a page reads the registers of its own lines only.
std::vector<std::string> registerPrintLines(DriveConnection* connection, bool allRegisters, size_t firstLine = 0,
                                            size_t maxLines = SIZE_MAX);

// Pages of kLinesPerPage lines; no lines give no page.
uint32_t printPageCount(uint32_t lineCount);
// The index of the first line of page (1-based) and how many lines it holds.
struct PageSlice {
    uint32_t first;
    uint32_t count;
};
PageSlice pageSlice(uint32_t lineCount, uint32_t page);

// "<title> (<date time>, page p of n)"; the title is the catalogue text of
// "Torvex: all registers" or "Torvex: selection of registers".
std::string printHeading(bool allRegisters, const std::string& dateTime, uint32_t page, uint32_t pageCount);

}  // namespace torvex
