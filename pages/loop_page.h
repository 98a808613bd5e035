// What the Position and Speed pages share: a page over the block diagram of a control loop
// with the four state symbols painted over it. Each page describes its built-in picture in
// a static picture() (what it is drawn from: blocks, connectors and labels, the sites of
// every control and of the symbols) and draws it in a static drawPicture(). The polling
// thread decides what the symbols show and asks for a repaint; the window repaints on the
// GUI thread.
#pragma once

#include <atomic>
#include <functional>

#include <wx/bitmap.h>

#include "pages/drive_page.h"

namespace torvex {

class RegisterAccess;

class LoopPage : public DrivePage {
public:
    // How many repaints the picture flags asked for so far.
    int repaintRequests() const { return repaints_.load(); }
    // The picture with the symbols as the page paints it now.
    wxBitmap paintedPicture() const;

protected:
    // pictureFile replaces the picture drawBuiltinPicture draws when present.
    LoopPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits, const wxString& pictureFile,
             PagePicture builtinPicture, wxEventType refocusEvent, wxBitmap (*drawBuiltinPicture)());

    // Safe from the polling thread.
    void requestRepaint();
    // The start of each cyclic update: every read-out of the display list; false when the
    // drive cannot be used or a read failed.
    bool refreshReadouts();
    // Reads every field of the edit list with refresh (false: the read failed, and the rest
    // is not read) behind a busy cursor. True without reading when onlyIfShown and the page
    // is not shown; false when the drive cannot be used.
    bool refreshEdits(bool onlyIfShown, const std::function<bool(RegisterEdit* field)>& refresh);
    // A polling step that reads the drive into picture flags: update tells whether any flag
    // changed, and a change asks for a repaint. False when its read failed.
    bool updatePictureFlags(const std::function<bool(RegisterAccess& access, bool* changed)>& update);
    virtual void paintSymbols(wxDC& dc) const = 0;

    // In LoopSymbol order.
    wxBitmap symbols_[4];

private:
    void paintPage(wxDC& dc) final { paintSymbols(dc); }

    std::atomic<int> repaints_{0};
};

}  // namespace torvex
