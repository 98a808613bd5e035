// Numbers printed for the user with a fixed count of decimals: fields, read-outs, the status
// panel and the oscilloscope's cursor read-out all print through here, so that they agree.
#pragma once

#include <string>

namespace torvex {

// value with decimals digits after the point (0 or more), in C notation ("1.50", never
// "1,50") whatever the process locale is. A value that rounds to zero prints without a
// sign: a read-out of -0.0001 is "0.000", not "-0.000".
std::string fixedDecimalText(double value, int decimals);

}  // namespace torvex
