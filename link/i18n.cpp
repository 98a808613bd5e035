#include "link/i18n.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace torvex {

namespace {
std::mutex g_translatorMutex;
Translator g_translator;

std::string vformat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) return std::string();
    if (static_cast<size_t>(needed) < sizeof small) return std::string(small, static_cast<size_t>(needed));
    std::vector<char> big(static_cast<size_t>(needed) + 1);
    std::vsnprintf(big.data(), big.size(), format, args);
    return std::string(big.data(), static_cast<size_t>(needed));
}
}  // namespace

Translator setTranslator(Translator translator) {
    std::lock_guard<std::mutex> lock(g_translatorMutex);
    Translator previous = std::move(g_translator);
    g_translator = std::move(translator);
    return previous;
}

std::string tr(const std::string& key) {
    Translator translator;
    {
        std::lock_guard<std::mutex> lock(g_translatorMutex);
        translator = g_translator;
    }
    return translator ? translator(key) : key;
}

std::string strprintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = vformat(format, args);
    va_end(args);
    return out;
}

std::string vstrprintfRuntime(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = vformat(format, args);
    va_end(args);
    return out;
}

}  // namespace torvex
