#include "frame/app.h"

#include <wx/arrstr.h>
#include <wx/config.h>
#include <wx/datetime.h>
#include <wx/frame.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "services/catalogue.h"
#include "widgets/compact_style.h"
#include "services/config.h"
#include "frame/main_frame.h"
#include "services/ui_seam.h"
#include "link/connection.h"
#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"

namespace torvex {

const char* const kVersionText = "V2.0beta43tcp";

namespace {

// Index: the stored value of "Language".
const wxLanguage kLanguageTable[kLanguageCount] = {
    wxLANGUAGE_DEFAULT,
    wxLANGUAGE_GERMAN,
    wxLANGUAGE_FRENCH,
    wxLANGUAGE_ENGLISH,
};

}  // namespace

wxString mainWindowTitle() { return wxString::Format("Torvex %s", kVersionText); }

wxLanguage languageForSetting(long value) {
    if (value < 0 || value >= kLanguageCount) return kLanguageTable[0];
    return kLanguageTable[value];
}

long parseLanguageSetting(const wxString& text) {
    std::string digits = text.utf8_string();
    // Whatever the conversion stops at, the number read so far counts (none read: 0).
    return std::strtol(digits.c_str(), nullptr, 10);
}

wxString askLanguage() {
    // The language dialog is shown as written: its reader may not read the current language.
    wxArrayString choices;
    choices.Add("German");
    choices.Add("French");
    choices.Add("English");
    int index = ui::dialogs().singleChoice("Please choose language:", "Language for Torvex", choices, nullptr, 200,
                                           150);
    if (index < 0 || index >= static_cast<int>(choices.size())) return wxString();
    return wxString::Format("%ld", static_cast<long>(index + 1));
}

void storeLanguage(wxConfigBase* config, const wxString& value) {
    if (!config) return;
    config->Write(kKeyLanguage, value);
    config->Flush(false);
}

wxString chooseLanguage(wxConfigBase* config) {
    wxString text = askLanguage();
    if (text.empty()) text = wxString::Format("%ld", 0L);
    storeLanguage(config, text);
    return text;
}

long startConfigurationAndLanguage(wxApp& app) {
    app.SetVendorName("Velmar");
    app.SetAppName("Torvex");
    wxConfigBase* config = openConfiguration();

    wxString setting = config->Read(kKeyLanguage, wxString());
    if (setting.empty()) setting = chooseLanguage(config);

    // -1 asks for no catalogue at all: every text then shows as the program writes it.
    long language = setting.empty() ? -1 : parseLanguageSetting(setting);
    if (language == -1)
        unloadCatalogue();
    else
        loadCatalogue(languageForSetting(language));
    return language;
}

TorvexApp::~TorvexApp() {
    if (progress_) delete progress_.get();
}

bool TorvexApp::OnInit() {
    buildRegisterCache();
    firmwareVersion = 0;

    tzset();
    wxDateTime::SetCountry(wxDateTime::Germany);
    // Files, fields and messages write numbers the C way ("1.50") whatever the desktop's
    // locale is, even where the toolkit took the numeric locale from the environment.
    std::setlocale(LC_NUMERIC, "C");

    ui::installMessageHandler();
    installCatalogueTranslator();
    installCompactControlStyle();

    startConfigurationAndLanguage(*this);

    progress_ = new wxProgressDialog("Torvex", translate("Einen Moment bitte..."), 100, nullptr, wxPD_CAN_ABORT);
    progress_->Show();

    wxFrame* frame = createMainWindow();
    frame->Show();
    // The main window normally closes the dialog itself when it is complete.
    closeStartupProgress();
    return true;
}

wxFrame* TorvexApp::createMainWindow() {
    return new MainFrame(mainWindowTitle(), kMainWindowPosition, kMainWindowSize);
}

int TorvexApp::OnExit() {
    closeStartupProgress();
    // Deleting the configuration writes the file once more.
    closeConfiguration();
    // Link code that still asks after this point gets keys and standard error.
    setTranslator(nullptr);
    setMessageHandler(nullptr);
    wxApp::OnExit();
    return 0;
}

void TorvexApp::updateStartupProgress(int percentage) {
    if (!progress_) return;
    int value = percentage < 0 ? 0 : (percentage > 100 ? 100 : percentage);
    if (!progress_->Update(value, wxEmptyString)) {
        // Aborted: the tool ends here, its half-built window with it. Every setting has
        // been written already.
        delete progress_.get();
        progress_ = nullptr;
        std::fflush(nullptr);
        std::_Exit(0);
    }
}

void TorvexApp::closeStartupProgress() {
    if (!progress_) return;
    delete progress_.get();
    progress_ = nullptr;
}

void reportStartupProgress(int percentage) {
    if (auto* app = dynamic_cast<TorvexApp*>(wxTheApp)) app->updateStartupProgress(percentage);
}

void closeStartupProgress() {
    if (auto* app = dynamic_cast<TorvexApp*>(wxTheApp)) app->closeStartupProgress();
}

}  // namespace torvex
