// "MinMax.txt" lines: any text is read line by line without crashing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/limits.h"

using namespace torvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        uint16_t reg = 0;
        int32_t minimum = 0, maximum = 0;
        std::string line = text.substr(start, end - start);
        if (parseMinMaxLine(line, &reg, &minimum, &maximum)) {
            std::string trimmed = line;
            trimString(trimmed);
            if (trimmed.empty() || trimmed[0] == '#') std::abort();
        }
        start = end + 1;
    }
    return 0;
}
