// What every notebook page with register fields shares: the panel with its font,
// colour, minimum size and background picture; Enter in a field (commit and the
// register-changed notice to the frame); the Up and Down step buttons; and the
// remembered focus that brings the cursor back to the field the user worked in.
#pragma once

#include <atomic>
#include <optional>
#include <vector>

#include <wx/bitmap.h>
#include <wx/panel.h>

#include "link/limits.h"
#include "pages/page_table.h"
#include "resources/builtin_picture.h"
#include "widgets/field_logic.h"

class wxButton;
class wxDC;

namespace torvex {

class DriveConnection;
class RegisterEdit;
class RegisterDisplay;
class RegisterTextEdit;
class RegisterBitLabel;

struct DrivePageOptions {
    bool smallFont = false;                    // characters 11 pixels high
    bool minimumSize = true;                   // at least 831 x 619
    wxString pictureFile;                      // e.g. "pictures/Settings.bmp"; empty: built-in only
    PagePicture builtinPicture = PagePicture::Settings;
    wxEventType refocusEvent = wxEVT_NULL;     // the page's own refocus event, if it has one
    // Draws the page's own built-in picture (its blocks and captions); null: the plain
    // background of builtinPicture.
    wxBitmap (*drawBuiltinPicture)() = nullptr;
};

class DrivePage : public wxPanel {
public:
    DrivePage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits, const DrivePageOptions& options);

    // Puts the cursor back into the field the user last worked in, else the default field.
    void restoreFocus();
    void onPageSelected() { restoreFocus(); }

    // A page that is not the notebook's selected one keeps its windows out of the idle
    // rounds (see drive_page.cpp).
    bool SendIdleEvents(wxIdleEvent& event) override;

    DriveConnection* drive() const { return drive_; }
    RegisterLimits* limits() const { return limits_; }
    const std::vector<RegisterEdit*>& editList() const { return edits_; }
    const std::vector<RegisterDisplay*>& displayList() const { return displays_; }
    const std::vector<RegisterBitLabel*>& lampList() const { return lamps_; }
    // Every row built by buildControls, and the control made for it (same index).
    const std::vector<ControlRow>& tableRows() const { return tableRows_; }
    const std::vector<wxWindow*>& tableControls() const { return tableControls_; }

    // Whether the page is the notebook's selected one. Kept by the frame on the GUI
    // thread and read by the polling thread, which must not ask the toolkit.
    bool isPageShown() const { return shown_.load(); }
    void setPageShown(bool shown) { shown_ = shown; }
    wxWindow* lastFocused() const { return lastFocused_; }
    RegisterEdit* defaultField() const { return defaultField_; }
    RegisterTextEdit* axisNameField() const { return axisNameField_; }
    wxButton* upButton() const { return upButton_; }
    wxButton* downButton() const { return downButton_; }
    // The picture is made when it is first needed (the first paint), not with the page:
    // most pages are never shown in a run.
    const wxBitmap& backgroundPicture() const;
    // What the page itself paints under its controls: background, picture, painted texts.
    void renderPage(wxDC& dc);
    bool pictureFromFile() const;

    // Building the page's own controls.
    RegisterEdit* addEdit(RegisterEdit* field);
    RegisterDisplay* addDisplay(RegisterDisplay* display);
    // Builds one control per row, in row order (the tab order), adds edits and displays
    // to their lists when the row says so and lamps to the lamp list. Returns the
    // controls, one per row.
    std::vector<wxWindow*> buildControls(const std::vector<ControlRow>& rows);
    void setDefaultField(RegisterEdit* field) { defaultField_ = field; }
    // The axis-name field takes part in Enter and focus beside the edit list.
    void setAxisNameField(RegisterTextEdit* field) { axisNameField_ = field; }
    void createUpDownButtons(const wxPoint& upPosition, const wxPoint& downPosition, const wxSize& size);

    // The units a field of the edit list shows its register in; a change notice carries
    // the sender's.
    FieldUnits unitsOfField(const RegisterEdit* field) const;
    // Brings the fields of the edit list bound to reg up to date after a change of it, made
    // in a field with the sender's units (nothing: units unknown, the text speaks for the
    // whole register). A field in the same units takes the text; one in other units reads
    // the register again, without a box (a failed read leaves it as it was), and not at
    // all while the drive cannot be used or when the write was not confirmed (text ""):
    // then a field whose value the write may have changed shows none.
    void followRegisterChange(int reg, const wxString& text, const std::optional<FieldUnits>& sender);
    // The drive's maximum speed (0xC8) and the motor's (0x59) set the rpm that raw 32767
    // stands for (0xCE). After a notice of either, whatever its text (a write whose read-back
    // failed may still have changed it), this is 0xCE read again, without a box; nothing for
    // other registers, while the drive cannot be used, or when the read failed (the page
    // keeps its scale then).
    std::optional<int> speedScaleAfterChange(int reg) const;

protected:
    // Routes a page adds to the shared behaviour.
    // Before anything else on Enter; true when the page has fully handled the event.
    virtual bool enterBeforeOnlineTest(wxCommandEvent& event) { return false; }
    // Writes one field of the edit list; the scaled fields of some pages go their own way.
    virtual bool commitField(RegisterEdit* field);
    // After the field shows a new value: its own commit, or a change that it followed.
    virtual void afterCommit(RegisterEdit* field) {}
    virtual void afterStep(RegisterEdit* field) {}
    // Steps one field of the edit list by delta; fields in other units than the raw
    // register (scaled speed or position) step through their own commit.
    virtual bool stepField(RegisterEdit* field, long delta);
    // The page's other buttons; false lets the event travel on.
    virtual bool handleButton(wxCommandEvent& event) { return false; }
    // Read-only controls outside the display list that hand the focus back.
    virtual bool handsFocusBack(wxWindow* control) const { return false; }
    // What a field shows beyond the raw number (speeds and positions on some pages).
    virtual FieldKind fieldKind(const RegisterEdit* field) const { return FieldKind::Plain; }
    // Reads one field of the edit list again without a box, in its own units; false when
    // the read failed and the field was left as it was.
    virtual bool rereadField(RegisterEdit* field);
    // Controls that must not become the remembered one (besides Up and Down).
    virtual bool isNotRemembered(wxWindow* control) const { return false; }
    // The page's own texts, drawn over the background picture.
    virtual void paintPage(wxDC& dc) {}

    bool isInEditList(const wxWindow* control) const;
    bool isInDisplayList(const wxWindow* control) const;
    // Posts the register-changed notice to the parent (the notebook), from where it
    // travels to the frame: the register, the text and the units of the field that shows it.
    void postRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& units);
    void postRegisterChanged(RegisterEdit* field);

private:
    void loadPicture() const;
    void onTextEnter(wxCommandEvent& event);
    // Commits the field as Enter does and tells the other pages; false when the commit failed.
    bool enterField(RegisterEdit* field);
    void onButton(wxCommandEvent& event);
    void onChildFocus(wxChildFocusEvent& event);
    void onRefocus(wxCommandEvent& event);
    void onPaint(wxPaintEvent& event);

    DriveConnection* drive_;
    RegisterLimits* limits_;
    const wxString pictureFile_;
    const PagePicture builtinPicture_;
    wxBitmap (*const drawBuiltinPicture_)();
    mutable bool pictureLoaded_ = false;
    mutable wxBitmap picture_;
    mutable bool pictureFromFile_ = false;
    wxEventType refocusEvent_;
    std::vector<RegisterEdit*> edits_;
    std::vector<RegisterDisplay*> displays_;
    std::vector<RegisterBitLabel*> lamps_;
    std::vector<ControlRow> tableRows_;
    std::vector<wxWindow*> tableControls_;
    std::atomic<bool> shown_{false};
    wxWindow* lastFocused_ = nullptr;
    RegisterEdit* defaultField_ = nullptr;
    RegisterTextEdit* axisNameField_ = nullptr;
    wxButton* upButton_ = nullptr;
    wxButton* downButton_ = nullptr;
};

}  // namespace torvex
