// Every message box and modal dialog of the program goes through here, so that tests
// answer and record them instead of waiting on a window.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

class wxWindow;
class wxDialog;
class wxPrintout;
class wxPrintDialogData;

namespace torvex::ui {

class DialogSeam {
public:
    virtual ~DialogSeam() = default;
    // A message box; returns wxOK, wxYES, wxNO or wxCANCEL.
    virtual int messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent);
    // The chosen index, or -1 when cancelled.
    virtual int singleChoice(const wxString& message, const wxString& caption, const wxArrayString& choices,
                             wxWindow* parent, int width, int height);
    // The chosen path, or an empty text when cancelled.
    virtual wxString fileSelector(wxWindow* parent, const wxString& message, const wxString& directory,
                                  const wxString& fileName, const wxString& wildcard, long style);
    // Shows a dialog of the program modally; returns its end code (wxID_OK, wxID_CANCEL, ...).
    // A test seam may fill the dialog's controls and return without showing it.
    virtual int showModal(wxDialog& dialog);
    // Prints through the print dialog offered with data; false when nothing was printed.
    // printError: the printer reported an error (as opposed to the user cancelling). After a
    // print, data holds the printer and settings chosen, to be offered next time.
    virtual bool print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data, bool* printError);
};

// What window code shows its boxes and dialogs through. During a command that holds the
// window, the clicks and keys made so far are dropped first (as the hold drops them at its
// end): a key pressed while the window looked busy must not answer a box that appears
// afterwards. Then the installed seam shows it.
class Dialogs {
public:
    int messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent);
    int singleChoice(const wxString& message, const wxString& caption, const wxArrayString& choices,
                     wxWindow* parent, int width, int height);
    wxString fileSelector(wxWindow* parent, const wxString& message, const wxString& directory,
                          const wxString& fileName, const wxString& wildcard, long style);
    int showModal(wxDialog& dialog);
    bool print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data, bool* printError);
};

Dialogs& dialogs();
// Installs a seam (the program's default when null); returns the previous one. Not owned.
DialogSeam* setDialogSeam(DialogSeam* seam);

// Routes the link library's message boxes through the seam: on the GUI thread at once,
// from a worker thread handed to the GUI thread without waiting (the answer is wxOK).
void installMessageHandler();

// Shorthand for window code.
int messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent = nullptr);

}  // namespace torvex::ui
