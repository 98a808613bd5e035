// Read-outs that the polling and watching threads feed get the same value most of the
// time. A label given its own text again still lays its window out again (its size could
// have changed), and a native gauge given its own value still redraws and re-allocates:
// these change a read-out only when its value changed.
#pragma once

#include <wx/string.h>

class wxGauge;
class wxWindow;

namespace torvex {

// Sets the label unless it already reads text; true when it changed.
bool showLabel(wxWindow* label, const wxString& text);
// Sets the gauge's value unless it already holds it.
void showGaugeValue(wxGauge* gauge, int value);

}  // namespace torvex
