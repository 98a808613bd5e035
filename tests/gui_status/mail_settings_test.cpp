// "Mail to" end to end in the real frame: the dialog, the drive's register file as the
// attachment, the result box and the remembered addressee.
#include <dirent.h>

#include "pages/settings/settings_mail.h"
#include "pages/settings/settings_page.h"
#include "link/register_file.h"
#include "tests/gui_status/status_fixture.h"
#include "tests/mail/mail_support.h"

namespace torvex {
namespace {

using test::recordedDialogs;
using test::StatusFrameTest;

// Fills the dialog's fields as a person types them and presses a button.
void answerMailDialog(const wxString& to, const wxString& subject, const wxString& fileName, const wxString& message,
                      const char* button = "send") {
    recordedDialogs().modalAnswers.push_back([=](wxDialog& dialog) {
        const std::pair<const char*, wxString> fields[] = {
            {"to", to}, {"subject", subject}, {"filename", fileName}, {"message", message}};
        for (const auto& [name, text] : fields)
            if (auto* field = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName(name, &dialog)))
                field->ChangeValue(text);
        if (auto* pressed = dynamic_cast<wxButton*>(wxWindow::FindWindowByName(button, &dialog)))
            test::click(pressed);
        return std::string(button) == "send" ? 1 : 0;
    });
}

int leftovers(const std::string& folder) {
    int count = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) count += std::string(entry->d_name).rfind("TorvexTemp", 0) == 0;
        closedir(dir);
    }
    return count;
}

TEST_F(StatusFrameTest, MailToSendsTheDrivesSettingsAndKeepsTheAddresseeOnlyOnSuccess) {
    test::StandInSendmail standIn;
    test::SearchPathOverride path(standIn.dir);
    const std::string tmp = home + "/tmp";
    ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
    setenv("TMPDIR", tmp.c_str(), 1);
    ASSERT_TRUE(mailAvailable());

    sim::SimDrive* sim = startDrive();
    ASSERT_NE(sim, nullptr);
    sim->setReg(0x59, 2750);
    makeFrame();
    ASSERT_TRUE(goOnlineTcp());
    recordedDialogs().clear();

    const wxString addressee = wxString::FromUTF8("Jürgen <service@velmar.example>");
    answerMailDialog(addressee, "Achse 1 \"neu\"", "Achse1.vrf", wxString::FromUTF8("Grüße,\nanbei."));
    // The Settings page's button, as the user presses it.
    wxButton* mailTo = frame->settingsPage()->mailButton;
    ASSERT_TRUE(mailTo->IsEnabled());
    test::click(mailTo);
    EXPECT_EQ(standIn.args(), (std::vector<std::string>{"-t", "-i"}));
    const test::ParsedMail mail = test::parseMail(standIn.input());
    EXPECT_EQ(test::decodeWords(mail.headers.at("To")), "Jürgen <service@velmar.example>");
    EXPECT_EQ(test::decodeWords(mail.headers.at("Subject")), "Achse 1 \"neu\"");
    ASSERT_EQ(mail.parts.size(), 2u);
    EXPECT_EQ(mail.parts[0].body, "Grüße,\r\nanbei.");
    EXPECT_NE(mail.parts[1].headers.find("filename=\"Achse1.vrf\""), std::string::npos);
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    const std::string& file = mail.parts[1].body;
    ASSERT_EQ(parseRegisterFile(reinterpret_cast<const uint8_t*>(file.data()), file.size(), values16, values32, false),
              kRegisterFileOk);
    EXPECT_EQ(values16[0x59], 2750);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Mail send succesful!");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Mail send");
    EXPECT_EQ(wxConfigBase::Get()->Read("EmailRecipient"), addressee);
    EXPECT_EQ(leftovers(tmp), 0);

    // The mail program refuses: an error, and the addressee of the last success stays.
    standIn.setStatus(1);
    recordedDialogs().clear();
    answerMailDialog("other@example.com", "s", "a.vrf", "m");
    mailSettings(frame, &frame->connection());
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Error sending mail!");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Error");
    EXPECT_EQ(wxConfigBase::Get()->Read("EmailRecipient"), addressee);
    EXPECT_EQ(leftovers(tmp), 0);

    // One that ends without reading: an error, and this program carries on.
    standIn.setMode("noread");
    recordedDialogs().clear();
    answerMailDialog("other@example.com", "s", "a.vrf", "m");
    mailSettings(frame, &frame->connection());
    EXPECT_TRUE(recordedDialogs().sawBox("Error sending mail!"));
    EXPECT_EQ(leftovers(tmp), 0);

    // Cancelled, or a line break in the addressee: the mail program is not run.
    standIn.setMode("read");
    standIn.setStatus(0);
    unlink((standIn.dir + "/args").c_str());
    recordedDialogs().clear();
    answerMailDialog("x@example.com", "s", "a.vrf", "m", "cancel");
    mailSettings(frame, &frame->connection());
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    answerMailDialog("x@example.com\nBcc: y@example.com", "s", "a.vrf", "m");
    mailSettings(frame, &frame->connection());
    EXPECT_TRUE(recordedDialogs().sawBox("Error sending mail!"));
    EXPECT_FALSE(standIn.ran());
    EXPECT_EQ(leftovers(tmp), 0);

    // A cleared file name: the file still goes out, under the name the dialog proposed.
    recordedDialogs().clear();
    answerMailDialog("x@example.com", "s", "", "m");
    mailSettings(frame, &frame->connection());
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_TRUE(recordedDialogs().sawBox("Mail send succesful!"));
    const test::ParsedMail unnamed = test::parseMail(standIn.input());
    ASSERT_EQ(unnamed.parts.size(), 2u);
    EXPECT_NE(unnamed.parts[1].headers.find("filename=\"TorvexSettings_"), std::string::npos)
        << unnamed.parts[1].headers;
    EXPECT_EQ(unnamed.parts[1].headers.find("TorvexTemp"), std::string::npos);
    EXPECT_EQ(leftovers(tmp), 0);
    unsetenv("TMPDIR");
}

TEST_F(StatusFrameTest, WithoutAMailProgramMailToStaysOff) {
    test::SearchPathOverride path("/nonexistent-folder", {});
    setenv("PATH", "/nonexistent-folder", 1);
    EXPECT_FALSE(mailAvailable());
    ASSERT_NE(startDrive(), nullptr);
    makeFrame();
    ASSERT_TRUE(goOnlineTcp());
    EXPECT_FALSE(frame->settingsPage()->mailButton->IsEnabled());
}

}  // namespace
}  // namespace torvex
