// Old drive files: any bytes are read without crashing or reading past them; only
// read-write registers come out, each in the map of its width.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/register_file.h"
#include "link/registers.h"

using namespace torvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = (buildRegisterCache(), true);
    (void)ready;
    std::vector<uint8_t> input(data, data + size);
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    uint32_t rc = parseDriveFile(input.data(), input.size(), values16, values32);
    if (rc > kDriveFileUnknownVersion) std::abort();
    if (rc != kDriveFileOk && (!values16.empty() || !values32.empty())) std::abort();
    for (const auto& entry : values16)
        if (registerAccessClass(entry.first) != kClassRW || is32bitRegister(entry.first)) std::abort();
    for (const auto& entry : values32)
        if (registerAccessClass(entry.first) != kClassRW || !is32bitRegister(entry.first)) std::abort();
    return 0;
}
