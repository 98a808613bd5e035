// The message catalogue "Torvex": every text the tool shows is looked up in the catalogue of
// the chosen language. A key the catalogue lacks, or any key when no catalogue was found,
// comes back unchanged, and nothing is reported.
#pragma once

#include <wx/language.h>
#include <wx/string.h>

namespace torvex {

inline constexpr const char* kCatalogueName = "Torvex";

// Where catalogues are looked for, as <prefix>/<lang>/Torvex.mo or
// <prefix>/<lang>/LC_MESSAGES/Torvex.mo, in this order: ".", "..", the executable's folder,
// its "locale" subfolder, the installed data folder and the build tree's catalogues.
void addCatalogueLookupPrefixes();

// Makes the catalogue of language the one in use (replacing any loaded before).
// wxLANGUAGE_DEFAULT follows the system's language. Needs no system locale of that
// language and shows nothing when it finds no catalogue. Returns whether one was loaded.
bool loadCatalogue(wxLanguage language);

// Drops every translation: each key then comes back unchanged.
void unloadCatalogue();

// The translation of key, or key itself. Safe from any thread once loading is done.
wxString translate(const wxString& key);

// Routes the drive-link code's tr() through translate().
void installCatalogueTranslator();

}  // namespace torvex
