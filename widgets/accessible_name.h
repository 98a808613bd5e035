// What assistive tools (screen readers, test robots) call a control. The toolkit names a
// button by its label; a button that shows a picture instead has none, and is announced as
// a nameless push button.
#pragma once

class wxString;
class wxWindow;

namespace torvex {

// Gives control this name for assistive tools. Returns whether the toolkit took it.
bool setAccessibleName(wxWindow* control, const wxString& name);

}  // namespace torvex
