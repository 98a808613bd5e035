// What the small diagnostic panels share: the page colour, a titled box around their
// controls, a "Close" button that only hides the panel, and a shown flag that worker
// threads may read (they must not ask the toolkit).
#pragma once

#include <atomic>

#include <wx/panel.h>

class wxButton;
class wxStaticBox;

namespace torvex {

class DriveConnection;

class BoxedPanel : public wxPanel {
public:
    BoxedPanel(wxWindow* parent, const wxPoint& pos, const wxSize& size, DriveConnection* drive,
               const char* titleKey);

    bool Show(bool show = true) override;
    // Whether the panel itself is shown; kept on the GUI thread, read from any thread.
    bool isPanelShown() const { return shown_.load(); }

    DriveConnection* drive() const { return drive_; }
    wxButton* closeButton() const { return closeButton_; }
    wxStaticBox* box() const { return box_; }

protected:
    // Places the "Close" button; the panels call it after their own controls.
    void addCloseButton(const wxPoint& pos, const wxSize& size);
    // Before the panel hides itself through Close.
    virtual void beforeClose() {}
    // A button of the panel other than Close; false lets the event travel on.
    virtual bool handleButton(wxObject* source) { return false; }

private:
    void onButton(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);
    void closePanel();

    DriveConnection* drive_;
    wxStaticBox* box_ = nullptr;
    wxButton* closeButton_ = nullptr;
    std::atomic<bool> shown_{true};
};

}  // namespace torvex
