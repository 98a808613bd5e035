// The pages place their controls at fixed pixel sizes (12-pixel fields, 20-pixel buttons,
// narrow read-only combo boxes). GTK's theme gives those widgets paddings and minimum sizes
// larger than that: their labels vanish and GTK warns about negative content sizes. One
// application-wide style sheet takes the paddings and minimum sizes away.
#pragma once

namespace torvex {

// Installs the style sheet for the default screen once; later calls do nothing. Needs the
// toolkit started. Returns whether the sheet is in place.
bool installCompactControlStyle();

}  // namespace torvex
