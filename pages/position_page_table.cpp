// The Position page's controls and picture as data.
#include "pages/loop_picture.h"
#include "pages/position_page.h"

namespace torvex {

namespace {

ControlRow readout(int reg, int x, int y, int w, int h, bool listed) {
    ControlRow row = tablerow::display(reg, x, y, w, h);
    row.listed = listed;
    return row;
}

// Every edit field of the page is 59 x 13 pixels.
ControlRow edit(int reg, int part, const char* name, int x, int y, int percentBase = 0) {
    return tablerow::edit(reg, name, x, y, 59, 13, part, percentBase);
}

// The lamps stand in one column.
ControlRow lamp(const char* label, int reg, int bit, bool inverted, int y) {
    return tablerow::lamp(label, reg, bit, inverted, 340, y);
}

}  // namespace

// The scaled read-outs are wider than the layout's 54 pixels: a 32-bit position with three
// decimals ("-2147483648.000") needs the room.
const std::vector<ControlRow>& PositionPage::readoutRows() {
    static const std::vector<ControlRow> rows = {
        readout(0x6E, 21, 90, 60, 15, false),    // POS_DEST, scaled
        readout(0x91, 213, 90, 60, 15, false),   // POS_COMMAND, scaled
        readout(0x70, 294, 146, 59, 13, true),   // POS_ERR
        readout(0x5D, 549, 146, 59, 13, true),   // SPEED_CMD
        readout(0x32, 749, 146, 59, 13, true),   // SPEED_CMD_RAMP
        readout(0x6D, 212, 285, 60, 15, false),  // POS_ACTUAL, scaled
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

const LoopPicture& PositionPage::picture() {
    static const LoopPicture picture = [] {
        LoopPicture p;
        p.rows = readoutRows();
        p.rows.insert(p.rows.end(), editRows().begin(), editRows().end());
        p.rows.insert(p.rows.end(), lampRows().begin(), lampRows().end());
        p.rows.push_back(captionlessSite(684, 97, 56, 13));   // the calc label
        p.rows.push_back(captionlessSite(727, 404, 51, 42));  // Up and Down
        p.keepClear = {
            {362, 126, 34, 34}, {375, 99, 12, 12}, {158, 224, 33, 33}, {32, 163, 12, 12}, {559, 575, 12, 12},
        };
        p.blocks = {
            {8, 8, 323, 131, "Position scaling"},
            {334, 2, 81, 98, "Status lamps"},
            {416, 30, 189, 92, "Position controller (Speed)"},
            {611, 8, 212, 217, "Speed limit"},
            {416, 170, 189, 92, "Position controller (Current)"},
            {8, 141, 405, 181, "Position loop"},
            {416, 266, 196, 56, "Current command"},
            {8, 400, 815, 210, "Calibration and ramps"},
        };
        p.arrows = {
            {{{82, 97}, {211, 97}}},                                   // destination to command
            {{{274, 97}, {323, 97}, {323, 144}}},                      // command to the error
            {{{273, 292}, {323, 292}, {323, 160}}},                    // actual position fed back
            {{{354, 152}, {547, 152}}},                                // error to speed command
            {{{609, 152}, {747, 152}}},                                // speed command to ramp
            {{{760, 160}, {760, 164}, {650, 164}, {650, 291}, {610, 291}}},  // ramp to current command
        };
        return p;
    }();
    return picture;
}

wxBitmap PositionPage::drawPicture() { return drawLoopPicture(picture()); }

}  // namespace torvex
