// The built-in pictures of the Logik, BUS and Auto pages, drawn by the program so that
// nothing has to be installed. Each carries the captions it needs on its own.
#pragma once

#include <wx/bitmap.h>

namespace torvex {

// 831 x 619: the logic block with its inputs, outputs and variables.
wxBitmap drawLogicPagePicture();
// 831 x 619: the drive on the CAN bus and how the bit timing gives the bit rate.
wxBitmap drawCanBusPagePicture();
// 831 x 619: the two tuning sequences as a plain background.
wxBitmap drawControlTuningPagePicture();

// The 20 x 20 step lamps of the Auto page: A a round green lamp, B a square amber one.
wxBitmap drawTuningLampA();
wxBitmap drawTuningLampB();

}  // namespace torvex
