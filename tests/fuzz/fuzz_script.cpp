// Register scripts: any text is parsed, and the parsed script runs against a viewed
// image (nothing reaches a drive) without crashing; no register above 255 is touched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "link/connection.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "link/script.h"

using namespace torvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        buildRegisterCache();
        setMessageHandler([](const MessageRequest&) { return static_cast<int>(kMsgOk); });
        return true;
    }();
    (void)ready;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    RegisterScript script;
    uint32_t rc = parseScript(script, in);
    if (rc == kScriptParseException) std::abort();
    for (const ScriptCommand& command : script) {
        if (command.type < kScriptSetRegister || command.type > kScriptOrRegister) std::abort();
        if (rc != 0 && command.line >= rc) std::abort();
        uint32_t reg = 0;
        if (parseScriptRegister(command.registerText, &reg) && (reg == 0 || reg > 255)) std::abort();
        int32_t value = 0;
        parseScriptValue(command.valueText, true, &value);
        uint32_t set = 0;
        if (parseParameterSetNumber(command.registerText, &set) && set > 0xFFFF) std::abort();
    }
    DriveConnection connection;
    connection.loadOfflineImage({}, {});
    executeScript(script, &connection);
    for (const auto& entry : connection.imageValues16())
        if (entry.first == 0 || entry.first > 255) std::abort();
    for (const auto& entry : connection.imageValues32())
        if (entry.first == 0 || entry.first > 255) std::abort();
    return 0;
}
