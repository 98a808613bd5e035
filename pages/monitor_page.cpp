#include "pages/monitor_page.h"

#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "link/message_seam.h"
#include "pages/page_table.h"
#include "widgets/catalogue.h"
#include "widgets/events.h"
#include "widgets/percent_gauge.h"
#include "widgets/register_access.h"
#include "widgets/register_display.h"
#include "widgets/ui_seam.h"

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
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(buildOperatingStates(this), 0, wxLEFT | wxTOP, 10);
    SetAutoLayout(true);
    SetSizer(sizer);
    sizer->SetSizeHints(this);
    sizer->Fit(this);
}

wxSizer* MonitorPage::buildOperatingStates(wxWindow* parent) {
    auto* box = new wxStaticBoxSizer(new wxStaticBox(parent, wxID_ANY, translate("Operating states"),
                                                     wxDefaultPosition, wxDefaultSize, 0, "groupBox"),
                                     wxVERTICAL);
    for (const MonitorRowDefinition& row : readMonitorRows(monitorCatalogueLookup())) addMonitorRow(box, parent, row);
    return box;
}

void MonitorPage::addMonitorRow(wxSizer* box, wxWindow* parent, const MonitorRowDefinition& row) {
    auto* line = new wxBoxSizer(wxHORIZONTAL);
    line->Add(new wxStaticText(parent, wxID_ANY, row.text, wxDefaultPosition, wxSize(150, -1)), 0,
              wxALIGN_CENTER_VERTICAL);

    ControlRow displayRow{RowKind::Display, static_cast<int>(row.reg), 0, 0, 0, 49, 12};
    auto* display = static_cast<RegisterDisplay*>(buildControls({displayRow}).front());
    line->Add(display, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    rowDisplays_.push_back(display);

    if (!row.markerValid) reportDefinitionError(row.index, "MARKER");
    auto* gauge = new PercentGauge(parent, wxID_ANY, kMonitorGaugeRange, row.marker, wxDefaultPosition,
                                   wxSize(300, 15), wxGA_HORIZONTAL | wxGA_SMOOTH | wxBORDER_NONE);
    gauge->Bind(MonitorGaugeValueEvent, [gauge](wxCommandEvent& event) { gauge->SetValue(event.GetInt()); });
    line->Add(gauge, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    gauges_.push_back(gauge);

    line->Add(new wxStaticText(parent, wxID_ANY, row.unit), 0, wxALL, 3);
    gauge->SetValue(kMonitorGaugeStart);
    box->Add(line);

    if (!row.fullScaleValid) reportDefinitionError(row.index, "PERCENT100");
    fullScales_.push_back(row.fullScale);
    registers_.push_back(row.reg);
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
