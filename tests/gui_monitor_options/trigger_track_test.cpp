// The free trigger registers in the Diagnose page's track view: a trigger stored on
// leaving the Options page ends every row's list, and a row on a trigger that is no
// longer offered falls back to "--Off--".
#include <wx/button.h>
#include <wx/combobox.h>

#include "pages/diagnose_page.h"
#include "tests/gui_monitor_options/monopt_fixture.h"
#include "widgets/track_panel.h"

namespace torvex::test {
namespace {

using TriggerTrackTest = MonOptTest;

long clientData(wxComboBox* combo, unsigned index) {
    return static_cast<long>(reinterpret_cast<intptr_t>(combo->GetClientData(index)));
}

TEST_F(TriggerTrackTest, TrackChoicesEndWithTheNewTriggerAndDropOneThatWasRefused) {
    makeFrame();
    wxButton* open = frame->diagnosePage()->button(DiagnosePage::kTrackButton);
    ASSERT_NE(open, nullptr);
    wxCommandEvent press(wxEVT_BUTTON, open->GetId());
    press.SetEventObject(open);
    open->GetEventHandler()->ProcessEvent(press);
    pumpFor(20);
    TrackPanel* track = frame->diagnosePage()->trackPanel();
    ASSERT_NE(track, nullptr);
    wxComboBox* row0 = track->choice(0);
    const unsigned before = row0->GetCount();

    selectTab(kTabOptions);
    options()->trigger1NameField()->ChangeValue("Torque");
    options()->trigger1IdField()->ChangeValue("200");
    selectTab(kTabLogo);
    ASSERT_TRUE(pumpUntil([&] { return row0->GetCount() == before + 1; }));
    for (int row = 0; row < TrackPanel::kRows; ++row) {
        wxComboBox* combo = track->choice(row);
        EXPECT_EQ(combo->GetString(combo->GetCount() - 1), "Torque") << row;
        EXPECT_EQ(clientData(combo, combo->GetCount() - 1), 200) << row;
    }

    // Row 0 follows the trigger register; then its id is refused on the next leave.
    row0->SetSelection(static_cast<int>(row0->GetCount() - 1));
    wxCommandEvent picked(wxEVT_COMBOBOX, row0->GetId());
    picked.SetEventObject(row0);
    picked.SetInt(row0->GetSelection());
    row0->GetEventHandler()->ProcessEvent(picked);
    EXPECT_EQ(track->rowRegister(0), 200);

    selectTab(kTabOptions);
    options()->trigger1IdField()->ChangeValue("7");
    selectTab(kTabLogo);
    ASSERT_TRUE(pumpUntil([&] { return row0->GetCount() == before; }));
    EXPECT_EQ(row0->GetStringSelection(), "--Off--");
    EXPECT_EQ(track->rowRegister(0), 0);
    EXPECT_EQ(options()->trigger1IdField()->GetValue(), "0");
}

}  // namespace
}  // namespace torvex::test
