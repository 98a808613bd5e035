// A main frame built in-process with a configuration of the test's own, in a home
// folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <wx/combobox.h>
#include <wx/fileconf.h>
#include <wx/menu.h>
#include <wx/notebook.h>

#include <string>
#include <vector>

#include "frame/main_frame.h"
#include "tests/support/recording_dialogs.h"
#include "widgets/flashing_status_bar.h"

namespace torvex::test {

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes ~/.Torvex with these lines and installs a configuration that reads it.
    void writeConfig(const std::string& contents);
    // Builds and shows the frame (writes an empty configuration first if none was written).
    MainFrame* makeFrame();
    // Closes the frame and waits until it is gone.
    void closeFrame();
    std::string readConfigValue(const std::string& key);

    wxMenuItem* item(int id) const { return frame->GetMenuBar()->FindItem(id); }
    wxString statusField(int field) const { return frame->statusLine()->statusField(field); }

    std::string home;
    // What a test's recorders (instrumented page chains, bound handlers) write down. A
    // member outlives TearDown, which closes the frame, so no recorder is left dangling.
    std::vector<std::string> calls;
    MainFrame* frame = nullptr;
    bool configWritten = false;
};

// A press of button (any window that sends wxEVT_BUTTON), as a click delivers it.
void pressButton(wxWindow* button);
// Picks the entry of combo whose client data is value, as a person picking it would.
void pickByClientData(wxComboBox* combo, long value);

}  // namespace torvex::test
