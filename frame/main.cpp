#include "frame/app.h"

wxIMPLEMENT_APP(torvex::TorvexApp);
