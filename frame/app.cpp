#include "frame/app.h"

#include <wx/frame.h>

#include "link/registers.h"

namespace torvex {

bool TorvexApp::OnInit() {
    buildRegisterCache();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Torvex V2.0beta43tcp", wxPoint(50, 50), wxSize(1200, 750));
    frame->Show();
    return true;
}

}  // namespace torvex
