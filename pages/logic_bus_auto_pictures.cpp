#include "pages/logic_bus_auto_pictures.h"

#include <cmath>

#include <wx/dcmemory.h>

#include "link/i18n.h"
#include "pages/logic_page_words.h"
#include "resources/builtin_picture.h"
#include "widgets/field_logic.h"

namespace torvex {

namespace {

const wxColour kInk(40, 52, 90);
const wxColour kBlock(214, 222, 240);

// The pictures' own texts; "%s" takes the label of the box a text speaks of.
constexpr const char* kLogicFormulaKey = "%s = f(source register, operation, second operand)";
constexpr const char* kCanDriveKey = "Drive";
constexpr const char* kCanBtrBitsKey = "%s: bits 3..0 TSEG1-1, bits 6..4 TSEG2-1, bits 13..8 BRP-1";
constexpr const char* kCanBitRateKey = "%s [kbit/s] = 5000 / ((TSEG1 + TSEG2 + 1) x BRP)";

// The logic block; its inputs come in from the left, its outputs leave to the right, one
// row of arrows every 55 pixels. The page's box of controls lies left of the input texts,
// its Up and Down buttons below the block.
const wxRect kLogicBlock(560, 60, 110, 280);
constexpr int kArrowLength = 60;
int logicRowY(int row) { return kLogicBlock.y + 50 + row * 55; }
// Below the Up and Down buttons: the formula is as wide as its language makes it.
const wxPoint kLogicFormulaAt(430, 450);

// The bus: two wires, three stations above them, the texts on the bit timing below.
constexpr int kBusY = 330, kBusLeft = 260, kBusRight = 770, kWireGap = 16;
constexpr int kStationLeft = 300, kStationStep = 170, kStationWidth = 110, kStationHeight = 60;
constexpr int kBusTextX = 300, kBusTextY = kBusY + 40, kBusTextStep = 20;

wxFont pictureFont() {
    wxFont font(wxFontInfo().Family(wxFONTFAMILY_SWISS));
    font.SetPixelSize(wxSize(0, 12));
    return font;
}

wxString word(const std::string& key) { return wxString::FromUTF8(tr(key)); }

// A catalogue text with its "%s" filled; the text itself is never used as a format.
wxString filled(const char* key, const wxString& value) {
    return wxString::FromUTF8(fillPlaceholder(tr(key), "%s", value.utf8_string()));
}

// Measures texts in the pictures' font and places them.
class TextPlacer {
public:
    TextPlacer() : scratch_(8, 8), dc_(scratch_) { dc_.SetFont(pictureFont()); }
    // x is where the text starts, where it ends, or its middle.
    enum Anchor { Start, End, Middle };
    void add(const wxString& text, std::vector<std::string> keys, int x, int y, Anchor anchor = Start) {
        const wxSize size = dc_.GetTextExtent(text);
        const int left = anchor == End ? x - size.x : anchor == Middle ? x - size.x / 2 : x;
        texts_.push_back({text, wxRect(wxPoint(left, y), size), std::move(keys)});
    }
    int lineHeight() const { return dc_.GetCharHeight(); }
    std::vector<PictureText> take() { return std::move(texts_); }

private:
    wxBitmap scratch_;
    wxMemoryDC dc_;
    std::vector<PictureText> texts_;
};

// Starts from the page's plain background, so the pages keep their common look.
wxBitmap drawOnBackground(PagePicture page, void (*draw)(wxDC&), const std::vector<PictureText>& texts) {
    wxBitmap bitmap = builtinPagePicture(page);
    wxMemoryDC dc(bitmap);
    dc.SetTextForeground(kInk);
    dc.SetPen(wxPen(kInk, 2));
    dc.SetFont(pictureFont());
    if (draw) draw(dc);
    for (const PictureText& text : texts) dc.DrawText(text.text, text.rect.GetPosition());
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

void arrow(wxDC& dc, int x1, int y, int x2) {
    dc.DrawLine(x1, y, x2, y);
    dc.DrawLine(x2, y, x2 - 6, y - 4);
    dc.DrawLine(x2, y, x2 - 6, y + 4);
}

void drawLogic(wxDC& dc) {
    dc.SetBrush(wxBrush(kBlock));
    dc.DrawRectangle(kLogicBlock);
    for (int row = 0; row < kLogicInputCount; ++row) {
        const int y = logicRowY(row);
        arrow(dc, kLogicBlock.x - kArrowLength, y, kLogicBlock.x);
        arrow(dc, kLogicBlock.GetRight() + 1, y, kLogicBlock.GetRight() + 1 + kArrowLength);
    }
}

void drawCanBus(wxDC& dc) {
    dc.DrawLine(kBusLeft, kBusY, kBusRight, kBusY);
    dc.DrawLine(kBusLeft, kBusY + kWireGap, kBusRight, kBusY + kWireGap);
    dc.SetBrush(wxBrush(kBlock));
    for (int i = 0; i < 3; ++i) {
        const int x = kStationLeft + i * kStationStep;
        dc.DrawRectangle(x, kBusY - 110, kStationWidth, kStationHeight);
        dc.DrawLine(x + kStationWidth / 2, kBusY - 110 + kStationHeight, x + kStationWidth / 2, kBusY);
    }
}

void drawControlTuning(wxDC& dc) {
    // A step response, the shape the tuning sequences look at.
    const int x0 = 330, y0 = 420, w = 420, h = 220;
    dc.DrawLine(x0, y0, x0 + w, y0);
    dc.DrawLine(x0, y0, x0, y0 - h);
    // A damped second-order step: a little overshoot, then settling.
    wxPoint curve[60];
    for (int i = 0; i < 60; ++i) {
        double t = i / 59.0 * 3.0;
        double response = 1.0 - std::exp(-2.5 * t) * (std::cos(4.0 * t) + 0.6 * std::sin(4.0 * t));
        int x = x0 + 20 + static_cast<int>(t / 3.0 * (w - 40));
        int y = y0 - static_cast<int>(response * (h - 60));
        curve[i] = wxPoint(x, y);
    }
    dc.DrawLines(60, curve);
    dc.DrawText("t", x0 + w + 4, y0 - 8);
    dc.DrawText("n", x0 - 14, y0 - h);
}

wxBitmap lamp(const wxColour& fill, bool round) {
    wxBitmap bitmap(20, 20);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(wxColour(129, 156, 214)));
    dc.Clear();
    dc.SetPen(wxPen(wxColour(40, 40, 40), 1));
    dc.SetBrush(wxBrush(fill));
    if (round)
        dc.DrawEllipse(2, 2, 16, 16);
    else
        dc.DrawRectangle(3, 3, 14, 14);
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

}  // namespace

std::vector<PictureText> logicPictureTexts() {
    TextPlacer place;
    const int middle = kLogicBlock.x + kLogicBlock.width / 2;
    place.add(word("Logik"), {"Logik"}, middle, kLogicBlock.y + 8, TextPlacer::Middle);
    // Each arrow carries the label of its row on the page and the register behind it.
    for (int row = 0; row < kLogicInputCount; ++row) {
        const LogicItem& input = kLogicItems[size_t(row)];
        const LogicItem& output = kLogicItems[size_t(kLogicInputCount + row)];
        const int y = logicRowY(row) - 16;
        place.add(word(input.name) + wxString::Format(" 0x%02X", input.reg), {input.name}, kLogicBlock.x - 6, y,
                  TextPlacer::End);
        place.add(wxString::Format("0x%02X ", output.reg) + word(output.name), {output.name},
                  kLogicBlock.GetRight() + 5, y);
    }
    place.add(word("Var1") + ".." + word("Var4") + "  0xD1..0xD4", {"Var1", "Var4"}, middle,
              kLogicBlock.GetBottom() + 10, TextPlacer::Middle);
    place.add(filled(kLogicFormulaKey, word("Dout1") + ".." + word("Dout4")), {kLogicFormulaKey, "Dout1", "Dout4"},
              kLogicFormulaAt.x, kLogicFormulaAt.y);
    return place.take();
}

std::vector<PictureText> canBusPictureTexts() {
    TextPlacer place;
    const int half = place.lineHeight() / 2;
    // The wires' signal names and the stations read alike in every language but the drive.
    place.add("CAN_H", {}, kBusRight + 6, kBusY - half);
    place.add("CAN_L", {}, kBusRight + 6, kBusY + kWireGap - half);
    const wxString stations[3] = {"PC", word(kCanDriveKey), "..."};
    for (int i = 0; i < 3; ++i)
        place.add(stations[i], i == 1 ? std::vector<std::string>{kCanDriveKey} : std::vector<std::string>{},
                  kStationLeft + i * kStationStep + kStationWidth / 2, kBusY - 110 + kStationHeight / 2 - half,
                  TextPlacer::Middle);
    // The page's three fields by their labels, then what the bit timing holds and gives.
    place.add(word("RxID") + " 0x68, " + word("TxID") + " 0x69, " + word("BTR") + " 0x73", {"RxID", "TxID", "BTR"},
              kBusTextX, kBusTextY);
    place.add(filled(kCanBtrBitsKey, word("BTR")), {kCanBtrBitsKey, "BTR"}, kBusTextX, kBusTextY + kBusTextStep);
    place.add(filled(kCanBitRateKey, word("NBT")), {kCanBitRateKey, "NBT"}, kBusTextX, kBusTextY + 2 * kBusTextStep);
    return place.take();
}

wxBitmap drawLogicPagePicture() { return drawOnBackground(PagePicture::Logic, drawLogic, logicPictureTexts()); }
wxBitmap drawCanBusPagePicture() { return drawOnBackground(PagePicture::CanBus, drawCanBus, canBusPictureTexts()); }
wxBitmap drawControlTuningPagePicture() {
    return drawOnBackground(PagePicture::ControlTuning, drawControlTuning, {});
}
wxBitmap drawTuningLampA() { return lamp(wxColour(60, 170, 70), true); }
wxBitmap drawTuningLampB() { return lamp(wxColour(230, 170, 40), false); }

}  // namespace torvex
