#include "core/GerberReader.h"

#include "core/ChunkSource.h"
#include "core/Geometry.h"
#include "core/GerberParameters.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

namespace core {

namespace fs = std::filesystem;

namespace {

bool StartsWith(std::string_view s, std::string_view p) { return s.size() >= p.size() && s.substr(0, p.size()) == p; }

// Counts, without making them, the elements the data ahead asks for until
// the step-and-repeat is set again: each flash and each stroke drawn with
// the pen down (an arc past 180° makes two, counted once). Blocks are cut as
// the reader cuts them; comments count nothing.
class ElementsAhead {
public:
    ElementsAhead(bool paramMode, int pen, int mode) : paramMode_(paramMode), pen_(pen), mode_(mode) {}

    // False once the step-and-repeat is set again.
    bool Feed(std::string_view bytes)
    {
        for (const char ch : bytes) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 33 || c > 122) continue;
            const bool comment = length_ >= 3 && head_[0] == 'G' && head_[1] == '0' && head_[2] == '4';
            if (c == '%' && !comment) {
                if (!EndBlock()) return false;
                paramMode_ = !paramMode_;
                continue;
            }
            if (c == '*') {
                if (!EndBlock()) return false;
                continue;
            }
            if (length_ < 3) head_[length_] = ch;
            ++length_;
            if (comment || paramMode_) continue;
            Word(ch);
        }
        return true;
    }

    long long Count() const { return count_; }

private:
    void Word(char ch)
    {
        if (ch >= '0' && ch <= '9') {
            value_ = std::min(value_ * 10 + (ch - '0'), 1000);
            digits_ = true;
            return;
        }
        if (ch == '+' || ch == '-' || ch == '.') return;
        Letter();
        letter_ = ch;
        if (ch == 'X' || ch == 'Y' || ch == 'I' || ch == 'J') coordinates_ = true;
    }

    // The word that ends: a G or D code takes effect.
    void Letter()
    {
        if (digits_ && letter_ == 'G') {
            if (value_ == 0) mode_ = 0;
            else if (value_ <= 3 || value_ == 20 || value_ == 21 || value_ == 30 || value_ == 31 || value_ == 37) mode_ = 1;
        } else if (digits_ && letter_ == 'D') {
            if (value_ == 1) pen_ = 1;
            else if (value_ == 2) pen_ = 0;
            else if (value_ == 3 || value_ == 9) flash_ = true;
        }
        letter_ = 0;
        value_ = 0;
        digits_ = false;
    }

    bool EndBlock()
    {
        bool more = true;
        if (paramMode_) {
            more = !(length_ >= 2 && head_[0] == 'S' && head_[1] == 'R');
        } else {
            Letter();
            if (flash_) {
                ++count_;
                pen_ = 0;
            } else if (coordinates_ && pen_ == 1 && mode_ >= 1) {
                ++count_;
            }
        }
        length_ = 0;
        letter_ = 0;
        value_ = 0;
        digits_ = coordinates_ = flash_ = false;
        return more;
    }

    bool paramMode_;
    int pen_, mode_;
    char head_[3] = {};
    std::size_t length_ = 0;
    char letter_ = 0;
    int value_ = 0;
    bool digits_ = false, coordinates_ = false, flash_ = false;
    long long count_ = 0;
};

const char* const TooManyCopiesText = "ステップ＆リピートによるデータ数が多すぎるため、読み込めません。";

// ----------------------------------------------------------- detection

// Byte classes of detection: 0 a byte of a block, 1 the end of a block, 2 "(",
// 3 a control byte that no text holds, 4 ";".
struct DetectTable {
    std::array<std::uint8_t, 256> cls{};
    constexpr DetectTable()
    {
        for (int c = 0; c < 32; ++c) cls[static_cast<std::size_t>(c)] = 3;
        cls[0x7F] = 3;
        for (char c : {'\t', '\f', '\v'}) cls[static_cast<unsigned char>(c)] = 0;
        for (char c : {'*', '\r', '\n'}) cls[static_cast<unsigned char>(c)] = 1;
        cls[static_cast<unsigned char>('(')] = 2;
        cls[static_cast<unsigned char>(';')] = 4;
    }
};
constexpr DetectTable detectTable;

class KindDetector {
public:
    // Feeds characters; true once the kind is decided.
    bool Feed(std::string_view chunk)
    {
        const auto& cls = detectTable.cls;
        const char* p = chunk.data();
        const char* const end = p + chunk.size();
        while (p < end) {
            if (closer_ != 0) {
                // A bracket comment runs to ")", a ";" remark to the line's
                // end, which also ends an unclosed bracket.
                while (p < end && *p != closer_ && *p != '\r' && *p != '\n' && !(limited_ && cls[Byte(*p)] == 3)) ++p;
                if (p == end) break;
                const char ch = *p++;
                if (ch == ')') {
                    closer_ = 0;
                    continue;
                }
                if (ch != '\r' && ch != '\n') return Done(fkAuto);
                closer_ = 0;
                if (Decide()) return true;
                continue;
            }
            // Empty blocks and line ends between blocks tell nothing.
            if (block_.empty()) {
                while (p < end && cls[Byte(*p)] == 1) ++p;
                if (p == end) break;
            }
            const char* q = p;
            while (q < end && cls[Byte(*q)] == 0) ++q;
            if (q != p) {
                if (Take(p, q)) return Done(fkAuto);
                p = q;
                if (p == end) break;
            }
            const char ch = *p++;
            switch (cls[Byte(ch)]) {
            case 1:
                if (Decide()) return true;
                break;
            case 2:
                closer_ = ')';
                break;
            case 4:
                // A drill file's remark, as its reader skips it; inside a
                // Gerber comment it is text.
                if (!IsG04(block_)) closer_ = '\n';
                else if (Take(p - 1, p)) return Done(fkAuto);
                break;
            default:
                // Zeros or binary past the beginning, comments included: no
                // text file holds them, and what follows tells nothing.
                if (limited_ || Take(p - 1, p)) return Done(fkAuto);
                break;
            }
        }
        return false;
    }

    // From here on only what can still tell the kind is followed: text
    // comments of any length, blank lines, and at most `blocks` other blocks
    // of at most `runBytes` each. True when the block under way already ends
    // the look.
    bool LimitFromHere(long long blocks, long long runBytes)
    {
        limited_ = true;
        otherLimit_ = otherBlocks_ + blocks;
        runLimit_ = runBytes;
        return TooLong() && Done(fkAuto);
    }

    int Finish()
    {
        if (!decided_ && !block_.empty()) Decide();
        return result_;
    }

private:
    static std::size_t Byte(char c) { return static_cast<unsigned char>(c); }
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

    // Adds bytes to the block under way; true when it has grown too long.
    bool Take(const char* from, const char* to)
    {
        const auto n = static_cast<std::size_t>(to - from);
        if (block_.size() < 4096) block_.append(from, std::min(n, 4096 - block_.size()));
        run_ += static_cast<long long>(n);
        return TooLong();
    }

    // A long block that is no comment: bytes without an end (a line of
    // nothing) can never tell the kind. A long comment is followed to its end.
    bool TooLong() const { return run_ > runLimit_ && !IsG04(block_); }

    // The block without the blanks before it, which the reader drops as well.
    static std::string_view Head(std::string_view b)
    {
        while (!b.empty() && IsBlank(b.front())) b.remove_prefix(1);
        return b;
    }

    // A comment, also indented or inside a parameter block.
    static bool IsG04(std::string_view b)
    {
        b = Head(b);
        if (!b.empty() && b.front() == '%') b = Head(b.substr(1));
        return b.size() > 2 && StartsWith(b, "G04");
    }

    bool Decide()
    {
        run_ = 0;
        if (block_.empty()) return false;
        const bool decided = DecideBlock(block_);
        block_.clear();
        return decided;
    }

    bool DecideBlock(std::string_view b)
    {
        // Blanks and the "%" of parameter blocks tell nothing.
        if (b.find_first_not_of("% \t\f\v") == std::string_view::npos) return false;
        if (IsG04(b)) return false;
        b = Head(b);
        if (StartsWith(b, "%AM") || StartsWith(b, "%AD") || StartsWith(b, "%FS") || StartsWith(b, "%MO")) return Done(fkRS274X);
        std::string_view trimmed = b;
        while (IsBlank(trimmed.back())) trimmed.remove_suffix(1);
        // An Excellon header: many drill files select no G05 or G81 at all.
        if (trimmed == "M48") excellonHeader_ = true;
        // Every other block that does not decide counts.
        if (++otherBlocks_ > otherLimit_) return Done(fkAuto);
        BlockWords w;
        using L = BlockWords;
        if (!SplitBlockWords(b, w)) return false;
        if (const std::string_view g = w[L::G]; !g.empty()) {
            if (WordIs(g, "00")) mode_ = 0;
            else if (WordIs(g, "01")) mode_ = 1;
            else if (WordIs(g, "02")) mode_ = 7;
            else if (WordIs(g, "03")) mode_ = 8;
            else if (WordIs(g, "05")) mode_ = 10;
            else if (WordIs(g, "80")) mode_ = 0;
            else if (WordIs(g, "81")) mode_ = 10;
            else if (WordIs(g, "54") && !w[L::D].empty()) return Done(fkRS274D);
        }
        if (!w[L::T].empty()) {
            double t = -1.0;
            if (platform::TryParseReal(w[L::T], t) && t >= 0 && t < 1000) tool_ = static_cast<int>(std::trunc(t));
            double c = 0.0;
            if (!w[L::C].empty() && platform::TryParseReal(w[L::C], c)) excellonHeader_ = true;
        }
        if (w[L::X].empty() && w[L::Y].empty() && w[L::I].empty() && w[L::J].empty()) return false;
        if (tool_ < 1) {
            if (WordIs(w[L::D], "01") || WordIs(w[L::D], "02")) return Done(fkRS274D);
            return false;
        }
        if (mode_ == 10 || (mode_ == 0 && excellonHeader_)) return Done(fkNcDrill);
        if (mode_ == 1 || mode_ == 7 || mode_ == 8) return Done(fkAuto);
        return false;
    }

    bool Done(int kind)
    {
        result_ = kind;
        decided_ = true;
        return true;
    }

    std::string block_;
    char closer_ = 0;               // in a comment: ")" of a bracket, "\n" of a remark
    int mode_ = 0;
    int tool_ = 0;
    bool excellonHeader_ = false;
    bool decided_ = false;
    int result_ = fkAuto;
    bool limited_ = false;          // past the beginning
    long long run_ = 0;             // bytes of the block under way, comments left out
    long long runLimit_ = std::numeric_limits<long long>::max();
    long long otherBlocks_ = 0;
    long long otherLimit_ = std::numeric_limits<long long>::max();
};

int DetectFromSource(ChunkSource& source)
{
    KindDetector detector;
    std::string_view chunk;
    bool first = true;
    // The beginning is looked at whole. Past it the look goes on only through
    // what can still tell the kind (comments, blank lines, a few other
    // blocks), so that a long comment head is read through, while gigabytes
    // of zeros or of lines that tell nothing are not read while the window waits.
    std::size_t left = DetectionBytes;
    bool limited = false;
    while (source.Next(chunk)) {
        // A UTF-8 byte-order mark is no part of the first block.
        if (first && chunk.size() >= 3 && chunk.substr(0, 3) == "\xEF\xBB\xBF") chunk.remove_prefix(3);
        first = false;
        if (left > 0) {
            const std::string_view head = chunk.substr(0, std::min(left, chunk.size()));
            left -= head.size();
            if (detector.Feed(head)) break;
            chunk.remove_prefix(head.size());
            if (chunk.empty()) continue;
        }
        if (!limited) {
            limited = true;
            if (detector.LimitFromHere(DetectionOtherBlocks, DetectionBlockBytes)) break;
        }
        if (detector.Feed(chunk)) break;
    }
    return detector.Finish();
}

// ------------------------------------------------------------- reading

// Line feeds in the text, eight bytes at a time: every chunk is counted, for
// the line a message names.
long long CountLineEnds(std::string_view text)
{
    constexpr std::uint64_t lows = 0x7F7F7F7F7F7F7F7FULL, ones = 0x0101010101010101ULL;
    constexpr std::uint64_t evenBytes = 0x00FF00FF00FF00FFULL;
    long long n = 0;
    std::size_t k = 0;
    while (k + 8 <= text.size()) {
        // A count per byte lane, summed before any lane can pass 255.
        std::uint64_t lanes = 0;
        for (int round = 0; round < 255 && k + 8 <= text.size(); ++round, k += 8) {
            std::uint64_t x;
            std::memcpy(&x, text.data() + k, 8);
            x ^= ones * '\n';
            // 1 in each byte that was a line feed, 0 in every other.
            lanes += (~(((x & lows) + lows) | x | lows)) >> 7;
        }
        const std::uint64_t pairs = (lanes & evenBytes) + ((lanes >> 8) & evenBytes);
        n += static_cast<long long>((pairs * 0x0001000100010001ULL) >> 48);
    }
    for (; k < text.size(); ++k) n += text[k] == '\n';
    return n;
}

// Boxes of apertures flashed at (0, 0), kept while the aperture table does not
// change: a macro's box walks all of its primitives.
// Characters at which a clean run of block text stops: dropped ones, "*" and "%".
struct CutTable {
    std::array<bool, 256> stop{};
    constexpr CutTable()
    {
        for (int c = 0; c < 256; ++c) stop[static_cast<std::size_t>(c)] = c < 33 || c > 122 || c == '*' || c == '%';
    }
};
constexpr CutTable cutTable;

class ApertureBoxCache {
public:
    void Invalidate() { ++generation_; }

    // False when the aperture has no box.
    bool Get(int d, MyBox& box)
    {
        if (!ValidApertureCode(d)) return false;
        const std::size_t i = static_cast<std::size_t>(d);
        if (generations_[i] != generation_) {
            ApertureBox(d, boxes_[i], 0.0, 0.0);
            generations_[i] = generation_;
        }
        box = boxes_[i];
        return box[0] <= box[1] && box[2] <= box[3];
    }

private:
    std::uint64_t generation_ = 1;
    std::array<std::uint64_t, MaxApertureCode + 1> generations_{};
    std::array<MyBox, MaxApertureCode + 1> boxes_{};
};

void GrowExtents(MyDataValue& value, const DataElement& e, ApertureBoxCache* cache)
{
    if (e.Kind == dkFlash && cache) {
        MyBox box;
        if (!cache->Get(e.Code, box)) return;
        const double x = e.X3, y = e.Y3;
        GrowExtentsToBox(value, box[0] + x, box[1] + x, box[2] + y, box[3] + y);
        return;
    }
    if (e.Kind == dkLine || e.Kind == dkRegionLine) {
        const MyAperture* a = ApertureAt(e.Code);
        const double hw = (a ? a->Size1 : 0.0) * 0.5;
        const double x0 = std::min(e.X1, e.X2) - hw, x1 = std::max(e.X1, e.X2) + hw;
        const double y0 = std::min(e.Y1, e.Y2) - hw, y1 = std::max(e.Y1, e.Y2) + hw;
        GrowExtentsToBox(value, x0, x1, y0, y1);
        return;
    }
    GrowFileExtents(value, e);
}

void Shift(DataElement& e, double dx, double dy)
{
    switch (e.Kind) {
    case dkSquareStroke:
        e.X3 += dx;
        e.Y3 += dy;
        e.X4 += dx;
        e.Y4 += dy;
        [[fallthrough]];
    case dkLine:
    case dkRegionLine:
        e.X1 += dx;
        e.Y1 += dy;
        e.X2 += dx;
        e.Y2 += dy;
        break;
    case dkFlash:
    case dkArcCCW:
    case dkArcCW:
    case dkRegionArcCCW:
    case dkRegionArcCW:
        e.X1 += dx;
        e.Y1 += dy;
        e.X2 += dx;
        e.Y2 += dy;
        e.X3 += dx;
        e.Y3 += dy;
        break;
    default:
        e.X3 += dx;
        e.Y3 += dy;
        break;
    }
}

void FlushPathImpl(std::vector<DataElement>& pending, MyDataValue& value, ApertureBoxCache* cache)
{
    const MyFormatPara& f = GerberFormat;
    if (pending.empty() || f.SrY < 1 || f.SrX < 1) {
        pending.clear();
        return;
    }
    const long long copies = static_cast<long long>(f.SrX) * f.SrY;
    const long long room = ElementRoom(), n = static_cast<long long>(pending.size());
    // Step-and-repeat is named only where the copies, not the file's own
    // elements, pass the limit.
    if (n > room) throw platform::Error(TooManyElementsText());
    if (copies > MaxStepRepeatCopies || copies * n > room) throw platform::Error(TooManyCopiesText);
    double yOffset = 0.0;
    for (std::int32_t row = 1; row <= f.SrY; ++row) {
        double xOffset = 0.0;
        for (std::int32_t column = 1; column <= f.SrX; ++column) {
            GroupCounter += 1;
            const bool moved = xOffset != 0.0 || yOffset != 0.0;
            for (const DataElement& p : pending) {
                DataElement e = p;
                if (moved) Shift(e, xOffset, yOffset);
                e.Group = GroupCounter;
                AppendElement(e);
                value.Count += 1;
                GrowExtents(value, e, cache);
            }
            xOffset += f.SrI;
        }
        yOffset += f.SrJ;
    }
    pending.clear();
}

class Reader {
public:
    Reader(Gauge& gauge, int layer, MyDataValue& value) : gauge_(gauge), layer_(layer), value_(value) {}

    // False when cancelled.
    bool Run(ChunkSource& source, long long size)
    {
        source_ = &source;
        ApertureMap.fill(0);
        ResetApertureReservations();
        MyFormatPara& f = GerberFormat;
        f.LayerName.clear();
        f.LpClear = 0;
        f.SrX = 1;
        f.SrY = 1;
        f.SrI = 0;
        f.SrJ = 0;
        gauge_.SetMaximum(size);
        gauge_.SetProgress(0);

        long long progress = 0;
        std::string_view chunk;
        while (!stopped_ && source.Next(chunk)) {
            Cut(chunk);
            lines_ = linesScanned_ + CountLineEnds(chunk.substr(scanned_));
            progress += static_cast<long long>(chunk.size());
            gauge_.SetProgress(progress);
            gauge_.Pump();
        }
        if (!pending_.empty()) FlushClosing();
        gauge_.SetProgress(size);
        gauge_.Pump();
        return !cancelled_;
    }

    bool DataMade() const { return dataMade_; }

private:
    // Cuts blocks: characters below 33 and above 122 are dropped, "*" ends a
    // block and stays in it, "%" ends one and toggles parameter mode, except
    // inside a G04 comment, where it is comment text (attributes written as
    // comments carry it). A block that arrives whole and clean is used in place;
    // one that does not is held until it ends, a comment's text never.
    void Cut(std::string_view buf)
    {
        std::size_t i = 0;
        const std::size_t n = buf.size();
        scanned_ = 0;
        linesScanned_ = lines_;
        while (i < n && !stopped_) {
            if (lookAhead_) CheckCopiesAhead(buf.substr(i));
            if (comment_) {
                const void* star = std::memchr(buf.data() + i, '*', n - i);
                if (!star) break;
                i = static_cast<std::size_t>(static_cast<const char*>(star) - buf.data()) + 1;
                comment_ = false;
                Process("G04*");
            } else if (partial_.empty()) {
                // Blank and line ends between blocks first, then the common
                // case: a clean run up to the next "*".
                while (i < n && static_cast<unsigned char>(buf[i]) < 33) ++i;
                if (i == n) break;
                if (const void* star = std::memchr(buf.data() + i, '*', n - i)) {
                    const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(star) - buf.data());
                    if (Clean(buf.data() + i, end - i)) {
                        Process(buf.substr(i, end + 1 - i));
                        i = end + 1;
                        continue;
                    }
                }
                const std::size_t s = i;
                unsigned char c = 0;
                while (i < n && !cutTable.stop[static_cast<unsigned char>(buf[i])]) ++i;
                if (i < n) c = static_cast<unsigned char>(buf[i]);
                if (i == n) {
                    Hold(buf, s, n);
                    break;
                }
                if (c == '*') {
                    Process(buf.substr(s, i + 1 - s));
                } else if (c == '%' && !StartsWith(buf.substr(s, i - s), "G04")) {
                    Percent(buf.substr(s, i - s));
                } else {
                    Hold(buf, s, i);
                }
                ++i;
            } else {
                const unsigned char c = static_cast<unsigned char>(buf[i++]);
                if (c == '%') {
                    Percent(partial_);
                    partial_.clear();
                } else if (c >= 33 && c <= 122) {
                    partial_.push_back(static_cast<char>(c));
                    if (c == '*') {
                        Process(partial_);
                        partial_.clear();
                    } else {
                        CheckHeld();
                    }
                }
            }
        }
        if (lookAhead_ && !stopped_) CheckCopiesAhead(buf.substr(std::min(i, n)));
    }

    // Starts holding the block buf[from, to), its line remembered for the
    // message should it never end.
    void Hold(std::string_view buf, std::size_t from, std::size_t to)
    {
        partial_.assign(buf.substr(from, to - from));
        // Line ends are counted once per chunk, however many blocks it holds.
        linesScanned_ += CountLineEnds(buf.substr(scanned_, from - scanned_));
        scanned_ = from;
        blockLine_ = linesScanned_ + 1;
        CheckHeld();
    }

    // A comment is skipped, not held; a block longer than any real one ends
    // the read instead of taking memory without bound.
    void CheckHeld()
    {
        if (partial_.size() >= 3 && partial_[0] == 'G' && partial_[1] == '0' && partial_[2] == '4') {
            partial_.clear();
            comment_ = true;
        } else if (partial_.size() > MaxBlockBytes) {
            throw platform::Error(std::to_string(blockLine_) + " 行目から始まるブロックが長すぎるため読み込めません（「*」のないまま " +
                                  std::to_string(MaxBlockBytes >> 20) + " MB を超えています）。");
        }
    }

    // A step-and-repeat that asks for more elements than the data can hold
    // is refused before its first copy is made, not once memory for all it
    // may hold has been taken.
    void CheckCopiesAhead(std::string_view rest)
    {
        lookAhead_ = false;
        const MyFormatPara& f = GerberFormat;
        const long long copies = static_cast<long long>(f.SrX) * f.SrY;
        ElementsAhead ahead(paramMode_, pen_, mode_);
        if (ahead.Feed(rest)) source_->LookAhead([&ahead](std::string_view bytes) { return ahead.Feed(bytes); });
        const long long room = ElementRoom();
        if (ahead.Count() > room) throw platform::Error(TooManyElementsText());
        if (ahead.Count() > 0 && (copies > MaxStepRepeatCopies || ahead.Count() > room / copies))
            throw platform::Error(TooManyCopiesText);
    }

    // True when no byte of p[0..n) stops a clean run (below 33, above 122, "%");
    // eight bytes at a time.
    static bool Clean(const char* p, std::size_t n)
    {
        constexpr std::uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
        std::size_t k = 0;
        std::uint64_t bad = 0;
        for (; k + 8 <= n; k += 8) {
            std::uint64_t x;
            std::memcpy(&x, p + k, 8);
            const std::uint64_t below = (x - ones * 33) & ~x;        // some byte < 33 (or >= 128)
            const std::uint64_t above = (x + ones * (127 - 122)) | x; // some byte > 122 (or >= 128)
            const std::uint64_t pc = x ^ (ones * '%');
            const std::uint64_t percent = (pc - ones) & ~pc;        // some byte == '%'
            bad |= (below | above | percent) & highs;
        }
        if (bad) return false;
        for (; k < n; ++k) {
            const unsigned char c = static_cast<unsigned char>(p[k]);
            if (cutTable.stop[c]) return false;
        }
        return true;
    }

    void Percent(std::string_view block)
    {
        if (!paramMode_) {
            paramMode_ = true;
            paramEnd_ = false;
        } else {
            paramEnd_ = true;
            if (gathering_) macroComplete_ = true;
        }
        Process(block);
    }

    void Process(std::string_view block)
    {
        if (block.size() > 2 && block[0] == 'G' && block[1] == '0' && block[2] == '4') block = {};
        if (paramMode_) ParameterBlock(block);
        else DataBlock(block);
        if (CancelRequested == 1) {
            stopped_ = true;
            cancelled_ = true;
        }
    }

    void ParameterBlock(std::string_view block)
    {
        if (!pending_.empty()) Flush();
        if (block.size() > 2 && StartsWith(block, "AM")) {
            macroText_.clear();
            gathering_ = true;
            macroComplete_ = false;
        }
        std::string text;
        if (gathering_) {
            macroText_.append(block);
            if (macroText_.size() > MaxBlockBytes) {
                const std::string_view name = std::string_view(macroText_).substr(2);
                throw platform::Error("アパーチャーマクロ「" + platform::QuotedValue(name.substr(0, name.find('*'))) +
                                      "」が長すぎるため読み込めません（" + std::to_string(MaxBlockBytes >> 20) +
                                      " MB を超えています）。");
            }
            if (macroComplete_) {
                text.swap(macroText_);
                gathering_ = false;
            }
        } else {
            text.assign(block);
        }
        if (!gathering_) {
            ReadGerberParameter(text, true);
            if (StartsWith(text, "SR") && static_cast<long long>(GerberFormat.SrX) * GerberFormat.SrY > 1) lookAhead_ = true;
            boxes_.Invalidate();
            if (GerberFormat.LayerName != lastLayerName_) {
                lastLayerName_ = GerberFormat.LayerName;
                section_ += 1;
                AddSectionMarker(section_);
                markerIndex_ = DataCount - 1;
            }
        }
        if (paramEnd_) paramMode_ = false;
    }

    double Coordinate(std::string_view text) const
    {
        const MyFormatPara& f = GerberFormat;
        return FastParseCoordinate(text, f.Zero, f.IntDigits, f.DecDigits, f.Units);
    }

    static bool ParseDCode(std::string_view v, long long& n)
    {
        if (!v.empty() && v.size() <= 9 && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            n = 0;
            for (char c : v) n = n * 10 + (c - '0');
            return true;
        }
        double d = 0.0;
        if (!platform::TryParseReal(v, d) || !std::isfinite(d) || std::fabs(d) > 1e9) return false;
        n = static_cast<long long>(std::trunc(d));
        return true;
    }

    void DataBlock(std::string_view block)
    {
        BlockWords w;
        if (!SplitBlockWords(block, w)) return;
        MyFormatPara& f = GerberFormat;
        if (!w[BlockWords::G].empty()) {
            const std::string_view g = w[BlockWords::G];
            if (WordIs(g, "00")) mode_ = 0;
            else if (WordIs(g, "01")) mode_ = 1;
            else if (WordIs(g, "02") || WordIs(g, "20") || WordIs(g, "21")) mode_ = 7;
            else if (WordIs(g, "03") || WordIs(g, "30") || WordIs(g, "31")) mode_ = 6;
            else if (WordIs(g, "36") || WordIs(g, "37")) {
                // A region's contours end here: nothing joins them across.
                if (!pending_.empty()) FlushClosing();
                region_ = WordIs(g, "36");
                if (!region_) mode_ = 1;
            } else if (WordIs(g, "74")) f.CircleMode = 1;
            else if (WordIs(g, "75")) f.CircleMode = 0;
            else if (WordIs(g, "90")) f.AbsInc = 0;
            else if (WordIs(g, "91")) f.AbsInc = 1;
            // The old unit codes still open files that have no %MO.
            else if (WordIs(g, "70")) f.Units = 1;
            else if (WordIs(g, "71")) f.Units = 0;
        }
        bool flash = false, move = false;
        if (!w[BlockWords::D].empty()) {
            const std::string_view d = w[BlockWords::D];
            if (WordIs(d, "01")) pen_ = 1;
            else if (WordIs(d, "02")) pen_ = 0, move = true;
            else if (WordIs(d, "03") || WordIs(d, "09")) flash = true;
            else {
                long long n = 0;
                if (ParseDCode(d, n)) {
                    if (n >= FirstSearchCode && n <= MaxApertureCode) {
                        const std::int32_t mapped = ApertureMap[static_cast<std::size_t>(n)];
                        aperture_ = mapped > 9 ? mapped : static_cast<int>(n);
                        MaxDCode = std::max(MaxDCode, aperture_);
                        if (MyAperture* a = ApertureAt(aperture_)) a->Used = 1;
                    }
                }
            }
        }
        const std::string_view x = w[BlockWords::X], y = w[BlockWords::Y];
        const bool coordinates = !x.empty() || !y.empty() || !w[BlockWords::I].empty() || !w[BlockWords::J].empty();
        if (coordinates) {
            nx_ = x.empty() ? px_ : Coordinate(x) + (f.AbsInc == 1 ? px_ : f.OffsetX);
            ny_ = y.empty() ? py_ : Coordinate(y) + (f.AbsInc == 1 ? py_ : f.OffsetY);
        }
        if (flash) {
            if (!pending_.empty()) Flush();
            DataElement e;
            MakeFlash(e, aperture_, layer_, f.LpClear, nx_, ny_);
            if (f.SrX == 1 && f.SrY == 1 && DataCount < MaxElementCount) {
                // One copy: straight in, as FlushPath would put it.
                GroupCounter += 1;
                e.Group = GroupCounter;
                AppendElement(e);
                value_.Count += 1;
                GrowExtents(value_, e, &boxes_);
            } else {
                pending_.push_back(e);
                Flush();
            }
            pen_ = 0;
            dataMade_ = true;
        } else if (coordinates && pen_ == 1 && mode_ >= 1) {
            dataMade_ = true;
            if (mode_ == 1) {
                AddStraight();
            } else if (mode_ == 6 || mode_ == 7) {
                AddArc(w);
            }
            // A path of strokes that returns to its start is closed there. A
            // region's contour ends only at D02 or G37: a cut-in passes
            // through its start point on the way in and out of a hole.
            if (!region_ && !pending_.empty()) {
                const DataElement& first = pending_.front();
                const DataElement& last = pending_.back();
                if (Distance(last.X2, last.Y2, first.X1, first.Y1) <= 0.0004) FlushClosing();
            }
        } else if ((coordinates || (move && region_)) && !pending_.empty()) {
            FlushClosing();
        }
        if (coordinates) {
            px_ = nx_;
            py_ = ny_;
        }
    }

    void AddArc(const BlockWords& w)
    {
        const double iv = w[BlockWords::I].empty() ? 0.0 : Coordinate(w[BlockWords::I]);
        const double jv = w[BlockWords::J].empty() ? 0.0 : Coordinate(w[BlockWords::J]);
        const int kind = region_ ? (mode_ == 6 ? dkRegionArcCCW : dkRegionArcCW) : mode_;
        const bool ccw = kind == dkArcCCW || kind == dkRegionArcCCW;
        double cx = px_ + iv, cy = py_ + jv, sweep = 0;
        if (GerberFormat.CircleMode == 1) {
            SingleQuadrantCentre(iv, jv, ccw, cx, cy, sweep);
            // Ends closer than directions from the centre are told apart
            // (0.001 each way): the chord, from which a quarter arc at most
            // strays by a fifth of its length.
            if (std::fabs(nx_ - px_) <= 0.002 && std::fabs(ny_ - py_) <= 0.002) {
                AddStraight();
                return;
            }
        } else {
            sweep = ArcSweep(ccw ? "CCW" : "CW", px_, py_, nx_, ny_, cx, cy);
        }
        const double radius = Distance(cx, cy, px_, py_);
        const int code = region_ ? 0 : aperture_;
        const std::uint8_t clear = GerberFormat.LpClear;
        DataElement e;
        if (sweep <= 180.0 + 0.004) {
            MakeArc(e, kind, layer_, clear, code, px_, py_, nx_, ny_, cx, cy, radius);
            Pend(e);
        } else {
            double mx = 0, my = 0;
            ArcMidPoint(kind, mx, my, radius, cx, cy, px_, py_, nx_, ny_);
            MakeArc(e, kind, layer_, clear, code, px_, py_, mx, my, cx, cy, radius);
            Pend(e);
            MakeArc(e, kind, layer_, clear, code, mx, my, nx_, ny_, cx, cy, radius);
            Pend(e);
        }
    }

    // A stroke, or a region edge, from the previous point to the new one.
    void AddStraight()
    {
        DataElement e;
        if (region_) {
            e.Kind = dkRegionLine;
            e.Layer = layer_;
            e.Clear = GerberFormat.LpClear;
            e.X1 = px_;
            e.Y1 = py_;
            e.X2 = nx_;
            e.Y2 = ny_;
        } else {
            MakeStroke(e, aperture_, layer_, GerberFormat.LpClear, px_, py_, nx_, ny_);
        }
        Pend(e);
    }

    // A path that never closes is refused once it holds more than the tables
    // have room for, not when it ends, after taking memory for all of it.
    void Pend(const DataElement& e)
    {
        if (static_cast<long long>(pending_.size()) >= ElementRoom()) throw platform::Error(TooManyElementsText());
        pending_.push_back(e);
    }

    // In single-quadrant mode I and J are unsigned: the centre is the one of
    // the four sign choices that makes an arc of at most 90° in the stated
    // direction with both ends at one distance from it, the smallest
    // mismatch of distances among several. A file that breaks the rule gets
    // the shortest arc whose ends fit, else the best fit. `sweep` in degrees.
    void SingleQuadrantCentre(double iv, double jv, bool ccw, double& cx, double& cy, double& sweep) const
    {
        const double ai = std::fabs(iv), aj = std::fabs(jv);
        const double tolerance = std::max(0.03, 0.01 * std::hypot(ai, aj));
        int bestRank = 3;
        double bestKey = HUGE_VAL;
        for (int k = 0; k < 4; ++k) {
            const double x = px_ + ((k & 1) ? -ai : ai), y = py_ + ((k & 2) ? -aj : aj);
            const double mismatch = std::fabs(std::hypot(px_ - x, py_ - y) - std::hypot(nx_ - x, ny_ - y));
            double start = 0, turn = 0;
            ArcStartAndSweep(ccw ? dkArcCCW : dkArcCW, x, y, px_, py_, nx_, ny_, start, turn);
            turn = std::fabs(turn) * 180.0 / 3.14159265358979323846;
            const bool fits = mismatch <= tolerance;
            // Rounded coordinates may make a quarter a little more.
            const int rank = fits && turn <= 90.0 + 5.0 ? 0 : fits ? 1 : 2;
            const double key = rank == 1 ? turn : mismatch;
            if (rank < bestRank || (rank == bestRank && key < bestKey)) {
                bestRank = rank;
                bestKey = key;
                cx = x;
                cy = y;
                sweep = turn;
            }
        }
    }

    void Flush() { FlushPathImpl(pending_, value_, &boxes_); }

    void FlushClosing()
    {
        Flush();
        if (GerberFormat.LpClear == 1 && markerIndex_ >= 0 && markerIndex_ < DataCount)
            Datas[static_cast<std::size_t>(markerIndex_)].Clear = 1;
    }

    Gauge& gauge_;
    const int layer_;
    MyDataValue& value_;
    ApertureBoxCache boxes_;
    ChunkSource* source_ = nullptr;
    bool lookAhead_ = false;

    std::string partial_;
    bool comment_ = false;          // inside a G04 comment, up to its "*"
    long long lines_ = 0;           // line ends before the current chunk
    long long blockLine_ = 0;       // the line the held block starts on
    std::size_t scanned_ = 0;       // line ends of the chunk counted up to here
    long long linesScanned_ = 0;
    bool stopped_ = false, cancelled_ = false;
    int mode_ = 1;
    int pen_ = 0;
    bool region_ = false;
    int aperture_ = 0;
    double px_ = 0, py_ = 0, nx_ = 0, ny_ = 0;
    std::vector<DataElement> pending_;
    bool paramMode_ = false, paramEnd_ = false;
    bool gathering_ = false, macroComplete_ = false;
    std::string macroText_;
    std::string lastLayerName_;
    int section_ = 0;
    std::int64_t markerIndex_ = -1;
    bool dataMade_ = false;
};

bool ReadWithRollback(Gauge& gauge, ChunkSource& source, long long size, int layer, MyDataValue& value)
{
    value = MyDataValue{};
    // Nothing of a failed or cancelled read may be left for the next layer.
    return ReadRolledBack(value, [&] {
        Reader reader(gauge, layer, value);
        const bool completed = reader.Run(source, size);
        if (!completed) CancelRequested = 0;
        return completed && reader.DataMade();
    });
}

} // namespace

// -------------------------------------------------------- block helpers

namespace {

// Character classes of block words: 0 other, 1 value character, 2 + k the
// word letter k of C, D, G, I, J, M, T, X, Y.
struct WordTable {
    std::array<std::uint8_t, 256> cls{};
    constexpr WordTable()
    {
        for (char c : {'+', '-', '.', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9'})
            cls[static_cast<unsigned char>(c)] = 1;
        const char letters[] = {'C', 'D', 'G', 'I', 'J', 'M', 'T', 'X', 'Y'};
        for (std::uint8_t k = 0; k < 9; ++k) cls[static_cast<unsigned char>(letters[k])] = static_cast<std::uint8_t>(2 + k);
    }
};
constexpr WordTable wordTable;

} // namespace

bool SplitBlockWords(std::string_view block, BlockWords& words)
{
    words.present = 0;
    const std::size_t n = block.size();
    if (n < 2) return false;
    const char* p = block.data();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t k = wordTable.cls[static_cast<unsigned char>(p[i])];
        ++i;
        if (k < 2) continue;
        // A word: its value runs over the value characters that follow. A
        // letter at the very end starts no word.
        const std::size_t start = i;
        while (i < n && wordTable.cls[static_cast<unsigned char>(p[i])] == 1) ++i;
        if (start == n) break;
        words.span[k - 2] = {p + start, i - start};
        words.present |= 1u << (k - 2);
    }
    return words.present != 0;
}

bool WordIs(std::string_view value, const char (&code)[3])
{
    if (value.size() == 1) return code[0] == '0' && code[1] == value[0];
    return value.size() == 2 && value[0] == code[0] && value[1] == code[1];
}

double FastParseCoordinate(std::string_view text, int zeroMode, int intDigits, int decDigits, int units)
{
    static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (text.empty() || (zeroMode != 0 && zeroMode != 1)) return ParseCoordinate(text, zeroMode, intDigits, decDigits, units);
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    const bool negative = p[0] == '-';
    if (negative || p[0] == '+') i = 1;
    std::uint64_t mantissa = 0;
    const std::size_t first = i;
    while (i + 1 < n && static_cast<unsigned>(p[i] - '0') < 10u && static_cast<unsigned>(p[i + 1] - '0') < 10u) {
        mantissa = mantissa * 100 + static_cast<unsigned>(p[i] - '0') * 10 + static_cast<unsigned>(p[i + 1] - '0');
        i += 2;
    }
    if (i < n && static_cast<unsigned>(p[i] - '0') < 10u) mantissa = mantissa * 10 + static_cast<unsigned>(p[i++] - '0');
    int digits = static_cast<int>(i - first), fraction = 0;
    bool point = false;
    if (i < n) {
        if (p[i] != '.') return ParseCoordinate(text, zeroMode, intDigits, decDigits, units);
        point = true;
        const std::size_t f = ++i;
        while (i < n && static_cast<unsigned>(p[i] - '0') < 10u) mantissa = mantissa * 10 + static_cast<unsigned>(p[i++] - '0');
        fraction = static_cast<int>(i - f);
        digits += fraction;
        if (i < n) return ParseCoordinate(text, zeroMode, intDigits, decDigits, units);
    }
    // Beyond 15 digits the mantissa is no longer exact in a double.
    if (digits == 0 || digits > 15) return ParseCoordinate(text, zeroMode, intDigits, decDigits, units);
    // Both operands exact: one correctly rounded division or product gives
    // the same double as converting the decimal text.
    double v;
    const double m = static_cast<double>(mantissa);
    if (point) {
        v = m / powers[fraction];
    } else if (zeroMode == 0) {
        v = m / powers[std::clamp(decDigits, 0, 20)];
    } else {
        if (digits == 1 && mantissa == 0) {
            v = 0.0;
        } else {
            const int shift = std::clamp(intDigits, 0, 20) - digits;
            if (shift >= 0) v = m * powers[shift];
            else if (-shift <= 22) v = m / powers[-shift];
            else return ParseCoordinate(text, zeroMode, intDigits, decDigits, units);
        }
    }
    if (negative) v = -v;
    if (units == 0) return v;
    if (units == 1) return v * 25.4;
    return 0.0;
}

// ------------------------------------------------------------ builders

void MakeFlash(DataElement& e, int code, int layer, std::uint8_t clear, double x, double y)
{
    e = DataElement{};
    e.Kind = dkFlash;
    e.Code = code;
    e.Layer = layer;
    e.Clear = clear;
    e.X1 = e.X2 = e.X3 = x;
    e.Y1 = e.Y2 = e.Y3 = y;
}

void MakeStroke(DataElement& e, int code, int layer, std::uint8_t clear, double x1, double y1, double x2, double y2)
{
    e = DataElement{};
    e.Code = code;
    e.Layer = layer;
    e.Clear = clear;
    const MyAperture* a = ApertureAt(code);
    if (a && a->Shape == apSquare) {
        e.Kind = dkSquareStroke;
        const double r = a->Size1 * 0.5 * 1.4142;
        const double t = Direction(x1, y1, x2, y2);
        // The corners at ±45° and ±135° from the direction, from one sine and
        // cosine: r∠(θ + φ) with cos φ, sin φ = ±√2/2.
        const double k = r * 0.70710678118654752440;
        const double c = std::cos(t) * k, s = std::sin(t) * k;
        e.X1 = RoundTo(4, x1 - c - s);
        e.Y1 = RoundTo(4, y1 + c - s);
        e.X2 = RoundTo(4, x2 + c - s);
        e.Y2 = RoundTo(4, y2 + s + c);
        e.X3 = RoundTo(4, x2 + c + s);
        e.Y3 = RoundTo(4, y2 + s - c);
        e.X4 = RoundTo(4, x1 - c + s);
        e.Y4 = RoundTo(4, y1 - s - c);
    } else {
        e.Kind = dkLine;
        e.X1 = x1;
        e.Y1 = y1;
        e.X2 = x2;
        e.Y2 = y2;
    }
}

void MakeArc(DataElement& e, int kind, int layer, std::uint8_t clear, int code, double sx, double sy, double ex,
             double ey, double cx, double cy, double radius)
{
    e = DataElement{};
    e.Kind = kind;
    e.Layer = layer;
    e.Clear = clear;
    e.Code = code;
    e.X1 = sx;
    e.Y1 = sy;
    e.X2 = ex;
    e.Y2 = ey;
    e.X3 = cx;
    e.Y3 = cy;
    e.X4 = std::isfinite(radius) ? RoundTo(4, radius) : 0.0;
    e.Y4 = 0.0;
}

void AddSectionMarker(int section)
{
    DataElement e;
    e.Kind = dkSection;
    e.Layer = section;
    AppendElement(e);
}

void FlushPath(std::vector<DataElement>& pending, MyDataValue& value) { FlushPathImpl(pending, value, nullptr); }

// ------------------------------------------------------------ entry points

int DetectFileKindOfBytes(std::string_view bytes)
{
    ChunkSource source(bytes);
    return DetectFromSource(source);
}

int DetectFileType(const std::string& path)
{
    // A folder, FIFO or unreadable file is of no kind, whatever its name.
    const platform::InputProblem problem = platform::CheckInputFile(path, true);
    if (problem == platform::InputProblem::Missing) return fkMissing;
    if (problem != platform::InputProblem::None) return fkAuto;
    const std::string ext = fs::path(path).extension().string();
    if (ext == ".tso") return fkOldProject;
    if (ext == ".tsn") return fkProject;
    try {
        ChunkSource source(path);
        return DetectFromSource(source);
    } catch (const platform::Error&) {
        return fkAuto;
    }
}

bool ReadGerberFile(Gauge& gauge, const std::string& path, int layer, MyDataValue& value)
{
    value = MyDataValue{};
    if (!PathExists(path)) return false;
    ChunkSource source(path);
    return ReadWithRollback(gauge, source, source.Size(), layer, value);
}

bool ReadGerberData(Gauge& gauge, std::string_view bytes, int layer, MyDataValue& value)
{
    ChunkSource source(bytes);
    return ReadWithRollback(gauge, source, static_cast<long long>(bytes.size()), layer, value);
}

} // namespace core
