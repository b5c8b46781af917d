#include "ProbeDrc.h"

#include "ProbeLoad.h"

#include "core/Clearance.h"
#include "core/DesignRules.h"
#include "core/Distances.h"
#include "core/FlashDrawing.h"
#include "core/Geometry.h"
#include "platform/NumberText.h"
#include "view/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace probe {

namespace {

using core::MyPoint;

void Print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

// "A,B,C" as three numbers.
bool ParseTriple(const std::string& text, double& a, double& b, double& c)
{
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && platform::TryParseReal(std::string_view(text).substr(0, comma), a) &&
           ParsePair(text.substr(comma + 1), b, c);
}

bool LayerNumber(double v, int layers) { return v >= 1 && v <= layers && v == std::trunc(v); }

void DrcUsage()
{
    std::fprintf(stderr, "usage: tessel2-probe drc [--width LAYER=MM]... [--angle LAYER]... [--top RESIST,SILK,GAP] "
                         "[--bottom RESIST,SILK,GAP] FILE...\n");
}

// Distance from p to what element i covers (0 inside it); FarAway for kinds
// the gap tool does not measure.
double DistanceTo(std::int32_t i, MyPoint p)
{
    using namespace core;
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    const MyAperture* a = ApertureAt(e.Code);
    const double half = a ? a->Size1 * 0.5 : 0.0;
    MyPoint nearest, anchor;
    double d = FarAway;
    switch (e.Kind) {
    case dkLine:
    case dkRegionLine:
        d = PointSegmentDistance(p, MySegment{{e.X1, e.Y1}, {e.X2, e.Y2}}, nearest, anchor) - (e.Kind == dkLine ? half : 0.0);
        break;
    case dkSquareStroke: {
        std::array<MyPoint, 5> corners;
        if (ElementCorners(i, corners)) d = PointPolygonDistance(p, corners, nearest);
        break;
    }
    case dkArcCCW:
    case dkArcCW:
    case dkRegionArcCCW:
    case dkRegionArcCW:
        d = PointArcDistance(p, ElementArc(e), nearest, anchor) - (e.Kind == dkArcCCW || e.Kind == dkArcCW ? half : 0.0);
        break;
    case dkFlash: d = FlashDistance(e.Code, e.X3, e.Y3, p.x, p.y); break;
    case dkDrill:
    case dkDrillList: d = Distance(p.x, p.y, e.X3, e.Y3) - ToolDiameter(e.Code) * 0.5; break;
    default: break;
    }
    return std::max(d, 0.0);
}

// The element nearest p on a shown layer (the first of equally near ones);
// -1 when there is none.
std::int32_t Nearest(MyPoint p)
{
    std::int32_t best = -1;
    double bestDistance = core::FarAway;
    for (std::int32_t i = 0; i < core::DataCount; ++i) {
        const core::MyLayerSet* l = core::LayerAt(core::Datas[static_cast<std::size_t>(i)].Layer);
        if (!l || l->Active != 1) continue;
        const double d = DistanceTo(i, p);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

} // namespace

int Drc(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    std::vector<std::pair<double, double>> widths;
    std::vector<double> angles;
    double top[3] = {0, 0, 0}, bottom[3] = {0, 0, 0};
    bool topOn = false, bottomOn = false, ok = true;
    for (std::size_t k = 0; k < args.size() && ok; ++k) {
        const std::string& a = args[k];
        const bool option = a == "--width" || a == "--angle" || a == "--top" || a == "--bottom";
        if (!option) {
            files.push_back(a);
            continue;
        }
        if (k + 1 >= args.size()) {
            ok = false;
            break;
        }
        const std::string& v = args[++k];
        if (a == "--width") {
            const std::size_t eq = v.find('=');
            double layer = 0, mm = 0;
            ok = eq != std::string::npos && platform::TryParseReal(std::string_view(v).substr(0, eq), layer) &&
                 platform::TryParseReal(std::string_view(v).substr(eq + 1), mm);
            widths.emplace_back(layer, mm);
        } else if (a == "--angle") {
            double layer = 0;
            ok = platform::TryParseReal(v, layer);
            angles.push_back(layer);
        } else {
            double* side = a == "--top" ? top : bottom;
            ok = ParseTriple(v, side[0], side[1], side[2]);
            (a == "--top" ? topOn : bottomOn) = true;
        }
    }
    if (!ok || files.empty()) {
        DrcUsage();
        return 2;
    }
    // A project file brings all its layers: the numbers are those loaded.
    const int status = LoadFiles(files);
    const int layers = core::LayerCount;
    for (const auto& [layer, mm] : widths) ok &= LayerNumber(layer, layers);
    for (double layer : angles) ok &= LayerNumber(layer, layers);
    for (const double* side : {top, bottom})
        if ((side == top && topOn) || (side == bottom && bottomOn)) ok &= LayerNumber(side[0], layers) && LayerNumber(side[1], layers);
    if (!ok) {
        DrcUsage();
        return 2;
    }

    core::MyDrcSet& s = core::DrcSettings;
    s = core::MyDrcSet{};
    s.Count = layers;
    s.MinWidth.assign(static_cast<std::size_t>(layers) + 1, 0.0);
    s.AngleCheck.assign(static_cast<std::size_t>(layers) + 1, 0);
    for (const auto& [layer, mm] : widths) s.MinWidth[static_cast<std::size_t>(layer)] = mm;
    for (double layer : angles) s.AngleCheck[static_cast<std::size_t>(layer)] = 1;
    s.TopOn = topOn;
    s.TopResist = static_cast<int>(top[0]);
    s.TopSilk = static_cast<int>(top[1]);
    s.TopGap = top[2];
    s.BottomOn = bottomOn;
    s.BottomResist = static_cast<int>(bottom[0]);
    s.BottomSilk = static_cast<int>(bottom[1]);
    s.BottomGap = bottom[2];

    core::ClearDrcErrors();
    core::Gauge gauge;
    core::CheckLineRules(gauge);
    core::CheckResistSilkGap(gauge, mainwin::PoolRunner());
    for (std::int32_t k = 0; k < core::DrcErrors.Count; ++k) {
        const core::MyErrPointSet& p = core::DrcErrors.Points[static_cast<std::size_t>(k)];
        Print(std::to_string(p.ErrorType) + "\t" + std::to_string(core::Datas[static_cast<std::size_t>(p.Element)].Layer) + "\t" +
              Fixed4(p.X) + "\t" + Fixed4(p.Y) + "\t" + p.Message);
    }
    Print("errors=" + std::to_string(core::DrcErrors.Count));
    return status;
}

int Gap(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    MyPoint at, to;
    bool haveAt = false, haveTo = false, ok = true;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if ((a == "--at" || a == "--to") && k + 1 < args.size()) {
            MyPoint& p = a == "--at" ? at : to;
            ok &= ParsePair(args[++k], p.x, p.y);
            (a == "--at" ? haveAt : haveTo) = true;
        } else {
            files.push_back(a);
        }
    }
    if (!ok || !haveAt || !haveTo || files.empty()) {
        std::fprintf(stderr, "usage: tessel2-probe gap FILE... --at X1,Y1 --to X2,Y2\n");
        return 2;
    }
    const int status = LoadFiles(files);
    const std::int32_t i = Nearest(at), j = Nearest(to);
    // Without a result the points stay the pick points, and nothing is drawn.
    double x1 = at.x, y1 = at.y, x2 = to.x, y2 = to.y;
    const double gap = i >= 0 && j >= 0 ? core::GapBetween(i, j, x1, y1, x2, y2) : core::FarAway;
    if (gap >= core::FarAway) Print("gap=none");
    else Print("gap=" + Fixed4(gap) + " a=" + Fixed4(x1) + "," + Fixed4(y1) + " b=" + Fixed4(x2) + "," + Fixed4(y2));
    return status;
}

} // namespace probe
