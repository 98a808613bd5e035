#include "widgets/field_sizers.h"

#include <wx/font.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "widgets/register_edit.h"

namespace torvex {

LabelledFieldSizer::LabelledFieldSizer(int reg, const wxString& label, const wxString& unit,
                                       const wxString& fieldName, wxWindow* parent, const wxString& initialText,
                                       const wxString& tooltip, const wxSize& labelSize, const wxSize& fieldSize,
                                       DriveConnection* driveConnection, RegisterLimits* limits, int percentBase)
    : sizer(new wxBoxSizer(wxHORIZONTAL)), drive(driveConnection) {
    auto* labelText = new wxStaticText(parent, wxID_ANY, label, wxDefaultPosition, labelSize, 0);
    sizer->Add(labelText, 0, 0, 0);  // the old flag value 1 names no flag here
    field = new RegisterEdit(reg, fieldName, parent, initialText, tooltip, wxDefaultPosition, fieldSize,
                             driveConnection, limits, percentBase, 0, 1, false, 0);
    sizer->Add(field, 0, wxALL, 1);
    if (!unit.empty()) sizer->Add(new wxStaticText(parent, wxID_ANY, unit), 0, wxALIGN_CENTER_VERTICAL, 0);
}

BitmapLabelSizer::BitmapLabelSizer(wxWindow* parent, const wxString& label, wxBitmap* on, wxBitmap* off,
                                   wxFont* font)
    : wxBoxSizer(wxHORIZONTAL), lampOn(on), lampOff(off) {
    lamp = new wxStaticBitmap(parent, wxID_ANY, lampOff ? *lampOff : wxNullBitmap);
    Add(lamp, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 1);
    // Made at the size its text needs in the font it shows: made without a size, the label
    // had the toolkit lay it out once to size itself and again for the font it inherits,
    // before anything was shown, and the drive status panel builds 48 of these.
    int width = 0, height = 0;
    parent->GetTextExtent(label.empty() ? wxString(" ") : label, &width, &height, nullptr, nullptr, font);
    text = new wxStaticText(parent, wxID_ANY, label, wxDefaultPosition, wxSize(width, height), wxST_NO_AUTORESIZE);
    if (font) text->SetFont(*font);
    Add(text, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 2);
}

void BitmapLabelSizer::setLampLit(bool lit) {
    if (lit == lampLit) return;
    lampLit = lit;
    wxBitmap* picture = lit ? lampOn : lampOff;
    lamp->SetBitmap(picture ? *picture : wxNullBitmap);
}

}  // namespace torvex
