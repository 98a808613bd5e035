#include "pages/monitor_page.h"

#include <algorithm>

#include <wx/gauge.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "link/message_seam.h"
#include "pages/page_table.h"
#include "services/catalogue.h"
#include "services/ui_seam.h"
#include "widgets/events.h"
#include "widgets/percent_gauge.h"
#include "widgets/register_access.h"
#include "widgets/register_display.h"

namespace torvex {

namespace {

// A row's gauge value, queued to the gauge as a display queues its text: the polling
// thread never touches a window.
wxDEFINE_EVENT(MonitorGaugeValueEvent, wxCommandEvent);

DrivePageOptions monitorPageOptions() {
    DrivePageOptions options;
    options.builtinPicture = PagePicture::Monitor;
    options.drawBuiltinPicture = &drawMonitorPicture;
    return options;
}

void reportDefinitionError(unsigned index, const char* key) {
    // The definition errors are shown as written; only the caption is translated.
    ui::messageBox(monitorDefinitionError(index, key), translate(kCaptionInternalError), wxOK | wxICON_ERROR);
}

}  // namespace

MonitorPage::MonitorPage(wxWindow* notebook, DriveConnection* drive)
    : DrivePage(notebook, drive, nullptr, monitorPageOptions()) {
    buildOperatingStates(this);
}

// The rows are placed where a row sizer would put them (label 150 wide, display and gauge
// with 5 pixels either side, the unit with 3 all round), but at fixed places, so that each
// display stands where its table row says.
wxStaticBox* MonitorPage::buildOperatingStates(wxWindow* parent) {
    const int textHeight = parent->GetCharHeight();
    layout_.rowHeight = std::max(15, textHeight + 6);
    layout_.left = kBoxLeft + 8;
    layout_.top = kBoxTop + textHeight + 8;
    // 49 pixels, or room for the widest value a 32-bit register gives where the font needs it.
    int widest = 0;
    parent->GetTextExtent("-2147483648", &widest, nullptr);
    layout_.displayWidth = std::max(49, widest + 2);
    auto* box = new wxStaticBox(parent, wxID_ANY, translate("Operating states"), wxPoint(kBoxLeft, kBoxTop),
                                wxDefaultSize, 0, "groupBox");
    int right = layout_.left + 150 + 5 + layout_.displayWidth + 5 + 5 + 300 + 5;
    int rows = 0;
    for (const MonitorRowDefinition& row : readMonitorRows(monitorCatalogueLookup())) {
        wxStaticText* unit = addMonitorRow(parent, row, layout_.top + rows * layout_.rowHeight);
        right = std::max(right, unit->GetPosition().x + unit->GetSize().x + 3);
        ++rows;
    }
    box->SetSize(right + 8 - kBoxLeft, layout_.top - kBoxTop + rows * layout_.rowHeight + 8);
    return box;
}

wxStaticText* MonitorPage::addMonitorRow(wxWindow* parent, const MonitorRowDefinition& row, int y) {
    const int h = layout_.rowHeight;
    int x = layout_.left;
    auto* label = new wxStaticText(parent, wxID_ANY, row.text, wxDefaultPosition, wxSize(150, -1),
                                   wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
    label->Move(x, y + (h - label->GetSize().y) / 2);
    x += 150 + 5;

    ControlRow displayRow;
    displayRow.kind = RowKind::Display;
    displayRow.reg = static_cast<int>(row.reg);
    displayRow.x = x;
    displayRow.y = y + (h - 12) / 2;
    displayRow.w = layout_.displayWidth;
    displayRow.h = 12;
    auto* display = static_cast<RegisterDisplay*>(buildControls({displayRow}).front());
    rowDisplays_.push_back(display);
    x += layout_.displayWidth + 5 + 5;

    if (!row.markerValid) reportDefinitionError(row.index, "MARKER");
    auto* gauge = new PercentGauge(parent, wxID_ANY, kMonitorGaugeRange, row.marker, wxPoint(x, y + (h - 15) / 2),
                                   wxSize(300, 15), wxGA_HORIZONTAL | wxGA_SMOOTH | wxBORDER_NONE);
    gauge->Bind(MonitorGaugeValueEvent, [gauge](wxCommandEvent& event) { gauge->SetValue(event.GetInt()); });
    gauges_.push_back(gauge);
    x += 300 + 5;

    // Centred in the row like the label: a font taller than the row's 3 pixels of air
    // allow would push a unit at a fixed offset out of the last row and the box.
    auto* unit = new wxStaticText(parent, wxID_ANY, row.unit, wxPoint(x + 3, y + 3));
    unit->Move(x + 3, y + (h - unit->GetSize().y) / 2);
    gauge->SetValue(kMonitorGaugeStart);

    if (!row.fullScaleValid) reportDefinitionError(row.index, "PERCENT100");
    fullScales_.push_back(row.fullScale);
    registers_.push_back(row.reg);
    return unit;
}

bool MonitorPage::cyclicUpdate(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive() || !drive()->isConnected()) return false;
    for (size_t k = 0; k < registers_.size(); ++k)
        if (!updateMonitorRow(k)) return false;
    return true;
}

bool MonitorPage::updateMonitorRow(size_t k) {
    if (k >= registers_.size()) return false;
    if (!rowDisplays_[k]->refreshRegisterDisplay()) return false;
    DriveRegisterAccess access(drive());
    int64_t value = 0;
    if (readMonitorValue(access, registers_[k], &value) != 0) return false;
    postProgramEvent(gauges_[k], MonitorGaugeValueEvent, monitorGaugeValue(value, fullScales_[k]));
    return true;
}

}  // namespace torvex
