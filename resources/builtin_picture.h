// The pictures a page shows when its picture file is missing (and the pages that have
// no picture file at all). Made in the program, so nothing has to be installed.
#pragma once

#include <wx/bitmap.h>

namespace torvex {

enum class PagePicture {
    Settings,
    Position,
    Speed,
    Logic,
    CanBus,
    Diagnose,
    Monitor,
    Options,
    Oscilloscope,
    ControlTuning,
    Logo,
};

inline constexpr int kPagePictureWidth = 831;
inline constexpr int kPagePictureHeight = 619;

// An 831 x 619 picture in the page colours; each page gets its own shade.
wxBitmap builtinPagePicture(PagePicture page);

}  // namespace torvex
