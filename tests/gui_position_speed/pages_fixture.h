// The Position and Speed pages in a notebook of their own, on a connection of their own
// to a simulated drive: no polling or watching thread reads beside the test, so the
// drive's frame log holds exactly what the pages asked for.
#pragma once

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/notebook.h>

#include <memory>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/limits.h"
#include "pages/position_page.h"
#include "pages/speed_page.h"
#include "tests/support/recording_dialogs.h"
#include "tests/support/sim_fixture.h"
#include "widgets/register_edit.h"

namespace torvex::test {

class PagesOnTheirOwn : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the drive with the values given and connects; the pages are built before.
    void connect();
    // Types text into a field and presses Enter, as a person does.
    static void enterText(wxTextCtrl* field, const wxString& text);
    // Puts the cursor into a field (the page remembers it for Up/Down) and clicks a button.
    static void focusField(DrivePage* page, wxWindow* field);
    static void click(wxWindow* button);
    // Runs queued events until the control shows text.
    static bool shows(wxWindow* control, const wxString& text, int timeoutMs = 2000);

    // The edit field of a page built from its row at index (edit list order for Position).
    RegisterEdit* positionEdit(size_t index) const { return position->editList().at(index); }
    RegisterEdit* speedEdit(int reg, int part = 0) const;
    RegisterEdit* positionEditOf(int reg, size_t nth = 0) const;
    // The control built for the Speed page's table row (1-based as the layout counts).
    wxWindow* speedRow(size_t row) const { return speed->tableControls().at(row - 1); }
    // Registers asked for by reads since the last clearFrames, in order.
    std::vector<uint32_t> readsSinceClear() const;
    std::vector<sim::ReceivedFrame> writesSinceClear() const;

    std::unique_ptr<sim::SimDrive> sim;
    std::string address;
    DriveConnection connection;
    RegisterLimits limits;
    wxFrame* window = nullptr;
    wxNotebook* book = nullptr;
    PositionPage* position = nullptr;
    SpeedPage* speed = nullptr;
};

}  // namespace torvex::test
