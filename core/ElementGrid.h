#pragma once
// The spatial index of the loaded elements: cells of one millimetre over the
// view fitted when the data was opened, each listing the elements that cross
// it, and the selection of the elements inside a rectangle.
//
// A data point (x, y) lies in cell (Floor(x + GridOriginX), Floor(y +
// GridOriginY)), columns 0..GridWidth-1 and rows 0..GridHeight-1. The grid
// keeps the origin and size it was built with: refitting the view later does
// not move it, and every lookup outside it finds nothing.
//
// Which cells an element crosses is decided as if it were drawn at one pixel
// per cell: a line or arc with a pen of its aperture's width (at least 3
// cells) through the cells of its points, a square-aperture stroke as its
// filled outline with a 2-cell pen, anything else as its whole cell
// rectangle; always within the cell rectangle of its box (ElementCells).
#include "core/Datas.h"
#include "core/Geometry.h"
#include "core/Tasks.h"

#include <cstdint>
#include <span>
#include <vector>

namespace core {

extern double GridOriginX, GridOriginY;
extern std::int32_t GridWidth, GridHeight;
// The longest cell list, rounded up to a multiple of 128 (at least 128).
extern std::int32_t GridDepth;

// A rectangle of cells: columns MinCol..MaxCol-1, rows MinRow..MaxRow-1.
struct MyCellRect {
    std::int32_t MinCol = 0, MinRow = 0, MaxCol = 0, MaxRow = 0;
    bool Empty() const { return MinCol >= MaxCol || MinRow >= MaxRow; }
    friend bool operator==(const MyCellRect&, const MyCellRect&) = default;
};

// The cells of an element's box, its coordinates already moved by the grid
// origin: a box edge within 0.1 of a cell boundary takes the next cell too.
void ElementCells(const DataElement& e, MyCellRect& cells);

// The cell lists.
class MyMapArray {
public:
    // The elements of cell (col, row) in element order; empty outside the
    // grid and when the elements changed since the build.
    std::span<const std::int32_t> Cell(int col, int row) const;
    // Built, and for the elements loaded now.
    bool Current() const;
    std::size_t MemoryBytes() const;
    void Clear();

    // The cells that hold lists (all others are empty).
    MyCellRect HeldCells() const { return {left_, bottom_, left_ + cols_, bottom_ + rows_}; }
    // How many entries the held cells of `cells` list together.
    std::uint64_t EntriesIn(const MyCellRect& cells) const;
    // The bounds of the cells that list element i (empty when none do).
    const MyCellRect& MarkedCells(std::int32_t i) const { return marked_[static_cast<std::size_t>(i)]; }

private:
    friend class GridBuilder;
    std::uint32_t CellIndex(int col, int row) const
    {
        return static_cast<std::uint32_t>(row - bottom_) * static_cast<std::uint32_t>(cols_) +
               static_cast<std::uint32_t>(col - left_);
    }
    // Cells held: columns left_..left_+cols_-1, rows bottom_..bottom_+rows_-1,
    // row by row; the cells of the grid outside them are empty.
    std::int32_t left_ = 0, bottom_ = 0, cols_ = 0, rows_ = 0;
    std::vector<std::uint32_t> offsets_;   // cell k lists entries_[offsets_[k] .. offsets_[k+1])
    std::vector<std::int32_t> entries_;
    std::vector<MyCellRect> marked_;       // per element, the bounds of the cells listing it
    std::int32_t builtCount_ = 0;
    std::uint64_t builtVersion_ = 0;
};

extern MyMapArray ElementGrid;

// Origin and size of the grid from the fitted view in `extents` (the data
// extents when no view was fitted); the grid is emptied.
void SetGridView(const MyExtents& extents);

// The cell of a data point; false when it lies outside the grid.
bool GridCellOf(double x, double y, int& col, int& row);

// Lists every element in the cells it crosses. False, the grid as it was,
// when there are no elements; false with an empty grid when the lists would
// take more memory than is sensible (elements of absurd size).
bool BuildElementGrid(Gauge& gauge, const TaskRunner& runner = {});

// The elements inside `rect` (x1, x2, y1, y2, in either order): those listed
// in the cells it touches, on a shown layer, of a class switched on in
// SelectKindFlags, whose box lies wholly inside it. They are listed in the
// order of their index numbers read as text ("10" before "9"). When any was
// taken, `rect` shrinks to the union of their boxes. Returns their number.
int SelectInRect(MyBox& rect, MyIntArray& indices, const TaskRunner& runner = {});

} // namespace core
