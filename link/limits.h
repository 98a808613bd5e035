// Register limits from "MinMax.txt" and register lists from "Reglist.txt".
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace torvex {

struct RegisterLimits {
    std::map<uint32_t, int32_t> minimum;  // raw drive units; absent: no lower limit
    std::map<uint32_t, int32_t> maximum;  // absent: no upper limit
};

}  // namespace torvex
