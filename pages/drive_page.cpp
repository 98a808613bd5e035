#include "pages/drive_page.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/dcbuffer.h>
#include <wx/filefn.h>
#include <wx/log.h>

#include "widgets/events.h"
#include "services/ui_seam.h"
#include "link/connection.h"
#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "widgets/compact_style.h"
#include "widgets/register_bit_label.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"
#include "widgets/register_text_edit.h"
#include "widgets/scaled_fields.h"

namespace torvex {

namespace {
const wxColour kPageColour(129, 156, 214);

wxString translated(const char* key) { return wxString::FromUTF8(tr(key)); }
}  // namespace

DrivePage::DrivePage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits,
                     const DrivePageOptions& options)
    : drive_(drive),
      limits_(limits),
      pictureFile_(options.pictureFile),
      builtinPicture_(options.builtinPicture),
      drawBuiltinPicture_(options.drawBuiltinPicture),
      refocusEvent_(options.refocusEvent) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    // The page's controls sit at the fixed sizes of its layout.
    useCompactControls(this);
    if (options.smallFont) {
        wxFont font = GetFont();
        font.SetPixelSize(wxSize(0, 11));
        SetFont(font);
    }
    SetBackgroundColour(kPageColour);
    if (options.minimumSize) SetSizeHints(kPagePictureWidth, kPagePictureHeight);

    Bind(wxEVT_PAINT, &DrivePage::onPaint, this);
    Bind(wxEVT_TEXT_ENTER, &DrivePage::onTextEnter, this);
    Bind(wxEVT_BUTTON, &DrivePage::onButton, this);
    Bind(wxEVT_CHILD_FOCUS, &DrivePage::onChildFocus, this);
    if (refocusEvent_ != wxEVT_NULL) Bind(wxEventTypeTag<wxCommandEvent>(refocusEvent_), &DrivePage::onRefocus, this);
}

bool DrivePage::SendIdleEvents(wxIdleEvent& event) {
    // Every wake-up of the event loop (each value the polling thread posts) walks the
    // frame's windows for their internal idle work, and the pages that are not shown hold
    // most of them. Nothing of theirs is seen until their page is picked, and the first
    // round after that does whatever they put off.
    if (!IsShown()) return false;
    return wxPanel::SendIdleEvents(event);
}

const wxBitmap& DrivePage::backgroundPicture() const {
    loadPicture();
    return picture_;
}

bool DrivePage::pictureFromFile() const {
    loadPicture();
    return pictureFromFile_;
}

void DrivePage::loadPicture() const {
    if (pictureLoaded_) return;
    pictureLoaded_ = true;
    // A missing file must not show the library's error box: look before loading.
    if (!pictureFile_.empty() && wxFileExists(pictureFile_)) {
        wxLogNull quiet;
        wxBitmap loaded;
        if (loaded.LoadFile(pictureFile_, wxBITMAP_TYPE_BMP) && loaded.IsOk()) {
            picture_ = loaded;
            pictureFromFile_ = true;
            return;
        }
    }
    picture_ = drawBuiltinPicture_ ? drawBuiltinPicture_() : builtinPagePicture(builtinPicture_);
    if (!picture_.IsOk()) picture_ = builtinPagePicture(builtinPicture_);
    pictureFromFile_ = false;
}

RegisterEdit* DrivePage::addEdit(RegisterEdit* field) {
    edits_.push_back(field);
    return field;
}

RegisterDisplay* DrivePage::addDisplay(RegisterDisplay* display) {
    displays_.push_back(display);
    if (refocusEvent_ != wxEVT_NULL) display->setKeyboardStop(false);
    return display;
}

std::vector<wxWindow*> DrivePage::buildControls(const std::vector<ControlRow>& rows) {
    std::vector<wxWindow*> made;
    made.reserve(rows.size());
    for (const ControlRow& row : rows) {
        const wxPoint pos(row.x, row.y);
        const wxSize size(row.w, row.h);
        const wxString tooltip = translated(rowTooltipKey(row).c_str());
        const wxString initial = row.initialTextTranslated ? translated(rowInitialText(row).c_str())
                                                           : wxString::FromUTF8(rowInitialText(row));
        wxWindow* control = nullptr;
        switch (row.kind) {
        case RowKind::Edit: {
            const wxString name = row.nameKey ? translated(row.nameKey) : wxString();
            auto* edit = new RegisterEdit(row.reg, name, this, initial, tooltip, pos, size, drive_, limits_,
                                          row.percentBase, row.scale, row.decimals, row.hex, row.part);
            if (row.listed) addEdit(edit);
            control = edit;
            break;
        }
        case RowKind::Display: {
            auto* display = new RegisterDisplay(row.reg, this, initial, tooltip, pos, size, drive_, row.part,
                                                row.percentBase);
            if (row.listed) addDisplay(display);
            control = display;
            break;
        }
        case RowKind::Lamp: {
            const wxString label = row.nameKey ? translated(row.nameKey) : initial;
            auto* lamp = new RegisterBitLabel(row.reg, row.bit, this, label, pos, size, drive_, row.inverted);
            if (row.tooltipKey) lamp->SetToolTip(tooltip);
            lamps_.push_back(lamp);
            control = lamp;
            break;
        }
        }
        made.push_back(control);
        tableRows_.push_back(row);
        tableControls_.push_back(control);
    }
    return made;
}

void DrivePage::createUpDownButtons(const wxPoint& upPosition, const wxPoint& downPosition, const wxSize& size) {
    upButton_ = new wxButton(this, wxID_ANY, translated("UP"), upPosition, size);
    upButton_->SetToolTip(translated("Tooltip Button Up"));
    downButton_ = new wxButton(this, wxID_ANY, translated("DOWN"), downPosition, size);
    downButton_->SetToolTip(translated("Tooltip Button Down"));
}

bool DrivePage::isInEditList(const wxWindow* control) const {
    return control && std::find(edits_.begin(), edits_.end(), control) != edits_.end();
}

bool DrivePage::isInDisplayList(const wxWindow* control) const {
    return control && std::find(displays_.begin(), displays_.end(), control) != displays_.end();
}

bool DrivePage::commitField(RegisterEdit* field) { return field->commitRegisterEdit(); }

bool DrivePage::stepField(RegisterEdit* field, long delta) { return field->stepRegisterEdit(delta); }

void DrivePage::postRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& units) {
    wxWindow* parent = GetParent();
    if (!parent) return;
    wxCommandEvent* notice = newProgramEvent(RegisterChangedEvent, reg, text);
    notice->SetExtraLong(units ? encodeFieldUnits(*units) : 0);
    wxQueueEvent(parent->GetEventHandler(), notice);
}

void DrivePage::postRegisterChanged(RegisterEdit* field) {
    postRegisterChanged(field->registerNumber(), field->GetValue(), unitsOfField(field));
}

FieldUnits DrivePage::unitsOfField(const RegisterEdit* field) const {
    return unitsOf(field->format(), fieldKind(field));
}

bool DrivePage::rereadField(RegisterEdit* field) { return field->rereadRegisterEdit(); }

void DrivePage::followRegisterChange(int reg, const wxString& text, const std::optional<FieldUnits>& sender) {
    const bool usable = drive_ && drive_->isConnected();
    for (RegisterEdit* field : edits_) {
        if (field->registerNumber() != reg) continue;
        switch (followAction(unitsOfField(field), sender, text.utf8_string(), usable)) {
        case FollowAction::TakeText:
            field->showValue(text);
            break;
        case FollowAction::Reread:
            // A failed re-read shows no box (the user's action had its own) and leaves the
            // field as it was: the notice is sent after a refused entry too, when nothing changed.
            if (!rereadField(field)) continue;
            break;
        case FollowAction::ShowNothing:
            field->showValue(wxString());
            break;
        case FollowAction::Keep:
            continue;
        }
        afterCommit(field);
    }
}

std::optional<int> DrivePage::speedScaleAfterChange(int reg) const {
    if (reg != kSpeedMaxRegister && reg != kMotorSpeedMaxRegister) return std::nullopt;
    if (!drive_ || !drive_->isConnected()) return std::nullopt;
    uint16_t scale = 0;
    if (drive_->read16bitRegister(kSpeedScaleRegister, &scale) != 0) return std::nullopt;
    return scale;
}

void DrivePage::onTextEnter(wxCommandEvent& event) {
    if (enterBeforeOnlineTest(event)) return;
    if (!drive_ || !drive_->isConnected()) {
        ui::messageBox(translated("Drive is not online!"), translated(kCaptionError), wxOK | wxICON_ERROR);
        event.Skip();
        return;
    }
    wxObject* source = event.GetEventObject();
    // Only an entry tells the other pages. Leaving an unchanged field writes nothing, and the
    // text it would send may already be older than a re-read queued before it is delivered.
    if (axisNameField_ && source == axisNameField_) {
        const bool entered = axisNameField_->isModified();
        axisNameField_->commitRegisterTextEdit();
        if (entered) postRegisterChanged(static_cast<int>(kRegAxisName), axisNameField_->GetValue(), std::nullopt);
        return;
    }
    auto found = std::find(edits_.begin(), edits_.end(), source);
    if (found == edits_.end()) return;
    RegisterEdit* field = *found;
    if (field->registerNumber() == 0) {
        ui::messageBox(translated("Noch nicht implementiert!"), translated(kCaptionError), wxOK | wxICON_ERROR);
        return;
    }
    enterField(field);
}

bool DrivePage::enterField(RegisterEdit* field) {
    const bool entered = field->isModified();
    const bool taken = commitField(field);
    afterCommit(field);
    // Posted whatever the commit gave: after a refusal the field shows its restored text.
    if (entered) postRegisterChanged(field);
    return taken;
}

void DrivePage::onButton(wxCommandEvent& event) {
    auto stepped = std::find(edits_.begin(), edits_.end(), lastFocused_);
    RegisterEdit* field = stepped == edits_.end() ? nullptr : *stepped;
    const bool typed = field && field->isModified();
    const wxString savedBefore = field ? field->savedValue() : wxString();
    // The button took the focus from a field whose entry may still be queued (a quick click
    // comes before it); it goes first, so that neither a step nor the page's own buttons act
    // on the value from before it.
    for (RegisterEdit* edit : edits_) edit->finishLeaving();
    if (axisNameField_) axisNameField_->finishLeaving();
    wxObject* source = event.GetEventObject();
    long delta = 0;
    if (upButton_ && source == upButton_) {
        delta = 1;
    } else if (downButton_ && source == downButton_) {
        delta = -1;
    } else {
        if (!handleButton(event)) event.Skip();
        return;
    }
    if (!field) return;
    if (typed && drive_ && drive_->isConnected()) {
        // Typed text the field was never left with is taken as Enter would take it. An entry
        // that was refused (or that the drive did not take) has shown its box: no step then
        // from the value the user meant to replace.
        if (field->isModified() && !enterField(field)) return;
        if (field->savedValue() == savedBefore) return;
    }
    const wxString before = field->GetValue();
    stepField(field, delta);
    afterStep(field);
    // Fields bound to the same register on other pages follow a step as they follow Enter;
    // without it a step there would write the old value back.
    if (field->GetValue() != before) postRegisterChanged(field);
}

void DrivePage::onChildFocus(wxChildFocusEvent& event) {
    event.Skip();
    // The event names the direct child; a field inside a holder is the focused window.
    wxWindow* child = event.GetWindow();
    wxWindow* focused = wxWindow::FindFocus();
    if (focused && child && (focused == child || child->IsDescendant(focused))) child = focused;
    if (!child || child == this) return;
    if (isInDisplayList(child) || handsFocusBack(child)) {
        // Only a page with a refocus step of its own hands the focus back (queued: the focus
        // is still changing while this runs); on the others a read-out keeps it, so that its
        // text can be selected and copied.
        if (refocusEvent_ != wxEVT_NULL) postProgramEvent(this, refocusEvent_);
        return;
    }
    if (child == upButton_ || child == downButton_) return;
    if (isNotRemembered(child)) return;
    lastFocused_ = child;
}

void DrivePage::onRefocus(wxCommandEvent&) { restoreFocus(); }

void DrivePage::restoreFocus() {
    if (axisNameField_ && lastFocused_ == axisNameField_) {
        axisNameField_->SetFocus();
        return;
    }
    if (isInEditList(lastFocused_)) {
        lastFocused_->SetFocus();
        return;
    }
    lastFocused_ = defaultField_;
    if (defaultField_) defaultField_->SetFocus();
}

void DrivePage::onPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    renderPage(dc);
}

void DrivePage::renderPage(wxDC& dc) {
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    const wxBitmap& picture = backgroundPicture();
    if (picture.IsOk()) dc.DrawBitmap(picture, 0, 0, false);
    paintPage(dc);
}

}  // namespace torvex
