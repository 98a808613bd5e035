// The drive status panel in the frame's 1200 x 750 window: every block in view, and both
// gauges drawn while they read 0.
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/notebook.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "tests/gui_status/status_fixture.h"
#include "widgets/field_sizers.h"
#include "widgets/percent_gauge.h"

namespace torvex {
namespace {

using test::StatusFrameTest;

// What gauge draws, with a border of margin pixels of the panel's colour around it. Drawn
// off screen, so that no other window on the display can cover it.
wxImage drawn(wxWindow* panel, PercentGauge* gauge, int margin) {
    const wxSize size = gauge->GetSize();
    wxBitmap shot(size.x + 2 * margin, size.y + 2 * margin, 24);
    {
        wxMemoryDC memory(shot);
        memory.SetBackground(wxBrush(panel->GetBackgroundColour()));
        memory.Clear();
        memory.SetDeviceOrigin(margin, margin);
        gauge->render(memory, size);
    }
    return shot.ConvertToImage();
}

// 0xBBGGRR, readable in a failure message.
unsigned pixel(const wxImage& image, int x, int y) {
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)).GetRGB();
}

TEST_F(StatusFrameTest, EveryBlockIsInsideTheWindowAndNoTextIsCut) {
    makeFrame();
    const wxSize client = frame->GetClientSize();
    const wxRect panelRect = panel->GetRect();
    EXPECT_LE(panelRect.GetBottom(), client.y - 1) << "panel " << panelRect.height << " client " << client.y;
    // Within the window the frame is made with, menu and status line included.
    EXPECT_LE(panel->GetMinSize().y + frame->GetSize().y - client.y, 750);
    EXPECT_LE(panel->GetMinSize().x + frame->notebook()->GetBestSize().x, 1200);
    EXPECT_GE(frame->notebook()->GetRect().GetLeft(), panelRect.GetRight());
    int boxes = 0;
    for (wxWindow* child : panel->GetChildren()) {
        auto* box = dynamic_cast<wxStaticBox*>(child);
        if (!box) continue;
        ++boxes;
        const wxRect rect = box->GetRect();
        EXPECT_GE(rect.GetTop(), 0) << box->GetLabel();
        EXPECT_LE(rect.GetBottom(), panelRect.height - 1) << box->GetLabel();
        EXPECT_LE(rect.GetRight(), panelRect.width - 1) << box->GetLabel();
        // Everything in a block lies inside it, at no less than the size it asks for.
        for (wxWindow* inside : box->GetChildren()) {
            const wxRect r = inside->GetRect();
            EXPECT_TRUE(wxRect(box->GetClientSize()).Contains(r)) << box->GetLabel() << ": " << inside->GetLabel();
            if (dynamic_cast<wxStaticText*>(inside)) {
                EXPECT_GE(r.width, inside->GetBestSize().x) << box->GetLabel() << ": " << inside->GetLabel();
                EXPECT_GE(r.height, inside->GetBestSize().y) << box->GetLabel() << ": " << inside->GetLabel();
            }
        }
    }
    EXPECT_EQ(boxes, 7);
    for (int bit = 0; bit < 32; ++bit) EXPECT_TRUE(panel->statusLamp(bit)->lamp->IsShown());
}

TEST_F(StatusFrameTest, BothGaugesShowTheirEmptyBarAtZero) {
    makeFrame();
    auto* speed = panel->speedGauge();
    auto* current = panel->currentGauge();
    ASSERT_EQ(speed->GetValue(), 0);
    ASSERT_EQ(current->GetValue(), 0);
    ASSERT_EQ(current->GetSize(), speed->GetSize()) << "the two bars are laid out alike";
    const int margin = 2;
    const wxImage speedShot = drawn(panel, speed, margin), currentShot = drawn(panel, current, margin);
    const int w = speed->GetSize().x, h = speed->GetSize().y;
    const unsigned panelColour = pixel(speedShot, 0, 0);
    // The frame along each edge (the current bar has no marker over its right end) and the
    // empty inside, left of the speed bar's marker.
    for (const wxPoint& at : {wxPoint(0, h / 2), wxPoint(w / 4, 0), wxPoint(w / 4, h - 1), wxPoint(w - 1, h / 2),
                              wxPoint(w / 4, h / 2), wxPoint(w / 2, h / 2)}) {
        const wxPoint p = at + wxPoint(margin, margin);
        EXPECT_NE(pixel(speedShot, p.x, p.y), panelColour) << at.x << "," << at.y;
        EXPECT_EQ(pixel(currentShot, p.x, p.y), pixel(speedShot, p.x, p.y)) << at.x << "," << at.y;
    }
}

}  // namespace
}  // namespace torvex
