// What leaves the status panel's errors field when a person copies from it. The field shows
// hyphenated words with non-breaking hyphens (status::keepHyphenatedWordsWhole); whoever
// pastes the copy, or searches a manual for it, needs the catalogue's plain hyphen.
#pragma once

class wxTextCtrl;

namespace torvex {

// From then on every way a selection leaves the multi-line field carries
// status::catalogueText of it: the copy (its keys and its own menu), a drag, and the
// selection a middle click pastes elsewhere. The field shows and selects as before. False
// (and the field left as it is) where the toolkit lacks a call this needs.
bool copyCatalogueText(wxTextCtrl* field);

}  // namespace torvex
