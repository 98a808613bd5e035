// "Reglist.txt" lines: any text is read line by line without crashing; a comment or
// empty line never adds a number.
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
        std::string line = text.substr(start, end - start);
        uint32_t number = 0;
        if (parseNumberListLine(line, &number) && (line.empty() || line[0] == '#')) std::abort();
        start = end + 1;
    }
    return 0;
}
