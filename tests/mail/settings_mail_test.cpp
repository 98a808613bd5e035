// Mailing the drive's settings without a window: the temporary register file, what the
// mail carries, and that the file is gone whatever happened.
#include <gtest/gtest.h>

#include <dirent.h>

#include "link/connection.h"
#include "link/register_file.h"
#include "link/registers.h"
#include "pages/settings/settings_mail.h"
#include "tests/mail/mail_support.h"
#include "tests/support/sim_fixture.h"

namespace torvex {
namespace {

class SettingsMailTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        tmp_ = std::string(P_tmpdir) + "/torvex-mailtmp-XXXXXX";
        ASSERT_NE(mkdtemp(tmp_.data()), nullptr);
        const char* old = std::getenv("TMPDIR");
        if (old) oldTmp_ = old;
        setenv("TMPDIR", tmp_.c_str(), 1);
        drive_ = test::startSimDrive({}, &address_);
        ASSERT_TRUE(drive_);
        drive_->setReg(0x59, 2345);
        connection_.setIpAddress(address_);
        ASSERT_EQ(connection_.connectDrive("TCP", 0), 0u);
    }
    void TearDown() override {
        connection_.disconnectDrive();
        if (oldTmp_.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", oldTmp_.c_str(), 1);
        std::string command = "rm -rf '" + tmp_ + "'";
        (void)system(command.c_str());
    }

    // Files in the temporary folder whose name starts with the mailing's prefix.
    int leftovers() const {
        int count = 0;
        if (DIR* dir = opendir(tmp_.c_str())) {
            while (dirent* entry = readdir(dir)) count += std::string(entry->d_name).rfind("TorvexTemp", 0) == 0;
            closedir(dir);
        }
        return count;
    }

    MailDetails details() const {
        return {"service@velmar.example", "Settings", "TorvexSettings_2026-12-07_13-00-00.vrf", "See attached."};
    }

    std::string tmp_;
    std::string oldTmp_;
    std::string address_;
    std::unique_ptr<sim::SimDrive> drive_;
    DriveConnection connection_;
    test::StandInSendmail standIn_;
};

TEST_F(SettingsMailTest, SentMailCarriesTheDrivesRegisterFileUnderTheTypedName) {
    test::SearchPathOverride path(standIn_.dir);
    MapiMailer mailer;
    int waits = 0;
    mailer.setWhileWaiting([&] { ++waits; });
    ASSERT_EQ(sendSettingsMail(&connection_, details(), mailer), MailResult::Sent);
    // The register file was made in TMPDIR, and is gone now.
    EXPECT_NE(standIn_.temporaryFolder().find("TorvexTemp"), std::string::npos) << standIn_.temporaryFolder();
    EXPECT_EQ(leftovers(), 0);
    EXPECT_GT(waits, 0);
    const test::ParsedMail mail = test::parseMail(standIn_.input());
    EXPECT_EQ(mail.headers.at("To"), "service@velmar.example");
    ASSERT_EQ(mail.parts.size(), 2u);
    EXPECT_NE(mail.parts[1].headers.find("filename=\"TorvexSettings_2026-12-07_13-00-00.vrf\""), std::string::npos);
    EXPECT_EQ(mail.parts[1].headers.find("TorvexTemp"), std::string::npos);
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    const std::string& file = mail.parts[1].body;
    ASSERT_EQ(parseRegisterFile(reinterpret_cast<const uint8_t*>(file.data()), file.size(), values16, values32, false),
              kRegisterFileOk);
    EXPECT_EQ(values16[0x59], 2345);
}

TEST_F(SettingsMailTest, EveryFailureLeavesNoTemporaryFileAndAFailedSaveRunsNothing) {
    test::SearchPathOverride path(standIn_.dir);
    {
        standIn_.setStatus(1);
        MapiMailer mailer;
        EXPECT_EQ(sendSettingsMail(&connection_, details(), mailer), MailResult::SendFailed);
        EXPECT_TRUE(standIn_.ran());
        EXPECT_EQ(leftovers(), 0);
    }
    unlink((standIn_.dir + "/args").c_str());
    {
        MailDetails refused = details();
        refused.recipient = "a@example.com\nBcc: b@example.com";
        MapiMailer mailer;
        EXPECT_EQ(sendSettingsMail(&connection_, refused, mailer), MailResult::Refused);
        MailDetails noName = details();
        noName.fileName.clear();
        MapiMailer second;
        EXPECT_EQ(sendSettingsMail(&connection_, noName, second), MailResult::Refused);
        EXPECT_EQ(leftovers(), 0);
    }
    {
        // The drive stops answering: the set is incomplete and is not mailed.
        standIn_.setStatus(0);
        drive_->setFault(sim::Fault::Silent);
        MapiMailer mailer;
        EXPECT_EQ(sendSettingsMail(&connection_, details(), mailer), MailResult::SaveFailed);
        drive_->setFault(sim::Fault::None);
        EXPECT_EQ(leftovers(), 0);
    }
    EXPECT_FALSE(standIn_.ran());
}

}  // namespace
}  // namespace torvex
