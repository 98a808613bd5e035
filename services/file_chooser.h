// The file dialog of the program's file commands: title and wildcard from the catalogue,
// the wildcard's patterns also in upper case, and a save name typed without extension completed.
#pragma once

#include <wx/string.h>

class wxWindow;

namespace torvex {

// GTK matches file patterns case-sensitively; files copied from other systems often carry
// upper-case extensions, so each pattern is offered in upper case as well.
wxString withUpperCasePatterns(const wxString& wildcard);

// The chosen path, or an empty text when cancelled. message and wildcard are catalogue keys.
// A save dialog's name without an extension gets the one of the wildcard's first file type
// ("motor1" -> "motor1.vrf"); a name with an extension stays as typed. When the file so
// completed exists already, the user is asked before it is replaced (No: an empty text).
wxString chooseFile(wxWindow* parent, const char* message, const wxString& directory, const wxString& name,
                    const char* wildcard, long style);

}  // namespace torvex
