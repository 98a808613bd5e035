// The catalogue rules callers rely on, and the contents of the three catalogues.
#include <wx/filefn.h>
#include <wx/translation.h>

#include "link/i18n.h"
#include "link/registers.h"
#include "tests/gui_app/temp_home.h"

namespace torvex::test {
namespace {

class CatalogueTest : public TempHome {
protected:
    void TearDown() override {
        setTranslator(nullptr);
        TempHome::TearDown();
    }
};

bool inCatalogue(const std::string& key) {
    const wxTranslations* translations = wxTranslations::Get();
    return translations && translations->GetTranslatedString(wxString::FromUTF8(key)) != nullptr;
}

struct LanguageCase {
    const char* code;
    wxLanguage language;
};
const LanguageCase kLanguages[] = {
    {"de", wxLANGUAGE_GERMAN},
    {"fr", wxLANGUAGE_FRENCH},
    {"en", wxLANGUAGE_ENGLISH},
};

TEST_F(CatalogueTest, MissingKeysComeBackUnchanged) {
    const char* keys[] = {"No such key in any catalogue", "Combo box registers name 999", "MONITOR_99_TEXT",
                          "RegComment_0x01"};
    for (const char* key : keys) EXPECT_EQ(translate(key), key) << "no catalogue";
    for (const LanguageCase& lang : kLanguages) {
        ASSERT_TRUE(loadCatalogue(lang.language)) << lang.code;
        for (const char* key : keys) EXPECT_EQ(translate(key), key) << lang.code;
        EXPECT_EQ(translate(""), "") << "the empty key must not find the catalogue's header";
    }
}

TEST_F(CatalogueTest, EachLanguageHasItsOwnTexts) {
    struct Expected {
        const char* key;
        const char* de;
        const char* fr;
        const char* en;
    };
    const Expected texts[] = {
        {"Einen Moment bitte...", "Einen Moment bitte...", "Un instant, s'il vous pla\xc3\xaet...",
         "One moment please..."},
        {"Information", "Information", "Information", "Information"},
        {"Error", "Fehler", "Erreur", "Error"},
        {"Warning", "Warnung", "Avertissement", "Warning"},
        {"Torvex - error", "Torvex - Fehler", "Torvex - erreur", "Torvex - error"},
        {"Torvex - internal error", "Torvex - interner Fehler", "Torvex - erreur interne",
         "Torvex - internal error"},
        {"Unknown register     ", "Unbekanntes Register", "Registre inconnu", "Unknown register"},
        {"SPEED_KP             ", "SPEED_KP", "SPEED_KP", "SPEED_KP"},
        {"RegName_0x2c", "SPEED_KP", "SPEED_KP", "SPEED_KP"},
        {"RegLabel_0x30", "Drehzahl Istwert", "Vitesse r\xc3\xa9" "elle", "Actual speed"},
    };
    for (const LanguageCase& lang : kLanguages) {
        ASSERT_TRUE(loadCatalogue(lang.language)) << lang.code;
        installCatalogueTranslator();
        for (const Expected& e : texts) {
            const char* wanted = lang.code[0] == 'd' ? e.de : (lang.code[0] == 'f' ? e.fr : e.en);
            EXPECT_EQ(translate(wxString::FromUTF8(e.key)).utf8_string(), wanted) << lang.code << ": " << e.key;
            EXPECT_EQ(tr(e.key), wanted) << lang.code << ": " << e.key;
        }
    }
}

TEST_F(CatalogueTest, EveryNamedRegisterHasANameThatIsNotTheUnknownOne) {
    for (const LanguageCase& lang : kLanguages) {
        ASSERT_TRUE(loadCatalogue(lang.language)) << lang.code;
        installCatalogueTranslator();
        const std::string unknown = tr(kUnknownRegisterName);
        int named = 0;
        for (uint32_t reg = 0; reg < kRegisterCount; ++reg) {
            std::string key = registerNameKey(reg);
            if (key == kUnknownRegisterName) {
                EXPECT_EQ(registerName(reg), unknown);
                continue;
            }
            ++named;
            std::string name = registerName(reg);
            // A name of the full width may translate to itself: ask the catalogue directly.
            EXPECT_TRUE(inCatalogue(key)) << lang.code << ": no translation of \"" << key << "\"";
            EXPECT_NE(name, unknown) << lang.code << ": " << key;
            EXPECT_FALSE(name.empty()) << lang.code << ": " << key;
            for (const std::string& textKey : {regNameKey(reg), regLabelKey(reg), regCommentKey(reg)}) {
                EXPECT_TRUE(inCatalogue(textKey)) << lang.code << ": " << textKey;
                EXPECT_FALSE(tr(textKey).empty()) << lang.code << ": " << textKey;
            }
        }
        EXPECT_EQ(named, 207) << lang.code;
    }
}

TEST_F(CatalogueTest, FoundFromAnyWorkingDirectory) {
    std::filesystem::create_directories(home_ / "a" / "b");
    for (const auto& folder : {home_, home_ / "a" / "b"}) {
        std::filesystem::current_path(folder);
        ASSERT_TRUE(loadCatalogue(wxLANGUAGE_FRENCH)) << folder;
        EXPECT_EQ(translate("Error"), "Erreur") << folder;
    }
}

TEST_F(CatalogueTest, TheWorkingDirectoryComesFirst) {
    // A catalogue beside the working directory wins over the built one: here the French
    // catalogue stands in for the German one.
    std::filesystem::path french = std::filesystem::path(TORVEX_BINARY_DIR) / "locale" / "fr" / "Torvex.mo";
    std::filesystem::create_directories(home_ / "de");
    std::filesystem::copy_file(french, home_ / "de" / "Torvex.mo");
    std::filesystem::current_path(home_);
    ASSERT_TRUE(loadCatalogue(wxLANGUAGE_GERMAN));
    EXPECT_EQ(translate("Error"), "Erreur");

    // ".." too, and in the gettext layout.
    std::filesystem::create_directories(home_ / "sub");
    std::filesystem::remove_all(home_ / "de");
    std::filesystem::create_directories(home_ / "de" / "LC_MESSAGES");
    std::filesystem::copy_file(french, home_ / "de" / "LC_MESSAGES" / "Torvex.mo");
    std::filesystem::current_path(home_ / "sub");
    ASSERT_TRUE(loadCatalogue(wxLANGUAGE_GERMAN));
    EXPECT_EQ(translate("Error"), "Erreur");
}

TEST_F(CatalogueTest, ADamagedCatalogueLeavesTextsUntranslatedSilently) {
    std::filesystem::create_directories(home_ / "de");
    std::ofstream(home_ / "de" / "Torvex.mo") << "not a catalogue";
    std::filesystem::current_path(home_);
    LogRecorder log;
    loadCatalogue(wxLANGUAGE_GERMAN);
    wxLog::FlushActive();
    EXPECT_TRUE(log.messages.empty()) << (log.messages.empty() ? "" : log.messages[0]);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    // Either the damaged file was passed over for the built one, or nothing is translated.
    wxString error = translate("Error");
    EXPECT_TRUE(error == "Fehler" || error == "Error") << error;
}

}  // namespace
}  // namespace torvex::test
