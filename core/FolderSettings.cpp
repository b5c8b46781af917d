#include "core/FolderSettings.h"

#include "core/ColorText.h"
#include "core/Datas.h"
#include "core/Geometry.h"
#include "core/ProjectRecords.h"
#include "core/SettingsLines.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace core {

namespace fs = std::filesystem;

namespace {

// ------------------------------------------------------------ shared parts

// The lines of a file in reading order. A file cut short must not apply the
// part of it that came: the lines a reader expects are named, and a file that
// ends before them, or in the middle of one, is refused. Past the end, lines
// that may be missing read empty.
class LineCursor {
public:
    LineCursor(std::string_view bytes, std::string name)
        : lines_(DecodeSettingsLines(bytes)), name_(std::move(name)), ended_(bytes.empty() || bytes.back() == '\n')
    {
    }

    bool AtEnd() const { return next_ >= lines_.size(); }
    // Names the part of the file read next, for the message when the file
    // ends there; empty when its lines may be missing.
    void Expect(std::string what) { expected_ = std::move(what); }
    const std::string& Next()
    {
        static const std::string empty;
        if (next_ >= lines_.size()) {
            ++next_;
            if (!expected_.empty()) Fail("ファイルが途中で終わっています。" + expected_ + "から後がありません。");
            return empty;
        }
        ++next_;
        if (next_ == lines_.size() && !ended_ && !expected_.empty())
            Fail("ファイルが途中で終わっています。" + expected_ + "が途中で切れています。");
        return lines_[next_ - 1].text;
    }
    void Skip(int n)
    {
        for (int i = 0; i < n; ++i) Next();
    }
    // Puts the last line back.
    void Back() { --next_; }
    // A line that must hold a whole number (a count).
    std::int32_t NextStrictInt() { return StrictInt(Next(), "整数"); }
    // A whole number and nothing else: `what` names the value in the error.
    std::int32_t StrictInt(const std::string& text, const std::string& what) const
    {
        const std::string t = Trimmed(text);
        long long v = 0;
        if (t.empty()) Fail("数値がありません。");
        if (!platform::TryParseInt(t, v) || v < INT32_MIN || v > INT32_MAX) Fail("「" + platform::QuotedValue(text) + "」は" + what + "ではありません。");
        return static_cast<std::int32_t>(v);
    }
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw platform::Error("設定ファイル「" + name_ + "」の " + std::to_string(next_) + " 行目を読み込めません。\n\r" +
                              what);
    }
    // Lines of the given keys are not in the file.
    [[noreturn]] void FailMissing(const std::vector<const char*>& keys) const
    {
        constexpr std::size_t named = 4;
        std::string list;
        for (std::size_t i = 0; i < keys.size() && i < named; ++i) list += (i ? "、" : "") + std::string(keys[i]);
        list += keys.size() > named ? " など " + std::to_string(keys.size()) + " 個" : std::string(" ");
        throw platform::Error("設定ファイル「" + name_ + "」を読み込めません。\n\r" + list + "のキーの行がありません。");
    }

private:
    std::vector<SettingsLine> lines_;
    std::string name_;
    std::size_t next_ = 0;
    bool ended_;
    std::string expected_;
};

// A number as the settings files hold it: the leading number of the text,
// whatever follows; none reads 0.
double Number(std::string_view text) { return platform::ParseRealPrefix(text); }
std::int32_t Integer(std::string_view text) { return SaturatedTrunc(Number(text)); }

// Field i of a table line; a line short of fields reads empty there.
const std::string& Field(const MyTextArray& f, std::size_t i)
{
    static const std::string empty;
    return i < f.size() ? f[i] : empty;
}

// A text on one line of its own: a line break inside would shift every line
// after it.
std::string OneLine(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

// A text of a key line: a "#" of its own would start a comment and cut the
// text there on reading, so it is written full-width.
std::string KeyText(const std::string& text) { return SeparatorFreeText(text, '#'); }

// A text of a table line: a "," of its own would shift the fields after it
// (a file name with a comma would put its layer's polarity where a colour
// belongs), so it is written full-width.
std::string TableText(const std::string& text) { return SeparatorFreeText(text, ','); }

// What the readers change, put back when a file fails half way.
struct SettingsSnapshot {
    MyBasicSet basics = ProjectBasics;
    MyFormatPara gerber = GerberFormat, drill = DrillFormat;
    std::int32_t maxDCode = MaxDCode, toolCount = ToolCount, iniLayerCount = IniLayerCount;
    std::array<MyAperture, MaxApertureCode + 1> apertures = Apertures;
    std::array<MyTool, MaxToolCode + 2> tools = Tools;
    std::array<MyLayerSet, LayerTableSize> iniLayers = IniLayerTable;

    void Restore() const
    {
        ProjectBasics = basics;
        GerberFormat = gerber;
        DrillFormat = drill;
        MaxDCode = maxDCode;
        ToolCount = toolCount;
        IniLayerCount = iniLayerCount;
        Apertures = apertures;
        Tools = tools;
        IniLayerTable = iniLayers;
    }
};

// Parses the file's lines into the tables, or puts them back and throws.
void ReadRollingBack(std::string_view bytes, const std::string& name, void (*parse)(LineCursor&))
{
    LineCursor in(bytes, name);
    auto before = std::make_unique<SettingsSnapshot>();
    try {
        parse(in);
    } catch (...) {
        before->Restore();
        throw;
    }
    // The digits follow the number format, whatever set it.
    DeriveDigits(GerberFormat);
    DeriveDigits(DrillFormat);
}

bool ReadIfExists(const std::string& path, void (*read)(std::string_view, const std::string&))
{
    if (!SettingsFileExists(path)) return false;
    read(platform::ReadFileBytes(path), fs::path(path).filename().string());
    return true;
}

// ----------------------------------------------------------- "Tessel2.ini"

// One value of the keyed file, in the order written.
struct KeyedValue {
    const char* key;
    std::string* text;
    double* real;
    std::int32_t* integer;
};

std::vector<KeyedValue> KeyedValues()
{
    MyBasicSet& b = ProjectBasics;
    MyFormatPara& g = GerberFormat;
    MyFormatPara& d = DrillFormat;
    return {
        {"TITLE", &b.Title, nullptr, nullptr},           {"COMMENT", &b.Comment, nullptr, nullptr},
        {"BOARDWIDTH", nullptr, &b.BoardWidth, nullptr}, {"BOARDHEIGHT", nullptr, &b.BoardHeight, nullptr},
        {"BOARDLEFT", nullptr, &b.BoardLeft, nullptr},   {"BOARDBOTTOM", nullptr, &b.BoardBottom, nullptr},
        {"NC_LEFT", nullptr, &b.NcLeft, nullptr},        {"NC_BOTTOM", nullptr, &b.NcBottom, nullptr},
        {"GB_FORMATNAME", &g.FormatName, nullptr, nullptr}, {"GB_CODE", &g.Code, nullptr, nullptr},
        {"GB_FORMAT", &g.NumberFormat, nullptr, nullptr}, {"GB_ABSINC", nullptr, nullptr, &g.AbsInc},
        {"GB_ZERO", nullptr, nullptr, &g.Zero},           {"GB_UNITS", nullptr, nullptr, &g.Units},
        {"GB_CIRCLEMODE", nullptr, nullptr, &g.CircleMode}, {"GB_OFFSET_X", nullptr, &g.OffsetX, nullptr},
        {"GB_OFFSET_Y", nullptr, &g.OffsetY, nullptr},    {"NC_FORMATNAME", &d.FormatName, nullptr, nullptr},
        {"NC_CODE", &d.Code, nullptr, nullptr},           {"NC_FORMAT", &d.NumberFormat, nullptr, nullptr},
        {"NC_ABSINC", nullptr, nullptr, &d.AbsInc},       {"NC_ZERO", nullptr, nullptr, &d.Zero},
        {"NC_UNITS", nullptr, nullptr, &d.Units},         {"NC_CIRCLEMODE", nullptr, nullptr, &d.CircleMode},
        {"NC_OFFSET_X", nullptr, &d.OffsetX, nullptr},    {"NC_OFFSET_Y", nullptr, &d.OffsetY, nullptr},
    };
}

std::string KeyLine(const std::string& key, const std::string& value)
{
    std::string line = key;
    if (line.size() < 15) line.resize(15, ' ');
    return line + "= " + value;
}

// A colour field: a colour name, "$" and hexadecimal digits, or a decimal
// number; empty reads 0 like any number.
std::int32_t ColorField(LineCursor& in, const std::string& text)
{
    std::int32_t color = 0;
    const std::string t = Trimmed(text);
    if (!t.empty() && !TryParseColorText(t, color)) in.Fail("「" + platform::QuotedValue(text) + "」は色ではありません。");
    return color;
}

void ParseFolderSettings(LineCursor& in)
{
    IniLayerCount = 0;
    const std::vector<KeyedValue> values = KeyedValues();
    // Every key the file is written with must be there: a file without some
    // of them is one cut short (or not ours), and its formats would be taken
    // for the job's.
    std::vector<const char*> keys;
    for (const KeyedValue& v : values) keys.push_back(v.key);
    for (const char* table : {"DCODE_MAX", "TOOL_MAX", "LAYER_MAX"}) keys.push_back(table);
    std::vector<bool> seen(keys.size(), false);
    std::string key, value;
    MyTextArray f;
    while (!in.AtEnd()) {
        in.Expect("最後の行");
        const std::string& line = in.Next();
        ExtractBetween(line, "", "=", key);
        ExtractBetween(line, "=", "#", value);
        for (std::size_t k = 0; k < keys.size(); ++k)
            if (key == keys[k]) seen[k] = true;
        // Counts out of a table's range read the lines that follow all the
        // same, so that no table line is taken for a key.
        if (key == "DCODE_MAX") {
            const std::int32_t count = Integer(value);
            MaxDCode = std::clamp<std::int32_t>(count, 0, MaxApertureCode);
            for (std::int32_t d = FirstSearchCode; d <= count; ++d) {
                in.Expect("D コード表（DCODE_MAX " + std::to_string(count) + "）の D" + std::to_string(d) + " の行");
                SplitText(in.Next(), ',', f);
                if (d > MaxApertureCode) continue;
                MyAperture& a = Apertures[static_cast<std::size_t>(d)];
                a.Shape = Integer(Field(f, 1));
                a.Size1 = Number(Field(f, 2));
                a.Size2 = Number(Field(f, 3));
                a.Size3 = Number(Field(f, 4));
            }
        } else if (key == "TOOL_MAX") {
            const std::int32_t count = Integer(value);
            for (std::int32_t t = 1; t <= count; ++t) {
                in.Expect("ツール表（TOOL_MAX " + std::to_string(count) + "）の " + std::to_string(t) + " 番目の行");
                SplitText(in.Next(), ',', f);
                if (t > MaxToolCode) continue;
                MyTool& tool = Tools[static_cast<std::size_t>(t)];
                tool.Diameter = Field(f, 1);
                tool.Symbol = Field(f, 2);
                tool.Comment = Field(f, 4);
            }
        } else if (key == "LAYER_MAX") {
            const std::int32_t count = Integer(value);
            for (std::int32_t i = 1; i <= count; ++i) {
                in.Expect("レイヤー表（LAYER_MAX " + std::to_string(count) + "）の " + std::to_string(i) + " 番目の行");
                SplitText(in.Next(), ',', f);
                if (i >= LayerTableSize) continue;
                IniLayerCount += 1;
                MyLayerSet& l = IniLayerTable[static_cast<std::size_t>(i)];
                l.FileName = Field(f, 1);
                l.Contents = Field(f, 2);
                l.Remarks = Field(f, 3);
                l.Polarity = Field(f, 4);
                l.AltColor = ColorField(in, Field(f, 5));
                l.Color = ColorField(in, Field(f, 6));
            }
        } else {
            for (const KeyedValue& v : values) {
                if (key != v.key) continue;
                if (v.text) *v.text = value;
                else if (v.real) *v.real = Number(value);
                else *v.integer = Integer(value);
                break;
            }
        }
    }
    std::vector<const char*> missing;
    for (std::size_t k = 0; k < keys.size(); ++k)
        if (!seen[k]) missing.push_back(keys[k]);
    if (!missing.empty()) in.FailMissing(missing);
}

// ----------------------------------------------------------- "Tesselu.ini"

constexpr int OldLayerSlots = 20;
constexpr int OldFillerLines = 50;

std::string Quoted(const std::string& text) { return "\"" + OneLine(text) + "\""; }

// The earlier edition's numbers of the drill machines it knew.
std::string DrillMachineCode(const std::string& name)
{
    if (name == "TAKEUCHI") return "0";
    if (name == "EXCELLON") return "2";
    return "1";
}

std::string DrillCoordinateCode(const std::string& name)
{
    if (name == "TAKEUCHI" || name == "HITACHI") return "0";
    if (name == "EXCELLON") return "1";
    return "2";
}

// One pass over the layout. The tables are as the earlier edition wrote
// them; whatever lies outside ours is skipped.
void ParseOldLayout(LineCursor& in)
{
    // Every line up to the drill format must be there; the filler after it
    // may be missing.
    in.Expect("見出しの行");
    in.Skip(19);
    in.Expect("レイヤーの色");
    for (int k = 1; k <= OldLayerSlots; ++k) {
        MyLayerSet& l = IniLayerTable[static_cast<std::size_t>(k)];
        l.Color = l.AltColor = Integer(in.Next());
    }
    in.Expect("ツールの数");
    in.Skip(3);

    const std::int32_t tools = in.NextStrictInt();
    for (std::int32_t i = 0; i < tools; ++i) {
        in.Expect("ツール表（" + std::to_string(tools) + " 本）の " + std::to_string(i + 1) + " 本目");
        // "T01" is tool 1: the number runs from the first digit 1-9 on.
        const std::string name = StripQuotes(in.Next());
        const std::size_t first = name.find_first_of("123456789");
        const std::int32_t t = first == std::string::npos ? 0 : Integer(std::string_view(name).substr(first));
        std::string symbol = StripQuotes(in.Next());
        std::string diameter = StripQuotes(in.Next());
        std::string comment = StripQuotes(in.Next());
        if (t < 1 || t > MaxToolCode) continue;
        MyTool& tool = Tools[static_cast<std::size_t>(t)];
        tool.Symbol = std::move(symbol);
        tool.Diameter = std::move(diameter);
        tool.Comment = std::move(comment);
        tool.Used = 1;
        ToolCount = std::max(ToolCount, t);
    }
    in.Expect("ドリルの原点");
    DrillFormat.OffsetX = Number(in.Next());
    DrillFormat.OffsetY = Number(in.Next());

    in.Expect("レイヤー表");
    IniLayerCount = OldLayerSlots;
    for (int k = 1; k <= OldLayerSlots; ++k) {
        MyLayerSet& l = IniLayerTable[static_cast<std::size_t>(k)];
        l.FileName = StripQuotes(in.Next());
        l.Contents = StripQuotes(in.Next());
        l.Remarks = StripQuotes(in.Next());
    }
    in.Expect("基板の寸法");
    in.Skip(OldLayerSlots);
    for (double* v : {&ProjectBasics.BoardLeft, &ProjectBasics.BoardBottom, &ProjectBasics.BoardWidth,
                      &ProjectBasics.BoardHeight})
        *v = RoundTo(5, Number(in.Next()));
    in.Expect("D コードの数");
    in.Skip(5);

    const std::int32_t dcodes = in.NextStrictInt();
    MyTextArray f;
    for (std::int32_t i = 0; i < dcodes; ++i) {
        in.Expect("D コード表（" + std::to_string(dcodes) + " 行）の " + std::to_string(i + 1) + " 行目");
        SplitText(in.Next(), ',', f);
        f.resize(std::max<std::size_t>(f.size(), 5));
        for (std::string& s : f) s = StripQuotes(s);
        std::string_view code = f[0];
        if (!code.empty() && code.front() == 'D') code.remove_prefix(1);
        const std::int32_t d = Integer(code);
        const std::int32_t shape = in.StrictInt(f[1], "形状の番号");
        if (d < FirstSearchCode || d > MaxApertureCode) continue;
        MaxDCode = std::max(MaxDCode, d);
        MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        a.Shape = shape;
        a.Size1 = Number(f[2]);
        a.Size2 = Number(f[3]);
        if (a.Shape == apThermal45 || a.Shape == apThermal90) {
            // A thermal's angle stands in place of its gap; the angle tells
            // the two kinds apart.
            const double angle = RoundTo(0, Number(f[4]));
            a.Shape = angle > 5 && angle < 85 ? apThermal45 : apThermal90;
            a.Size3 = (a.Size2 - a.Size1) * 0.5;
        } else {
            a.Size3 = Number(f[4]);
        }
    }
    GerberFormat.FormatName = "RS-274D";

    auto flag = [&] { return Number(in.Next()) > 0 ? 1 : 0; };
    in.Expect("ガーバーデータの書式");
    in.Skip(1);
    GerberFormat.AbsInc = flag();
    in.Skip(2);
    GerberFormat.Zero = flag();
    GerberFormat.NumberFormat = flag() ? "000.0000" : "000.000";
    in.Skip(1);
    GerberFormat.Units = flag();
    in.Expect("NC ドリルデータの書式");
    switch (Integer(in.Next())) {
    case 0: DrillFormat.FormatName = "TAKEUCHI"; break;
    case 1: DrillFormat.FormatName = "HITACHI"; break;
    case 2: DrillFormat.FormatName = "EXCELLON"; break;
    default: break;
    }
    in.Skip(1);
    DrillFormat.AbsInc = flag();
    in.Skip(1);
    DrillFormat.Zero = flag();
    DrillFormat.NumberFormat = flag() ? "000.000" : "000.00";
    DrillFormat.Units = flag();
    in.Expect("");
    in.Skip(5 + 1 + OldFillerLines);
}

void ParseOldFolderSettings(LineCursor& in)
{
    for (;;) {
        ParseOldLayout(in);
        // Another copy of the layout follows only behind its first line;
        // blank lines at the end are nothing.
        std::string next;
        while (!in.AtEnd() && (next = Trimmed(in.Next())).empty()) {
        }
        if (next != "2.0,1") break;
        in.Back();
    }
}

} // namespace

// ------------------------------------------------------------------- paths

std::string FindFolderSettings(const std::string& folder, const std::string& name)
{
    const std::string path = platform::FindNoCase(folder, name).string();
    return SettingsFileExists(path) ? path : std::string();
}

// ----------------------------------------------------------- "Tessel2.ini"

void WriteFolderSettings(const std::string& path)
{
    platform::TextFileWriter out{fs::path(path)};
    for (const KeyedValue& v : KeyedValues()) {
        std::string value;
        if (std::string_view(v.key) == "GB_FORMATNAME") value = "GERBER";
        else if (v.text) value = KeyText(*v.text);
        else if (v.real) value = platform::FormatReal(*v.real);
        else value = platform::FormatInt(*v.integer);
        out.WriteLine(KeyLine(v.key, value));
    }
    const int dcodes = std::clamp<std::int32_t>(MaxDCode, 0, MaxApertureCode);
    out.WriteLine(KeyLine("DCODE_MAX", platform::FormatInt(dcodes)));
    for (int d = FirstSearchCode; d <= dcodes; ++d) {
        const MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        out.WriteLine(platform::FormatInt(d) + "," + platform::FormatInt(a.Shape) + "," + platform::FormatReal(a.Size1) +
                      "," + platform::FormatReal(a.Size2) + "," + platform::FormatReal(a.Size3));
    }
    const int tools = std::clamp<std::int32_t>(ToolCount, 0, MaxToolCode);
    out.WriteLine(KeyLine("TOOL_MAX", platform::FormatInt(tools)));
    for (int t = 1; t <= tools; ++t) {
        const MyTool& tool = Tools[static_cast<std::size_t>(t)];
        out.WriteLine(platform::FormatInt(t) + "," + TableText(tool.Diameter) + "," + TableText(tool.Symbol) + "," +
                      platform::FormatInt(tool.Hits) + "," + TableText(tool.Comment));
    }
    const int layers = std::clamp<std::int32_t>(LayerCount, 0, LayerTableSize - 1);
    out.WriteLine(KeyLine("LAYER_MAX", platform::FormatInt(layers)));
    for (int i = 1; i <= layers; ++i) {
        const MyLayerSet& l = LayerTable[static_cast<std::size_t>(i)];
        out.WriteLine(platform::FormatInt(i) + "," + TableText(l.FileName) + "," + TableText(l.Contents) + "," +
                      TableText(l.Remarks) + "," + TableText(l.Polarity) + "," + ColorText(l.AltColor) + "," +
                      ColorText(l.Color));
    }
    out.Commit();
}

void ReadFolderSettingsBytes(std::string_view bytes, const std::string& name)
{
    ReadRollingBack(bytes, name, ParseFolderSettings);
}

bool ReadFolderSettings(const std::string& path) { return ReadIfExists(path, ReadFolderSettingsBytes); }

// ----------------------------------------------------------- "Tesselu.ini"

void WriteOldSettingsFile(const std::string& path)
{
    using platform::FormatInt;
    using platform::FormatReal;
    platform::TextFileWriter out{fs::path(path)};
    auto lines = [&](int n, const std::string& text) {
        for (int i = 0; i < n; ++i) out.WriteLine(text);
    };
    out.WriteLine("2.0,1");
    lines(6, "\"\"");
    for (const char* ext : {".gbr", ".ncx", ".apt"}) out.WriteLine(Quoted(ext));
    out.WriteLine("15");
    lines(7, "0");
    out.WriteLine("\"\"");
    // Colours as their red, green and blue, as they are drawn.
    for (int k = 1; k <= OldLayerSlots; ++k)
        out.WriteLine(FormatInt(static_cast<std::uint32_t>(LayerTable[static_cast<std::size_t>(k)].Color) & 0xFFFFFFu));
    for (const char* v : {"1.2", "0.1", "0"}) out.WriteLine(v);

    const int toolCount = std::clamp<std::int32_t>(ToolCount, 0, MaxToolCode);
    int used = 0;
    for (int t = 1; t <= toolCount; ++t) used += Tools[static_cast<std::size_t>(t)].Used == 1;
    out.WriteLine(FormatInt(used));
    for (int t = 1; t <= toolCount; ++t) {
        const MyTool& tool = Tools[static_cast<std::size_t>(t)];
        if (tool.Used != 1) continue;
        out.WriteLine(Quoted((t < 10 ? "T0" : "T") + FormatInt(t)));
        out.WriteLine(Quoted(tool.Symbol));
        out.WriteLine(Quoted(tool.Diameter));
        out.WriteLine(Quoted(tool.Comment));
    }
    out.WriteLine(FormatReal(DrillFormat.OffsetX));
    out.WriteLine(FormatReal(DrillFormat.OffsetY));

    for (int k = 1; k <= OldLayerSlots; ++k) {
        const MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
        const bool gerber = l.FileKind == fkRS274D || l.FileKind == fkRS274X;
        out.WriteLine(Quoted(gerber ? l.FileName : ""));
        out.WriteLine(Quoted(gerber ? l.Contents : ""));
        out.WriteLine(Quoted(""));
    }
    for (int k = 1; k <= OldLayerSlots; ++k) out.WriteLine(LayerTable[static_cast<std::size_t>(k)].FileName.empty() ? "0" : "1");
    for (double v : {ProjectBasics.BoardLeft, ProjectBasics.BoardBottom, ProjectBasics.BoardWidth, ProjectBasics.BoardHeight})
        out.WriteLine(FormatReal(v));
    lines(5, "\"\"");

    // The count is of the lines that follow, so that a table with gaps reads back.
    std::vector<std::string> dcodes;
    for (int d = FirstSearchCode; d <= LastSearchCode; ++d) {
        const MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        if (a.Shape < 0) continue;
        const std::string third = a.Shape == apThermal45 ? "45" : a.Shape == apThermal90 ? "90" : FormatReal(a.Size3);
        dcodes.push_back(Quoted("D" + FormatInt(d)) + "," + Quoted(FormatInt(a.Shape)) + "," + Quoted(FormatReal(a.Size1)) +
                         "," + Quoted(FormatReal(a.Size2)) + "," + Quoted(third));
    }
    out.WriteLine(FormatInt(static_cast<long long>(dcodes.size())));
    for (const std::string& line : dcodes) out.WriteLine(line);

    out.WriteLine("0");
    out.WriteLine(FormatInt(GerberFormat.AbsInc));
    out.WriteLine("0");
    out.WriteLine("1");
    out.WriteLine(FormatInt(GerberFormat.Zero));
    out.WriteLine(GerberFormat.NumberFormat == "000.0000" ? "1" : "0");
    out.WriteLine("0");
    out.WriteLine(FormatInt(GerberFormat.Units));
    out.WriteLine(DrillMachineCode(DrillFormat.FormatName));
    lines(2, FormatInt(DrillFormat.AbsInc));
    out.WriteLine(DrillCoordinateCode(DrillFormat.FormatName));
    out.WriteLine(FormatInt(DrillFormat.Zero));
    out.WriteLine(DrillFormat.NumberFormat == "000.000" ? "1" : "0");
    out.WriteLine(FormatInt(DrillFormat.Units));
    lines(5, "0");
    out.WriteLine("0.001");
    lines(OldFillerLines, "\"\",\"\"");
    out.Commit();
}

void ReadOldFolderSettingsBytes(std::string_view bytes, const std::string& name)
{
    ReadRollingBack(bytes, name, ParseOldFolderSettings);
}

bool ReadOldFolderSettings(const std::string& path) { return ReadIfExists(path, ReadOldFolderSettingsBytes); }

void TakeSettingsLayers()
{
    for (int k = 1; k <= std::min<std::int32_t>(LayerCount, LayerTableSize - 1); ++k) {
        MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
        // A name with a comma stands in the file with its full-width form.
        const std::string written = TableText(l.FileName);
        for (int j = 1; j <= std::min<std::int32_t>(IniLayerCount, LayerTableSize - 1); ++j) {
            const MyLayerSet& s = IniLayerTable[static_cast<std::size_t>(j)];
            if (s.FileName != l.FileName && s.FileName != written) continue;
            l.Contents = s.Contents;
            l.Remarks = s.Remarks;
            l.AltColor = s.AltColor;
            l.Color = s.Color;
            break;
        }
    }
}

// ------------------------------------------------------------ board values

bool SetBoardFromFileExtents(int layer)
{
    if (DataCount < 1) return false;
    MyBox box;
    LayerExtents(layer, box);
    // A layer of drill hits alone, or of nothing, has no extent.
    if (box[0] > box[1] || box[2] > box[3]) return false;
    ProjectBasics.BoardWidth = box[1] - box[0];
    ProjectBasics.BoardHeight = box[3] - box[2];
    ProjectBasics.BoardLeft = box[0];
    ProjectBasics.BoardBottom = box[2];
    ProjectBasics.NcLeft = ProjectBasics.BoardLeft - DrillFormat.OffsetX;
    ProjectBasics.NcBottom = ProjectBasics.BoardBottom - DrillFormat.OffsetY;
    return true;
}

} // namespace core
