// The IP address and send-settings dialogs, answered through the dialog seam.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/textctrl.h>

#include "services/dialogs.h"
#include "tests/support/frame_fixture.h"

namespace torvex::test {
namespace {

wxTextCtrl* field(wxDialog& dialog, const char* name) {
    return dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName(name, &dialog));
}

int press(wxDialog& dialog, const char* buttonName) {
    auto* button = dynamic_cast<wxButton*>(wxWindow::FindWindowByName(buttonName, &dialog));
    EXPECT_NE(button, nullptr) << buttonName;
    if (!button) return -1;
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
    return dialog.GetReturnCode();
}

// Escape as the toolkit delivers it: a char-hook key event in the focused field, which
// goes up to the dialog.
int pressEscape(wxDialog& dialog, const char* fieldName) {
    wxTextCtrl* focused = field(dialog, fieldName);
    EXPECT_NE(focused, nullptr) << fieldName;
    if (!focused) return -1;
    wxKeyEvent key(wxEVT_CHAR_HOOK);
    key.m_keyCode = WXK_ESCAPE;
    key.SetEventObject(focused);
    focused->GetEventHandler()->ProcessEvent(key);
    return dialog.GetReturnCode();
}

TEST_F(FrameTest, IpAddressDialogReturnsTheTypedAddress) {
    makeFrame();
    wxString initial;
    recordedDialogs().modalAnswers.push_back([&initial](wxDialog& dialog) {
        wxTextCtrl* address = field(dialog, "ip_address");
        initial = address->GetValue();
        address->SetValue("10.1.2.3");
        return press(dialog, "connect");
    });
    IpAddressDialog dialog(frame, "192.168.0.10");
    EXPECT_EQ(ui::dialogs().showModal(dialog), kDialogAccepted);
    EXPECT_EQ(initial, "192.168.0.10");
    EXPECT_EQ(dialog.address(), "10.1.2.3");
    ASSERT_EQ(recordedDialogs().modalDialogTitles.size(), 1u);
    EXPECT_EQ(recordedDialogs().modalDialogTitles[0], "Connect over TCP");
    EXPECT_NE(recordedDialogs().modalDialogTitles[0], "Send Settings") << "the address dialog has a title of its own";
    EXPECT_EQ(dialog.GetName(), "dialog");
}

TEST_F(FrameTest, IpAddressDialogCancelAndCloseBoxGiveZero) {
    makeFrame();
    recordedDialogs().modalAnswers.push_back([](wxDialog& dialog) {
        field(dialog, "ip_address")->SetValue("10.9.9.9");
        return press(dialog, "cancel");
    });
    recordedDialogs().modalAnswers.push_back([](wxDialog& dialog) {
        dialog.Close();
        return dialog.GetReturnCode();
    });
    {
        IpAddressDialog dialog(frame, "1.2.3.4");
        EXPECT_EQ(ui::dialogs().showModal(dialog), kDialogCancelled);
        EXPECT_EQ(dialog.address(), "") << "nothing is taken on cancel";
    }
    {
        IpAddressDialog dialog(frame, "1.2.3.4");
        dialog.SetReturnCode(99);
        EXPECT_EQ(ui::dialogs().showModal(dialog), kDialogCancelled);
    }
}

TEST_F(FrameTest, SendSettingsDialogFillsItsFieldsAndReturnsThem) {
    writeConfig("EmailRecipient=drives@example.org\n");
    makeFrame();
    wxDateTime when(5, wxDateTime::Mar, 2024, 9, 30, 0);
    SendSettingsDialog dialog(frame, when);
    EXPECT_EQ(dialog.GetTitle(), "Send Settings");
    EXPECT_EQ(field(dialog, "to")->GetValue(), "drives@example.org");
    EXPECT_EQ(field(dialog, "subject")->GetValue(), "Torvex Settings 2024-03-05 09:30:00");
    EXPECT_EQ(field(dialog, "filename")->GetValue(), "TorvexSettings_2024-03-05_09-30-00.vrf");
    EXPECT_EQ(field(dialog, "message")->GetValue(), "Attached are the settings from Torvex dated 2024-03-05 09:30:00.");
    EXPECT_TRUE(field(dialog, "message")->IsMultiLine());

    recordedDialogs().modalAnswers.push_back([](wxDialog& shown) {
        field(shown, "to")->SetValue("someone@example.org");
        field(shown, "message")->SetValue("two\nlines");
        return press(shown, "send");
    });
    EXPECT_EQ(ui::dialogs().showModal(dialog), kDialogAccepted);
    EXPECT_EQ(dialog.recipient(), "someone@example.org");
    EXPECT_EQ(dialog.subject(), "Torvex Settings 2024-03-05 09:30:00");
    EXPECT_EQ(dialog.fileName(), "TorvexSettings_2024-03-05_09-30-00.vrf");
    EXPECT_EQ(dialog.message(), "two\nlines");
}

TEST_F(FrameTest, SendSettingsDialogOffersTheMakerWithoutARecipient) {
    makeFrame();
    SendSettingsDialog dialog(frame, wxDateTime(31, wxDateTime::Dec, 2025, 23, 59, 58));
    EXPECT_EQ(field(dialog, "to")->GetValue(), "service@velmar.example");
    EXPECT_EQ(SendSettingsDialog::attachmentName(wxDateTime(31, wxDateTime::Dec, 2025, 23, 59, 58)),
              "TorvexSettings_2025-12-31_23-59-58.vrf");
    recordedDialogs().modalAnswers.push_back([](wxDialog& shown) { return press(shown, "cancel"); });
    EXPECT_EQ(ui::dialogs().showModal(dialog), kDialogCancelled);
    EXPECT_EQ(dialog.recipient(), "");
}

TEST_F(FrameTest, EscapeClosesBothDialogsAsCancel) {
    makeFrame();
    recordedDialogs().modalAnswers.push_back([](wxDialog& dialog) {
        field(dialog, "ip_address")->SetValue("10.9.9.9");
        return pressEscape(dialog, "ip_address");
    });
    recordedDialogs().modalAnswers.push_back([](wxDialog& dialog) { return pressEscape(dialog, "message"); });
    {
        IpAddressDialog dialog(frame, "1.2.3.4");
        dialog.SetReturnCode(99);
        EXPECT_EQ(ui::dialogs().showModal(dialog), kDialogCancelled);
        EXPECT_EQ(dialog.address(), "") << "Escape takes nothing";
    }
    {
        SendSettingsDialog dialog(frame);
        dialog.SetReturnCode(99);
        EXPECT_EQ(ui::dialogs().showModal(dialog), kDialogCancelled);
        EXPECT_EQ(dialog.recipient(), "");
    }
}

}  // namespace
}  // namespace torvex::test
