#pragma once

#include <wx/app.h>

class wxProgressDialog;

namespace torvex {

class TorvexApp : public wxApp {
public:
    bool OnInit() override;
    void updateStartupProgress(int percentage);
};

// For the main frame's constructor: advance or close the start-up progress dialog of a
// running TorvexApp. Under any other application (tests) they do nothing.
void reportStartupProgress(int percentage);
void closeStartupProgress();

extern const char* const kVersionText;  // "V2.0beta43tcp"

}  // namespace torvex

wxDECLARE_APP(torvex::TorvexApp);
