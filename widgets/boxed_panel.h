// What the small diagnostic panels share: the page colour, a titled box around their
// controls, a "Close" button that only hides the panel, and a shown flag that worker
// threads may read (they must not ask the toolkit). Also the titled box that every
// sizer-built box of the pages and the status panel is made of.
#pragma once

#include <atomic>

#include <wx/panel.h>
#include <wx/statbox.h>

class wxButton;
class wxStaticBoxSizer;

namespace torvex {

class DriveConnection;

// The air a titled box leaves between its frame line or title and what it holds.
inline constexpr int kTitledBoxAir = 4;

// A titled box for a wxStaticBoxSizer. The toolkit draws the box's frame line inside the
// box's own rectangle but does not count it among the borders it tells the sizer of: the
// contents would run under the line on the right and at the bottom (and, when they are the
// box's siblings, on the left too). This box counts the line in; add the contents with
// kTitledBoxAir on every side to keep them clear of it.
class TitledBox : public wxStaticBox {
public:
    TitledBox(wxWindow* parent, const wxString& title, const wxString& name = "groupBox");
    void GetBordersForSizer(int* borderTop, int* borderOther) const override;
};

// A sizer around a new TitledBox.
wxStaticBoxSizer* newTitledBoxSizer(wxWindow* parent, const wxString& title, int orient,
                                    const wxString& name = "groupBox");

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
    // Places the "Close" button; the panels call it after their own controls. A button
    // reaching into the box's frame line is cut back to keep clear of it.
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
