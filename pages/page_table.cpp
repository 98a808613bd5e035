#include "pages/page_table.h"

#include <cstdio>

#include "link/registers.h"

namespace torvex {

std::string rowTooltipKey(const ControlRow& row) {
    if (row.tooltipKey) return row.tooltipKey;
    std::string key = regTooltipKey(static_cast<uint32_t>(row.reg));
    if (row.part == 1) key += "_low";
    if (row.part == 2) key += "_high";
    return key;
}

std::string rowInitialText(const ControlRow& row) {
    if (row.initialText) return row.initialText;
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x%s", row.reg & 0xFF, row.part == 1 ? " L" : row.part == 2 ? " H" : "");
    return text;
}

}  // namespace torvex
