#include "pages/settings/settings_mail.h"

namespace torvex {

bool mailAvailable() { return false; }

void mailSettings(wxWindow*, DriveConnection*) {}

}  // namespace torvex
