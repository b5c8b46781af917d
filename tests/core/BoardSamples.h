#pragma once
// Elements of every class for the clearance, grid and check tests: an
// aperture of every shape (a macro of every primitive among them), two drill
// tools, and random elements made the way the readers make them.
#include "FlashTables.h"

#include "core/Datas.h"
#include "core/GerberReader.h"

#include <cmath>
#include <random>
#include <vector>

namespace samples {

using namespace core;

enum Aperture : int {
    dCircle = 10,
    dSquare = 11,
    dRect = 12,
    dOval = 13,
    dOvalUpright = 14,
    dPolygon = 15,
    dThermal = 16,
    dMacro = 17,
    dWide = 18,
    dMoire = 19,
    dDot = 20,
};
constexpr int ApertureCodes[] = {dCircle, dSquare, dRect, dOval, dOvalUpright, dPolygon, dThermal, dMacro, dWide, dMoire};
constexpr int FlashCodes[] = {dCircle, dSquare, dRect, dOval, dOvalUpright, dPolygon, dThermal, dMacro, dMoire};
constexpr int StrokeCodes[] = {dCircle, dWide};

inline void SetUpTables()
{
    ResetTables();
    flashtest::SetAperture(dCircle, apCircle, 0.25);
    flashtest::SetAperture(dSquare, apSquare, 0.6);
    flashtest::SetAperture(dRect, apRectangle, 1.2, 0.5);
    flashtest::SetAperture(dOval, apOval, 1.6, 0.7);
    flashtest::SetAperture(dOvalUpright, apOval, 0.6, 1.5);
    flashtest::SetAperture(dPolygon, apPolygon, 1.1, 6, 15);
    flashtest::SetAperture(dThermal, apThermal90, 0.7, 1.3, 0.2);
    flashtest::SetAperture(dWide, apCircle, 0.6);
    // Every primitive kind; the circle with exposure off still counts.
    flashtest::SetMacro(dMacro, {"1,0,0.5,0.9,0.3", "21,1,1.2,0.4,0,0,30", "22,1,0.5,0.3,-1.1,-0.6,0",
                                 "4,1,3,0.2,-0.9,0.7,-0.9,0.5,-0.4,0.2,-0.9,10", "5,1,5,0,0,0.6,20",
                                 "20,1,0.15,-0.8,0.6,-0.2,0.9,0", "7,0.6,-0.6,0.5,0.3,0.08,0"});
    flashtest::SetMacro(dMoire, {"6,0,0,1.0,0.1,0.1,2,0.06,1.3,25"});
    flashtest::SetMacro(dDot, {"1,0,0.8,0,0"});
    Tools[1].Diameter = "0.8";
    Tools[1].Used = 1;
    Tools[2].Diameter = "0.3";
    Tools[2].Used = 1;
    LayerCount = 2;
    for (int l = 1; l <= 2; ++l) {
        LayerTable[static_cast<std::size_t>(l)].Active = 1;
        LayerTable[static_cast<std::size_t>(l)].FileName = "layer" + std::to_string(l) + ".gbr";
        LayerTable[static_cast<std::size_t>(l)].Contents = l == 1 ? "レジスト" : "シルク";
    }
}

enum class Class { Line, RegionLine, Stroke, Arc, RegionArc, Flash, Drill };
constexpr Class Classes[] = {Class::Line, Class::RegionLine, Class::Stroke, Class::Arc, Class::RegionArc, Class::Flash, Class::Drill};

inline DataElement Line(int code, double x1, double y1, double x2, double y2, int layer = 1)
{
    DataElement e;
    MakeStroke(e, code, layer, 0, x1, y1, x2, y2);
    return e;
}

inline DataElement RegionLine(double x1, double y1, double x2, double y2, int layer = 1)
{
    DataElement e;
    e.Kind = dkRegionLine;
    e.Layer = layer;
    e.X1 = x1, e.Y1 = y1, e.X2 = x2, e.Y2 = y2;
    return e;
}

// An arc about (cx, cy) from angle a0 over `sweep` radians (at most half a
// turn), counter-clockwise for a positive sweep.
inline DataElement Arc(int kind, int code, double cx, double cy, double r, double a0, double sweep, int layer = 1)
{
    const double a1 = a0 + sweep;
    DataElement e;
    const bool ccw = sweep > 0;
    const int k = kind == dkArcCCW ? (ccw ? dkArcCCW : dkArcCW) : (ccw ? dkRegionArcCCW : dkRegionArcCW);
    MakeArc(e, k, layer, 0, code, cx + r * std::cos(a0), cy + r * std::sin(a0), cx + r * std::cos(a1), cy + r * std::sin(a1), cx, cy, r);
    return e;
}

inline DataElement Flash(int code, double x, double y, int layer = 1)
{
    DataElement e;
    MakeFlash(e, code, layer, 0, x, y);
    return e;
}

inline DataElement Drill(int tool, double x, double y, int layer = 1)
{
    DataElement e;
    e.Kind = dkDrill;
    e.Code = tool;
    e.Layer = layer;
    e.X3 = x, e.Y3 = y;
    return e;
}

// A random element of class `c` near (x, y), lengths up to `size`.
inline DataElement RandomElement(std::mt19937& rng, Class c, double x, double y, double size, int layer = 1)
{
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    constexpr double Pi = 3.14159265358979323846;
    const double dx = u(rng) * size, dy = u(rng) * size;
    switch (c) {
    case Class::Line: return Line(StrokeCodes[rng() % 2], x, y, x + dx, y + dy, layer);
    case Class::RegionLine: return RegionLine(x, y, x + dx, y + dy, layer);
    case Class::Stroke: return Line(dSquare, x, y, x + dx, y + dy, layer);
    case Class::Arc:
    case Class::RegionArc:
        return Arc(c == Class::Arc ? dkArcCCW : dkRegionArcCCW, c == Class::Arc ? StrokeCodes[rng() % 2] : 0, x, y,
                   0.2 + std::fabs(u(rng)) * size, u(rng) * Pi, u(rng) * Pi * 0.95, layer);
    case Class::Flash: return Flash(FlashCodes[rng() % std::size(FlashCodes)], x, y, layer);
    case Class::Drill: return Drill(1 + static_cast<int>(rng() % 2), x, y, layer);
    }
    return {};
}

} // namespace samples
