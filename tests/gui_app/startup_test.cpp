// Language table, the language dialog, and the start-up steps that settle configuration,
// language and catalogue, run in-process with the recording dialog seam.
#include <wx/app.h>

#include <climits>
#include <vector>

#include "frame/app.h"
#include "services/ui_seam.h"
#include "link/i18n.h"
#include "tests/gui_app/temp_home.h"

namespace torvex::test {
namespace {

TEST(LanguageTable, StoredValuesSelectTheirLanguageAndOthersTheSystemOne) {
    struct Case {
        long value;
        wxLanguage language;
    };
    const Case cases[] = {
        {0, wxLANGUAGE_DEFAULT},  {1, wxLANGUAGE_GERMAN},   {2, wxLANGUAGE_FRENCH},
        {3, wxLANGUAGE_ENGLISH},  {4, wxLANGUAGE_DEFAULT},  {-1, wxLANGUAGE_DEFAULT},
        {87, wxLANGUAGE_DEFAULT}, {LONG_MAX, wxLANGUAGE_DEFAULT}, {LONG_MIN, wxLANGUAGE_DEFAULT},
    };
    for (const Case& c : cases) EXPECT_EQ(languageForSetting(c.value), c.language) << c.value;
}

TEST(LanguageTable, StoredTextIsReadAsItsLeadingNumber) {
    struct Case {
        const char* text;
        long value;
    };
    const Case cases[] = {{"3", 3}, {"0", 0}, {"abc", 0}, {"2x", 2}, {"-1", -1}, {" 1", 1}, {"12", 12}};
    for (const Case& c : cases) EXPECT_EQ(parseLanguageSetting(c.text), c.value) << c.text;
}

using ChooseLanguageTest = TempHome;

TEST_F(ChooseLanguageTest, StoresTheChoiceAndWritesTheFile) {
    struct Case {
        int answer;
        const char* stored;
    };
    const Case cases[] = {{0, "1"}, {1, "2"}, {2, "3"}, {-1, "0"}};
    wxConfigBase* config = openConfiguration();
    for (const Case& c : cases) {
        recordedDialogs().clear();
        recordedDialogs().choiceAnswers.push_back(c.answer);
        EXPECT_EQ(chooseLanguage(config), c.stored);
        ASSERT_EQ(recordedDialogs().choiceMessages.size(), 1u);
        EXPECT_EQ(recordedDialogs().choiceMessages[0], "Please choose language:");
        EXPECT_EQ(configEntries()["Language"], c.stored) << "answer " << c.answer;
    }
}

// Records everything the language dialog is asked with, which the shared recorder keeps
// only the message of.
class LanguageDialogRecorder : public ui::DialogSeam {
public:
    int singleChoice(const wxString& message, const wxString& caption, const wxArrayString& choices, wxWindow* parent,
                     int width, int height) override {
        this->message = message.utf8_string();
        this->caption = caption.utf8_string();
        for (const wxString& choice : choices) this->choices.push_back(choice.utf8_string());
        this->parent = parent;
        this->width = width;
        this->height = height;
        return answer;
    }
    int answer = -1;
    std::string message, caption;
    std::vector<std::string> choices;
    wxWindow* parent = reinterpret_cast<wxWindow*>(1);
    int width = 0, height = 0;
};

TEST_F(ChooseLanguageTest, AsksInEnglishWithTheThreeLanguagesInTheirOrderUntranslated) {
    // Whatever catalogue is loaded, the dialog stays readable for someone who reads none of
    // the other languages; the stored number follows the order of the choices.
    ASSERT_TRUE(loadCatalogue(wxLANGUAGE_GERMAN));
    wxConfigBase* config = openConfiguration();
    const std::pair<int, const char*> answers[] = {{0, "1"}, {1, "2"}, {2, "3"}};
    for (const auto& [answer, stored] : answers) {
        LanguageDialogRecorder recorder;
        recorder.answer = answer;
        ui::DialogSeam* previous = ui::setDialogSeam(&recorder);
        wxString value = chooseLanguage(config);
        ui::setDialogSeam(previous);
        EXPECT_EQ(value, stored);
        EXPECT_EQ(recorder.message, "Please choose language:");
        EXPECT_EQ(recorder.caption, "Language for Torvex");
        EXPECT_EQ(recorder.choices, (std::vector<std::string>{"German", "French", "English"}));
        EXPECT_EQ(recorder.parent, nullptr);
        EXPECT_EQ(recorder.width, 200);
        EXPECT_EQ(recorder.height, 150);
    }
}

using StartupTest = TempHome;

TEST_F(StartupTest, FirstStartAsksOnceAndTheSecondDoesNot) {
    ASSERT_FALSE(std::filesystem::exists(configFile()));
    recordedDialogs().choiceAnswers.push_back(2);  // English
    EXPECT_EQ(startConfigurationAndLanguage(*wxTheApp), 3);
    ASSERT_EQ(recordedDialogs().choiceMessages.size(), 1u);
    EXPECT_EQ(recordedDialogs().choiceMessages[0], "Please choose language:");
    EXPECT_EQ(configEntries()["Language"], "3");
    EXPECT_EQ(wxTheApp->GetAppName(), "Torvex");
    EXPECT_EQ(wxTheApp->GetVendorName(), "Velmar");
    EXPECT_EQ(translate("Einen Moment bitte..."), "One moment please...");

    closeConfiguration();
    unloadCatalogue();
    recordedDialogs().clear();
    EXPECT_EQ(startConfigurationAndLanguage(*wxTheApp), 3);
    EXPECT_TRUE(recordedDialogs().choiceMessages.empty());
    EXPECT_EQ(translate("Einen Moment bitte..."), "One moment please...");
}

TEST_F(StartupTest, CancelledChoiceStoresZeroAndIsNotAskedAgain) {
    recordedDialogs().choiceAnswers.push_back(-1);
    EXPECT_EQ(startConfigurationAndLanguage(*wxTheApp), 0);
    EXPECT_EQ(configEntries()["Language"], "0");
    closeConfiguration();
    recordedDialogs().clear();
    EXPECT_EQ(startConfigurationAndLanguage(*wxTheApp), 0);
    EXPECT_TRUE(recordedDialogs().choiceMessages.empty());
}

TEST_F(StartupTest, StoredLanguageSelectsItsCatalogueWithoutAnyMessage) {
    // This holds on machines without a German or French system locale too.
    struct Case {
        const char* stored;
        long language;
        const char* moment;
        const char* error;
    };
    const Case cases[] = {
        {"1", 1, "Einen Moment bitte...", "Fehler"},
        {"2", 2, "Un instant, s'il vous pla\xc3\xaet...", "Erreur"},
        {"3", 3, "One moment please...", "Error"},
    };
    for (const Case& c : cases) {
        writeConfigFile(std::string("Language=") + c.stored + "\n");
        recordedDialogs().clear();
        LogRecorder log;
        EXPECT_EQ(startConfigurationAndLanguage(*wxTheApp), c.language);
        wxLog::FlushActive();
        EXPECT_TRUE(log.messages.empty()) << (log.messages.empty() ? "" : log.messages[0]);
        EXPECT_TRUE(recordedDialogs().boxes.empty());
        EXPECT_TRUE(recordedDialogs().choiceMessages.empty());
        EXPECT_EQ(translate("Einen Moment bitte...").utf8_string(), c.moment) << c.stored;
        EXPECT_EQ(translate("Error").utf8_string(), c.error) << c.stored;
        // The drive-link code sees the same catalogue.
        installCatalogueTranslator();
        EXPECT_EQ(tr("Error"), c.error) << c.stored;
        setTranslator(nullptr);
        closeConfiguration();
    }
}

TEST_F(StartupTest, ValuesOutsideTheTableUseTheSystemLanguageWithoutAsking) {
    // The system language of a test machine is unknown: the outcome must equal that of "0".
    writeConfigFile("Language=0\n");
    startConfigurationAndLanguage(*wxTheApp);
    wxString systemText = translate("Einen Moment bitte...");
    closeConfiguration();

    for (const char* stored : {"4", "87", "99999999999999999999999", "-7", "abc"}) {
        writeConfigFile(std::string("Language=") + stored + "\n");
        recordedDialogs().clear();
        startConfigurationAndLanguage(*wxTheApp);
        EXPECT_TRUE(recordedDialogs().choiceMessages.empty()) << stored;
        EXPECT_EQ(translate("Einen Moment bitte..."), systemText) << stored;
        EXPECT_EQ(configEntries()["Language"], stored) << "the stored value stays";
        closeConfiguration();
    }
}

TEST_F(StartupTest, MinusOneLoadsNoCatalogue) {
    writeConfigFile("Language=1\n");
    startConfigurationAndLanguage(*wxTheApp);
    ASSERT_EQ(translate("Error"), "Fehler");
    closeConfiguration();

    writeConfigFile("Language=-1\n");
    EXPECT_EQ(startConfigurationAndLanguage(*wxTheApp), -1);
    EXPECT_EQ(translate("Error"), "Error");
    EXPECT_EQ(translate("Einen Moment bitte..."), "Einen Moment bitte...");
}

TEST_F(StartupTest, ZeroFollowsTheSystemLanguage) {
    struct Env {
        const char* name;
        std::optional<std::string> old;
    };
    Env vars[] = {{"LANGUAGE", {}}, {"LC_ALL", {}}, {"LC_MESSAGES", {}}, {"LANG", {}}};
    for (Env& v : vars)
        if (const char* value = std::getenv(v.name)) v.old = value;
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", "fr_FR.UTF-8", 1);
    writeConfigFile("Language=0\n");
    startConfigurationAndLanguage(*wxTheApp);
    std::string text = translate("Error").utf8_string();
    for (Env& v : vars) {
        if (v.old)
            setenv(v.name, v.old->c_str(), 1);
        else
            unsetenv(v.name);
    }
    EXPECT_EQ(text, "Erreur");
}

}  // namespace
}  // namespace torvex::test
