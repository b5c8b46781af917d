#include "view/ScrollRegions.h"

#include <cmath>
#include <initializer_list>

namespace mainwin {

void LayoutScrollRegions(MyScrollSw& set, int width, int height, int band)
{
    using platform::Point;
    const int W = width, H = height, t = band;
    const int qx = static_cast<int>(std::trunc(W * 0.25)), qy = static_cast<int>(std::trunc(H * 0.25));
    auto put = [&set](int k, std::initializer_list<Point> pts) {
        MyScrollRegion& r = set.Regions[static_cast<std::size_t>(k)];
        r.Points.assign(pts);
        r.Count = static_cast<int>(r.Points.size());
        r.Index = -1;
    };
    put(0, {{0, 0}, {0, qy}, {t, qy}, {t, t}, {qx, t}, {qx, 0}});
    put(1, {{0, qy + 2}, {0, H - qy}, {t, H - qy}, {t, qy + 2}});
    put(2, {{0, H - qy + 2}, {0, H - 1}, {qx, H - 1}, {qx, H - t - 1}, {t, H - t - 1}, {t, H - qy + 2}});
    put(3, {{qx + 2, H - t - 1}, {qx + 2, H - 1}, {W - qx, H - 1}, {W - qx, H - t - 1}});
    put(4, {{W - qx + 2, H - t - 1}, {W - qx + 2, H - 1}, {W - 1, H - 1}, {W - 1, H - qy + 2}, {W - t - 1, H - qy + 2},
            {W - t - 1, H - t - 1}});
    put(5, {{W - t - 1, qy + 2}, {W - t - 1, H - qy}, {W - 1, H - qy}, {W - 1, qy + 2}});
    put(6, {{W - qx + 2, 0}, {W - qx + 2, t}, {W - t - 1, t}, {W - t - 1, qy}, {W - 1, qy}, {W - 1, 0}});
    put(7, {{qx + 2, 0}, {qx + 2, t}, {W - qx, t}, {W - qx, 0}});
}

} // namespace mainwin
