// A page's register controls as data: one row a control. The page's constructor walks its
// rows to build the controls, and the tests walk the same rows, so a wrong register, half
// or scale shows up without restating a layout.
#pragma once

#include <string>

namespace torvex {

enum class RowKind {
    Edit,     // RegisterEdit: typed, checked, written and read back
    Display,  // RegisterDisplay: read-only read-out
    Lamp,     // RegisterBitLabel: one bit of a register
};

struct ControlRow {
    RowKind kind = RowKind::Edit;
    int reg = 0;          // 0: bound to no register
    int part = 0;         // 0 the whole register, 1 its low and 2 its high 16 bits
    int x = 0, y = 0, w = 0, h = 0;
    int scale = 0;
    int decimals = 1;
    int percentBase = 0;
    bool hex = false;
    int bit = 0;          // lamps: the bit shown
    bool inverted = false;
    bool listed = true;   // edits and displays: part of the page's edit or display list
    const char* nameKey = nullptr;     // the field's name in its messages, or the lamp's text
    const char* tooltipKey = nullptr;  // null: the register's tooltip ("_low"/"_high" for halves)
    const char* initialText = nullptr; // null: "0x%02x", with " L"/" H" for halves
    bool initialTextTranslated = false;  // initialText is a catalogue key, shown as its text
};

// The keys and texts a row stands for when it names none itself.
std::string rowTooltipKey(const ControlRow& row);
std::string rowInitialText(const ControlRow& row);

// Rows as the tables of the loop pages write them; part and percentBase as in ControlRow.
namespace tablerow {
ControlRow display(int reg, int x, int y, int w, int h, int part = 0, int percentBase = 0);
ControlRow edit(int reg, const char* nameKey, int x, int y, int w, int h, int part = 0, int percentBase = 0);
// A lamp of 70 x 12 pixels showing bit of reg, lit when clear if inverted.
ControlRow lamp(const char* textKey, int reg, int bit, bool inverted, int x, int y);
}  // namespace tablerow

}  // namespace torvex
