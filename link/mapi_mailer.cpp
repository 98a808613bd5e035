#include "link/mapi_mailer.h"

#include <array>
#include <atomic>
#include <chrono>
#include <sstream>

#include "link/atomic_file.h"

namespace torvex {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Bytes of text per encoded word: 45 bytes are 60 base64 characters, which with
// "=?UTF-8?B?" and "?=" stay under the 75 an encoded word may have.
constexpr size_t kWordBytes = 45;
constexpr size_t kPlainHeaderLimit = 900;

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Length of the UTF-8 sequence starting with lead (1 for stray continuation bytes, so
// broken text still advances).
size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Splits text into pieces of at most limit bytes without cutting a UTF-8 character.
std::vector<std::string> splitUtf8(const std::string& text, size_t limit) {
    std::vector<std::string> pieces;
    std::string piece;
    size_t i = 0;
    while (i < text.size()) {
        size_t length = std::min(sequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
        if (!piece.empty() && piece.size() + length > limit) {
            pieces.push_back(piece);
            piece.clear();
        }
        piece.append(text, i, length);
        i += length;
    }
    if (!piece.empty()) pieces.push_back(piece);
    return pieces;
}

std::string encodedWords(const std::string& utf8, const std::string& separator) {
    std::string out;
    for (const std::string& piece : splitUtf8(utf8, kWordBytes)) {
        if (!out.empty()) out += separator;
        out += "=?UTF-8?B?" + base64Encode(piece, 0) + "?=";
    }
    return out;
}

bool isAttributeChar(unsigned char c) {
    // RFC 2231 attribute-char, minus the characters that are safer encoded.
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '!' || c == '#' || c == '$' || c == '&' || c == '+' || c == '^' || c == '`' ||
           c == '|';
}

std::string percentEncode(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (isAttributeChar(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The recipient as it goes into To:. A display name with non-ASCII text ("Name <address>")
// is encoded; the address itself stays as typed.
std::string recipientHeaderText(const std::string& recipient) {
    if (isPlainHeaderText(recipient)) return recipient;
    const size_t open = recipient.rfind('<');
    if (open != std::string::npos && recipient.back() == '>' && open > 0) {
        std::string phrase = recipient.substr(0, open);
        while (!phrase.empty() && phrase.back() == ' ') phrase.pop_back();
        const std::string address = recipient.substr(open);
        if (isPlainHeaderText(address) && !phrase.empty()) return encodedWords(phrase, " ") + " " + address;
    }
    return recipient;
}

std::string crlfLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string makeBoundary() {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::ostringstream text;
    // "=_" never occurs in base64, and every part is base64: the boundary cannot clash.
    text << "=_torvex_" << std::hex << now << "_" << counter.fetch_add(1);
    return text.str();
}

}  // namespace

std::string base64Encode(const std::string& data, size_t lineLength) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4 + (lineLength ? data.size() / lineLength + 1 : 0));
    size_t lineUsed = 0;
    auto put = [&](char c) {
        if (lineLength && lineUsed == lineLength) {
            out += '\n';
            lineUsed = 0;
        }
        out += c;
        ++lineUsed;
    };
    size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        const uint32_t n = uint32_t(uint8_t(data[i])) << 16 | uint32_t(uint8_t(data[i + 1])) << 8 | uint8_t(data[i + 2]);
        put(kAlphabet[n >> 18 & 63]);
        put(kAlphabet[n >> 12 & 63]);
        put(kAlphabet[n >> 6 & 63]);
        put(kAlphabet[n & 63]);
    }
    if (i < data.size()) {
        uint32_t n = uint32_t(uint8_t(data[i])) << 16;
        if (i + 1 < data.size()) n |= uint32_t(uint8_t(data[i + 1])) << 8;
        put(kAlphabet[n >> 18 & 63]);
        put(kAlphabet[n >> 12 & 63]);
        put(i + 1 < data.size() ? kAlphabet[n >> 6 & 63] : '=');
        put('=');
    }
    return out;
}

bool base64Decode(const std::string& text, std::string* out) {
    std::array<int, 256> value{};
    value.fill(-1);
    for (int k = 0; k < 64; ++k) value[static_cast<unsigned char>(kAlphabet[k])] = k;
    out->clear();
    uint32_t bits = 0;
    int count = 0;
    int padding = 0;
    for (unsigned char c : text) {
        if (c == '\n' || c == '\r' || c == ' ' || c == '\t') continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        if (padding || value[c] < 0) return false;
        bits = bits << 6 | uint32_t(value[c]);
        if (++count == 4) {
            out->push_back(char(bits >> 16 & 0xFF));
            out->push_back(char(bits >> 8 & 0xFF));
            out->push_back(char(bits & 0xFF));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2 || (padding && count + padding != 4)) return false;
    if (count == 2) out->push_back(char(bits >> 4 & 0xFF));
    if (count == 3) {
        out->push_back(char(bits >> 10 & 0xFF));
        out->push_back(char(bits >> 2 & 0xFF));
    }
    return true;
}

bool isPlainHeaderText(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80 || isControl(c)) return false;
    return true;
}

std::string encodeHeaderText(const std::string& utf8) {
    if (isPlainHeaderText(utf8) && utf8.size() <= kPlainHeaderLimit) return utf8;
    return encodedWords(utf8, "\n ");
}

AttachmentNames attachmentNameParameters(const std::string& fileName) {
    bool quotable = isPlainHeaderText(fileName) && fileName.size() <= 60;
    for (char c : fileName)
        if (c == '"' || c == '\\') quotable = false;
    if (quotable) return {"name=\"" + fileName + "\"", "filename=\"" + fileName + "\""};

    // RFC 2231: UTF-8, percent-encoded, in numbered pieces of bounded length; a piece never
    // ends inside a %XX triple.
    const std::string encoded = percentEncode(fileName);
    std::vector<std::string> pieces;
    size_t i = 0;
    while (i < encoded.size()) {
        size_t take = std::min<size_t>(60, encoded.size() - i);
        if (i + take < encoded.size()) {
            const size_t percent = encoded.rfind('%', i + take - 1);
            if (percent != std::string::npos && percent >= i && percent + 3 > i + take) take = percent - i;
        }
        pieces.push_back(encoded.substr(i, take));
        i += take;
    }
    AttachmentNames names;
    names.contentType = "name=\"" + encodedWords(fileName, "\n ") + "\"";
    if (pieces.size() == 1) {
        names.disposition = "filename*=UTF-8''" + pieces[0];
    } else {
        for (size_t k = 0; k < pieces.size(); ++k)
            names.disposition += (k ? ";\n filename*" : "filename*") + std::to_string(k) + "*=" +
                                 (k == 0 ? "UTF-8''" : "") + pieces[k];
    }
    return names;
}

std::string buildMimeMessage(const std::vector<std::string>& recipients, const std::string& subject,
                             const std::string& body, const std::vector<MailAttachment>& attachments) {
    const std::string boundary = makeBoundary();
    std::string message = "To: ";
    for (size_t i = 0; i < recipients.size(); ++i) {
        if (i) message += ",\n ";
        message += recipientHeaderText(recipients[i]);
    }
    message += "\nSubject: " + encodeHeaderText(subject) + "\n";
    message += "MIME-Version: 1.0\n";
    message += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\n";
    message += "This is a multi-part message in MIME format.\n";
    message += "--" + boundary + "\n";
    message += "Content-Type: text/plain; charset=UTF-8\n";
    message += "Content-Transfer-Encoding: base64\n\n";
    message += base64Encode(crlfLines(body)) + "\n";
    for (const MailAttachment& attachment : attachments) {
        const AttachmentNames names = attachmentNameParameters(attachment.name);
        message += "--" + boundary + "\n";
        message += "Content-Type: application/octet-stream;\n " + names.contentType + "\n";
        message += "Content-Disposition: attachment;\n " + names.disposition + "\n";
        message += "Content-Transfer-Encoding: base64\n\n";
        message += base64Encode(attachment.data) + "\n";
    }
    message += "--" + boundary + "--\n";
    return message;
}

bool MapiMailer::loadMapi() {
    if (!program_.empty()) return true;
    program_ = platform::findSendmail();
    return !program_.empty();
}

bool MapiMailer::addRecipient(const std::string& text) {
    bool usable = !text.empty();
    for (unsigned char c : text)
        if (isControl(c)) usable = false;
    if (!usable) {
        recipients_.clear();
        return false;
    }
    recipients_.push_back(text);
    return true;
}

bool MapiMailer::addAttachment(const std::string& path, const std::string& fileName) {
    if (fileName.empty() || path.empty()) {
        attachmentPaths_.clear();
        attachmentNames_.clear();
        return false;
    }
    attachmentPaths_.push_back(path);
    attachmentNames_.push_back(fileName);
    return true;
}

bool MapiMailer::sendMail(const std::string& body, const std::string& subject) {
    outcome_ = platform::SendmailOutcome();
    if (!loadMapi() || recipients_.empty()) return false;
    std::vector<MailAttachment> attachments;
    for (size_t i = 0; i < attachmentPaths_.size(); ++i) {
        MailAttachment attachment{attachmentNames_[i], std::string()};
        if (!readWholeFile(attachmentPaths_[i], &attachment.data)) return false;
        attachments.push_back(std::move(attachment));
    }
    const std::string message = buildMimeMessage(recipients_, subject, body, attachments);
    outcome_ = platform::runSendmail(program_, {"-t", "-i"}, message, timeoutMs_, whileWaiting_);
    return outcome_.result == platform::SendmailResult::Delivered;
}

}  // namespace torvex
