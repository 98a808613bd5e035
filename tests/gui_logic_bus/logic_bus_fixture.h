// The real main frame online with a simulated drive over TCP, and the steps a person
// takes on the Logik, BUS and Auto pages: picking a list entry, clicking a polarity,
// typing into a field and pressing Enter, clicking a button.
#pragma once

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/frame_fixture.h"
#include "tests/support/recording_dialogs.h"
#include "tests/support/sim_fixture.h"

namespace torvex::test {

class LogicBusTest : public FrameTest {
protected:
    // The English catalogue: the register choice lists come from it.
    void SetUp() override;
    void TearDown() override;
    // The catalogue's text of key.
    static wxString text(const char* key);

    // Starts the drive with these register values, builds the frame and takes it online
    // over TCP (which reads every page). False (and a failure) when it did not get there.
    bool goOnline(const std::vector<std::pair<uint32_t, uint32_t>>& registers);

    // The frames that concerned reg since the last clearFrames, in order: "w:0x8003" for
    // a write, "r" for a read request.
    std::vector<std::string> framesOf(uint32_t reg) const;

    static void pick(wxComboBox* combo, long clientNumber);
    static void click(wxRadioButton* radio);
    static void click(wxButton* button);
    static void enter(wxTextCtrl* field, const wxString& text);
    // The client number of the combo's selection, or -1 without one.
    static long selectedNumber(wxComboBox* combo);

    std::unique_ptr<sim::SimDrive> sim;
    std::string address;
};

}  // namespace torvex::test
