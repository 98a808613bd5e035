#include "services/file_chooser.h"

#include <wx/arrstr.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>

#include "link/i18n.h"
#include "services/ui_seam.h"

namespace torvex {

namespace {

// The patterns of the wildcard's first file type ("*.vrf" of "Files (*.vrf)|*.vrf").
wxString firstTypePatterns(const wxString& wildcard) {
    wxArrayString parts = wxSplit(wildcard, '|', '\0');
    if (parts.empty()) return wxString();
    return parts.size() > 1 ? parts[1] : parts[0];
}

wxString withFileTypeExtension(const wxString& path, const wxString& wildcard) {
    return wxFileDialogBase::AppendExtension(path, firstTypePatterns(wildcard));
}

}  // namespace

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
    const wxString title = wxString::FromUTF8(tr(message));
    const wxString types = wxString::FromUTF8(tr(wildcard));
    const wxString path = ui::dialogs().fileSelector(parent, title, directory, name, withUpperCasePatterns(types), style);
    if (path.empty() || !(style & wxFD_SAVE)) return path;

    // The GTK save dialog takes a typed name as it stands; a file without its type's
    // extension would then be hidden by every dialog that opens such files.
    const wxString completed = withFileTypeExtension(path, types);
    // A folder is no name to complete: writing to it fails and says so.
    if (completed == path || wxDirExists(path)) return path;
    // The dialog asked about the name as typed, not about the file now written.
    if ((style & wxFD_OVERWRITE_PROMPT) && wxFileExists(completed)) {
        const wxString question = wxString::Format(
            wxString::FromUTF8(tr("The file '%s' already exists.\nDo you want to replace it?")), completed);
        if (ui::messageBox(question, title, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION, parent) != wxYES)
            return wxString();
    }
    return completed;
}

}  // namespace torvex
