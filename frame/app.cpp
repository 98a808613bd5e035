#include "frame/app.h"

#include <wx/frame.h>

#include "link/registers.h"

namespace torvex {

const char* const kVersionText = "V2.0beta43tcp";

bool TorvexApp::OnInit() {
    buildRegisterCache();
    auto* frame = new wxFrame(nullptr, wxID_ANY, wxString::Format("Torvex %s", kVersionText), wxPoint(50, 50),
                              wxSize(1200, 750));
    frame->Show();
    return true;
}

void TorvexApp::updateStartupProgress(int) {}

void reportStartupProgress(int percentage) {
    if (auto* app = dynamic_cast<TorvexApp*>(wxTheApp)) app->updateStartupProgress(percentage);
}

void closeStartupProgress() {}

}  // namespace torvex
