// Two small layout rows that pages and the drive status panel build on: a label with a
// register field and an optional unit, and a two-state lamp with a text.
#pragma once

#include <wx/sizer.h>
#include <wx/string.h>

class wxBitmap;
class wxFont;
class wxStaticBitmap;
class wxStaticText;
class wxWindow;

namespace torvex {

class DriveConnection;
class RegisterLimits;
class RegisterEdit;

// A horizontal row: label, register field, and the unit when there is one. The holder
// owns nothing: the caller adds sizer to its layout and the windows belong to parent.
class LabelledFieldSizer {
public:
    LabelledFieldSizer(int reg, const wxString& label, const wxString& unit, const wxString& fieldName,
                       wxWindow* parent, const wxString& initialText, const wxString& tooltip,
                       const wxSize& labelSize, const wxSize& fieldSize, DriveConnection* drive,
                       RegisterLimits* limits, int percentBase);
    virtual ~LabelledFieldSizer() = default;

    wxBoxSizer* sizer = nullptr;
    RegisterEdit* field = nullptr;
    DriveConnection* drive = nullptr;
};

// A horizontal row of a lamp picture (lit or not) and a text. The bitmaps belong to the caller.
class BitmapLabelSizer : public wxBoxSizer {
public:
    BitmapLabelSizer(wxWindow* parent, const wxString& text, wxBitmap* lampOn, wxBitmap* lampOff,
                     wxFont* font = nullptr);

    void setLampLit(bool lit);
    bool isLampLit() const { return lampLit; }

    wxBitmap* lampOn;
    wxBitmap* lampOff;
    bool lampLit = false;
    wxStaticBitmap* lamp = nullptr;
    wxStaticText* text = nullptr;
};

}  // namespace torvex
