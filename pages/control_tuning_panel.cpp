#include "pages/control_tuning_panel.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "link/i18n.h"
#include "pages/logic_bus_auto_pictures.h"
#include "widgets/boxed_panel.h"

namespace torvex {

namespace {
wxString translated(const char* key) { return wxString::FromUTF8(tr(key)); }
}  // namespace

ControlTuningPanel::ControlTuningPanel(wxWindow* notebook, DriveConnection* drive)
    : DrivePage(notebook, drive, nullptr,
                [] {
                    DrivePageOptions options;
                    options.smallFont = true;
                    options.builtinPicture = PagePicture::ControlTuning;
                    options.drawBuiltinPicture = drawControlTuningPagePicture;
                    return options;
                }()),
      lampA_(drawTuningLampA()),
      lampB_(drawTuningLampB()) {
    auto* pageSizer = new wxBoxSizer(wxVERTICAL);
    SetSizer(pageSizer);
    wxStaticBoxSizer* standstill = buildSequenceBox(
        "Regelparameter bei Stillstand", "Tooltip Button Start Regelparameter bei Stillstand",
        {{"Start", true}, {"Freigabe", false}, {nullptr, false}, {"Werte ermitteln", true}, {"Ende", false},
         {"Fehler", false}},
        &standstillStart_, &standstillSteps_, true);
    wxStaticBoxSizer* movement = buildSequenceBox(
        "Regelparameter mit Bewegung", "Tooltip Button Start Regelparameter mit Bewegung",
        {{"Start", true}, {"Freigabe", false}, {"Drehbewegung", true}, {"Werte ermitteln", true}, {"Ende", false},
         {"Fehler", false}},
        &movementStart_, &movementSteps_, false);
    for (wxStaticBoxSizer* box : {standstill, movement}) {
        wxSizerItem* item = pageSizer->Add(box, 0, wxLEFT | wxTOP, 10);
        item->SetMinSize(wxSize(160, item->GetMinSize().GetHeight()));
    }
    // The boxes are far smaller than the picture: the page keeps the picture's size as its
    // minimum rather than shrinking to the boxes.
    SetAutoLayout(true);
    Layout();
}

wxStaticBoxSizer* ControlTuningPanel::buildSequenceBox(const char* titleKey, const char* tooltipKey,
                                                       const std::vector<Step>& steps, wxButton** start,
                                                       std::vector<wxString>* texts, bool keepLamps) {
    wxStaticBoxSizer* box = newTitledBoxSizer(this, translated(titleKey), wxVERTICAL);
    int row = 0;
    for (const Step& step : steps) {
        auto* line = new wxBoxSizer(wxHORIZONTAL);
        if (!step.textKey) {
            line->Add(20, 20);
            texts->push_back(wxString());
            box->Add(line, 0, wxLEFT | wxRIGHT | wxTOP, 5);
            ++row;
            continue;
        }
        const wxString text = translated(step.textKey);
        texts->push_back(text);
        if (row == 0) {
            // The first row is the sequence's Start button; it has no handler of its own.
            *start = new wxButton(this, wxID_ANY, text, wxDefaultPosition, wxSize(90, 20));
            (*start)->SetToolTip(translated(tooltipKey));
            line->Add(*start, 0, wxLEFT | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);
        } else {
            // 90 pixels, or the text's own width where a language needs more.
            auto* label = new wxStaticText(this, wxID_ANY, text, wxDefaultPosition, wxDefaultSize, 0, "staticText");
            label->SetMinSize(wxSize(std::max(90, label->GetBestSize().x), -1));
            line->Add(label, 0, wxLEFT | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);
        }
        auto* lamp = new wxStaticBitmap(this, wxID_ANY, step.lampA ? lampA_ : lampB_, wxDefaultPosition,
                                        wxSize(20, 20), 0, "staticBitmap");
        line->Add(lamp, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 1);
        if (keepLamps && row < 2) firstLamps_[row] = lamp;
        box->Add(line, 0, wxLEFT | wxRIGHT | wxTOP, 5);
        ++row;
    }
    // The last lamp keeps clear of the box's bottom line as the lamps do of its side.
    box->AddSpacer(5);
    return box;
}

}  // namespace torvex
