// The pages place their controls at fixed pixel sizes (12-pixel fields, 20-pixel buttons,
// narrow read-only combo boxes). GTK's theme gives those widgets paddings and minimum sizes
// larger than that: their labels vanish and GTK warns about negative content sizes. One
// style sheet takes the paddings and minimum sizes away, but only inside the windows that
// are laid out that way (the pages, the drive status panel): dialogs, the file chooser and
// the other windows the toolkit lays out by itself keep the theme's sizes, which their
// texts need.
#pragma once

class wxTextCtrl;
class wxWindow;

namespace torvex {

// Installs the style sheet for the default screen once; later calls do nothing. Needs the
// toolkit started. Returns whether the sheet is in place.
bool installCompactControlStyle();

// Puts window and every control inside it under the compact style (installing the sheet
// first when needed). Returns whether the style applies.
bool useCompactControls(wxWindow* window);

// In a multi-line field whose lines wrap, every wrapped line goes on indent pixels in from
// the left, under a column of the line it continues. Returns whether the toolkit took it.
bool indentWrappedLines(wxTextCtrl* field, int indent);

}  // namespace torvex
