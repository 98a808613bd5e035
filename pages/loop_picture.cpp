#include "pages/loop_picture.h"

#include <cstdio>

#include <wx/dcmemory.h>

#include "link/i18n.h"
#include "link/registers.h"
#include "resources/builtin_picture.h"

namespace torvex {

namespace {

const wxColour kBackground(129, 156, 214);
const wxColour kBlockFill(160, 182, 228);
const wxColour kLine(30, 40, 90);
const wxColour kCaption(10, 10, 40);
constexpr int kGap = 3;

wxString translated(const std::string& key) { return wxString::FromUTF8(tr(key)); }

wxFont captionFont() {
    wxFont font(wxFontInfo(9).Family(wxFONTFAMILY_SWISS));
    font.SetPixelSize(wxSize(0, 10));
    return font;
}

wxRect controlRect(const ControlRow& row) { return wxRect(row.x, row.y, row.w, row.h); }

wxFont titleFont() {
    wxFont bold = captionFont();
    bold.SetWeight(wxFONTWEIGHT_BOLD);
    return bold;
}

bool fits(const wxRect& place, const std::vector<ControlRow>& rows, const std::vector<wxRect>& taken,
          const std::vector<wxRect>& places) {
    const wxRect page(0, 0, kPagePictureWidth, kPagePictureHeight);
    if (!page.Contains(place)) return false;
    for (const ControlRow& row : rows)
        if (controlRect(row).Intersects(place)) return false;
    for (const std::vector<wxRect>* list : {&taken, &places})
        for (const wxRect& other : *list)
            if (!other.IsEmpty() && other.Intersects(place)) return false;
    return true;
}

// Where each block's title goes (dc has the caption font on return).
std::vector<wxRect> titlePlaces(wxDC& dc, const std::vector<PictureBlock>& blocks) {
    std::vector<wxRect> places;
    dc.SetFont(titleFont());
    for (const PictureBlock& block : blocks) {
        if (!block.titleKey) continue;
        wxSize text = dc.GetTextExtent(translated(block.titleKey));
        places.emplace_back(block.x + 4, block.y + 2, text.x, text.y);
    }
    dc.SetFont(captionFont());
    return places;
}

// Caption rectangles for every row, measured with dc's font.
std::vector<wxRect> placeCaptions(wxDC& dc, const std::vector<ControlRow>& rows, const std::vector<wxRect>& taken) {
    std::vector<wxRect> places;
    places.reserve(rows.size());
    for (const ControlRow& row : rows) {
        const wxString caption = rowCaption(row);
        if (caption.empty()) {
            places.emplace_back();
            continue;
        }
        wxSize text = dc.GetTextExtent(caption);
        const wxRect control = controlRect(row);
        const int middle = control.y + (control.height - text.y) / 2;
        const wxRect candidates[] = {
            wxRect(control.x - kGap - text.x, middle, text.x, text.y),           // left
            wxRect(control.x, control.y - text.y - 1, text.x, text.y),           // above
            wxRect(control.GetRight() + 1 + kGap, middle, text.x, text.y),       // right
            wxRect(control.x, control.GetBottom() + 2, text.x, text.y),          // below
            wxRect(control.GetRight() + 1 + kGap + 14, middle, text.x, text.y),  // right, past a mark
        };
        wxRect chosen;
        for (const wxRect& candidate : candidates) {
            if (fits(candidate, rows, taken, places)) {
                chosen = candidate;
                break;
            }
        }
        if (chosen.IsEmpty()) {
            // Crowded: the caption goes above the control and may run under a neighbour,
            // still naming the site it starts at.
            chosen = candidates[1];
            if (chosen.y < 0) chosen.y = control.GetBottom() + 2;
        }
        places.push_back(chosen);
    }
    return places;
}

void drawArrow(wxDC& dc, const PictureArrow& arrow) {
    dc.DrawLine(arrow.from, arrow.to);
    const int dx = arrow.to.x - arrow.from.x, dy = arrow.to.y - arrow.from.y;
    const int sx = dx > 0 ? 1 : dx < 0 ? -1 : 0, sy = dy > 0 ? 1 : dy < 0 ? -1 : 0;
    if (sx == 0 && sy == 0) return;
    // A small head along the main direction.
    const wxPoint back(arrow.to.x - 6 * sx, arrow.to.y - 6 * sy);
    const wxPoint side(sy * 3, sx * 3);
    wxPoint head[3] = {arrow.to, back + side, back - side};
    dc.DrawPolygon(3, head);
}

}  // namespace

wxString rowCaption(const ControlRow& row) {
    switch (row.kind) {
    case RowKind::Edit:
        return row.nameKey ? translated(row.nameKey) : wxString();
    case RowKind::Display: {
        if (row.nameKey) return translated(row.nameKey);
        const std::string key = regLabelKey(static_cast<uint32_t>(row.reg));
        wxString text = translated(key);
        if (text == wxString::FromUTF8(key)) text = wxString::FromUTF8(registerName(static_cast<uint32_t>(row.reg))).Strip(wxString::both);
        if (row.part == 1) text += " L";
        if (row.part == 2) text += " H";
        return text;
    }
    case RowKind::Lamp:
        return wxString();
    }
    return wxString();
}

std::vector<wxRect> captionPlaces(const std::vector<PictureBlock>& blocks, const std::vector<ControlRow>& rows,
                                  const std::vector<wxRect>& keepClear) {
    wxBitmap scratch(8, 8);
    wxMemoryDC dc(scratch);
    std::vector<wxRect> taken = titlePlaces(dc, blocks);
    taken.insert(taken.end(), keepClear.begin(), keepClear.end());
    return placeCaptions(dc, rows, taken);
}

wxBitmap drawLoopPicture(const std::vector<PictureBlock>& blocks, const std::vector<PictureArrow>& arrows,
                         const std::vector<ControlRow>& rows, const std::vector<wxRect>& keepClear) {
    wxBitmap picture(kPagePictureWidth, kPagePictureHeight, 24);
    wxMemoryDC dc(picture);
    dc.SetBackground(wxBrush(kBackground));
    dc.Clear();
    dc.SetFont(captionFont());
    dc.SetTextForeground(kCaption);

    dc.SetPen(wxPen(kLine, 1));
    for (const PictureBlock& block : blocks) {
        dc.SetBrush(wxBrush(kBlockFill));
        dc.DrawRoundedRectangle(block.x, block.y, block.w, block.h, 4);
        if (block.titleKey) {
            dc.SetFont(titleFont());
            dc.DrawText(translated(block.titleKey), block.x + 4, block.y + 2);
            dc.SetFont(captionFont());
        }
    }
    dc.SetPen(wxPen(kLine, 2));
    dc.SetBrush(wxBrush(kLine));
    for (const PictureArrow& arrow : arrows) drawArrow(dc, arrow);

    std::vector<wxRect> taken = titlePlaces(dc, blocks);
    taken.insert(taken.end(), keepClear.begin(), keepClear.end());
    const std::vector<wxRect> places = placeCaptions(dc, rows, taken);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (places[i].IsEmpty()) continue;
        dc.DrawText(rowCaption(rows[i]), places[i].x, places[i].y);
    }
    dc.SelectObject(wxNullBitmap);
    return picture;
}

wxBitmap loopSymbol(LoopSymbol symbol) {
    int size = 12;
    if (symbol == LoopSymbol::Running) size = 34;
    if (symbol == LoopSymbol::CommandPath) size = 33;
    wxBitmap bitmap(size, size, 24);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(kBackground));
    dc.Clear();
    switch (symbol) {
    case LoopSymbol::Running: {
        // A green disc with a white tick: the loop is closed.
        dc.SetPen(wxPen(wxColour(20, 90, 20), 2));
        dc.SetBrush(wxBrush(wxColour(40, 170, 40)));
        dc.DrawCircle(17, 17, 15);
        dc.SetPen(wxPen(*wxWHITE, 3));
        dc.DrawLine(9, 18, 15, 24);
        dc.DrawLine(15, 24, 26, 10);
        break;
    }
    case LoopSymbol::Open:
        // A red cross: the loop is open.
        dc.SetPen(wxPen(wxColour(200, 20, 20), 3));
        dc.DrawLine(2, 2, 10, 10);
        dc.DrawLine(10, 2, 2, 10);
        break;
    case LoopSymbol::LimitMark:
        // A yellow square with a dark border: no limit cuts in here.
        dc.SetPen(wxPen(wxColour(90, 70, 0), 1));
        dc.SetBrush(wxBrush(wxColour(250, 210, 30)));
        dc.DrawRectangle(1, 1, 10, 10);
        break;
    case LoopSymbol::CommandPath: {
        // A closed switch: the command takes this path.
        dc.SetPen(wxPen(kLine, 3));
        dc.SetBrush(wxBrush(wxColour(230, 230, 240)));
        dc.DrawRectangle(0, 0, 33, 33);
        dc.DrawLine(3, 16, 11, 16);
        dc.DrawLine(11, 16, 22, 16);
        dc.DrawLine(22, 16, 30, 16);
        dc.SetBrush(wxBrush(kLine));
        dc.DrawCircle(11, 16, 3);
        dc.DrawCircle(22, 16, 3);
        break;
    }
    }
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

}  // namespace torvex
