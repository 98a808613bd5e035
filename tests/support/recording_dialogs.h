// A dialog seam for GUI tests: records every box and dialog and answers from queues
// the test fills, so no test ever waits on a window. Unanswered boxes get wxOK,
// unanswered choices -1 (cancel), unanswered file dialogs an empty path (cancel).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "services/ui_seam.h"

class wxDialog;

namespace torvex::test {

struct RecordedBox {
    std::string text;
    std::string caption;
    long style;
};

class RecordingDialogs : public ui::DialogSeam {
public:
    int messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent) override;
    int singleChoice(const wxString& message, const wxString& caption, const wxArrayString& choices,
                     wxWindow* parent, int width, int height) override;
    wxString fileSelector(wxWindow* parent, const wxString& message, const wxString& directory,
                          const wxString& fileName, const wxString& wildcard, long style) override;
    int showModal(wxDialog& dialog) override;
    bool print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data, bool* printError) override;

    std::vector<RecordedBox> boxes;
    std::vector<std::string> choiceMessages;
    std::vector<std::string> fileDialogMessages;
    std::vector<std::string> fileDialogDirectories;
    std::vector<std::string> fileDialogNames;
    std::vector<std::string> modalDialogTitles;
    int printCalls = 0;

    std::deque<int> boxAnswers;
    std::deque<int> choiceAnswers;
    std::deque<std::string> fileAnswers;
    // Called with the dialog instead of showing it; returns the end code.
    std::deque<std::function<int(wxDialog&)>> modalAnswers;
    // Called with the printout instead of the print dialog; returns whether it printed.
    std::function<bool(wxPrintout&)> printAnswer;

    bool sawBox(const std::string& fragment) const;
    void clear();
};

// The seam installed by the GUI test main for every test.
RecordingDialogs& recordedDialogs();

// Runs the event loop until pred is true or the time is up; returns pred's last answer.
bool pumpUntil(const std::function<bool()>& pred, int timeoutMs = 5000);
// Runs pending events for a while.
void pumpFor(int milliseconds);

}  // namespace torvex::test
