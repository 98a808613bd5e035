// The built-in pictures of the Logik, BUS and Auto pages, drawn by the program so that
// nothing has to be installed. Each carries the captions it needs on its own, in the
// catalogue's language and in the words of the labels beside them.
#pragma once

#include <string>
#include <vector>

#include <wx/bitmap.h>
#include <wx/gdicmn.h>
#include <wx/string.h>

namespace torvex {

// 831 x 619: the logic block with its inputs, outputs and variables.
wxBitmap drawLogicPagePicture();
// 831 x 619: the drive on the CAN bus and how the bit timing gives the bit rate.
wxBitmap drawCanBusPagePicture();
// 831 x 619: the two tuning sequences as a plain background.
wxBitmap drawControlTuningPagePicture();

// A text drawn into one of these pictures: as it reads, where it stands in the picture,
// and the catalogue keys its words come from (among them the labels of the page's boxes
// it names).
struct PictureText {
    wxString text;
    wxRect rect;
    std::vector<std::string> keys;
};
// Every text of the Logik and BUS pictures, in drawing order.
std::vector<PictureText> logicPictureTexts();
std::vector<PictureText> canBusPictureTexts();

// The 20 x 20 step lamps of the Auto page: A a round green lamp, B a square amber one.
wxBitmap drawTuningLampA();
wxBitmap drawTuningLampB();

}  // namespace torvex
