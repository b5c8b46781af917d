#include "view/ReportTools.h"

#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "view/CommandMenu.h"
#include "view/ViewTransform.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mainwin {

using core::DataElement;
using platform::Color;
using platform::RGB;

MyBalloonBox InfoTable;

void InitInfoTable(MyBalloonBox& box, int n)
{
    const auto k = static_cast<std::size_t>(std::max(n, 0));
    box.Count = static_cast<std::int32_t>(k);
    box.Rects.assign(k, platform::Rect{});
    box.Texts.assign(k, std::string());
    box.Icons.assign(k, -1);
    box.Hot = -1;
}

// ---------------------------------------------------------------- texts

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

std::string Num(double v) { return platform::FormatReal(v); }
std::string PointText(double x, double y) { return "X" + Num(x) + " Y" + Num(y); }
std::string RoundedPoint(double x, double y) { return PointText(core::RoundTo(3, x), core::RoundTo(3, y)); }

bool IsRegion(int kind) { return kind == core::dkRegionLine || kind == core::dkRegionArcCCW || kind == core::dkRegionArcCW; }
bool IsDrill(int kind) { return kind == core::dkDrill || kind == core::dkDrillList; }

// The aperture's shape as the balloon names it; sizes only where one size
// says it all.
std::string ShapeText(int code)
{
    const core::MyAperture* a = core::ApertureAt(code);
    if (!a) return {};
    switch (a->Shape) {
    case core::apCircle: return "円形 " + Num(a->Size1);
    case core::apSquare: return "正方形 " + Num(a->Size1);
    case core::apThermal45: return "サーマル45°";
    case core::apThermal90: return "サーマル90°";
    case core::apOval: return "オーバル";
    case core::apRectangle: return "矩形";
    case core::apMacro: return "マクロ(" + a->MacroName + ")";
    default: return {};
    }
}

std::string FigureName(int kind)
{
    switch (kind) {
    case core::dkFlash: return "フラッシュ";
    case core::dkDrill:
    case core::dkDrillList: return "ドリル";
    case core::dkArcCCW:
    case core::dkRegionArcCCW: return "円弧(CCW)";
    case core::dkArcCW:
    case core::dkRegionArcCW: return "円弧(CW)";
    case core::dkSquareStroke: return "矩形";
    case core::dkLine:
    case core::dkRegionLine: return "直線";
    default: return {};
    }
}

std::string PolarityText(const DataElement& e)
{
    if (IsDrill(e.Kind)) return {};
    const bool clear = e.Clear == 1;
    // A region is always one or the other; other figures only say so when clear.
    if (IsRegion(e.Kind) || clear) return core::PolarityTexts[clear ? 1 : 0];
    return {};
}

std::string ToolText(int tool) { return (tool >= 0 && tool < 10 ? "T0" : "T") + platform::FormatInt(tool); }

} // namespace

double ArcLength(std::string_view direction, double radius, double startX, double startY, double endX, double endY,
                 double centreX, double centreY)
{
    double a1 = core::Direction(centreX, centreY, startX, startY);
    double a2 = core::Direction(centreX, centreY, endX, endY);
    if (direction == "CCW") {
        if (a1 > a2) a2 += TwoPi;
        return radius * (a2 - a1);
    }
    if (direction == "CW") {
        if (a1 < a2) a1 += TwoPi;
        return radius * (a1 - a2);
    }
    return 0;
}

std::vector<InfoPair> PrimitiveInfo(const DataElement& e)
{
    std::vector<InfoPair> pairs;
    const core::MyLayerSet* layer = core::LayerAt(e.Layer);
    pairs.push_back({"ファイル", layer ? layer->FileName : std::string()});
    if (IsDrill(e.Kind)) pairs.push_back({"ツール", ToolText(e.Code)});
    else if (IsRegion(e.Kind)) pairs.push_back({"Dコード", "なし(Polygon)"});
    else pairs.push_back({"Dコード", "D" + platform::FormatInt(e.Code) + " " + ShapeText(e.Code)});
    pairs.push_back({"図形", FigureName(e.Kind) + PolarityText(e)});

    switch (e.Kind) {
    case core::dkFlash: pairs.push_back({"中心", PointText(e.X3, e.Y3)}); break;
    case core::dkDrill:
    case core::dkDrillList: {
        const core::MyTool* tool = core::ToolAt(e.Code);
        pairs.push_back({"中心", PointText(e.X3, e.Y3)});
        pairs.push_back({"穴径", tool ? tool->Diameter : std::string()});
        break;
    }
    case core::dkArcCCW:
    case core::dkArcCW:
    case core::dkRegionArcCCW:
    case core::dkRegionArcCW: {
        const bool ccw = e.Kind == core::dkArcCCW || e.Kind == core::dkRegionArcCCW;
        pairs.push_back({"始点", PointText(e.X1, e.Y1)});
        pairs.push_back({"終点", PointText(e.X2, e.Y2)});
        pairs.push_back({"中心", PointText(e.X3, e.Y3)});
        pairs.push_back({"半径", Num(core::RoundTo(3, e.X4))});
        pairs.push_back({"弧の長さ", Num(core::RoundTo(3, ArcLength(ccw ? "CCW" : "CW", e.X4, e.X1, e.Y1, e.X2, e.Y2, e.X3, e.Y3)))});
        break;
    }
    case core::dkSquareStroke:
        pairs.push_back({"点１", RoundedPoint(e.X1, e.Y1)});
        pairs.push_back({"点２", RoundedPoint(e.X2, e.Y2)});
        pairs.push_back({"点３", RoundedPoint(e.X3, e.Y3)});
        pairs.push_back({"点４", RoundedPoint(e.X4, e.Y4)});
        pairs.push_back({"長さ", Num(core::RoundTo(4, std::hypot(e.X2 - e.X1, e.Y2 - e.Y1)))});
        break;
    case core::dkLine:
    case core::dkRegionLine:
        pairs.push_back({"始点", PointText(e.X1, e.Y1)});
        pairs.push_back({"終点", PointText(e.X2, e.Y2)});
        pairs.push_back({"長さ", Num(core::RoundTo(4, std::hypot(e.X2 - e.X1, e.Y2 - e.Y1)))});
        break;
    default: break;
    }
    return pairs;
}

// ---------------------------------------------------------------- layout

int InfoBalloonHeight(int pairs)
{
    const int rows = 2 + 2 * std::max(pairs, 0);
    return (rows - 1) * InfoRowPitch / 2 + 55;
}

InfoPlacement PlaceInfoPanel(int x, int y, int pictureWidth, int pictureHeight, int W, int H)
{
    using P = platform::Point;
    const bool right = x < pictureWidth / 2, down = y < pictureHeight / 2;
    InfoPlacement p;
    p.TextLeft = 5;
    p.TextTop = down ? 25 : 5;
    p.TextBottom = down ? H - 30 : H - 50;
    p.Left = right ? x : x - W;
    p.Top = down ? y : y - H;
    if (right && down) p.Outline = {P{0, 0}, P{10, 20}, P{0, 20}, P{0, H - 2}, P{W - 1, H - 2}, P{W - 1, 20}, P{20, 20}};
    else if (right) p.Outline = {P{0, H - 2}, P{20, H - 22}, P{W - 1, H - 22}, P{W - 1, 0}, P{0, 0}, P{0, H - 22}, P{10, H - 22}};
    else if (down) p.Outline = {P{W - 1, 0}, P{W - 21, 20}, P{0, 20}, P{0, H - 2}, P{W - 1, H - 2}, P{W - 1, 20}, P{W - 11, 20}};
    else p.Outline = {P{W - 1, H - 2}, P{W - 11, H - 22}, P{W - 1, H - 22}, P{W - 1, 0}, P{0, 0}, P{0, H - 22}, P{W - 21, H - 22}};
    return p;
}

namespace {

void InfoFont(platform::Canvas& c)
{
    platform::FontInfo f;
    f.Height = -15;
    c.SetFont(f);
}

// Room around a text in its box.
constexpr int TextPad = 8;

} // namespace

std::string InfoPositionText(int current, int count)
{
    return platform::FormatInt(current + 1) + "/" + platform::FormatInt(count);
}

InfoSize MeasureInfoBalloon(platform::Canvas& measure, const std::vector<InfoPair>& pairs, int widthLimit,
                            const std::string& position)
{
    InfoFont(measure);
    InfoSize s;
    s.LabelWidth = std::max(InfoLabelWidth, measure.TextWidth(position) + TextPad);
    int valueWidth = 0;
    for (const InfoPair& p : pairs) {
        s.LabelWidth = std::max(s.LabelWidth, measure.TextWidth(p.Label) + TextPad);
        valueWidth = std::max(valueWidth, measure.TextWidth(p.Value) + TextPad);
    }
    s.Width = std::max(InfoBalloonWidth, std::min(5 + s.LabelWidth + valueWidth + 5, widthLimit));
    s.Height = InfoBalloonHeight(static_cast<int>(pairs.size()));
    return s;
}

void FillInfoTable(MyBalloonBox& box, const std::vector<InfoPair>& pairs, int current, int count, int W,
                   const InfoPlacement& place, int labelWidth)
{
    InitInfoTable(box, 2 + 2 * static_cast<int>(pairs.size()));
    box.Id = "Info";
    box.Outline = place.Outline;
    const int tb = place.TextBottom;
    box.Rects[0] = {5, tb, W - 5, tb + 3};
    box.Texts[0] = "=";
    const int valueLeft = 5 + labelWidth;
    // Under the labels: "12/15" has as much room as they have.
    box.Rects[1] = {5, tb + 5, std::max(40, valueLeft), tb + 23};
    box.Texts[1] = InfoPositionText(current, count);
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const int top = place.TextTop + InfoRowPitch * static_cast<int>(k);
        box.Rects[2 + 2 * k] = {5, top, valueLeft, top + InfoRowHeight};
        box.Texts[2 + 2 * k] = pairs[k].Label;
        box.Rects[3 + 2 * k] = {valueLeft, top, W - 5, top + InfoRowHeight};
        box.Texts[3 + 2 * k] = pairs[k].Value;
    }
}

// ---------------------------------------------------------------- paint

namespace {

constexpr Color White = RGB(255, 255, 255);
constexpr Color Black = RGB(0, 0, 0);
constexpr Color Face = RGB(236, 233, 216);
constexpr Color RuleShade = RGB(180, 180, 180);

// The text cut to `room` pixels, an ellipsis standing for the rest.
std::string Fitted(platform::Canvas& c, const std::string& text, int room)
{
    if (c.TextWidth(text) <= room) return text;
    std::string t = text;
    while (!t.empty()) {
        // Whole UTF-8 characters only.
        std::size_t cut = t.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;
        t.resize(cut);
        if (c.TextWidth(t + "…") <= room) return t + "…";
    }
    return {};
}

} // namespace

void DrawInfoTable(platform::RasterCanvas& c, const MyBalloonBox& box)
{
    const int W = c.Width();
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetBrushColor(InfoClearColor);
    c.FillRect({0, 0, W, c.Height()});
    const std::size_t n = std::min({static_cast<std::size_t>(std::max(box.Count, 0)), box.Rects.size(), box.Texts.size()});
    if (n == 0) return;
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenStyle(platform::PenStyle::Solid);
    c.SetPenWidth(1);
    c.SetPenColor(Black);
    c.SetBrushColor(Face);
    c.Polygon(box.Outline);
    InfoFont(c);
    c.SetFontColor(Black);
    for (std::size_t k = 0; k < n; ++k) {
        const platform::Rect& r = box.Rects[k];
        if (box.Texts[k] == "=") {
            c.SetPenColor(White);
            c.MoveTo(5, r.top);
            c.LineTo(W - 5, r.top);
            c.SetPenColor(RuleShade);
            c.MoveTo(5, r.top + 2);
            c.LineTo(W - 5, r.top + 2);
            continue;
        }
        if (k >= 3 && k % 2 == 1) {
            c.SetPenColor(White);
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(White);
            c.Rectangle(r.left, r.top, r.right, r.bottom);
        }
        int x = r.left + 3;
        const int icon = k < box.Icons.size() ? box.Icons[k] : -1;
        if (icon >= 0) {
            DrawMenuIcon(c, icon, x, r.top + 1);
            x += 25;
        }
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.TextOut(x, r.top + 1, Fitted(c, box.Texts[k], r.right - x));
    }
}

// ------------------------------------------------------------- stepping

namespace {

bool OnShownLayer(std::int32_t element)
{
    if (element < 0 || element >= core::DataCount) return false;
    const core::MyLayerSet* l = core::LayerAt(core::Datas[static_cast<std::size_t>(element)].Layer);
    return l && l->Active == 1;
}

int PickCount(const MyInfoSet& picks) { return std::min(std::max(picks.Count, 0), static_cast<int>(picks.Items.size())); }

} // namespace

int NextInfoPick(const MyInfoSet& picks)
{
    const int n = PickCount(picks);
    const int current = picks.Current >= 0 && picks.Current < n ? picks.Current : 0;
    if (n < 2) return current;
    for (int step = 1; step < n; ++step) {
        const int k = (current + step) % n;
        if (OnShownLayer(picks.Items[static_cast<std::size_t>(k)])) return k;
    }
    return current;
}

int CurrentInfoElement(const MyInfoSet& picks)
{
    if (picks.Current < 0 || picks.Current >= PickCount(picks)) return -1;
    const std::int32_t i = picks.Items[static_cast<std::size_t>(picks.Current)];
    return i >= 0 && i < core::DataCount ? i : -1;
}

// ---------------------------------------------------------- design rules

namespace {

bool DrcErrorShown(const core::MyErrPointSet& error) { return OnShownLayer(error.Element); }

std::size_t ErrorCount()
{
    return std::min(static_cast<std::size_t>(std::max(core::DrcErrors.Count, 0)), core::DrcErrors.Points.size());
}

} // namespace

int ShownDrcErrorCount()
{
    int shown = 0;
    for (std::size_t k = 0; k < ErrorCount(); ++k) shown += DrcErrorShown(core::DrcErrors.Points[k]) ? 1 : 0;
    return shown;
}

std::vector<int> DrcErrorElements()
{
    std::vector<int> elements;
    elements.reserve(ErrorCount());
    for (std::size_t k = 0; k < ErrorCount(); ++k) elements.push_back(core::DrcErrors.Points[k].Element);
    return elements;
}

void DrawDrcErrorMarks(platform::RasterCanvas& c)
{
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenStyle(platform::PenStyle::Solid);
    for (std::size_t k = 0; k < ErrorCount(); ++k) {
        const core::MyErrPointSet& error = core::DrcErrors.Points[k];
        if (!DrcErrorShown(error)) continue;
        int x = 0, y = 0;
        DataToScreen(error.X, error.Y, x, y);
        // Off the picture by more than the cross: nothing to draw.
        if (x < -16 || y < -16 || x > c.Width() + 16 || y > c.Height() + 16) continue;
        for (const auto& [colour, width] : {std::pair{Black, 3}, std::pair{White, 1}}) {
            c.SetPenColor(colour);
            c.SetPenWidth(width);
            c.MoveTo(x - 15, y - 15);
            c.LineTo(x + 15, y + 15);
            c.MoveTo(x + 15, y - 15);
            c.LineTo(x - 15, y + 15);
        }
    }
    c.SetPenWidth(1);
}

} // namespace mainwin
