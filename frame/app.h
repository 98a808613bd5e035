#pragma once

#include <wx/app.h>

namespace torvex {

class TorvexApp : public wxApp {
public:
    bool OnInit() override;
};

}  // namespace torvex

wxDECLARE_APP(torvex::TorvexApp);
