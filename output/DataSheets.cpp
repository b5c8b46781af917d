#include "output/DataSheets.h"

#include "core/Datas.h"
#include "output/PrintEngine.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "platform/qt/EventPump.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace output {

namespace {

using core::ProjectBasics;
using platform::FormatInt;

constexpr const char* TitleFont = "FONT,ＭＳ Ｐゴシック,500,,";
constexpr const char* LabelFont = "FONT,ＭＳ Ｐ明朝,320,,";
constexpr const char* FrameWidth = "WIDTH,40,,,";
constexpr const char* RuleWidth = "WIDTH,10,,,";

// A real as the sheets show it; nothing for a value that is no number.
std::string Real(double v) { return std::isfinite(v) ? platform::FormatReal(v) : std::string(); }

struct Script {
    std::vector<std::string> lines;
    void Add(std::string line) { lines.push_back(std::move(line)); }
    void Text(int x, int y, const std::string& text) { Add(FormatSheetTextLine(x, y, text)); }
    void Line(int x1, int y1, int x2, int y2)
    {
        Add("LINE," + FormatInt(x1) + "," + FormatInt(y1) + "," + FormatInt(x2) + "," + FormatInt(y2));
    }
    void Rect(int x1, int y1, int x2, int y2)
    {
        Add("RECT," + FormatInt(x1) + "," + FormatInt(y1) + "," + FormatInt(x2) + "," + FormatInt(y2));
    }
    void Repeat(int nx, int ny, int dx, int dy)
    {
        Add("REPEAT," + FormatInt(nx) + "," + FormatInt(ny) + "," + FormatInt(dx) + "," + FormatInt(dy));
    }
};

// Title, item name and date along the top of a page.
void Head(Script& s, const char* title, int nameLabelX, int nameLabelY, int nameX, int nameY, int dateX, int dateY)
{
    s.Add(TitleFont);
    s.Text(2500, 1000, title);
    s.Text(nameX, nameY, ProjectBasics.Title);
    s.Add(LabelFont);
    s.Text(nameLabelX, nameLabelY, "品名");
    s.Text(dateX, dateY, TodayText());
}

// The approval box of the Gerber and drill sheets, frame drawn already.
void ApprovalRules(Script& s)
{
    s.Line(12500, 2600, 18500, 2600);
    s.Repeat(2, 1, 2000, 0);
    s.Line(14500, 2000, 14500, 4300);
}

void ApprovalLabels(Script& s, int y, int x0)
{
    s.Text(x0, y, "承認");
    s.Text(x0 + 2000, y, "審査");
    s.Text(x0 + 4000, y, "作成");
}

// The format table's labels and values (x 12000 and 15000).
void FormatTable(Script& s, const core::MyFormatPara& f, const char* zeroLabel, const char* zero0, const char* zero1)
{
    s.Text(12000, 5000, "フォーマット");
    s.Text(12000, 5600, "座標基準");
    s.Text(12000, 6200, zeroLabel);
    s.Text(12000, 6800, "有効数値");
    s.Text(12000, 7400, "単位");
    s.Text(15000, 5000, f.FormatName);
    s.Text(15000, 5600, f.AbsInc == 1 ? "INC" : "ABS");
    s.Text(15000, 6200, f.Zero == 1 ? zero1 : zero0);
    s.Text(15000, 6800, f.NumberFormat);
    s.Text(15000, 7400, f.Units == 1 ? "inch" : "mm");
}

// The tool table of a drill sheet page from `top`: a head row, then `rows`
// ruled rows 600 high. Returns the y of the first row's text.
int ToolTable(Script& s, int top, int rows)
{
    const int bottom = top + 600 * (rows + 1);
    s.Add(FrameWidth);
    s.Rect(2500, top, 18500, bottom);
    s.Add(RuleWidth);
    s.Repeat(1, rows, 0, 600);
    s.Line(2500, top + 600, 18500, top + 600);
    s.Repeat(3, 1, 2000, 0);
    s.Line(4500, top, 4500, bottom);
    s.Line(11500, top, 11500, bottom);
    s.Add(LabelFont);
    const int y = top + 200;
    s.Text(2800, y, "工具番号");
    s.Text(4800, y, "図記号");
    s.Text(6800, y, "穴数");
    s.Text(8800, y, "穴径");
    s.Text(11700, y, "備考");
    return top + 800;
}

void ApertureHead(Script& s)
{
    s.Add(TitleFont);
    s.Text(2500, 1000, "アパーチャーリスト");
    s.Text(3500, 2000, ProjectBasics.Title);
    s.Add(LabelFont);
    s.Text(2500, 2000, "品名");
    s.Text(8500, 1200, TodayText());
    s.Add(FrameWidth);
    s.Rect(13000, 1000, 19000, 3300);
    s.Add(RuleWidth);
    s.Line(13000, 1600, 19000, 1600);
    s.Repeat(2, 1, 2000, 0);
    s.Line(15000, 1000, 15000, 3300);
    ApprovalLabels(s, 1200, 13500);
    s.Text(17200, 2200, ProjectBasics.Author);
    s.Text(2500, 3400, "(*) 使用Dコード");
    for (const int x0 : {2500, 11000}) {
        s.Add(FrameWidth);
        s.Rect(x0, 3800, x0 + 8000, 4400);
        s.Add(RuleWidth);
        s.Repeat(4, 1, 1500, 0);
        s.Line(x0 + 1500, 3800, x0 + 1500, 4400);
        s.Text(x0 + 200, 3950, "Dコード");
        s.Text(x0 + 1700, 3950, "形状");
        s.Text(x0 + 3200, 3950, "内径");
        s.Text(x0 + 4700, 3950, "外径");
        s.Text(x0 + 6200, 3950, "ブリッジ幅");
    }
}

// Symbol picture and name of a shape (-1 and nothing for others).
int ShapePicture(int shape)
{
    switch (shape) {
    case core::apCircle: return 10;
    case core::apSquare: return 11;
    case core::apThermal45: return 12;
    case core::apThermal90: return 13;
    case core::apOval: return 14;
    case core::apRectangle: return 15;
    case core::apMacro: return 16;
    default: return -1;
    }
}

std::string ShapeName(int shape)
{
    if (shape == core::apMacro) return "MACRO";
    if (shape == core::apPolygon) return {};
    return core::ShapeKeyword(shape);
}

// A script line split at every ","; quotes are kept (texts are taken as written).
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = line.find(',', from);
        out.push_back(line.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
        if (comma == std::string_view::npos) return out;
        from = comma + 1;
    }
}

// Coordinates beyond a metre are no sheet's.
bool Units(std::string_view text, long long& v) { return platform::TryParseInt(text, v) && v >= -100000 && v <= 100000; }

} // namespace

std::string FormatSheetTextLine(int x, int y, const std::string& text)
{
    return "TEXT," + FormatInt(x) + "," + FormatInt(y) + "," + text + ",";
}

std::string FormatSheetImageLine(int x, int y, int index)
{
    return "IMAGE," + FormatInt(x) + "," + FormatInt(y) + "," + FormatInt(index) + ",";
}

std::vector<std::string> GerberSheetLines()
{
    Script s;
    s.Add(FrameWidth);
    s.Rect(2500, 2000, 11000, 9000);
    s.Rect(4100, 4500, 7100, 7000);
    s.Rect(12500, 2000, 18500, 4300);
    s.Rect(11500, 4800, 18500, 9000);
    s.Rect(2500, 9500, 18500, 26900);
    s.Add(RuleWidth);
    s.Line(2500, 2600, 11000, 2600);
    s.Line(3300, 3400, 3300, 7800);
    s.Line(3300, 7800, 8200, 7800);
    s.Line(3300, 3500, 7100, 3500);
    s.Line(7200, 4500, 8200, 4500);
    s.Line(7200, 7000, 8200, 7000);
    s.Line(4100, 3400, 4100, 4400);
    s.Line(7100, 3400, 7100, 4400);
    s.Line(8100, 4500, 8100, 7800);
    ApprovalRules(s);
    s.Repeat(1, 6, 0, 600);
    s.Line(11500, 5400, 18500, 5400);
    s.Line(14500, 4800, 14500, 9000);
    s.Repeat(1, 28, 0, 600);
    s.Line(2500, 10100, 18500, 10100);
    s.Repeat(2, 1, 5000, 0);
    s.Line(6500, 9500, 6500, 26900);

    Head(s, "ガーバーデータ詳細表", 8200, 1170, 9000, 1000, 16500, 1170);
    s.Text(3000, 2200, "基板サイズと位置");
    s.Text(3000, 8100, "(0，0)");
    s.Text(3600, 3100, "X");
    s.Text(5500, 3100, "W");
    s.Text(8200, 5500, "H");
    s.Text(8200, 7200, "Y");
    ApprovalLabels(s, 2200, 13000);
    s.Text(3000, 9700, "ファイル名");
    s.Text(7000, 9700, "内容");
    s.Text(12000, 9700, "備考");
    s.Text(9000, 3300, "W = " + Real(ProjectBasics.BoardWidth));
    s.Text(9000, 3700, "H = " + Real(ProjectBasics.BoardHeight));
    s.Text(9000, 4100, "X = " + Real(ProjectBasics.BoardLeft));
    s.Text(9000, 4500, "Y = " + Real(ProjectBasics.BoardBottom));
    FormatTable(s, core::GerberFormat, "ゼロサプレス", "Leading", "Trailing");

    int y = 10300;
    for (int k = 1; k <= std::min(core::LayerCount, core::MaxLayers); ++k) {
        const core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(k)];
        if (l.FileKind != core::fkRS274D && l.FileKind != core::fkRS274X) continue;
        s.Text(2700, y, l.FileName);
        s.Text(6700, y, l.Contents);
        s.Text(11700, y, l.Remarks);
        y += 600;
    }
    return s.lines;
}

std::vector<std::string> ToolSheetLines()
{
    Script s;
    s.Add(FrameWidth);
    s.Rect(2500, 3100, 11000, 9000);
    s.Rect(5000, 5200, 8000, 7500);
    s.Rect(12500, 2000, 18500, 4300);
    s.Rect(11500, 4800, 18500, 9000);
    s.Add(RuleWidth);
    s.Line(2500, 3700, 11000, 3700);
    s.Line(4200, 4500, 4200, 8300);
    s.Line(4200, 8300, 8800, 8300);
    s.Line(5000, 4500, 5000, 5100);
    s.Line(4200, 4600, 5000, 4600);
    s.Line(8100, 7500, 8800, 7500);
    s.Line(8700, 7500, 8700, 8300);
    ApprovalRules(s);
    s.Repeat(1, 6, 0, 600);
    s.Line(11500, 5400, 18500, 5400);
    s.Line(14500, 4800, 14500, 9000);
    int y = ToolTable(s, 9500, ToolRowsFirstPage);

    Head(s, "ドリルデータ詳細表", 8200, 1170, 9000, 1000, 16500, 1170);
    s.Text(2500, 2200, "ファイル名:");
    s.Text(3000, 3300, "原点と基板位置");
    s.Text(3300, 8100, "(0，0)");
    s.Text(4500, 4200, "X");
    s.Text(8800, 7700, "Y");
    s.Text(6200, 6200, "基板");
    ApprovalLabels(s, 2200, 13000);
    s.Text(12000, 8600, "全穴数");
    s.Text(8500, 4200, "X = " + Real(ProjectBasics.NcLeft));
    s.Text(8500, 4600, "Y = " + Real(ProjectBasics.NcBottom));
    std::string drillFile;
    for (int k = 1; k <= std::min(core::LayerCount, core::MaxLayers); ++k)
        if (core::LayerTable[static_cast<std::size_t>(k)].FileKind == core::fkNcDrill) {
            drillFile = core::LayerTable[static_cast<std::size_t>(k)].FileName;
            break;
        }
    s.Text(5500, 2200, drillFile);
    // A zero mode: the reverse wording of the Gerber sheet's suppression.
    FormatTable(s, core::DrillFormat, "ゼロモード", "Trailing", "Leading");
    s.Text(15000, 8600, FormatInt(core::TotalHoleCount));

    // Rows past the first page's table continue on pages of their own.
    int row = 0, rows = ToolRowsFirstPage;
    for (int t = 1; t <= std::min(core::ToolCount, core::MaxToolCode); ++t) {
        const core::MyTool& tool = core::Tools[static_cast<std::size_t>(t)];
        if (tool.Used != 1) continue;
        if (row == rows) {
            s.Add("PAGE,,,,");
            Head(s, "ドリルデータ詳細表", 8200, 1170, 9000, 1000, 16500, 1170);
            y = ToolTable(s, 2300, ToolRowsNextPages);
            row = 0, rows = ToolRowsNextPages;
        }
        s.Text(2800, y, (t < 10 ? "T0" : "T") + FormatInt(t));
        s.Text(4800, y, tool.Symbol);
        s.Text(6800, y, FormatInt(tool.Hits));
        s.Text(8800, y, tool.Diameter);
        s.Text(11700, y, tool.Comment);
        ++row;
        y += 600;
    }
    return s.lines;
}

std::vector<std::string> ApertureSheetLines()
{
    Script s;
    ApertureHead(s);
    int row = 0;
    for (int d = core::FirstSearchCode; d <= core::MaxApertureCode; ++d) {
        const core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
        if (!(a.Used == 1 || a.Size1 > 0)) continue;
        if (row == ApertureRowsPerPage) {
            s.Add("PAGE,,,,");
            ApertureHead(s);
            row = 0;
        }
        // Fifty rows to a block, the left block first.
        const int x0 = row < ApertureRowsPerPage / 2 ? 2500 : 11000;
        const int y = 4600 + (row % (ApertureRowsPerPage / 2)) * 450;
        if (a.Used == 1)
            s.Text(x0, y, "* D" + FormatInt(d));
        else
            s.Text(x0 + 300, y, "D" + FormatInt(d));
        if (a.Shape >= 0) {
            s.Add(FormatSheetImageLine(x0 + 1500, y, ShapePicture(a.Shape)));
            s.Text(x0 + 1900, y, ShapeName(a.Shape));
        }
        s.Text(x0 + 3300, y, Real(a.Size1));
        s.Text(x0 + 4800, y, Real(a.Size2));
        s.Text(x0 + 6300, y, Real(a.Size3));
        ++row;
    }
    return s.lines;
}

void WriteGerberSheet(const std::filesystem::path& path) { platform::WriteReadableLines(path, GerberSheetLines()); }
void WriteToolSheet(const std::filesystem::path& path) { platform::WriteReadableLines(path, ToolSheetLines()); }
void WriteApertureSheet(const std::filesystem::path& path) { platform::WriteReadableLines(path, ApertureSheetLines()); }

std::filesystem::path SheetPath(const char* name)
{
    const std::filesystem::path folder = core::DataFolder.empty() ? platform::DataFolderPath() : std::filesystem::path(core::DataFolder);
    return folder / name;
}

void WriteSheetScripts()
{
    std::filesystem::create_directories(SheetPath(GerberSheetFile).parent_path());
    WriteGerberSheet(SheetPath(GerberSheetFile));
    WriteToolSheet(SheetPath(ToolSheetFile));
    WriteApertureSheet(SheetPath(ApertureSheetFile));
}

int SheetUnitsToDevice(long long value, char axis)
{
    const double scale = axis == 'X' ? PrintTransform.ScaleX : PrintTransform.ScaleY;
    return platform::SaturateCoord(static_cast<double>(value) * 0.01 * scale);
}

int RunSheetScript(const std::vector<std::string>& lines, platform::Canvas& first, const std::function<platform::Canvas*()>& newPage)
{
    platform::Canvas* canvas = &first;
    int pages = 1;
    auto start = [](platform::Canvas& c) {
        c.SetPenColor(Black);
        c.SetPenWidth(1);
        c.SetPenStyle(platform::PenStyle::Solid);
        c.SetPenMode(platform::PenMode::Copy);
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.SetFontColor(Black);
    };
    start(*canvas);
    long long nx = 1, ny = 1, dx = 0, dy = 0;
    auto X = [](long long v) { return SheetUnitsToDevice(v, 'X'); };
    auto Y = [](long long v) { return SheetUnitsToDevice(v, 'Y'); };
    for (const std::string& line : lines) {
        const std::vector<std::string_view> f = Fields(line);
        if (f.size() < 5) continue;
        const std::string_view command = f[0];
        // Only a text may hold commas of its own.
        if (f.size() > 5 && command != "TEXT") continue;
        long long v[4] = {0, 0, 0, 0};
        auto numbers = [&](std::initializer_list<int> which) {
            for (const int k : which)
                if (!Units(f[static_cast<std::size_t>(k)], v[k - 1])) return false;
            return true;
        };
        if (command == "WIDTH") {
            if (numbers({1})) canvas->SetPenWidth(std::max(1, X(v[0])));
        } else if (command == "REPEAT") {
            if (!numbers({1, 2, 3, 4})) continue;
            nx = std::clamp(v[0], 1LL, 1000LL);
            ny = std::clamp(v[1], 1LL, 1000LL);
            dx = v[2];
            dy = v[3];
        } else if (command == "FONT") {
            if (!numbers({2})) continue;
            platform::FontInfo font = canvas->Font();
            font.Name = std::string(f[1]);
            font.Height = std::max(10, Y(v[1]));
            canvas->SetFont(font);
        } else if (command == "TEXT") {
            if (!numbers({1, 2})) continue;
            // The text is every field between the coordinates and the last.
            const std::size_t from = f[3].data() - line.data();
            const std::size_t to = f[f.size() - 1].data() - 1 - line.data();
            canvas->TextOut(X(v[0]), Y(v[1]), std::string_view(line).substr(from, to - from));
        } else if (command == "LINE") {
            if (!numbers({1, 2, 3, 4})) continue;
            for (long long r = 0; r < ny; ++r) {
                for (long long c = 0; c < nx; ++c) {
                    canvas->MoveTo(X(v[0]), Y(v[1]));
                    canvas->LineTo(X(v[2]), Y(v[3]));
                    v[0] += dx, v[2] += dx;
                }
                v[1] += dy, v[3] += dy;
            }
            nx = ny = 1, dx = dy = 0;
        } else if (command == "RECT") {
            if (!numbers({1, 2, 3, 4})) continue;
            canvas->Rectangle(X(v[0]), Y(v[1]), X(v[2]), Y(v[3]));
            nx = ny = 1, dx = dy = 0;
        } else if (command == "IMAGE") {
            if (!numbers({1, 2, 3})) continue;
            DrawShapeSymbol(*canvas, static_cast<int>(v[2]), {X(v[0]), Y(v[1]), X(v[0] + 300), Y(v[1] + 300)});
            canvas->SetBrushStyle(platform::BrushStyle::Clear);
        } else if (command == "PAGE") {
            platform::Canvas* next = newPage ? newPage() : nullptr;
            if (!next) break;
            const platform::FontInfo font = canvas->Font();
            const int width = canvas->PenWidth();
            canvas = next;
            start(*canvas);
            canvas->SetFont(font);
            canvas->SetPenWidth(width);
            ++pages;
        }
        platform::PumpEvents();
    }
    return pages;
}

int PrintSheet(const std::filesystem::path& path, PrintDocument& document)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return 0;
    std::vector<std::string> lines;
    try {
        lines = platform::ReadTextLines(path);
    } catch (const platform::Error&) {
        return 0;
    }
    platform::BusyGuard busy;
    platform::Canvas* canvas = document.NextPage();
    if (!canvas) return 0;
    return RunSheetScript(lines, *canvas, [&] { return document.NextPage(); });
}

void DrawShapeSymbol(platform::Canvas& c, int index, const platform::Rect& box)
{
    const int w = box.right - box.left, h = box.bottom - box.top;
    if (w < 4 || h < 4 || index < 10 || index > 16) return;
    // A little inside the box, the shape in the pen colour.
    const int l = box.left + w / 8, t = box.top + h / 8, r = box.right - w / 8, b = box.bottom - h / 8;
    const int cx = (l + r) / 2, cy = (t + b) / 2;
    const platform::Color ink = c.PenColor();
    const int width = c.PenWidth();
    c.SetBrushColor(ink);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetPenWidth(1);
    switch (index) {
    case 10:   // circle
        c.Ellipse(l, t, r, b);
        break;
    case 11:   // square
        c.Rectangle(l, t, r, b);
        break;
    case 12:   // thermals: a ring cut by four bridges, on the axes or the diagonals
    case 13: {
        constexpr double Pi = 3.14159265358979323846;
        const double ro = (r - l) / 2.0, ring = ro / 3;
        c.SetPenWidth(std::max(1, static_cast<int>(ring)));
        const double centre = index == 12 ? 0.0 : Pi / 4;   // of each pad
        for (int q = 0; q < 4; ++q) {
            platform::Point arc[7];
            for (int k = 0; k < 7; ++k) {
                const double a = centre + q * Pi / 2 + (k - 3) * (Pi / 4 - 0.3) / 3;
                arc[k] = {cx + static_cast<int>(std::lround((ro - ring / 2) * std::cos(a))),
                          cy - static_cast<int>(std::lround((ro - ring / 2) * std::sin(a)))};
            }
            c.Polyline(arc);
        }
        break;
    }
    case 14: {   // oval: a round-ended bar across
        const int thick = std::max(1, (b - t) / 2);
        c.SetPenWidth(thick);
        c.MoveTo(l + thick / 2, cy);
        c.LineTo(r - thick / 2, cy);
        break;
    }
    case 15:   // rectangle
        c.Rectangle(l, t + (b - t) / 4, r, b - (b - t) / 4);
        break;
    case 16:   // macro: a pad inside a frame
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.Rectangle(l, t, r, b);
        c.SetBrushStyle(platform::BrushStyle::Solid);
        c.Ellipse(l + w / 5, t + h / 5, r - w / 5, b - h / 5);
        break;
    }
    c.SetPenWidth(width);
}

} // namespace output
