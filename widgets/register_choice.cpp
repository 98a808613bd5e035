// Placeholder until the register choice lists are built.
#include "widgets/register_choice.h"

namespace torvex {

void setTriggerRegister1(const wxString&, const wxString&) {}
void setTriggerRegister2(const wxString&, const wxString&) {}

}  // namespace torvex
