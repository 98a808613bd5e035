// The built-in pictures stand on their own: every field and read-out has a caption beside
// it that no control, symbol, block title or other caption covers, in every language.
#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/translation.h>

#include "pages/loop_picture.h"
#include "pages/position_page.h"
#include "pages/speed_page.h"
#include "widgets/catalogue.h"

namespace torvex::test {
namespace {

struct PagePictureData {
    const char* name;
    std::vector<ControlRow> rows;
    std::vector<PictureBlock> blocks;
    std::vector<wxRect> symbols;
    wxBitmap (*draw)();
};

std::vector<PagePictureData> pictures() {
    return {
        {"Position", PositionPage::pictureRows(), PositionPage::pictureBlocks(), PositionPage::symbolSites(),
         &PositionPage::drawPicture},
        {"Speed", SpeedPage::pictureRows(), SpeedPage::pictureBlocks(), SpeedPage::symbolSites(),
         &SpeedPage::drawPicture},
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

TEST(LoopPictures, EveryFieldAndReadOutHasAClearCaptionInEveryLanguage) {
    addCatalogueLookupPrefixes();
    for (wxLanguage language : {wxLANGUAGE_GERMAN, wxLANGUAGE_FRENCH, wxLANGUAGE_ENGLISH}) {
        ASSERT_TRUE(loadCatalogue(language));
        for (const PagePictureData& page : pictures()) {
            const std::vector<wxRect> places = captionPlaces(page.blocks, page.rows, page.symbols);
            ASSERT_EQ(places.size(), page.rows.size());
            int captions = 0;
            for (size_t i = 0; i < page.rows.size(); ++i) {
                const ControlRow& row = page.rows[i];
                const std::string where = std::string(page.name) + " row " + std::to_string(i) + " language " +
                                          std::to_string(int(language));
                if (row.kind == RowKind::Lamp) {
                    EXPECT_TRUE(places[i].IsEmpty()) << where << ": lamps carry their own text";
                    continue;
                }
                ASSERT_FALSE(places[i].IsEmpty()) << where;
                EXPECT_FALSE(rowCaption(row).empty()) << where;
                ++captions;
                const wxRect control(row.x, row.y, row.w, row.h);
                wxRect near = control;
                near.Inflate(20, 14);
                EXPECT_TRUE(near.Intersects(places[i])) << where << ": caption beside its control";
                EXPECT_TRUE(wxRect(0, 0, kPagePictureWidth, kPagePictureHeight).Contains(places[i])) << where;
                for (size_t j = 0; j < page.rows.size(); ++j)
                    EXPECT_FALSE(wxRect(page.rows[j].x, page.rows[j].y, page.rows[j].w, page.rows[j].h)
                                     .Intersects(places[i]))
                        << where << " covered by row " << j;
                for (const wxRect& symbol : page.symbols) EXPECT_FALSE(symbol.Intersects(places[i])) << where;
                for (size_t j = 0; j < i; ++j)
                    EXPECT_FALSE(!places[j].IsEmpty() && places[j].Intersects(places[i])) << where << " and " << j;
            }
            EXPECT_GT(captions, 20) << page.name;

            // The drawn picture carries them: ink where each caption goes.
            const wxImage image = page.draw().ConvertToImage();
            ASSERT_EQ(image.GetWidth(), kPagePictureWidth);
            ASSERT_EQ(image.GetHeight(), kPagePictureHeight);
            for (size_t i = 0; i < places.size(); ++i) {
                if (places[i].IsEmpty()) continue;
                EXPECT_GT(inkInside(image, places[i]), 3) << page.name << " row " << i;
            }
        }
    }
    wxTranslations::Set(nullptr);
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
