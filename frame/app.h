#pragma once

#include <wx/app.h>
#include <wx/gdicmn.h>
#include <wx/language.h>
#include <wx/progdlg.h>
#include <wx/string.h>
#include <wx/weakref.h>

class wxConfigBase;
class wxFrame;

namespace torvex {

extern const char* const kVersionText;  // "V2.0beta43tcp"

// The main window's title ("Torvex V2.0beta43tcp"), position and size.
wxString mainWindowTitle();
inline const wxPoint kMainWindowPosition(50, 50);
inline const wxSize kMainWindowSize(1200, 750);

// The stored values of "Language": 0 the system's language (also what a cancelled choice
// stores), 1 German, 2 French, 3 English.
inline constexpr long kLanguageCount = 4;
// The language of a stored value; any value outside the table gives the system's language.
wxLanguage languageForSetting(long value);
// The number in a stored "Language" text: its leading decimal digits (with sign), 0 when
// it does not start with a number.
long parseLanguageSetting(const wxString& text);

// Asks for the language (German, French, English): "1", "2" or "3", empty when cancelled.
wxString askLanguage();
// Stores value under "Language" in config and writes the file at once.
void storeLanguage(wxConfigBase* config, const wxString& value);
// Asks for the language and stores the answer; returns the stored text ("1", "2", "3", or
// "0" when the dialog was cancelled, so that the next start does not ask again).
wxString chooseLanguage(wxConfigBase* config);

// The start-up steps between naming the program and the first window: names the
// application, opens the configuration, asks for the language when none is stored, and
// loads that language's catalogue. Returns the language value used (-1 for none, which
// leaves every text untranslated).
long startConfigurationAndLanguage(wxApp& app);

class TorvexApp : public wxApp {
public:
    ~TorvexApp() override;
    bool OnInit() override;
    int OnExit() override;

    // Advances the start-up progress dialog (the main frame calls it while it builds its
    // pages). When the user aborted the dialog the process ends here with exit code 0.
    void updateStartupProgress(int percentage);
    // Removes the start-up progress dialog once the main window is complete.
    void closeStartupProgress();

private:
    // The tool's one main window, not yet shown.
    wxFrame* createMainWindow();

    wxWeakRef<wxProgressDialog> progress_;
};

// For the main frame's constructor: advance or close the start-up progress dialog of a
// running TorvexApp. Under any other application (tests) they do nothing.
void reportStartupProgress(int percentage);
void closeStartupProgress();

}  // namespace torvex

wxDECLARE_APP(torvex::TorvexApp);
