#include "services/file_chooser.h"

#include <wx/arrstr.h>

#include "link/i18n.h"
#include "services/ui_seam.h"

namespace torvex {

wxString withUpperCasePatterns(const wxString& wildcard) {
    wxString out;
    wxArrayString parts = wxSplit(wildcard, '|', '\0');
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '|';
        out += parts[i];
        if (i % 2 == 1) {
            wxArrayString patterns = wxSplit(parts[i], ';', '\0');
            for (const wxString& pattern : patterns)
                if (pattern.Upper() != pattern && parts[i].Find(pattern.Upper()) == wxNOT_FOUND)
                    out += ";" + pattern.Upper();
        }
    }
    return out;
}

wxString chooseFile(wxWindow* parent, const char* message, const wxString& directory, const wxString& name,
                    const char* wildcard, long style) {
    return ui::dialogs().fileSelector(parent, wxString::FromUTF8(tr(message)), directory, name,
                                      withUpperCasePatterns(wxString::FromUTF8(tr(wildcard))), style);
}

}  // namespace torvex
