#include "pages/options_page.h"

#include <algorithm>

#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "link/connection.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "services/catalogue.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "widgets/boxed_panel.h"
#include "widgets/events.h"
#include "widgets/field_logic.h"
#include "widgets/register_choice.h"

namespace torvex {

namespace {

DrivePageOptions optionsPageOptions() {
    DrivePageOptions options;
    options.builtinPicture = PagePicture::Options;
    options.drawBuiltinPicture = &drawOptionsPicture;
    return options;
}

// Between the page's left edge and the boxes, and between a label and its field.
constexpr int kPageMargin = 10;
constexpr int kLabelGap = 6;

void registerErrorBox(const char* message) {
    ui::messageBox(wxString::Format(translate(message), static_cast<unsigned>(kRegKernOptions)),
                   translate(kCaptionError), wxOK | wxICON_ERROR);
}

}  // namespace

OptionsPage::OptionsPage(wxWindow* notebook, DriveConnection* drive)
    : DrivePage(notebook, drive, nullptr, optionsPageOptions()) {
    // The labels line up with the "Torvex-Offset" label elsewhere: as wide as that text, or
    // as their own texts where a language makes those wider.
    int width = 0;
    for (const char* key : {"Torvex-Offset", "Name", "Register-ID"}) {
        int textWidth = 0;
        GetTextExtent(translate(key), &textWidth, nullptr);
        width = std::max(width, textWidth);
    }
    labelWidth_ = width > 0 ? width : 70;

    // The boxes keep as far from the page's left edge as the spacers keep them from the top
    // and from each other.
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(10, 10, 0);
    sizer->Add(buildTriggerBox(translate("Free Trigger 1"), &trigger1Name_, &trigger1Id_), 0, wxLEFT, kPageMargin);
    sizer->Add(10, 10, 0);
    sizer->Add(buildTriggerBox(translate("Free Trigger 2"), &trigger2Name_, &trigger2Id_), 0, wxLEFT, kPageMargin);
    showFreeTriggers();
    sizer->Add(10, 10, 0);
    sizer->Add(buildBaudBox(), 0, wxLEFT, kPageMargin);
    // Offline at start-up: the read fails and the radio buttons stay as built.
    showDriveBaudRate();
    enableBaud(false);

    Bind(wxEVT_RADIOBUTTON, &OptionsPage::onRadio, this);
    Bind(BaudEnableEvent, &OptionsPage::onEnableBaud, this);

    // The page keeps its 831 x 619 minimum: the boxes take less room than the picture.
    SetSizer(sizer);
}

wxSizer* OptionsPage::buildTriggerBox(const wxString& title, wxTextCtrl** name, wxTextCtrl** id) {
    // The box's controls are its children, so that the toolkit keeps them clear of its title.
    wxStaticBoxSizer* box = newTitledBoxSizer(this, title, wxVERTICAL);
    wxStaticBox* parent = box->GetStaticBox();
    auto addLine = [&](const wxString& label, wxTextCtrl** field, int lastFlag) {
        auto* line = new wxBoxSizer(wxHORIZONTAL);
        line->Add(new wxStaticText(parent, wxID_ANY, label, wxDefaultPosition, wxSize(labelWidth_, -1)), 0,
                  wxALIGN_CENTER_VERTICAL);
        // Tall enough for the page's characters: the compact style would let the field shrink.
        *field = new wxTextCtrl(parent, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                wxSize(70, parent->GetCharHeight() + 4),
                                wxBORDER_NONE | wxTE_PROCESS_ENTER, wxDefaultValidator, "text");
        // The longest label ("N° de registre") keeps a gap to its field.
        line->Add(*field, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kLabelGap);
        box->Add(line, 0, wxLEFT | wxRIGHT | wxTOP | lastFlag, kTitledBoxAir);
    };
    addLine(translate("Name"), name, 0);
    addLine(translate("Register-ID"), id, wxBOTTOM);
    return box;
}

wxSizer* OptionsPage::buildBaudBox() {
    wxStaticBoxSizer* box = newTitledBoxSizer(this, translate("Baudrate"), wxVERTICAL);
    wxStaticBox* parent = box->GetStaticBox();
    // The rates are shown as written.
    radio9600_ = new wxRadioButton(parent, wxID_ANY, "9600", wxDefaultPosition, wxSize(100, -1), wxRB_GROUP);
    radio9600_->SetToolTip(translate("Tooltip Baudrate 9600"));
    radio115200_ = new wxRadioButton(parent, wxID_ANY, "115200", wxDefaultPosition, wxSize(100, -1));
    radio115200_->SetToolTip(translate("Tooltip Baudrate 115200"));
    box->Add(radio9600_, 0, wxLEFT | wxRIGHT | wxTOP, kTitledBoxAir);
    box->Add(radio115200_, 0, wxALL, kTitledBoxAir);
    shown9600_ = radio9600_->GetValue();
    return box;
}

void OptionsPage::showFreeTriggers() {
    wxString name;
    unsigned id = 0;
    getTriggerRegister1(name, id);
    trigger1Name_->ChangeValue(name);
    trigger1Id_->ChangeValue(wxString::Format("%u", id));
    getTriggerRegister2(name, id);
    trigger2Name_->ChangeValue(name);
    trigger2Id_->ChangeValue(wxString::Format("%u", id));
}

void OptionsPage::onPageLeft() {
    setTriggerRegister1(trigger1Name_->GetValue(), trigger1Id_->GetValue());
    setTriggerRegister2(trigger2Name_->GetValue(), trigger2Id_->GetValue());
    // What was stored: a refused id shows as 0.
    showFreeTriggers();
    // The choice lists of the other pages offer the free trigger registers: have them
    // refilled, whether anything changed or not.
    postProgramEvent(wxGetTopLevelParent(this), TriggerRegistersChangedEvent);
}

void OptionsPage::showBaud(bool baud9600) {
    radio9600_->SetValue(baud9600);
    radio115200_->SetValue(!baud9600);
    shown9600_ = baud9600;
}

bool OptionsPage::showDriveBaudRate() {
    uint32_t value = 0;
    if (!drive() || drive()->read32bitRegister(kRegKernOptions, &value) != 0) return false;
    showBaud((value & kBaud9600Bit) != 0);
    return true;
}

void OptionsPage::onRadio(wxCommandEvent&) { changeDriveBaudRate(); }

void OptionsPage::changeDriveBaudRate() {
    const bool want9600 = radio9600_->GetValue();
    uint32_t current = 0;
    if (!drive() || drive()->read32bitRegister(kRegKernOptions, &current) != 0) {
        registerErrorBox(kMsgReadFailed);
        // Nothing was written: the buttons must not claim a rate the drive does not have.
        showBaud(shown9600_);
        return;
    }
    // From here on the buttons show only a rate the drive reported, never the one asked for
    // until the drive confirms it.
    const uint32_t value = kernOptionsForBaud(current, want9600);
    if (drive()->write32bitRegister(kRegKernOptions, value) != 0) registerErrorBox(kMsgWriteFailed);
    uint32_t back = 0;
    if (drive()->read32bitRegister(kRegKernOptions, &back) != 0) {
        registerErrorBox(kMsgReadFailed);
        // Whether the write took is unknown: keep the rate read before it.
        showBaud((current & kBaud9600Bit) != 0);
        return;
    }
    if ((back ^ value) & kBaud9600Bit) {
        ui::messageBox(translate("Couldn't change baudrate!"), translate(kCaptionError), wxOK | wxICON_ERROR);
        // The drive's setting, read once more; should that read fail, the read-back stands.
        if (!showDriveBaudRate()) showBaud((back & kBaud9600Bit) != 0);
        return;
    }
    showBaud((back & kBaud9600Bit) != 0);
}

void OptionsPage::enableBaud(bool enable) {
    radio9600_->Enable(enable);
    radio115200_->Enable(enable);
}

void OptionsPage::setOnline(bool online) {
    online_ = online;
    enableBaud(online);
}

bool OptionsPage::cyclicUpdate(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive() || !drive()->isConnected()) return false;
    uint32_t status = 0;
    if (drive()->read32bitRegister(kRegStatus, &status) != 0) return false;
    // The rate may change only while the drive is not enabled (STATUS bit 0 clear).
    postProgramEvent(this, BaudEnableEvent, (status & 1) ? 0 : 1);
    return true;
}

void OptionsPage::onEnableBaud(wxCommandEvent& event) {
    // An enable queued by the last poll before going offline arrives after setOnline(false):
    // it must not make the buttons usable again.
    const bool usable = online_ && drive() && drive()->isConnected();
    enableBaud(event.GetInt() != 0 && usable);
}

bool OptionsPage::refreshOptionsPage(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive() || !drive()->isConnected()) return false;
    WindowHold hold;
    showDriveBaudRate();
    return true;
}

bool OptionsPage::readFromDrive(bool onlyIfShown) {
    Layout();
    return refreshOptionsPage(onlyIfShown);
}

bool OptionsPage::enterBeforeOnlineTest(wxCommandEvent& event) {
    event.Skip();
    return true;
}

}  // namespace torvex
