// Printouts rendered into bitmaps through the dialog seam's print answer.
#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/cmndata.h>
#include <wx/dcmemory.h>
#include <wx/dcprint.h>
#include <wx/generic/printps.h>
#include <wx/frame.h>
#include <wx/gtk/print.h>
#include <wx/image.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <array>
#include <dlfcn.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "services/catalogue.h"
#include "services/register_printout.h"
#include "services/ui_seam.h"
#include "link/connection.h"
#include "link/i18n.h"
#include "link/register_lines.h"
#include "link/registers.h"
#include "tests/support/recording_dialogs.h"
#include "tests/support/sim_fixture.h"

namespace torvex {
namespace {

using test::recordedDialogs;

// Renders one page; returns the lowest row holding ink (-1 for a blank page).
int renderPage(wxPrintout& printout, int page) {
    wxBitmap bitmap(900, 1300, 24);
    wxMemoryDC dc(bitmap);
    printout.SetDC(&dc);
    EXPECT_TRUE(printout.OnPrintPage(page));
    dc.SelectObject(wxNullBitmap);
    printout.SetDC(nullptr);
    wxImage image = bitmap.ConvertToImage();
    int lowest = -1;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetRed(x, y) < 128) {
                lowest = y;
                break;
            }
    return lowest;
}

// Prints pages 1 to lastPage through the library's PostScript printer into a file, as the
// print framework does on paper: the printout learns the printer's resolution (600 dpi) and
// the screen's, and draws on a printer's device.
bool printToPostScript(wxPrintout& printout, const std::string& path, int lastPage = 1) {
    wxPrintData data;
    data.SetFilename(path);
    data.SetPrintMode(wxPRINT_MODE_FILE);
    data.SetPaperId(wxPAPER_A4);
    data.SetQuality(600);
    wxPrintDialogData dialogData(data);
    dialogData.SetFromPage(1);
    dialogData.SetToPage(lastPage);
    wxPostScriptPrinter printer(&dialogData);
    return printer.Print(nullptr, &printout, false);
}

// What one page of the PostScript file shows: the font sizes set, and every text drawn with
// its height (points from the bottom of the paper), top first.
struct PostScriptPage {
    std::vector<double> fontSizes;
    std::vector<double> textRows;
    std::vector<std::string> texts;
};

// The text of a PostScript string that begins the line: "(a \(b\)) ..." gives "a (b)".
std::string postScriptString(const std::string& line) {
    std::string text;
    for (size_t i = 1; i < line.size() && line[i] != ')'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        text += line[i];
    }
    return text;
}

PostScriptPage readPostScriptPage(const std::string& path, int page) {
    std::ifstream file(path);
    std::string line, previous;
    PostScriptPage result;
    bool inPage = false;
    double x = 0, y = 0;
    while (std::getline(file, line)) {
        if (line.rfind("%%Page: ", 0) == 0) inPage = std::stoi(line.substr(8)) == page;
        if (!inPage) continue;
        std::istringstream words(line);
        std::string font, find, word;
        double size = 0;
        if (line.rfind("/", 0) == 0 && (words >> font >> find >> size >> word) && word == "scalefont")
            result.fontSizes.push_back(size);
        // A text is drawn right where the line before it moved to.
        if (line.rfind("(", 0) == 0 && std::istringstream(previous) >> x >> y >> word && word == "moveto") {
            result.textRows.push_back(y);
            result.texts.push_back(postScriptString(line));
        }
        previous = line;
    }
    return result;
}

// Prints pages 1 to lastPage into a PDF file through the toolkit's own print operation, as
// the print dialog's "Print to File" does, on the toolkit's printer context at 600 dpi on A4
// with the toolkit's default page setup. The toolkit's functions are looked up in the running
// process: its headers are not part of the build's dependencies.
struct ExportJob {
    wxPrintout* printout;
    wxPrintData data;
    std::unique_ptr<wxPrinterDC> dc;
};

extern "C" void drawExportedPage(void*, GtkPrintContext* context, int pageIndex, void* user) {
    ExportJob& job = *static_cast<ExportJob*>(user);
    if (!job.dc) {  // set up as the library's printer does when printing begins
        static_cast<wxGtkPrintNativeData*>(job.data.GetNativeData())->SetPrintContext(context);
        job.dc = std::make_unique<wxPrinterDC>(job.data);
        int width = 0, height = 0, widthMM = 0, heightMM = 0;
        job.dc->GetSize(&width, &height);
        job.dc->GetSizeMM(&widthMM, &heightMM);
        job.printout->SetPPIScreen(wxGetDisplayPPI());
        job.printout->SetPPIPrinter(job.dc->GetResolution(), job.dc->GetResolution());
        job.printout->SetDC(job.dc.get());
        job.printout->SetPageSizePixels(width, height);
        job.printout->SetPaperRectPixels(wxRect(0, 0, width, height));
        job.printout->SetPageSizeMM(widthMM, heightMM);
    }
    job.dc->StartPage();
    job.printout->OnPrintPage(pageIndex + 1);
    job.dc->EndPage();
}

template <typename Function>
Function toolkit(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

bool exportToPdf(wxPrintout& printout, const std::string& path, int lastPage) {
    auto newOperation = toolkit<void* (*)()>("gtk_print_operation_new");
    auto setExportFile = toolkit<void (*)(void*, const char*)>("gtk_print_operation_set_export_filename");
    auto setPageCount = toolkit<void (*)(void*, int)>("gtk_print_operation_set_n_pages");
    auto newPageSetup = toolkit<void* (*)()>("gtk_page_setup_new");
    auto newPaper = toolkit<void* (*)(const char*)>("gtk_paper_size_new");
    auto freePaper = toolkit<void (*)(void*)>("gtk_paper_size_free");
    auto setPaper = toolkit<void (*)(void*, void*)>("gtk_page_setup_set_paper_size_and_default_margins");
    auto setPageSetup = toolkit<void (*)(void*, void*)>("gtk_print_operation_set_default_page_setup");
    auto connect = toolkit<unsigned long (*)(void*, const char*, void*, void*, void*, int)>("g_signal_connect_data");
    auto run = toolkit<int (*)(void*, int, void*, void**)>("gtk_print_operation_run");
    auto unref = toolkit<void (*)(void*)>("g_object_unref");
    if (!newOperation || !setExportFile || !setPageCount || !newPageSetup || !newPaper || !freePaper || !setPaper ||
        !setPageSetup || !connect || !run || !unref)
        return false;
    void* operation = newOperation();
    setExportFile(operation, path.c_str());
    setPageCount(operation, lastPage);
    void* pageSetup = newPageSetup();
    void* paper = newPaper("iso_a4");
    setPaper(pageSetup, paper);
    freePaper(paper);
    setPageSetup(operation, pageSetup);
    ExportJob job{&printout, wxPrintData(), nullptr};
    job.data.SetPaperId(wxPAPER_A4);
    job.data.SetQuality(600);
    connect(operation, "draw-page", reinterpret_cast<void*>(&drawExportedPage), &job, nullptr, 0);
    void* error = nullptr;
    const int result = run(operation, 3 /* export */, nullptr, &error);
    printout.SetDC(nullptr);
    unref(pageSetup);
    unref(operation);
    return result == 1 /* applied */ && !error;
}

// Where each page's ink went, in points from the paper's top left corner, and its type size:
// what a text measures on the page against its measure at 7 points.
struct InkedPage {
    double left, top, right, bottom;
    double typeSize;
    bool longestWhole;  // on the page of the longest line: the ink is as wide as all of it
};

class ObservedPrintout : public RegisterPrintout {
public:
    ObservedPrintout(DriveConnection* connection, bool allRegisters, const wxString& longest, int longestPage)
        : RegisterPrintout("observed", connection, allRegisters), longest_(longest), longestPage_(longestPage) {}

    bool OnPrintPage(int page) override {
        wxDC& dc = *GetDC();
        const wxString sample('W', 100);
        MapScreenSizeToPage();
        dc.SetFont(wxFont(7, wxFONTFAMILY_MODERN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
        const double atSeven = dc.LogicalToDeviceXRel(dc.GetTextExtent(sample).x);
        dc.ResetBoundingBox();
        const bool drawn = RegisterPrintout::OnPrintPage(page);
        const double toPoints = 72.0 / dc.GetResolution();
        pages.push_back({dc.LogicalToDeviceX(dc.MinX()) * toPoints, dc.LogicalToDeviceY(dc.MinY()) * toPoints,
                         dc.LogicalToDeviceX(dc.MaxX()) * toPoints, dc.LogicalToDeviceY(dc.MaxY()) * toPoints,
                         7.0 * dc.LogicalToDeviceXRel(dc.GetTextExtent(sample).x) / atSeven,
                         page == longestPage_ && dc.MaxX() - dc.MinX() >= dc.GetTextExtent(longest_).x});
        return drawn;
    }

    std::vector<InkedPage> pages;

private:
    wxString longest_;
    int longestPage_;
};

// Runs in a folder of its own so that "Reglist.txt" is the test's.
class PrintoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        char buffer[4096];
        previous_ = getcwd(buffer, sizeof buffer) ? buffer : ".";
        folder_ = ::testing::TempDir() + "printout_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        mkdir(folder_.c_str(), 0700);
        ASSERT_EQ(chdir(folder_.c_str()), 0);
    }
    void TearDown() override { (void)chdir(previous_.c_str()); }
    std::string previous_, folder_;
};

TEST_F(PrintoutTest, SelectionOf141LinesPrintsThreePages) {
    std::ofstream list("Reglist.txt");
    int written = 0;
    for (uint32_t reg = 0; reg < 256 && written < 141; ++reg)
        if (isListedRegister(reg)) {
            list << reg << "\n";
            ++written;
        }
    list << "# unlisted numbers add no line\n81\n300\n";
    list.close();
    ASSERT_EQ(written, 141);

    DriveConnection connection;
    connection.loadOfflineImage({{0x1B, 310}}, {});
    std::array<int, 4> lowest{};
    bool pageInfoOk = false;
    recordedDialogs().printAnswer = [&](wxPrintout& printout) {
        int minPage = 0, maxPage = 0, from = 0, to = 0;
        printout.GetPageInfo(&minPage, &maxPage, &from, &to);
        pageInfoOk = minPage == 1 && maxPage == 3 && from == 1 && to == 3 && printout.HasPage(3) && !printout.HasPage(4) &&
                     !printout.HasPage(0);
        for (int page = 1; page <= 3; ++page) lowest[page] = renderPage(printout, page);
        return true;
    };
    printRegisters(nullptr, &connection, false);
    EXPECT_EQ(recordedDialogs().printCalls, 1);
    EXPECT_TRUE(pageInfoOk);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    // Pages 1 and 2 are full; page 3 holds one line below the heading, header and rule.
    EXPECT_EQ(lowest[1], lowest[2]);
    EXPECT_GT(lowest[1], 4 * lowest[3]);
    EXPECT_GT(lowest[3], 0);
}

TEST_F(PrintoutTest, PrintedLinesAreSevenPointTextThatFillsThePage) {
    DriveConnection connection;
    connection.loadOfflineImage({{0x1B, 310}}, {});
    const std::string path = folder_ + "/page.ps";
    bool printed = false;
    recordedDialogs().printAnswer = [&](wxPrintout& printout) {
        printed = printToPostScript(printout, path);
        return printed;
    };
    printRegisters(nullptr, &connection, true);
    ASSERT_TRUE(printed);
    const PostScriptPage page = readPostScriptPage(path, 1);
    ASSERT_FALSE(page.fontSizes.empty());
    for (double size : page.fontSizes) EXPECT_NEAR(size, 7.0, 0.05);
    // Heading, column header, rule and 70 lines, one pitch apart from the header on (to
    // within a 600-dpi dot).
    ASSERT_EQ(page.textRows.size(), 73u);
    const double pitch = (page.textRows[1] - page.textRows.back()) / 71;
    EXPECT_NEAR(page.textRows[0] - page.textRows[1], 2 * pitch, 0.15);
    for (size_t row = 1; row + 1 < page.textRows.size(); ++row)
        EXPECT_NEAR(page.textRows[row] - page.textRows[row + 1], pitch, 0.15) << "row " << row;
    // The height of a 7-point line, and 74 of them take most of an A4 page (842 points).
    EXPECT_GT(pitch, 7.0);
    EXPECT_LT(pitch, 12.0);
    EXPECT_GT((page.textRows.front() - page.textRows.back() + pitch) / 842.0, 0.6);

    // The register list panel's printout alike.
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "lines");
    std::array<wxTextCtrl*, 256> lines{};
    for (int reg = 0; reg < 3; ++reg) lines[reg] = new wxTextCtrl(frame, wxID_ANY, wxString::Format("line %d", reg));
    printed = false;
    printRegisterListLines(nullptr, lines.data(), true);
    frame->Destroy();
    ASSERT_TRUE(printed);
    const PostScriptPage list = readPostScriptPage(path, 1);
    ASSERT_EQ(list.textRows.size(), 6u);
    for (double size : list.fontSizes) EXPECT_NEAR(size, 7.0, 0.05);
    EXPECT_NEAR(list.textRows[4] - list.textRows[5], pitch, 0.15);
}

TEST_F(PrintoutTest, CatalogueLinesPrintWholeInsideThePaperMargins) {
    addCatalogueLookupPrefixes();
    const double paperWidth = 595.28, paperHeight = 841.89;  // A4 in points
    const double margin = 10 / 25.4 * 72 - 0.1;              // 10 mm, to within a 600-dpi dot
    for (wxLanguage language : {wxLANGUAGE_ENGLISH, wxLANGUAGE_FRENCH}) {
        ASSERT_TRUE(loadCatalogue(language));
        installCatalogueTranslator();
        DriveConnection connection;
        connection.loadOfflineImage({}, {});
        // The longest line of all registers is too wide for the paper at 7 points; the
        // registers of short lines, listed in "Reglist.txt", fit.
        const std::vector<std::string> lines = registerPrintLines(&connection, true);
        const auto longest = std::max_element(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
            return wxString::FromUTF8(a).length() < wxString::FromUTF8(b).length();
        });
        ASSERT_GT(wxString::FromUTF8(*longest).length(), 140u) << language;
        std::ofstream list("Reglist.txt");
        for (uint32_t reg = 0; reg < 256; ++reg) {
            const size_t length = wxString::FromUTF8(formatRegisterLine(&connection, reg)).length();
            if (length > 0 && length <= 100) list << reg << "\n";
        }
        list.close();

        ObservedPrintout all(&connection, true, wxString::FromUTF8(*longest), (longest - lines.begin()) / 70 + 1);
        ASSERT_EQ(all.pageCount(), (lines.size() + 69) / 70);
        ASSERT_TRUE(exportToPdf(all, folder_ + "/all.pdf", static_cast<int>(all.pageCount())));
        ObservedPrintout selection(&connection, false, wxString(), 0);
        ASSERT_TRUE(exportToPdf(selection, folder_ + "/selection.pdf", static_cast<int>(selection.pageCount())));
        ASSERT_EQ(all.pages.size(), all.pageCount());
        ASSERT_FALSE(selection.pages.empty());

        int whole = 0;
        for (const std::vector<InkedPage>* pages : {&all.pages, &selection.pages})
            for (const InkedPage& page : *pages) {
                EXPECT_GE(page.left, margin) << language;
                EXPECT_GE(page.top, margin) << language;
                EXPECT_LE(page.right, paperWidth - margin) << language;
                EXPECT_LE(page.bottom, paperHeight - margin) << language;
                whole += page.longestWhole ? 1 : 0;
            }
        EXPECT_EQ(whole, 1) << language;
        // Smaller type only as far as the longest line needs, one size for every page; 7 points
        // where the lines fit.
        double widest = 0;
        for (const InkedPage& page : all.pages) {
            EXPECT_LT(page.typeSize, 6.9) << language;
            EXPECT_NEAR(page.typeSize, all.pages[0].typeSize, 0.01) << language;
            widest = std::max(widest, page.right - page.left);
        }
        EXPECT_GT(widest, 0.98 * (paperWidth - 2 * margin)) << language;
        for (const InkedPage& page : selection.pages) EXPECT_NEAR(page.typeSize, 7.0, 0.01) << language;
    }
    setTranslator(nullptr);
    unloadCatalogue();
}

TEST_F(PrintoutTest, APageReadsTheRegistersOfItsOwnLinesOnly) {
    std::string address;
    std::unique_ptr<sim::SimDrive> drive = test::startSimDrive(sim::SimOptions{}, &address);
    ASSERT_TRUE(drive);
    DriveConnection connection;
    connection.setIpAddress(address);
    ASSERT_EQ(connection.connectDrive("TCP", 9600), 0u);
    size_t listed = 0;
    for (uint32_t reg = 0; reg < 256; ++reg) listed += isListedRegister(reg) ? 1 : 0;
    ASSERT_GT(listed, 140u);
    std::vector<size_t> reads;
    int pages = 0;
    recordedDialogs().printAnswer = [&](wxPrintout& printout) {
        int minPage = 0, from = 0, to = 0;
        printout.GetPageInfo(&minPage, &pages, &from, &to);
        for (int page = 1; page <= pages; ++page) {
            drive->clearFrames();
            renderPage(printout, page);
            reads.push_back(drive->frames().size());
        }
        return true;
    };
    printRegisters(nullptr, &connection, true);
    connection.disconnectDrive();
    ASSERT_EQ(pages, static_cast<int>((listed + 69) / 70));
    ASSERT_EQ(reads.size(), static_cast<size_t>(pages));
    // Page p reads its own lines, neither those before nor those behind them.
    for (int page = 1; page <= pages; ++page)
        EXPECT_EQ(reads[page - 1], std::min<size_t>(70u, listed - 70u * (page - 1))) << "page " << page;
}

TEST_F(PrintoutTest, EmptySelectionSaysThereIsNothingToPrint) {
    DriveConnection connection;
    printRegisters(nullptr, &connection, false);  // no "Reglist.txt" here
    EXPECT_EQ(recordedDialogs().printCalls, 0);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "There is nothing to print.");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Printing");
}

class FailingPrinter : public test::RecordingDialogs {
public:
    bool print(wxWindow*, wxPrintout&, wxPrintDialogData&, bool* printError) override {
        ++printCalls;
        if (printError) *printError = reportError;
        return false;
    }
    bool reportError = true;
};

TEST_F(PrintoutTest, PrinterErrorIsReportedButCancellingIsNot) {
    FailingPrinter seam;
    ui::DialogSeam* previous = ui::setDialogSeam(&seam);
    DriveConnection connection;  // offline: every line says so
    printRegisters(nullptr, &connection, true);
    seam.reportError = false;
    printRegisters(nullptr, &connection, true);
    ui::setDialogSeam(previous);
    EXPECT_EQ(seam.printCalls, 2);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, "There was a problem printing.\nPerhaps your current printer is not set correctly?");
    EXPECT_EQ(seam.boxes[0].caption, "Printing");
    EXPECT_EQ(seam.boxes[0].style, static_cast<long>(wxOK));
}

class ChoosingPrinter : public test::RecordingDialogs {
public:
    bool print(wxWindow*, wxPrintout&, wxPrintDialogData& data, bool*) override {
        offered.push_back(data.GetPrintData().GetPrinterName().utf8_string());
        data.GetPrintData().SetPrinterName(wxString::Format("printer %d", ++printCalls));
        return succeed;
    }
    std::vector<std::string> offered;
    bool succeed = true;
};

TEST_F(PrintoutTest, ThePrinterChosenIsOfferedAgainOnlyAfterAPrint) {
    ChoosingPrinter seam;
    ui::DialogSeam* previous = ui::setDialogSeam(&seam);
    DriveConnection connection;
    printRegisters(nullptr, &connection, true);
    printRegisters(nullptr, &connection, true);
    seam.succeed = false;  // cancelled: what was picked in the dialog is not kept
    printRegisters(nullptr, &connection, true);
    printRegisters(nullptr, &connection, true);
    ui::setDialogSeam(previous);
    ASSERT_EQ(seam.offered.size(), 4u);
    EXPECT_EQ(seam.offered[1], "printer 1");
    EXPECT_EQ(seam.offered[2], "printer 2");
    EXPECT_EQ(seam.offered[3], "printer 2");
}

TEST_F(PrintoutTest, BothPrintoutsOfferThePrinterChosenLastByEither) {
    ChoosingPrinter seam;
    ui::DialogSeam* previous = ui::setDialogSeam(&seam);
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "lines");
    std::array<wxTextCtrl*, 256> lines{};
    lines[0x1B] = new wxTextCtrl(frame, wxID_ANY, "line");
    DriveConnection connection;
    printRegisters(nullptr, &connection, true);
    printRegisterListLines(nullptr, lines.data(), true);
    printRegisters(nullptr, &connection, true);
    ui::setDialogSeam(previous);
    frame->Destroy();
    ASSERT_EQ(seam.offered.size(), 3u);
    EXPECT_EQ(seam.offered[1], "printer 1");
    EXPECT_EQ(seam.offered[2], "printer 2");
}

TEST_F(PrintoutTest, RegisterListLinesPrintTheirPresentEntries) {
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "lines");
    std::array<wxTextCtrl*, 256> lines{};
    for (int reg = 0; reg < 75; ++reg)
        lines[reg * 3] = new wxTextCtrl(frame, wxID_ANY, reg == 0 ? wxString() : wxString::Format("line %d", reg));
    int pages = 0;
    std::array<int, 3> lowest{};
    recordedDialogs().printAnswer = [&](wxPrintout& printout) {
        int minPage = 0, from = 0, to = 0;
        printout.GetPageInfo(&minPage, &pages, &from, &to);
        for (int page = 1; page <= pages && page < 3; ++page) lowest[page] = renderPage(printout, page);
        return true;
    };
    printRegisterListLines(nullptr, lines.data(), true);
    EXPECT_EQ(pages, 2);
    EXPECT_GT(lowest[1], lowest[2]);  // 70 lines, then 5
    EXPECT_GT(lowest[2], 0);
    frame->Destroy();
}

TEST_F(PrintoutTest, RegisterListLinesAreAllPrintedInOrder) {
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "lines");
    std::array<wxTextCtrl*, 256> lines{};
    for (int reg = 0; reg < 71; ++reg) lines[reg * 3] = new wxTextCtrl(frame, wxID_ANY, wxString::Format("entry %d", reg));
    const std::string path = folder_ + "/list.ps";
    bool printed = false;
    recordedDialogs().printAnswer = [&](wxPrintout& printout) {
        printed = printToPostScript(printout, path, 2);
        return printed;
    };
    printRegisterListLines(nullptr, lines.data(), true);
    frame->Destroy();
    ASSERT_TRUE(printed);
    // Below heading, column header and rule: entries 0 to 69 on page 1, entry 70 alone on page 2.
    const PostScriptPage first = readPostScriptPage(path, 1);
    ASSERT_EQ(first.texts.size(), 73u);
    for (int entry = 0; entry < 70; ++entry) EXPECT_EQ(first.texts[3 + entry], "entry " + std::to_string(entry));
    const PostScriptPage second = readPostScriptPage(path, 2);
    ASSERT_EQ(second.texts.size(), 4u);
    EXPECT_EQ(second.texts[0].rfind("Torvex: all registers (", 0), 0u) << second.texts[0];
    EXPECT_NE(second.texts[0].find("page 2 of 2)"), std::string::npos) << second.texts[0];
    EXPECT_EQ(second.texts[3], "entry 70");
}

}  // namespace
}  // namespace torvex
