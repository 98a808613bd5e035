// The built-in pictures of the Position and Speed pages, drawn in the program: a block
// diagram of the control loop with a translated caption beside every field and read-out,
// and a titled frame around every group of lamps. The page's controls sit on top, so a
// caption is placed where no control of the page covers it. Also the four small symbols
// both pages draw over the picture to show the drive's state.
#pragma once

#include <vector>

#include <wx/bitmap.h>
#include <wx/gdicmn.h>

#include "pages/page_table.h"

class wxDC;

namespace torvex {

struct PictureBlock {
    int x, y, w, h;
    const char* titleKey;  // catalogue key of the block's title, drawn at its top left
};

struct PictureArrow {
    wxPoint from, to;
};

// An 831 x 619 picture: blocks, arrows, then one caption per edit and display row (the
// edit's name, the display's register label), placed left of, above, right of or below
// the control, whichever collides with no control, no block title, no earlier caption
// and no rectangle of keepClear (where the page draws its symbols).
wxBitmap drawLoopPicture(const std::vector<PictureBlock>& blocks, const std::vector<PictureArrow>& arrows,
                         const std::vector<ControlRow>& rows, const std::vector<wxRect>& keepClear);

// The caption drawn for a row (translated); empty for lamps, which carry their text.
wxString rowCaption(const ControlRow& row);

// Where drawLoopPicture put each row's caption (same order as rows; an empty rectangle
// for a row without one), for checking that captions stay clear of the controls.
std::vector<wxRect> captionPlaces(const std::vector<PictureBlock>& blocks, const std::vector<ControlRow>& rows,
                                  const std::vector<wxRect>& keepClear);

// Symbol 1 (34 x 34): the loop is closed and running. Symbol 2 (12 x 12): it is open.
// Symbol 3 (12 x 12): a mark for a limit that is not active. Symbol 4 (33 x 33): the
// selected command path.
enum class LoopSymbol { Running, Open, LimitMark, CommandPath };
wxBitmap loopSymbol(LoopSymbol symbol);

}  // namespace torvex
