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

namespace tablerow {

ControlRow display(int reg, int x, int y, int w, int h, int part, int percentBase) {
    ControlRow row;
    row.kind = RowKind::Display;
    row.reg = reg;
    row.part = part;
    row.x = x, row.y = y, row.w = w, row.h = h;
    row.percentBase = percentBase;
    return row;
}

ControlRow edit(int reg, const char* nameKey, int x, int y, int w, int h, int part, int percentBase) {
    ControlRow row = display(reg, x, y, w, h, part, percentBase);
    row.kind = RowKind::Edit;
    row.nameKey = nameKey;
    return row;
}

ControlRow lamp(const char* textKey, int reg, int bit, bool inverted, int x, int y) {
    ControlRow row;
    row.kind = RowKind::Lamp;
    row.reg = reg;
    row.bit = bit;
    row.inverted = inverted;
    row.x = x, row.y = y, row.w = 70, row.h = 12;
    row.nameKey = textKey;
    return row;
}

}  // namespace tablerow

}  // namespace torvex
