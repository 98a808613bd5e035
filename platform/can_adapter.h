// The CAN adapter library, loaded at run time: one loaded module and its six entry points
// per process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/can_adapter_api.h"

namespace torvex::platform {

class CanAdapter {
public:
    virtual ~CanAdapter() = default;

    virtual bool isLoaded() const = 0;
    // Loads the library and binds all six entry points; a partly bound library is
    // released again. False when it could not be loaded or bound.
    virtual bool load() = 0;
    // Unloads; false when nothing was loaded.
    virtual bool unload() = 0;

    // The entry points; without a loaded library they answer kStatusNoAdapter.
    virtual uint32_t init(uint16_t bitrateCode, int messageType) = 0;
    virtual uint32_t close() = 0;
    virtual uint32_t status() = 0;
    virtual uint32_t write(can::CanMessage* message) = 0;
    virtual uint32_t read(can::CanMessage* message) = 0;
    virtual uint32_t msgFilter(uint32_t fromId, uint32_t toId, int messageType) = 0;
};

// The process-wide adapter that loads the shared library with dlopen.
CanAdapter& processCanAdapter();

// The file the program looks for, as the user knows it: the one TORVEX_CAN_LIBRARY names
// when that is set and not empty, else libpcan_usb.so.
std::string canLibraryName();

// The files tried, in order: the one named by TORVEX_CAN_LIBRARY when that is set and not
// empty (only that one); else libpcan_usb.so in the executable's own folder, then the bare
// name for the loader's search path.
std::vector<std::string> canLibraryCandidates();

}  // namespace torvex::platform
