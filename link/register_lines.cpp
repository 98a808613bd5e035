#include "link/register_lines.h"

#include "link/connection.h"
#include "link/i18n.h"
#include "link/limits.h"
#include "link/registers.h"

namespace torvex {

namespace {

// Pads to a width in characters: the catalogue texts are UTF-8, and a byte count would
// shift every column behind a label with an umlaut or an accent.
std::string padded(const std::string& text, size_t width) {
    size_t characters = 0;
    for (unsigned char byte : text)
        if ((byte & 0xC0) != 0x80) ++characters;
    return characters >= width ? text : text + std::string(width - characters, ' ');
}

}  // namespace

bool isListedRegister(uint32_t reg) {
    if (!isValidRegisterNumber(reg)) return false;
    if (registerName(reg) == tr(kUnknownRegisterName)) return false;
    return registerAccessClass(reg) != kClassWO;
}

std::string hexValueText(uint32_t reg, uint32_t value) {
    return is32bitRegister(reg) ? strprintf("0x%08x", value) : strprintf("0x%04x", value & 0xFFFFu);
}

std::string decimalValueText(uint32_t reg, uint32_t value) {
    if (isRegisterUnsigned(reg)) return strprintf("%u", is32bitRegister(reg) ? value : (value & 0xFFFFu));
    if (is32bitRegister(reg)) return strprintf("%d", static_cast<int32_t>(value));
    return strprintf("%d", static_cast<int>(static_cast<int16_t>(value & 0xFFFFu)));
}

std::string formatRegisterColumns(uint32_t reg, const std::string& hexText, const std::string& decimalText) {
    // "0x%02x (%s): %-10s %-11s %-20s (%s) %s", with the widths counted in characters.
    return strprintf("0x%02x (%s): %s %s %s (%s) %s", reg, accessClassText(registerAccessClass(reg)),
                     padded(hexText, 10).c_str(), padded(decimalText, 11).c_str(),
                     padded(tr(regLabelKey(reg)), 20).c_str(), tr(regNameKey(reg)).c_str(),
                     tr(regCommentKey(reg)).c_str());
}

std::string formatRegisterLine(DriveConnection* connection, uint32_t reg) {
    if (!isListedRegister(reg)) return std::string();
    std::string prefix = strprintf("0x%02x (%s): ", reg, accessClassText(registerAccessClass(reg)));
    if (!connection || !connection->isConnected()) return prefix + tr("offline");
    uint32_t value = 0;
    uint32_t rc;
    if (is32bitRegister(reg)) {
        rc = connection->read32bitRegister(reg, &value);
    } else {
        uint16_t value16 = 0;
        rc = connection->read16bitRegister(reg, &value16);
        value = value16;
    }
    if (rc != 0) return prefix + tr("unable to read");
    return formatRegisterColumns(reg, hexValueText(reg, value), decimalValueText(reg, value));
}

std::vector<uint32_t> printedRegisters(bool allRegisters) {
    std::vector<uint32_t> registers;
    if (allRegisters) {
        for (uint32_t reg = 0; reg < kRegisterCount; ++reg) registers.push_back(reg);
    } else {
        readNumberList(installationFile(kRegisterListFileName), registers);
    }
    return registers;
}

std::vector<std::string> registerPrintLines(DriveConnection* connection, bool allRegisters, size_t firstLine,
                                            size_t maxLines) {
    std::vector<std::string> lines;
    size_t listed = 0;
    for (uint32_t reg : printedRegisters(allRegisters)) {
        if (lines.size() >= maxLines) break;
        // Whether a register has a line does not depend on its value: the lines before the
        // first are counted without reading their registers. Over RS232 a read takes about
        // 30 ms, and the last page of all registers would read the two before it again.
        if (!isListedRegister(reg) || listed++ < firstLine) continue;
        lines.push_back(formatRegisterLine(connection, reg));
    }
    return lines;
}

uint32_t printPageCount(uint32_t lineCount) { return (lineCount + kLinesPerPage - 1) / kLinesPerPage; }

PageSlice pageSlice(uint32_t lineCount, uint32_t page) {
    if (page == 0) return {0, 0};
    uint64_t first = static_cast<uint64_t>(page - 1) * kLinesPerPage;
    if (first >= lineCount) return {lineCount, 0};
    uint32_t rest = lineCount - static_cast<uint32_t>(first);
    return {static_cast<uint32_t>(first), rest < kLinesPerPage ? rest : kLinesPerPage};
}

std::string printHeading(bool allRegisters, const std::string& dateTime, uint32_t page, uint32_t pageCount) {
    std::string title = tr(allRegisters ? "Torvex: all registers" : "Torvex: selection of registers");
    return title + " (" + dateTime + ", " + strprintf(tr("page %u of %u").c_str(), page, pageCount) + ")";
}

}  // namespace torvex
