#include "resources/builtin_picture.h"

#include <algorithm>

#include <wx/image.h>

namespace torvex {

namespace {

// A small emblem drawn into the built-in page pictures.
static const char* const kEmblemXpm[] = {
    "32 32 4 1",
    ". c None",
    "# c #3A4E7A",
    "+ c #5B6F9E",
    "o c #E8ECF6",
    "................................",
    "................................",
    "...........##########...........",
    ".........##############.........",
    ".......##################.......",
    "......#####....++....#####......",
    ".....#####.....++.....#####.....",
    "....####.......++.......####....",
    "....###........++........###....",
    "...####........++........####...",
    "...###.........++.........###...",
    "..###..........++..........###..",
    "..###.........oooo.........###..",
    "..###........oooooo........###..",
    "..###.......oooooooo.......###..",
    "..###+++++++oooooooo+++++++###..",
    "..###+++++++oooooooo+++++++###..",
    "..###.......oooooooo.......###..",
    "..###........oooooo........###..",
    "..###.........oooo.........###..",
    "..###..........++..........###..",
    "...###.........++.........###...",
    "...####........++........####...",
    "....###........++........###....",
    "....####.......++.......####....",
    ".....#####.....++.....#####.....",
    "......#####....++....#####......",
    ".......##################.......",
    ".........##############.........",
    "...........##########...........",
    "................................",
    "................................"
};

// Page colour (129, 156, 214) at the top, a little darker towards the bottom; each page
// turns the hue slightly so that the pages can be told apart at a glance.
wxImage gradientImage(int shade) {
    wxImage image(kPagePictureWidth, kPagePictureHeight, false);
    unsigned char* data = image.GetData();
    for (int y = 0; y < kPagePictureHeight; ++y) {
        int darken = y * 28 / kPagePictureHeight;
        unsigned char r = static_cast<unsigned char>(std::clamp(129 - darken + shade, 0, 255));
        unsigned char g = static_cast<unsigned char>(std::clamp(156 - darken, 0, 255));
        unsigned char b = static_cast<unsigned char>(std::clamp(214 - darken - shade, 0, 255));
        for (int x = 0; x < kPagePictureWidth; ++x) {
            bool frame = x < 2 || y < 2 || x >= kPagePictureWidth - 2 || y >= kPagePictureHeight - 2;
            unsigned char* pixel = data + 3 * (y * kPagePictureWidth + x);
            pixel[0] = frame ? 90 : r;
            pixel[1] = frame ? 110 : g;
            pixel[2] = frame ? 160 : b;
        }
    }
    return image;
}

}  // namespace

wxBitmap builtinPagePicture(PagePicture page) {
    int shade = (static_cast<int>(page) % 6) * 3;
    wxImage image = gradientImage(shade);
    wxImage emblem = wxBitmap(kEmblemXpm).ConvertToImage();
    if (emblem.IsOk()) {
        int left = kPagePictureWidth - emblem.GetWidth() - 8;
        int top = kPagePictureHeight - emblem.GetHeight() - 8;
        for (int y = 0; y < emblem.GetHeight(); ++y) {
            for (int x = 0; x < emblem.GetWidth(); ++x) {
                if (emblem.HasMask() && emblem.GetRed(x, y) == emblem.GetMaskRed() &&
                    emblem.GetGreen(x, y) == emblem.GetMaskGreen() && emblem.GetBlue(x, y) == emblem.GetMaskBlue())
                    continue;
                if (emblem.HasAlpha() && emblem.GetAlpha(x, y) == 0) continue;
                image.SetRGB(left + x, top + y, emblem.GetRed(x, y), emblem.GetGreen(x, y), emblem.GetBlue(x, y));
            }
        }
    }
    return wxBitmap(image);
}

}  // namespace torvex
