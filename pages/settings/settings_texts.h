// The texts the Settings page draws itself: captions, units and headings at fixed
// places (catalogue keys), and the blocks of its built-in picture.
#pragma once

#include <string>
#include <vector>

namespace torvex {

struct PaintedText {
    std::string key;
    int x;
    int y;
};

// In drawing order: column by column, top to bottom, each caption before its unit.
const std::vector<PaintedText>& settingsPaintedTexts();

// A framed block of the built-in picture with its heading (catalogue key; none when null).
struct SettingsPictureBlock {
    int x, y, w, h;
    const char* headingKey;
};
const std::vector<SettingsPictureBlock>& settingsPictureBlocks();

}  // namespace torvex
