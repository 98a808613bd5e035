#include "pages/diagnose_page.h"

#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/sizer.h>

#include "link/i18n.h"
#include "widgets/information_panel.h"
#include "widgets/manual_rw_panel.h"
#include "widgets/register_list_panel.h"
#include "widgets/track_panel.h"

namespace torvex {

namespace {

struct ButtonRow {
    const char* labelKey;
    const char* tooltipKey;
    bool enabled;
};

// Labels and tooltips as the catalogue has them; the last four stay off in every state.
constexpr ButtonRow kButtons[DiagnosePage::kButtonCount] = {
    {"Manual Read/Write", "Opens a dialog to read/write specific registers", true},
    {"Track", "Tooltip button Track", true},
    {"Information", "Tooltip button Information", true},
    {"Show all registers", "Opens a dialog with all registers", true},
    {"Show selection of registers", "Tooltip button Show selection of registers", true},
    {"Auto-Reso", "Tootlip button Auto-Reso", false},
    {"Auto-Optimize", "Tootlip button Auto-Optimize", false},
    {"Script", "Tootlip button Script", false},
    {"Error-Log", "Tooltip button Error-Log", false},
};

const wxPoint kListPosition(0, 200);
const wxSize kListSize(800, 405);
// The three small panels stand side by side right of the buttons, none reaching into the
// next (a covered panel loses its frame line, its title and the start of its rows); the
// information panel ends where the register list does.
const wxRect kManualPlace(160, 0, 240, 195);
const wxRect kTrackPlace(400, 0, 250, 195);
const wxRect kInformationPlace(650, 35, 150, 95);

wxString translated(const char* key) { return wxString::FromUTF8(tr(key)); }

// The page colour with the places of the panels marked and named, so that the empty
// page tells what its buttons open.
wxBitmap drawDiagnosePicture() {
    wxBitmap picture = builtinPagePicture(PagePicture::Diagnose);
    wxMemoryDC dc(picture);
    if (!dc.IsOk()) return picture;
    dc.SetPen(wxPen(wxColour(90, 110, 160), 1, wxPENSTYLE_SHORT_DASH));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetTextForeground(wxColour(40, 52, 90));
    struct Place {
        wxRect rect;
        const char* captionKey;
    };
    const Place places[] = {
        {wxRect(160, 0, 235, 195), "Manual Read/Write"},
        {wxRect(400, 0, 245, 195), "Track"},
        {kInformationPlace, "Information"},
        {wxRect(kListPosition, kListSize), "Show all registers"},
    };
    for (const Place& place : places) {
        dc.DrawRectangle(place.rect);
        dc.DrawLabel(translated(place.captionKey), place.rect, wxALIGN_CENTER);
    }
    dc.SelectObject(wxNullBitmap);
    return picture;
}

DrivePageOptions pageOptions() {
    DrivePageOptions options;
    options.builtinPicture = PagePicture::Diagnose;
    options.drawBuiltinPicture = &drawDiagnosePicture;
    return options;
}

}  // namespace

DiagnosePage::DiagnosePage(wxWindow* notebook, DriveConnection* drive)
    : DrivePage(notebook, drive, nullptr, pageOptions()) {
    auto* column = new wxBoxSizer(wxVERTICAL);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new wxButton(this, wxID_ANY, translated(kButtons[i].labelKey), wxDefaultPosition,
                                    wxSize(150, 20), 0, wxDefaultValidator, "button");
        button->SetToolTip(translated(kButtons[i].tooltipKey));
        if (!kButtons[i].enabled) button->Disable();
        column->Add(button, 0, i == 0 ? (wxLEFT | wxTOP) : wxLEFT, 5);
        buttons_[size_t(i)] = button;
    }
    SetAutoLayout(true);
    SetSizer(column);
    column->SetSizeHints(this);
    column->Fit(this);
    SetMinSize(wxSize(kPagePictureWidth, kPagePictureHeight));
}

bool DiagnosePage::handleButton(wxCommandEvent& event) {
    wxObject* source = event.GetEventObject();
    if (source == buttons_[kAllRegistersButton]) {
        showRegisterList(true);
    } else if (source == buttons_[kSelectionButton]) {
        showRegisterList(false);
    } else if (source == buttons_[kManualButton]) {
        if (!manual_)
            manual_ = new ManualReadWritePanel(this, kManualPlace.GetPosition(), kManualPlace.GetSize(), drive());
        manual_->Show();
    } else if (source == buttons_[kTrackButton]) {
        TrackPanel* track = track_.load();
        if (!track) {
            track = new TrackPanel(this, kTrackPlace.GetPosition(), kTrackPlace.GetSize(), drive());
            track_ = track;
        }
        track->Show();
        track->Refresh(true);
    } else if (source == buttons_[kInformationButton]) {
        InformationPanel* information = information_.load();
        if (!information) {
            information =
                new InformationPanel(this, kInformationPlace.GetPosition(), kInformationPlace.GetSize(), drive());
            information_ = information;
        }
        information->Show();
    } else {
        return false;
    }
    return true;
}

void DiagnosePage::showRegisterList(bool allRegisters) {
    RegisterListPanel*& shown = allRegisters ? allRegisters_ : selection_;
    RegisterListPanel*& other = allRegisters ? selection_ : allRegisters_;
    if (other) {
        // Its destructor stops and joins its walk before the window goes.
        other->Destroy();
        other = nullptr;
    }
    if (!shown) shown = new RegisterListPanel(this, false, kListPosition, kListSize, drive(), allRegisters);
    shown->Show();
}

bool DiagnosePage::cyclicUpdate(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (TrackPanel* track = track_.load()) {
        if (!track->refreshTrackPanel(onlyIfShown)) return false;
    }
    if (InformationPanel* information = information_.load()) return information->refreshInformationPanel(onlyIfShown);
    return true;
}

bool DiagnosePage::readFromDrive(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (TrackPanel* track = track_.load()) {
        if (!track->refreshTrackPanel(true)) return false;
    }
    if (InformationPanel* information = information_.load()) {
        if (!information->refreshInformationPanel(true)) return false;
    }
    // Every page was just read: the manual panel's writes are settled.
    if (manual_) manual_->clearWrittenThroughPanel();
    return true;
}

void DiagnosePage::setOnline(bool online) {
    for (RegisterListPanel* list : {allRegisters_, selection_}) {
        if (!list) continue;
        // Printed as they stand, old values would pass for the new connection's.
        list->dropRegisterValues();
        list->enableRegisterListButtons(online);
    }
}

void DiagnosePage::onPageLeft() {
    if (manual_) manual_->notifyManualWrites();
}

void DiagnosePage::onRegisterChanged(int, const wxString&) {}

void DiagnosePage::reloadRegisterChoices() {
    if (TrackPanel* track = track_.load()) track->reloadTrackChoices();
}

}  // namespace torvex
