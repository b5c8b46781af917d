#pragma once
// Tables filled by hand for the picture tests: a small board, its fitted
// view and a picture of a given size.
#include "core/Datas.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <gtest/gtest.h>

namespace viewtest {

inline void ResetAll()
{
    core::ResetTables();
    mainwin::View = {};
    mainwin::Options = {};
    mainwin::ClientWidth = mainwin::ClientHeight = 0;
    mainwin::Highlight = {};
    mainwin::OverlayHooks().clear();
    mainwin::RedrawStartHooks().clear();
    mainwin::InvalidatePicture();
}

// Layer slot l shown in colour c.
inline void ShowLayer(int l, platform::Color c)
{
    core::MyLayerSet& s = core::LayerTable[static_cast<std::size_t>(l)];
    s.Active = 1;
    s.FileName = "layer" + std::to_string(l);
    s.Color = s.AltColor = static_cast<std::int32_t>(c);
    core::LayerCount = std::max(core::LayerCount, l);
}

// Data extents (min x, max x, min y, max y), then the fitted view of a
// w × h picture at zoom 1.
inline void FitTo(double minX, double maxX, double minY, double maxY, int w, int h)
{
    core::Extents.MinX = minX;
    core::Extents.MaxX = maxX;
    core::Extents.MinY = minY;
    core::Extents.MaxY = maxY;
    core::Extents.Width = maxX - minX;
    core::Extents.Height = maxY - minY;
    core::Extents.CentreX = (minX + maxX) / 2;
    core::Extents.CentreY = (minY + maxY) / 2;
    mainwin::ClientWidth = w;
    mainwin::ClientHeight = h;
    mainwin::FitViewExtents();
    mainwin::SetViewZoom(false, 0, 0, -1.0);
}

inline core::DataElement Element(int layer, int kind, int code, double x1, double y1, double x2, double y2, int group = 0,
                                 std::uint8_t clear = 0)
{
    core::DataElement e;
    e.Layer = layer;
    e.Kind = kind;
    e.Code = code;
    e.Group = group;
    e.Clear = clear;
    e.X1 = x1;
    e.Y1 = y1;
    e.X2 = x2;
    e.Y2 = y2;
    e.X3 = x2;
    e.Y3 = y2;
    return e;
}

inline core::DataElement Flash(int layer, int code, double x, double y, std::uint8_t clear = 0)
{
    core::DataElement e = Element(layer, core::dkFlash, code, x, y, x, y, 0, clear);
    return e;
}

inline core::DataElement Marker(int section, std::uint8_t clear)
{
    core::DataElement e;
    e.Kind = core::dkSection;
    e.Layer = section;
    e.Clear = clear;
    return e;
}

// A closed rectangular region of kind-11 edges as one group.
inline void AddRegion(int layer, double x0, double y0, double x1, double y1, std::uint8_t clear = 0)
{
    const int g = ++core::GroupCounter;
    const double xs[5] = {x0, x1, x1, x0, x0}, ys[5] = {y0, y0, y1, y1, y0};
    for (int k = 0; k < 4; ++k) core::AppendElement(Element(layer, core::dkRegionLine, 0, xs[k], ys[k], xs[k + 1], ys[k + 1], g, clear));
}

inline void SetAperture(int d, int shape, double s1, double s2 = 0, double s3 = 0)
{
    core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
    a.Shape = shape;
    a.Size1 = s1;
    a.Size2 = s2;
    a.Size3 = s3;
}

// The picture's colour at the pixel of a data point.
inline platform::Color ColorAt(double x, double y)
{
    int px = 0, py = 0;
    mainwin::DataToScreen(x, y, px, py);
    return mainwin::Picture().Pixel(px, py);
}

} // namespace viewtest
