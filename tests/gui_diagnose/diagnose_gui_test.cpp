// The Diagnose page against the simulated drive over TCP, driven as a person would: the
// register lists (walk, save, print, selection file, lifetime mid-walk), the manual
// read/write panel, the track and information panels.
#include <gtest/gtest.h>

#include <unistd.h>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/notebook.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "frame/poll_threads.h"
#include "services/register_printout.h"
#include "link/i18n.h"
#include "services/catalogue.h"
#include "link/register_file.h"
#include "link/register_lines.h"
#include "link/registers.h"
#include "pages/diagnose_page.h"
#include "pages/logo_panel.h"
#include "widgets/events.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/sim_fixture.h"
#include "widgets/information_panel.h"
#include "widgets/manual_rw_panel.h"
#include "widgets/register_choice.h"
#include "widgets/register_list_panel.h"
#include "widgets/track_panel.h"

namespace torvex {
namespace {

using test::pumpFor;
using test::pumpUntil;
using test::recordedDialogs;

class DiagnoseTest : public test::FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        // No status reads between ours: the watching step's update does nothing.
        previousUpdater_ = setDriveStatusUpdater([](MainFrame&, uint32_t) { return std::optional<bool>(); });
        // The register choice lists and the texts come from the catalogue.
        ASSERT_TRUE(loadCatalogue(wxLANGUAGE_ENGLISH));
        installCatalogueTranslator();
        char* here = getcwd(nullptr, 0);
        previousDir_ = here ? here : ".";
        free(here);
        // "Reglist.txt" is read from the working folder: each test has its own.
        ASSERT_EQ(chdir(home.c_str()), 0);
        makeFrame();
        page = frame->diagnosePage();
        ASSERT_NE(page, nullptr);
    }
    void TearDown() override {
        FrameTest::TearDown();
        setDriveStatusUpdater(previousUpdater_);
        (void)chdir(previousDir_.c_str());
    }

    sim::SimDrive* startDrive() {
        drive_ = test::startSimDrive({}, &address_);
        if (!drive_) return nullptr;
        drive_->setReg(0x34, 0xFFFF);
        drive_->setReg(0x59, 0xFFFF);
        drive_->setReg(0x40, 0x12345678);
        drive_->setReg(0x6E, 0xFFFFFFFE);
        return drive_.get();
    }

    // Online over TCP, the polling step put to sleep after its next step, the log empty.
    void goOnline() {
        frame->connection().setIpAddress(address_);
        frame->goOnline("TCP");
        ASSERT_TRUE(frame->connection().isOnline());
        pollIntervalMs = 600000;
        pumpFor(1700);
        drive_->clearFrames();
    }

    void showPage(wxWindow* which) {
        wxNotebook* book = frame->notebook();
        book->SetSelection(size_t(book->FindPage(which)));
        pumpFor(30);
    }

    static void click(wxWindow* button) { test::pressButton(button); }
    void clickPage(DiagnosePage::Button which) { click(page->button(which)); }

    static void pick(wxComboBox* combo, long reg) { test::pickByClientData(combo, reg); }

    std::vector<uint32_t> readsOf(const std::vector<sim::ReceivedFrame>& frames, bool* wrote = nullptr) const {
        std::vector<uint32_t> regs;
        for (const auto& f : frames) {
            if (f.isRead) regs.push_back(f.reg);
            else if (wrote) *wrote = true;
        }
        return regs;
    }

    bool walkDone(RegisterListPanel* panel, int ms = 15000) {
        return pumpUntil([&] { return !panel->isUpdating(); }, ms);
    }

    std::string lineText(RegisterListPanel* panel, uint32_t reg) {
        wxTextCtrl* line = panel->lineControl(reg);
        return line ? line->GetValue().utf8_string() : "<none>";
    }

    DiagnosePage* page = nullptr;
    std::unique_ptr<sim::SimDrive> drive_;
    std::string address_;
    DriveStatusUpdater previousUpdater_;
    std::string previousDir_;
};

TEST_F(DiagnoseTest, RegisterListsWalkSaveAndPrint) {
    ASSERT_NE(startDrive(), nullptr);
    showPage(page);
    // Built offline: placeholder lines, the three action buttons off, Update refused.
    clickPage(DiagnosePage::kAllRegistersButton);
    RegisterListPanel* all = page->allRegistersPanel();
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->GetPosition(), wxPoint(0, 200));
    EXPECT_FALSE(all->isUpdating());
    EXPECT_FALSE(all->updateButton()->IsEnabled());
    EXPECT_FALSE(all->saveButton()->IsEnabled());
    EXPECT_FALSE(all->printButton()->IsEnabled());
    EXPECT_EQ(lineText(all, 0x1B), RegisterListWalk::lineFor(0x1B, nullptr));
    all->updateButton()->Enable();  // as if clicked regardless: refused, nothing sent
    click(all->updateButton());
    EXPECT_TRUE(recordedDialogs().sawBox("Drive is offline!"));
    EXPECT_TRUE(drive_->frames().empty());
    EXPECT_FALSE(wxIsBusy());

    goOnline();
    EXPECT_TRUE(all->updateButton()->IsEnabled());  // going online enabled them, no walk
    EXPECT_TRUE(drive_->frames().empty());

    drive_->setRegisterSilent(0x36, true);
    drive_->setReplyDelay(3);
    frame->connection().transport().setTcpTimeouts(1000, 200);
    click(all->updateButton());
    EXPECT_TRUE(all->isUpdating());
    EXPECT_TRUE(wxIsBusy());
    EXPECT_FALSE(all->updateButton()->IsEnabled());
    EXPECT_FALSE(all->saveButton()->IsEnabled());
    EXPECT_FALSE(all->printButton()->IsEnabled());
    ASSERT_TRUE(walkDone(all));
    EXPECT_FALSE(wxIsBusy());
    EXPECT_TRUE(all->updateButton()->IsEnabled());
    EXPECT_TRUE(all->saveButton()->IsEnabled());
    EXPECT_TRUE(all->printButton()->IsEnabled());

    // Exactly the listed registers, in order, each read once, nothing written.
    const std::vector<uint32_t>& shown = all->shownRegisters();
    ASSERT_EQ(shown.size(), 205u);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    for (uint32_t reg : {0x01u, 0x51u, 0x52u}) EXPECT_EQ(all->lineControl(reg), nullptr) << reg;
    bool wrote = false;
    EXPECT_EQ(readsOf(drive_->frames(), &wrote), shown);
    EXPECT_FALSE(wrote);
    struct Expect {
        uint32_t reg;
        uint32_t value;
        const char* hex;
        const char* dec;
    };
    for (const Expect& e : {Expect{0x1B, 310, "0x0136", "310"}, Expect{0x34, 0xFFFF, "0xffff", "-1"},
                            Expect{0x59, 0xFFFF, "0xffff", "65535"}, Expect{0x40, 0x12345678, "0x12345678", "305419896"},
                            Expect{0x6E, 0xFFFFFFFE, "0xfffffffe", "-2"}}) {
        SCOPED_TRACE(e.reg);
        std::string text = lineText(all, e.reg);
        EXPECT_EQ(text, RegisterListWalk::lineFor(e.reg, &e.value));
        EXPECT_NE(text.find(formatRegisterColumns(e.reg, e.hex, e.dec)), std::string::npos) << text;
    }
    EXPECT_EQ(lineText(all, 0x36), RegisterListWalk::lineFor(0x36, nullptr));  // silent: empty columns
    drive_->setRegisterSilent(0x36, false);
    drive_->setReplyDelay(0);

    // Save hands the frame the request for every register; the file holds the drive's values.
    const std::string allFile = home + "/all.vrf";
    recordedDialogs().fileAnswers.push_back(allFile);
    click(all->saveButton());
    RegisterValueMap16 v16;
    RegisterValueMap32 v32;
    ASSERT_EQ(readRegisterFile(allFile, v16, v32, false), kRegisterFileOk);
    EXPECT_EQ(v16[0x1B], 310);
    EXPECT_EQ(v16[0x34], 0xFFFF);
    EXPECT_EQ(v32[0x40], 0x12345678u);

    // Print renders the panel's lines: 205 of them make three pages.
    int pages = 0;
    recordedDialogs().printAnswer = [&](wxPrintout& printout) {
        if (auto* lines = dynamic_cast<RegisterPagesPrintout*>(&printout)) pages = int(lines->pageCount());
        return true;
    };
    drive_->clearFrames();
    click(all->printButton());
    EXPECT_EQ(pages, 3);
    EXPECT_TRUE(drive_->frames().empty());  // printing shows what was read, it reads nothing

    // The selection: a comment, 81 (no line), 1 (unnamed), 300 (beyond the registers) and a
    // repeat; the rest once, in file order. Opening it replaces the list of all registers.
    std::ofstream("Reglist.txt") << "# my registers\n52\n81\n1\n300\n27\n52\n89\n";
    drive_->clearFrames();
    clickPage(DiagnosePage::kSelectionButton);
    EXPECT_EQ(page->allRegistersPanel(), nullptr);
    RegisterListPanel* selection = page->selectionPanel();
    ASSERT_NE(selection, nullptr);
    ASSERT_TRUE(walkDone(selection));
    EXPECT_EQ(selection->shownRegisters(), (std::vector<uint32_t>{0x34, 0x1B, 0x59}));
    EXPECT_EQ(readsOf(drive_->frames()), (std::vector<uint32_t>{0x1B, 0x34, 0x59}));  // ascending walk
    uint32_t v59 = 0xFFFF;
    EXPECT_EQ(lineText(selection, 0x59), RegisterListWalk::lineFor(0x59, &v59));
    EXPECT_EQ(selection->saveButton()->GetLabel(), wxString::FromUTF8(tr("Save selection of registers")));

    const std::string selectionFile = home + "/selection.vrf";
    recordedDialogs().fileAnswers.push_back(selectionFile);
    click(selection->saveButton());
    v16.clear();
    v32.clear();
    ASSERT_EQ(readRegisterFile(selectionFile, v16, v32, false), kRegisterFileOk);
    EXPECT_EQ(v16.count(0x34), 1u);
    EXPECT_EQ(v16.count(0x59), 1u);
    EXPECT_EQ(v16.count(0x1B), 1u);
    EXPECT_EQ(v16.count(0x19), 0u);  // not in the selection

    // Another connection (here the same drive again, then none): the values read before
    // are not this connection's, and printing would pass them off as such.
    for (bool online : {true, false}) {
        SCOPED_TRACE(online ? "connected again" : "offline");
        click(selection->updateButton());
        ASSERT_TRUE(walkDone(selection));
        ASSERT_EQ(lineText(selection, 0x59), RegisterListWalk::lineFor(0x59, &v59));
        if (online) {
            frame->goOnline("TCP");
            pollIntervalMs = 600000;
        } else {
            frame->goOffline();
        }
        EXPECT_EQ(lineText(selection, 0x59), RegisterListWalk::lineFor(0x59, nullptr));
        EXPECT_EQ(lineText(selection, 0x1B), RegisterListWalk::lineFor(0x1B, nullptr));
        EXPECT_EQ(selection->printButton()->IsEnabled(), online);
    }
}

TEST_F(DiagnoseTest, WalksEndCleanlyWhenTheirPanelsGoMidWay) {
    ASSERT_NE(startDrive(), nullptr);
    showPage(page);
    goOnline();
    drive_->setReplyDelay(15);  // a walk of all registers lasts about three seconds
    auto settled = [&] {
        // No read arrives after the walk was stopped, beyond the one under way.
        size_t before = drive_->frames().size();
        pumpFor(120);
        return drive_->frames().size() <= before + 1 && drive_->frames().size() == (pumpFor(60), drive_->frames().size());
    };

    clickPage(DiagnosePage::kAllRegistersButton);
    ASSERT_TRUE(page->allRegistersPanel()->isUpdating());
    ASSERT_TRUE(drive_->waitForFrames(5, 3000));
    // No "Reglist.txt": the selection has no line and reads nothing.
    clickPage(DiagnosePage::kSelectionButton);
    EXPECT_EQ(page->allRegistersPanel(), nullptr);
    EXPECT_TRUE(settled());
    ASSERT_TRUE(walkDone(page->selectionPanel()));
    EXPECT_FALSE(wxIsBusy());

    // Close mid-walk, reopen, Update.
    clickPage(DiagnosePage::kAllRegistersButton);
    RegisterListPanel* all = page->allRegistersPanel();
    ASSERT_TRUE(all->isUpdating());
    drive_->clearFrames();
    ASSERT_TRUE(drive_->waitForFrames(3, 3000));
    click(all->closeButton());
    EXPECT_FALSE(all->IsShown());
    EXPECT_FALSE(all->isUpdating());
    EXPECT_TRUE(settled());
    EXPECT_FALSE(wxIsBusy());
    EXPECT_TRUE(all->updateButton()->IsEnabled());
    clickPage(DiagnosePage::kAllRegistersButton);
    EXPECT_EQ(page->allRegistersPanel(), all);
    EXPECT_TRUE(all->IsShown());
    drive_->clearFrames();
    click(all->updateButton());
    ASSERT_TRUE(all->isUpdating());

    // Online again mid-walk: the buttons stay off, and a second Update starts nothing.
    frame->callSetOnline(true);
    EXPECT_FALSE(all->updateButton()->IsEnabled());
    click(all->updateButton());
    ASSERT_TRUE(drive_->waitForFrames(20, 3000));
    frame->goOnline("TCP");
    pollIntervalMs = 600000;
    EXPECT_TRUE(all->isUpdating());
    EXPECT_FALSE(all->updateButton()->IsEnabled());
    std::multiset<uint32_t> walkReads;
    for (uint32_t reg : readsOf(drive_->frames())) walkReads.insert(reg);
    EXPECT_LE(walkReads.count(0x1B), 2u);  // the walk's one, and the one of going online
    ASSERT_FALSE(all->shownRegisters().empty());
    EXPECT_EQ(walkReads.count(all->shownRegisters().front()), 1u) << "a second walk ran";

    // The frame closes mid-walk.
    ASSERT_TRUE(all->isUpdating());
    closeFrame();
    EXPECT_TRUE(settled());
    EXPECT_FALSE(wxIsBusy());
}

TEST_F(DiagnoseTest, ManualReadAndWrite) {
    ASSERT_NE(startDrive(), nullptr);
    showPage(page);
    // The four buttons without a function are off offline and online alike.
    for (auto which : {DiagnosePage::kAutoResoButton, DiagnosePage::kAutoOptimizeButton, DiagnosePage::kScriptButton,
                       DiagnosePage::kErrorLogButton})
        EXPECT_FALSE(page->button(which)->IsEnabled());
    clickPage(DiagnosePage::kManualButton);
    ManualReadWritePanel* manual = page->manualPanel();
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(manual->GetPosition(), wxPoint(160, 0));

    manual->readRegisterField()->ChangeValue("0x1b");
    click(manual->readButton());
    EXPECT_TRUE(recordedDialogs().sawBox("Drive is offline!"));
    recordedDialogs().clear();

    goOnline();
    for (auto which : {DiagnosePage::kAutoResoButton, DiagnosePage::kAutoOptimizeButton, DiagnosePage::kScriptButton,
                       DiagnosePage::kErrorLogButton})
        EXPECT_FALSE(page->button(which)->IsEnabled());

    struct ReadCase {
        const char* typed;
        uint32_t reg;
        const char* shown;
    };
    for (const ReadCase& c : {ReadCase{"0x1b", 0x1B, "310\n(0x0136)"}, ReadCase{"52", 0x34, "-1\n(0xffff)"},
                              ReadCase{"0x59", 0x59, "65535\n(0xffff)"}, ReadCase{"0x6E", 0x6E, "-2\n(0xfffffffe)"},
                              ReadCase{"0x40", 0x40, "305419896\n(0x12345678)"}}) {
        SCOPED_TRACE(c.typed);
        drive_->clearFrames();
        manual->readRegisterField()->ChangeValue(c.typed);
        click(manual->readButton());
        EXPECT_EQ(manual->readValueText()->GetLabel().utf8_string(), c.shown);
        EXPECT_EQ(readsOf(drive_->frames()), std::vector<uint32_t>{c.reg});
    }
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    for (const char* bad : {"0X1B", "", "256", "1b", "0x"}) {
        SCOPED_TRACE(bad);
        recordedDialogs().clear();
        drive_->clearFrames();
        manual->readRegisterField()->ChangeValue(bad);
        click(manual->readButton());
        manual->writeRegisterField()->ChangeValue(bad);
        manual->writeValueField()->ChangeValue("1");
        click(manual->writeButton());
        ASSERT_EQ(recordedDialogs().boxes.size(), 2u);
        EXPECT_EQ(recordedDialogs().boxes[0].text, tr("Wrong ID register!"));
        EXPECT_EQ(recordedDialogs().boxes[1].text, tr("Wrong ID register!"));
        EXPECT_TRUE(drive_->frames().empty());
        // The value read before belongs to another register than the one now typed.
        EXPECT_EQ(manual->readValueText()->GetLabel(), "");
    }
    EXPECT_FALSE(manual->writtenThroughPanel());

    // A read the drive does not answer leaves no value beside the number either.
    manual->readRegisterField()->ChangeValue("0x59");
    click(manual->readButton());
    EXPECT_EQ(manual->readValueText()->GetLabel().utf8_string(), "65535\n(0xffff)");
    drive_->setRegisterSilent(0x34, true);
    recordedDialogs().clear();
    manual->readRegisterField()->ChangeValue("0x34");
    click(manual->readButton());
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, tr("Error reading register!"));
    EXPECT_EQ(manual->readValueText()->GetLabel(), "");
    drive_->setRegisterSilent(0x34, false);

    // One write, then one read-back, byte for byte.
    struct WriteCase {
        const char* reg;
        const char* value;
        std::vector<uint8_t> request;  // length byte, then data
        uint8_t readReg;
    };
    for (const WriteCase& c : {WriteCase{"0x34", "1234", {3, 0x34, 0xD2, 0x04}, 0x34},
                               WriteCase{"0x34", "0xFFFF", {3, 0x34, 0xFF, 0xFF}, 0x34},
                               WriteCase{"110", "0x12345678", {5, 0x6E, 0x78, 0x56, 0x34, 0x12}, 0x6E},
                               WriteCase{"0x6e", "-2", {5, 0x6E, 0xFE, 0xFF, 0xFF, 0xFF}, 0x6E}}) {
        SCOPED_TRACE(std::string(c.reg) + " " + c.value);
        recordedDialogs().clear();
        drive_->clearFrames();
        manual->writeRegisterField()->ChangeValue(c.reg);
        manual->writeValueField()->ChangeValue(c.value);
        click(manual->writeButton());
        auto frames = drive_->frames();
        ASSERT_EQ(frames.size(), 2u);
        std::vector<uint8_t> expected(16, 0);
        expected[0] = 0x01;
        expected[1] = 0x02;
        expected[4] = c.request[0];
        std::copy(c.request.begin() + 1, c.request.end(), expected.begin() + 8);
        EXPECT_EQ(frames[0].raw, expected);
        EXPECT_TRUE(frames[1].isRead);
        EXPECT_EQ(frames[1].reg, c.readReg);
        EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes[0].text;
    }
    EXPECT_TRUE(manual->writtenThroughPanel());

    // The drive keeps 100 for 150.
    drive_->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == 0x34 && value == 150 ? 100 : value; });
    recordedDialogs().clear();
    manual->writeRegisterField()->ChangeValue("0x34");
    manual->writeValueField()->ChangeValue("150");
    click(manual->writeButton());
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text,
              strprintfRuntime(tr("Value changed by the Drive (%d (0x%x) -> %d (0x%x))!"), 150, 150u, 100, 100u));
    EXPECT_NE(recordedDialogs().boxes[0].text.find("(150 (0x96) -> 100 (0x64))"), std::string::npos);
    EXPECT_EQ(recordedDialogs().boxes[0].caption, tr("Warning"));
    drive_->setWriteFilter(nullptr);

    // Values that do not fit the width or do not parse whole: nothing on the link.
    for (const char* bad : {"70000", "-32769", "12x", ""}) {
        SCOPED_TRACE(bad);
        recordedDialogs().clear();
        drive_->clearFrames();
        manual->writeValueField()->ChangeValue(bad);
        click(manual->writeButton());
        ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
        EXPECT_EQ(recordedDialogs().boxes[0].text, tr("Wrong value!"));
        EXPECT_TRUE(drive_->frames().empty());
    }

    // Leaving the page after a write asks the frame for one read of every page (which
    // begins with the axis name); leaving again asks nothing.
    int readAlls = 0;
    frame->Bind(ReadAllEvent, [&](wxCommandEvent& event) {
        ++readAlls;
        event.Skip();
    });
    wxWindow* quietPage = frame->logoPanel();
    ASSERT_NE(quietPage, nullptr);
    drive_->clearFrames();
    showPage(quietPage);
    pumpFor(200);
    EXPECT_EQ(readAlls, 1);
    auto reads = readsOf(drive_->frames());
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.front(), kRegAxisName);
    showPage(page);
    showPage(quietPage);
    pumpFor(100);
    EXPECT_EQ(readAlls, 1);

    // A read-all between the write and leaving settles it.
    showPage(page);
    manual->writeValueField()->ChangeValue("7");
    click(manual->writeButton());
    EXPECT_TRUE(manual->writtenThroughPanel());
    ASSERT_TRUE(frame->readAllFromDrive());
    EXPECT_FALSE(manual->writtenThroughPanel());
    showPage(quietPage);
    pumpFor(100);
    EXPECT_EQ(readAlls, 1);

    // Closed, the panel comes back where it was with what the user typed.
    showPage(page);
    click(manual->closeButton());
    EXPECT_FALSE(manual->IsShown());
    clickPage(DiagnosePage::kManualButton);
    EXPECT_EQ(page->manualPanel(), manual);
    EXPECT_TRUE(manual->IsShown());
    EXPECT_EQ(manual->GetPosition(), wxPoint(160, 0));
    EXPECT_EQ(manual->writeValueField()->GetValue(), "7");
}

// The three small panels stand side by side: whichever opens last, none covers another or
// the page's buttons, each lies on the page, and each holds its controls inside its frame,
// clear of the line, in every language.
TEST_F(DiagnoseTest, SmallPanelsStandSideBySideWhole) {
    const std::vector<DiagnosePage::Button> forward = {DiagnosePage::kManualButton, DiagnosePage::kTrackButton,
                                                       DiagnosePage::kInformationButton};
    struct Language {
        wxLanguage language;
        const char* code;
    };
    for (const Language& language : {Language{wxLANGUAGE_GERMAN, "de"}, Language{wxLANGUAGE_FRENCH, "fr"},
                                     Language{wxLANGUAGE_ENGLISH, "en"}}) {
        for (bool backward : {false, true}) {
            SCOPED_TRACE(std::string(language.code) + (backward ? " backward" : " forward"));
            closeFrame();
            ASSERT_TRUE(loadCatalogue(language.language));
            makeFrame();
            page = frame->diagnosePage();
            showPage(page);
            for (size_t i = 0; i < forward.size(); ++i) clickPage(forward[backward ? forward.size() - 1 - i : i]);
            pumpFor(50);
            const std::vector<BoxedPanel*> panels = {page->manualPanel(), page->trackPanel(), page->informationPanel()};
            const wxRect whole(page->GetMinSize());
            for (size_t i = 0; i < panels.size(); ++i) {
                ASSERT_NE(panels[i], nullptr) << i;
                ASSERT_TRUE(panels[i]->IsShown()) << i;
                const wxRect rect = panels[i]->GetRect();
                const wxString title = panels[i]->box()->GetLabel();
                EXPECT_TRUE(whole.Contains(rect)) << title << " beyond the page";
                for (size_t k = i + 1; k < panels.size(); ++k)
                    EXPECT_FALSE(rect.Intersects(panels[k]->GetRect()))
                        << title << " and " << panels[k]->box()->GetLabel() << " overlap";
                for (int b = 0; b < DiagnosePage::kButtonCount; ++b)
                    EXPECT_FALSE(rect.Intersects(page->button(DiagnosePage::Button(b))->GetRect()))
                        << title << " covers " << page->button(DiagnosePage::Button(b))->GetLabel();
                // The frame line runs along the panel's edge; its controls keep a pixel off it.
                EXPECT_EQ(panels[i]->box()->GetRect(), wxRect(rect.GetSize())) << title;
                const wxRect inside = wxRect(rect.GetSize()).Deflate(2);
                for (wxWindow* child : panels[i]->GetChildren()) {
                    if (child == panels[i]->box() || !child->IsShown()) continue;
                    const wxRect at = child->GetRect();
                    EXPECT_TRUE(inside.Contains(at))
                        << title << ": \"" << child->GetLabel() << "\" at " << at.x << "," << at.y << " " << at.width
                        << "x" << at.height << " outside " << inside.width << "x" << inside.height;
                }
            }
        }
    }
}

// Refreshes as the polling thread runs them: from a thread of their own.
bool pollFromThread(DiagnosePage* page) {
    bool ok = false;
    std::thread poller([&] { ok = page->cyclicUpdate(true); });
    poller.join();
    return ok;
}

TEST_F(DiagnoseTest, TrackAndInformation) {
    ASSERT_NE(startDrive(), nullptr);
    goOnline();
    showPage(page);
    // No panel open: the page reads nothing.
    EXPECT_TRUE(pollFromThread(page));
    EXPECT_TRUE(page->readFromDrive(false));
    EXPECT_TRUE(drive_->frames().empty());

    clickPage(DiagnosePage::kTrackButton);
    TrackPanel* track = page->trackPanel();
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->GetPosition(), wxPoint(400, 0));
    clickPage(DiagnosePage::kTrackButton);
    EXPECT_EQ(page->trackPanel(), track);  // a second click shows the same panel
    for (int row = 0; row < TrackPanel::kRows; ++row) {
        EXPECT_EQ(track->choice(row)->GetSelection(), 0);
        EXPECT_EQ(track->valueText(row)->GetLabel(), " -");
    }
    // Rows at "--Off--" read nothing.
    EXPECT_TRUE(pollFromThread(page));
    EXPECT_TRUE(drive_->frames().empty());

    // One register of each kind the list offers: signed and unsigned, 16 and 32 bits.
    wxComboBox* combo = track->choice(0);
    int kinds[4] = {-1, -1, -1, -1};
    for (unsigned i = 1; i < combo->GetCount(); ++i) {
        int reg = int(reinterpret_cast<intptr_t>(combo->GetClientData(i)));
        int kind = (is32bitRegister(uint32_t(reg)) ? 2 : 0) + (isRegisterUnsigned(uint32_t(reg)) ? 1 : 0);
        if (kinds[kind] < 0) kinds[kind] = reg;
    }
    const uint32_t patterns[4] = {0xFFFE, 0xFFFE, 0x80000000u, 0xFFFFFFF0u};
    for (int kind = 0; kind < 4; ++kind) {
        ASSERT_GE(kinds[kind], 0) << "the list offers no register of kind " << kind;
        SCOPED_TRACE(kinds[kind]);
        drive_->setReg(uint32_t(kinds[kind]), patterns[kind]);
        pick(track->choice(kind), kinds[kind]);
        std::string expected = trackValueText(uint32_t(kinds[kind]), patterns[kind]);
        EXPECT_TRUE(pumpUntil([&] { return track->valueText(kind)->GetLabel().utf8_string() == expected; }, 2000))
            << track->valueText(kind)->GetLabel() << " / " << expected;
        const wxFont& font = expected.size() > kTrackLongText ? track->smallFont() : track->normalFont();
        EXPECT_EQ(track->valueText(kind)->GetFont().GetPointSize(), font.GetPointSize());
    }
    // " -2147483648 (0x80000000)" is longer than 20 characters.
    EXPECT_EQ(track->valueText(2)->GetFont().GetPointSize(), track->normalFont().GetPointSize() - 1);
    EXPECT_EQ(track->valueText(0)->GetFont().GetPointSize(), track->normalFont().GetPointSize());

    // A new pick shows " -" until its register answers; a failed poll keeps the last value.
    const int row0 = kinds[0];
    int other = -1;
    for (unsigned i = 1; i < combo->GetCount() && other < 0; ++i) {
        int reg = int(reinterpret_cast<intptr_t>(combo->GetClientData(i)));
        if (reg != row0 && !is32bitRegister(uint32_t(reg))) other = reg;
    }
    ASSERT_GE(other, 0);
    drive_->setRegisterSilent(uint32_t(other), true);
    frame->connection().transport().setTcpTimeouts(1000, 150);
    pick(track->choice(0), other);
    pumpFor(100);
    EXPECT_EQ(track->valueText(0)->GetLabel(), " -");
    drive_->setRegisterSilent(uint32_t(other), false);
    drive_->setReg(uint32_t(other), 42);
    EXPECT_TRUE(pollFromThread(page));
    EXPECT_TRUE(pumpUntil([&] { return track->valueText(0)->GetLabel().StartsWith(" 42 "); }, 2000));
    drive_->setRegisterSilent(uint32_t(other), true);
    EXPECT_FALSE(pollFromThread(page));
    pumpFor(50);
    EXPECT_TRUE(track->valueText(0)->GetLabel().StartsWith(" 42 "));
    drive_->setRegisterSilent(uint32_t(other), false);

    // The free trigger registers change: a row on one that stays keeps it, else "--Off--".
    int freeId = -1;
    for (int id = 8; id < 256 && freeId < 0; ++id)
        if (findChoiceByClientData(combo, id) == wxNOT_FOUND && !is32bitRegister(uint32_t(id))) freeId = id;
    ASSERT_GE(freeId, 0);
    setTriggerRegister1("TRIGGER_A", wxString::Format("%d", freeId));
    page->reloadRegisterChoices();
    pick(track->choice(5), freeId);
    EXPECT_EQ(track->rowRegister(5), freeId);
    setTriggerRegister2("TRIGGER_B", "0");
    page->reloadRegisterChoices();
    EXPECT_EQ(track->rowRegister(5), freeId);
    EXPECT_EQ(track->rowRegister(0), other);
    setTriggerRegister1("TRIGGER_A", "0");
    page->reloadRegisterChoices();
    EXPECT_EQ(track->rowRegister(5), 0);
    EXPECT_EQ(track->choice(5)->GetSelection(), 0);
    EXPECT_EQ(track->valueText(5)->GetLabel(), " -");
    for (int row = 0; row < 5; ++row) pick(track->choice(row), 0);

    // Information reads its five registers in order.
    clickPage(DiagnosePage::kInformationButton);
    InformationPanel* info = page->informationPanel();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetPosition(), wxPoint(650, 35));
    const uint32_t regs[5] = {0xAB, 0xB5, 0x99, 0x94, 0x51};
    for (int row = 0; row < 5; ++row) drive_->setReg(regs[row], 100 + row);
    drive_->clearFrames();
    EXPECT_TRUE(pollFromThread(page));
    EXPECT_EQ(readsOf(drive_->frames()), std::vector<uint32_t>(regs, regs + 5));
    EXPECT_TRUE(pumpUntil([&] { return info->valueText(4)->GetLabel() == " 104"; }, 2000));
    for (int row = 0; row < 5; ++row) EXPECT_EQ(info->valueText(row)->GetLabel(), wxString::Format(" %d", 100 + row));
    // A silent 0x99: rows 0-1 new, 2-4 unchanged, false.
    for (int row = 0; row < 5; ++row) drive_->setReg(regs[row], 65535 - row);
    drive_->setRegisterSilent(0x99, true);
    EXPECT_FALSE(info->refreshInformationPanel(true));
    pumpFor(50);
    EXPECT_EQ(info->valueText(0)->GetLabel(), " 65535");
    EXPECT_EQ(info->valueText(1)->GetLabel(), " 65534");
    for (int row = 2; row < 5; ++row) EXPECT_EQ(info->valueText(row)->GetLabel(), wxString::Format(" %d", 100 + row));
    drive_->setRegisterSilent(0x99, false);

    // With the page hidden the polling refresh reads nothing; a closed panel neither.
    showPage(frame->logoPanel());
    drive_->clearFrames();
    EXPECT_TRUE(pollFromThread(page));
    EXPECT_TRUE(drive_->frames().empty());
    showPage(page);
    click(info->closeButton());
    click(track->closeButton());
    EXPECT_TRUE(page->readFromDrive(false));
    EXPECT_TRUE(pollFromThread(page));
    EXPECT_TRUE(drive_->frames().empty());
    clickPage(DiagnosePage::kTrackButton);
    EXPECT_TRUE(track->IsShown());
    EXPECT_EQ(track->rowRegister(0), 0);
}

}  // namespace
}  // namespace torvex
