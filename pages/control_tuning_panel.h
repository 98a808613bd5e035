// The Auto page: the layout of the two automatic controller-tuning sequences, one at
// standstill and one with movement. The sequences themselves are not offered yet: the
// page reads and writes nothing, and its Start buttons do nothing.
#pragma once

#include <vector>

#include <wx/bitmap.h>

#include "pages/drive_page.h"

class wxButton;
class wxStaticBitmap;
class wxStaticBoxSizer;

namespace torvex {

class ControlTuningPanel : public DrivePage {
public:
    ControlTuningPanel(wxWindow* notebook, DriveConnection* drive);

    wxButton* standstillStartButton() const { return standstillStart_; }
    wxButton* movementStartButton() const { return movementStart_; }
    // The step texts of each box in order; an empty text stands for the spacer row.
    const std::vector<wxString>& standstillSteps() const { return standstillSteps_; }
    const std::vector<wxString>& movementSteps() const { return movementSteps_; }
    // The lamps beside the first two rows of the standstill box.
    wxStaticBitmap* firstLamp() const { return firstLamps_[0]; }
    wxStaticBitmap* secondLamp() const { return firstLamps_[1]; }

private:
    struct Step {
        const char* textKey;   // nullptr: a 20 x 20 spacer
        bool lampA;
    };
    wxStaticBoxSizer* buildSequenceBox(const char* titleKey, const char* tooltipKey, const std::vector<Step>& steps,
                                       wxButton** start, std::vector<wxString>* texts, bool keepLamps);

    wxBitmap lampA_;
    wxBitmap lampB_;
    wxButton* standstillStart_ = nullptr;
    wxButton* movementStart_ = nullptr;
    std::vector<wxString> standstillSteps_;
    std::vector<wxString> movementSteps_;
    wxStaticBitmap* firstLamps_[2] = {nullptr, nullptr};
};

}  // namespace torvex
