// Printing register lists through the print dialog: every register or the
// "Reglist.txt" selection read from the drive, or the lines a register list panel holds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <wx/gdicmn.h>
#include <wx/print.h>
#include <wx/string.h>

class wxWindow;
class wxTextCtrl;
class wxDC;

namespace torvex {

class DriveConnection;
class WindowHold;

// Draws one page: heading, column header, rule and the given lines. area: where the page
// goes, in the device's logical units, inside the paper's margins; the type is 7 points
// unless the widest text of the page or of printoutLines (all lines of the printout, so that
// all its pages get one size), or the rows of its fullest page, would not fit the area: then
// it is as much smaller as they need. Without an area (a device that is no paper), the page
// is drawn from the device's origin at 7 points.
void renderRegisterPage(wxDC& dc, bool allRegisters, uint32_t page, uint32_t pageCount,
                        const std::vector<wxString>& lines, const wxRect& area = wxRect(),
                        const std::vector<wxString>& printoutLines = {});

// The page bookkeeping both register printouts share: pages of fixed line count,
// numbered from 1, all offered in the print dialog.
class RegisterPagesPrintout : public wxPrintout {
public:
    ~RegisterPagesPrintout() override;
    bool HasPage(int page) override;
    void GetPageInfo(int* minPage, int* maxPage, int* selPageFrom, int* selPageTo) override;
    // The print framework calls these once the print dialog has closed with Print, and after
    // the last page. A printout whose pages read the drive holds the window in between.
    void OnBeginPrinting() override;
    void OnEndPrinting() override;
    // Ends that hold, should the framework have left printing without saying so.
    void endHold();

    uint32_t lineCount() const { return static_cast<uint32_t>(printoutLines_.size()); }
    uint32_t pageCount() const { return pageCount_; }

protected:
    RegisterPagesPrintout(const wxString& title, bool allRegisters, bool pagesReadDrive);
    // The lines the printout holds when it is made: their count sets the pages, and the
    // widest of them the type size.
    void setLines(std::vector<wxString> lines);
    // Draws page with its lines on the printout's device; false without one.
    bool drawPage(int page, const std::vector<wxString>& lines);

    bool allRegisters_;

private:
    std::vector<wxString> printoutLines_;
    uint32_t pageCount_ = 0;
    bool pagesReadDrive_;
    std::unique_ptr<WindowHold> hold_;
};

class RegisterPrintout : public RegisterPagesPrintout {
public:
    RegisterPrintout(const wxString& title, DriveConnection* connection, bool allRegisters);
    bool OnPrintPage(int page) override;

private:
    DriveConnection* connection_;
};

// lines: the register list panel's 256 line controls, an entry null when the register
// has no line.
class RegisterSelectionPrintout : public RegisterPagesPrintout {
public:
    RegisterSelectionPrintout(const wxString& title, wxTextCtrl* const* lines, bool allRegisters);
    bool OnPrintPage(int page) override;

private:
    wxTextCtrl* const* lines_;
};

// Prints every register (allRegisters) or the "Reglist.txt" selection.
void printRegisters(wxWindow* parent, DriveConnection* connection, bool allRegisters);
// Prints the lines of a register list panel (256 entries).
void printRegisterListLines(wxWindow* parent, wxTextCtrl* const* lines, bool allRegisters);

}  // namespace torvex
