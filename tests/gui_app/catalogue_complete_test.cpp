// Every area's texts are translated in each shipped language: a key the catalogue lacks
// would show as the program's own wording (a German text to an English user, a pattern
// such as "Tooltip Register 0x2c" in a field's tooltip).
#include <wx/translation.h>

#include <regex>

#include "link/registers.h"
#include "tests/gui_app/temp_home.h"

namespace torvex::test {
namespace {

using CatalogueCompleteTest = TempHome;

const wxString* lookUp(const std::string& key) {
    const wxTranslations* translations = wxTranslations::Get();
    return translations ? translations->GetTranslatedString(wxString::FromUTF8(key)) : nullptr;
}

// The printf placeholders of a text, in order: a translation must keep them, or filling it
// in reads the wrong arguments.
std::vector<std::string> placeholders(const std::string& text) {
    static const std::regex pattern("%[-+ #0-9.]*l?[dufxXs]");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
        found.push_back(it->str());
    return found;
}

// Keys from every area of the program: start-up, message captions, menus and status line,
// dialogs, the drive link, fields, files and scripts, printouts, pages, register texts.
const char* const kRepresentativeKeys[] = {
    "Einen Moment bitte...",
    "Language file version is unknown",
    "TORVEX_CREDITS",
    "Error",
    "Warning",
    "Information",
    "Torvex - error",
    "Torvex - internal error",
    "Printing",
    "&File",
    "Communication",
    "Drive is offline.",
    "Drive is online",
    "Firmware:",
    "Achse:",
    "Settings",
    "Oszilloskop",
    "Connect over TCP",
    "Send email",
    "Can't connect to IP %s!",
    "Internal error:\nread16bitRegister for register 0x%x!\nPlease inform the manufacturer.",
    "Drive is not online!",
    "Drive is offline!",
    "Zahl zu gross, max. %ld!",
    "Zahl zu klein, min. %ld!",
    "Falsche Eingabe (keine Nummer)!",
    "Value changed by the Drive (%s -> %s)!",
    "Fehler beim Lesen des Registers 0x%x!",
    "Die Drehzahl kann nicht umgerechnet werden: Register 0x%x ist 0!",
    "Text reg 0x59",
    "Unit reg 0xa5_high",
    "Text Servo Command Title 1",
    "Parameter Current Imax",
    "Tooltip Register 0xa5_high",
    "Tooltip Button Motor Direction ccw",
    "Motor Feedback Type 0",
    "Servo Type 3",
    "Digi+Ana Speed",
    "Nothing selected in Servo command Format Ain2!",
    "Picture Block Servo",
    "Error loading file!",
    "Konvertiere Register 0x%x von 16 bit zu 32 bit!",
    "Error in script on line %d!",
    "Fehler beim Lesen vom EEprom (Kommando FUN_PARAREAD)!",
    "RegNr Typ  Hexwert    Dezimalwert Bezeichnung          (interner Name) Beschreibung",
    "page %u of %u",
    "Tooltip Button Up",
    "Unknown register     ",
    "Combo box registers name 0",
    "Combo box registers id 0",
};

// Registers of several pages and widths: named, 32-bit, status, function and EEPROM ones.
const uint32_t kRepresentativeRegisters[] = {0x04, 0x1B, 0x2C, 0x30, 0x40, 0x65, 0x83, 0xB0, 0xF1, 0xF8};

TEST_F(CatalogueCompleteTest, EveryAreaIsTranslatedInEachLanguage) {
    struct Language {
        const char* code;
        wxLanguage language;
    };
    const Language languages[] = {{"de", wxLANGUAGE_GERMAN}, {"fr", wxLANGUAGE_FRENCH}, {"en", wxLANGUAGE_ENGLISH}};
    for (const Language& lang : languages) {
        ASSERT_TRUE(loadCatalogue(lang.language)) << lang.code;
        std::vector<std::string> keys(std::begin(kRepresentativeKeys), std::end(kRepresentativeKeys));
        keys.push_back(std::string("Torvex_") + lang.code + ".pdf");
        for (uint32_t reg : kRepresentativeRegisters) {
            keys.push_back(registerNameKey(reg));
            keys.push_back(regNameKey(reg));
            keys.push_back(regLabelKey(reg));
            keys.push_back(regCommentKey(reg));
            keys.push_back(regTooltipKey(reg));
        }
        for (const std::string& key : keys) {
            const wxString* text = lookUp(key);
            ASSERT_NE(text, nullptr) << lang.code << ": no translation of \"" << key << "\"";
            std::string translated = text->utf8_string();
            EXPECT_FALSE(translated.empty()) << lang.code << ": " << key;
            EXPECT_EQ(placeholders(translated), placeholders(key)) << lang.code << ": " << key;
        }
    }
}

TEST_F(CatalogueCompleteTest, KeysInTheOtherLanguageAreReallyTranslated) {
    // German keys must not reach an English or French user as they stand, nor English keys
    // a German or French user.
    const char* const germanKeys[] = {"Einen Moment bitte...", "Falsche Eingabe (keine Nummer)!",
                                      "Fehler beim Lesen des Registers 0x%x!", "Oszilloskop"};
    const char* const englishKeys[] = {"Drive is offline.", "Error loading file!", "Warning", "page %u of %u"};
    const std::pair<wxLanguage, bool> cases[] = {
        {wxLANGUAGE_GERMAN, false}, {wxLANGUAGE_FRENCH, true}, {wxLANGUAGE_ENGLISH, true}};
    for (const auto& [language, translatesGerman] : cases) {
        ASSERT_TRUE(loadCatalogue(language));
        for (const char* key : translatesGerman ? germanKeys : englishKeys) {
            const wxString* text = lookUp(key);
            ASSERT_NE(text, nullptr) << language << ": " << key;
            EXPECT_NE(text->utf8_string(), key) << language << ": " << key;
        }
    }
}

TEST_F(CatalogueCompleteTest, EveryNamedRegisterHasATooltipNamingItsNumber) {
    const std::pair<wxLanguage, const char*> languages[] = {
        {wxLANGUAGE_GERMAN, "de"}, {wxLANGUAGE_FRENCH, "fr"}, {wxLANGUAGE_ENGLISH, "en"}};
    for (const auto& [language, code] : languages) {
        ASSERT_TRUE(loadCatalogue(language)) << code;
        int tooltips = 0;
        for (uint32_t reg = 0; reg < kRegisterCount; ++reg) {
            if (registerNameKey(reg) == kUnknownRegisterName) continue;
            const wxString* text = lookUp(regTooltipKey(reg));
            ASSERT_NE(text, nullptr) << code << ": " << regTooltipKey(reg);
            char number[8];
            std::snprintf(number, sizeof number, "0x%02x", reg);
            EXPECT_NE(text->utf8_string().find(number), std::string::npos) << code << ": " << text->utf8_string();
            ++tooltips;
        }
        EXPECT_EQ(tooltips, 207) << code;
    }
}

}  // namespace
}  // namespace torvex::test
