#include "pages/loop_picture.h"

#include <algorithm>
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

// Everything a caption must keep clear of, besides the other captions.
struct Obstacles {
    std::vector<wxRect> rects;       // controls, titles, labels, symbols
    std::vector<PictureLine> lines;  // block edges and arrows
};

bool fits(const wxRect& place, const Obstacles& obstacles, const std::vector<wxRect>& places) {
    const wxRect page(0, 0, kPagePictureWidth, kPagePictureHeight);
    if (!page.Contains(place)) return false;
    for (const std::vector<wxRect>* list : {&obstacles.rects, &places})
        for (const wxRect& other : *list)
            if (!other.IsEmpty() && other.Intersects(place)) return false;
    for (const PictureLine& line : obstacles.lines)
        if (lineTouches(line, place)) return false;
    return true;
}

// The three points of an arrow's head at the end of its last segment.
std::vector<wxPoint> arrowHead(const PictureArrow& arrow) {
    const size_t n = arrow.points.size();
    if (n < 2) return {};
    const wxPoint from = arrow.points[n - 2], to = arrow.points[n - 1];
    const int dx = to.x - from.x, dy = to.y - from.y;
    const int sx = dx > 0 ? 1 : dx < 0 ? -1 : 0, sy = dy > 0 ? 1 : dy < 0 ? -1 : 0;
    if (sx == 0 && sy == 0) return {};
    // A small head along the main direction.
    const wxPoint back(to.x - 6 * sx, to.y - 6 * sy);
    const wxPoint side(sy * 3, sx * 3);
    return {to, back + side, back - side};
}

// Where the titles and labels stand, measured with their fonts, as captions.
std::vector<PictureCaption> fixedCaptions(wxDC& dc, const LoopPicture& picture) {
    std::vector<PictureCaption> captions;
    dc.SetFont(titleFont());
    for (const PictureBlock& block : picture.blocks) {
        if (!block.titleKey) continue;
        const wxString title = translated(block.titleKey);
        captions.push_back({title, wxRect(wxPoint(block.x + 4, block.y + 2), dc.GetTextExtent(title)), true});
    }
    dc.SetFont(captionFont());
    for (const PictureLabel& label : picture.labels) {
        const wxString text = translated(label.key);
        const wxSize size = dc.GetTextExtent(text);
        captions.push_back({text, wxRect(wxPoint(label.right ? label.x - size.x : label.x, label.y), size), false});
    }
    return captions;
}

// Caption rectangles for every row, measured with dc's font.
std::vector<wxRect> placeCaptions(wxDC& dc, const LoopPicture& picture, const std::vector<PictureCaption>& fixed) {
    Obstacles obstacles;
    for (const ControlRow& row : picture.rows) obstacles.rects.push_back(controlRect(row));
    for (const PictureCaption& caption : fixed) obstacles.rects.push_back(caption.rect);
    obstacles.rects.insert(obstacles.rects.end(), picture.keepClear.begin(), picture.keepClear.end());
    obstacles.lines = pictureLines(picture);
    dc.SetFont(captionFont());

    std::vector<wxRect> places;
    places.reserve(picture.rows.size());
    for (const ControlRow& row : picture.rows) {
        const wxString caption = rowCaption(row);
        if (caption.empty()) {
            places.emplace_back();
            continue;
        }
        wxSize text = dc.GetTextExtent(caption);
        const wxRect control = controlRect(row);
        const int middle = control.y + (control.height - text.y) / 2;
        const int rightAligned = control.GetRight() + 1 - text.x;
        const int centred = control.x + (control.width - text.x) / 2;
        const wxRect candidates[] = {
            wxRect(control.x - kGap - text.x, middle, text.x, text.y),           // left
            wxRect(control.x, control.y - text.y - 1, text.x, text.y),           // above
            wxRect(control.GetRight() + 1 + kGap, middle, text.x, text.y),       // right
            wxRect(control.x, control.GetBottom() + 2, text.x, text.y),          // below
            wxRect(rightAligned, control.y - text.y - 1, text.x, text.y),        // above, ending with it
            wxRect(rightAligned, control.GetBottom() + 2, text.x, text.y),       // below, ending with it
            wxRect(centred, control.y - text.y - 1, text.x, text.y),             // above, centred
            wxRect(centred, control.GetBottom() + 2, text.x, text.y),            // below, centred
            wxRect(control.GetRight() + 1 + kGap + 14, middle, text.x, text.y),  // right, past a mark
        };
        wxRect chosen;
        for (const wxRect& candidate : candidates) {
            if (fits(candidate, obstacles, places)) {
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

}  // namespace

bool lineTouches(const PictureLine& line, const wxRect& rect) {
    // The lines are drawn up to two pixels wide: a line passing one pixel off the rectangle
    // still covers its border.
    const double left = rect.x - 1, right = rect.GetRight() + 1, top = rect.y - 1, bottom = rect.GetBottom() + 1;
    const double x0 = line.first.x, y0 = line.first.y;
    const double dx = line.second.x - x0, dy = line.second.y - y0;
    double t0 = 0, t1 = 1;
    // Cuts the part of the line inside one side of the rectangle (Liang-Barsky).
    auto inside = [&t0, &t1](double p, double q) {
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    return inside(-dx, x0 - left) && inside(dx, right - x0) && inside(-dy, y0 - top) && inside(dy, bottom - y0) &&
           t0 <= t1;
}

std::vector<PictureLine> pictureLines(const LoopPicture& picture) {
    std::vector<PictureLine> lines;
    for (const PictureBlock& block : picture.blocks) {
        const int right = block.x + block.w - 1, bottom = block.y + block.h - 1;
        const wxPoint a(block.x, block.y), b(right, block.y), c(right, bottom), d(block.x, bottom);
        lines.insert(lines.end(), {{a, b}, {b, c}, {c, d}, {d, a}});
    }
    for (const PictureArrow& arrow : picture.arrows) {
        for (size_t i = 1; i < arrow.points.size(); ++i) lines.emplace_back(arrow.points[i - 1], arrow.points[i]);
        const std::vector<wxPoint> head = arrowHead(arrow);
        if (head.size() == 3) lines.insert(lines.end(), {{head[0], head[1]}, {head[1], head[2]}, {head[2], head[0]}});
    }
    return lines;
}

wxString rowCaption(const ControlRow& row) {
    switch (row.kind) {
    case RowKind::Edit:
        return row.nameKey ? translated(row.nameKey) : wxString();
    case RowKind::Display: {
        if (row.nameKey) return translated(row.nameKey);
        const uint32_t reg = static_cast<uint32_t>(row.reg);
        const std::string key = regLabelKey(reg);
        wxString text = translated(key);
        if (text == wxString::FromUTF8(key)) {
            // A register the table does not know has no name to show: its number names it.
            text = registerAccessClass(reg) == kClassUnknown
                       ? wxString::Format("0x%02x", reg)
                       : wxString::FromUTF8(registerName(reg)).Strip(wxString::both);
        }
        if (row.part == 1) text += " L";
        if (row.part == 2) text += " H";
        return text;
    }
    case RowKind::Lamp:
        return wxString();
    }
    return wxString();
}

ControlRow captionlessSite(int x, int y, int w, int h) {
    ControlRow site;
    site.kind = RowKind::Lamp;
    site.x = x, site.y = y, site.w = w, site.h = h;
    return site;
}

std::vector<PictureCaption> pictureCaptions(const LoopPicture& picture) {
    wxBitmap scratch(8, 8);
    wxMemoryDC dc(scratch);
    std::vector<PictureCaption> captions = fixedCaptions(dc, picture);
    const std::vector<wxRect> places = placeCaptions(dc, picture, captions);
    for (size_t i = 0; i < picture.rows.size(); ++i)
        if (!places[i].IsEmpty()) captions.push_back({rowCaption(picture.rows[i]), places[i], false});
    return captions;
}

std::vector<wxRect> captionPlaces(const LoopPicture& picture) {
    wxBitmap scratch(8, 8);
    wxMemoryDC dc(scratch);
    return placeCaptions(dc, picture, fixedCaptions(dc, picture));
}

wxBitmap drawLoopPicture(const LoopPicture& picture) {
    wxBitmap bitmap(kPagePictureWidth, kPagePictureHeight, 24);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(kBackground));
    dc.Clear();
    dc.SetTextForeground(kCaption);

    dc.SetPen(wxPen(kLine, 1));
    dc.SetBrush(wxBrush(kBlockFill));
    for (const PictureBlock& block : picture.blocks) dc.DrawRoundedRectangle(block.x, block.y, block.w, block.h, 4);
    dc.SetPen(wxPen(kLine, 2));
    dc.SetBrush(wxBrush(kLine));
    for (const PictureArrow& arrow : picture.arrows) {
        if (arrow.points.size() >= 2) dc.DrawLines(static_cast<int>(arrow.points.size()), arrow.points.data());
        const std::vector<wxPoint> head = arrowHead(arrow);
        if (head.size() == 3) dc.DrawPolygon(3, head.data());
    }

    for (const PictureCaption& caption : pictureCaptions(picture)) {
        dc.SetFont(caption.bold ? titleFont() : captionFont());
        dc.DrawText(caption.text, caption.rect.x, caption.rect.y);
    }
    dc.SelectObject(wxNullBitmap);
    return bitmap;
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
