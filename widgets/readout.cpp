#include "widgets/readout.h"

#include <wx/gauge.h>
#include <wx/window.h>

namespace torvex {

bool showLabel(wxWindow* label, const wxString& text) {
    if (!label || label->GetLabel() == text) return false;
    label->SetLabel(text);
    return true;
}

void showGaugeValue(wxGauge* gauge, int value) {
    if (gauge && gauge->GetValue() != value) gauge->SetValue(value);
}

}  // namespace torvex
