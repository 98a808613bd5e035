// Pictures built into the program (drawn for it; no files needed at run time).
#pragma once

namespace torvex {

extern const unsigned char kLogoPagePng[];  // the logo page, 831 x 619
extern const unsigned kLogoPagePngSize;
extern const char* const kLogoTabXpm[];     // the logo tab, 66 x 29
extern const char* const kTorvexIconXpm[];  // the window icon, 32 x 32

}  // namespace torvex
