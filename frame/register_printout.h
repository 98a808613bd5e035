// Printing register lists through the print dialog: every register or the
// "Reglist.txt" selection read from the drive, or the lines a register list panel holds.
#pragma once

#include <cstdint>
#include <vector>

#include <wx/print.h>
#include <wx/string.h>

class wxWindow;
class wxTextCtrl;
class wxDC;

namespace torvex {

class DriveConnection;

// Draws one page: heading, column header, rule and the given lines.
void renderRegisterPage(wxDC& dc, bool allRegisters, uint32_t page, uint32_t pageCount,
                        const std::vector<wxString>& lines);

class RegisterPrintout : public wxPrintout {
public:
    RegisterPrintout(const wxString& title, DriveConnection* connection, bool allRegisters);
    ~RegisterPrintout() override;

    bool OnBeginDocument(int startPage, int endPage) override;
    bool HasPage(int page) override;
    bool OnPrintPage(int page) override;
    void GetPageInfo(int* minPage, int* maxPage, int* selPageFrom, int* selPageTo) override;

    uint32_t lineCount() const { return lineCount_; }
    uint32_t pageCount() const { return pageCount_; }

private:
    DriveConnection* connection_;
    bool allRegisters_;
    uint32_t lineCount_ = 0;
    uint32_t pageCount_ = 0;
};

// lines: the register list panel's 256 line controls, an entry null when the register
// has no line.
class RegisterSelectionPrintout : public wxPrintout {
public:
    RegisterSelectionPrintout(const wxString& title, wxTextCtrl* const* lines, bool allRegisters);
    ~RegisterSelectionPrintout() override;

    bool OnBeginDocument(int startPage, int endPage) override;
    bool HasPage(int page) override;
    bool OnPrintPage(int page) override;
    void GetPageInfo(int* minPage, int* maxPage, int* selPageFrom, int* selPageTo) override;

    uint32_t lineCount() const { return lineCount_; }
    uint32_t pageCount() const { return pageCount_; }

private:
    wxTextCtrl* const* lines_;
    bool allRegisters_;
    uint32_t lineCount_ = 0;
    uint32_t pageCount_ = 0;
};

// Prints every register (allRegisters) or the "Reglist.txt" selection.
void printRegisters(wxWindow* parent, DriveConnection* connection, bool allRegisters);
// Prints the lines of a register list panel (256 entries).
void printRegisterListLines(wxWindow* parent, wxTextCtrl* const* lines, bool allRegisters);

}  // namespace torvex
