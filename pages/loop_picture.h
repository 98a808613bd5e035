// The built-in pictures of the Position and Speed pages, drawn in the program: a block
// diagram of the control loop with a translated caption beside every field and read-out,
// and a titled frame around every group of lamps. The page's controls sit on top, so a
// caption is placed where no control of the page covers it, and every line runs around
// the captions and the controls. Also the four small symbols both pages draw over the
// picture to show the drive's state.
#pragma once

#include <utility>
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

// A connector: straight lines through the points in order, with a head at the last one.
struct PictureArrow {
    std::vector<wxPoint> points;
};

// A caption at a fixed place that names several fields at once: the heading of a column
// or the name of a row of a grid of fields. With right set, x is where the text ends.
struct PictureLabel {
    const char* key;
    int x, y;
    bool right = false;
};

// What a picture is drawn from. rows: the sites of the page's controls; edits and
// read-outs get a caption each, other kinds (lamps, buttons, fields the labels name) only
// keep their site clear. keepClear: where the page draws its symbols. The blocks hold their
// controls and captions whole; the arrows run between them at right angles, clear of
// every caption and control.
struct LoopPicture {
    std::vector<PictureBlock> blocks;
    std::vector<PictureArrow> arrows;
    std::vector<PictureLabel> labels;
    std::vector<ControlRow> rows;
    std::vector<wxRect> keepClear;
};

// An 831 x 619 picture: blocks, arrows, the block titles and labels, then one caption per
// edit and display row (the edit's name, the display's register label), placed left of,
// above, right of or below the control, whichever collides with no control, no title or
// label, no earlier caption, no line and no rectangle of keepClear.
wxBitmap drawLoopPicture(const LoopPicture& picture);

// One text drawn into a picture, where it stands (the caption font; block titles bold).
struct PictureCaption {
    wxString text;
    wxRect rect;
    bool bold = false;
};

// Every text drawLoopPicture draws: the block titles, the labels, then the rows' captions
// in row order (rows without a caption left out).
std::vector<PictureCaption> pictureCaptions(const LoopPicture& picture);

// Where drawLoopPicture put each row's caption (same order as rows; an empty rectangle
// for a row without one).
std::vector<wxRect> captionPlaces(const LoopPicture& picture);

// Every straight line drawLoopPicture draws: the blocks' edges and the arrows' segments
// and heads.
using PictureLine = std::pair<wxPoint, wxPoint>;
std::vector<PictureLine> pictureLines(const LoopPicture& picture);

// Whether a straight line touches a rectangle (its border included).
bool lineTouches(const PictureLine& line, const wxRect& rect);

// The caption drawn for a row (translated); empty for lamps, which carry their text. A
// read-out of a register without a name is captioned with its number.
wxString rowCaption(const ControlRow& row);

// A row for the site of a control without a caption (a button, a plain label): nothing
// may hide under it.
ControlRow captionlessSite(int x, int y, int w, int h);

// Symbol 1 (34 x 34): the loop is closed and running. Symbol 2 (12 x 12): it is open.
// Symbol 3 (12 x 12): a mark for a limit that is not active. Symbol 4 (33 x 33): the
// selected command path.
enum class LoopSymbol { Running, Open, LimitMark, CommandPath };
wxBitmap loopSymbol(LoopSymbol symbol);

}  // namespace torvex
