// A stand-in for the system's mail submission program and a small reader of the MIME
// messages it receives, for the mail tests.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "link/mapi_mailer.h"

namespace torvex::test {

inline std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A folder of its own holding an executable "sendmail" that writes its arguments (one a
// line) to "args" and its input to "input", then behaves as "mode" says: "read" (default:
// read everything, exit with the number in "status"), "noread" (exit 0 at once), "hang"
// (never end), "flood" (read, then write megabytes), "signal" (read, then kill itself).
class StandInSendmail {
public:
    StandInSendmail() {
        std::string pattern = std::string(P_tmpdir) + "/torvex-mail-XXXXXX";
        char* made = mkdtemp(pattern.data());
        EXPECT_NE(made, nullptr);
        dir = pattern;
        program = dir + "/sendmail";
        writeFile(program,
                  "#!/bin/sh\n"
                  "dir=$(dirname \"$0\")\n"
                  "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$dir/args\"\n"
                  "ls \"${TMPDIR:-/tmp}\" > \"$dir/tmpdir\"\n"
                  "mode=$(cat \"$dir/mode\" 2>/dev/null)\n"
                  "case \"$mode\" in\n"
                  "  noread) exit 0 ;;\n"
                  "  hang) exec sleep 60 ;;\n"
                  "  flood) cat > \"$dir/input\"; head -c 3000000 /dev/zero; exit 0 ;;\n"
                  "  signal) cat > \"$dir/input\"; kill -9 $$ ;;\n"
                  "esac\n"
                  "cat > \"$dir/input\"\n"
                  "exit $(cat \"$dir/status\" 2>/dev/null || echo 0)\n");
        chmod(program.c_str(), 0755);
    }
    ~StandInSendmail() {
        std::string command = "rm -rf '" + dir + "'";
        (void)system(command.c_str());
    }
    void setMode(const std::string& mode) { writeFile(dir + "/mode", mode); }
    void setStatus(int status) { writeFile(dir + "/status", std::to_string(status)); }
    bool ran() const { return access((dir + "/args").c_str(), F_OK) == 0; }
    std::vector<std::string> args() const { return lines(readFile(dir + "/args")); }
    std::string input() const { return readFile(dir + "/input"); }
    // What the temporary folder held while the program ran.
    std::string temporaryFolder() const { return readFile(dir + "/tmpdir"); }

    std::string dir;
    std::string program;
};

// Puts a folder first on PATH and the system folders out of reach while it lives.
class SearchPathOverride {
public:
    explicit SearchPathOverride(const std::string& folder, std::vector<std::string> systemFolders = {}) {
        const char* old = std::getenv("PATH");
        hadPath_ = old != nullptr;
        if (old) oldPath_ = old;
        setenv("PATH", (folder + (hadPath_ ? ":" + oldPath_ : std::string())).c_str(), 1);
        systemFolders_ = std::move(systemFolders);
        platform::setSendmailSystemFoldersForTesting(&systemFolders_);
    }
    ~SearchPathOverride() {
        if (hadPath_) setenv("PATH", oldPath_.c_str(), 1);
        else unsetenv("PATH");
        platform::setSendmailSystemFoldersForTesting(nullptr);
    }

private:
    bool hadPath_ = false;
    std::string oldPath_;
    std::vector<std::string> systemFolders_;
};

// One MIME message as the tests look at it.
struct ParsedMail {
    std::map<std::string, std::string> headers;  // unfolded, by name
    std::vector<std::string> headerNames;        // in order, as many as there are
    struct Part {
        std::string headers;  // raw, unfolded
        std::string body;     // decoded from base64
    };
    std::vector<Part> parts;
};

inline std::string unfold(const std::string& block) {
    std::string out;
    for (size_t i = 0; i < block.size(); ++i) {
        if (block[i] == '\n' && i + 1 < block.size() && (block[i + 1] == ' ' || block[i + 1] == '\t')) continue;
        out += block[i];
    }
    return out;
}

inline ParsedMail parseMail(const std::string& message) {
    ParsedMail mail;
    const size_t end = message.find("\n\n");
    EXPECT_NE(end, std::string::npos);
    for (const std::string& line : lines(unfold(message.substr(0, end)))) {
        const size_t colon = line.find(':');
        EXPECT_NE(colon, std::string::npos) << line;
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 1);
        if (!value.empty() && value[0] == ' ') value.erase(0, 1);
        mail.headerNames.push_back(line.substr(0, colon));
        mail.headers[line.substr(0, colon)] = value;
    }
    const std::string type = mail.headers["Content-Type"];
    const size_t at = type.find("boundary=\"");
    EXPECT_NE(at, std::string::npos);
    if (at == std::string::npos) return mail;
    const std::string boundary = "--" + type.substr(at + 10, type.find('"', at + 10) - at - 10);
    size_t pos = message.find(boundary + "\n", end);
    while (pos != std::string::npos) {
        const size_t start = pos + boundary.size() + 1;
        const size_t next = message.find("\n" + boundary, start);
        if (next == std::string::npos) break;
        const std::string part = message.substr(start, next - start);
        const size_t split = part.find("\n\n");
        ParsedMail::Part parsed;
        parsed.headers = unfold(part.substr(0, split));
        EXPECT_TRUE(base64Decode(part.substr(split + 2), &parsed.body)) << parsed.headers;
        mail.parts.push_back(parsed);
        pos = message.compare(next + 1, boundary.size() + 2, boundary + "--") == 0 ? std::string::npos : next + 1;
    }
    return mail;
}

// Decodes the UTF-8 encoded words of a header value (B encoding) and keeps the rest.
inline std::string decodeWords(const std::string& value) {
    std::string out;
    size_t pos = 0;
    while (pos < value.size()) {
        const size_t start = value.find("=?UTF-8?B?", pos);
        if (start == std::string::npos) {
            out += value.substr(pos);
            break;
        }
        std::string between = value.substr(pos, start - pos);
        if (between.find_first_not_of(" ") != std::string::npos) out += between;
        const size_t stop = value.find("?=", start + 10);
        std::string decoded;
        EXPECT_TRUE(base64Decode(value.substr(start + 10, stop - start - 10), &decoded));
        out += decoded;
        pos = stop + 2;
    }
    return out;
}

}  // namespace torvex::test
