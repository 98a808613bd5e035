// The Position page's controls and picture as data.
#include "pages/loop_picture.h"
#include "pages/position_page.h"

namespace torvex {

namespace {

ControlRow readout(int reg, int x, int y, int w, int h, bool listed) {
    ControlRow row;
    row.kind = RowKind::Display;
    row.reg = reg;
    row.x = x, row.y = y, row.w = w, row.h = h;
    row.listed = listed;
    return row;
}

ControlRow edit(int reg, int part, const char* name, int x, int y, int percentBase = 0) {
    ControlRow row;
    row.kind = RowKind::Edit;
    row.reg = reg;
    row.part = part;
    row.x = x, row.y = y, row.w = 59, row.h = 13;
    row.percentBase = percentBase;
    row.nameKey = name;
    return row;
}

ControlRow lamp(const char* label, int reg, int bit, bool inverted, int y) {
    ControlRow row;
    row.kind = RowKind::Lamp;
    row.reg = reg;
    row.bit = bit;
    row.inverted = inverted;
    row.x = 340, row.y = y, row.w = 70, row.h = 12;
    row.nameKey = label;
    return row;
}

}  // namespace

const std::vector<ControlRow>& PositionPage::readoutRows() {
    static const std::vector<ControlRow> rows = {
        readout(0x6E, 21, 90, 54, 15, false),    // POS_DEST, scaled
        readout(0x91, 213, 90, 54, 15, false),   // POS_COMMAND, scaled
        readout(0x70, 294, 146, 59, 13, true),   // POS_ERR
        readout(0x5D, 549, 146, 59, 13, true),   // SPEED_CMD
        readout(0x32, 749, 146, 59, 13, true),   // SPEED_CMD_RAMP
        readout(0x6D, 212, 285, 54, 15, false),  // POS_ACTUAL, scaled
        readout(0x26, 550, 285, 59, 13, true),   // I_SOLL
        readout(0xCF, 681, 180, 59, 13, true),   // POSI_KY
        readout(0x81, 681, 195, 59, 13, true),
    };
    return rows;
}

// Each ramp is one half of its 32-bit register (acceleration and deceleration share
// 0x35 and 0xED with the other direction), so the fields take the low half only and a
// write keeps the other ramp.
const std::vector<ControlRow>& PositionPage::editRows() {
    static const std::vector<ControlRow> rows = {
        edit(0x7E, 0, "Faktorext", 83, 262),
        edit(0x6A, 0, "Kp (Speed)", 479, 51),      // POS_KP, default field
        edit(0x6B, 0, "Ti (Speed)", 479, 66),      // POS_KI
        edit(0x6C, 0, "Td (Speed)", 479, 81),      // POS_KD
        edit(0x71, 0, "TiM (Speed)", 479, 96),     // POS_ERRSUMMAX
        edit(0x34, 0, "Limit", 681, 67, 32767),    // SPEED_LIMIT
        edit(0x35, 1, "Ramp-Acc", 681, 82),        // SPEED_DELTAMAXACC
        edit(0x79, 0, "Tol window", 120, 119),     // POS_WINDOW
        edit(0xC9, 0, "Kp (Current)", 479, 193),   // POSI_KP
        edit(0xCA, 0, "Ti (Current)", 479, 208),   // POSI_KI
        edit(0xCB, 0, "Td (Current)", 479, 223),   // POSI_KD
        edit(0xCD, 0, "TiM (Current)", 479, 238),  // POSI_ERRSUMMAX
        edit(0x76, 0, "Speed to", 280, 433),       // SPEED_CALIB_FAST, rpm
        edit(0x77, 0, "Speed from", 472, 530),     // SPEED_CALIB_SLOW, rpm
        edit(0x72, 0, "Offset", 640, 470),         // POS_OFFSET_REF, position units
        edit(0x35, 1, "Ramp-Acc", 223, 530),       // SPEED_DELTAMAXACC
        edit(0xED, 1, "Ramp-Dec", 405, 567),       // SPEED_DELTAMAXDEC
        edit(0xC7, 0, "Ramp-Limit", 405, 582),     // SPEED_DELTAMAXSTOP
        edit(0x7C, 0, "TX-Scale", 241, 35),        // POS_TORVEX_SCALE, raw
        edit(0x7D, 0, "TX-Offset", 241, 50),       // POS_TORVEX_OFFSET, raw
    };
    return rows;
}

const std::vector<ControlRow>& PositionPage::lampRows() {
    static const std::vector<ControlRow> rows = {
        lamp("Enable", 0x40, 0, false, 20),
        lamp("PosKp > 0", 0x40, 7, false, 36),
        lamp("GO", 0xD8, 11, false, 52),
        lamp("Lim -", 0x40, 3, true, 68),
        lamp("Lim +", 0x40, 2, true, 84),
    };
    return rows;
}

std::vector<ControlRow> PositionPage::pictureRows() {
    std::vector<ControlRow> rows = readoutRows();
    rows.insert(rows.end(), editRows().begin(), editRows().end());
    rows.insert(rows.end(), lampRows().begin(), lampRows().end());
    // The calc label is no register control, but no caption may hide under it either.
    ControlRow calc;
    calc.kind = RowKind::Lamp;
    calc.x = 684, calc.y = 97, calc.w = 56, calc.h = 13;
    rows.push_back(calc);
    ControlRow button = calc;  // Up and Down
    button.x = 727, button.y = 404, button.w = 51, button.h = 42;
    rows.push_back(button);
    return rows;
}

const std::vector<wxRect>& PositionPage::symbolSites() {
    static const std::vector<wxRect> sites = {
        {362, 126, 34, 34}, {375, 99, 12, 12}, {158, 224, 33, 33}, {32, 163, 12, 12}, {559, 575, 12, 12},
    };
    return sites;
}

const std::vector<PictureBlock>& PositionPage::pictureBlocks() {
    static const std::vector<PictureBlock> blocks = {
        {8, 8, 320, 130, "Position scaling"},
        {330, 8, 110, 100, "Status lamps"},
        {445, 30, 150, 90, "Position controller (Speed)"},
        {620, 40, 200, 175, "Speed limit"},
        {445, 170, 150, 90, "Position controller (Current)"},
        {8, 150, 420, 170, "Position loop"},
        {8, 400, 815, 210, "Calibration and ramps"},
        {600, 230, 220, 90, "Current command"},
    };
    return blocks;
}

wxBitmap PositionPage::drawPicture() {
    const std::vector<PictureArrow> arrows = {
        {{75, 97}, {210, 97}},     // destination to command
        {{268, 97}, {300, 140}},   // command to the error
        {{268, 292}, {320, 162}},  // actual position fed back
        {{354, 152}, {545, 152}},  // error to speed command
        {{609, 152}, {745, 152}},  // speed command to ramp
        {{778, 162}, {580, 282}},  // ramp to current command
    };
    return drawLoopPicture(pictureBlocks(), arrows, pictureRows(), symbolSites());
}

}  // namespace torvex
