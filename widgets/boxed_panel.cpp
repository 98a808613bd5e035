#include "widgets/boxed_panel.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/sizer.h>

#include "link/i18n.h"

namespace torvex {

namespace {
const wxColour kPanelColour(129, 156, 214);
// The width of the frame line the toolkit draws around a box.
constexpr int kFrameLine = 1;
}  // namespace

TitledBox::TitledBox(wxWindow* parent, const wxString& title, const wxString& name)
    : wxStaticBox(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, 0, name) {}

void TitledBox::GetBordersForSizer(int* borderTop, int* borderOther) const {
    wxStaticBox::GetBordersForSizer(borderTop, borderOther);
    // The toolkit starts the contents below the title and the top line both.
    *borderTop += kFrameLine;
    *borderOther += kFrameLine;
}

wxStaticBoxSizer* newTitledBoxSizer(wxWindow* parent, const wxString& title, int orient, const wxString& name) {
    return new wxStaticBoxSizer(new TitledBox(parent, title, name), orient);
}

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
    wxSize room = size;
    // Two pixels of air above the box's bottom line: the panels are small.
    const int bottom = GetSize().GetHeight() - kFrameLine - 2;
    if (pos.y + room.y > bottom) room.y = std::max(1, bottom - pos.y);
    closeButton_ = new wxButton(this, wxID_ANY, wxString::FromUTF8(tr("Close")), pos, room);
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
