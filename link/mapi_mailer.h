// Mailing a text with file attachments through the system's mail submission program:
// the message is built here as one MIME message (text body, attachments in base64 under
// their names) and handed to "sendmail -t -i", which takes the recipients from the
// message's To: header. There is no From: header; the system fills in the sender.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/sendmail.h"

namespace torvex {

// Base64 with lines of at most lineLength characters ("\n" between them; 0: one line).
std::string base64Encode(const std::string& data, size_t lineLength = 76);
// Skips line breaks and blanks; false on any other character outside the alphabet or
// padding in the wrong place.
bool base64Decode(const std::string& text, std::string* out);

// Whether a user's text may stand in a header as it is: printable ASCII and blanks only.
bool isPlainHeaderText(const std::string& text);
// An unstructured header value (the subject): plain text as it is, anything else (non-ASCII,
// line breaks, other control characters) as UTF-8 encoded words of at most 75 characters,
// folded onto continuation lines. The result never holds a line break that is not followed
// by a blank, so it can never start another header.
std::string encodeHeaderText(const std::string& utf8);
// The parameters naming an attachment: name= (Content-Type) and filename= (Content-
// Disposition) as quoted strings for plain names, else filename*= in UTF-8 percent
// encoding (split into numbered pieces when long) with an encoded-word name= for older
// readers.
struct AttachmentNames {
    std::string contentType;
    std::string disposition;
};
AttachmentNames attachmentNameParameters(const std::string& fileName);

struct MailAttachment {
    std::string name;  // shown to the reader
    std::string data;
};

// The whole message, "\n" line ends. Recipients must have passed addRecipient's check.
std::string buildMimeMessage(const std::vector<std::string>& recipients, const std::string& subject,
                             const std::string& body, const std::vector<MailAttachment>& attachments);

class MapiMailer {
public:
    MapiMailer() = default;
    MapiMailer(const MapiMailer&) = delete;
    MapiMailer& operator=(const MapiMailer&) = delete;

    // True when the submission program is found (see platform::findSendmail); kept once found.
    bool loadMapi();
    // Appends one recipient (UTF-8). Refused (false, and every recipient dropped) when empty
    // or holding a line break or another control character, which could add a header or
    // another recipient.
    bool addRecipient(const std::string& text);
    // Appends an attachment read from path when sending, shown as fileName. Refused (false,
    // and every attachment dropped) for an empty name.
    bool addAttachment(const std::string& path, const std::string& fileName);
    // Builds the message (reading the attachments) and hands it over. True only when the
    // program took the whole message and exited with 0.
    bool sendMail(const std::string& body, const std::string& subject);

    // How long the program may take before it is killed.
    void setTimeoutMs(int milliseconds) { timeoutMs_ = milliseconds; }
    // Called every few milliseconds while the program runs (see platform::runSendmail).
    void setWhileWaiting(std::function<void()> whileWaiting) { whileWaiting_ = std::move(whileWaiting); }
    const std::string& programPath() const { return program_; }
    const platform::SendmailOutcome& lastOutcome() const { return outcome_; }

    static constexpr int kDefaultTimeoutMs = 30000;

private:
    std::vector<std::string> recipients_;
    std::vector<std::string> attachmentPaths_;
    std::vector<std::string> attachmentNames_;
    std::string program_;
    int timeoutMs_ = kDefaultTimeoutMs;
    std::function<void()> whileWaiting_;
    platform::SendmailOutcome outcome_;
};

}  // namespace torvex
