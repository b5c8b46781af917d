#include "core/ProjectFile.h"

#include "core/ProjectRecords.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace core {

namespace fs = std::filesystem;

namespace {

constexpr char Sep = '/';
// Progress is reported every this many elements or bytes.
constexpr std::int32_t ElementStep = 1 << 13;
constexpr long long ByteStep = 1 << 16;

// ------------------------------------------------------------------ writing

class RecordWriter {
public:
    explicit RecordWriter(platform::AtomicFileWriter& out) : out_(out) { line_.reserve(512); }
    RecordWriter& Key(const char* key)
    {
        line_.assign(key);
        return *this;
    }
    RecordWriter& Int(long long v)
    {
        AppendIntField(line_, Sep, v);
        return *this;
    }
    RecordWriter& Real(double v)
    {
        AppendRealField(line_, Sep, v);
        return *this;
    }
    RecordWriter& Bool(bool v)
    {
        AppendBoolField(line_, Sep, v);
        return *this;
    }
    RecordWriter& Color(std::int32_t c)
    {
        AppendColorField(line_, Sep, c);
        return *this;
    }
    RecordWriter& Text(const std::string& t)
    {
        AppendTextField(line_, Sep, t);
        return *this;
    }
    // Macro texts hold a real "/" in expressions; the reader rejoins them.
    RecordWriter& RawText(const std::string& t)
    {
        line_.push_back(Sep);
        line_ += platform::Utf8ToCp932(platform::Cp932Readable(t));
        return *this;
    }
    void End()
    {
        line_ += "\r\n";
        out_.Append(line_);
    }

private:
    platform::AtomicFileWriter& out_;
    std::string line_;
};

void WriteFormat(RecordWriter& w, const char* key, const MyFormatPara& f)
{
    w.Key(key).Text(f.FormatName).Int(f.AbsInc).Real(f.OffsetX).Real(f.OffsetY).Int(f.Zero).Text(f.NumberFormat).Int(f.Units).End();
}

void WriteRecords(platform::AtomicFileWriter& out, TFormDatas& form)
{
    RecordWriter w(out);
    const MyBasicSet& b = ProjectBasics;
    w.Key("BS").Text(b.Title).Text(b.Comment).Text(b.Author);
    w.Real(b.BoardWidth).Real(b.BoardHeight).Real(b.BoardLeft).Real(b.BoardBottom).End();
    w.Key("NO").Real(b.NcLeft).Real(b.NcBottom).End();
    const MyExtents& e = Extents;
    w.Key("DA").Real(e.MinX).Real(e.MaxX).Real(e.MinY).Real(e.MaxY).Real(e.Width).Real(e.Height).Real(e.CentreX).Real(e.CentreY).End();
    WriteFormat(w, "GBFORMAT", GerberFormat);
    WriteFormat(w, "NCFORMAT", DrillFormat);

    for (int i = 1; i <= std::min(LayerCount, MaxLayers); ++i) {
        const MyLayerSet& l = LayerTable[static_cast<std::size_t>(i)];
        w.Key("LAYER").Int(i).Int(l.Active).Int(l.FileKind).Text(l.FileName).Text(l.Contents).Text(l.Remarks);
        w.Text(l.Letter).Text(l.PageLetter).Text(l.Polarity).Color(l.AltColor).Color(l.Color).End();
    }
    for (std::int32_t i = 1; i <= MacroCount && i < static_cast<std::int32_t>(Macros.size()); ++i) {
        const MyMacro& m = Macros[static_cast<std::size_t>(i)];
        w.Key("MACRO").Int(m.DCode).Text(m.Name).RawText(m.Text).Text(m.AdText).End();
    }
    for (int d = 1; d <= MaxApertureCode; ++d) {
        const MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        if (a.Used != 1) continue;
        w.Key("APT").Int(d).Int(a.Used).Int(a.Shape).Real(a.Size1).Real(a.Size2).Real(a.Size3);
        w.Text(a.MacroName).Int(a.FirstPrimitive).Int(a.LastPrimitive).End();
    }
    for (int t = 1; t <= std::min(ToolCount, MaxToolCode); ++t) {
        const MyTool& tool = Tools[static_cast<std::size_t>(t)];
        w.Key("TOOL").Int(t).Int(tool.Used).Int(tool.Hits).Text(tool.Diameter).Text(tool.Symbol).Text(tool.Comment).End();
    }
    w.Key("DATASCOUNT").Int(DataCount).End();

    const long long last = std::max(DataCount - 1, 0);
    for (std::int32_t i = 0; i < DataCount; ++i) {
        if (i % ElementStep == 0) {
            form.SetGauge(i, last);
            form.ProcessEvents();
        }
        const DataElement& x = Datas[static_cast<std::size_t>(i)];
        w.Key("DAT").Bool(x.Clear != 0).Int(x.Layer).Int(x.Group).Int(x.Kind).Int(x.Code);
        w.Real(x.X1).Real(x.Y1).Real(x.X2).Real(x.Y2).Real(x.X3).Real(x.Y3).Real(x.X4).Real(x.Y4).End();
    }
    form.SetGauge(last, last);
}

} // namespace

void WriteProjectFile(const std::string& path)
{
    TFormDatas& form = FormDatas();
    const std::string remembered = form.StatusText();
    form.SetGauge(0, std::max(DataCount - 1, 0));
    form.SetCaption("tsn ファイル作成");
    form.SetStatusText("ファイルを作成しています... " + path);
    form.SetCancelVisible(false);
    form.Show();
    try {
        platform::AtomicFileWriter out{fs::path(path)};
        WriteRecords(out, form);
        out.Commit();
    } catch (...) {
        form.SetStatusText(remembered);
        form.Hide();
        throw;
    }
    form.SetStatusText(remembered);
    form.Hide();
    StepMarks[3] = 1;
}

// ------------------------------------------------------------------ merging

TakenAperture TakeFileAperture(int dCode, const MyAperture& aperture, bool intoEmptyJob)
{
    TakenAperture taken;
    if (!ValidApertureCode(dCode)) return taken;
    if (intoEmptyJob) {
        MyAperture& slot = Apertures[static_cast<std::size_t>(dCode)];
        slot = aperture;
        slot.Used = 0;
        MaxDCode = std::max(MaxDCode, dCode);
        return {dCode, true};
    }
    const MyAperture& a = aperture;
    const bool macro = a.Shape == apMacro;
    auto find = [&](std::uint8_t add) {
        return macro ? FindOrAddMacroAperture(a.MacroName, a.MacroParams, add)
                     : FindOrAddAperture(a.Shape, a.MacroName, add, a.Size1, a.Size2, a.Size3);
    };
    taken.code = find(0);
    if (taken.code == 0) {
        taken.code = find(1);
        taken.placed = taken.code != 0;
    }
    if (taken.placed && macro) {
        MyAperture& slot = Apertures[static_cast<std::size_t>(taken.code)];
        slot.FirstPrimitive = a.FirstPrimitive;
        slot.LastPrimitive = a.LastPrimitive;
    }
    if (taken.code != 0 && taken.code != dCode) ApertureMap[static_cast<std::size_t>(dCode)] = taken.code;
    return taken;
}

void TakeFileTool(int tool, const std::string& diameter, const std::string& comment, bool intoEmptyJob)
{
    if (tool < 1 || tool > MaxToolCode) return;
    if (intoEmptyJob) {
        MyTool& t = Tools[static_cast<std::size_t>(tool)];
        t = MyTool{};
        t.Diameter = diameter;
        t.Comment = comment;
        return;
    }
    const int m = FindOrAddTool(diameter, comment, 1);
    if (m != 0 && m != tool) ToolMap[static_cast<std::size_t>(tool)] = m;
}

std::int32_t MappedCode(std::int32_t kind, std::int32_t code)
{
    if (kind == dkDrill || kind == dkDrillList) {
        if (ValidToolCode(code) && ToolMap[static_cast<std::size_t>(code)] > 0) return ToolMap[static_cast<std::size_t>(code)];
        return code;
    }
    if (ValidApertureCode(code) && ApertureMap[static_cast<std::size_t>(code)] > 0) return ApertureMap[static_cast<std::size_t>(code)];
    return code;
}

// ------------------------------------------------------------------ reading

namespace {

constexpr int FileLayers = LayerTableSize;   // file layer numbers 0..50

bool KnownKind(std::int32_t kind)
{
    switch (kind) {
    case dkSection: case dkLine: case dkSquareStroke: case dkFlash: case dkArcCCW: case dkArcCW:
    case dkCircleCCW: case dkCircleCW: case dkDrill: case dkRegionLine: case dkRegionArcCCW:
    case dkRegionArcCW: case dkRegionCircleCCW: case dkRegionCircleCW: case dkDrillList:
        return true;
    default:
        return false;
    }
}

// A line that does not read, named with its number.
std::string UnreadableLine(long long line, const std::string& why)
{
    return "プロジェクトファイルの " + std::to_string(line) + " 行目を読めません。\n" + why;
}

// Refuses the file with the message as it stands, already naming its line.
struct LineRefused : platform::Error {
    using platform::Error::Error;
};

// The AD parameters of a macro aperture from its AD block ("ADD22OC8,0.06").
std::string MacroParamsOf(const std::string& adText)
{
    const std::size_t comma = adText.find(',');
    return comma == std::string::npos ? std::string() : adText.substr(comma + 1);
}

class ProjectReader {
public:
    ProjectReader(Gauge& gauge, MyDataValue& value)
        : gauge_(gauge), value_(value), emptyJob_(LayerCount == 0), macroBase_(MacroCount)
    {
        ProjectBasics.NcLeft = 0;
        ProjectBasics.NcBottom = 0;
        ApertureMap.fill(0);
        ToolMap.fill(0);
    }

    void Run(platform::LineReader& lines)
    {
        const long long size = lines.Size();
        gauge_.SetMaximum(size >= 0 ? size + 1 : 1);
        gauge_.SetProgress(0);
        long long nextReport = ByteStep;
        std::string_view line;
        lines_ = &lines;
        while (lines.Next(line)) {
            try {
                Record(line);
            } catch (const LineRefused&) {
                throw;
            } catch (const platform::Error& e) {
                throw platform::Error(UnreadableLine(lines.LineNumber(), e.what()));
            }
            if (lines.Position() >= nextReport) {
                nextReport = lines.Position() + ByteStep;
                gauge_.SetProgress(lines.Position());
                gauge_.Pump();
            }
        }
        if (records_ > 0) CheckWhole(lines);
        FinishMacros();
        MyBasicSet& b = ProjectBasics;
        if (b.NcLeft == 0 && b.NcBottom == 0) {
            b.NcLeft = RoundTo(5, b.BoardLeft - DrillFormat.OffsetX);
            b.NcBottom = RoundTo(5, b.BoardBottom - DrillFormat.OffsetY);
        }
        gauge_.SetProgress(size >= 0 ? size + 1 : 1);
        gauge_.Pump();
    }

    bool AnythingRead() const { return records_ > 0; }

private:
    // A file cut short would read as a smaller job: every element the file
    // counts must have come, and its last line must be whole.
    void CheckWhole(const platform::LineReader& lines) const
    {
        // Counts that do not meet after a line that did not read: that line
        // is what is wrong, not the file's end.
        const bool whole = declared_ >= 0 && elementRecords_ == declared_ && lines.LineEnded();
        if (!whole && skipped_.line > 0) throw LineRefused(UnreadableLine(skipped_.line, skipped_.why));
        const std::string cut = "プロジェクトファイルが途中で終わっています。\n";
        if (declared_ < 0) {
            if (elementRecords_ == 0)
                throw platform::Error(cut + std::to_string(lines.LineNumber()) + " 行目より後の、要素数の行（DATASCOUNT）と要素の行がありません。");
            throw platform::Error("プロジェクトファイルに要素数の行（DATASCOUNT）がありません。");
        }
        if (elementRecords_ < declared_)
            throw platform::Error(cut + "要素 " + std::to_string(declared_) + " 個のうち " + std::to_string(elementRecords_) +
                                  " 個の行しかありません。");
        if (elementRecords_ > declared_)
            throw platform::Error("プロジェクトファイルの要素の行（" + std::to_string(elementRecords_) + " 個）が要素数（" +
                                  std::to_string(declared_) + " 個）と合いません。");
        if (!lines.LineEnded())
            throw platform::Error(cut + "最後の " + std::to_string(lines.LineNumber()) + " 行目が行の途中で切れています。");
    }

    void Record(std::string_view line)
    {
        const int n = SplitRecord(line, Sep, f_);
        if (n == 0) return;
        const std::string_view key = f_[0];
        if (key == "DAT") {
            if (n >= 14) {
                ++elementRecords_;
                Element();
            } else if (Skipping()) {
                Skipped("要素の行（DAT）には 14 個の欄が要りますが、" + std::to_string(n) + " 個しかありません。");
            }
        } else if (key == "BS") {
            if (n == 8) Basics();
        } else if (key == "NO") {
            if (n == 3) {
                ProjectBasics.NcLeft = RecordReal(f_[1]);
                ProjectBasics.NcBottom = RecordReal(f_[2]);
                ++records_;
            }
        } else if (key == "DA") {
            if (n == 9) {
                value_.MinX = RecordReal(f_[1]);
                value_.MaxX = RecordReal(f_[2]);
                value_.MinY = RecordReal(f_[3]);
                value_.MaxY = RecordReal(f_[4]);
                ++records_;
            }
        } else if (key == "GBFORMAT" || key == "NCFORMAT") {
            if (n == 8) Format(key == "GBFORMAT" ? GerberFormat : DrillFormat);
        } else if (key == "LAYER") {
            if (n == 12)
                Layer();
            else if (Skipping())
                Skipped("レイヤーの行（LAYER）の欄が 12 個ではなく " + std::to_string(n) + " 個あります。");
        } else if (key == "MACRO") {
            if (n >= 5) Macro(line, n);
        } else if (key == "APT") {
            if (n == 10) Aperture();
        } else if (key == "TOOL") {
            if (n == 7) Tool();
        } else if (key == "DATASCOUNT") {
            // Not a table of its own: what the element lines are checked against.
            if (n == 2) declared_ = std::max(RecordInt(f_[1]), 0);
        } else if (Skipping()) {
            Skipped("'" + platform::QuotedValue(platform::Cp932ToUtf8Lenient(key)) +
                    "' はプロジェクトファイルの行の種類（BS、NO、DA、GBFORMAT、NCFORMAT、LAYER、MACRO、APT、TOOL、DATASCOUNT、DAT）ではありません。");
        }
    }

    // Lines of no known record, or elements and layers without their fields,
    // are passed over as the file's records allow; the first is named when the
    // file does not add up. A last line cut in the middle is the file's end.
    bool Skipping() const { return skipped_.line == 0 && lines_->LineEnded(); }
    void Skipped(std::string why) { skipped_ = {lines_->LineNumber(), std::move(why)}; }

    // An element that has no layer of the file to go to.
    [[noreturn]] void Unplaced(const std::string& why) const
    {
        if (skipped_.line > 0) throw LineRefused(UnreadableLine(skipped_.line, skipped_.why));
        throw LineRefused(UnreadableLine(lines_->LineNumber(), why));
    }

    void Basics()
    {
        MyBasicSet& b = ProjectBasics;
        b.Title = RecordText(f_[1]);
        b.Comment = RecordText(f_[2]);
        b.Author = RecordText(f_[3]);
        b.BoardWidth = RecordReal(f_[4]);
        b.BoardHeight = RecordReal(f_[5]);
        b.BoardLeft = RecordReal(f_[6]);
        b.BoardBottom = RecordReal(f_[7]);
        ++records_;
    }

    void Format(MyFormatPara& f)
    {
        f.FormatName = RecordText(f_[1]);
        f.AbsInc = RecordInt(f_[2]);
        f.OffsetX = RecordReal(f_[3]);
        f.OffsetY = RecordReal(f_[4]);
        f.Zero = RecordInt(f_[5]);
        f.NumberFormat = RecordText(f_[6]);
        f.Units = RecordInt(f_[7]);
        // The digits follow the number format, as everywhere a format is read.
        DeriveDigits(f);
        ++records_;
    }

    void Layer()
    {
        ++records_;
        const std::int32_t k = RecordInt(f_[1]);
        if (k < 0 || k >= FileLayers) return;
        declaredLayers_[static_cast<std::size_t>(k)] = 1;
        if (LayerTakeFlags[static_cast<std::size_t>(k)] != 1) return;
        if (LayerCount >= MaxLayers) throw platform::Error(TooManyLayersText);
        MyLayerSet l = LayerTable[static_cast<std::size_t>(LayerCount + 1)];
        l.Active = RecordInt(f_[2]);
        l.FileKind = RecordInt(f_[3]);
        l.FileName = RecordText(f_[4]);
        l.Contents = RecordText(f_[5]);
        l.Remarks = RecordText(f_[6]);
        l.Letter = l.PageLetter = SlotLetter(LayerCount + 1);
        l.Polarity = RecordText(f_[9]);
        l.AltColor = RecordColor(f_[10]);
        l.Color = RecordColor(f_[11]);
        LayerCount += 1;
        LayerTable[static_cast<std::size_t>(LayerCount)] = std::move(l);
        fileLayerMap_[static_cast<std::size_t>(k)] = LayerCount;
    }

    void Macro(std::string_view line, int n)
    {
        MyMacro m;
        m.DCode = RecordInt(f_[1]);
        m.Name = RecordText(f_[2]);
        // Only the primitive's text may hold a real "/": more fields than
        // five are its pieces.
        m.Text = RecordText(n == 5 ? f_[3] : RecordSpan(line, Sep, 3, n - 2));
        m.AdText = RecordText(n == 5 ? f_[4] : RecordSpan(line, Sep, n - 1, n - 1));
        Macros.resize(static_cast<std::size_t>(MacroCount) + 1);
        Macros.push_back(std::move(m));
        MacroCount += 1;
        const std::int32_t d = Macros.back().DCode;
        if (ValidApertureCode(d) && firstPrimitiveOf_[static_cast<std::size_t>(d)] == 0)
            firstPrimitiveOf_[static_cast<std::size_t>(d)] = MacroCount;
        ++records_;
    }

    void Aperture()
    {
        ++records_;
        const std::int32_t d = RecordInt(f_[1]);
        MyAperture a;
        a.Shape = RecordInt(f_[3]);
        a.Size1 = RecordReal(f_[4]);
        a.Size2 = RecordReal(f_[5]);
        a.Size3 = RecordReal(f_[6]);
        a.MacroName = RecordText(f_[7]);
        const std::int32_t first = RecordInt(f_[8]), last = RecordInt(f_[9]);
        if (d < FirstSearchCode || d > MaxApertureCode) return;
        if (a.Shape == apMacro) {
            // The file's primitives follow those loaded before.
            const long long f = static_cast<long long>(first) + macroBase_, l = static_cast<long long>(last) + macroBase_;
            if (first >= 1 && first <= last && l <= MacroCount) {
                a.FirstPrimitive = static_cast<std::int32_t>(f);
                a.LastPrimitive = static_cast<std::int32_t>(l);
            }
            const std::int32_t p = firstPrimitiveOf_[static_cast<std::size_t>(d)];
            if (p > 0) a.MacroParams = MacroParamsOf(Macros[static_cast<std::size_t>(p)].AdText);
        }
        const TakenAperture taken = TakeFileAperture(d, a, emptyJob_);
        if (taken.placed && a.Shape == apMacro) owners_[static_cast<std::size_t>(taken.code)] = 1;
    }

    void Tool()
    {
        ++records_;
        const std::int32_t t = RecordInt(f_[1]);
        const std::string diameter = RecordText(f_[4]);
        const std::string comment = RecordText(f_[6]);
        TakeFileTool(t, diameter, comment, emptyJob_);
    }

    void Element()
    {
        ++records_;
        const std::int32_t kind = RecordInt(f_[4]);
        if (!KnownKind(kind)) Unplaced("'" + std::to_string(kind) + "' は要素の種類ではありません。");
        const std::int32_t la = RecordInt(f_[2]);
        DataElement e;
        if (kind == dkSection) {
            // A marker's layer field is its section number: kept, never an index.
            e.Layer = la;
        } else {
            if (la < 0 || la >= FileLayers || !declaredLayers_[static_cast<std::size_t>(la)])
                Unplaced("要素のレイヤー " + std::to_string(la) + " は、このファイルのレイヤーの行（LAYER）にありません。");
            e.Layer = fileLayerMap_[static_cast<std::size_t>(la)];
            // A layer that was not taken keeps its elements out.
            if (e.Layer == 0) return;
        }
        e.Clear = RecordBool(f_[1]);
        e.Group = RecordInt(f_[3]);
        e.Kind = kind;
        e.Code = MappedCode(kind, RecordInt(f_[5]));
        e.X1 = RecordReal(f_[6]);
        e.Y1 = RecordReal(f_[7]);
        e.X2 = RecordReal(f_[8]);
        e.Y2 = RecordReal(f_[9]);
        e.X3 = RecordReal(f_[10]);
        e.Y3 = RecordReal(f_[11]);
        e.X4 = RecordReal(f_[12]);
        e.Y4 = RecordReal(f_[13]);
        AppendElement(e);
        // Counted as the readers of data files count: markers are not elements made.
        if (kind != dkSection) value_.Count += 1;
    }

    // The file's primitives take the D-codes their apertures got. Those of an
    // aperture merged into one loaded before would double that aperture's
    // own: they are dropped, and the ranges of the apertures placed from the
    // file follow.
    void FinishMacros()
    {
        const std::int32_t base = macroBase_;
        if (MacroCount <= base) return;
        std::array<std::uint8_t, MaxApertureCode + 1> loaded{};
        for (std::int32_t i = 1; i <= base && i < static_cast<std::int32_t>(Macros.size()); ++i) {
            const std::int32_t d = Macros[static_cast<std::size_t>(i)].DCode;
            if (ValidApertureCode(d)) loaded[static_cast<std::size_t>(d)] = 1;
        }
        std::vector<std::int32_t> kept(static_cast<std::size_t>(MacroCount - base) + 1, 0);   // kept among base+1..i
        std::int32_t write = base;
        for (std::int32_t i = base + 1; i <= MacroCount; ++i) {
            MyMacro& m = Macros[static_cast<std::size_t>(i)];
            if (ValidApertureCode(m.DCode) && ApertureMap[static_cast<std::size_t>(m.DCode)] > 0)
                m.DCode = ApertureMap[static_cast<std::size_t>(m.DCode)];
            const bool keep = !ValidApertureCode(m.DCode) || owners_[static_cast<std::size_t>(m.DCode)] ||
                              !loaded[static_cast<std::size_t>(m.DCode)];
            if (keep) {
                ++write;
                if (write != i) Macros[static_cast<std::size_t>(write)] = std::move(m);
            }
            kept[static_cast<std::size_t>(i - base)] = write - base;
        }
        if (write == MacroCount) return;
        MacroCount = write;
        Macros.resize(static_cast<std::size_t>(MacroCount) + 1);
        for (std::size_t d = 0; d < owners_.size(); ++d) {
            if (!owners_[d]) continue;
            MyAperture& a = Apertures[d];
            if (a.FirstPrimitive <= base || a.LastPrimitive <= base) continue;
            const std::int32_t first = base + kept[static_cast<std::size_t>(a.FirstPrimitive - 1 - base)] + 1;
            const std::int32_t last = base + kept[static_cast<std::size_t>(a.LastPrimitive - base)];
            a.FirstPrimitive = first <= last ? first : 0;
            a.LastPrimitive = first <= last ? last : 0;
        }
    }

    Gauge& gauge_;
    MyDataValue& value_;
    const bool emptyJob_;
    const std::int32_t macroBase_;
    RecordFields f_;
    long long records_ = 0;
    long long declared_ = -1, elementRecords_ = 0;   // DATASCOUNT; the element lines read
    const platform::LineReader* lines_ = nullptr;
    struct {
        long long line = 0;
        std::string why;
    } skipped_;                                                           // the first line passed over
    std::array<std::uint8_t, FileLayers> declaredLayers_{};               // layers the file has a record of
    std::array<std::int32_t, FileLayers> fileLayerMap_{};                 // 0: not taken
    std::array<std::int32_t, MaxApertureCode + 1> firstPrimitiveOf_{};    // by the file's D-code
    std::array<std::uint8_t, MaxApertureCode + 1> owners_{};              // primitives placed from the file
};

bool ReadLines(Gauge& gauge, platform::LineReader& lines, MyDataValue& value)
{
    value = MyDataValue{};
    return ReadRolledBack(value, [&] {
        ProjectReader reader(gauge, value);
        reader.Run(lines);
        return reader.AnythingRead();
    });
}

} // namespace

bool ReadProjectFile(Gauge& gauge, const std::string& path, MyDataValue& value)
{
    value = MyDataValue{};
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(fs::path(path), ec)) return false;
    platform::LineReader lines{fs::path(path)};
    return ReadLines(gauge, lines, value);
}

bool ReadProjectData(Gauge& gauge, std::string_view bytes, MyDataValue& value)
{
    platform::LineReader lines(platform::LineReader::InMemory{bytes});
    return ReadLines(gauge, lines, value);
}

std::vector<ProjectLayer> ReadProjectLayers(const std::string& path)
{
    std::vector<ProjectLayer> layers;
    platform::LineReader lines{fs::path(path)};
    RecordFields f;
    std::string_view line;
    bool project = false, elements = false;
    while (lines.Next(line)) {
        const int n = SplitRecord(line, Sep, f);
        if (n == 0) continue;
        if (lines.LineNumber() == 1) project = f[0] == "BS" && n == 8;
        // The layers stand before the elements.
        if (f[0] == "DAT" || f[0] == "DATASCOUNT") {
            elements = true;
            break;
        }
        if (f[0] != "LAYER" || n != 12) continue;
        ProjectLayer l;
        try {
            l.Number = RecordInt(f[1]);
            l.FileName = RecordText(f[4]);
            l.Contents = RecordText(f[5]);
        } catch (const platform::Error& e) {
            throw platform::Error("プロジェクトファイルの " + std::to_string(lines.LineNumber()) + " 行目を読めません。\n" + e.what());
        }
        layers.push_back(std::move(l));
    }
    // A project that ends before its first layer is one cut short, not one
    // without layers.
    if (project && !elements && layers.empty())
        throw platform::Error("プロジェクトファイルが途中で終わっています。\n" + std::to_string(lines.LineNumber()) +
                              " 行目より後の、レイヤーの行（LAYER）と要素の行がありません。");
    return layers;
}

int TakeAllProjectLayers(const std::string& path)
{
    int taken = 0;
    for (const ProjectLayer& l : ReadProjectLayers(path)) {
        if (l.Number < 0 || l.Number >= LayerTableSize) continue;
        std::int32_t& flag = LayerTakeFlags[static_cast<std::size_t>(l.Number)];
        if (flag != 1) ++taken;
        flag = 1;
    }
    return taken;
}

bool SaveReportLines(const std::string& path)
{
    if (ReportCount <= 0) return false;
    platform::TextFileWriter w{fs::path(path)};
    for (std::int32_t i = 0; i < ReportCount && i < static_cast<std::int32_t>(ReportLines.size()); ++i)
        w.WriteLine(ReportLines[static_cast<std::size_t>(i)]);
    w.Commit();
    return true;
}

} // namespace core
