// The register choice list offered by register choices, with the two free trigger registers.
#pragma once

#include <wx/string.h>

namespace torvex {

void setTriggerRegister1(const wxString& name, const wxString& id);
void setTriggerRegister2(const wxString& name, const wxString& id);

}  // namespace torvex
