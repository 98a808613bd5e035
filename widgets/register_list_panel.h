// A list of drive registers, one text line each (access class, value in hexadecimal and
// decimal, label, name, comment): every known register, or the selection listed in
// "Reglist.txt". A worker walk reads the values and hands the lines over one by one, so
// the window stays responsive while up to 256 registers are read. From here the user
// also saves the registers to a file and prints the lines.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include <wx/panel.h>

#include "widgets/register_list_walk.h"

class wxButton;
class wxScrolledWindow;
class wxTextCtrl;

namespace torvex {

class DriveConnection;

// The registers a list shows, in display order: 0..255 (allRegisters) or the numbers
// given (the selection file's), keeping only listed registers, numbers within 0..255 and
// the first of repeated numbers.
std::vector<uint32_t> registerListOrder(bool allRegisters, const std::vector<uint32_t>& selection);

class RegisterListPanel : public wxPanel {
public:
    // reserved: kept for callers that pass it; it changes nothing.
    RegisterListPanel(wxWindow* parent, bool reserved, const wxPoint& pos, const wxSize& size,
                      DriveConnection* drive, bool allRegisters);
    ~RegisterListPanel() override;

    // The three action buttons follow the online state; during a walk they stay off until
    // it ends, so that no second walk can be started beside it.
    void enableRegisterListButtons(bool enable);
    // Starts reading every line; nothing when a walk is already under way.
    void startRegisterListUpdate();
    // Stops a running walk and waits for it (at most one register read): the busy cursor
    // ends, the buttons follow the drive again. Called before the panel is hidden or goes.
    void stopRegisterListUpdate();
    // The connection changed (offline, another port, a viewed file): the values read
    // before are another connection's, so the lines show none until the next walk. A walk
    // under way goes on and reads the rest from the new connection.
    void dropRegisterValues();

    bool allRegisters() const { return allRegisters_; }
    bool isUpdating() const { return walk_.running(); }
    // The line of reg, null when the register has none.
    wxTextCtrl* lineControl(uint32_t reg) const { return reg < lines_.size() ? lines_[reg] : nullptr; }
    // The registers with a line, in the order shown.
    const std::vector<uint32_t>& shownRegisters() const { return order_; }
    wxTextCtrl* header() const { return header_; }
    wxButton* closeButton() const { return closeButton_; }
    wxButton* updateButton() const { return updateButton_; }
    wxButton* saveButton() const { return saveButton_; }
    wxButton* printButton() const { return printButton_; }
    RegisterListWalk& walk() { return walk_; }

private:
    bool driveUsable() const;
    void setActionButtons(bool enable);
    void endBusy();
    void onButton(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);
    void onLine(wxCommandEvent& event);
    void closePanel();

    DriveConnection* drive_;
    bool allRegisters_;
    std::array<wxTextCtrl*, 256> lines_{};
    std::vector<uint32_t> order_;
    wxTextCtrl* header_ = nullptr;
    wxScrolledWindow* scroller_ = nullptr;
    wxButton* closeButton_ = nullptr;
    wxButton* updateButton_ = nullptr;
    wxButton* saveButton_ = nullptr;
    wxButton* printButton_ = nullptr;
    bool busy_ = false;  // this panel holds one level of the busy cursor
    // The walk's values, handed over beside its line events: bit 32 set when read.
    std::array<std::atomic<uint64_t>, 256> walkValues_{};
    RegisterListWalk walk_;
};

}  // namespace torvex
