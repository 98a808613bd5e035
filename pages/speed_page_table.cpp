// The Speed page's controls and picture as data.
#include "pages/loop_picture.h"
#include "pages/speed_page.h"

namespace torvex {

namespace {

// The analog inputs' two columns of fields.
constexpr int kAnalogColumn1 = 73;
constexpr int kAnalogColumn2 = 115;

using tablerow::display;
using tablerow::edit;
using tablerow::lamp;

ControlRow scaledHalf(int reg, const char* name, int x, int y) {
    ControlRow row = edit(reg, name, x, y, 41, 13, 2);
    row.scale = 4096;
    row.decimals = 3;
    return row;
}

}  // namespace

// Each ramp is one half of its 32-bit register, as are each analog input's offset (low)
// and scale (high) and each input's two read-outs.
const std::vector<ControlRow>& SpeedPage::fieldRows() {
    static const std::vector<ControlRow> rows = {
        display(0x90, 14, 222, 55, 16),                   // TORQUE_CMD_SETPOINT
        display(0x31, 14, 262, 55, 16),                   // SPEED_CMD_SETPOINT
        edit(0x1E, "Dig-Cutoff", 80, 262, 59, 16),        // DIG_CUTOFF
        display(0x5D, 252, 190, 55, 16),                  // SPEED_CMD
        display(0x32, 495, 191, 55, 16),                  // SPEED_CMD_RAMP
        display(0x33, 629, 200, 55, 16),                  // SPEED_ERR
        display(0x30, 495, 305, 55, 16),                  // SPEED_ACTUAL
        display(0xA8, 630, 305, 55, 16),                  // SPEED_ACTUAL_FILT
        display(0x26, 60, 477, 55, 16),                   // I_SOLL
        display(0x27, 60, 537, 55, 16),                   // IQ_ACTUAL
        display(0x28, 60, 587, 55, 16),                   // ID_ACTUAL
        display(0x22, 260, 478, 55, 16),                  // I_REF
        display(0x23, 367, 587, 55, 16),                  // ID_REF
        display(0x38, 367, 478, 55, 16),                  // IQ_ERR
        display(0x39, 367, 516, 55, 16),                  // ID_ERR
        display(0x29, 567, 477, 55, 16),                  // VQ
        display(0x2A, 567, 515, 55, 16),                  // VD
        display(0x20, 189, 562, 55, 16),                  // I_IST
        display(0x5F, 260, 562, 55, 16),                  // I_IST_FILT
        display(0x48, 190, 424, 59, 13, 0, 32767),        // I_LIM_INUSE
        display(0xEB, 695, 419, 59, 13),                  // LOGIC_I_UESP
        display(0x8A, 756, 549, 59, 13),                  // VOUT
        edit(0x35, "Ramp-Acc", 423, 54, 59, 13, 1),       // SPEED_DELTAMAXACC, default field
        edit(0xED, "Ramp-Dec", 423, 69, 59, 13, 1),       // SPEED_DELTAMAXDEC
        edit(0xC7, "Ramp-Limit", 423, 84, 59, 13),        // SPEED_DELTAMAXSTOP
        edit(0x34, "Speed-Limit", 423, 105, 44, 13, 0, 32767),  // SPEED_LIMIT
        edit(0x3F, "N Limit +", 423, 120, 44, 13, 0, 32767),    // SPEED_LIMIT_CLIP_POS
        edit(0x3E, "N Limit -", 423, 135, 44, 13, 0, 32767),    // SPEED_LIMIT_CLIP_NEG
        edit(0x5E, "Filter", 252, 306, 59, 13),           // SPEED_FILTER_WEIGHT
        edit(0x2C, "Kp (Speed)", 756, 100, 59, 13),       // SPEED_KP
        edit(0x2D, "Ti (Speed)", 756, 115, 59, 13),       // SPEED_KI
        edit(0x2E, "Td (Speed)", 756, 130, 59, 13),       // SPEED_KD
        edit(0x3B, "TiM (Speed)", 756, 145, 59, 13),      // SPEED_ERRSUMMAX
        edit(0x21, "Iman", 59, 413, 59, 16),              // I_SOLLOFFSET
        edit(0x25, "Ramp", 190, 334, 59, 13, 0, 32767),   // I_DELTAMAXPLUS: the current ramp
        edit(0xC4, "Imax", 190, 349, 59, 13, 0, 16383),   // REGLER_I_MAX_PC
        edit(0xC5, "Icontin", 190, 364, 59, 13, 0, 16383),  // REGLER_I_DAUER_PC
        edit(0xF0, "Tpeak", 190, 379, 59, 13),            // TIME_IPEAK
        edit(0x46, "I Limit", 190, 394, 59, 13, 0, 32767),  // I_LIMIT
        // IT_RG_MONITOR is measured by the drive: a read-out, neither edited nor stepped.
        [] {
            ControlRow row = display(0x45, 190, 409, 59, 13);
            row.nameKey = "I2t actual";
            return row;
        }(),
        edit(0x1C, "Kp (Current)", 497, 415, 59, 13),     // I1_KP
        edit(0x1D, "Ti (Current)", 497, 430, 59, 13),     // I1_KI
        edit(0x2B, "TiM (Current)", 497, 445, 59, 13),    // I_ERRSUMMAX
        edit(0xB2, "Idnom", 497, 532, 59, 13),            // ID_NOM
        edit(0xB5, "Idmin", 497, 547, 59, 13),            // ID_MIN
        edit(0x8B, "Vred", 756, 564, 59, 13),             // VRED
        edit(0x8C, "Vkp", 756, 579, 59, 13),              // VKP
        edit(0x8D, "VTi", 756, 594, 59, 13),              // VTI
        display(0xD5, 73, 75, 41, 13, 1),                 // ANALOG_IN_1
        display(0xD6, 115, 75, 41, 13, 1),                // ANALOG_IN_2
        edit(0x2F, "Offset INPUT1", 73, 90, 41, 13, 1),   // ANALOG_OFFSET_1
        edit(0xD7, "Offset INPUT2", 115, 90, 41, 13, 1),  // ANALOG_OFFSET_2
        edit(0x50, "Cutoff INPUT1", 73, 105, 41, 13),     // AIN1_CUTOFF
        edit(0x53, "Cutoff INPUT2", 115, 105, 41, 13),
        scaledHalf(0x2F, "Scale INPUT1", 73, 120),        // ANALOG_OFFSET_1
        scaledHalf(0xD7, "Scale INPUT2", 115, 120),       // ANALOG_OFFSET_2
        display(0xD5, 73, 135, 41, 13, 2),                // ANALOG_IN_1
        display(0xD6, 115, 135, 41, 13, 2),               // ANALOG_IN_2
    };
    return rows;
}

const std::vector<ControlRow>& SpeedPage::lampRows() {
    static const std::vector<ControlRow> rows = {
        lamp("Enable", 0x40, 0, false, 221, 105),
        lamp("GO", 0xD8, 11, false, 221, 121),
        lamp("Enable", 0x40, 0, false, 313, 52),
        lamp("Lim -", 0x40, 3, true, 313, 67),
        lamp("Lim +", 0x40, 2, true, 313, 82),
        lamp("Nc R0", 0x40, 1, true, 313, 97),
        lamp("Brake", 0x40, 15, true, 313, 112),
    };
    return rows;
}

const LoopPicture& SpeedPage::picture() {
    static const LoopPicture picture = [] {
        LoopPicture p;
        p.rows = fieldRows();
        // The analog inputs' fields stand in a grid of two columns and five rows, too close
        // for a caption each: the grid's labels name them.
        for (ControlRow& row : p.rows)
            if (row.x == kAnalogColumn1 || row.x == kAnalogColumn2) row.kind = RowKind::Lamp;
        p.rows.insert(p.rows.end(), lampRows().begin(), lampRows().end());
        p.rows.push_back(captionlessSite(12, 339, 53, 42));  // Up and Down
        p.keepClear = {
            {209, 172, 34, 34}, {221, 144, 12, 12}, {320, 172, 34, 34}, {331, 144, 12, 12},
            {561, 173, 33, 33}, {162, 172, 34, 34}, {162, 244, 34, 34}, {295, 401, 12, 12},
            {467, 106, 12, 12}, {467, 121, 12, 12}, {467, 136, 12, 12},
        };
        p.labels = {
            {"Text Servo Command Title 1", kAnalogColumn1, 62},
            {"Text Servo Command Title 2", kAnalogColumn2, 62},
            {"Picture Analog inputs Value", kAnalogColumn1 - 3, 76, true},
            {"Picture Analog inputs Offset", kAnalogColumn1 - 3, 91, true},
            {"Picture Analog inputs Cutoff", kAnalogColumn1 - 3, 106, true},
            {"Picture Analog inputs Scale", kAnalogColumn1 - 3, 121, true},
            {"Picture Analog inputs Scaled", kAnalogColumn1 - 3, 136, true},
        };
        p.blocks = {
            {8, 40, 195, 140, "Analog inputs"},
            {210, 40, 190, 110, "Status lamps"},
            {403, 40, 282, 120, "Speed ramp and limits"},
            {690, 80, 128, 85, "Speed controller"},
            {8, 184, 428, 137, "Speed command"},
            {440, 172, 380, 157, "Speed feedback"},
            {8, 322, 380, 118, "Current limits"},
            {436, 398, 220, 62, "Current controller"},
            {8, 461, 620, 149, "Current loop"},
            {660, 400, 165, 210, "Voltage controller"},
        };
        p.arrows = {
            {{{70, 269}, {78, 269}}},                                  // setpoint through the cut-off
            {{{141, 269}, {200, 269}, {200, 198}, {250, 198}}},        // to the speed command
            {{{309, 198}, {493, 198}}},                                // command to ramp
            {{{551, 198}, {615, 198}, {615, 207}, {627, 207}}},        // ramp to error
            {{{551, 312}, {628, 312}}},                                // actual to filtered
            {{{675, 303}, {675, 217}}},                                // filtered fed back to the error
            {{{656, 198}, {656, 168}, {785, 168}, {785, 159}}},        // error to controller
            {{{816, 110}, {822, 110}, {822, 340}, {251, 340}}},        // controller output to the current limits
            {{{219, 438}, {219, 466}, {110, 466}, {110, 475}}},        // limited current command
            {{{116, 485}, {258, 485}}},                                // current command to reference
            {{{316, 485}, {365, 485}}},                                // reference to error
            {{{423, 485}, {565, 485}}},                                // error to voltage
        };
        return p;
    }();
    return picture;
}

wxBitmap SpeedPage::drawPicture() { return drawLoopPicture(picture()); }

}  // namespace torvex
