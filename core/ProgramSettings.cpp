#include "core/ProgramSettings.h"

#include "core/ColorText.h"
#include "core/SettingsLines.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"

#include <cmath>
#include <filesystem>

namespace core {

namespace fs = std::filesystem;

namespace {

void CheckTarget(const std::string& path)
{
    if (path.empty()) throw platform::Error("保存先のファイル名がありません。");
}

// A real truncated to a 32-bit integer; false when it has none.
bool TruncToInt(double v, std::int32_t& out)
{
    if (!(std::fabs(v) < 2147483648.0)) return false;
    out = static_cast<std::int32_t>(std::trunc(v));
    return true;
}

bool ParseTruncated(const std::string& text, std::int32_t& out)
{
    double v = 0;
    return platform::TryParseReal(text, v) && TruncToInt(v, out);
}

bool ValidShape(std::int32_t shape)
{
    return (shape >= apNone && shape <= apPolygon) || shape == apMacro;
}

// A line of a program-folder file that does not read: the file, the line
// and why. What the lines before it gave stays; the rest is not read.
[[noreturn]] void FailLine(const std::string& path, std::size_t line, const std::string& why)
{
    throw platform::Error("設定ファイル「" + path + "」の " + std::to_string(line) + " 行目を読み込めません。\n\r" + why);
}

// Runs a conversion of a field of that line, its error named with the line.
template <class F>
auto AtLine(const std::string& path, std::size_t line, F&& convert)
{
    try {
        return convert();
    } catch (const platform::Error& e) {
        FailLine(path, line, e.what());
    }
}

constexpr const char* UndecodedText = "Shift-JIS として読めない文字があります。";

std::string RangeText(long long lo, long long hi)
{
    if (lo == 0 && hi == 1) return "値は 0 か 1 でなければなりません。";
    return "値は " + std::to_string(lo) + " から " + std::to_string(hi) + " までの整数でなければなりません。";
}

} // namespace

// ------------------------------------------------------------------- paths

std::string ProgramFilePath(const std::string& name)
{
    return platform::FindNoCase(platform::ProgramFolder(), name).string();
}

void SetProgramFilePaths()
{
    ApertureFilePath = ProgramFilePath("APERTURE.pra");
    GerberFormatFilePath = ProgramFilePath("GERBERFRM.pra");
    DrillFormatFilePath = ProgramFilePath("DRILLFRM.pra");
}

std::string LayerSetFilePath() { return ProgramFilePath("LAYERSET.pra"); }

// --------------------------------------------------------------- apertures

bool ReadApertureFile(const std::string& path)
{
    if (!SettingsFileExists(path)) return false;
    Apertures.fill(MyAperture{});
    MaxDCode = 0;
    std::vector<SettingsLine> lines = ReadSettingsLines(path);
    MyTextArray f;
    std::size_t lineNumber = 0;
    for (const SettingsLine& line : lines) {
        ++lineNumber;
        if (SplitText(line.text, ',', f) <= 6) continue;
        std::string prefix;
        long long n = 0;
        SplitTrailingNumber(f[0], prefix, n);
        if (prefix != "D" || n <= 9 || n >= 2000) continue;
        MyAperture a;
        // A field that is no number ends the read; a shape the table does
        // not know makes the line one of those skipped.
        auto number = [&](std::size_t i) { return AtLine(path, lineNumber, [&] { return platform::ParseReal(f[i]); }); };
        const double shape = number(1);
        a.Size1 = number(2);
        a.Size2 = number(3);
        a.Size3 = number(4);
        // The primitives are not kept, but the line is read whole.
        number(5);
        number(6);
        if (!TruncToInt(shape, a.Shape) || !ValidShape(a.Shape)) continue;
        // A macro aperture's primitives and name are not in the file: such a
        // line cannot define one.
        if (a.Shape == apNone || a.Shape == apMacro) continue;
        if (a.Shape == apSquare) a.Size2 = a.Size1;
        a.FirstPrimitive = a.LastPrimitive = 0;
        Apertures[static_cast<std::size_t>(n)] = a;
        if (n > MaxDCode) MaxDCode = static_cast<std::int32_t>(n);
    }
    return MaxDCode > 9;
}

void ResetApertureTable()
{
    Apertures.fill(MyAperture{});
    struct BuiltIn {
        std::int32_t shape;
        double size1, size2, size3;
    };
    constexpr std::int32_t C = apCircle, S = apSquare, T = apThermal45;
    static const BuiltIn builtIn[BuiltInApertureCount] = {
        {C, 0.08, 0, 0}, {C, 0.1, 0, 0}, {C, 0.12, 0, 0}, {C, 0.15, 0, 0}, {C, 0.2, 0, 0},        // D10-D14
        {S, 0.2, 0, 0},                                                                       // D15
        {C, 0.22, 0, 0}, {C, 0.25, 0, 0}, {C, 0.3, 0, 0},                                     // D16-D18
        {S, 0.3, 0, 0},                                                                       // D19
        {C, 0.35, 0, 0}, {C, 0.4, 0, 0},                                                      // D20-D21
        {S, 0.4, 0, 0},                                                                       // D22
        {C, 0.42, 0, 0}, {C, 0.45, 0, 0}, {C, 0.5, 0, 0},                                     // D23-D25
        {S, 0.5, 0, 0},                                                                       // D26
        {C, 0.6, 0, 0}, {C, 0.65, 0, 0}, {C, 0.7, 0, 0}, {C, 0.8, 0, 0}, {C, 0.9, 0, 0},
        {C, 1.0, 0, 0},                                                                       // D27-D32
        {S, 1.0, 0, 0},                                                                       // D33
        {C, 1.1, 0, 0}, {C, 1.2, 0, 0},                                                       // D34-D35
        {S, 1.2, 0, 0},                                                                       // D36
        {C, 1.3, 0, 0}, {S, 1.3, 0, 0},                                                       // D37-D38
        {C, 1.4, 0, 0}, {S, 1.4, 0, 0},                                                       // D39-D40
        {C, 1.5, 0, 0}, {S, 1.5, 0, 0},                                                       // D41-D42
        {C, 1.6, 0, 0}, {S, 1.6, 0, 0},                                                       // D43-D44
        {C, 1.7, 0, 0}, {C, 1.8, 0, 0}, {C, 1.9, 0, 0}, {C, 2.0, 0, 0},                       // D45-D48
        {S, 2.0, 0, 0},                                                                       // D49
        {C, 2.1, 0, 0}, {C, 2.2, 0, 0},                                                       // D50-D51
        {S, 2.2, 0, 0},                                                                       // D52
        {C, 2.3, 0, 0}, {C, 2.4, 0, 0}, {C, 2.5, 0, 0},                                       // D53-D55
        {S, 2.5, 0, 0},                                                                       // D56
        {C, 2.6, 0, 0}, {C, 2.7, 0, 0},                                                       // D57-D58
        {S, 2.7, 0, 0},                                                                       // D59
        {C, 2.8, 0, 0}, {C, 2.9, 0, 0}, {C, 3.0, 0, 0},                                       // D60-D62
        {S, 3.0, 0, 0},                                                                       // D63
        {C, 3.2, 0, 0}, {S, 3.2, 0, 0},                                                       // D64-D65
        {C, 3.5, 0, 0}, {C, 3.7, 0, 0}, {C, 4.0, 0, 0}, {C, 4.2, 0, 0}, {C, 4.5, 0, 0},
        {C, 4.7, 0, 0}, {C, 5.0, 0, 0},                                                       // D66-D72
        {T, 1.0, 1.5, 0.25}, {T, 1.2, 1.8, 0.3}, {T, 1.6, 2.2, 0.3}, {T, 2.0, 2.5, 0.65},     // D73-D76
        {S, 0.85, 0, 0},                                                                      // D77
    };
    for (int i = 0; i < BuiltInApertureCount; ++i) {
        MyAperture& a = Apertures[static_cast<std::size_t>(FirstSearchCode + i)];
        a.Shape = builtIn[i].shape;
        a.Size1 = builtIn[i].size1;
        a.Size2 = builtIn[i].size2;
        a.Size3 = builtIn[i].size3;
    }
    MaxDCode = FirstSearchCode + BuiltInApertureCount - 1;
}

void WriteApertureFile(const std::string& path)
{
    CheckTarget(path);
    platform::TextFileWriter out{fs::path(path)};
    for (int d = FirstSearchCode; d <= MaxApertureCode; ++d) {
        const MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        // Macro apertures are written as undefined: the next start has no
        // primitives for them.
        if (a.Shape < 0 || a.Shape == apMacro) continue;
        out.WriteLine("D" + platform::FormatInt(d) + "," + platform::FormatInt(a.Shape) + "," +
                      platform::FormatReal(a.Size1) + "," + platform::FormatReal(a.Size2) + "," +
                      platform::FormatReal(a.Size3) + "," + platform::FormatInt(a.FirstPrimitive) + "," +
                      platform::FormatInt(a.LastPrimitive));
    }
    out.Commit();
}

// ----------------------------------------------------------------- formats

MyFormatPara DefaultFormat(const std::string& kind)
{
    MyFormatPara f;
    bool gerber = kind == "Gerber";
    f.FormatName = gerber ? "RS-274D" : "NCドリル";
    f.NumberFormat = gerber ? "000.000" : "000.00";
    f.Code = "ASCII";
    f.AbsInc = 0;
    f.Zero = 0;
    f.Units = 0;
    f.CircleMode = 0;
    f.OffsetX = 0;
    f.OffsetY = 0;
    DeriveDigits(f);
    return f;
}

bool ReadFormatFile(const std::string& path, const std::string& kind, MyFormatPara& format)
{
    const MyFormatPara defaults = DefaultFormat(kind);
    if (!SettingsFileExists(path)) {
        format.FormatName = defaults.FormatName;
        format.NumberFormat = defaults.NumberFormat;
        format.Code = defaults.Code;
        format.AbsInc = format.Zero = format.Units = format.CircleMode = 0;
        format.OffsetX = format.OffsetY = 0;
        // The digits follow the format, so a format read from an RS-274X file
        // before does not leave them stale.
        DeriveDigits(format);
        WriteFormatFile(path, format);
        return false;
    }
    // A value that does not read ends the read: the fields before it take
    // the file's values, it and those after keep theirs.
    std::size_t lineNumber = 0;
    auto text = [&](const SettingsLine& line, const std::string& value) {
        if (!line.decoded) FailLine(path, lineNumber, UndecodedText);
        return value;
    };
    // A flag such as ABSINC is 0 or 1.
    auto flag = [&](const std::string& value) {
        const long long v = AtLine(path, lineNumber, [&] { return platform::ParseInt(value); });
        if (v != 0 && v != 1) FailLine(path, lineNumber, RangeText(0, 1));
        return static_cast<std::int32_t>(v);
    };
    auto real = [&](const std::string& value) {
        return AtLine(path, lineNumber, [&] { return platform::ParseReal(value); });
    };
    std::string key, value;
    try {
        for (const SettingsLine& line : ReadSettingsLines(path)) {
            ++lineNumber;
            ExtractBetween(line.text, "", "=", key);
            ExtractBetween(line.text, "=", "#", value);
            if (key == "FORMATNAME") format.FormatName = text(line, value);
            else if (key == "CODE") format.Code = text(line, value);
            else if (key == "FORMAT") format.NumberFormat = text(line, value);
            else if (key == "ABSINC") format.AbsInc = flag(value);
            else if (key == "ZERO") format.Zero = flag(value);
            else if (key == "UNITS") format.Units = flag(value);
            else if (key == "CIRCLEMODE") format.CircleMode = flag(value);
            else if (key == "OFFSET_X") format.OffsetX = real(value);
            else if (key == "OFFSET_Y") format.OffsetY = real(value);
        }
    } catch (const platform::Error&) {
        // The digits follow the format text as far as it was read.
        DeriveDigits(format);
        throw;
    }
    // Any text of the form 0…0.0…0 sets the digits; other texts leave them.
    DeriveDigits(format);
    return true;
}

void WriteFormatFile(const std::string& path, const MyFormatPara& format)
{
    CheckTarget(path);
    platform::TextFileWriter out{fs::path(path)};
    out.WriteLine("FORMATNAME  = " + format.FormatName);
    out.WriteLine("CODE        = " + format.Code);
    out.WriteLine("FORMAT      = " + format.NumberFormat);
    out.WriteLine("ABSINC      = " + platform::FormatInt(format.AbsInc));
    out.WriteLine("ZERO        = " + platform::FormatInt(format.Zero));
    out.WriteLine("UNITS       = " + platform::FormatInt(format.Units));
    out.WriteLine("CIRCLEMODE  = " + platform::FormatInt(format.CircleMode));
    out.WriteLine("OFFSET_X    = " + platform::FormatReal(format.OffsetX));
    out.WriteLine("OFFSET_Y    = " + platform::FormatReal(format.OffsetY));
    out.Commit();
}

// ------------------------------------------------------------------ layers

namespace {

constexpr int LayerRecordLines = 11;

} // namespace

void ReadLayerSetFile(const std::string& path, MyLayerTable& table, std::int32_t& count)
{
    count = 0;
    if (!SettingsFileExists(path)) {
        for (int k = 1; k <= MaxLayers; ++k) table[static_cast<std::size_t>(k)] = DefaultLayerEntry(k);
        WriteLayerSetFile(path, table);
        return;
    }
    std::vector<SettingsLine> lines = ReadSettingsLines(path);
    // The table has 26 slots; records after the 26th are not ours to read.
    std::size_t records = (lines.size() + LayerRecordLines - 1) / LayerRecordLines;
    if (records > static_cast<std::size_t>(MaxLayers)) records = MaxLayers;
    for (std::size_t r = 0; r < records; ++r) {
        int slot = static_cast<int>(r) + 1;
        const MyLayerSet defaults = DefaultLayerEntry(slot);
        // Lines past the end of the file read as empty, an empty value as
        // the slot's own; a value that does not read ends the read.
        auto at = [&](int i) { return r * LayerRecordLines + static_cast<std::size_t>(i); };
        auto field = [&](int i) -> SettingsLine { return at(i) < lines.size() ? lines[at(i)] : SettingsLine{}; };
        auto text = [&](int i) {
            SettingsLine l = field(i);
            if (!l.decoded) FailLine(path, at(i) + 1, UndecodedText);
            return l.text;
        };
        auto integer = [&](int i, std::int32_t lo, std::int32_t hi, std::int32_t fallback) {
            const std::string t = Trimmed(field(i).text);
            if (t.empty()) return fallback;
            const long long v = AtLine(path, at(i) + 1, [&] { return platform::ParseInt(t); });
            if (v < lo || v > hi) FailLine(path, at(i) + 1, RangeText(lo, hi));
            return static_cast<std::int32_t>(v);
        };
        auto color = [&](int i, std::int32_t fallback) {
            const std::string t = Trimmed(field(i).text);
            std::int32_t c = fallback;
            if (!t.empty() && !TryParseColorText(t, c)) FailLine(path, at(i) + 1, "色の名前でも数値でもありません。");
            return c;
        };
        MyLayerSet& l = table[static_cast<std::size_t>(slot)];
        l.Active = integer(0, 0, 1, defaults.Active);
        l.FileKind = integer(1, fkMissing, fkRS274X, defaults.FileKind);
        l.Folder = text(2);
        l.FileName = text(3);
        l.Contents = text(4);
        l.Remarks = text(5);
        l.Letter = text(6);
        l.PageLetter = text(7);
        l.Polarity = text(8);
        l.AltColor = color(9, defaults.AltColor);
        l.Color = color(10, defaults.Color);
        if (!l.FileName.empty()) count += 1;
    }
}

void WriteLayerSetFile(const std::string& path, const MyLayerTable& table)
{
    CheckTarget(path);
    platform::TextFileWriter out{fs::path(path)};
    for (int k = 1; k <= MaxLayers; ++k) {
        const MyLayerSet& l = table[static_cast<std::size_t>(k)];
        out.WriteLine(platform::FormatInt(l.Active));
        out.WriteLine(platform::FormatInt(l.FileKind));
        out.WriteLine(l.Folder);
        out.WriteLine(l.FileName);
        out.WriteLine(l.Contents);
        out.WriteLine(l.Remarks);
        out.WriteLine(l.Letter);
        out.WriteLine(l.PageLetter);
        out.WriteLine(l.Polarity);
        out.WriteLine(platform::FormatInt(l.AltColor));
        out.WriteLine(platform::FormatInt(l.Color));
    }
    out.Commit();
}

// ---------------------------------------------------------- aperture lists

namespace {

std::int32_t ListShape(const std::string& keyword)
{
    if (keyword == "CIR" || keyword == "0") return apCircle;
    if (keyword == "SQR" || keyword == "1") return apSquare;
    if (keyword == "THR" || keyword == "THR45" || keyword == "THERMAL45" || keyword == "2") return apThermal45;
    if (keyword == "THR90" || keyword == "THERMAL90") return apThermal90;
    if (keyword == "OVAL") return apOval;
    if (keyword == "RECT") return apRectangle;
    if (keyword == "POLYGON") return apPolygon;
    if (keyword == "MCR" || keyword == "MACRO" || keyword == "100") return apMacro;
    return apNone;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsListSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

} // namespace

bool ReadDcodeList(const std::string& path, MyApertureTable& table, std::int32_t& highest)
{
    if (!SettingsFileExists(path)) return false;
    std::vector<SettingsLine> lines = ReadSettingsLines(path);
    // Parsed aside: a file that turns out to be no list leaves the caller's
    // table as it was.
    auto scratch = std::make_unique<MyApertureTable>();
    std::int32_t top = 0;
    bool anyLine = false;
    MyTextArray f;
    std::size_t lineNumber = 0;
    // A size that is no number would be a used D-code of size 0.
    auto size = [&](const std::string& text) {
        double v = 0;
        if (!platform::TryParseReal(text, v))
            throw platform::Error("アパーチャーリスト「" + fs::path(path).filename().string() + "」の " + std::to_string(lineNumber) +
                                  " 行目を読み込めません。\n\r'" + platform::QuotedValue(text) + "' は正しい数値ではありません。");
        return v;
    };
    for (const SettingsLine& raw : lines) {
        ++lineNumber;
        std::string line = Trimmed(raw.text);
        if (line.size() < 3 || line[0] != 'D' || !IsDigit(line[1]) || !IsDigit(line[2])) continue;
        if ((line[1] - '0') * 10 + (line[2] - '0') <= 9) continue;
        std::string joined;
        joined.reserve(line.size() + 1);
        for (std::size_t i = 1; i < line.size(); ++i) {
            if (IsListSeparator(line[i])) {
                if (joined.empty() || joined.back() != ',') joined.push_back(',');
            } else {
                joined.push_back(line[i]);
            }
        }
        if (joined.empty() || joined.back() != ',') joined.push_back(',');
        SplitText(joined, ',', f);
        f.resize(std::max<std::size_t>(f.size(), 5));
        std::int32_t n = 0;
        if (!ParseTruncated(f[0], n) || n <= 9 || n >= 1000) continue;
        MyAperture a;
        a.Used = 1;
        a.Shape = ListShape(f[1]);
        if (a.Shape == apMacro) a.MacroName = f[2];
        else a.Size1 = size(f[2]);
        a.Size2 = size(f[3]);
        double third = size(f[4]);
        if (a.Shape == apThermal45 || a.Shape == apThermal90) {
            // The bridge is at most half the ring.
            double cap = RoundTo(3, (a.Size2 - a.Size1) / 2.0);
            a.Size3 = third > cap + 0.0004 ? cap : third;
        } else if (a.Shape == apPolygon) {
            a.Size3 = third;  // rotation
        }
        (*scratch)[static_cast<std::size_t>(n)] = a;
        if (n > top) top = n;
        anyLine = true;
    }
    if (!anyLine) return false;
    table = *scratch;
    highest = top;
    return true;
}

void WriteDcodeList(const std::string& path, const MyApertureTable& table, std::int32_t highest,
                    const std::string& title)
{
    CheckTarget(path);
    platform::TextFileWriter out{fs::path(path)};
    out.WriteLine("\r");
    out.WriteLine("\t" + title);
    out.WriteLine("\r");
    out.WriteLine("\t---------------------------------------");
    out.WriteLine("\tD_CODE\t形状\t＄１\t＄２\t＄３");
    out.WriteLine("\t---------------------------------------");
    int last = std::min<std::int32_t>(highest, MaxApertureCode);
    for (int d = FirstSearchCode; d <= last; ++d) {
        const MyAperture& a = table[static_cast<std::size_t>(d)];
        if (a.Used != 1) continue;
        std::string keyword = ShapeKeyword(a.Shape);
        if (keyword.empty()) continue;
        std::string s1, s2, s3;
        switch (a.Shape) {
        case apCircle:
        case apSquare:
            s1 = platform::FormatReal(a.Size1);
            break;
        case apThermal45:
        case apThermal90:
        case apPolygon:
            s1 = platform::FormatReal(a.Size1);
            s2 = platform::FormatReal(a.Size2);
            s3 = platform::FormatReal(a.Size3);
            break;
        case apOval:
        case apRectangle:
            s1 = platform::FormatReal(a.Size1);
            s2 = platform::FormatReal(a.Size2);
            break;
        case apMacro:
            s1 = a.MacroName;
            s2 = " ";
            s3 = " ";
            break;
        default:
            break;
        }
        out.WriteLine("\tD" + platform::FormatInt(d) + "\t" + keyword + "\t" + s1 + "\t" + s2 + "\t" + s3);
    }
    out.Commit();
}

} // namespace core
