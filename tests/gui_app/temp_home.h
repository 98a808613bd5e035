// A temporary home folder for one test: HOME points into it (so the configuration file is
// <folder>/.Torvex), and the global configuration and catalogue are dropped afterwards.
#pragma once

#include <gtest/gtest.h>

#include <wx/config.h>
#include <wx/log.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "services/catalogue.h"
#include "services/config.h"
#include "tests/support/recording_dialogs.h"

namespace torvex::test {

// Records what the GUI library logs; anything logged at start-up would pop up as a box.
class LogRecorder : public wxLog {
public:
    LogRecorder() { previous_ = wxLog::SetActiveTarget(this); }
    ~LogRecorder() override { wxLog::SetActiveTarget(previous_); }
    std::vector<std::string> messages;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) override {
        if (level <= wxLOG_Info) messages.push_back(msg.utf8_string());
    }

private:
    wxLog* previous_ = nullptr;
};

class TempHome : public ::testing::Test {
protected:
    void SetUp() override {
        const char* home = std::getenv("HOME");
        if (home) oldHome_ = home;
        oldCwd_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "torvex-home-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        setenv("HOME", home_.c_str(), 1);
        recordedDialogs().clear();
    }

    void TearDown() override {
        closeConfiguration();
        unloadCatalogue();
        std::filesystem::current_path(oldCwd_);
        if (oldHome_)
            setenv("HOME", oldHome_->c_str(), 1);
        else
            unsetenv("HOME");
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }

    std::filesystem::path configFile() const { return home_ / ".Torvex"; }

    void writeConfigFile(const std::string& text) const {
        std::ofstream out(configFile(), std::ios::binary);
        out << text;
    }

    // The file as it is on disk now.
    std::string readConfigFile() const {
        std::ifstream in(configFile(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The keys at the root of the file on disk, as written there (quotes and escapes kept).
    std::map<std::string, std::string> configEntries() const {
        std::map<std::string, std::string> entries;
        std::istringstream lines(readConfigFile());
        std::string line;
        while (std::getline(lines, line)) {
            auto eq = line.find('=');
            if (eq != std::string::npos) entries[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return entries;
    }

    std::filesystem::path home_;

private:
    std::optional<std::string> oldHome_;
    std::filesystem::path oldCwd_;
};

}  // namespace torvex::test
