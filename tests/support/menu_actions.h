// What a person's click on a menu item does, for GUI tests.
#pragma once

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/menu.h>

#include "tests/support/recording_dialogs.h"

namespace torvex::test {

// A check item toggles itself, then the command goes to the frame; pending events run.
inline void chooseMenuItem(wxFrame* frame, int id) {
    wxMenuItem* item = frame->GetMenuBar()->FindItem(id);
    ASSERT_NE(item, nullptr) << id;
    if (item->IsCheckable()) item->Check(!item->IsChecked());
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(frame);
    frame->ProcessWindowEvent(event);
    pumpFor(20);
}

}  // namespace torvex::test
