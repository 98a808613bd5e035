// Register files: any bytes are read without crashing or reading past them, and what
// was read, written back as records, reads the same again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/message_seam.h"
#include "link/register_file.h"
#include "link/registers.h"

using namespace torvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        buildRegisterCache();
        setMessageHandler([](const MessageRequest&) { return static_cast<int>(kMsgOk); });
        return true;
    }();
    (void)ready;
    // An exact-size copy, so that any read past the input is caught.
    std::vector<uint8_t> input(data, data + size);
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    uint32_t rc = parseRegisterFile(input.data(), input.size(), values16, values32, false);
    if (rc > kRegisterFileTruncated) std::abort();
    if (rc != kRegisterFileOk && (!values16.empty() || !values32.empty())) std::abort();
    for (const auto& entry : values16)
        if (entry.first > 255) std::abort();
    for (const auto& entry : values32)
        if (entry.first > 255) std::abort();

    if (rc == kRegisterFileOk) {
        std::vector<uint8_t> again(kRegisterFileMagic, kRegisterFileMagic + kRegisterFileMagicSize);
        for (const auto& [reg, value] : values16) appendRegisterRecord(again, reg, false, value);
        for (const auto& [reg, value] : values32) appendRegisterRecord(again, reg, true, value);
        RegisterValueMap16 check16;
        RegisterValueMap32 check32;
        if (parseRegisterFile(again.data(), again.size(), check16, check32, false) != kRegisterFileOk) std::abort();
        if (check16 != values16 || check32 != values32) std::abort();
    }

    parseRegisterFile(input.data(), input.size(), values16, values32, true);
    for (const auto& entry : values16)
        if (is32bitRegister(entry.first)) std::abort();
    for (const auto& entry : values32)
        if (!is32bitRegister(entry.first)) std::abort();
    return 0;
}
