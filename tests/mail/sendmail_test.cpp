// Handing the message to the mail submission program: finding it, its argument vector,
// and every way it can end.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>

#include "link/mapi_mailer.h"
#include "platform/sendmail.h"
#include "tests/mail/mail_support.h"

namespace torvex {
namespace {

using platform::SendmailResult;
using test::StandInSendmail;

TEST(FindSendmail, PathFirstThenSystemFoldersNeverTheCurrentFolder) {
    StandInSendmail onPath;
    StandInSendmail inSystem;
    {
        test::SearchPathOverride path(onPath.dir, {inSystem.dir});
        EXPECT_EQ(platform::findSendmail(), onPath.program);
    }
    {
        test::SearchPathOverride path("/nonexistent-folder", {"/nonexistent-too", inSystem.dir});
        EXPECT_EQ(platform::findSendmail(), inSystem.program);
        MapiMailer mailer;
        EXPECT_TRUE(mailer.loadMapi());
        EXPECT_EQ(mailer.programPath(), inSystem.program);
    }
    {
        // A file that is not executable, and a relative PATH entry, are not programs to run.
        chmod(onPath.program.c_str(), 0644);
        test::SearchPathOverride path(onPath.dir, {});
        setenv("PATH", (onPath.dir + "::.:" + "relative").c_str(), 1);
        EXPECT_EQ(platform::findSendmail(), "");
        MapiMailer mailer;
        EXPECT_FALSE(mailer.loadMapi());
        EXPECT_FALSE(mailer.sendMail("body", "subject"));
    }
    {
        // Relative PATH entries name whatever folder the program runs in: an executable
        // sendmail there, or in "bin" below it, is never taken.
        StandInSendmail here;
        const std::string bin = here.dir + "/bin";
        ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
        test::writeFile(bin + "/sendmail", "#!/bin/sh\nexit 0\n");
        ASSERT_EQ(chmod((bin + "/sendmail").c_str(), 0755), 0);
        char* previous = getcwd(nullptr, 0);
        ASSERT_NE(previous, nullptr);
        ASSERT_EQ(chdir(here.dir.c_str()), 0);
        test::SearchPathOverride path("/nonexistent-folder", {});
        for (const char* entries : {".", "bin", "./bin", "bin:."}) {
            setenv("PATH", entries, 1);
            EXPECT_EQ(platform::findSendmail(), "") << entries;
        }
        EXPECT_EQ(chdir(previous), 0);
        free(previous);
    }
}

TEST(RunSendmail, OnlyATakenMessageAndExitZeroCountAsDelivered) {
    StandInSendmail standIn;
    const std::string message = "To: a@example.com\nSubject: x\n\nbody\n";
    struct Case {
        const char* mode;
        int status;
        SendmailResult expected;
    };
    const Case cases[] = {
        {"read", 0, SendmailResult::Delivered},
        {"read", 1, SendmailResult::ExitStatus},  // a user abort is no success
        {"read", 3, SendmailResult::ExitStatus},
        {"read", 75, SendmailResult::ExitStatus},
        {"noread", 0, SendmailResult::NotRead},
        {"signal", 0, SendmailResult::Signalled},
        {"flood", 0, SendmailResult::Delivered},  // megabytes of output do not block it
    };
    for (const Case& c : cases) {
        standIn.setMode(c.mode);
        standIn.setStatus(c.status);
        const platform::SendmailOutcome outcome = platform::runSendmail(standIn.program, {"-t", "-i"}, message, 20000);
        EXPECT_EQ(outcome.result, c.expected) << c.mode << " " << c.status;
        if (c.expected == SendmailResult::ExitStatus) {
            EXPECT_EQ(outcome.exitStatus, c.status);
        }
        if (std::string(c.mode) != "noread") {
            EXPECT_EQ(standIn.input(), message) << c.mode;
        }
    }
    EXPECT_EQ(platform::runSendmail(standIn.dir + "/missing", {}, message, 1000).result, SendmailResult::StartFailed);
}

TEST(RunSendmail, AProgramThatStopsReadingALargeMessageFailsWithoutSignallingUs) {
    StandInSendmail standIn;
    standIn.setMode("noread");
    // Far more than a pipe holds: writing would block, or raise SIGPIPE, if done naively.
    const std::string message(4 * 1024 * 1024, 'm');
    const platform::SendmailOutcome outcome = platform::runSendmail(standIn.program, {"-t", "-i"}, message, 20000);
    EXPECT_EQ(outcome.result, SendmailResult::NotRead);
    // Still here, and SIGPIPE was neither ignored for us nor left pending.
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
}

TEST(RunSendmail, AHangingProgramIsKilledAfterTheTimeOut) {
    StandInSendmail standIn;
    standIn.setMode("hang");
    const auto start = std::chrono::steady_clock::now();
    const platform::SendmailOutcome outcome = platform::runSendmail(standIn.program, {"-t", "-i"}, "x\n", 300);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(outcome.result, SendmailResult::TimedOut);
    EXPECT_GE(took.count(), 250);
    EXPECT_LT(took.count(), 5000);
}

TEST(MapiMailer, SendsOneMessageWithExactlyTheTwoOptionsAndUserTextOnlyInTheMessage) {
    StandInSendmail standIn;
    test::SearchPathOverride path(standIn.dir);
    const std::string attachment = standIn.dir + "/attachment.bin";
    test::writeFile(attachment, std::string("\x00\xff register data", 16));

    MapiMailer mailer;
    ASSERT_TRUE(mailer.loadMapi());
    ASSERT_TRUE(mailer.addRecipient("-oQ/tmp/evil $(touch /tmp/torvex-pwned)"));
    ASSERT_TRUE(mailer.addAttachment(attachment, "-rf $(id).vrf"));
    ASSERT_TRUE(mailer.sendMail("Body `id`\n", "-v $(reboot)"));

    EXPECT_EQ(standIn.args(), (std::vector<std::string>{"-t", "-i"}));
    const test::ParsedMail mail = test::parseMail(standIn.input());
    EXPECT_EQ(mail.headers.at("To"), "-oQ/tmp/evil $(touch /tmp/torvex-pwned)");
    EXPECT_EQ(mail.headers.at("Subject"), "-v $(reboot)");
    ASSERT_EQ(mail.parts.size(), 2u);
    EXPECT_EQ(mail.parts[0].body, "Body `id`\r\n");
    EXPECT_NE(mail.parts[1].headers.find("filename=\"-rf $(id).vrf\""), std::string::npos);
    EXPECT_EQ(mail.parts[1].body, std::string("\x00\xff register data", 16));
    EXPECT_NE(access("/tmp/torvex-pwned", F_OK), 0);

    // A missing attachment file is an error before anything is run.
    MapiMailer second;
    ASSERT_TRUE(second.addRecipient("a@example.com"));
    ASSERT_TRUE(second.addAttachment(standIn.dir + "/gone.vrf", "gone.vrf"));
    unlink((standIn.dir + "/args").c_str());
    EXPECT_FALSE(second.sendMail("b", "s"));
    EXPECT_FALSE(standIn.ran());

    // So is one that opens but cannot be read (a read error, here a folder).
    MapiMailer third;
    ASSERT_TRUE(third.addRecipient("a@example.com"));
    ASSERT_TRUE(third.addAttachment(standIn.dir, "folder.vrf"));
    EXPECT_FALSE(third.sendMail("b", "s"));
    EXPECT_FALSE(standIn.ran());
}

}  // namespace
}  // namespace torvex
