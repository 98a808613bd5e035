#include "pages/logic_page_words.h"

namespace torvex {

LogicInputWord decodeLogicInput(uint16_t word) {
    return {word & 0x7FFF, (word & 0x8000) != 0};
}

uint16_t encodeLogicInput(long function, bool activeHigh) {
    uint16_t word = static_cast<uint16_t>(function & 0x7FFF);
    if (activeHigh) word |= 0x8000;
    return word;
}

LogicOutputWord decodeLogicOutput(uint16_t word) {
    return {(word >> 8) & 0xFF, (word >> 4) & 0xF, word & 0xF};
}

std::optional<uint16_t> encodeLogicOutput(long source, long operand, long operation) {
    if (source < 0 || source > 0xFF) return std::nullopt;
    return static_cast<uint16_t>(source * 256 + (operand & 0xF) * 16 + (operation & 0xF));
}

}  // namespace torvex
