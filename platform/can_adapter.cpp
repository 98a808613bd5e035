// The CAN adapter library loaded with dlopen: one module and six entry points per process.
#include "platform/can_adapter.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace torvex::platform {

namespace {

const char* namedLibrary() {
    const char* named = std::getenv("TORVEX_CAN_LIBRARY");
    return named && *named ? named : nullptr;
}

}  // namespace

std::string canLibraryName() {
    const char* named = namedLibrary();
    return named ? named : can::kLibraryFileName;
}

std::vector<std::string> canLibraryCandidates() {
    std::vector<std::string> files;
    if (const char* named = namedLibrary()) {
        files.emplace_back(named);
        return files;
    }
    char self[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string path(self, static_cast<size_t>(n));
        const size_t slash = path.rfind('/');
        if (slash != std::string::npos) files.push_back(path.substr(0, slash + 1) + can::kLibraryFileName);
    }
    files.emplace_back(can::kLibraryFileName);  // the loader's search path
    return files;
}

namespace {

class DlCanAdapter final : public CanAdapter {
public:
    ~DlCanAdapter() override = default;  // left loaded at exit: the library may own threads

    bool isLoaded() const override {
        std::lock_guard<std::mutex> guard(mutex_);
        return module_ != nullptr;
    }

    bool load() override {
        std::lock_guard<std::mutex> guard(mutex_);
        if (module_) return true;
        for (const std::string& file : canLibraryCandidates()) {
            void* module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!module) continue;
            Entry entry;
            entry.init = reinterpret_cast<can::InitFn>(::dlsym(module, "CAN_Init"));
            entry.close = reinterpret_cast<can::CloseFn>(::dlsym(module, "CAN_Close"));
            entry.status = reinterpret_cast<can::StatusFn>(::dlsym(module, "CAN_Status"));
            entry.write = reinterpret_cast<can::WriteFn>(::dlsym(module, "CAN_Write"));
            entry.read = reinterpret_cast<can::ReadFn>(::dlsym(module, "CAN_Read"));
            entry.msgFilter = reinterpret_cast<can::MsgFilterFn>(::dlsym(module, "CAN_MsgFilter"));
            if (!entry.init || !entry.close || !entry.status || !entry.write || !entry.read || !entry.msgFilter) {
                ::dlclose(module);  // a partly bound library is released
                return false;
            }
            module_ = module;
            entry_ = entry;
            return true;
        }
        return false;
    }

    bool unload() override {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!module_) return false;
        ::dlclose(module_);
        module_ = nullptr;
        entry_ = Entry{};
        return true;
    }

    uint32_t init(uint16_t bitrateCode, int messageType) override {
        std::lock_guard<std::mutex> guard(mutex_);
        return module_ ? entry_.init(bitrateCode, messageType) : can::kStatusNoAdapter;
    }
    uint32_t close() override {
        std::lock_guard<std::mutex> guard(mutex_);
        return module_ ? entry_.close() : can::kStatusNoAdapter;
    }
    uint32_t status() override {
        std::lock_guard<std::mutex> guard(mutex_);
        return module_ ? entry_.status() : can::kStatusNoAdapter;
    }
    uint32_t write(can::CanMessage* message) override {
        std::lock_guard<std::mutex> guard(mutex_);
        return module_ ? entry_.write(message) : can::kStatusNoAdapter;
    }
    uint32_t read(can::CanMessage* message) override {
        std::lock_guard<std::mutex> guard(mutex_);
        return module_ ? entry_.read(message) : can::kStatusNoAdapter;
    }
    uint32_t msgFilter(uint32_t fromId, uint32_t toId, int messageType) override {
        std::lock_guard<std::mutex> guard(mutex_);
        return module_ ? entry_.msgFilter(fromId, toId, messageType) : can::kStatusNoAdapter;
    }

private:
    struct Entry {
        can::InitFn init = nullptr;
        can::CloseFn close = nullptr;
        can::StatusFn status = nullptr;
        can::WriteFn write = nullptr;
        can::ReadFn read = nullptr;
        can::MsgFilterFn msgFilter = nullptr;
    };
    mutable std::mutex mutex_;
    void* module_ = nullptr;
    Entry entry_;
};

}  // namespace

CanAdapter& processCanAdapter() {
    static DlCanAdapter* adapter = new DlCanAdapter();  // never destroyed: used until exit
    return *adapter;
}

}  // namespace torvex::platform
