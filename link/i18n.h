// Catalogue lookup and printf-style filling for code that has no GUI.
// The application installs the real translator at start-up; until then (and in
// tests that install none) a key comes back unchanged, as a missing catalogue would.
#pragma once

#include <functional>
#include <string>

namespace torvex {

using Translator = std::function<std::string(const std::string& key)>;

// Installs the translator used by tr(); returns the previous one.
Translator setTranslator(Translator translator);

// The translation of key, or key itself when the catalogue lacks it.
std::string tr(const std::string& key);

// printf-style formatting into a std::string; texts are translated first, filled after.
std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// For translated (run-time) formats: the format is the catalogue's text.
std::string vstrprintfRuntime(const char* format, ...);
template <typename... Args>
std::string strprintfRuntime(const std::string& format, Args... args) {
    return vstrprintfRuntime(format.c_str(), args...);
}

}  // namespace torvex
