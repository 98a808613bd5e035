// Shared helpers of the register-set, script and printout tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "link/message_seam.h"
#include "link/registers.h"

namespace torvex::test {

inline std::string tempPath(const std::string& name) {
    static int counter = 0;
    return ::testing::TempDir() + "files_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + name;
}

inline std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::string writeText(const std::string& name, const std::string& text) {
    std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> magicBytes() {
    const char* magic = "Velmar Industrieelektronik GmbH Drive data V1.0";
    std::vector<uint8_t> bytes(magic, magic + 47);
    bytes.push_back(0);
    return bytes;
}

// Records every box the link library asks for, answering OK.
class BoxRecorder {
public:
    BoxRecorder() {
        buildRegisterCache();
        previous_ = setMessageHandler([this](const MessageRequest& request) {
            boxes.push_back(request);
            return static_cast<int>(kMsgOk);
        });
    }
    ~BoxRecorder() { setMessageHandler(previous_); }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& box : boxes) out.push_back(box.text);
        return out;
    }
    std::vector<MessageRequest> boxes;

private:
    MessageHandler previous_;
};

}  // namespace torvex::test
