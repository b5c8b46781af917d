#include "core/OldProjectFiles.h"

#include "core/ColorText.h"
#include "core/Geometry.h"
#include "core/ProjectFile.h"
#include "core/ProjectRecords.h"
#include "core/StrokeFont.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

namespace core {

namespace fs = std::filesystem;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2 * Pi;
// Progress is reported every this many elements or bytes.
constexpr std::int32_t ElementStep = 1 << 13;
constexpr long long ByteStep = 1 << 16;
// Lines standing for what the format has no area for: region edges, the
// outlines of polygons and macro primitives.
constexpr double OutlineWidth = 0.001;
constexpr double DrillLetterWidth = 0.1;
// No moiré writes more rings than are ever drawn.
constexpr int MaxMoireRings = 1000;

// ------------------------------------------------------------------- names

std::string LowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The layer's file name (never a folder) with ".tso" for its extension, or
// after it.
std::string TsoName(const MyLayerSet& layer, int slot, bool keepExtension)
{
    fs::path name = fs::path(layer.FileName).filename();
    if (name.empty() || name == "." || name == "..") name = SlotLetter(slot);
    if (keepExtension) return name.string() + ".tso";
    return name.replace_extension(".tso").string();
}

// ----------------------------------------------------------------- sections

enum Section { S1, S2, S3, S4, S5, S6, S10, S11, SectionCount };

// The record lines of one file, section by section.
class Sections {
public:
    explicit Sections(std::int32_t color) : color_(platform::FormatInt(color)) {}

    // One record of numbers; those of sections 1 to 6 end with the colour.
    // A record with a number that is not finite has no text and is left out.
    template <class... V>
    void Record(Section s, V... values)
    {
        const double v[] = {static_cast<double>(values)...};
        for (double x : v)
            if (!std::isfinite(x)) return;
        std::string& t = text_[s];
        for (std::size_t i = 0; i < sizeof...(V); ++i) {
            if (i > 0) t.push_back(',');
            platform::AppendReal(t, v[i]);
        }
        End(s);
    }
    // A section-1 line of a width and a placed stroke text "x1,y1,x2,y2".
    void Stroke(double width, const std::string& stroke)
    {
        std::string& t = text_[S1];
        platform::AppendReal(t, width);
        t.push_back(',');
        t += stroke;
        End(S1);
    }
    void Line(double width, double x1, double y1, double x2, double y2) { Record(S1, width, x1, y1, x2, y2); }
    void Tool(int number, const MyTool& tool);

    long long Count(Section s) const { return count_[s]; }
    // The header's line count, header included.
    long long Lines() const
    {
        long long n = 1;
        for (int s = S1; s <= S6; ++s) n += 1 + count_[s];
        if (count_[S10] > 0) n += 2 + count_[S10];
        if (count_[S11] > 0) n += 1 + count_[S11];
        return n;
    }
    // The sections in their order, each after its header line.
    template <class Write>
    void WriteTo(Write&& write) const
    {
        for (int s = S1; s <= S6; ++s) Body(write, s + 1, s, "");
        // The tools are preceded by a line of their own.
        if (count_[S10] > 0) Body(write, 10, S10, "0\r\n");
        if (count_[S11] > 0) Body(write, 11, S11, "");
    }

private:
    void End(Section s)
    {
        std::string& t = text_[s];
        if (s <= S6) {
            t.push_back(',');
            t += color_;
        }
        t += "\r\n";
        ++count_[s];
    }
    template <class Write>
    void Body(Write& write, int number, int s, const char* preface) const
    {
        write(platform::FormatInt(number) + "," + platform::FormatInt(count_[static_cast<std::size_t>(s)]) + "\r\n" + preface);
        write(text_[static_cast<std::size_t>(s)]);
    }

    std::string color_;
    std::array<std::string, SectionCount> text_;
    std::array<long long, SectionCount> count_{};
};

// A text of the file: CP932, without the quotes and commas that would end it
// early in a reader that does not honour quotes.
std::string QuotedText(const std::string& utf8)
{
    std::string safe;
    for (char c : platform::Cp932Readable(utf8)) {
        if (c == '"') safe += "\xE2\x80\x9D";            // ”
        else if (c == ',') safe += "\xEF\xBC\x8C";       // ，
        else if (c == '\r' || c == '\n') safe += ' ';
        else safe.push_back(c);
    }
    std::string q = "\"";
    q += platform::Utf8ToCp932(safe);
    q += '"';
    return q;
}

void Sections::Tool(int number, const MyTool& tool)
{
    std::string& t = text_[S10];
    t += "\"T";
    if (number < 10) t.push_back('0');
    t += platform::FormatInt(number) + "\",";
    t += QuotedText(tool.Diameter) + "," + QuotedText(tool.Comment) + ",\"" + platform::FormatInt(tool.Hits) + "\"\r\n";
    ++count_[S10];
}

// ----------------------------------------------------------- conversions

// The point at distance r and angle a from (x, y).
MyPoint At(double x, double y, double r, double a) { return {x + r * std::cos(a), y + r * std::sin(a)}; }

// The exact direction from the centre, in [0, 2π): arcs come back as written.
double Angle(double cx, double cy, double x, double y)
{
    double a = std::atan2(y - cy, x - cx);
    if (a < 0) a += TwoPi;
    return a < TwoPi ? a + 0.0 : 0.0;
}

// A thermal as four arcs about the middle of its ring, drawn with the ring's
// width. Each arc stops short of its bridge by half the gap and the round
// end of its pen, so the gap is carried by the arcs' angles.
void Thermal(Sections& s, double cx, double cy, double outer, double inner, double gap, double turnDegrees)
{
    const double w = (outer - inner) * 0.5;
    const double r = (outer - inner) * 0.25 + inner * 0.5;
    if (!(w > 0 && r > 0)) return;
    const double delta = std::asin(std::clamp((std::max(gap, 0.0) + w) / (2 * r), 0.0, 1.0));
    double theta = turnDegrees * Pi / 180.0;
    std::array<double, 8> a{};
    for (int k = 0; k < 4; ++k, theta += Pi / 2) {
        double start = theta + delta, end = Pi / 2 + theta - delta;
        if (start > TwoPi) start -= TwoPi;
        if (end > TwoPi) end -= TwoPi;
        a[static_cast<std::size_t>(2 * k)] = start;
        a[static_cast<std::size_t>(2 * k + 1)] = end;
    }
    s.Record(S4, w, cx, cy, r, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
}

void Outline(Sections& s, const MyPointArray& points)
{
    for (std::size_t i = 1; i < points.size(); ++i)
        s.Line(OutlineWidth, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
}

void MacroFlash(Sections& s, const MyAperture& a, double fx, double fy)
{
    if (MacroCount <= 0 || !ValidMacroIndex(a.FirstPrimitive) || !ValidMacroIndex(a.LastPrimitive)) return;
    MyPointArray points;
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        const MyMacro& m = Macros[static_cast<std::size_t>(k)];
        if (m.ValueCount < 1) continue;
        switch (static_cast<int>(m.V(0))) {
        case 1: {
            double cx = 0, cy = 0, r = 0;
            if (CirclePrimitiveGeometry(k, cx, cy, r, fx, fy)) s.Record(S3, 1, OutlineWidth, cx, cy, r, 0, 0);
            break;
        }
        case 2: case 4: case 5: case 20: case 21: case 22:
            MacroPrimitivePolygon(k, points, fx, fy);
            if (points.size() >= 2) Outline(s, points);
            break;
        case 6: {
            // The centre offset turns with the primitive, as it is drawn.
            const MyPoint c = TurnOffset(m.V(1), m.V(2), m.V(9));
            const double cx = fx + c.x, cy = fy + c.y;
            const double thickness = m.V(4), step = m.V(4) + m.V(5);
            const double rings = std::min(m.V(6), static_cast<double>(MaxMoireRings));
            if (step >= 0.001) {
                double radius = (m.V(3) - m.V(4)) * 0.5;
                for (int n = 0; radius >= 0.001 && n < rings; ++n, radius -= step)
                    s.Record(S3, 1, thickness, cx, cy, radius, 0, 0);
            }
            const double half = m.V(8) * 0.5, turn = m.V(9) * Pi / 180.0;
            if (m.V(7) > 0 && half > 0)
                for (int j = 0; j < 4; ++j)
                    s.Line(m.V(7), cx, cy, cx + half * std::cos(turn + j * Pi / 2), cy + half * std::sin(turn + j * Pi / 2));
            break;
        }
        case 7: {
            double cx = 0, cy = 0, r = 0;
            if (CirclePrimitiveGeometry(k, cx, cy, r, fx, fy)) Thermal(s, cx, cy, m.V(3), m.V(4), m.V(5), m.V(6));
            break;
        }
        default:
            break;
        }
    }
}

void Flash(Sections& s, const DataElement& e, const MyAperture& a)
{
    const double x = e.X3, y = e.Y3;
    switch (a.Shape) {
    case apCircle:
        s.Record(S6, x, y, a.Size1 * 0.5);
        break;
    case apSquare: {
        const double h = a.Size1 * 0.5;
        s.Record(S5, x - h, y + h, x + h, y - h);
        break;
    }
    case apOval:
    case apRectangle: {
        // The long side as a stroke of the short side's width.
        const bool wide = a.Size1 - a.Size2 > 0.0004;
        const double width = wide ? a.Size2 : a.Size1;
        const double d = std::fabs(a.Size1 - a.Size2) * 0.5;
        const double x1 = wide ? x - d : x, y1 = wide ? y : y + d, x2 = wide ? x + d : x, y2 = wide ? y : y - d;
        if (a.Shape == apOval) s.Line(width, x1, y1, x2, y2);
        else s.Record(S2, width * 0.5, x1, y1, x2, y2);
        break;
    }
    case apThermal45:
    case apThermal90:
        Thermal(s, x, y, a.Size2, a.Size1, a.Size3, a.Shape == apThermal45 ? 45.0 : 0.0);
        break;
    case apPolygon: {
        const int n = static_cast<int>(std::trunc(a.Size2));
        if (!(a.Size1 >= 0.001) || n < 3 || n > 10) break;
        const double r = a.Size1 * 0.5, a0 = a.Size3 * Pi / 180.0;
        MyPointArray points;
        for (int k = 0; k <= n; ++k) points.push_back({x + r * std::cos(a0 + TwoPi * k / n), y + r * std::sin(a0 + TwoPi * k / n)});
        Outline(s, points);
        break;
    }
    case apMacro:
        MacroFlash(s, a, x, y);
        break;
    default:
        break;
    }
}

void Convert(Sections& s, const DataElement& e)
{
    const MyAperture* a = ApertureAt(e.Code);
    const double size1 = a ? a->Size1 : 0.0;
    switch (e.Kind) {
    case dkLine:
        s.Line(size1, e.X1, e.Y1, e.X2, e.Y2);
        break;
    case dkRegionLine:
        s.Line(OutlineWidth, e.X1, e.Y1, e.X2, e.Y2);
        break;
    case dkSquareStroke: {
        // The stroke's own ends, back from the corners before and after them.
        const double r = std::sqrt(2.0) * size1 * 0.5, d = Angle(e.X1, e.Y1, e.X2, e.Y2);
        const MyPoint a = At(e.X1, e.Y1, r, d - Pi / 4), b = At(e.X2, e.Y2, r, d + Pi + Pi / 4);
        s.Record(S2, size1 * 0.5, RoundTo(4, a.x), RoundTo(4, a.y), RoundTo(4, b.x), RoundTo(4, b.y));
        break;
    }
    case dkArcCCW:
    case dkRegionArcCCW:
    case dkArcCW:
    case dkRegionArcCW: {
        const double w = e.Kind == dkArcCCW || e.Kind == dkArcCW ? size1 : OutlineWidth;
        double a1 = Angle(e.X3, e.Y3, e.X1, e.Y1), a2 = Angle(e.X3, e.Y3, e.X2, e.Y2);
        // Every arc is written counter-clockwise.
        if (e.Kind == dkArcCW || e.Kind == dkRegionArcCW) std::swap(a1, a2);
        s.Record(S3, 0, w, e.X3, e.Y3, e.X4, a1, a2);
        break;
    }
    case dkCircleCCW:
    case dkCircleCW:
    case dkRegionCircleCCW:
    case dkRegionCircleCW: {
        const double w = e.Kind == dkCircleCCW || e.Kind == dkCircleCW ? size1 : OutlineWidth;
        s.Record(S3, 1, w, e.X3, e.Y3, e.X4, 0, 0);
        break;
    }
    case dkFlash:
        if (a) Flash(s, e, *a);
        break;
    case dkDrill: {
        // The tool's letter drawn at the hole.
        const MyTool* tool = ToolAt(e.Code);
        if (tool && std::isfinite(e.X3) && std::isfinite(e.Y3)) {
            MyTextArray placed;
            PlaceGlyph(tool->Symbol, placed, e.X3, e.Y3, 1.0, 1.2);
            for (const std::string& stroke : placed) s.Stroke(DrillLetterWidth, stroke);
        }
        s.Record(S11, e.Code, e.X3, e.Y3);
        break;
    }
    case dkDrillList:
        // Hits read from such a file: their letters came in as lines already.
        s.Record(S11, e.Code, e.X3, e.Y3);
        break;
    default:
        break;
    }
}

// The colour as the file keeps it: a plain value, red in the low byte.
std::int32_t FileColor(std::int32_t color) { return color & 0xFFFFFF; }

} // namespace

// ------------------------------------------------------------------ writing

std::vector<OldProjectFilePlan> OldProjectFilePlans()
{
    std::vector<OldProjectFilePlan> plans;
    for (int k = 1; k <= std::min(LayerCount, MaxLayers); ++k) {
        const MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
        if (l.Active != 1) continue;
        auto it = std::find_if(plans.begin(), plans.end(), [&](const OldProjectFilePlan& p) { return p.PageLetter == l.PageLetter; });
        if (it == plans.end()) plans.push_back({l.PageLetter, {k}, {}});
        else it->Layers.push_back(k);
    }
    auto plainName = [](const OldProjectFilePlan& p) {
        const int k = p.Layers.front();
        return TsoName(LayerTable[static_cast<std::size_t>(k)], k, false);
    };
    std::map<std::string, int> uses;
    for (const OldProjectFilePlan& p : plans) ++uses[LowerAscii(plainName(p))];
    std::set<std::string> taken;
    for (OldProjectFilePlan& p : plans) {
        const int k = p.Layers.front();
        const bool meets = uses[LowerAscii(plainName(p))] > 1;
        std::string name = TsoName(LayerTable[static_cast<std::size_t>(k)], k, meets);
        // Names that still meet ("a.b" and "a" with "b") are numbered.
        const std::string stem = name.substr(0, name.size() - 4);
        for (int n = 2; taken.count(LowerAscii(name)); ++n) name = stem + "(" + std::to_string(n) + ").tso";
        taken.insert(LowerAscii(name));
        p.FileName = name;
    }
    return plans;
}

namespace {

// The file of one plan, handed on piece by piece; `progress` is told now and
// then how many elements were looked at.
template <class Write, class Progress>
void WritePlan(const OldProjectFilePlan& plan, Write&& write, Progress&& progress)
{
    if (plan.Layers.empty()) return;
    Sections s(FileColor(LayerTable[static_cast<std::size_t>(plan.Layers.front())].Color));
    std::string contents;
    std::int32_t seen = 0;
    for (int k : plan.Layers) {
        const MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
        if (!contents.empty()) contents += "&";
        contents += l.Contents;
        for (std::int32_t i = 0; i < DataCount; ++i) {
            const DataElement& e = Datas[static_cast<std::size_t>(i)];
            if (e.Layer == k && e.Kind != dkSection) Convert(s, e);
            if (++seen % ElementStep == 0) progress(seen);
        }
    }
    // Each used tool once, when the file has hits.
    if (s.Count(S11) > 0)
        for (int t = 1; t <= std::min(ToolCount, MaxToolCode); ++t)
            if (Tools[static_cast<std::size_t>(t)].Used == 1) s.Tool(t, Tools[static_cast<std::size_t>(t)]);

    write(QuotedText("Z") + "," + QuotedText(contents) + "," + QuotedText(ProjectBasics.Title) + "," +
          platform::FormatInt(s.Lines()) + "\r\n");
    s.WriteTo(write);
}

} // namespace

std::string OldProjectFileBytes(const OldProjectFilePlan& plan)
{
    std::string bytes;
    WritePlan(plan, [&](std::string_view piece) { bytes += piece; }, [](std::int32_t) {});
    return bytes;
}

void WriteOldProjectFiles(const std::string& folder)
{
    TFormDatas& form = FormDatas();
    const std::vector<OldProjectFilePlan> plans = OldProjectFilePlans();
    const long long total = std::max<long long>(static_cast<long long>(DataCount) * static_cast<long long>(plans.size()), 1);
    const std::string remembered = form.StatusText();
    form.SetCaption("tso ファイル作成");
    form.SetStatusText("");
    form.SetGauge(0, total);
    form.Show();
    long long done = 0;
    auto finish = [&] {
        form.SetGauge(0, total);
        form.SetStatusText(remembered);
        form.Hide();
    };
    try {
        for (const OldProjectFilePlan& plan : plans) {
            const MyLayerSet& first = LayerTable[static_cast<std::size_t>(plan.Layers.front())];
            form.SetStatusText("ファイルを作成しています ... " + first.FileName);
            platform::AtomicFileWriter out{fs::path(folder) / plan.FileName};
            bool writing = false;
            auto write = [&](std::string_view piece) {
                if (!writing) form.SetStatusText(plan.FileName + " を作成しています。");
                writing = true;
                out.Append(piece);
            };
            WritePlan(plan, write, [&](std::int32_t seen) {
                form.SetGauge(done + seen, total);
                form.ProcessEvents();
            });
            out.Commit();
            done += static_cast<long long>(DataCount) * static_cast<long long>(plan.Layers.size());
            form.SetGauge(std::min(done, total), total);
            form.ProcessEvents();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void WriteEarlierListFile(const std::string& path)
{
    std::vector<std::string> names;
    for (const OldProjectFilePlan& plan : OldProjectFilePlans()) names.push_back(plan.FileName);
    platform::WriteReadableLines(fs::path(path), names);
}

// ------------------------------------------------------------------ reading

namespace {

// The fields of a line split at ",", a comma inside double quotes kept, the
// quotes around a field dropped.
int SplitQuoted(std::string_view line, RecordFields& f)
{
    f.count = 0;
    if (line.empty()) return 0;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] == '"') quoted = !quoted;
        if (i < line.size() && (line[i] != ',' || quoted)) continue;
        std::string_view field = line.substr(start, i - start);
        if (!field.empty() && field.front() == '"') field.remove_prefix(1);
        if (!field.empty() && field.back() == '"') field.remove_suffix(1);
        if (f.count < RecordFields::Kept) f.field[static_cast<std::size_t>(f.count)] = field;
        ++f.count;
        start = i + 1;
    }
    return f.count;
}

// A text of the file in UTF-8; bytes that are not CP932 become "?".
std::string Text(std::string_view cp932)
{
    return platform::Cp932ToUtf8Lenient(cp932);
}

class OldProjectReader {
public:
    OldProjectReader(Gauge& gauge, int layer, MyDataValue& value)
        : gauge_(gauge), layer_(layer), value_(value), emptyJob_(LayerCount == 0)
    {
        ApertureMap.fill(0);
        ToolMap.fill(0);
    }

    bool Run(platform::LineReader& lines)
    {
        lines_ = &lines;
        const long long size = lines.Size();
        gauge_.SetMaximum(size >= 0 ? size + 1 : 1);
        gauge_.SetProgress(0);
        std::string_view line;
        if (!Next(line) || SplitQuoted(line, f_) != 4 || f_[0] != "Z") return false;
        value_.ContentsText = Text(f_[1]);
        value_.TitleText = Text(f_[2]);
        long long declaredLines = 0;
        try {
            declaredLines = RecordInt(f_[3]);
            while (Next(line)) Section(line);
        } catch (const platform::Error& e) {
            throw platform::Error("旧テッセルファイルの " + std::to_string(lines.LineNumber()) + " 行目を読めません。\n" + e.what());
        }
        CheckWhole(declaredLines);
        std::int32_t color = 0;
        if (!colorText_.empty() && TryParseColorText(Text(colorText_), color)) LayerTable[static_cast<std::size_t>(layer_)].Color = color;
        for (auto [lo, hi] : {std::pair{&value_.MinX, &value_.MaxX}, std::pair{&value_.MinY, &value_.MaxY}}) {
            if (*hi - *lo >= 100) continue;
            const double centre = (*lo + *hi) / 2;
            *lo = centre - 50;
            *hi = centre + 50;
        }
        gauge_.SetProgress(size >= 0 ? size + 1 : 1);
        gauge_.Pump();
        return true;
    }

private:
    // A file cut short would read as a smaller layer: the header counts the
    // file's lines and each section its records, and the last line must be whole.
    void CheckWhole(long long declaredLines) const
    {
        const std::string cut = "旧テッセルファイルが途中で終わっています。\n";
        if (shortSection_ != 0)
            throw platform::Error(cut + "セクション " + std::to_string(shortSection_) + " の " + std::to_string(sectionCount_) +
                                  " 行のうち " + std::to_string(sectionRead_) + " 行しかありません。");
        if (lastFilled_ < declaredLines)
            throw platform::Error(cut + "先頭の行が示す " + std::to_string(declaredLines) + " 行のうち " + std::to_string(lastFilled_) +
                                  " 行しかありません。");
        if (lastFilled_ > declaredLines)
            throw platform::Error("旧テッセルファイルの行数（" + std::to_string(lastFilled_) + " 行）が先頭の行が示す行数（" +
                                  std::to_string(declaredLines) + " 行）と合いません。");
        if (!lastEnded_)
            throw platform::Error(cut + "最後の " + std::to_string(lastFilled_) + " 行目が行の途中で切れています。");
        if (1 + sectionLines_ != declaredLines)
            throw platform::Error("旧テッセルファイルのセクションの行数の合計（先頭の行を含めて " + std::to_string(1 + sectionLines_) +
                                  " 行）が先頭の行が示す行数（" + std::to_string(declaredLines) + " 行）と合いません。");
    }

    bool Next(std::string_view& line)
    {
        if (!lines_->Next(line)) return false;
        // Blank lines after the last record are no part of the count.
        if (!line.empty()) {
            lastFilled_ = lines_->LineNumber();
            lastEnded_ = lines_->LineEnded();
        }
        if (lines_->Position() >= nextReport_) {
            nextReport_ = lines_->Position() + ByteStep;
            gauge_.SetProgress(lines_->Position());
            gauge_.Pump();
        }
        return true;
    }

    // Where a section's records end the next section must begin: a line
    // there that is none would be read leniently as records lost.
    void Section(std::string_view line)
    {
        const int n = SplitQuoted(line, f_);
        // Blank lines stand between sections, counted with the next one; a
        // last line cut short is the file's end.
        if (n == 0) ++blankLines_;
        if (n == 0 || !lines_->LineEnded()) return;
        static constexpr std::array<std::string_view, 8> keys{"1", "2", "3", "4", "5", "6", "10", "11"};
        const auto known = std::find(keys.begin(), keys.end(), f_[0]);
        const std::string after = lastSection_ == 0 ? std::string("先頭の行の後の行")
                                                    : "セクション " + std::to_string(lastSection_) + "（" +
                                                          std::to_string(lastCount_) + " 行）の後の行";
        if (n != 2 || known == keys.end())
            throw platform::Error("セクションの先頭の行（番号と行数）があるべき所に '" + platform::QuotedValue(Text(line)) +
                                  "' があります（" + after + "）。");
        static constexpr std::array<int, 8> numbers{1, 2, 3, 4, 5, 6, 10, 11};
        const int section = numbers[static_cast<std::size_t>(known - keys.begin())];
        const std::int32_t count = RecordInt(f_[1]);
        if (count < 0) throw platform::Error("セクション " + std::to_string(section) + " の行数 " + std::to_string(count) + " は負の数です。");
        if (section <= lastSection_)
            throw platform::Error("セクション " + std::to_string(section) + " が" + after + "にあります。セクションは番号の順に一つずつ並びます。");
        lastSection_ = section;
        lastCount_ = count;
        sectionLines_ += blankLines_ + 1 + count + (section == 10 ? 1 : 0);
        blankLines_ = 0;
        std::string_view record;
        std::int32_t read = 0;
        // The tools follow a line of their own.
        if (section != 10 || Next(line))
            for (; read < count && Next(record); ++read) Record(section, SplitQuoted(record, f_));
        if (read < count) {
            shortSection_ = section;
            sectionCount_ = count;
            sectionRead_ = read;
        }
    }

    // The fields each section's record must have; shorter records are skipped.
    static int FieldsOf(int section)
    {
        switch (section) {
        case 1: case 2: return 6;
        case 3: return 8;
        case 4: return 13;
        case 5: return 5;
        case 6: return 4;
        case 10: return 4;
        default: return 3;
        }
    }

    void Record(int section, int n)
    {
        if (n < FieldsOf(section)) return;
        if (section <= 6 && colorText_.empty()) colorText_ = f_[std::min(n, RecordFields::Kept) - 1];
        DataElement e;
        e.Layer = layer_;
        switch (section) {
        case 1: {
            e.Kind = dkLine;
            e.Code = Aperture(apCircle, RoundTo(4, RecordReal(f_[0])), 0, 0);
            e.X1 = RoundTo(4, RecordReal(f_[1]));
            e.Y1 = RoundTo(4, RecordReal(f_[2]));
            e.X2 = RoundTo(4, RecordReal(f_[3]));
            e.Y2 = RoundTo(4, RecordReal(f_[4]));
            Add(e);
            break;
        }
        case 2: {
            const double h = RecordReal(f_[0]), ax = RecordReal(f_[1]), ay = RecordReal(f_[2]), bx = RecordReal(f_[3]), by = RecordReal(f_[4]);
            const double d = Direction(ax, ay, bx, by), r = 1.4142 * h;
            e.Kind = dkSquareStroke;
            e.Code = Aperture(apSquare, RoundTo(4, 2 * h), 0, 0);
            const MyPoint p1 = At(ax, ay, r, d + 3 * Pi / 4), p2 = At(bx, by, r, d + Pi / 4);
            const MyPoint p3 = At(bx, by, r, d - Pi / 4), p4 = At(ax, ay, r, d - 3 * Pi / 4);
            e.X1 = p1.x, e.Y1 = p1.y, e.X2 = p2.x, e.Y2 = p2.y, e.X3 = p3.x, e.Y3 = p3.y, e.X4 = p4.x, e.Y4 = p4.y;
            Add(e);
            break;
        }
        case 3: {
            e.Kind = dkArcCCW;
            e.Code = Aperture(apCircle, RoundTo(4, RecordReal(f_[1])), 0, 0);
            e.X3 = RecordReal(f_[2]);
            e.Y3 = RecordReal(f_[3]);
            e.X4 = RecordReal(f_[4]);
            const double cx = e.X3, cy = e.Y3, r = e.X4;
            if (RecordReal(f_[0]) == 1) {
                // A full circle comes back as two halves.
                e.X1 = cx + r, e.Y1 = cy, e.X2 = cx - r, e.Y2 = cy;
                Add(e);
                std::swap(e.X1, e.X2);
                Add(e);
            } else {
                const MyPoint p1 = At(cx, cy, r, RecordReal(f_[5])), p2 = At(cx, cy, r, RecordReal(f_[6]));
                e.X1 = p1.x, e.Y1 = p1.y, e.X2 = p2.x, e.Y2 = p2.y;
                Add(e);
            }
            break;
        }
        case 4: {
            const double w = RecordReal(f_[0]), cx = RecordReal(f_[1]), cy = RecordReal(f_[2]), r = RecordReal(f_[3]);
            const double s1 = RecordReal(f_[4]), e1 = RecordReal(f_[5]);
            // The arcs stop short of the bridges by half the gap and half the
            // ring width; their sweep tells how far.
            const double sweep = std::remainder(e1 - s1, TwoPi);
            const double delta = (Pi / 2 - sweep) / 2;
            const double gap = std::max(2 * r * std::sin(delta) - w, 0.0);
            // Turned by 45° when the middle of the first arc's bridge is nearer 45° than 0° or 90°.
            const double turn = std::fmod(std::fmod(s1 - delta, Pi / 2) + Pi / 2, Pi / 2);
            const int shape = std::fabs(turn - Pi / 4) < Pi / 8 ? apThermal45 : apThermal90;
            e.Kind = dkFlash;
            e.Code = Aperture(shape, RoundTo(4, 2 * r - w), RoundTo(4, 2 * r + w), RoundTo(4, gap));
            e.X3 = cx, e.Y3 = cy, e.X4 = r;
            e.X1 = cx - r, e.Y1 = cy + r, e.X2 = cx + r, e.Y2 = cy - r;
            Add(e);
            break;
        }
        case 5: {
            e.Kind = dkFlash;
            e.X1 = RecordReal(f_[0]), e.Y1 = RecordReal(f_[1]), e.X2 = RecordReal(f_[2]), e.Y2 = RecordReal(f_[3]);
            e.X4 = std::fabs(e.X2 - e.X1) * 0.5;
            e.X3 = e.X1 + e.X4;
            e.Y3 = e.Y1 - e.X4;
            e.Code = Aperture(apSquare, RoundTo(4, std::fabs(e.X2 - e.X1)), 0, 0);
            Add(e);
            break;
        }
        case 6: {
            e.Kind = dkFlash;
            e.X3 = RecordReal(f_[0]), e.Y3 = RecordReal(f_[1]), e.X4 = RecordReal(f_[2]);
            const double r = e.X4;
            e.X1 = e.X3 - r, e.Y1 = e.Y3 + r, e.X2 = e.X3 + r, e.Y2 = e.Y3 - r;
            e.Code = Aperture(apCircle, RoundTo(4, 2 * r), 0, 0);
            Add(e);
            break;
        }
        case 10:
            Tool();
            break;
        case 11: {
            e.Kind = dkDrillList;
            e.Code = MappedCode(dkDrillList, RecordInt(f_[0]));
            e.X3 = RecordReal(f_[1]);
            e.Y3 = RecordReal(f_[2]);
            Add(e);
            break;
        }
        default:
            break;
        }
    }

    // "T05", "T5" and "T010" are all tools 5 and 10: the "T" and one "0" go.
    void Tool()
    {
        std::string_view name = f_[0];
        if (!name.empty() && name.front() == 'T') name.remove_prefix(1);
        if (!name.empty() && name.front() == '0') name.remove_prefix(1);
        const std::int32_t t = RecordInt(name);
        if (t < 1 || t > MaxToolCode) return;
        TakeFileTool(t, Text(f_[1]), Text(f_[2]), emptyJob_);
        ToolCount = std::max(ToolCount, MappedCode(dkDrillList, t));
    }

    // The D-code of an aperture of these sizes: one equal to it, or a new one.
    int Aperture(std::int32_t shape, double size1, double size2, double size3)
    {
        const auto key = std::make_tuple(shape, size1, size2, size3);
        const auto it = apertures_.find(key);
        if (it != apertures_.end()) return it->second;
        int code = FindOrAddAperture(shape, "", size1 < 1e-12 ? 0 : 1, size1, size2, size3);
        if (code == 0 && size1 < 1e-12) code = EmptyApertureSlot(shape, size1, size2, size3);
        apertures_.emplace(key, code);
        return code;
    }

    // An aperture of no size looks like a free slot, which the next aperture
    // added would take over: it goes to the last slot that was never used
    // instead, far from where additions begin.
    static int EmptyApertureSlot(std::int32_t shape, double size1, double size2, double size3)
    {
        for (int d = LastSearchCode; d >= FirstSearchCode; --d) {
            MyAperture& a = Apertures[static_cast<std::size_t>(d)];
            if (a.Shape != apNone || a.Size1 != 0) continue;
            a.Shape = shape;
            a.Size1 = size1;
            a.Size2 = size2;
            a.Size3 = size3;
            MaxDCode = std::max(MaxDCode, d);
            return d;
        }
        return 0;
    }

    void Add(const DataElement& e)
    {
        AppendElement(e);
        value_.Count += 1;
        GrowFileExtents(value_, e);
    }

    Gauge& gauge_;
    const int layer_;
    MyDataValue& value_;
    const bool emptyJob_;
    platform::LineReader* lines_ = nullptr;
    long long nextReport_ = ByteStep;
    long long lastFilled_ = 0;      // the number of the last line that is not blank
    bool lastEnded_ = true;         // whether that line had its line end
    int lastSection_ = 0;           // the section read last, with its count
    std::int32_t lastCount_ = 0;
    long long sectionLines_ = 0;    // the lines the sections count, their headers included
    long long blankLines_ = 0;      // blank lines since the last section, counted with the next
    int shortSection_ = 0;          // the section the file ended in, with its count and the records read
    std::int32_t sectionCount_ = 0, sectionRead_ = 0;
    RecordFields f_;
    std::string colorText_;
    std::map<std::tuple<std::int32_t, double, double, double>, int> apertures_;
};

} // namespace

namespace {

bool ReadLines(Gauge& gauge, platform::LineReader& lines, int layer, MyDataValue& value)
{
    value = MyDataValue{};
    if (!ValidLayer(layer)) return false;
    return ReadRolledBack(value, [&] {
        OldProjectReader reader(gauge, layer, value);
        return reader.Run(lines);
    });
}

} // namespace

bool ReadOldProjectData(Gauge& gauge, std::string_view bytes, int layer, MyDataValue& value)
{
    platform::LineReader lines(platform::LineReader::InMemory{bytes});
    return ReadLines(gauge, lines, layer, value);
}

bool ReadOldProjectFile(Gauge& gauge, const std::string& path, int layer, MyDataValue& value)
{
    value = MyDataValue{};
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(fs::path(path), ec)) return false;
    platform::LineReader lines{fs::path(path)};
    return ReadLines(gauge, lines, layer, value);
}

} // namespace core
