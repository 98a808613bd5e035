// The drive status panel in the frame's 1200 x 750 window: every block in view.
#include <wx/notebook.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "tests/gui_status/status_fixture.h"
#include "widgets/field_sizers.h"

namespace torvex {
namespace {

using test::StatusFrameTest;

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

}  // namespace
}  // namespace torvex
