#include "services/register_printout.h"

#include <wx/cmndata.h>
#include <wx/datetime.h>
#include <wx/dc.h>
#include <wx/dcprint.h>
#include <wx/font.h>
#include <wx/math.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <algorithm>
#include <memory>

#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "link/i18n.h"
#include "link/register_lines.h"
#include "link/registers.h"

namespace torvex {

namespace {

wxString fromUtf8(const std::string& text) { return wxString::FromUTF8(text); }

// The blank border kept on every side of the paper, beyond the edge a printer cannot reach
// (a few millimetres, more at the bottom on some inkjets).
constexpr double kPrintMarginMm = 10.0;

// One for both printouts, kept for the whole run, so the printer and settings chosen last
// are offered by either of them next time.
wxPrintData& keptPrintData() {
    static wxPrintData printData;
    return printData;
}

void runPrint(wxWindow* parent, RegisterPagesPrintout& printout) {
    const wxString caption = fromUtf8(tr("Printing"));
    // Without a page the printer would only report a failure the user cannot act on.
    if (printout.pageCount() == 0) {
        ui::messageBox(fromUtf8(tr("There is nothing to print.")), caption, wxOK | wxICON_INFORMATION);
        return;
    }
    wxPrintData& printData = keptPrintData();
    wxPrintDialogData dialogData(printData);
    bool printError = false;
    bool printed = ui::dialogs().print(parent, printout, dialogData, &printError);
    printout.endHold();
    if (printed) printData = dialogData.GetPrintData();
    if (!printed && printError) {
        ui::messageBox(fromUtf8(tr("There was a problem printing.\nPerhaps your current printer is not set correctly?")),
                       caption, wxOK);
    }
}

}  // namespace

void renderRegisterPage(wxDC& dc, bool allRegisters, uint32_t page, uint32_t pageCount,
                        const std::vector<wxString>& lines, const wxRect& area,
                        const std::vector<wxString>& printoutLines) {
    // Paper needs no clearing, and a printer's context can paint a background only with an
    // operator its PDF or PostScript output does not have: the whole page, text included,
    // would go out as a picture, with no text left in the file.
    if (!dynamic_cast<wxPrinterDC*>(&dc)) {
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
    }
    // The library sizes a font on every device as on the screen, and its point mapping is
    // the screen's too: the page is drawn in screen units, which the printout scales to the
    // paper (see drawPage), so that the 7-point font measures 7 points on paper.
    dc.SetMapMode(wxMM_TEXT);
    dc.SetFont(wxFont(7, wxFONTFAMILY_MODERN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
    dc.SetTextForeground(*wxBLACK);

    wxCoord width = 0, height = 0;
    dc.GetTextExtent("W", &width, &height);
    const wxCoord pitch = height + 1;

    const std::string stamp = wxDateTime::Now().Format("%Y-%m-%d %H:%M:%S").utf8_string();
    const wxString heading = fromUtf8(printHeading(allRegisters, stamp, page, pageCount));
    const wxString header = fromUtf8(tr(kRegisterListHeader));
    const wxString rule('-', kRuleLength);

    if (!area.IsEmpty()) {
        // A line cut at the paper's edge loses its end, so the type gets smaller where a line
        // would not fit, never larger; one size for every page keeps the columns of all pages
        // alike. The whole page is scaled, so it keeps its layout at 7 points, and the texts
        // measured at 7 points print at their measure times the scale.
        wxCoord widest = 0;
        const auto widen = [&](const wxString& text) { widest = std::max(widest, dc.GetTextExtent(text).x); };
        for (const wxString* text : {&heading, &header, &rule}) widen(*text);
        for (const wxString& line : lines) widen(line);
        for (const wxString& line : printoutLines) widen(line);
        const size_t rows = 4 + std::min<size_t>(kLinesPerPage, std::max(lines.size(), printoutLines.size()));
        const double depth = static_cast<double>((rows - 1) * pitch + height);
        // The extents are whole units; one unit to spare keeps a rounded-down end inside.
        const double fit = std::min({1.0, area.width / static_cast<double>(widest + 1), area.height / (depth + 1)});
        double scaleX = 1, scaleY = 1;
        dc.GetUserScale(&scaleX, &scaleY);
        const wxPoint corner(dc.LogicalToDeviceX(area.x), dc.LogicalToDeviceY(area.y));
        dc.SetUserScale(scaleX * fit, scaleY * fit);
        dc.SetDeviceOrigin(corner.x, corner.y);
    }

    dc.DrawText(heading, 0, 0);
    dc.DrawText(header, 0, 2 * pitch);
    dc.DrawText(rule, 0, 3 * pitch);
    wxCoord y = 4 * pitch;
    for (const wxString& line : lines) {
        dc.DrawText(line, 0, y);
        y += pitch;
    }
}

RegisterPagesPrintout::RegisterPagesPrintout(const wxString& title, bool allRegisters, bool pagesReadDrive)
    : wxPrintout(title), allRegisters_(allRegisters), pagesReadDrive_(pagesReadDrive) {}

RegisterPagesPrintout::~RegisterPagesPrintout() = default;

void RegisterPagesPrintout::OnBeginPrinting() {
    wxPrintout::OnBeginPrinting();
    // Drawing the pages reads every listed register once more, seconds over RS232, on the
    // window's own thread (the print framework calls the pages from it, between which it
    // hands the window its input). The window is held from the moment the print dialog is
    // gone: busy cursor, and nothing clicked or typed meanwhile carried out afterwards.
    if (pagesReadDrive_ && !hold_) hold_ = std::make_unique<WindowHold>();
}

void RegisterPagesPrintout::OnEndPrinting() {
    endHold();
    wxPrintout::OnEndPrinting();
}

void RegisterPagesPrintout::endHold() { hold_.reset(); }

bool RegisterPagesPrintout::HasPage(int page) { return page >= 1 && static_cast<uint32_t>(page) <= pageCount_; }

void RegisterPagesPrintout::GetPageInfo(int* minPage, int* maxPage, int* selPageFrom, int* selPageTo) {
    *minPage = 1;
    *maxPage = static_cast<int>(pageCount_);
    *selPageFrom = 1;
    *selPageTo = static_cast<int>(pageCount_);
}

void RegisterPagesPrintout::setLines(std::vector<wxString> lines) {
    printoutLines_ = std::move(lines);
    pageCount_ = printPageCount(lineCount());
}

bool RegisterPagesPrintout::drawPage(int page, const std::vector<wxString>& lines) {
    wxDC* dc = GetDC();
    if (!dc) return false;
    // Screen units to the printer's resolution: whatever the printer's context counts in,
    // the page comes out at true size. A device the print framework did not set up (a
    // bitmap) is drawn on as a screen.
    int screenX = 0, screenY = 0, printerX = 0, printerY = 0, pageWidth = 0, pageHeight = 0;
    GetPPIScreen(&screenX, &screenY);
    GetPPIPrinter(&printerX, &printerY);
    GetPageSizePixels(&pageWidth, &pageHeight);
    wxRect area;
    if (screenX > 0 && screenY > 0 && printerX > 0 && printerY > 0 && pageWidth > 0 && pageHeight > 0) {
        MapScreenSizeToPage();
        // The origin is the corner of what the print framework calls printable: on some
        // systems the printer's reach, on others (the GTK one among them) the paper's very
        // corner, with nothing said about the printer's reach. The page keeps its margin from
        // the paper's edge and stays within the printable part.
        area = GetLogicalPaperRect();
        area.Deflate(wxRound(kPrintMarginMm / 25.4 * screenX), wxRound(kPrintMarginMm / 25.4 * screenY));
        area.Intersect(GetLogicalPageRect());
    }
    renderRegisterPage(*dc, allRegisters_, static_cast<uint32_t>(page), pageCount_, lines, area, printoutLines_);
    return true;
}

RegisterPrintout::RegisterPrintout(const wxString& title, DriveConnection* connection, bool allRegisters)
    : RegisterPagesPrintout(title, allRegisters, true), connection_(connection) {
    std::vector<wxString> lines;
    for (const std::string& line : registerPrintLines(connection_, allRegisters_)) lines.push_back(fromUtf8(line));
    setLines(std::move(lines));
}

bool RegisterPrintout::OnPrintPage(int page) {
    if (!GetDC() || page < 1) return false;
    // The values of the page's own lines are read anew, in the order they were counted.
    const PageSlice slice = pageSlice(lineCount(), static_cast<uint32_t>(page));
    std::vector<wxString> lines;
    for (const std::string& line : registerPrintLines(connection_, allRegisters_, slice.first, slice.count))
        lines.push_back(fromUtf8(line));
    return drawPage(page, lines);
}

RegisterSelectionPrintout::RegisterSelectionPrintout(const wxString& title, wxTextCtrl* const* lines,
                                                     bool allRegisters)
    : RegisterPagesPrintout(title, allRegisters, false), lines_(lines) {
    std::vector<wxString> present;
    for (int reg = 0; lines_ && reg < kRegisterCount; ++reg)
        if (lines_[reg]) present.push_back(lines_[reg]->GetValue());
    setLines(std::move(present));
}

bool RegisterSelectionPrintout::OnPrintPage(int page) {
    if (!GetDC() || page < 1 || !lines_) return false;
    PageSlice slice = pageSlice(lineCount(), static_cast<uint32_t>(page));
    std::vector<wxString> lines;
    uint32_t present = 0;
    for (int reg = 0; reg < kRegisterCount && lines.size() < slice.count; ++reg) {
        if (!lines_[reg]) continue;
        if (present++ < slice.first) continue;
        lines.push_back(lines_[reg]->GetValue());
    }
    return drawPage(page, lines);
}

void printRegisters(wxWindow* parent, DriveConnection* connection, bool allRegisters) {
    std::unique_ptr<RegisterPrintout> printout;
    {
        // Counting the lines reads every listed register once.
        WindowHold hold;
        printout = std::make_unique<RegisterPrintout>(
            fromUtf8(tr(allRegisters ? "All registers" : "Selection of registers")), connection, allRegisters);
    }
    runPrint(parent, *printout);
}

void printRegisterListLines(wxWindow* parent, wxTextCtrl* const* lines, bool allRegisters) {
    RegisterSelectionPrintout printout(fromUtf8(tr(allRegisters ? "All registers" : "Selection of registers")),
                                       lines, allRegisters);
    runPrint(parent, printout);
}

}  // namespace torvex
