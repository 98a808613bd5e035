#include "link/number_text.h"

#include <charconv>

namespace torvex {

std::string fixedDecimalText(double value, int decimals) {
    char buffer[400];  // the largest double has 309 digits before the point
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                      decimals < 0 ? 0 : decimals);
    if (error != std::errc()) return std::string();
    std::string text(buffer, end);
    // A negative value too small to show keeps its sign in the printed zero; nobody reads
    // "-0.000" as anything but a fault.
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
    return text;
}

}  // namespace torvex
