#include "core/Datas.h"

#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/LargeMemory.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <memory>

namespace core {

// ------------------------------------------------------------ element array

void MyDataArray::resize(std::size_t n)
{
    while (size_ < n) push_back(DataElement{});
    if (n < size_) ++version_;
    size_ = n;
    // Keep one spare chunk at most, so a rollback does not give back memory
    // that the next read wants again at once.
    std::size_t needed = (n + ChunkSize - 1) >> ChunkBits;
    if (chunks_.size() > needed + 1) chunks_.resize(needed + 1);
}

void MyDataArray::ChunkDeleter::operator()(DataElement* p) const noexcept { platform::FreeLarge(p); }

void MyDataArray::AddChunk()
{
    // Large chunks on huge pages: a big board is filled without a page fault
    // for every 4 KiB.
    auto* p = static_cast<DataElement*>(platform::AllocateLarge(ChunkSize * sizeof(DataElement)));
    std::uninitialized_value_construct_n(p, ChunkSize);
    chunks_.emplace_back(p);
}

void MyDataArray::clear()
{
    // The storage of the initial capacity stays, already faulted in, for the
    // next job; anything beyond goes back.
    const std::size_t keep = (static_cast<std::size_t>(InitialDataCapacity) + ChunkSize - 1) >> ChunkBits;
    if (chunks_.size() > keep) chunks_.resize(keep);
    size_ = 0;
    ++version_;
}

// ------------------------------------------------------------------ tables

MyDataArray Datas;
std::int32_t DataCount = 0;
std::int32_t DataCapacity = InitialDataCapacity;
std::int32_t GroupCounter = 0;

std::array<MyAperture, MaxApertureCode + 1> Apertures;
std::int32_t MaxDCode = 0;
std::uint8_t ApertureCheck = 1;
std::array<std::int32_t, MaxApertureCode + 1> ApertureMap{};

MyMacroArray Macros(1);
std::int32_t MacroCount = 0;

std::array<MyTool, MaxToolCode + 2> Tools;
std::int32_t ToolCount = 0;
std::array<std::int32_t, MaxToolCode + 1> ToolMap{};
std::int32_t TotalHoleCount = 0;

std::array<MyLayerSet, LayerTableSize> LayerTable;
std::int32_t LayerCount = 0;
std::array<MyLayerSet, LayerTableSize> IniLayerTable;
std::int32_t IniLayerCount = 0;
std::array<std::int32_t, LayerTableSize> LayerTakeFlags{};

MyFormatPara GerberFormat;
MyFormatPara DrillFormat;
MyBasicSet ProjectBasics;
MyExtents Extents;

MyStringArray ReportLines;
std::int32_t ReportCount = 0;

std::array<std::uint8_t, 5> StepMarks{};
std::array<std::uint8_t, 6> SelectKindFlags{1, 1, 1, 1, 1, 1};
std::uint8_t CancelRequested = 0;

std::string DataFolder;
std::string ApertureFilePath, GerberFormatFilePath, DrillFormatFilePath;

// ---------------------------------------------------------------- constants

const std::array<std::int32_t, 8> DefaultLayerColors = {
    0x0000FF, 0x4080FF, 0x00FFFF, 0x00FF00, 0xFF8080, 0xFF8000, 0xC0C0C0, 0xFFFFFF,
};

const std::array<const char*, 2> PolarityTexts = {"(塗潰し)", "(打抜き)"};

const std::array<const char*, 14> LayerContents = {
    "部品面メタルマスク", "部品面シルク", "部品面レジスト", "部品面パターン",
    "内層L2", "内層L3", "半田面パターン", "半田面レジスト", "半田面シルク",
    "半田面メタルマスク", "基板外形", "部品配置図", "基板寸法", "ドリルデータ",
};

std::string SlotLetter(int slot)
{
    if (slot < 1 || slot > MaxLayers) return {};
    return std::string(1, static_cast<char>('A' + slot - 1));
}

MyLayerSet DefaultLayerEntry(int slot)
{
    MyLayerSet l;  // Polarity is "P" already
    l.Letter = SlotLetter(slot);
    l.PageLetter = l.Letter;
    if (slot >= 1) l.AltColor = l.Color = DefaultLayerColors[static_cast<std::size_t>((slot - 1) % 8)];
    return l;
}

std::string ShapeKeyword(std::int32_t shape)
{
    switch (shape) {
    case apCircle: return "CIR";
    case apSquare: return "SQR";
    case apThermal45: return "THR45";
    case apThermal90: return "THR90";
    case apOval: return "OVAL";
    case apRectangle: return "RECT";
    case apPolygon: return "POLYGON";
    case apMacro: return "MCR";
    default: return {};
    }
}

std::int32_t ShapeFromKeyword(const std::string& keyword)
{
    for (std::int32_t s : {apCircle, apSquare, apThermal45, apThermal90, apOval, apRectangle, apPolygon, apMacro})
        if (ShapeKeyword(s) == keyword) return s;
    return apNone;
}

bool DeriveDigits(MyFormatPara& format)
{
    const std::string& f = format.NumberFormat;
    std::size_t dot = f.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 >= f.size()) return false;
    for (std::size_t i = 0; i < f.size(); ++i)
        if (i != dot && f[i] != '0') return false;
    format.IntDigits = static_cast<std::int32_t>(dot);
    format.DecDigits = static_cast<std::int32_t>(f.size() - dot - 1);
    return true;
}

// --------------------------------------------------------------- operations

std::int64_t MaxElementCount = 25'000'000;

namespace {

// The limit in force: never so many that DataCount overflows.
std::int64_t ElementLimit() { return std::clamp<std::int64_t>(MaxElementCount, 0, std::numeric_limits<std::int32_t>::max()); }

} // namespace

std::int64_t ElementRoom() { return std::max<std::int64_t>(0, ElementLimit() - std::max<std::int32_t>(DataCount, 0)); }

std::string TooManyElementsText()
{
    // The limit with thousands separators, as users count large numbers.
    const std::string digits = std::to_string(ElementLimit());
    std::string limit;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) limit += ',';
        limit += digits[i];
    }
    return "データ数が多すぎるため、読み込めません（読み込み済みのデータと合わせて " + limit + " までです）。";
}

void AppendElement(const DataElement& e)
{
    if (DataCount < 0) DataCount = 0;
    // The one guard of every reader: the limit, and so no overflow of DataCount.
    if (ElementRoom() < 1) throw platform::Error(TooManyElementsText());
    DataCount += 1;
    if (DataCount > DataCapacity) DataCapacity += DataCapacityStep;
    // The element goes to index DataCount - 1 even when a caller moved
    // DataCount by hand (a rollback that did not shrink the array).
    const auto index = static_cast<std::size_t>(DataCount - 1);
    if (Datas.size() != index) Datas.resize(index);
    Datas.push_back(e);
}

void ClearElements()
{
    Datas.clear();
    DataCount = 0;
    DataCapacity = InitialDataCapacity;
    GroupCounter = 0;
    TotalHoleCount = 0;
}

void ResetTables()
{
    ClearElements();
    Apertures.fill(MyAperture{});
    MaxDCode = 0;
    ApertureMap.fill(0);
    Macros.assign(1, MyMacro{});
    MacroCount = 0;
    Tools.fill(MyTool{});
    ToolCount = 0;
    ToolMap.fill(0);
    for (int i = 0; i < LayerTableSize; ++i) LayerTable[static_cast<std::size_t>(i)] = DefaultLayerEntry(i);
    LayerCount = 0;
    IniLayerTable.fill(MyLayerSet{});
    IniLayerCount = 0;
    LayerTakeFlags.fill(0);
    ReportLines.clear();
    ReportCount = 0;
    Extents = MyExtents{};
    CancelRequested = 0;
}

namespace {

bool SameSize(double a, double b) { return std::fabs(a - b) <= 0.0004 + 1e-12; }

bool SlotFree(const MyAperture& a) { return a.Shape < apMacro && a.Size1 < 1e-12; }

int AddToFreeSlot(std::int32_t shape, double size1, double size2, double size3)
{
    for (int d = FirstSearchCode; d <= LastSearchCode; ++d) {
        MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        if (SlotFree(a)) {
            a.Shape = shape;
            a.Size1 = size1;
            a.Size2 = size2;
            a.Size3 = size3;
            return d;
        }
    }
    return 0;
}

} // namespace

int FindOrAddAperture(std::int32_t shape, const std::string& macroName, std::uint8_t add,
                      double size1, double size2, double size3)
{
    int result = 0;
    for (int d = FirstSearchCode; d <= LastSearchCode && result == 0; ++d) {
        const MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        if (a.Shape != shape) continue;
        bool equal;
        if (shape >= apMacro) equal = a.MacroName == macroName;
        else if (shape == apCircle || shape == apSquare) equal = SameSize(a.Size1, size1);
        else equal = SameSize(a.Size1, size1) && SameSize(a.Size2, size2) && SameSize(a.Size3, size3);
        if (equal) result = d;
    }
    if (result == 0 && add == 1) result = AddToFreeSlot(shape, size1, size2, size3);
    MaxDCode = std::max(MaxDCode, result);
    return result;
}

int FindOrAddMacroAperture(const std::string& macroName, const std::string& params, std::uint8_t add)
{
    int result = 0;
    for (int d = FirstSearchCode; d <= LastSearchCode && result == 0; ++d) {
        const MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        if (a.Shape == apMacro && a.MacroName == macroName && a.MacroParams == params) result = d;
    }
    if (result == 0 && add == 1) {
        result = AddToFreeSlot(apMacro, 0, 0, 0);
        if (result != 0) {
            Apertures[static_cast<std::size_t>(result)].MacroName = macroName;
            Apertures[static_cast<std::size_t>(result)].MacroParams = params;
        }
    }
    MaxDCode = std::max(MaxDCode, result);
    return result;
}

namespace {

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

} // namespace

int FindOrAddTool(const std::string& diameter, const std::string& comment, std::uint8_t add)
{
    for (int t = 1; t <= MaxToolCode; ++t) {
        const MyTool& tool = Tools[static_cast<std::size_t>(t)];
        // Unused slots past the highest tool never match an empty query.
        if (t > ToolCount && tool.Diameter.empty() && tool.Comment.empty()) continue;
        if (EqualNoCase(tool.Diameter, diameter) && EqualNoCase(tool.Comment, comment)) return t;
    }
    if (add == 1 && ToolCount < MaxToolCode) {
        // ToolCount may come from a file: never index below tool 1.
        ToolCount = std::max(ToolCount, 0) + 1;
        MyTool& tool = Tools[static_cast<std::size_t>(ToolCount)];
        tool.Diameter = diameter;
        tool.Comment = comment;
        return ToolCount;
    }
    return 0;
}

int MarkUsedApertures(std::array<MyAperture, MaxApertureCode + 1>& apertures)
{
    int last = 0;
    for (int d = 0; d <= MaxApertureCode; ++d) {
        apertures[static_cast<std::size_t>(d)].Used = 0;
        if (apertures[static_cast<std::size_t>(d)].Shape >= 0) last = d;
    }
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        // Drill hits carry tool numbers, not D-codes; section markers and
        // region edges carry 0.
        if (e.Kind == dkDrill || e.Kind == dkDrillList || e.Kind == dkSection) continue;
        if (ValidApertureCode(e.Code)) apertures[static_cast<std::size_t>(e.Code)].Used = 1;
    }
    return last;
}

void ParseMacroPrimitive(MyMacro& m)
{
    MyTextArray fields;
    int n = SplitText(m.Text, ',', fields);
    // At least the classic 104 values, all 0, so code that indexes the
    // first 104 directly stays in bounds; longer outlines get room for all.
    m.Values.assign(std::max<std::size_t>(MacroValueSlots, fields.size()), 0.0);
    // Short primitives have no numeric fields; nothing stale is kept.
    m.ValueCount = 0;
    if (n <= 2) return;
    for (const std::string& f : fields) {
        // A field that is not a number reads 0.
        m.Values[static_cast<std::size_t>(m.ValueCount)] = platform::ParseRealOr(f, 0.0);
        m.ValueCount += 1;
    }
}

void ParseMacroParams()
{
    for (std::int32_t i = 1; i <= MacroCount && i < static_cast<std::int32_t>(Macros.size()); ++i)
        ParseMacroPrimitive(Macros[static_cast<std::size_t>(i)]);
}

void MoveLayer(int from, int to)
{
    if (from == to) return;
    if (!ValidLayer(from) || to < 1 || to > MaxLayers + 1) return;
    auto& t = LayerTable;
    if (from > to) {
        MyLayerSet moving = t[static_cast<std::size_t>(from)];
        for (int k = from; k > to; --k) t[static_cast<std::size_t>(k)] = t[static_cast<std::size_t>(k - 1)];
        t[static_cast<std::size_t>(to)] = moving;
    } else {
        MyLayerSet moving = t[static_cast<std::size_t>(from)];
        for (int k = from; k < to - 1; ++k) t[static_cast<std::size_t>(k)] = t[static_cast<std::size_t>(k + 1)];
        t[static_cast<std::size_t>(to - 1)] = moving;
    }
    for (std::int32_t i = 0; i < DataCount; ++i) {
        DataElement& e = Datas[static_cast<std::size_t>(i)];
        if (e.Kind == dkSection) continue;  // its Layer is a section number
        e.Layer = MovedLayerNumber(e.Layer, from, to);
    }
    for (auto& hook : LayerMoveHooks())
        if (hook) hook(from, to);
    for (int k = 1; k <= MaxLayers; ++k) {
        t[static_cast<std::size_t>(k)].Letter = SlotLetter(k);
        t[static_cast<std::size_t>(k)].PageLetter = SlotLetter(k);
    }
}

int MovedLayerNumber(int layer, int from, int to)
{
    if (from == to) return layer;
    if (from > to) {
        if (layer == from) return to;
        if (layer >= to && layer < from) return layer + 1;
    } else {
        if (layer == from) return to - 1;
        if (layer > from && layer < to) return layer - 1;
    }
    return layer;
}

std::vector<std::function<void(int, int)>>& LayerMoveHooks()
{
    static std::vector<std::function<void(int, int)>> hooks;
    return hooks;
}

void GrowFileExtents(MyDataValue& value, const DataElement& element)
{
    MyBox box{};
    // Kinds that cover nothing (markers, unknown kinds) leave the extents alone.
    if (!ElementBox(element, box)) return;
    GrowExtentsToBox(value, box[0], box[1], box[2], box[3]);
}

bool DataWithinRange(double minX, double maxX, double minY, double maxY)
{
    // Written so that NaN fails.
    const double w = maxX - minX, h = maxY - minY;
    return w <= 1000.0 && h <= 1000.0 && std::isfinite(minX) && std::isfinite(maxX) && std::isfinite(minY) &&
           std::isfinite(maxY);
}

void MergeExtents(MyExtents& e, const MyDataValue& v)
{
    e.MinX = std::min(e.MinX, v.MinX);
    e.MaxX = std::max(e.MaxX, v.MaxX);
    e.MinY = std::min(e.MinY, v.MinY);
    e.MaxY = std::max(e.MaxY, v.MaxY);
}

bool DataRangeAcceptable(const MyExtents& e)
{
    const double w = e.MaxX - e.MinX, h = e.MaxY - e.MinY;
    return w >= 1.0 && h >= 1.0 && DataWithinRange(e.MinX, e.MaxX, e.MinY, e.MaxY);
}

std::unique_ptr<TableSnapshot> TakeSnapshot()
{
    auto s = std::make_unique<TableSnapshot>();
    s->dataCount = DataCount;
    s->groupCounter = GroupCounter;
    s->maxDCode = MaxDCode;
    s->macroCount = MacroCount;
    s->toolCount = ToolCount;
    s->totalHoleCount = TotalHoleCount;
    s->reportCount = ReportCount;
    s->apertures = Apertures;
    s->tools = Tools;
    s->gerberFormat = GerberFormat;
    s->drillFormat = DrillFormat;
    s->dataCapacity = DataCapacity;
    s->projectBasics = ProjectBasics;
    s->extents = Extents;
    s->layerTable = LayerTable;
    s->layerCount = LayerCount;
    s->apertureMap = ApertureMap;
    s->toolMap = ToolMap;
    s->macros = Macros;
    return s;
}

void RestoreSnapshot(const TableSnapshot& s)
{
    DataCount = s.dataCount;
    Datas.resize(static_cast<std::size_t>(s.dataCount));
    DataCapacity = s.dataCapacity;
    GroupCounter = s.groupCounter;
    MaxDCode = s.maxDCode;
    MacroCount = s.macroCount;
    // A reader may renumber the primitives it finds, not only add to them.
    Macros = s.macros;
    if (Macros.size() < static_cast<std::size_t>(s.macroCount) + 1) Macros.resize(static_cast<std::size_t>(s.macroCount) + 1);
    ApertureMap = s.apertureMap;
    ToolCount = s.toolCount;
    TotalHoleCount = s.totalHoleCount;
    ReportCount = s.reportCount;
    ReportLines.resize(static_cast<std::size_t>(s.reportCount));
    Apertures = s.apertures;
    Tools = s.tools;
    GerberFormat = s.gerberFormat;
    DrillFormat = s.drillFormat;
    ProjectBasics = s.projectBasics;
    Extents = s.extents;
    LayerTable = s.layerTable;
    LayerCount = s.layerCount;
    ToolMap = s.toolMap;
}

namespace {

int readDepth = 0;
std::vector<std::function<void()>> endOfRead;

} // namespace

ReadScope::ReadScope() { ++readDepth; }

ReadScope::~ReadScope()
{
    --readDepth;
    // An inner read ends with the tables complete too: the outer reader may
    // look at them.
    std::vector<std::function<void()>> work;
    work.swap(endOfRead);
    for (const auto& w : work) w();
}

bool ReadInProgress() { return readDepth > 0; }

void AtEndOfRead(std::function<void()> work) { endOfRead.push_back(std::move(work)); }

// ---------------------------------------------------------------- progress

namespace {

class SilentFormDatas final : public TFormDatas {
public:
    void SetCaption(const std::string&) override {}
    void SetStatusText(const std::string& text) override { status_ = text; }
    std::string StatusText() const override { return status_; }
    void SetGauge(long long, long long) override {}
    void SetCancelVisible(bool) override {}
    void Show() override {}
    void Hide() override {}
    void ProcessEvents() override {}

private:
    std::string status_ = InitialStatusText;
};

SilentFormDatas silentForm;
TFormDatas* currentForm = &silentForm;

} // namespace

TFormDatas& FormDatas() { return *currentForm; }
void SetFormDatas(TFormDatas* form) { currentForm = form ? form : &silentForm; }

} // namespace core
