#include "services/catalogue.h"

#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>

#include "link/i18n.h"

namespace torvex {

void addCatalogueLookupPrefixes() {
    // The loader ignores a prefix it already knows, so calling this again is harmless.
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(".");
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix("..");
    wxString exeFolder = wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetPath();
    if (!exeFolder.empty()) {
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(exeFolder);
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(exeFolder + "/locale");
    }
#ifdef TORVEX_DATA_DIR
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(TORVEX_DATA_DIR "/locale");
#endif
#ifdef TORVEX_BINARY_DIR
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(TORVEX_BINARY_DIR "/locale");
#endif
}

bool loadCatalogue(wxLanguage language) {
    // A damaged catalogue file would otherwise end in a log box; untranslated texts are
    // the documented outcome of any catalogue problem.
    wxLogNull quiet;
    addCatalogueLookupPrefixes();
    auto* translations = new wxTranslations;
    translations->SetLanguage(language);
    wxTranslations::Set(translations);  // deletes the previous one
    // The library's own texts (standard buttons and dialogs) where its catalogue is installed;
    // the tool's catalogue, added last, is searched first.
    translations->AddStdCatalog();
    translations->AddCatalog(kCatalogueName);
    return translations->IsLoaded(kCatalogueName);
}

void unloadCatalogue() { wxTranslations::Set(nullptr); }

wxString translate(const wxString& key) {
    if (key.empty()) return key;  // the empty key would find the catalogue's header
    const wxTranslations* translations = wxTranslations::Get();
    if (!translations) return key;
    // The lookup of wxGetTranslation, without its cache of untranslated texts.
    const wxString* text = translations->GetTranslatedString(key);
    return text ? *text : key;
}

void installCatalogueTranslator() {
    setTranslator([](const std::string& key) { return translate(wxString::FromUTF8(key)).utf8_string(); });
}

}  // namespace torvex
