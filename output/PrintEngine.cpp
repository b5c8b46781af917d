#include "output/PrintEngine.h"

#include "core/FlashDrawing.h"
#include "core/Geometry.h"
#include "output/DataSheets.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/MessageBoxes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>

namespace output {

using core::Datas;
using core::DataElement;
using platform::Canvas;
using platform::Color;
using platform::Point;
using platform::Rect;

MyPrintSet PrintSettings;
core::MyExtents PrintArea;
MyPrintTransform PrintTransform;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr const char* FooterFont = "ＭＳ Ｐゴシック";

// The sweep of an arc element from its start to its end, in its direction.
double ArcSweep(const DataElement& e)
{
    const double a1 = core::Direction(e.X3, e.Y3, e.X1, e.Y1), a2 = core::Direction(e.X3, e.Y3, e.X2, e.Y2);
    if (e.Kind == core::dkArcCCW || e.Kind == core::dkRegionArcCCW) return a2 < a1 ? 2 * Pi - a1 + a2 : a2 - a1;
    return a1 < a2 ? 2 * Pi + a1 - a2 : a1 - a2;
}

// Chords of an arc of the element at the device's resolution: none more
// than a quarter pixel off the circle.
int Segments(double sweep, double radius)
{
    return core::ArcSegments(sweep, radius, std::max(PrintTransform.ScaleX, PrintTransform.ScaleY));
}

const core::MyLayerSet* Slot(int s) { return core::LayerAt(s); }

// The slots in use: up to the first without a file.
int SlotsInUse()
{
    int n = 0;
    while (n < core::MaxLayers && !Slot(n + 1)->FileName.empty()) ++n;
    return n;
}

// The outline layer chosen for combining, or null.
const core::MyLayerSet* OutlineSlot()
{
    const int o = PrintSettings.OutlineLayer;
    if (o < 1 || o > SlotsInUse()) return nullptr;
    return Slot(o);
}

// The footer's font height and place on the job's pages or the preview.
struct PageStyle {
    int fontHeight = 0;
    int footerX = 0, footerY = 0;
};

// What a page lays under its layers.
enum class Ground {
    Mask,            // the board box in N/P mode, when the page asks for it
    MaskOrColour,    // that, or the page colour over the whole page
};

// The board box for masking in N/P mode; empty when it does not apply.
bool MaskBox(Rect& box)
{
    if (PrintSettings.ColorMode != pmInverted || !OutlineSlot()) return false;
    core::MyBox b;
    core::LayerExtents(PrintSettings.OutlineLayer, b);
    if (!(b[0] <= b[1] && b[2] <= b[3])) return false;
    box = WorldRectToDevice(b[0], b[1], b[2], b[3]);
    if (box.left > box.right) std::swap(box.left, box.right);
    if (box.top > box.bottom) std::swap(box.top, box.bottom);
    return true;
}

void FillWith(Canvas& c, const Rect& r, Color color)
{
    c.SetBrushColor(color);
    c.FillRect(r);
}

// One page's layers on the canvas, with its footer.
void DrawPage(Canvas& c, const PrintPage& page, const PageStyle& style, Ground ground, const std::string& footerText, bool footerOn)
{
    const MyPrintSet& ps = PrintSettings;
    const core::MyLayerSet* lead = Slot(page.Layers.front());
    Rect box;
    const bool masked = lead->CombineMask && MaskBox(box);
    const Rect whole{0, 0, c.Width(), c.Height()};
    if (masked) {
        // The inverted print covers the board only.
        FillWith(c, whole, White);
        FillWith(c, box, ps.PageColor);
    } else if (ground == Ground::MaskOrColour && ps.PageColor != White) {
        // A page of another colour than the paper's is painted.
        FillWith(c, whole, ps.PageColor);
    }
    for (const int layer : page.Layers) DrawLayerObjects(c, layer, PrintColorForMode(static_cast<Color>(Slot(layer)->Color)), ps.PageColor);
    std::string footer = footerText;
    if (const core::MyLayerSet* outline = OutlineSlot(); outline && lead->CombineOutline) {
        const Color ink = ps.ColorMode == pmInverted ? Black : PrintColorForMode(static_cast<Color>(outline->Color));
        DrawLayerObjects(c, ps.OutlineLayer, ink, ps.PageColor);
        footer += " + " + outline->FileName + "(" + outline->Contents + ")";
    }
    if (!footerOn) return;
    platform::FontInfo font;
    font.Name = FooterFont;
    font.Height = style.fontHeight;
    font.FontColor = ps.PageColor != Black || masked ? Black : White;
    c.SetFont(font);
    c.TextOut(style.footerX, style.footerY, footer);
}

} // namespace

std::string PageLetterOf(int s)
{
    const core::MyLayerSet* l = Slot(s);
    if (!l) return {};
    return l->PageLetter.empty() ? core::SlotLetter(s) : l->PageLetter;
}

std::string LayerCaption(const core::MyLayerSet& l) { return l.Contents.empty() ? l.FileName : l.FileName + "(" + l.Contents + ")"; }

void ResetPrintSettings() { PrintSettings = MyPrintSet{}; }

void ReadPrinterCaps(PrintDevice& device)
{
    const DeviceCaps caps = device.Caps();
    MyPrintSet& ps = PrintSettings;
    ps.PrinterName = caps.Name;
    ps.PhysicalWidth = caps.PhysicalWidth;
    ps.PhysicalHeight = caps.PhysicalHeight;
    ps.PhysicalOffsetX = caps.PhysicalOffsetX;
    ps.PhysicalOffsetY = caps.PhysicalOffsetY;
    ps.HorzRes = caps.HorzRes;
    ps.VertRes = caps.VertRes;
    ps.HorzSize = caps.HorzSize;
    ps.VertSize = caps.VertSize;
}

bool PrinterCapsUsable()
{
    const MyPrintSet& ps = PrintSettings;
    return ps.HorzRes > 0 && ps.VertRes > 0 && ps.PhysicalWidth > 0 && ps.PhysicalHeight > 0 && ps.HorzSize > 0 &&
           ps.VertSize > 0 && std::isfinite(ps.HorzSize) && std::isfinite(ps.VertSize);
}

Rect PreviewImageRect()
{
    if (!PrinterCapsUsable()) return {};
    const MyPrintSet& ps = PrintSettings;
    const double pw = ps.PhysicalWidth, ph = ps.PhysicalHeight;
    if (ps.PhysicalWidth < ps.PhysicalHeight) {
        const int w = static_cast<int>(pw / ph * 500);
        const int left = 40 + std::abs(static_cast<int>((500 - w) * 0.5));
        return {left, 50, left + w, 550};
    }
    const int h = static_cast<int>(ph / pw * 500);
    const int top = 50 + std::abs(static_cast<int>((500 - h) * 0.5));
    return {40, top, 540, top + h};
}

bool SetupPrintTransform(int percent, double centreX, double centreY, int width, int height)
{
    const MyPrintSet& ps = PrintSettings;
    const double factor = std::min(std::fabs(percent * 0.01), 1000.0);
    if (!(factor > 0) || !(ps.HorzSize > 0) || !(ps.VertSize > 0) || width <= 0 || height <= 0) return false;
    MyPrintTransform& t = PrintTransform;
    t.Factor = factor;
    t.ShiftX = ps.OffsetX + centreX;
    t.ShiftY = ps.OffsetY + centreY;
    t.PageWidth = ps.HorzSize / factor;
    t.PageHeight = ps.VertSize / factor;
    t.OriginX = ps.Mirror ? t.PageWidth * 0.5 + t.ShiftX : t.PageWidth * 0.5 - t.ShiftX;
    t.OriginY = t.PageHeight * 0.5 + t.ShiftY;
    t.ScaleX = width / t.PageWidth;
    t.ScaleY = height / t.PageHeight;
    return true;
}

Point WorldToDevice(double x, double y)
{
    const MyPrintTransform& t = PrintTransform;
    return {platform::SaturateCoord(((PrintSettings.Mirror ? -x : x) + t.OriginX) * t.ScaleX),
            platform::SaturateCoord((t.OriginY - y) * t.ScaleY)};
}

Rect WorldRectToDevice(double minX, double maxX, double minY, double maxY)
{
    const Point a = WorldToDevice(minX, maxY), b = WorldToDevice(maxX, minY);
    return {a.x, a.y, b.x, b.y};
}

Color PrintColorForMode(Color color)
{
    const int m = (platform::RedOf(color) + platform::GreenOf(color) + platform::BlueOf(color)) / 3;
    switch (PrintSettings.ColorMode) {
    case pmInverted: return White;
    case pmGrey: return platform::RGB(255 - m, 255 - m, 255 - m);
    case pmColour: return m < 221 ? (color & 0xFFFFFFu) : Black;
    default: return Black;
    }
}

void ContourToPolygon(int first, int last, core::MyTPointArray& points)
{
    points.clear();
    if (first < 0 || last < first || last >= core::DataCount) return;
    thread_local core::MyPointArray arc;
    const DataElement& f = Datas[static_cast<std::size_t>(first)];
    points.push_back(WorldToDevice(f.X1, f.Y1));
    for (int i = first; i <= last; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        switch (e.Kind) {
        case core::dkRegionLine:
            points.push_back(WorldToDevice(e.X2, e.Y2));
            break;
        case core::dkRegionArcCCW:
        case core::dkRegionArcCW: {
            int n = Segments(ArcSweep(e), e.X4);
            core::ArcToPoints(e.Kind, arc, n, e.X4, e.X3, e.Y3, e.X1, e.Y1, e.X2, e.Y2);
            for (std::size_t k = 1; k < arc.size(); ++k) points.push_back(WorldToDevice(arc[k].x, arc[k].y));
            break;
        }
        case core::dkRegionCircleCCW:
        case core::dkRegionCircleCW:
            core::ArcPoints(e.Kind, arc, Segments(2 * Pi, e.X4), e.X4, e.X3, e.Y3, e.X1, e.Y1);
            for (const core::MyPoint& p : arc) points.push_back(WorldToDevice(p.x, p.y));
            break;
        default:
            break;
        }
    }
}

void DrawLayerObjects(Canvas& c, int layer, Color color, Color pageColor)
{
    const MyPrintTransform& t = PrintTransform;
    const bool mirror = PrintSettings.Mirror != 0;
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenStyle(platform::PenStyle::Solid);
    c.SetPenWidth(1);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    core::FlashBatch batch;
    core::MyTPointArray device;
    core::MyPointArray arc;
    Color current = ~0u;
    for (int i = 0; i < core::DataCount; ++i) {
        if ((i & 0x3FF) == 0) platform::PumpEvents();
        if (Datas[static_cast<std::size_t>(i)].Layer != layer) continue;
        int first = i, last = i;
        core::GroupRange(i, first, last);
        last = std::max(last, i);
        const Color ink = Datas[static_cast<std::size_t>(i)].Clear ? pageColor : color;
        if (ink != current) {
            current = ink;
            c.SetPenColor(ink);
            c.SetBrushColor(ink);
            c.SetFontColor(ink);
        }
        const std::int32_t lastKind = Datas[static_cast<std::size_t>(last)].Kind;
        if (lastKind == core::dkRegionLine || lastKind == core::dkRegionArcCCW || lastKind == core::dkRegionArcCW) {
            ContourToPolygon(i, last, device);
            c.SetPenWidth(1);
            c.Polygon(device);
            i = last;
            continue;
        }
        for (int k = i; k <= last; ++k) {
            const DataElement& e = Datas[static_cast<std::size_t>(k)];
            switch (e.Kind) {
            case core::dkFlash:
                core::DrawFlash(c, k, mirror, pageColor, t.ScaleX, t.ScaleY, t.OriginX, t.OriginY);
                c.SetBrushStyle(platform::BrushStyle::Solid);
                break;
            case core::dkDrill:
            case core::dkDrillList: {
                const core::MyTool* tool = core::ToolAt(e.Code);
                if (!tool || tool->Symbol.empty()) break;
                const Point p = WorldToDevice(e.X3, e.Y3);
                const platform::TextSize size = c.TextExtent(tool->Symbol);
                c.TextOut(static_cast<int>(p.x - size.cx * 0.5 + 0.5), static_cast<int>(p.y - size.cy * 0.5 + 0.5), tool->Symbol);
                break;
            }
            case core::dkLine: {
                c.SetPenWidth(core::PenWidthPixels(e.Code, t.ScaleX));
                // Always from its own start: arcs and flashes between the
                // lines of a path leave the pen position to each canvas.
                const Point a = WorldToDevice(e.X1, e.Y1), b = WorldToDevice(e.X2, e.Y2);
                c.MoveTo(a.x, a.y);
                c.LineTo(b.x, b.y);
                break;
            }
            case core::dkSquareStroke: {
                c.SetPenWidth(1);
                const Point pts[5] = {WorldToDevice(e.X1, e.Y1), WorldToDevice(e.X2, e.Y2), WorldToDevice(e.X3, e.Y3),
                                      WorldToDevice(e.X4, e.Y4), WorldToDevice(e.X1, e.Y1)};
                c.Polygon(pts);
                break;
            }
            case core::dkArcCCW:
            case core::dkArcCW: {
                c.SetPenWidth(core::PenWidthPixels(e.Code, t.ScaleX));
                int n = Segments(ArcSweep(e), e.X4);
                core::ArcToPoints(e.Kind, arc, n, e.X4, e.X3, e.Y3, e.X1, e.Y1, e.X2, e.Y2);
                device.clear();
                for (const core::MyPoint& p : arc) device.push_back(WorldToDevice(p.x, p.y));
                c.Polyline(device);
                break;
            }
            case core::dkCircleCCW:
            case core::dkCircleCW: {
                // A full-circle stroke: a ring of the pen's width.
                c.SetPenWidth(core::PenWidthPixels(e.Code, t.ScaleX));
                const Rect r = WorldRectToDevice(e.X3 - e.X4, e.X3 + e.X4, e.Y3 - e.X4, e.Y3 + e.X4);
                c.SetBrushStyle(platform::BrushStyle::Clear);
                c.Ellipse(std::min(r.left, r.right), r.top, std::max(r.left, r.right), r.bottom);
                c.SetBrushStyle(platform::BrushStyle::Solid);
                break;
            }
            default:
                break;
            }
        }
        i = last;
    }
}

std::vector<PrintPage> PrintPages()
{
    std::vector<PrintPage> pages;
    const int n = SlotsInUse();
    std::array<bool, core::MaxLayers + 1> printed{};
    for (int s = 1; s <= n; ++s) {
        if (printed[static_cast<std::size_t>(s)] || Slot(s)->Active != 1) continue;
        PrintPage page;
        page.Letter = PageLetterOf(s);
        for (int j = s; j <= n; ++j) {
            if (printed[static_cast<std::size_t>(j)] || Slot(j)->Active != 1 || PageLetterOf(j) != page.Letter) continue;
            printed[static_cast<std::size_t>(j)] = true;
            page.Layers.push_back(j);
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

std::string TodayText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y/%m/%d", &local);
    return buf;
}

std::string FormatPrintFooter(const std::string& pageLetter)
{
    std::string text = "DATE: " + TodayText() + "  SCALE: " + std::to_string(PrintSettings.ScalePercent) + "%" + "  FILE NAME: ";
    if (pageLetter.empty()) return text + "(etc.)";
    std::string names;
    for (const PrintPage& page : PrintPages()) {
        if (page.Letter != pageLetter) continue;
        for (const int s : page.Layers) names += (names.empty() ? "" : " + ") + LayerCaption(*Slot(s));
    }
    return text + names;
}

void ReadDataArea(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    std::array<double, 16> v{};
    char bytes[sizeof v];
    if (!in.read(bytes, sizeof bytes)) return;
    std::memcpy(v.data(), bytes, sizeof bytes);
    core::MyExtents& a = PrintArea;
    a.MinX = v[0], a.MaxX = v[1], a.MinY = v[2], a.MaxY = v[3];
    a.Width = v[4], a.Height = v[5], a.CentreX = v[6], a.CentreY = v[7];
    a.OriginX = v[8], a.OriginY = v[9], a.ViewWidth = v[10], a.ViewHeight = v[11];
    a.ViewLeft = v[12], a.ViewTop = v[13], a.ViewRight = v[14], a.ViewBottom = v[15];
}

void ClearPreviewImage(Canvas& c)
{
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenStyle(platform::PenStyle::Solid);
    c.SetPenWidth(1);
    c.SetPenColor(Black);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetBrushColor(White);
    c.Rectangle(0, 0, c.Width(), c.Height());
}

void RenderPrintPreview(Canvas& c, int page)
{
    if (core::LayerCount < 1 || core::DataCount < 1) return;
    const MyPrintSet& ps = PrintSettings;
    if (!SetupPrintTransform(ps.ScalePercent, PrintArea.CentreX, PrintArea.CentreY, c.Width(), c.Height())) return;
    platform::BusyGuard busy;
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenWidth(1);
    c.SetPenColor(Black);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetBrushColor(ps.PageColor);
    c.Rectangle(0, 0, c.Width(), c.Height());
    const double h = c.Height(), w = c.Width();
    PageStyle style;
    style.fontHeight = static_cast<int>(2.0 * (h / ps.VertSize * 1.42));
    style.footerX = static_cast<int>(w / ps.HorzSize * 5.0);
    style.footerY = static_cast<int>(h - style.fontHeight - static_cast<int>(h / ps.VertSize * 5.0));
    const std::vector<PrintPage> pages = PrintPages();
    if (pages.empty()) return;
    // One page at a time: pages laid over each other would show neither
    // their own ground (the masking) nor their own footer.
    const PrintPage& shown = pages[static_cast<std::size_t>(std::clamp(page, 0, static_cast<int>(pages.size()) - 1))];
    // Drill letters as on paper, 2 data millimetres high.
    platform::FontInfo font;
    font.Name = FooterFont;
    font.Height = static_cast<int>(2.0 * PrintTransform.ScaleY);
    c.SetFont(font);
    DrawPage(c, shown, style, Ground::Mask, FormatPrintFooter(shown.Letter), ps.Footer);
}

int PrintLayers(PrintDevice& device)
{
    platform::BusyGuard busy;
    ReadPrinterCaps(device);
    const MyPrintSet& ps = PrintSettings;
    if (!PrinterCapsUsable() || !SetupPrintTransform(ps.ScalePercent, PrintArea.CentreX, PrintArea.CentreY, ps.HorzRes, ps.VertRes)) {
        platform::ShowWarning(NoPaperText);
        return 0;
    }
    const std::vector<PrintPage> pages = PrintPages();
    if (pages.empty()) return 0;
    PageStyle style;
    style.fontHeight = static_cast<int>(2.0 * PrintTransform.ScaleY);
    style.footerX = static_cast<int>(ps.PhysicalWidth / ps.HorzSize * 5.0) + ps.PhysicalOffsetX;
    style.footerY = ps.VertRes - style.fontHeight - static_cast<int>(5.0 * PrintTransform.ScaleY);
    PrintDocument document(device);
    for (const PrintPage& page : pages) {
        Canvas* c = document.NextPage();
        if (!c) return 0;
        // Drill letters take the footer's font, 2 data millimetres high.
        platform::FontInfo font;
        font.Name = FooterFont;
        font.Height = style.fontHeight;
        c->SetFont(font);
        DrawPage(*c, page, style, Ground::MaskOrColour, FormatPrintFooter(page.Letter), ps.Footer);
    }
    if (!document.Finish()) return 0;
    core::StepMarks[1] = 1;
    return document.Pages();
}

int PrintDataSheets(PrintDevice& device)
{
    const MyPrintSet& ps = PrintSettings;
    if (!ps.GerberSheet && !ps.DrillSheet && !ps.ApertureSheet) return 0;
    int pages = 0;
    {
        A4Portrait paper(device);
        ReadPrinterCaps(device);
        if (!PrinterCapsUsable() || !SetupPrintTransform(100, PrintArea.CentreX, PrintArea.CentreY, ps.HorzRes, ps.VertRes)) {
            platform::ShowWarning(NoPaperText);
        } else {
            PrintDocument document(device);
            const std::pair<std::uint8_t, const char*> sheets[] = {
                {ps.GerberSheet, GerberSheetFile}, {ps.DrillSheet, ToolSheetFile}, {ps.ApertureSheet, ApertureSheetFile}};
            for (const auto& [chosen, file] : sheets)
                if (chosen) PrintSheet(SheetPath(file), document);
            pages = document.Finish() ? document.Pages() : 0;
        }
    }
    // The paper is the printer's own again: so are its capabilities.
    ReadPrinterCaps(device);
    return pages;
}

} // namespace output
