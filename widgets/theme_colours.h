// Windows that draw themselves (the status line, the gauges) take their colours from the
// theme. A paint device context asks the window for its colours when it is made, and a
// window without colours of its own answers from the toolkit's style, which costs about as
// much as the painting itself. Such windows hold the theme's colours as their own instead.
#pragma once

class wxWindow;

namespace torvex {

// Gives window the theme's colours as its own (those it has not set itself), and takes
// them from the theme again whenever the system colours change.
void holdThemeColours(wxWindow* window);

}  // namespace torvex
