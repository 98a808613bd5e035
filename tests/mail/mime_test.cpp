// The MIME message on its own: base64, header encoding, attachment names, the whole message.
#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "link/mapi_mailer.h"
#include "tests/mail/mail_support.h"

namespace torvex {
namespace {

using test::decodeWords;
using test::parseMail;

TEST(Base64, KnownVectorsAndRoundTrip) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(base64Encode(plain), encoded) << plain;
        std::string back;
        ASSERT_TRUE(base64Decode(encoded, &back)) << encoded;
        EXPECT_EQ(back, plain);
    }
    std::mt19937 random(7);
    for (size_t size : {1u, 2u, 3u, 56u, 57u, 58u, 1000u, 4099u}) {
        std::string data(size, '\0');
        for (char& c : data) c = static_cast<char>(random() & 0xFF);
        const std::string encoded = base64Encode(data);
        for (const std::string& line : test::lines(encoded)) EXPECT_LE(line.size(), 76u);
        std::string back;
        ASSERT_TRUE(base64Decode(encoded, &back));
        EXPECT_EQ(back, data) << size;
    }
}

TEST(Base64, RefusesDamagedText) {
    std::string out;
    for (const char* bad : {"Zm9v!", "Zg=a", "Z", "Zg===", "Zm9=v"}) EXPECT_FALSE(base64Decode(bad, &out)) << bad;
}

TEST(HeaderEncoding, PlainTextStaysAndEverythingElseIsEncodedWords) {
    EXPECT_EQ(encodeHeaderText("Torvex Settings 2026-12-07 13:00:00"), "Torvex Settings 2026-12-07 13:00:00");
    EXPECT_EQ(encodeHeaderText("say \"hi\" $(rm -rf /)"), "say \"hi\" $(rm -rf /)");

    const std::string inputs[] = {
        "Grüße aus Köln",
        "line one\nBcc: victim@example.com",
        "tab\there\r\nX-Injected: 1",
        std::string(300, 'x') + "é",  // long, with one non-ASCII character at the end
        "€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€",  // three-byte characters across words
    };
    for (const std::string& input : inputs) {
        const std::string encoded = encodeHeaderText(input);
        // Every line after the first is a continuation: nothing can start another header.
        const auto encodedLines = test::lines(encoded);
        for (size_t i = 1; i < encodedLines.size(); ++i) EXPECT_EQ(encodedLines[i][0], ' ') << encoded;
        for (const std::string& line : encodedLines) EXPECT_LE(line.size(), 76u);
        for (unsigned char c : encoded) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << encoded;
        EXPECT_EQ(decodeWords(test::unfold(encoded)), input);
    }
}

TEST(HeaderEncoding, AttachmentNames) {
    const AttachmentNames plain = attachmentNameParameters("TorvexSettings_2026-12-07_13-00-00.vrf");
    EXPECT_EQ(plain.contentType, "name=\"TorvexSettings_2026-12-07_13-00-00.vrf\"");
    EXPECT_EQ(plain.disposition, "filename=\"TorvexSettings_2026-12-07_13-00-00.vrf\"");

    // The last name is 58 letters and then "%C3%A4": its first piece must stop before the triple.
    for (const std::string& name : {std::string("quote\".vrf"), std::string("Einstellungen-Müller.vrf"),
                                   std::string("a\nContent-Type: text/html.vrf"), std::string(150, 'n') + "ä",
                                   std::string(58, 'a') + "ä"}) {
        const AttachmentNames names = attachmentNameParameters(name);
        // Collect the pieces of filename*= / filename*N*= and decode them.
        std::string encoded;
        const std::string disposition = test::unfold(names.disposition);
        size_t pos = 0;
        while ((pos = disposition.find('=', pos)) != std::string::npos) {
            size_t end = disposition.find(';', pos);
            if (end == std::string::npos) end = disposition.size();
            const std::string piece = disposition.substr(pos + 1, end - pos - 1);
            // Each piece on its own ends on a whole %XX: a reader may decode them one by one.
            for (size_t i = piece.find('%'); i != std::string::npos; i = piece.find('%', i + 1)) {
                ASSERT_LE(i + 3, piece.size()) << "a %XX split across pieces: " << disposition;
                EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(piece[i + 1])) &&
                            std::isxdigit(static_cast<unsigned char>(piece[i + 2])))
                    << piece;
            }
            encoded += piece;
            pos = end;
        }
        ASSERT_EQ(encoded.rfind("UTF-8''", 0), 0u) << disposition;
        encoded.erase(0, 7);
        std::string decoded;
        for (size_t i = 0; i < encoded.size(); ++i) {
            if (encoded[i] == '%') {
                decoded += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                ASSERT_NE(encoded[i], '"') << disposition;
                decoded += encoded[i];
            }
        }
        EXPECT_EQ(decoded, name);
        for (const auto& line : test::lines(names.disposition)) EXPECT_LE(line.size(), 80u);
        EXPECT_EQ(names.contentType.find('\n' + std::string("Content")), std::string::npos);
    }
}

TEST(MimeMessage, HoldsRecipientsSubjectBodyAndAttachmentsButNoSender) {
    const std::string data("\x00\x01VRF\xff\n\r binary", 15);
    const std::string message =
        buildMimeMessage({"service@velmar.example", "Anna Müller <anna@example.com>"}, "Einstellungen für Achse 1",
                         "Hello,\nsettings attached.\n", {{"settings.vrf", data}, {"second.vrf", "x"}});
    const test::ParsedMail mail = parseMail(message);
    EXPECT_EQ(mail.headers.count("From"), 0u);
    EXPECT_EQ(mail.headers.at("MIME-Version"), "1.0");
    EXPECT_EQ(decodeWords(mail.headers.at("To")), "service@velmar.example, Anna Müller <anna@example.com>");
    EXPECT_EQ(decodeWords(mail.headers.at("Subject")), "Einstellungen für Achse 1");
    ASSERT_EQ(mail.parts.size(), 3u);
    EXPECT_NE(mail.parts[0].headers.find("text/plain; charset=UTF-8"), std::string::npos);
    EXPECT_EQ(mail.parts[0].body, "Hello,\r\nsettings attached.\r\n");
    EXPECT_NE(mail.parts[1].headers.find("filename=\"settings.vrf\""), std::string::npos);
    EXPECT_EQ(mail.parts[1].body, data);
    EXPECT_EQ(mail.parts[2].body, "x");
}

TEST(MimeMessage, MailerRefusesRecipientsThatWouldAddHeadersOrRecipients) {
    MapiMailer mailer;
    EXPECT_TRUE(mailer.addRecipient("service@velmar.example"));
    for (const char* bad : {"", "a@example.com\nBcc: b@example.com", "a@example.com\r", "a\tb@example.com"}) {
        EXPECT_FALSE(mailer.addRecipient(bad)) << bad;
    }
    EXPECT_FALSE(mailer.addAttachment("/nonexistent", ""));
    // Nothing left to send to after a refusal.
    EXPECT_FALSE(mailer.sendMail("body", "subject"));
}

}  // namespace
}  // namespace torvex
