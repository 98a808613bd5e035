#include "services/ui_seam.h"

#include <wx/app.h>
#include <wx/choicdlg.h>
#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/print.h>
#include <wx/thread.h>

#include "link/message_seam.h"
#include "services/window_hold.h"

#include <algorithm>

static_assert(torvex::kMsgOk == wxOK && torvex::kMsgYes == wxYES && torvex::kMsgNo == wxNO &&
                  torvex::kMsgCancel == wxCANCEL && torvex::kMsgIconError == wxICON_ERROR &&
                  torvex::kMsgIconExclamation == wxICON_EXCLAMATION &&
                  torvex::kMsgIconQuestion == wxICON_QUESTION &&
                  torvex::kMsgIconInformation == wxICON_INFORMATION,
              "the link library's box styles must be the GUI library's");

namespace torvex::ui {

namespace {
DialogSeam g_defaultSeam;
DialogSeam* g_seam = &g_defaultSeam;
}  // namespace

int DialogSeam::messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent) {
    return wxMessageBox(text, caption, style, parent);
}

int DialogSeam::singleChoice(const wxString& message, const wxString& caption, const wxArrayString& choices,
                             wxWindow* parent, int width, int height) {
    wxSingleChoiceDialog dialog(parent, message, caption, choices);
    // The list always shows its scroll bar; the library's default list is so short that GTK
    // complains about the bar and cuts the last choice. Room for every choice (up to ten rows).
    for (wxWindow* child : dialog.GetChildren()) {
        if (auto* list = dynamic_cast<wxListBox*>(child)) {
            int rows = std::min<int>(static_cast<int>(choices.size()), 10);
            int rowHeight = list->GetCharHeight() + 12;
            list->SetMinSize(wxSize(std::max(width, 150), std::max(rows, 3) * rowHeight + 8));
        }
    }
    dialog.Fit();
    dialog.Centre();
    if (dialog.ShowModal() != wxID_OK) return -1;
    return dialog.GetSelection();
}

wxString DialogSeam::fileSelector(wxWindow* parent, const wxString& message, const wxString& directory,
                                  const wxString& fileName, const wxString& wildcard, long style) {
    wxFileDialog dialog(parent, message, directory, fileName, wildcard, style);
    if (dialog.ShowModal() != wxID_OK) return wxString();
    return dialog.GetPath();
}

int DialogSeam::showModal(wxDialog& dialog) { return dialog.ShowModal(); }

bool DialogSeam::print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data, bool* printError) {
    wxPrinter printer(&data);
    bool ok = printer.Print(parent, &printout, true);
    if (ok) data = printer.GetPrintDialogData();
    if (printError) *printError = !ok && wxPrinter::GetLastError() == wxPRINTER_ERROR;
    return ok;
}

int Dialogs::messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent) {
    WindowHold::dropHeldInput();
    return g_seam->messageBox(text, caption, style, parent);
}

int Dialogs::singleChoice(const wxString& message, const wxString& caption, const wxArrayString& choices,
                          wxWindow* parent, int width, int height) {
    WindowHold::dropHeldInput();
    return g_seam->singleChoice(message, caption, choices, parent, width, height);
}

wxString Dialogs::fileSelector(wxWindow* parent, const wxString& message, const wxString& directory,
                               const wxString& fileName, const wxString& wildcard, long style) {
    WindowHold::dropHeldInput();
    return g_seam->fileSelector(parent, message, directory, fileName, wildcard, style);
}

int Dialogs::showModal(wxDialog& dialog) {
    WindowHold::dropHeldInput();
    return g_seam->showModal(dialog);
}

bool Dialogs::print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data, bool* printError) {
    WindowHold::dropHeldInput();
    return g_seam->print(parent, printout, data, printError);
}

Dialogs& dialogs() {
    static Dialogs front;
    return front;
}

DialogSeam* setDialogSeam(DialogSeam* seam) {
    DialogSeam* previous = g_seam;
    g_seam = seam ? seam : &g_defaultSeam;
    return previous;
}

int messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent) {
    return torvex::messageBox(text.utf8_string(), caption.utf8_string(), style, parent);
}

void installMessageHandler() {
    torvex::setMessageHandler([](const MessageRequest& request) -> int {
        wxString text = wxString::FromUTF8(request.text);
        wxString caption = wxString::FromUTF8(request.caption);
        auto* parent = static_cast<wxWindow*>(request.parent);
        if (wxThread::IsMain()) return dialogs().messageBox(text, caption, request.style, parent);
        // A worker may hold the connection lock: never wait for the GUI thread here.
        if (wxTheApp) {
            long style = request.style;
            wxTheApp->CallAfter([text, caption, style] { dialogs().messageBox(text, caption, style, nullptr); });
        }
        return wxOK;
    });
}

}  // namespace torvex::ui
