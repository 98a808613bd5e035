// A range of CAN identifiers as SocketCAN filters (identifier and mask pairs): the
// adapter interface filters by a range "from..to", SocketCAN by masks.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace torvex::socketcan {

// The smallest set of aligned blocks that covers exactly from..to of an identifier space of
// the given bits; each as (identifier, mask). Empty when from > to or to is outside the space.
inline std::vector<std::pair<uint32_t, uint32_t>> rangeToMasks(uint32_t from, uint32_t to, int bits) {
    std::vector<std::pair<uint32_t, uint32_t>> blocks;
    if (bits <= 0 || bits > 29) return blocks;
    const uint32_t all = (1u << bits) - 1;
    if (from > to || to > all) return blocks;
    uint64_t at = from;
    while (at <= to) {
        int size = 0;  // the block is 2^size identifiers, aligned on its size
        while (size < bits && (at & ((1ull << (size + 1)) - 1)) == 0 && at + (1ull << (size + 1)) - 1 <= to) ++size;
        const uint32_t mask = all & ~static_cast<uint32_t>((1ull << size) - 1);
        blocks.emplace_back(static_cast<uint32_t>(at), mask);
        at += 1ull << size;
    }
    return blocks;
}

}  // namespace torvex::socketcan
