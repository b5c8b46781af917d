#include "view/ToolPages.h"

#include "core/Datas.h"
#include "core/DesignRules.h"
#include "view/LayerList.h"
#include "view/ReportTools.h"
#include "view/SubLists.h"
#include "view/ToolState.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

namespace mainwin {

using platform::Color;
using platform::RGB;

MyFreeBox ToolPageHeader, ToolPageRows;

namespace {

constexpr Color White = RGB(255, 255, 255);
constexpr Color Black = RGB(0, 0, 0);
constexpr Color Grey = RGB(128, 128, 128);
constexpr int RowHeight = 18;

// What a row of a page stands for.
enum class RowRole { Label, Option, Class, Count };
struct PageRow {
    const char* Caption;
    int Top;
    RowRole Role;
    int Setting = 0;   // option: SelectKindFlags index, snap class or flag; class: snap class
    int Value = 0;     // option: snap mode or graduation
};

// The design-rule page's two flags.
constexpr int ShowErrorsFlag = 0, BlinkErrorsFlag = 1;
// Graduations of the ruler page's rows.
constexpr double Ticks[3] = {1.0, 0.1, 0.01};

const std::vector<PageRow>& SearchRows()
{
    static const std::vector<PageRow> rows{{"検索データ", 0, RowRole::Label},         {"直線", 20, RowRole::Option, 0},
                                           {"矩形", 40, RowRole::Option, 1},          {"円・円弧", 60, RowRole::Option, 2},
                                           {"フラッシュ", 80, RowRole::Option, 4},    {"ドリル", 100, RowRole::Option, 5}};
    return rows;
}

const std::vector<PageRow>& RulerRows()
{
    static const std::vector<PageRow> rows{{"最小目盛り (mm)", 0, RowRole::Label},
                                           {"1", 20, RowRole::Option, 0, 0},
                                           {"0.1", 40, RowRole::Option, 0, 1},
                                           {"0.01", 60, RowRole::Option, 0, 2}};
    return rows;
}

const std::vector<PageRow>& DrcRows()
{
    static const std::vector<PageRow> rows{{"エラー数", 5, RowRole::Label},
                                           {"0", 5, RowRole::Count},
                                           {"エラー箇所表示", 30, RowRole::Option, ShowErrorsFlag},
                                           {"データブリンク", 50, RowRole::Option, BlinkErrorsFlag}};
    return rows;
}

const std::vector<PageRow>& MeasureRows()
{
    static const std::vector<PageRow> rows = [] {
        struct ClassRow {
            const char* Caption;
            int Top;
            std::vector<std::pair<const char*, int>> Options;
        };
        const ClassRow classes[] = {
            {"直線", 25, {{"検出しない", SnapOff}, {"中心線", SnapCentreLine}, {"輪郭線", SnapOutline}}},
            {"矩形", 110, {{"検出しない", SnapOff}, {"中心線", SnapCentreLine}, {"輪郭線", SnapOutline}}},
            {"円弧", 195, {{"検出しない", SnapOff}, {"中心線", SnapCentreLine}, {"輪郭線", SnapOutline}, {"中心点", SnapCentrePoint}}},
            {"フラッシュ", 300, {{"検出しない", SnapOff}, {"輪郭線", SnapOutline}, {"中心点", SnapCentrePoint}}},
            {"ホール", 385, {{"検出しない", SnapOff}, {"輪郭線", SnapOutline}, {"中心点", SnapCentrePoint}}},
        };
        std::vector<PageRow> r{{"吸収ポイント設定", 0, RowRole::Label}};
        for (int c = 0; c < SnapClassCount; ++c) {
            const ClassRow& cs = classes[c];
            r.push_back({cs.Caption, cs.Top, RowRole::Class, c});
            int top = cs.Top;
            for (const auto& [caption, mode] : cs.Options) r.push_back({caption, top += 20, RowRole::Option, c, mode});
        }
        return r;
    }();
    return rows;
}

const std::vector<PageRow>& RowsOf(ToolButton tool)
{
    static const std::vector<PageRow> none;
    switch (tool) {
    case ToolButton::Gap:
    case ToolButton::Info:
    case ToolButton::Rect: return SearchRows();
    case ToolButton::Ruler: return RulerRows();
    case ToolButton::Drc: return DrcRows();
    case ToolButton::Measure: return MeasureRows();
    default: return none;
    }
}

struct PageHeader {
    const char* Caption;
    int Icon;
};

PageHeader HeaderOf(ToolButton tool)
{
    switch (tool) {
    case ToolButton::Gap: return {"ギャップ測定", 36};
    case ToolButton::Info: return {"データ情報", 35};
    case ToolButton::Rect: return {"矩形定規", 38};
    case ToolButton::Ruler: return {"寸法定規の設定", 15};
    case ToolButton::Drc: return {"DRC", 34};
    case ToolButton::Measure: return {"メジャー", 17};
    default: return {"", -1};
    }
}

// The snap picture of a class in a mode, -1 none.
int SnapPicture(int snapClass, int mode)
{
    static constexpr int pictures[SnapClassCount][3] = {
        // centre line, outline, centre point
        {0, 1, -1}, {2, 3, -1}, {4, 5, 6}, {-1, 7, 8}, {-1, 9, 10}};
    switch (mode) {
    case SnapCentreLine: return pictures[snapClass][0];
    case SnapOutline: return pictures[snapClass][1];
    case SnapCentrePoint: return pictures[snapClass][2];
    default: return -1;
    }
}

int OnOff(bool on) { return on ? IconOn : IconOff; }

bool InRect(const platform::Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

std::size_t RowLimit(const MyFreeBox& l)
{
    return std::min<std::size_t>({static_cast<std::size_t>(std::max(l.Count, 0)), l.Rects.size(), l.LeftIcon.size()});
}

void PageFont(platform::Canvas& c)
{
    platform::FontInfo f;
    f.Height = -15;
    c.SetFont(f);
}

// Where the design-rule count may end: beside its label (up to the page's
// button) and on a line of its own.
int drcBesideRight = 0, drcLineRight = 0;

// The count beside its label when it fits there; else on a line of its own
// as wide as the rows, the two switches moved down under it.
void PlaceDrcCount(platform::Canvas& measure)
{
    PageFont(measure);
    std::vector<platform::Rect>& r = ToolPageRows.Rects;
    const PageRow* rows = DrcRows().data();
    const bool beside = r[0].right + 2 + measure.TextWidth(ToolPageRows.Caption[1]) <= drcBesideRight;
    const int down = beside ? 0 : RowHeight + 2;
    r[1] = beside ? platform::Rect{r[0].right, rows[1].Top, std::max(drcBesideRight, r[0].right), rows[1].Top + RowHeight}
                  : platform::Rect{r[0].left, r[0].bottom + 2, drcLineRight, r[0].bottom + 2 + RowHeight};
    for (std::size_t k : {2u, 3u}) {
        r[k].top = rows[k].Top + down;
        r[k].bottom = r[k].top + RowHeight;
    }
}

} // namespace

ToolPageFrame PageFrame(ToolButton tool)
{
    ToolPageFrame f;
    switch (tool) {
    case ToolButton::Ruler:
        f = {true, 120, 25, 80, PageButton::Turn, 30, 2};
        break;
    case ToolButton::Gap:
    case ToolButton::Info:
    case ToolButton::Rect:
        f = {true, -1, 25, 120, tool == ToolButton::Gap ? PageButton::NextCandidate : PageButton::None, 25, 1};
        break;
    case ToolButton::Drc:
        f = {true, -1, 25, 90, PageButton::Detect, 25, 2};
        break;
    case ToolButton::Measure:
        f = {true, -1, 22, 465, PageButton::None, 25, 2};
        break;
    default:
        break;
    }
    return f;
}

void BuildToolPage(ToolButton tool, int headerWidth, int rowsWidth, platform::Canvas& measure, int buttonLeft)
{
    PageFont(measure);
    const PageHeader h = HeaderOf(tool);
    InitParamList(ToolPageHeader, 1);
    ToolPageHeader.Rects[0] = {2, 0, headerWidth - (tool == ToolButton::Drc ? 2 : 1), 22};
    ToolPageHeader.Style[0] = PageRowRaised;
    ToolPageHeader.Caption[0] = h.Caption;
    ToolPageHeader.LeftIcon[0] = h.Icon;
    ToolPageHeader.ExpanderIcon[0] = IconClosePage;

    const std::vector<PageRow>& rows = RowsOf(tool);
    InitParamList(ToolPageRows, static_cast<int>(rows.size()));
    ToolPageRows.Hover = -1;
    // A mark and its caption make an option's hot area, never narrower than
    // the caption drawn after the mark.
    const int markRoom = tool == ToolButton::Drc ? 2 + 2 + 20 : 27;
    int classRight = 0, optionsRight = 0;
    for (const PageRow& s : rows)
        if (s.Role == RowRole::Label) classRight = measure.TextWidth(s.Caption) + 12;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const PageRow& s = rows[k];
        ToolPageRows.Caption[k] = s.Caption;
        ToolPageRows.Style[k] = PageRowPlain;
        int right = measure.TextWidth(s.Caption) + markRoom;
        if (tool == ToolButton::Ruler && s.Role == RowRole::Option) right = std::max(right, 2 + 60);
        if (s.Role == RowRole::Option && tool == ToolButton::Measure) optionsRight = std::max(optionsRight, right + 4);
        ToolPageRows.Rects[k] = {2, s.Top, right, s.Top + RowHeight};
    }
    // The class pictures stand right of every option row, further left than
    // laid out when the rows' right edge (the scroll bar) would cover them.
    classRight = std::max(optionsRight, std::min(std::max(classRight, optionsRight), rowsWidth - SnapPictureSize));
    for (std::size_t k = 0; k < rows.size(); ++k) {
        platform::Rect& r = ToolPageRows.Rects[k];
        if (rows[k].Role == RowRole::Class) r.right = classRight;
        // The count runs from the label to the button or the image's right edge.
        if (rows[k].Role == RowRole::Count) {
            drcLineRight = rowsWidth;
            drcBesideRight = buttonLeft >= 0 ? std::min(rowsWidth, buttonLeft - 2) : rowsWidth;
            r = {ToolPageRows.Rects[k - 1].right, rows[k].Top, std::max(drcBesideRight, ToolPageRows.Rects[k - 1].right), rows[k].Top + RowHeight};
        }
    }
}

void SetPageMarks(ToolButton tool, platform::Canvas& measure)
{
    const int drcShown = ShownDrcErrorCount();
    const std::vector<PageRow>& rows = RowsOf(tool);
    const std::size_t n = std::min(rows.size(), RowLimit(ToolPageRows));
    for (std::size_t k = 0; k < n; ++k) {
        const PageRow& s = rows[k];
        int& mark = ToolPageRows.LeftIcon[k];
        switch (s.Role) {
        case RowRole::Label: break;
        case RowRole::Count: ToolPageRows.Caption[k] = platform::FormatInt(drcShown) + "/" + platform::FormatInt(core::DrcErrors.Count); break;
        case RowRole::Class: ToolPageRows.CheckIcon[k] = SnapPicture(s.Setting, SnapModes[static_cast<std::size_t>(s.Setting)]); break;
        case RowRole::Option:
            switch (tool) {
            case ToolButton::Measure: mark = OnOff(SnapModes[static_cast<std::size_t>(s.Setting)] == s.Value); break;
            case ToolButton::Ruler: mark = OnOff(RulerMinTick == Ticks[s.Value]); break;
            case ToolButton::Drc:
                mark = OnOff((s.Setting == ShowErrorsFlag ? core::DrcSettings.ShowErrors : core::DrcSettings.BlinkErrors) != 0);
                break;
            default: mark = OnOff(core::SelectKindFlags[static_cast<std::size_t>(s.Setting)] != 0); break;
            }
            break;
        }
    }
    if (tool == ToolButton::Drc && n == rows.size()) PlaceDrcCount(measure);
}

void DrawToolPageHeader(platform::RasterCanvas& c, const MyFreeBox& header)
{
    ClearListPicture(c);
    PageFont(c);
    if (RowLimit(header) < 1) return;
    const platform::Rect& r = header.Rects[0];
    c.SetPenColor(White);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetBrushColor(White);
    c.Rectangle(r.left, r.top, r.right, r.bottom);
    c.SetPenColor(Grey);
    c.MoveTo(r.left, r.bottom - 1);
    c.LineTo(r.right - 1, r.bottom - 1);
    c.LineTo(r.right - 1, r.top);
    DrawMenuIcon(c, header.LeftIcon[0], r.left + 1, r.top + 1);
    c.SetBrushStyle(platform::BrushStyle::Clear);
    c.SetFontColor(Black);
    c.TextOut(r.left + 1 + 20, r.top + 2, header.Caption[0]);
    DrawMenuIcon(c, header.ExpanderIcon[0], r.right - 20, r.top + 1);
}

void DrawToolPageRows(platform::RasterCanvas& c, const MyFreeBox& rows)
{
    ClearListPicture(c);
    PageFont(c);
    for (std::size_t k = 0; k < RowLimit(rows); ++k) {
        const platform::Rect& r = rows.Rects[k];
        int x = r.left + 2;
        if (rows.LeftIcon[k] >= 0) {
            DrawMenuIcon(c, rows.LeftIcon[k], x, r.top + 1);
            x += 20;
        }
        const std::string& caption = rows.Caption[k];
        if (static_cast<int>(k) == rows.Hover) {
            // White on navy where the caption stands.
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(NavyColor);
            const platform::TextSize ts = c.TextExtent(caption);
            c.FillRect({x, r.top + 1, x + ts.cx, r.top + 1 + ts.cy});
            c.SetFontColor(White);
        } else {
            c.SetFontColor(Black);
        }
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.TextOut(x, r.top + 1, caption);
        if (k < rows.CheckIcon.size() && rows.CheckIcon[k] >= 0) DrawSnapPicture(c, rows.CheckIcon[k], r.right, r.bottom);
    }
}

int HoverPageRow(const MyFreeBox& rows, int x, int y)
{
    for (std::size_t k = 0; k < RowLimit(rows); ++k)
        if ((rows.LeftIcon[k] == IconOff || rows.LeftIcon[k] == IconOn) && InRect(rows.Rects[k], x, y)) return static_cast<int>(k);
    return -1;
}

int HitPageRow(const MyFreeBox& rows, int x, int y)
{
    for (std::size_t k = 0; k < RowLimit(rows); ++k)
        if (InRect(rows.Rects[k], x, y)) return static_cast<int>(k);
    return -1;
}

PageClick ClickPageRow(ToolButton tool, int row)
{
    const std::vector<PageRow>& rows = RowsOf(tool);
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return PageClick::None;
    const PageRow& s = rows[static_cast<std::size_t>(row)];
    if (s.Role != RowRole::Option) return PageClick::None;
    switch (tool) {
    case ToolButton::Measure:
        SnapModes[static_cast<std::size_t>(s.Setting)] = s.Value;
        return PageClick::Repaint;
    case ToolButton::Ruler:
        RulerMinTick = Ticks[s.Value];
        return PageClick::RepaintRuler;
    case ToolButton::Drc: {
        std::uint8_t& flag = s.Setting == ShowErrorsFlag ? core::DrcSettings.ShowErrors : core::DrcSettings.BlinkErrors;
        flag = flag != 0 ? 0 : 1;
        return PageClick::RepaintRedraw;
    }
    default: {
        std::uint8_t& flag = core::SelectKindFlags[static_cast<std::size_t>(s.Setting)];
        flag = flag != 0 ? 0 : 1;
        return PageClick::Repaint;
    }
    }
}

// ------------------------------------------------------------ snap pictures

void DrawSnapPicture(platform::Canvas& c, int picture, int x, int y)
{
    if (picture < 0 || picture > 10) return;
    const platform::PenMode mode = c.GetPenMode();
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenWidth(1);
    c.SetPenStyle(platform::PenStyle::Solid);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetPenColor(RGB(160, 160, 160));
    c.SetBrushColor(White);
    c.Rectangle(x, y, x + SnapPictureSize, y + SnapPictureSize);
    const Color figure = RGB(190, 190, 190);
    const Color centre = RGB(90, 90, 90);
    auto thick = [&](std::span<const platform::Point> pts, int width) {
        c.SetPenColor(figure);
        c.SetPenWidth(width);
        c.Polyline(pts);
        c.SetPenWidth(1);
        c.SetPenColor(centre);
        c.Polyline(pts);
    };
    auto dot = [&](int px, int py) {
        c.SetPenColor(RGB(200, 0, 0));
        c.SetBrushColor(RGB(255, 0, 0));
        c.Ellipse(x + px - 3, y + py - 3, x + px + 4, y + py + 4);
    };
    auto disc = [&](int r, Color fill) {
        c.SetPenColor(centre);
        c.SetBrushColor(fill);
        c.Ellipse(x + 32 - r, y + 32 - r, x + 32 + r + 1, y + 32 + r + 1);
    };
    switch (picture) {
    case 0:
    case 1: {   // a line: its centre line, or its outline
        const platform::Point line[2] = {{x + 16, y + 32}, {x + 48, y + 32}};
        thick(line, 16);
        if (picture == 0) {
            for (int px : {16, 32, 48}) dot(px, 32);
        } else {
            for (auto [px, py] : {std::pair{16, 24}, {8, 32}, {16, 40}, {32, 40}, {48, 40}, {56, 32}, {48, 24}, {32, 24}}) dot(px, py);
        }
        break;
    }
    case 2:
    case 3: {   // a square-aperture stroke
        c.SetPenColor(centre);
        c.SetBrushColor(figure);
        c.Rectangle(x + 8, y + 22, x + 57, y + 43);
        if (picture == 2) {
            for (int px : {18, 32, 46}) dot(px, 32);
        } else {
            for (auto [px, py] : {std::pair{8, 22}, {8, 32}, {8, 42}, {32, 42}, {56, 42}, {56, 32}, {56, 22}, {32, 22}}) dot(px, py);
        }
        break;
    }
    case 4:
    case 5:
    case 6: {   // an arc over the upper half
        std::vector<platform::Point> arc;
        for (int k = 0; k <= 16; ++k) {
            const double a = std::numbers::pi * k / 16;
            arc.push_back({x + 32 + static_cast<int>(std::lround(20 * std::cos(a))), y + 44 - static_cast<int>(std::lround(20 * std::sin(a)))});
        }
        thick(arc, 8);
        if (picture == 4) {
            for (auto [px, py] : {std::pair{52, 44}, {12, 44}, {32, 24}}) dot(px, py);
        } else if (picture == 5) {
            for (auto [px, py] : {std::pair{56, 44}, {8, 44}, {32, 20}, {48, 44}, {16, 44}, {32, 28}}) dot(px, py);
        } else {
            dot(32, 44);
        }
        break;
    }
    case 7:
    case 8:   // a round flash
        disc(18, figure);
        if (picture == 7) {
            for (auto [px, py] : {std::pair{50, 32}, {32, 14}, {14, 32}, {32, 50}}) dot(px, py);
        } else {
            dot(32, 32);
        }
        break;
    default:   // a drill hole
        disc(18, Black);
        if (picture == 9) {
            for (auto [px, py] : {std::pair{50, 32}, {32, 14}, {14, 32}, {32, 50}}) dot(px, py);
        } else {
            dot(32, 32);
        }
        break;
    }
    c.SetPenMode(mode);
}

} // namespace mainwin
