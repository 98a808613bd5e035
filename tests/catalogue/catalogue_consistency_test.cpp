// The three shipped catalogues hold the same keys, each with a text, and every text keeps
// its key's printf placeholders in order. A key present in one language only would show
// the program's own wording to the users of the others; a lost or reordered placeholder
// would fill a message from the wrong argument.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string unquote(const std::string& line) {
    const size_t open = line.find('"');
    const size_t close = line.rfind('"');
    std::string text;
    if (open == std::string::npos || close <= open) return text;
    for (size_t i = open + 1; i < close; ++i) {
        if (line[i] == '\\' && i + 1 < close) {
            const char next = line[++i];
            text += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            text += line[i];
        }
    }
    return text;
}

// msgid -> msgstr of a .po file (the header entry left out).
std::map<std::string, std::string> readCatalogue(const std::string& path) {
    std::ifstream in(path);
    std::map<std::string, std::string> entries;
    std::string line, id, str, context;
    std::string* current = nullptr;
    bool haveEntry = false;
    auto finish = [&] {
        if (haveEntry && !id.empty()) entries[context + id] = str;
        id.clear();
        str.clear();
        context.clear();
        haveEntry = false;
        current = nullptr;
    };
    while (std::getline(in, line)) {
        if (line.rfind("msgctxt ", 0) == 0) {
            finish();
            context = unquote(line) + '\x04';
        } else if (line.rfind("msgid ", 0) == 0) {
            if (haveEntry) finish();
            id = unquote(line);
            current = &id;
            haveEntry = true;
        } else if (line.rfind("msgstr ", 0) == 0) {
            str = unquote(line);
            current = &str;
        } else if (!line.empty() && line[0] == '"' && current) {
            *current += unquote(line);
        }
    }
    finish();
    return entries;
}

// The printf conversions of a text: "%", flags, width and precision, an optional "l", and
// one of d u f x X s. A "%" followed by a blank ("100 % de") is no conversion.
std::vector<std::string> placeholders(const std::string& text) {
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        size_t j = i + 1;
        while (j < text.size() && std::string_view("-+#0123456789.").find(text[j]) != std::string_view::npos) ++j;
        if (j < text.size() && text[j] == 'l') ++j;
        if (j < text.size() && std::string_view("dufxXs").find(text[j]) != std::string_view::npos) {
            found.push_back(text.substr(i, j + 1 - i));
            i = j;
        }
    }
    return found;
}

// Keys kept as they were although their texts now fill in more than the key shows: the
// placeholders those texts carry instead of the key's.
const std::map<std::string, std::vector<std::string>> kPlaceholdersBeyondTheKey = {
    {"Can't load PCAN_USB.dll!", {"%s"}},  // the library file looked for
};

std::vector<std::string> expectedPlaceholders(const std::string& key) {
    auto found = kPlaceholdersBeyondTheKey.find(key);
    return found != kPlaceholdersBeyondTheKey.end() ? found->second : placeholders(key);
}

// "Torvex_de.pdf" and its siblings: each catalogue names the manual of its own language only.
bool isManualName(const std::string& key) {
    return key.size() == 13 && key.rfind("Torvex_", 0) == 0 && key.compare(9, 4, ".pdf") == 0;
}

TEST(CatalogueConsistency, EveryLanguageHoldsEveryKeyWithItsPlaceholders) {
    const char* const languages[] = {"de", "fr", "en"};
    std::map<std::string, std::map<std::string, std::string>> catalogues;
    std::set<std::string> allKeys;
    for (const char* lang : languages) {
        const std::string path = std::string(TORVEX_BINARY_DIR) + "/locale/" + lang + "/Torvex.po";
        catalogues[lang] = readCatalogue(path);
        ASSERT_GT(catalogues[lang].size(), 500u) << path;
        for (const auto& entry : catalogues[lang]) allKeys.insert(entry.first);
    }
    for (const std::string& key : allKeys) {
        if (isManualName(key)) continue;
        for (const char* lang : languages) {
            auto found = catalogues[lang].find(key);
            if (found == catalogues[lang].end()) {
                ADD_FAILURE() << lang << " lacks \"" << key << "\"";
                continue;
            }
            EXPECT_FALSE(found->second.empty()) << lang << ": empty text for \"" << key << "\"";
            EXPECT_EQ(placeholders(found->second), expectedPlaceholders(key)) << lang << ": \"" << key << "\"";
        }
    }
}

// The words of a text, lower case: runs of ASCII letters.
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> found;
    std::string word;
    for (char c : text + ' ') {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            word += char(c | 0x20);
        } else if (!word.empty()) {
            found.push_back(word);
            word.clear();
        }
    }
    return found;
}

// Many keys are the program's own English, spelling slips included; the English catalogue
// is what users read, so its texts must not carry them on.
TEST(CatalogueConsistency, EnglishTextsAvoidCommonMisspellings) {
    const std::set<std::string> misspelt = {
        "acces",      "accomodate", "adress",      "adresses",  "begining",    "calibraton", "comunication",
        "definately", "enviroment", "existant",    "intialise", "independant", "lenght",     "maximun",
        "minimun",    "neccessary", "occured",     "occurence", "occuring",    "paramter",   "paramters",
        "recieve",    "recieved",   "refered",     "seperate",  "succesful",   "succesfully", "sucessful",
        "temperture", "tolerence",  "transfered",  "untill",    "wich",        "writting"};
    const auto english = readCatalogue(std::string(TORVEX_BINARY_DIR) + "/locale/en/Torvex.po");
    ASSERT_GT(english.size(), 500u);
    for (const auto& [key, text] : english)
        for (const std::string& word : words(text))
            EXPECT_EQ(misspelt.count(word), 0u) << "\"" << text << "\" (key \"" << key << "\")";
}

TEST(CatalogueConsistency, ReaderTakesContinuedAndEscapedTexts) {
    const std::string path = ::testing::TempDir() + "torvex-catalogue-reader.po";
    std::ofstream(path) << "msgid \"\"\nmsgstr \"\"\n\"Language: de\\n\"\n\n"
                           "msgid \"Line\\none\"\nmsgstr \"\"\n\"Zeile\\n\"\n\"eins \\\"x\\\"\"\n\n"
                           "msgid \"Max %ld!\"\nmsgstr \"Höchstens %ld!\"\n";
    const auto entries = readCatalogue(path);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("Line\none"), "Zeile\neins \"x\"");
    EXPECT_EQ(placeholders(entries.at("Max %ld!")), std::vector<std::string>{"%ld"});
    EXPECT_TRUE(placeholders("100 % de la vitesse").empty());
}

}  // namespace
