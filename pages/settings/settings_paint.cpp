// The Settings page's painted texts (captions, units, headings beside the fields) and
// its built-in picture.
#include <wx/dc.h>
#include <wx/dcmemory.h>
#include <wx/region.h>

#include "pages/settings/settings_page.h"
#include "pages/settings/settings_texts.h"

namespace torvex {

namespace {

const wxColour kTextColour(0, 0, 100);

}  // namespace

const std::vector<SettingsPictureBlock>& settingsPictureBlocks() {
    // Headings stand above the first row of each block.
    static const std::vector<SettingsPictureBlock> blocks = {
        {26, 4, 166, 256, "Picture Block Motor"},
        {26, 264, 166, 256, "Picture Block Feedback"},
        {198, 4, 182, 470, "Picture Block Servo"},
        {396, 4, 142, 470, "Picture Block Current controller"},
        {540, 4, 143, 470, "Picture Block Speed controller"},
        {685, 4, 143, 470, "Picture Block Position controller"},
        {306, 524, 72, 52, nullptr},
        {546, 524, 272, 78, nullptr},
    };
    return blocks;
}

const std::vector<PaintedText>& settingsPaintedTexts() {
    static const std::vector<PaintedText> texts = [] {
        std::vector<PaintedText> list;
        // A column of field rows: caption and (unless noted) unit per row.
        struct Row {
            const char* suffix;
            int y;
            bool unit = true;
        };
        auto column = [&list](int captionX, int unitX, std::initializer_list<Row> rows) {
            for (const Row& row : rows) {
                list.push_back({std::string("Text reg ") + row.suffix, captionX, row.y});
                if (row.unit) list.push_back({std::string("Unit reg ") + row.suffix, unitX, row.y});
            }
        };
        auto text = [&list](const char* key, int x, int y) { list.push_back({key, x, y}); };
        auto pair = [&list](const char* name, int captionX, int unitX, int y) {
            list.push_back({std::string("Text ") + name, captionX, y});
            list.push_back({std::string("Unit ") + name, unitX, y});
        };

        // Motor and feedback.
        text("Type", 35, 29);
        column(35, 159, {{"0x59", 46}, {"0x05", 63}, {"0x06", 80}, {"0x0e", 97}, {"0x4d", 114}, {"0x4e", 131},
                         {"0x4f", 148}});
        pair("Buttons Motor Direction", 35, 159, 167);
        pair("Buttons Motor Brake", 35, 159, 188);
        column(35, 159, {{"0xf1", 207}});
        pair("Buttons Motor coast stop", 35, 159, 225);
        column(35, 159, {{"0xa3", 244}});
        column(35, 143, {{"0xa7", 301}, {"0x44", 318}, {"0xa6", 335}, {"0xcf_low", 413}, {"0x7e", 430}});
        pair("Combo Motor Inc-Out Factor", 35, 143, 482);
        column(35, 143, {{"0xcf_high", 502}});

        // Servo with the command inputs.
        column(205, 353, {{"0x67", 29, false}, {"0x62", 46}, {"0xf8", 63}});
        pair("Buttons Servo Mains", 205, 353, 81);
        column(205, 353, {{"0x64", 101}, {"0xa5_high", 118}, {"0xa5_low", 135}});
        pair("Buttons Servo ZW-monitor", 205, 353, 153);
        pair("Buttons Servo Regen", 205, 353, 173);
        column(205, 353, {{"0x65_low", 193}, {"0x65_high", 210}});
        pair("Buttons Servo BTB Power", 205, 353, 230);
        text("Text Combo Servo Taktfreq.", 205, 252);
        text("Text Combo Servo Analog Out", 205, 275);
        text("Text Servo Command 1", 205, 319);
        text("Text Servo Command 2", 205, 337);
        text("Text Servo Command Title 1", 255, 356);
        text("Text Servo Command Title 2", 320, 356);
        text("Text Servo Command 3", 205, 380);
        text("Text Servo Command 4", 205, 397);
        text("Text Servo Command 5", 205, 414);
        text("Text Servo Command 6", 205, 431);
        text("Text Servo Command 7", 205, 454);

        // Current controller.
        column(402, 510, {{"0x1c", 46},      {"0x1d", 63},      {"0x2b", 80},      {"0x25", 114},
                          {"0xc4_1", 131},   {"0xc4_2", 148},   {"0xc5_1", 165},   {"0xc5_2", 182},
                          {"0xf0", 199},     {"0x46", 233},     {"0x3c", 250},     {"0x58", 267},
                          {"0x4c", 284},     {"0xa2", 301},     {"0x07_low", 352}, {"0x08_low", 369},
                          {"0x0a_low", 386}, {"0x0b_low", 403}, {"0x0c_low", 420}, {"0x0d_low", 437}});
        text("Text Combo Parameter Current F-sh 1", 402, 457);

        // Speed controller.
        column(545, 653, {{"0x2c", 46}, {"0x2d", 63}, {"0x2e", 80}, {"0x3b", 97}, {"0x5b", 114}, {"0x5e", 131}});
        column(545, 653, {{"0x?3", 148}});
        column(545, 653, {{"0x35_low", 165}, {"0xed_low", 182}, {"0x35_high", 199}, {"0xed_high", 216}});
        column(545, 653, {{"0x?4", 233}});
        column(545, 653, {{"0xc7", 250},      {"0xc8", 267},      {"0x34", 284},      {"0x3f", 301},
                          {"0x3e", 318},      {"0x07_high", 352}, {"0x08_high", 369}, {"0x0a_high", 386},
                          {"0x0b_high", 403}, {"0x0c_high", 420}, {"0x0d_high", 437}});
        text("Text Combo Parameter Current F-sh 1", 545, 457);

        // Position controller.
        column(690, 798, {{"0xc9", 46}, {"0xca", 63}, {"0xcb", 80}, {"0xcd", 97}, {"0x6a", 148}});
        column(690, 798, {{"0x?5", 165}});
        column(690, 798, {{"0x6b", 182}, {"0x6c", 199}, {"0x71", 216}, {"0x76", 267}, {"0x77", 284}, {"0x75", 301}});
        pair("Buttons Dec-Ramp", 690, 798, 337);
        column(690, 798, {{"0x79", 386}, {"0x72", 403, false}, {"0x7c", 420}, {"0x?6", 437}});
        return list;
    }();
    return texts;
}

void SettingsPage::paintPage(wxDC& dc) {
    // Inside a paint event only the invalidated part needs drawing; elsewhere, all of it.
    const wxRegion& update = GetUpdateRegion();
    auto needed = [&update](const wxRect& rect) { return update.IsEmpty() || update.Contains(rect) != wxOutRegion; };
    dc.SetFont(GetFont());
    dc.SetTextForeground(kTextColour);
    if (paintedTexts_.empty()) {
        // Catalogue texts are drawn as they stand; they are never used as a format.
        for (const PaintedText& text : settingsPaintedTexts()) {
            const wxString shown = wxGetTranslation(wxString::FromUTF8(text.key));
            paintedTexts_.emplace_back(shown, wxRect(wxPoint(text.x, text.y), dc.GetTextExtent(shown)));
        }
    }
    for (const auto& [text, place] : paintedTexts_) {
        // A glyph may reach a pixel or two past the measured extent.
        if (needed(wxRect(place).Inflate(2))) dc.DrawText(text, place.x, place.y);
    }
}

wxBitmap drawSettingsPicture() {
    wxBitmap picture(kPagePictureWidth, kPagePictureHeight, 24);
    wxMemoryDC dc(picture);
    dc.SetBackground(wxBrush(wxColour(129, 156, 214)));
    dc.Clear();
    wxFont font = *wxNORMAL_FONT;
    font.SetPixelSize(wxSize(0, 11));
    font.SetWeight(wxFONTWEIGHT_BOLD);
    dc.SetFont(font);
    dc.SetPen(wxPen(wxColour(60, 80, 140)));
    dc.SetTextForeground(wxColour(0, 0, 100));
    for (const SettingsPictureBlock& block : settingsPictureBlocks()) {
        dc.SetBrush(wxBrush(wxColour(168, 188, 230)));
        dc.DrawRoundedRectangle(block.x, block.y, block.w, block.h, 4);
        if (block.headingKey)
            dc.DrawText(wxGetTranslation(wxString::FromUTF8(block.headingKey)), block.x + 4, block.y + 2);
    }
    dc.SelectObject(wxNullBitmap);
    return picture;
}

}  // namespace torvex
