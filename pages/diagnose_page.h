// The Diagnose page: a column of buttons that open the diagnostic panels at fixed places
// (the register list of all registers or of the selection, manual read/write, track and
// information). The page reads no register itself; its page operations go to the panels
// that exist.
#pragma once

#include <array>
#include <atomic>

#include "pages/drive_page.h"

class wxButton;

namespace torvex {

class DriveConnection;
class RegisterListPanel;
class ManualReadWritePanel;
class TrackPanel;
class InformationPanel;

class DiagnosePage : public DrivePage {
public:
    enum Button {
        kManualButton,
        kTrackButton,
        kInformationButton,
        kAllRegistersButton,
        kSelectionButton,
        kAutoResoButton,
        kAutoOptimizeButton,
        kScriptButton,
        kErrorLogButton,
        kButtonCount
    };

    DiagnosePage(wxWindow* notebook, DriveConnection* drive);

    // Refreshes the open track and information panels; false at the first failed read.
    // A full read also settles the manual panel's writes.
    bool readFromDrive(bool onlyIfShown);
    // The polling thread's refresh of the open track and information panels.
    bool cyclicUpdate(bool onlyIfShown);
    void setOnline(bool online);
    void onPageLeft();
    void onRegisterChanged(int reg, const wxString& text);
    void reloadRegisterChoices();

    wxButton* button(Button which) const { return buttons_[which]; }
    RegisterListPanel* allRegistersPanel() const { return allRegisters_; }
    RegisterListPanel* selectionPanel() const { return selection_; }
    ManualReadWritePanel* manualPanel() const { return manual_; }
    TrackPanel* trackPanel() const { return track_.load(); }
    InformationPanel* informationPanel() const { return information_.load(); }

protected:
    bool handleButton(wxCommandEvent& event) override;

private:
    void showRegisterList(bool allRegisters);

    std::array<wxButton*, kButtonCount> buttons_{};
    RegisterListPanel* allRegisters_ = nullptr;
    RegisterListPanel* selection_ = nullptr;
    ManualReadWritePanel* manual_ = nullptr;
    // Read by the polling thread: published once the panel is fully built.
    std::atomic<TrackPanel*> track_{nullptr};
    std::atomic<InformationPanel*> information_{nullptr};
};

}  // namespace torvex
