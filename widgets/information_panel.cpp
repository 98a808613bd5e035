#include "widgets/information_panel.h"

#include <wx/stattext.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "widgets/events.h"
#include "widgets/readout.h"

namespace torvex {

namespace {
const wxColour kValueColour(235, 235, 235);
constexpr int kTop = 16;
constexpr int kRowHeight = 12;
}  // namespace

InformationPanel::InformationPanel(wxWindow* parent, const wxPoint& pos, const wxSize& size, DriveConnection* drive)
    : BoxedPanel(parent, pos, size, drive, "Information") {
    wxFont small = GetFont();
    small.SetPixelSize(wxSize(0, 10));
    const int width = size.GetWidth();
    for (size_t row = 0; row < kInformationRows.size(); ++row) {
        const InformationRow& info = kInformationRows[row];
        const int y = kTop + int(row) * kRowHeight;
        auto* label = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(tr(info.labelKey)), wxPoint(5, y),
                                       wxSize(width * 45 / 100, kRowHeight - 1), wxST_NO_AUTORESIZE);
        auto* value = new wxStaticText(this, wxID_ANY, wxString::Format(" 0x%02x", unsigned(info.reg)),
                                       wxPoint(5 + width * 45 / 100, y), wxSize(width * 28 / 100, kRowHeight - 1),
                                       wxST_NO_AUTORESIZE);
        value->SetBackgroundColour(kValueColour);
        label->SetFont(small);
        value->SetFont(small);
        if (info.unitKey) {
            auto* unit = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(tr(info.unitKey)),
                                          wxPoint(8 + width * 73 / 100, y), wxSize(width * 25 / 100 - 10, kRowHeight - 1),
                                          wxST_NO_AUTORESIZE);
            unit->SetFont(small);
        }
        values_[row] = value;
    }
    addCloseButton(wxPoint(5, kTop + 5 * kRowHeight + 1), wxSize(60, size.GetHeight() - kTop - 5 * kRowHeight - 3));
    Bind(InformationValueEvent, &InformationPanel::onValue, this);
}

bool InformationPanel::refreshInformationPanel(bool onlyIfShown) {
    if (onlyIfShown && !isPanelShown()) return true;
    DriveConnection* link = drive();
    if (!link) return false;
    for (size_t row = 0; row < kInformationRows.size(); ++row) {
        uint16_t value = 0;
        if (link->read16bitRegister(kInformationRows[row].reg, &value) != 0) return false;
        postProgramEvent(this, InformationValueEvent, int(row), wxString::Format(" %d", int(value)));
    }
    return true;
}

void InformationPanel::onValue(wxCommandEvent& event) {
    showLabel(valueText(event.GetInt()), event.GetString());
}

}  // namespace torvex
