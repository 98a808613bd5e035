#include "widgets/boxed_panel.h"

#include <wx/button.h>
#include <wx/statbox.h>

#include "link/i18n.h"

namespace torvex {

namespace {
const wxColour kPanelColour(129, 156, 214);
}  // namespace

BoxedPanel::BoxedPanel(wxWindow* parent, const wxPoint& pos, const wxSize& size, DriveConnection* drive,
                       const char* titleKey)
    : wxPanel(parent, wxID_ANY, pos, size, wxTAB_TRAVERSAL | wxBORDER_NONE, "panel"), drive_(drive) {
    SetBackgroundColour(kPanelColour);
    box_ = new wxStaticBox(this, wxID_ANY, wxString::FromUTF8(tr(titleKey)), wxPoint(0, 0), size);
    Bind(wxEVT_BUTTON, &BoxedPanel::onButton, this);
    Bind(wxEVT_CLOSE_WINDOW, &BoxedPanel::onClose, this);
}

bool BoxedPanel::Show(bool show) {
    shown_ = show;
    return wxPanel::Show(show);
}

void BoxedPanel::addCloseButton(const wxPoint& pos, const wxSize& size) {
    closeButton_ = new wxButton(this, wxID_ANY, wxString::FromUTF8(tr("Close")), pos, size);
}

void BoxedPanel::onButton(wxCommandEvent& event) {
    wxObject* source = event.GetEventObject();
    if (closeButton_ && source == closeButton_) {
        closePanel();
    } else if (!handleButton(source)) {
        event.Skip();
    }
}

void BoxedPanel::onClose(wxCloseEvent&) { closePanel(); }

void BoxedPanel::closePanel() {
    beforeClose();
    Show(false);
}

}  // namespace torvex
