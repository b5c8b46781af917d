#pragma once
// The clearance engine: the edge-to-edge distance between two elements,
// widths and aperture shapes included, with the two points that mark the gap.
//
// Elements take part by class: lines (kinds 1, 11), square-aperture strokes
// (2), arcs (6, 7, 16, 17), flashes (3) and drill hits (10, 40). A flash is
// a disc (circles and thermals, at their outer diameter), a closed outline
// (squares, rectangles, polygons), an oval, or the set of its macro
// primitives; every macro primitive counts as copper, whatever its exposure.
// Full circles, section markers and other kinds have no clearance.
#include <cstdint>

namespace core {

// Clearance between elements i and j, in mm rounded to 4 decimals. Pairs of
// round-edged figures (lines, arcs, flashes) that touch or overlap give 0;
// pairs with a square-aperture stroke or a drill hit give how far they
// overlap as a negative value. FarAway (2000) when the pair has no result.
// (x1, y1) lies on the edge of i and (x2, y2) on the edge of j (both on the
// middle of the overlap when they overlap); without a result they are left
// as the caller gave them, so a caller starts them at its pick points and
// draws nothing for FarAway. Swapping i and j swaps the two points.
double GapBetween(std::int64_t i, std::int64_t j, double& x1, double& y1, double& x2, double& y2);

} // namespace core
