#include "pages/loop_page.h"

#include <wx/dcmemory.h>
#include <wx/utils.h>

#include "link/connection.h"
#include "pages/loop_picture.h"
#include "services/window_hold.h"
#include "widgets/register_access.h"
#include "widgets/register_display.h"

namespace torvex {

LoopPage::LoopPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits, const wxString& pictureFile,
                   PagePicture builtinPicture, wxEventType refocusEvent, wxBitmap (*drawBuiltinPicture)())
    : DrivePage(notebook, drive, limits,
                {.smallFont = true,
                 .pictureFile = pictureFile,
                 .builtinPicture = builtinPicture,
                 .refocusEvent = refocusEvent,
                 .drawBuiltinPicture = drawBuiltinPicture}) {
    symbols_[0] = loopSymbol(LoopSymbol::Running);
    symbols_[1] = loopSymbol(LoopSymbol::Open);
    symbols_[2] = loopSymbol(LoopSymbol::LimitMark);
    symbols_[3] = loopSymbol(LoopSymbol::CommandPath);
}

void LoopPage::requestRepaint() {
    ++repaints_;
    // The window is touched on the GUI thread only.
    CallAfter([this] { Refresh(false); });
}

bool LoopPage::refreshReadouts() {
    if (!drive() || !drive()->isConnected()) return false;
    for (RegisterDisplay* display : displayList())
        if (!display->refreshRegisterDisplay()) return false;
    return true;
}

bool LoopPage::refreshEdits(bool onlyIfShown, const std::function<bool(RegisterEdit* field)>& refresh) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive() || !drive()->isConnected()) return false;
    WindowHold hold;
    for (RegisterEdit* field : editList())
        if (!refresh(field)) return false;
    return true;
}

bool LoopPage::updatePictureFlags(const std::function<bool(RegisterAccess& access, bool* changed)>& update) {
    DriveRegisterAccess access(drive());
    bool changed = false;
    if (!update(access, &changed)) return false;
    if (changed) requestRepaint();
    return true;
}

wxBitmap LoopPage::paintedPicture() const {
    wxBitmap picture(backgroundPicture().GetWidth(), backgroundPicture().GetHeight(), 24);
    wxMemoryDC dc(picture);
    dc.DrawBitmap(backgroundPicture(), 0, 0, false);
    paintSymbols(dc);
    dc.SelectObject(wxNullBitmap);
    return picture;
}

}  // namespace torvex
