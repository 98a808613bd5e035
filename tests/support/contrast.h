// The contrast of two colours as the accessibility guidelines measure it (1 to 21).
#pragma once

#include <algorithm>
#include <cmath>

#include <wx/colour.h>

namespace torvex::test {

inline double contrast(const wxColour& a, const wxColour& b) {
    auto luminance = [](const wxColour& c) {
        auto channel = [](unsigned char value) {
            const double v = value / 255.0;
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.Red()) + 0.7152 * channel(c.Green()) + 0.0722 * channel(c.Blue());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace torvex::test
