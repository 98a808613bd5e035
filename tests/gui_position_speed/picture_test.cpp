// The built-in pictures stand on their own, in every language: every field and read-out is
// named beside it, no control, symbol, title or other text covers a text, and no line runs
// through a text or a control. Checked on the data the pictures are drawn from.
#include <gtest/gtest.h>

#include <algorithm>

#include <wx/image.h>
#include <wx/translation.h>

#include "link/registers.h"
#include "pages/loop_picture.h"
#include "pages/position_page.h"
#include "pages/speed_page.h"
#include "services/catalogue.h"

namespace torvex::test {
namespace {

struct PagePictureData {
    const char* name;
    const LoopPicture& picture;
    std::vector<ControlRow> table;  // every edit and read-out the page builds
    wxBitmap (*draw)();
};

std::vector<PagePictureData> pictures() {
    std::vector<ControlRow> position = PositionPage::readoutRows();
    position.insert(position.end(), PositionPage::editRows().begin(), PositionPage::editRows().end());
    return {
        {"Position", PositionPage::picture(), position, &PositionPage::drawPicture},
        {"Speed", SpeedPage::picture(), SpeedPage::fieldRows(), &SpeedPage::drawPicture},
    };
}

// Pixels inside place that differ from the picture's background colour.
int inkInside(const wxImage& image, const wxRect& place) {
    const unsigned char r = image.GetRed(0, 0), g = image.GetGreen(0, 0), b = image.GetBlue(0, 0);
    int ink = 0;
    for (int y = place.y; y <= place.GetBottom(); ++y)
        for (int x = place.x; x <= place.GetRight(); ++x)
            if (image.GetRed(x, y) != r || image.GetGreen(x, y) != g || image.GetBlue(x, y) != b) ++ink;
    return ink;
}

wxRect site(const ControlRow& row) { return wxRect(row.x, row.y, row.w, row.h); }

std::string text(const wxString& caption) { return "\"" + caption.utf8_string() + "\""; }

class LoopPictures : public ::testing::TestWithParam<wxLanguage> {
protected:
    void SetUp() override {
        addCatalogueLookupPrefixes();
        installCatalogueTranslator();
        ASSERT_TRUE(loadCatalogue(GetParam()));
    }
    void TearDown() override { wxTranslations::Set(nullptr); }
};

// Every edit and read-out is named: by a caption of its own beside it, or, in a grid of
// fields, by a label on its row to the left and one over its column.
TEST_P(LoopPictures, EveryFieldAndReadOutIsNamedNearby) {
    for (const PagePictureData& page : pictures()) {
        const LoopPicture& picture = page.picture;
        const std::vector<wxRect> places = captionPlaces(picture);
        ASSERT_EQ(places.size(), picture.rows.size());
        std::vector<wxRect> labels;
        for (const PictureCaption& caption : pictureCaptions(picture))
            if (!caption.bold) labels.push_back(caption.rect);
        int own = 0;
        for (const ControlRow& row : page.table) {
            const std::string where = std::string(page.name) + " " + rowTooltipKey(row);
            auto found = std::find_if(picture.rows.begin(), picture.rows.end(),
                                      [&](const ControlRow& other) { return site(other) == site(row); });
            ASSERT_NE(found, picture.rows.end()) << where << ": no site in the picture";
            const wxRect place = places[size_t(found - picture.rows.begin())];
            if (found->kind != RowKind::Lamp) {
                ASSERT_FALSE(place.IsEmpty()) << where;
                EXPECT_FALSE(rowCaption(*found).empty()) << where;
                // A register the table does not know is named by its number.
                if (registerAccessClass(uint32_t(row.reg)) == kClassUnknown) {
                    EXPECT_TRUE(rowCaption(*found).Contains(wxString::Format("0x%02x", row.reg))) << where;
                }
                wxRect near = site(row);
                near.Inflate(20, 14);
                EXPECT_TRUE(near.Intersects(place)) << where << ": caption beside its control";
                ++own;
                continue;
            }
            const wxRect control = site(row);
            const bool rowLabel = std::any_of(labels.begin(), labels.end(), [&](const wxRect& label) {
                return label.GetRight() < control.x && label.y < control.GetBottom() && label.GetBottom() > control.y;
            });
            const bool columnLabel = std::any_of(labels.begin(), labels.end(), [&](const wxRect& label) {
                return label.GetBottom() < control.y && label.x < control.GetRight() && label.GetRight() > control.x;
            });
            EXPECT_TRUE(rowLabel && columnLabel) << where << ": named by the grid's labels";
        }
        EXPECT_GT(own, 20) << page.name;
    }
}

// Every text stands clear of the controls, the symbols and the other texts, and no line of
// the picture (block edge, connector or arrow head) runs through a text or a control.
TEST_P(LoopPictures, TextsAndLinesKeepClearOfEachOtherAndOfTheControls) {
    for (const PagePictureData& page : pictures()) {
        const LoopPicture& picture = page.picture;
        const std::vector<PictureCaption> captions = pictureCaptions(picture);
        const std::vector<PictureLine> lines = pictureLines(picture);
        const wxRect whole(0, 0, kPagePictureWidth, kPagePictureHeight);
        for (size_t i = 0; i < captions.size(); ++i) {
            const std::string where = std::string(page.name) + " " + text(captions[i].text);
            EXPECT_TRUE(whole.Contains(captions[i].rect)) << where;
            for (const ControlRow& row : picture.rows)
                EXPECT_FALSE(site(row).Intersects(captions[i].rect)) << where << " under " << rowTooltipKey(row);
            for (const wxRect& symbol : picture.keepClear) EXPECT_FALSE(symbol.Intersects(captions[i].rect)) << where;
            for (size_t k = 0; k < i; ++k)
                EXPECT_FALSE(captions[k].rect.Intersects(captions[i].rect))
                    << where << " and " << text(captions[k].text);
            for (const PictureLine& line : lines)
                EXPECT_FALSE(lineTouches(line, captions[i].rect))
                    << where << " crossed by the line " << line.first.x << "," << line.first.y << " - "
                    << line.second.x << "," << line.second.y;
        }
        for (const ControlRow& row : picture.rows)
            for (const PictureLine& line : lines)
                EXPECT_FALSE(lineTouches(line, site(row)))
                    << page.name << " " << rowTooltipKey(row) << " at " << row.x << "," << row.y
                    << " crossed by the line " << line.first.x << "," << line.first.y << " - " << line.second.x << ","
                    << line.second.y;

        // The drawn picture carries the texts: ink where each one goes.
        const wxImage image = page.draw().ConvertToImage();
        ASSERT_EQ(image.GetWidth(), kPagePictureWidth);
        ASSERT_EQ(image.GetHeight(), kPagePictureHeight);
        for (const PictureCaption& caption : captions)
            EXPECT_GT(inkInside(image, caption.rect), 3) << page.name << " " << text(caption.text);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, LoopPictures,
                         ::testing::Values(wxLANGUAGE_GERMAN, wxLANGUAGE_FRENCH, wxLANGUAGE_ENGLISH));

TEST(LoopPictureLines, ALineTouchesARectangleItCrossesOrEnds) {
    const wxRect box(10, 10, 20, 10);  // x 10..29, y 10..19
    struct Case {
        PictureLine line;
        bool touches;
    };
    const Case cases[] = {
        {{{0, 15}, {40, 15}}, true},    // straight through
        {{{0, 0}, {40, 30}}, true},     // diagonally through
        {{{15, 0}, {15, 12}}, true},    // ends inside
        {{{0, 5}, {40, 5}}, false},     // passes above
        {{{0, 8}, {40, 8}}, false},     // two pixels above: clear of a two-pixel line
        {{{0, 9}, {40, 9}}, true},      // one pixel above: the line's width covers the border
        {{{30, 0}, {30, 40}}, true},    // one pixel right of it
        {{{31, 0}, {31, 40}}, false},   // two pixels right of it
        {{{0, 40}, {40, 25}}, false},   // below, slanting
        {{{0, 0}, {8, 8}}, false},      // stops short of the corner
    };
    for (const Case& c : cases)
        EXPECT_EQ(lineTouches(c.line, box), c.touches)
            << c.line.first.x << "," << c.line.first.y << " - " << c.line.second.x << "," << c.line.second.y;
}

TEST(LoopPictures, SymbolsHaveTheirSizesAndDifferFromEachOther) {
    const wxBitmap running = loopSymbol(LoopSymbol::Running);
    const wxBitmap open = loopSymbol(LoopSymbol::Open);
    const wxBitmap mark = loopSymbol(LoopSymbol::LimitMark);
    const wxBitmap path = loopSymbol(LoopSymbol::CommandPath);
    EXPECT_EQ(running.GetSize(), wxSize(34, 34));
    EXPECT_EQ(open.GetSize(), wxSize(12, 12));
    EXPECT_EQ(mark.GetSize(), wxSize(12, 12));
    EXPECT_EQ(path.GetSize(), wxSize(33, 33));
    const wxImage a = open.ConvertToImage(), b = mark.ConvertToImage();
    int differing = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            differing += a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y);
    EXPECT_GT(differing, 20) << "symbols 2 and 3 are told apart";
}

}  // namespace
}  // namespace torvex::test
