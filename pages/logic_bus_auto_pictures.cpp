#include "pages/logic_bus_auto_pictures.h"

#include <cmath>

#include <wx/dcmemory.h>

#include "resources/builtin_picture.h"

namespace torvex {

namespace {

const wxColour kInk(40, 52, 90);
const wxColour kBlock(214, 222, 240);

// Starts from the page's plain background, so the pages keep their common look.
wxBitmap drawOnBackground(PagePicture page, void (*draw)(wxDC&)) {
    wxBitmap bitmap = builtinPagePicture(page);
    wxMemoryDC dc(bitmap);
    dc.SetTextForeground(kInk);
    dc.SetPen(wxPen(kInk, 2));
    wxFont font(wxFontInfo().Family(wxFONTFAMILY_SWISS));
    font.SetPixelSize(wxSize(0, 12));
    dc.SetFont(font);
    draw(dc);
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

void arrow(wxDC& dc, int x1, int y, int x2) {
    dc.DrawLine(x1, y, x2, y);
    dc.DrawLine(x2, y, x2 - 6, y - 4);
    dc.DrawLine(x2, y, x2 - 6, y + 4);
}

void drawLogic(wxDC& dc) {
    // The page's controls take the left part; the block diagram sits to the right.
    const int left = 560, top = 60, width = 110, height = 280;
    dc.SetBrush(wxBrush(kBlock));
    dc.DrawRectangle(left, top, width, height);
    dc.DrawLabel("LOGIC", wxRect(left, top + 8, width, 16), wxALIGN_CENTER_HORIZONTAL);
    const char* inputs[] = {"Limit1 0xBE", "Limit2 0xBF", "Din1 0xC0", "Din2 0xC1"};
    const char* outputs[] = {"0xC2 Dout1", "0xC3 Dout2", "0xDA Dout3", "0xDB Dout4"};
    for (int i = 0; i < 4; ++i) {
        int y = top + 50 + i * 55;
        arrow(dc, left - 60, y, left);
        dc.DrawText(inputs[i], left - 130, y - 16);
        arrow(dc, left + width, y, left + width + 60);
        dc.DrawText(outputs[i], left + width + 4, y - 16);
    }
    dc.DrawText("Var1..Var4  0xD1..0xD4", left - 10, top + height + 10);
    dc.DrawText("Dout = f(source, operation, operand)", left - 60, top + height + 30);
}

void drawCanBus(wxDC& dc) {
    const int busY = 330;
    dc.DrawLine(260, busY, 780, busY);
    dc.DrawLine(260, busY + 10, 780, busY + 10);
    dc.DrawText("CAN_H", 790, busY - 8);
    dc.DrawText("CAN_L", 790, busY + 4);
    dc.SetBrush(wxBrush(kBlock));
    for (int i = 0; i < 3; ++i) {
        int x = 300 + i * 170;
        dc.DrawRectangle(x, busY - 110, 110, 60);
        dc.DrawLine(x + 55, busY - 50, x + 55, busY);
        dc.DrawLabel(i == 0 ? "PC" : i == 1 ? "Drive" : "...", wxRect(x, busY - 110, 110, 60), wxALIGN_CENTER);
    }
    dc.DrawText("RxID 0x68, TxID 0x69, BTR 0x73", 300, busY + 40);
    dc.DrawText("BTR: bits 3..0 TSEG1-1, bits 6..4 TSEG2-1, bits 13..8 BRP-1", 300, busY + 60);
    dc.DrawText("NBT [kbit/s] = 5000 / ((TSEG1 + TSEG2 + 1) x BRP)", 300, busY + 80);
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

wxBitmap drawLogicPagePicture() { return drawOnBackground(PagePicture::Logic, drawLogic); }
wxBitmap drawCanBusPagePicture() { return drawOnBackground(PagePicture::CanBus, drawCanBus); }
wxBitmap drawControlTuningPagePicture() { return drawOnBackground(PagePicture::ControlTuning, drawControlTuning); }
wxBitmap drawTuningLampA() { return lamp(wxColour(60, 170, 70), true); }
wxBitmap drawTuningLampB() { return lamp(wxColour(230, 170, 40), false); }

}  // namespace torvex
