#include "tests/support/frame_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <wx/toplevel.h>

#include "widgets/register_choice.h"

namespace torvex::test {

void FrameTest::SetUp() {
    char pattern[] = "/tmp/torvex-frame-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home = pattern;
    setenv("HOME", home.c_str(), 1);
}

void FrameTest::TearDown() {
    closeFrame();
    setManualOpener(nullptr);
    delete wxConfigBase::Set(nullptr);
    wxTranslations::Set(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

void FrameTest::writeConfig(const std::string& contents) {
    delete wxConfigBase::Set(nullptr);
    std::ofstream(home + "/.Torvex") << contents;
    wxConfigBase::Set(new wxFileConfig("Torvex", wxEmptyString, wxEmptyString, wxEmptyString, wxCONFIG_USE_LOCAL_FILE));
    configWritten = true;
}

MainFrame* FrameTest::makeFrame() {
    if (!configWritten) writeConfig("");
    frame = new MainFrame("Torvex V2.0beta43tcp", wxPoint(50, 50), wxSize(1200, 750));
    frame->Show();
    pumpFor(30);
    return frame;
}

void FrameTest::closeFrame() {
    if (!frame) return;
    frame->Close(true);
    frame = nullptr;
    pumpUntil([] { return wxTopLevelWindows.IsEmpty(); }, 3000);
}

std::string FrameTest::readConfigValue(const std::string& key) {
    wxConfigBase* config = wxConfigBase::Get(false);
    if (!config) return "<none>";
    return config->Read(wxString::FromUTF8(key), "<absent>").utf8_string();
}

void pressButton(wxWindow* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void pickByClientData(wxComboBox* combo, long value) {
    const int index = findChoiceByClientData(combo, value);
    ASSERT_NE(index, wxNOT_FOUND) << value;
    combo->SetSelection(index);
    wxCommandEvent event(wxEVT_COMBOBOX, combo->GetId());
    event.SetEventObject(combo);
    event.SetInt(index);
    combo->GetEventHandler()->ProcessEvent(event);
}

}  // namespace torvex::test
