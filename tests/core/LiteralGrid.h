#pragma once
// The spatial grid, the rectangle selection and the resist-silk check done
// the plain way, as a reference for the fast ones: every element drawn on a
// bitmap of one pixel per cell and read back, cells as fixed-depth slot
// arrays grown for the whole grid, candidates de-duplicated through a sorted
// list of decimal texts. (With the lookups kept inside the grid and the kind
// looked at before the layer, and a union box that starts empty.)
#include "core/Clearance.h"
#include "core/DesignRules.h"
#include "core/ElementGrid.h"
#include "core/FlashDrawing.h"
#include "platform/NumberText.h"
#include "platform/RasterCanvas.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace literal {

using namespace core;

struct Grid {
    // [column][row][slot]: element index + 1, 0 free.
    std::vector<std::vector<std::vector<std::int32_t>>> cells;
    int depth = 128;

    std::vector<std::int32_t> List(int c, int r) const
    {
        std::vector<std::int32_t> out;
        if (c < 0 || r < 0 || c >= static_cast<int>(cells.size()) || r >= static_cast<int>(cells[0].size())) return out;
        for (int s = 0; s < depth && cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)][static_cast<std::size_t>(s)] != 0; ++s)
            out.push_back(cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)][static_cast<std::size_t>(s)] - 1);
        return out;
    }
};

inline double Size1(int code)
{
    const MyAperture* a = ApertureAt(code);
    return a ? a->Size1 : 0.0;
}

inline int Pen(double size) { return std::max(3, static_cast<int>(std::ceil(size))); }

inline DataElement Moved(const DataElement& src)
{
    DataElement e = src;
    e.Kind = std::abs(e.Kind);
    e.X1 += GridOriginX, e.X2 += GridOriginX, e.X3 += GridOriginX;
    e.Y1 += GridOriginY, e.Y2 += GridOriginY, e.Y3 += GridOriginY;
    if (e.Kind == dkSquareStroke) e.X4 += GridOriginX, e.Y4 += GridOriginY;
    return e;
}

inline bool IsArcOrCircle(int kind) { return (kind >= 6 && kind <= 9) || (kind >= 16 && kind <= 19); }

// An arc's cells: the union of those of its 16 pieces taken as lines.
inline MyCellRect ArcCells(const DataElement& e, MyPointArray& pts)
{
    int n = 16;
    ArcToPoints(e.Kind, pts, n, e.X4, e.X3, e.Y3, e.X1, e.Y1, e.X2, e.Y2);
    MyCellRect all{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (std::size_t k = 1; k < pts.size(); ++k) {
        DataElement piece = e;
        piece.Kind = dkLine;
        piece.X1 = pts[k - 1].x, piece.Y1 = pts[k - 1].y, piece.X2 = pts[k].x, piece.Y2 = pts[k].y;
        MyCellRect c;
        ElementCells(piece, c);
        all = {std::min(all.MinCol, c.MinCol), std::min(all.MinRow, c.MinRow), std::max(all.MaxCol, c.MaxCol), std::max(all.MaxRow, c.MaxRow)};
    }
    return all;
}

inline void Insert(Grid& g, int c, int r, std::int32_t value)
{
    auto& cell = g.cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
    for (int s = 0; s < g.depth; ++s) {
        std::int32_t& slot = cell[static_cast<std::size_t>(s)];
        if (slot == value) return;
        if (slot == 0) {
            slot = value;
            return;
        }
    }
    // Full: every cell grows by 128 slots.
    g.depth += 128;
    for (auto& column : g.cells)
        for (auto& list : column) list.resize(static_cast<std::size_t>(g.depth) + 1, 0);
    cell[static_cast<std::size_t>(g.depth - 128)] = value;
}

inline bool Build(Grid& g)
{
    if (DataCount < 1) return false;
    const int w = GridWidth, h = GridHeight;
    g.depth = 128;
    g.cells.assign(static_cast<std::size_t>(w) + 1,
                   std::vector<std::vector<std::int32_t>>(static_cast<std::size_t>(h) + 1, std::vector<std::int32_t>(129, 0)));
    platform::RasterCanvas bmp(w, h, 0);
    bmp.SetPenMode(platform::PenMode::Copy);
    bmp.SetBrushStyle(platform::BrushStyle::Solid);
    MyPointArray pts;
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement e = Moved(Datas[static_cast<std::size_t>(i)]);
        for (int pass = 0; pass < 2; ++pass) {
            const platform::Color colour = pass == 0 ? 0xFFFFFF : 0x000000;
            bmp.SetPenColor(colour);
            bmp.SetBrushColor(colour);
            bmp.SetPenWidth(1);
            MyCellRect rect;
            auto fill = [&] { bmp.FillRect({rect.MinCol, rect.MinRow, rect.MaxCol, rect.MaxRow}); };
            if (e.Kind == dkLine || e.Kind == dkRegionLine) {
                ElementCells(e, rect);
                const int x1 = platform::SaturateCoord(e.X1), y1 = platform::SaturateCoord(e.Y1);
                const int x2 = platform::SaturateCoord(e.X2), y2 = platform::SaturateCoord(e.Y2);
                if (x1 == x2 || y1 == y2) {
                    fill();
                } else {
                    bmp.SetPenWidth(Pen(e.Kind == dkLine ? Size1(e.Code) : 2.0));
                    bmp.MoveTo(x1, y1);
                    bmp.LineTo(x2, y2);
                    const bool rising = (x2 > x1) == (y2 > y1);
                    bmp.SetPixel(rect.MinCol, rising ? rect.MinRow : rect.MaxRow - 1, colour);
                    bmp.SetPixel(rect.MaxCol - 1, rising ? rect.MaxRow - 1 : rect.MinRow, colour);
                }
            } else if (e.Kind == dkSquareStroke) {
                ElementCells(e, rect);
                if (std::floor(e.X1) != std::floor(e.X2) && std::floor(e.Y1) != std::floor(e.Y4)) {
                    bmp.SetPenWidth(2);
                    const platform::Point p[4] = {
                        {platform::SaturateCoord(std::floor(e.X1)), platform::SaturateCoord(std::floor(e.Y1))},
                        {platform::SaturateCoord(std::floor(e.X2)), platform::SaturateCoord(std::floor(e.Y2))},
                        {platform::SaturateCoord(std::floor(e.X3)), platform::SaturateCoord(std::floor(e.Y3))},
                        {platform::SaturateCoord(std::floor(e.X4)), platform::SaturateCoord(std::floor(e.Y4))}};
                    bmp.Polygon(p);
                } else {
                    fill();
                }
            } else if (IsArcOrCircle(e.Kind)) {
                rect = ArcCells(e, pts);
                std::vector<platform::Point> p;
                for (const MyPoint& q : pts) p.push_back({platform::SaturateCoord(q.x), platform::SaturateCoord(q.y)});
                bmp.SetPenWidth(Pen(e.Kind < 16 ? Size1(e.Code) : 2.0));
                bmp.Polyline(p);
            } else {
                ElementCells(e, rect);
                fill();
            }
            if (pass == 1) continue;
            for (int c = rect.MinCol; c < rect.MaxCol; ++c)
                for (int r = rect.MinRow; r < rect.MaxRow; ++r)
                    if (c >= 0 && r >= 0 && c < w && r < h && bmp.Pixel(c, r) != 0) Insert(g, c, r, i + 1);
        }
    }
    return true;
}

inline int KindFlag(int kind)
{
    switch (kind) {
    case 1: case 11: return 0;
    case 2: case 12: case 22: case 32: return 1;
    case 6: case 7: case 16: case 17: return 2;
    case 8: case 9: case 18: case 19: return 3;
    case 3: return 4;
    case 10: return 5;
    default: return -1;
    }
}

// The elements of the cells of `cells`, once each, as a sorted text list.
template <class Keep>
std::vector<std::int32_t> Collect(const Grid& g, int c0, int r0, int c1, int r1, Keep&& keep)
{
    std::set<std::string> texts;
    for (int c = std::max(c0, 0); c < std::min(c1, GridWidth + 1); ++c)
        for (int r = std::max(r0, 0); r < std::min(r1, GridHeight + 1); ++r)
            for (std::int32_t i : g.List(c, r))
                if (keep(i)) texts.insert(std::to_string(i));
    std::vector<std::int32_t> out;
    for (const std::string& t : texts) out.push_back(std::stoi(t));
    return out;
}

inline int SelectInRect(const Grid& g, MyBox& rect, MyIntArray& out)
{
    out.clear();
    if (rect[0] > rect[1]) std::swap(rect[0], rect[1]);
    if (rect[2] > rect[3]) std::swap(rect[2], rect[3]);
    const int c0 = static_cast<int>(std::floor(rect[0] + GridOriginX)), c1 = static_cast<int>(std::ceil(rect[1] + GridOriginX));
    const int r0 = static_cast<int>(std::floor(rect[2] + GridOriginY)), r1 = static_cast<int>(std::ceil(rect[3] + GridOriginY));
    const std::vector<std::int32_t> found = Collect(g, c0, r0, c1, r1, [](std::int32_t i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        return KindFlag(e.Kind) >= 0 && ValidLayer(e.Layer) && LayerTable[static_cast<std::size_t>(e.Layer)].Active == 1;
    });
    MyBox u = EmptyBox;
    for (std::int32_t i : found) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        if (!SelectKindFlags[static_cast<std::size_t>(KindFlag(e.Kind))]) continue;
        MyBox b;
        ElementBox(e, b);
        if (b[0] >= rect[0] && b[1] <= rect[1] && b[2] >= rect[2] && b[3] <= rect[3]) {
            out.push_back(i);
            GrowBox(u, b);
        }
    }
    if (!out.empty()) rect = u;
    return static_cast<int>(out.size());
}

inline std::vector<std::int32_t> NearElements(const Grid& g, std::int32_t i, int layer)
{
    MyPointArray pts;
    const DataElement e = Moved(Datas[static_cast<std::size_t>(i)]);
    MyCellRect rect;
    if (IsArcOrCircle(e.Kind)) rect = ArcCells(e, pts);
    else ElementCells(e, rect);
    return Collect(g, rect.MinCol, rect.MinRow, rect.MaxCol, rect.MaxRow,
                   [&](std::int32_t j) { return j != i && (layer == 0 || Datas[static_cast<std::size_t>(j)].Layer == layer); });
}

// One error as the check reports it.
struct Error {
    std::int32_t element, type;
    double x, y;
    std::string message;
    friend bool operator==(const Error&, const Error&) = default;
};

// The resist-silk check of one side over the candidates `near(i)` gives.
template <class Near>
void ResistSilk(std::vector<Error>& out, int resist, int silk, double gap, int type, Near&& near)
{
    if (resist < 1 || silk < 1 || !(gap > 0)) return;
    const MyLayerSet& l = LayerTable[static_cast<std::size_t>(silk)];
    for (std::int32_t i = 0; i < DataCount; ++i) {
        if (Datas[static_cast<std::size_t>(i)].Layer != resist) continue;
        for (std::int32_t j : near(i)) {
            double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            const double v = GapBetween(i, j, x1, y1, x2, y2);
            if (v < gap - 0.0005 - 1e-9)
                out.push_back({j, type, x2, y2, "レジストシルク間隙エラー(" + platform::FormatReal(v) + "/" + l.FileName + "/" + l.Contents + ")"});
        }
    }
}

inline std::vector<Error> Errors()
{
    std::vector<Error> out;
    for (std::int32_t k = 0; k < DrcErrors.Count; ++k) {
        const MyErrPointSet& p = DrcErrors.Points[static_cast<std::size_t>(k)];
        out.push_back({p.Element, p.ErrorType, p.X, p.Y, p.Message});
    }
    return out;
}

} // namespace literal
