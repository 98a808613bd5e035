#include "widgets/register_list_panel.h"

#include <wx/button.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/limits.h"
#include "link/message_seam.h"
#include "link/register_lines.h"
#include "services/register_printout.h"
#include "services/ui_seam.h"
#include "widgets/events.h"

namespace torvex {

namespace {

const wxColour kListColour(106, 133, 191);

wxString translated(const char* key) { return wxString::FromUTF8(tr(key)); }

wxFont listFont() { return wxFont(8, wxFONTFAMILY_MODERN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL); }

}  // namespace

std::vector<uint32_t> registerListOrder(bool allRegisters, const std::vector<uint32_t>& selection) {
    std::vector<uint32_t> order;
    std::array<bool, 256> taken{};
    auto take = [&](uint32_t reg) {
        // The line tables have one entry per register: a number beyond them, or one
        // already listed, gets no (second) line.
        if (reg >= taken.size() || taken[reg] || !isListedRegister(reg)) return;
        taken[reg] = true;
        order.push_back(reg);
    };
    if (allRegisters) {
        for (uint32_t reg = 0; reg < taken.size(); ++reg) take(reg);
    } else {
        for (uint32_t reg : selection) take(reg);
    }
    return order;
}

RegisterListPanel::RegisterListPanel(wxWindow* parent, bool /*reserved*/, const wxPoint& pos, const wxSize& size,
                                     DriveConnection* drive, bool allRegisters)
    : wxPanel(parent, wxID_ANY, pos, size, wxTAB_TRAVERSAL | wxBORDER_NONE, "panel"),
      drive_(drive),
      allRegisters_(allRegisters),
      walk_(drive) {
    SetBackgroundColour(kListColour);
    auto* mainSizer = new wxBoxSizer(wxVERTICAL);

    header_ = new wxTextCtrl(this, wxID_ANY, translated(kRegisterListHeader), wxDefaultPosition,
                             wxSize(size.GetWidth() + 6, 20), wxTE_READONLY);
    header_->SetFont(listFont());
    mainSizer->Add(header_, 0, wxLEFT, 2);

    scroller_ = new wxScrolledWindow(this, wxID_ANY, wxDefaultPosition, wxSize(size.GetWidth(), size.GetHeight() - 50),
                                     wxSUNKEN_BORDER | wxVSCROLL, "All registers");
    scroller_->SetFont(listFont());
    scroller_->SetScrollRate(10, 10);
    auto* lineSizer = new wxBoxSizer(wxVERTICAL);

    std::vector<uint32_t> selection;
    if (!allRegisters_) readNumberList(installationFile(kRegisterListFileName), selection);
    order_ = registerListOrder(allRegisters_, selection);
    for (uint32_t reg : order_) {
        auto* line = new wxTextCtrl(scroller_, wxID_ANY, wxString::FromUTF8(RegisterListWalk::lineFor(reg, nullptr)),
                                    wxDefaultPosition, wxSize(600, 20), wxTE_READONLY);
        line->SetFont(listFont());
        lines_[reg] = line;
        lineSizer->Add(line, 1, wxEXPAND);
    }
    scroller_->SetSizer(lineSizer);
    mainSizer->Add(scroller_, 1, wxEXPAND | wxFIXED_MINSIZE);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    closeButton_ = new wxButton(this, wxID_ANY, translated("Close"));
    updateButton_ = new wxButton(this, wxID_ANY, translated("Update"));
    saveButton_ = new wxButton(this, wxID_ANY,
                               translated(allRegisters_ ? "Save all registers" : "Save selection of registers"));
    printButton_ = new wxButton(this, wxID_ANY,
                                translated(allRegisters_ ? "Print all registers" : "Print selection of registers"));
    // A horizontal row takes no horizontal alignment: the row itself is centred.
    for (wxButton* button : {closeButton_, updateButton_, saveButton_, printButton_}) buttons->Add(button, 0, wxALL, 5);
    mainSizer->Add(buttons, 0, wxALIGN_CENTER_HORIZONTAL);
    setActionButtons(driveUsable());

    Bind(wxEVT_BUTTON, &RegisterListPanel::onButton, this);
    Bind(wxEVT_CHECKBOX, &RegisterListPanel::onButton, this);
    Bind(wxEVT_CLOSE_WINDOW, &RegisterListPanel::onClose, this);
    Bind(RegisterListLineEvent, &RegisterListPanel::onLine, this);

    SetSizer(mainSizer);
    if (driveUsable()) startRegisterListUpdate();
    mainSizer->Fit(this);
}

RegisterListPanel::~RegisterListPanel() {
    // The walk posts to this panel: it must be over before the panel goes.
    walk_.stop();
    endBusy();
}

bool RegisterListPanel::driveUsable() const { return drive_ && drive_->isConnected(); }

void RegisterListPanel::setActionButtons(bool enable) {
    updateButton_->Enable(enable);
    saveButton_->Enable(enable);
    printButton_->Enable(enable);
}

void RegisterListPanel::endBusy() {
    if (!busy_) return;
    busy_ = false;
    wxEndBusyCursor();
}

void RegisterListPanel::enableRegisterListButtons(bool enable) {
    // Mid-walk the end of the walk decides; enabling now would offer a second Update.
    if (walk_.running()) return;
    setActionButtons(enable);
}

void RegisterListPanel::startRegisterListUpdate() {
    if (walk_.running()) return;
    if (!busy_) {
        wxBeginBusyCursor();
        busy_ = true;
    }
    setActionButtons(false);
    std::array<bool, 256> hasLine{};
    for (size_t reg = 0; reg < lines_.size(); ++reg) hasLine[reg] = lines_[reg] != nullptr;
    wxEvtHandler* self = this;
    auto* values = &walkValues_;
    uint64_t started = walk_.start(hasLine, [self, values](int reg, const uint32_t* value, uint64_t walk) {
        // The value travels beside the event; the GUI thread makes the line.
        if (reg >= 0) (*values)[size_t(reg)] = value ? (uint64_t(1) << 32) | *value : 0;
        auto* event = new wxCommandEvent(RegisterListLineEvent, 0);
        event->SetInt(reg);
        event->SetExtraLong(static_cast<long>(walk));
        self->QueueEvent(event);
    });
    if (started == 0) {
        // No walk, so no end marker will come: undo what it would have undone.
        endBusy();
        setActionButtons(driveUsable());
    }
}

void RegisterListPanel::stopRegisterListUpdate() {
    if (!walk_.running()) return;
    walk_.stop();
    // Its end marker (maybe still queued) belongs to a walk that is no longer current
    // and is ignored; the cursor and buttons are put right here instead.
    endBusy();
    setActionButtons(driveUsable());
}

void RegisterListPanel::dropRegisterValues() {
    if (walk_.running()) return;
    for (uint32_t reg : order_) {
        if (wxTextCtrl* line = lineControl(reg))
            line->ChangeValue(wxString::FromUTF8(RegisterListWalk::lineFor(reg, nullptr)));
    }
}

void RegisterListPanel::onLine(wxCommandEvent& event) {
    const uint64_t walk = static_cast<uint64_t>(event.GetExtraLong());
    if (walk == 0 || walk != walk_.currentWalk()) return;
    const int reg = event.GetInt();
    if (reg == RegisterListWalk::kEndMarker) {
        walk_.finished(walk);
        endBusy();
        // Went offline meanwhile: the buttons wait for enableRegisterListButtons.
        if (driveUsable()) setActionButtons(true);
        return;
    }
    wxTextCtrl* line = lineControl(static_cast<uint32_t>(reg));
    if (!line) return;
    const uint64_t packed = walkValues_[size_t(reg)].load();
    const uint32_t value = static_cast<uint32_t>(packed);
    line->ChangeValue(wxString::FromUTF8(RegisterListWalk::lineFor(uint32_t(reg), (packed >> 32) ? &value : nullptr)));
}

void RegisterListPanel::onButton(wxCommandEvent& event) {
    wxObject* source = event.GetEventObject();
    if (source == updateButton_) {
        if (driveUsable()) {
            startRegisterListUpdate();
        } else {
            ui::messageBox(translated("Drive is offline!"), translated(kCaptionError), wxOK | wxICON_ERROR);
        }
    } else if (source == saveButton_) {
        sendProgramEventToParent(this, SaveRegistersEvent, allRegisters_ ? 1 : 0);
    } else if (source == printButton_) {
        printRegisterListLines(this, lines_.data(), allRegisters_);
    } else if (source == closeButton_) {
        closePanel();
    } else {
        event.Skip();
    }
}

void RegisterListPanel::onClose(wxCloseEvent&) { closePanel(); }

void RegisterListPanel::closePanel() {
    stopRegisterListUpdate();
    Show(false);
}

}  // namespace torvex
