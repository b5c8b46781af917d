#include "core/NcDrillReader.h"

#include "core/ChunkSource.h"
#include "core/GerberReader.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

namespace core {

namespace {

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool SameDiameter(const std::string& a, const std::string& b)
{
    return EqualNoCase(a, b) || std::fabs(LeadingNumber(a) - LeadingNumber(b)) < 1e-9;
}

class DrillParser {
public:
    DrillParser(int layer, MyDataValue& value) : layer_(layer), value_(value)
    {
        MyFormatPara digits = DrillFormat;
        if (DeriveDigits(digits)) {
            intDigits_ = digits.IntDigits;
            decDigits_ = digits.DecDigits;
        }
        if (DrillFormat.AbsInc == 1) {
            curX_ = DrillFormat.OffsetX;
            curY_ = DrillFormat.OffsetY;
        }
        block_.reserve(256);
    }

    // Cuts the next piece of the file into blocks; a block may run on into
    // the next piece.
    void Feed(std::string_view bytes)
    {
        for (char c : bytes) {
            if (c == '\r' || c == '\n') {
                // A comment never runs past its line: an unmatched "(" must
                // not swallow every later hit.
                inBracket_ = false;
                inRemark_ = false;
                EndBlock();
                if (c == '\n') ++lines_;
            } else if (inRemark_) {
                continue;
            } else if (inBracket_) {
                if (c == ')') inBracket_ = false;
            } else if (c == '(') {
                inBracket_ = true;
            } else if (c == ';') {
                inRemark_ = true;
            } else if (c == '*') {
                EndBlock();
            } else if (c != '%' && !inComment_) {
                Hold(c);
            }
        }
    }

    // The last block, which needs no line end.
    void Finish() { EndBlock(); }

    // Counts, without making them, the hits of `chunk` and of the rest of the
    // source, from where this parser stands; refuses the file when they would
    // pass the element limit. A cancel stops the count, to be seen by the
    // caller.
    void CheckRoomAhead(std::string_view chunk, ChunkSource& source, Gauge& gauge) const
    {
        DrillParser counter(*this);
        counter.counting_ = true;
        const long long room = ElementRoom();
        auto feed = [&](std::string_view bytes) {
            counter.Feed(bytes);
            gauge.Pump();
            return counter.hitsAhead_ <= room && CancelRequested != 1;
        };
        if (feed(chunk)) {
            source.LookAhead(feed);
            if (CancelRequested == 1) return;
            if (counter.hitsAhead_ <= room) counter.Finish();
        }
        if (counter.hitsAhead_ > room) throw platform::Error(TooManyElementsText());
    }

private:
    // A G04 comment is skipped to its end, not held; a block longer than any
    // real one ends the read instead of taking memory without bound.
    void Hold(char c)
    {
        if (block_.empty()) blockLine_ = lines_ + 1;
        block_.push_back(c);
        if (block_.size() == 3 && block_.compare(0, 3, "G04") == 0) {
            block_.clear();
            inComment_ = true;
        } else if (block_.size() > MaxBlockBytes) {
            throw platform::Error(platform::LineTooLongText(blockLine_, MaxBlockBytes));
        }
    }

    void EndBlock()
    {
        inComment_ = false;
        if (!block_.empty()) Process();
        block_.clear();
    }

    void Process()
    {
        // The words as views into the block: no strings per block.
        if (!SplitBlockWords(block_, words_)) return;
        const std::string_view g = words_[BlockWords::G];

        if (!g.empty()) {
            if (WordIs(g, "00") || WordIs(g, "80")) {
                drillMode_ = 0;
            } else if (WordIs(g, "05") || WordIs(g, "81")) {
                drillMode_ = 10;
            } else if (counting_) {
                // Counting needs no point, and must leave the tables alone.
            } else if (WordIs(g, "90")) {
                DrillFormat.AbsInc = 0;
            } else if (WordIs(g, "91")) {
                DrillFormat.AbsInc = 1;
                if (value_.Count == 0) {
                    curX_ = DrillFormat.OffsetX;
                    curY_ = DrillFormat.OffsetY;
                }
            }
        }

        if (!words_[BlockWords::T].empty()) SelectTool();

        const std::string_view wx = words_[BlockWords::X], wy = words_[BlockWords::Y];
        bool hasCoordinates = !wx.empty() || !wy.empty() || !words_[BlockWords::I].empty() || !words_[BlockWords::J].empty();
        double x = curX_, y = curY_;
        if (hasCoordinates && !counting_) {
            if (!wx.empty()) x = Axis(wx, curX_, DrillFormat.OffsetX);
            if (!wy.empty()) y = Axis(wy, curY_, DrillFormat.OffsetY);
        }

        // G93 sets the machine's zero point: its coordinates are no hole.
        bool zeroSet = WordIs(g, "93");
        bool m05 = WordIs(words_[BlockWords::M], "05");
        if (tool_ > 0 && !zeroSet && ((hasCoordinates && drillMode_ == 10) || m05)) {
            if (counting_) ++hitsAhead_;
            else AddHit(x, y);
        }

        if (hasCoordinates && !counting_) {
            curX_ = x;
            curY_ = y;
        }
    }

    double Axis(std::string_view text, double current, double offset) const
    {
        double v = FastParseCoordinate(text, DrillFormat.Zero, intDigits_, decDigits_, DrillFormat.Units);
        return DrillFormat.AbsInc == 1 ? current + v : offset + v;
    }

    void SelectTool()
    {
        double n = 0;
        // A T word that is not a number selects nothing.
        if (!platform::TryParseReal(words_[BlockWords::T], n) || !(n >= 0 && n < 1000)) return;
        int fileTool = static_cast<int>(n);
        if (fileTool == 0 || counting_) {
            tool_ = fileTool;   // any tool above 0 drills
            return;
        }
        std::string c(words_[BlockWords::C]);
        if (c.size() == 1) c.insert(c.begin(), '0');  // as a C word is kept everywhere: "C1" is "01"
        std::string diameter = c.empty() ? std::string() : DrillDiameterText(c, DrillFormat.Units);
        int t = fileMap_[static_cast<std::size_t>(fileTool)];
        const std::string* known = t > 0 ? &Tools[static_cast<std::size_t>(t)].Diameter : nullptr;
        // A tool redefined with another size later in the file gets a tool
        // of its own; the holes drilled before keep theirs.
        if (t == 0 || (!diameter.empty() && !known->empty() && !SameDiameter(*known, diameter))) {
            t = ClaimTool(fileTool, diameter);
            fileMap_[static_cast<std::size_t>(fileTool)] = t;
        }
        tool_ = t;
        MyTool& tool = Tools[static_cast<std::size_t>(t)];
        if (t > ToolCount) ToolCount = t;
        tool.Used = 1;
        if (!diameter.empty() && !SameDiameter(tool.Diameter, diameter)) tool.Diameter = diameter;
    }

    // The table tool for tool n of this file. Its own number when that slot
    // is free or drills the same diameter; else an equal or new tool, so that
    // a second drill file of the job (which starts at T1 again) does not
    // change the holes of the first.
    static int ClaimTool(int n, const std::string& diameter)
    {
        const MyTool& own = Tools[static_cast<std::size_t>(n)];
        if (diameter.empty() || own.Used == 0 || EqualNoCase(own.Diameter, diameter)) return n;
        int m = FindOrAddTool(diameter, std::string(), 1);
        // A full table leaves the file's own number.
        return ValidToolCode(m) && m > 0 ? m : n;
    }

    void AddHit(double x, double y)
    {
        MyTool& tool = Tools[static_cast<std::size_t>(tool_)];
        tool.Used = 1;
        tool.Hits += 1;
        DataElement e;
        e.Clear = 0;
        e.Layer = layer_;
        e.Group = 0;
        e.Kind = dkDrill;
        e.Code = tool_;
        e.X1 = e.X2 = e.X3 = x;
        e.Y1 = e.Y2 = e.Y3 = y;
        AppendElement(e);
        value_.Count += 1;
        GrowFileExtents(value_, e);
    }

    int layer_;
    MyDataValue& value_;
    int intDigits_ = 3, decDigits_ = 3;
    int drillMode_ = 10;
    int tool_ = 0;  // table tool, after the file's map
    double curX_ = 0, curY_ = 0;
    std::array<std::int32_t, MaxToolCode + 1> fileMap_{};  // file tool -> table tool
    std::string block_;
    bool inBracket_ = false;  // "(" ... ")"
    bool inRemark_ = false;   // ";" to the end of the line
    bool inComment_ = false;  // "G04" to the end of its block
    long long lines_ = 0, blockLine_ = 0;
    BlockWords words_;
    bool counting_ = false;     // a copy that counts hits ahead
    long long hitsAhead_ = 0;
};

// The most hits `bytes` more bytes can make: each needs a block of two
// characters and its end, the last one no end; one more for a block begun in
// the bytes read before.
long long MostHitsIn(long long bytes) { return std::max(0LL, bytes + 1) / 3 + 1; }

void WidenAxis(double& lo, double& hi)
{
    if (hi - lo < 100.0) {
        double c = (lo + hi) / 2.0;
        lo = c - 50.0;
        hi = c + 50.0;
    }
}

// Reads the source to its end, or until cancelled (false).
bool ReadDrillSource(Gauge& gauge, ChunkSource& source, int layer, MyDataValue& value)
{
    value = MyDataValue{};
    const long long size = source.Size();
    gauge.SetMaximum(size);
    gauge.SetProgress(0);
    const bool drilled = ReadRolledBack(value, [&] {
        DrillParser parser(layer, value);
        long long progress = 0;
        bool counted = false;
        std::string_view chunk;
        while (source.Next(chunk)) {
            // Once the rest could hold more hits than the tables have room
            // for, they are counted first: a file too large is refused before
            // its hits take memory. Smaller files are not read twice.
            if (!counted && MostHitsIn(size - progress) > ElementRoom()) {
                counted = true;
                parser.CheckRoomAhead(chunk, source, gauge);
            }
            parser.Feed(chunk);
            progress += static_cast<long long>(chunk.size());
            gauge.SetProgress(progress);
            gauge.Pump();
            if (CancelRequested == 1) {
                CancelRequested = 0;
                return false;
            }
        }
        parser.Finish();
        gauge.SetProgress(size);
        gauge.Pump();
        // Nothing drilled: the header's tools and a G90/G91 leave no trace.
        return value.Count > 0;
    });
    if (!drilled) return false;
    WidenAxis(value.MinX, value.MaxX);
    WidenAxis(value.MinY, value.MaxY);
    return true;
}

} // namespace

std::string DrillDiameterText(const std::string& cWord, int units)
{
    if (units != 1) return cWord;
    return platform::FormatReal(RoundTo(4, LeadingNumber(cWord) * 25.4));
}

bool ReadNcDrillFile(Gauge& gauge, const std::string& path, int layer, MyDataValue& value)
{
    value = MyDataValue{};
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(std::filesystem::path(path), ec)) return false;
    if (!ValidLayer(layer)) return false;
    ChunkSource source(path);
    return ReadDrillSource(gauge, source, layer, value);
}

bool ReadNcDrillData(Gauge& gauge, std::string_view bytes, int layer, MyDataValue& value)
{
    value = MyDataValue{};
    if (!ValidLayer(layer)) return false;
    ChunkSource source(bytes);
    return ReadDrillSource(gauge, source, layer, value);
}

} // namespace core
