// Test main for GUI tests: one wxApp for the process, every box and dialog answered by
// the recording seam, and any Gtk warning or critical message failing the test.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/print.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "widgets/compact_style.h"
#include "services/ui_seam.h"
#include "link/registers.h"
#include "tests/support/recording_dialogs.h"

namespace torvex::test {

namespace {

// The few declarations of the toolkit's logging library (GLib) needed to see its warnings.
// Its headers are not part of the build's dependencies and the test programs do not link it
// directly, so the functions are looked up in the running process, which has it loaded.
enum GLogLevelFlags : int {
    G_LOG_LEVEL_ERROR = 1 << 2,
    G_LOG_LEVEL_CRITICAL = 1 << 3,
    G_LOG_LEVEL_WARNING = 1 << 4,
};
struct GLogField {
    const char* key;
    const void* value;
    long length;
};
enum GLogWriterOutput : int { G_LOG_WRITER_UNHANDLED = 0, G_LOG_WRITER_HANDLED = 1 };
using gsize = unsigned long;
using gpointer = void*;
using GLogWriterFunc = GLogWriterOutput (*)(GLogLevelFlags, const GLogField*, gsize, gpointer);
using SetWriterFunc = void (*)(GLogWriterFunc, gpointer, void (*)(gpointer));
using StandardStreamsFunc = GLogWriterOutput (*)(GLogLevelFlags, const GLogField*, gsize, gpointer);
StandardStreamsFunc g_log_writer_default = nullptr;

RecordingDialogs g_dialogs;
std::mutex g_gtkMutex;
std::vector<std::string> g_gtkProblems;

GLogWriterOutput logWriter(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer) {
    if (level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR)) {
        std::string domain, message;
        for (gsize i = 0; i < count; ++i) {
            if (std::string(fields[i].key) == "GLIB_DOMAIN" && fields[i].length < 0)
                domain = static_cast<const char*>(fields[i].value);
            if (std::string(fields[i].key) == "MESSAGE" && fields[i].length < 0)
                message = static_cast<const char*>(fields[i].value);
        }
        std::lock_guard<std::mutex> lock(g_gtkMutex);
        g_gtkProblems.push_back(domain + ": " + message);
    }
    // The default writer leaves out debug messages unless G_MESSAGES_DEBUG asks for them.
    return g_log_writer_default ? g_log_writer_default(level, fields, count, nullptr) : G_LOG_WRITER_UNHANDLED;
}

// Installs logWriter; false when the logging library is not in the process.
bool installLogWriter() {
    auto setWriter = reinterpret_cast<SetWriterFunc>(dlsym(RTLD_DEFAULT, "g_log_set_writer_func"));
    g_log_writer_default = reinterpret_cast<StandardStreamsFunc>(dlsym(RTLD_DEFAULT, "g_log_writer_default"));
    if (!setWriter || !g_log_writer_default) return false;
    setWriter(logWriter, nullptr, nullptr);
    return true;
}

class GtkProblemListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        std::lock_guard<std::mutex> lock(g_gtkMutex);
        g_gtkProblems.clear();
        g_dialogs.clear();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {}
};

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};
}  // namespace

int RecordingDialogs::messageBox(const wxString& text, const wxString& caption, long style, wxWindow*) {
    boxes.push_back({text.utf8_string(), caption.utf8_string(), style});
    if (boxAnswers.empty()) return (style & wxYES_NO) ? wxYES : wxOK;
    int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

int RecordingDialogs::singleChoice(const wxString& message, const wxString&, const wxArrayString&, wxWindow*,
                                   int, int) {
    choiceMessages.push_back(message.utf8_string());
    if (choiceAnswers.empty()) return -1;
    int answer = choiceAnswers.front();
    choiceAnswers.pop_front();
    return answer;
}

wxString RecordingDialogs::fileSelector(wxWindow*, const wxString& message, const wxString& directory,
                                        const wxString& fileName, const wxString&, long) {
    fileDialogMessages.push_back(message.utf8_string());
    fileDialogDirectories.push_back(directory.utf8_string());
    fileDialogNames.push_back(fileName.utf8_string());
    if (fileAnswers.empty()) return wxString();
    std::string answer = fileAnswers.front();
    fileAnswers.pop_front();
    return wxString::FromUTF8(answer);
}

int RecordingDialogs::showModal(wxDialog& dialog) {
    modalDialogTitles.push_back(dialog.GetTitle().utf8_string());
    if (modalAnswers.empty()) return wxID_CANCEL;
    auto answer = std::move(modalAnswers.front());
    modalAnswers.pop_front();
    return answer(dialog);
}

bool RecordingDialogs::print(wxWindow*, wxPrintout& printout, wxPrintDialogData&, bool* printError) {
    ++printCalls;
    if (printError) *printError = false;
    return printAnswer ? printAnswer(printout) : false;
}

bool RecordingDialogs::sawBox(const std::string& fragment) const {
    for (const auto& box : boxes)
        if (box.text.find(fragment) != std::string::npos) return true;
    return false;
}

void RecordingDialogs::clear() { *this = RecordingDialogs(); }

RecordingDialogs& recordedDialogs() { return g_dialogs; }

bool pumpUntil(const std::function<bool()>& pred, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return pred();
        if (wxTheApp) {
            wxTheApp->ProcessPendingEvents();
            while (wxEventLoopBase::GetActive() && wxEventLoopBase::GetActive()->Pending())
                wxEventLoopBase::GetActive()->Dispatch();
            wxTheApp->ProcessIdle();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void pumpFor(int milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

}  // namespace torvex::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!torvex::test::installLogWriter()) {
        fprintf(stderr, "the toolkit's logging library is not loaded\n");
        return 1;
    }
    wxApp::SetInstance(new torvex::test::TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "the GUI library could not start (no display?)\n");
        return 1;
    }
    torvex::buildRegisterCache();
    torvex::installCompactControlStyle();
    torvex::ui::setDialogSeam(&torvex::test::g_dialogs);
    torvex::ui::installMessageHandler();
    ::testing::UnitTest::GetInstance()->listeners().Append(new torvex::test::GtkProblemListener);

    // An event loop must be active for pending events and CallAfter to run.
    wxEventLoop loop;
    wxEventLoopBase::SetActive(&loop);
    int rc = RUN_ALL_TESTS();
    {
        std::lock_guard<std::mutex> lock(torvex::test::g_gtkMutex);
        if (!torvex::test::g_gtkProblems.empty()) {
            for (const auto& p : torvex::test::g_gtkProblems) fprintf(stderr, "GTK problem: %s\n", p.c_str());
            rc = 1;
        }
    }
    wxEntryCleanup();
    return rc;
}
