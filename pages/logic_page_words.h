// The drive's logic block in plain numbers: the eight input and output registers, and
// how an input word (function and polarity) and an output word (source register,
// second operand and operation) are packed. Free of windows so every rule is checked
// without a display.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace torvex {

enum class LogicKind { Input, Output };

struct LogicItem {
    const char* name;   // "Limit1" .. "Dout4": the label, and the tail of its catalogue keys
    int reg;
    LogicKind kind;
};

// Inputs first (Limit1, Limit2, Din1, Din2), then the outputs (Dout1 .. Dout4).
inline constexpr std::array<LogicItem, 8> kLogicItems{{
    {"Limit1", 0xBE, LogicKind::Input},
    {"Limit2", 0xBF, LogicKind::Input},
    {"Din1", 0xC0, LogicKind::Input},
    {"Din2", 0xC1, LogicKind::Input},
    {"Dout1", 0xC2, LogicKind::Output},
    {"Dout2", 0xC3, LogicKind::Output},
    {"Dout3", 0xDA, LogicKind::Output},
    {"Dout4", 0xDB, LogicKind::Output},
}};
inline constexpr int kLogicInputCount = 4;
inline constexpr int kLogicOutputCount = 4;

// Bits 14..0 the input function, bit 15 set for active high.
struct LogicInputWord {
    int function = 0;
    bool activeHigh = false;
};
LogicInputWord decodeLogicInput(uint16_t word);
uint16_t encodeLogicInput(long function, bool activeHigh);

// Bits 15..8 the source register, 7..4 the second operand, 3..0 the operation.
struct LogicOutputWord {
    int source = 0;
    int operand = 0;
    int operation = 0;
};
LogicOutputWord decodeLogicOutput(uint16_t word);
// Nothing for a source outside 0..255: shifted into the word it would name another
// register (and spill into nothing the drive understands).
std::optional<uint16_t> encodeLogicOutput(long source, long operand, long operation);

}  // namespace torvex
