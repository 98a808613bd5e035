// The file dialog of the program's file commands: title and wildcard from the catalogue,
// and the wildcard's patterns also in upper case.
#pragma once

#include <wx/string.h>

class wxWindow;

namespace torvex {

// GTK matches file patterns case-sensitively; files copied from other systems often carry
// upper-case extensions, so each pattern is offered in upper case as well.
wxString withUpperCasePatterns(const wxString& wildcard);

// The chosen path, or an empty text when cancelled. message and wildcard are catalogue keys.
wxString chooseFile(wxWindow* parent, const char* message, const wxString& directory, const wxString& name,
                    const char* wildcard, long style);

}  // namespace torvex
