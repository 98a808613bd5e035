// Placeholder until printing is built.
#include "frame/register_printout.h"

namespace torvex {

void printRegisters(wxWindow*, DriveConnection*, bool) {}

}  // namespace torvex
