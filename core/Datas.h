#pragma once
// The shared data model: the element array and the aperture, macro, tool,
// layer and format tables, with the few operations that look up, add to or
// renumber them. Global tables that live for the whole run; every reader
// fills them, every viewer, checker, printer and writer walks them.
//
// Lengths are millimetres in doubles. Tables are used from index 1 with a
// count (the element array alone from 0). Every index that comes from data is
// bounds-checked before a table is touched: use the Valid* helpers below.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace core {

// ---------------------------------------------------------------- elements

enum ElementKind : std::int32_t {
    dkSection = 0,
    dkLine = 1,
    dkSquareStroke = 2,
    dkFlash = 3,
    dkArcCCW = 6,
    dkArcCW = 7,
    dkCircleCCW = 8,
    dkCircleCW = 9,
    dkDrill = 10,
    dkRegionLine = 11,
    dkRegionArcCCW = 16,
    dkRegionArcCW = 17,
    dkRegionCircleCCW = 18,
    dkRegionCircleCW = 19,
    dkDrillList = 40,
};

// One element. Plain values only; whatever reaches a file is written field by field.
struct DataElement {
    std::int32_t Layer = 0;   // layer 1..26; on a section marker the section number
    std::int32_t Group = 0;   // run of one path, copy or region; 0 none
    std::int32_t Kind = 0;    // ElementKind
    std::int32_t Code = 0;    // D-code, or tool number for drill hits
    std::uint8_t Clear = 0;   // 0 dark, 1 clear
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, X3 = 0, Y3 = 0, X4 = 0, Y4 = 0;
};

// The element array: random access, stable addresses, grows in chunks so a
// large board never needs a copy of everything read so far.
class MyDataArray {
public:
    static constexpr std::size_t ChunkBits = 16;
    static constexpr std::size_t ChunkSize = std::size_t{1} << ChunkBits;

    DataElement& operator[](std::size_t i) { return chunks_[i >> ChunkBits].get()[i & (ChunkSize - 1)]; }
    const DataElement& operator[](std::size_t i) const { return chunks_[i >> ChunkBits].get()[i & (ChunkSize - 1)]; }

    std::size_t size() const { return size_; }
    void push_back(const DataElement& e)
    {
        if ((size_ >> ChunkBits) >= chunks_.size()) AddChunk();
        (*this)[size_++] = e;
    }
    // Shrinks (rolling back a failed read) or grows with default elements.
    void resize(std::size_t n);
    void clear();
    std::size_t memory_bytes() const { return chunks_.size() * ChunkSize * sizeof(DataElement); }
    // Changes whenever elements are dropped (clear, a shrinking resize), so
    // what was worked out from the elements before can tell it is stale;
    // appending keeps it.
    std::uint64_t version() const { return version_; }

private:
    struct ChunkDeleter {
        void operator()(DataElement* p) const noexcept;
    };
    void AddChunk();
    std::vector<std::unique_ptr<DataElement, ChunkDeleter>> chunks_;
    std::size_t size_ = 0;
    std::uint64_t version_ = 0;
};

// --------------------------------------------------------------- apertures

enum ApertureShape : std::int32_t {
    apNone = -1,
    apCircle = 0,
    apSquare = 1,
    apThermal45 = 2,
    apThermal90 = 3,
    apOval = 4,
    apRectangle = 5,
    apPolygon = 6,
    apMacro = 100,
};

// Keyword of a shape in lists and files ("CIR", ..., "MCR"); empty for none.
std::string ShapeKeyword(std::int32_t shape);
// Shape code of a keyword (exact, upper case); apNone when unknown.
std::int32_t ShapeFromKeyword(const std::string& keyword);

struct MyAperture {
    std::int32_t Used = 0;
    std::int32_t Shape = apNone;
    double Size1 = 0, Size2 = 0, Size3 = 0;
    std::string MacroName;
    std::int32_t FirstPrimitive = 0, LastPrimitive = 0;
    // The AD parameter text of a macro aperture ("0.5X0.2"). Two macro
    // apertures are the same only when name and parameters agree.
    std::string MacroParams;
};

constexpr int MaxApertureCode = 1999;   // Apertures[0..1999]
constexpr int FirstSearchCode = 10;     // D10..D999 searched and added
constexpr int LastSearchCode = 999;

// Values of a macro primitive that are always present (0 when unused).
constexpr std::size_t MacroValueSlots = 104;

// One primitive of an aperture macro, instantiated for one D-code.
struct MyMacro {
    std::int32_t DCode = 0;
    std::string Name;
    std::string Text;      // comma-separated fields after $n substitution; first the primitive code
    std::string AdText;    // the AD parameter text of the D-code
    // Numeric fields of Text (ParseMacroParams): at least MacroValueSlots,
    // more when the text has more fields; ValueCount of them filled.
    std::vector<double> Values;
    std::int32_t ValueCount = 0;
    // Value k, 0 when not present.
    double V(int k) const { return (k >= 0 && k < static_cast<int>(Values.size())) ? Values[static_cast<std::size_t>(k)] : 0.0; }
};

// ------------------------------------------------------------------- tools

struct MyTool {
    std::int32_t Used = 0;
    std::int32_t Hits = 0;
    std::string Diameter;
    std::string Symbol;
    std::string Comment;
};

constexpr int MaxToolCode = 999;   // Tools[0..1000], used 1..999

// ------------------------------------------------------------------ layers

enum FileKind : std::int32_t {
    fkMissing = -1,
    fkAuto = 0,
    fkRS274D = 1,
    fkNcDrill = 2,
    fkOldProject = 3,
    fkProject = 4,
    fkRS274X = 5,
};

struct MyLayerSet {
    std::int32_t Active = 0;
    std::int32_t FileKind = fkAuto;
    std::string Folder;
    std::string FileName;
    std::string Contents;
    std::string Remarks;
    std::string Letter;
    std::string PageLetter;
    std::string Polarity = "P";
    std::int32_t AltColor = 0;
    std::int32_t Color = 0;
    std::uint8_t CombineMask = 0;
    std::uint8_t CombineOutline = 0;
};

constexpr int MaxLayers = 26;       // slots 1..26
constexpr int LayerTableSize = 51;  // LayerTable[0..50]

// The default entry of slot k (1..26): inactive, letters of the slot, colour
// from the cycle of eight.
MyLayerSet DefaultLayerEntry(int slot);
// The colour cycle of the default entries (Windows colour values).
extern const std::array<std::int32_t, 8> DefaultLayerColors;
// How an element's polarity is shown: [0] dark "(塗潰し)", [1] clear "(打抜き)".
extern const std::array<const char*, 2> PolarityTexts;
// Layer contents texts offered for a layer.
extern const std::array<const char*, 14> LayerContents;
// "A".."Z" for 1..26; empty otherwise.
std::string SlotLetter(int slot);

// ------------------------------------------------------------------ formats

struct MyFormatPara {
    std::string FormatName;
    std::string Code = "ASCII";
    std::string NumberFormat = "000.000";
    std::int32_t IntDigits = 3;
    std::int32_t DecDigits = 3;
    std::int32_t AbsInc = 0;     // 0 absolute, 1 incremental
    std::int32_t Zero = 0;       // 0 leading zeros omitted, 1 trailing
    std::int32_t Units = 0;      // 0 mm, 1 inch
    std::int32_t CircleMode = 0; // 1 after G74, 0 after G75
    double OffsetX = 0, OffsetY = 0;
    // RS-274X reader state
    std::int32_t SrX = 1, SrY = 1;
    double SrI = 0, SrJ = 0;
    std::uint8_t LpClear = 0;
    std::string LayerName;
};

// Sets IntDigits and DecDigits from a NumberFormat of the form 0…0.0…0.
// Returns false (digits untouched) when the text is not of that form.
bool DeriveDigits(MyFormatPara& format);

// ------------------------------------------------------------ project basics

struct MyBasicSet {
    std::string Title, Comment, Author;
    double BoardWidth = 0, BoardHeight = 0, BoardLeft = 0, BoardBottom = 0;
    std::int32_t PanelColor = 0;
    double NcLeft = 0, NcBottom = 0;
};

// The result of reading one file.
struct MyDataValue {
    std::int32_t Count = 0;
    double MinX = 1500, MaxX = -1500, MinY = 1500, MaxY = -1500;
    std::string ContentsText, RemarksText, TitleText;
};

// Data extents and the view, saved whole for printing.
struct MyExtents {
    double MinX = 1500, MaxX = -1500, MinY = 1500, MaxY = -1500;
    double Width = 100, Height = 100;
    double CentreX = 0, CentreY = 0;
    double OriginX = 0, OriginY = 0;
    double ViewWidth = 0, ViewHeight = 0;
    double ViewLeft = 0, ViewTop = 0, ViewRight = 0, ViewBottom = 0;
};

// The word values of one block: C, D, G, I, J, M, T, X, Y.
struct MyCode {
    std::string C, D, G, I, J, M, T, X, Y;
};

struct MyPoint { double x = 0, y = 0; };
using MyTPoint = platform::Point;   // device point
using MyPointArray = std::vector<MyPoint>;
using MyTPointArray = std::vector<MyTPoint>;
using MyTextArray = std::vector<std::string>;
using MyStringArray = std::vector<std::string>;
using MyIntArray = std::vector<std::int32_t>;
using MyMacroArray = std::vector<MyMacro>;

// ------------------------------------------------------------ global tables

constexpr std::int32_t InitialDataCapacity = 2'560'000;
constexpr std::int32_t DataCapacityStep = 10'000;

extern MyDataArray Datas;
extern std::int32_t DataCount;
extern std::int32_t DataCapacity;   // the nominal capacity; storage grows as needed
extern std::int32_t GroupCounter;

extern std::array<MyAperture, MaxApertureCode + 1> Apertures;
extern std::int32_t MaxDCode;
extern std::uint8_t ApertureCheck;
extern std::array<std::int32_t, MaxApertureCode + 1> ApertureMap;

extern MyMacroArray Macros;          // used 1..MacroCount; Macros[0] unused
extern std::int32_t MacroCount;

extern std::array<MyTool, MaxToolCode + 2> Tools;   // [0..1000]
extern std::int32_t ToolCount;
extern std::array<std::int32_t, MaxToolCode + 1> ToolMap;
extern std::int32_t TotalHoleCount;

extern std::array<MyLayerSet, LayerTableSize> LayerTable;
extern std::int32_t LayerCount;
extern std::array<MyLayerSet, LayerTableSize> IniLayerTable;
extern std::int32_t IniLayerCount;
extern std::array<std::int32_t, LayerTableSize> LayerTakeFlags;

extern MyFormatPara GerberFormat;
extern MyFormatPara DrillFormat;
extern MyBasicSet ProjectBasics;
extern MyExtents Extents;

extern MyStringArray ReportLines;    // aperture report lines, 0-based
extern std::int32_t ReportCount;

extern std::array<std::uint8_t, 5> StepMarks;
extern std::array<std::uint8_t, 6> SelectKindFlags;
extern std::uint8_t CancelRequested;

extern std::string DataFolder;
extern std::string ApertureFilePath, GerberFormatFilePath, DrillFormatFilePath;

// ------------------------------------------------------------ bounds checks

inline bool ValidApertureCode(long long d) { return d >= 0 && d <= MaxApertureCode; }
inline bool ValidToolCode(long long t) { return t >= 0 && t <= MaxToolCode; }
inline bool ValidLayer(long long l) { return l >= 1 && l <= MaxLayers; }
inline bool ValidMacroIndex(long long i) { return i >= 1 && i <= MacroCount && i < static_cast<long long>(Macros.size()); }
// The aperture of a D-code, or nullptr when the code is out of the table.
inline MyAperture* ApertureAt(long long d) { return ValidApertureCode(d) ? &Apertures[static_cast<std::size_t>(d)] : nullptr; }
inline MyTool* ToolAt(long long t) { return ValidToolCode(t) ? &Tools[static_cast<std::size_t>(t)] : nullptr; }
inline MyLayerSet* LayerAt(long long l) { return ValidLayer(l) ? &LayerTable[static_cast<std::size_t>(l)] : nullptr; }

// --------------------------------------------------------------- operations

// No read makes Datas hold more than this many elements: a file that would is
// refused, as early as its reader can tell, before memory runs out.
extern std::int64_t MaxElementCount;
// How many more elements Datas may take: up to MaxElementCount, and never so
// many that DataCount overflows. Never negative.
std::int64_t ElementRoom();
// The reason a file is refused when its own elements (not step-and-repeat
// copies) would pass MaxElementCount.
std::string TooManyElementsText();

// Appends one element; the nominal capacity grows by 10,000 when passed.
// Throws platform::Error(TooManyElementsText()) when ElementRoom() is 0.
void AppendElement(const DataElement& e);

// Empties the element array and the counts that go with it (capacity back to
// the initial value).
void ClearElements();

// Resets every table to its state after a clear (no settings reloaded: that
// belongs to the caller that reads the program-folder settings).
void ResetTables();

int FindOrAddAperture(std::int32_t shape, const std::string& macroName, std::uint8_t add,
                      double size1, double size2, double size3);
// As FindOrAddAperture for macro apertures: equal when name and AD
// parameters agree.
int FindOrAddMacroAperture(const std::string& macroName, const std::string& params, std::uint8_t add);

int FindOrAddTool(const std::string& diameter, const std::string& comment, std::uint8_t add);

int MarkUsedApertures(std::array<MyAperture, MaxApertureCode + 1>& apertures);

void ParseMacroParams();
// Fills Values and ValueCount of one primitive from its Text.
void ParseMacroPrimitive(MyMacro& m);

void MoveLayer(int from, int to);
// The new number of `layer` after MoveLayer(from, to).
int MovedLayerNumber(int layer, int from, int to);
// Tables indexed by layer number elsewhere register here to follow MoveLayer.
std::vector<std::function<void(int from, int to)>>& LayerMoveHooks();

void GrowFileExtents(MyDataValue& value, const DataElement& element);
// Widens a file's extents to a box. A box that is no finite number (a
// coordinate or size that overflowed) makes them endless, which the range
// check refuses: a comparison would pass it over unseen.
inline void GrowExtentsToBox(MyDataValue& value, double minX, double maxX, double minY, double maxY)
{
    if (!(std::isfinite(minX) && std::isfinite(maxX) && std::isfinite(minY) && std::isfinite(maxY))) {
        constexpr double endless = std::numeric_limits<double>::infinity();
        value.MinX = value.MinY = -endless;
        value.MaxX = value.MaxY = endless;
        return;
    }
    if (maxX > value.MaxX) value.MaxX = maxX;
    if (minX < value.MinX) value.MinX = minX;
    if (maxY > value.MaxY) value.MaxY = maxY;
    if (minY < value.MinY) value.MinY = minY;
}

// The range check of an open: the data at least 1 mm and at most 1000 mm
// either way. Extents that are no finite numbers fail it.
inline constexpr const char* DataRangeErrorText = "データ範囲エラー。\n\rフォーマットを確認して、始めからやり直してください。";
bool DataRangeAcceptable(const MyExtents& extents);
// Widens the data extents of `extents` by those of one file read.
void MergeExtents(MyExtents& extents, const MyDataValue& value);
// The half of that check that data fails whatever is opened with it: wider
// or higher than 1000 mm, or no finite numbers.
bool DataWithinRange(double minX, double maxX, double minY, double maxY);

// A snapshot of everything a reader changes, to put back after a failed or
// cancelled read.
struct TableSnapshot {
    std::int32_t dataCount = 0, groupCounter = 0, maxDCode = 0, macroCount = 0;
    std::int32_t toolCount = 0, totalHoleCount = 0, reportCount = 0, dataCapacity = 0;
    std::array<MyAperture, MaxApertureCode + 1> apertures;
    std::array<MyTool, MaxToolCode + 2> tools;
    MyFormatPara gerberFormat, drillFormat;
    // What a project read changes besides.
    MyBasicSet projectBasics;
    MyExtents extents;
    std::array<MyLayerSet, LayerTableSize> layerTable;
    std::int32_t layerCount = 0;
    std::array<std::int32_t, MaxApertureCode + 1> apertureMap{};
    std::array<std::int32_t, MaxToolCode + 1> toolMap{};
    MyMacroArray macros;
};
std::unique_ptr<TableSnapshot> TakeSnapshot();
void RestoreSnapshot(const TableSnapshot& s);

// A read in progress (reads may nest). Work that a reader leaves to the end
// of its read, so as to do it once rather than at every step, is done when the
// read ends, well or not, before any rollback; it must not throw.
class ReadScope {
public:
    ReadScope();
    ~ReadScope();
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;
};
bool ReadInProgress();
void AtEndOfRead(std::function<void()> work);

// Runs `read`, a reader's work on the tables: when it throws or returns
// false, the tables are put back as they were and `value` is emptied.
template <class Read>
bool ReadRolledBack(MyDataValue& value, Read&& read)
{
    const std::unique_ptr<TableSnapshot> snapshot = TakeSnapshot();
    bool ok = false;
    try {
        const ReadScope scope;
        ok = read();
    } catch (...) {
        RestoreSnapshot(*snapshot);
        value = MyDataValue{};
        throw;
    }
    if (!ok) {
        RestoreSnapshot(*snapshot);
        value = MyDataValue{};
    }
    return ok;
}

// ---------------------------------------------------------------- progress

// The progress window shown while projects are written. The window itself
// belongs to the user interface; core talks to it through this interface.
class TFormDatas {
public:
    virtual ~TFormDatas() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual std::string StatusText() const = 0;
    virtual void SetGauge(long long progress, long long maximum) = 0;
    virtual void SetCancelVisible(bool visible) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // Lets pending window events run (at most every ~50 ms).
    virtual void ProcessEvents() = 0;

    // The cancel button.
    void swCancelClick() { CancelRequested = 1; }

    // What the window shows when it is made.
    static constexpr const char* InitialCaption = "FormDatas";
    static constexpr const char* InitialStatusText = "ファイルを開いています　・・・";
    static constexpr const char* CancelCaption = "キャンセル";
    static constexpr int ClientWidth = 442, ClientHeight = 98;
};

// The window in use; a silent stand-in until the user interface sets its own.
TFormDatas& FormDatas();
void SetFormDatas(TFormDatas* form);

// A progress gauge handed to readers: a position out of a maximum. Reports at
// most every ~50 ms to the window side; the default does nothing.
class Gauge {
public:
    virtual ~Gauge() = default;
    virtual void SetMaximum(long long) {}
    virtual void SetProgress(long long) {}
    // Called between blocks of long work; lets the window run.
    virtual void Pump() {}
};

} // namespace core
