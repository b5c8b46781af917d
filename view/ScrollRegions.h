#pragma once
// The eight hit regions cut from the border band of a control: the pan
// frame around the picture and the auto-scroll edges of the picture.
#include "platform/Canvas.h"

#include <array>
#include <vector>

namespace mainwin {

struct MyScrollRegion {
    int Count = 0;
    std::vector<platform::Point> Points;
    int Index = -1;
};

// Regions in order: 0 top-left corner, 1 left edge, 2 bottom-left corner,
// 3 bottom edge, 4 bottom-right corner, 5 right edge, 6 top-right corner,
// 7 top edge. Corners are L shapes of 6 points, edges rectangles of 4.
struct MyScrollSw {
    std::array<MyScrollRegion, 8> Regions;
    int Hover = -1;
};

constexpr int PanFrameBand = 17;
constexpr int EdgeRegionBand = 49;

// The regions of a W × H control with a band of thickness t, 2-pixel gaps
// between them. Reuses the point storage.
void LayoutScrollRegions(MyScrollSw& set, int width, int height, int band);

} // namespace mainwin
