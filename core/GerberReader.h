#pragma once
// File kind detection and the Gerber block reader (RS-274D and RS-274X): one
// file becomes one layer of elements in Datas.
#include "core/Datas.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// −1 missing, 0 undetermined, 1 RS-274D, 2 NC drill, 3 earlier-edition
// project, 4 project, 5 RS-274X.
int DetectFileType(const std::string& path);
// The same decision over file contents already in memory (no extension rules).
int DetectFileKindOfBytes(std::string_view bytes);

// Appends the file's elements as layer `layer`. True when at least one element
// was made and the read was not cancelled. A failed or cancelled read leaves
// every table as it was; errors (unreadable file, a coordinate that is not a
// number, elements or step-and-repeat copies that would pass MaxElementCount,
// a block longer than MaxBlockBytes) throw platform::Error after the tables
// are put back.
bool ReadGerberFile(Gauge& gauge, const std::string& path, int layer, MyDataValue& value);
// The same over contents already in memory.
bool ReadGerberData(Gauge& gauge, std::string_view bytes, int layer, MyDataValue& value);

void MakeFlash(DataElement& e, int code, int layer, std::uint8_t clear, double x, double y);
void MakeStroke(DataElement& e, int code, int layer, std::uint8_t clear, double x1, double y1, double x2, double y2);
void MakeArc(DataElement& e, int kind, int layer, std::uint8_t clear, int code, double sx, double sy, double ex,
             double ey, double cx, double cy, double radius);
void AddSectionMarker(int section);
// Moves the pending path into Datas, repeated by the step-and-repeat setting,
// and empties it.
void FlushPath(std::vector<DataElement>& pending, MyDataValue& value);

// The bytes at the start of a file that detection reads whatever they hold:
// real files show their kind within the first few kilobytes. Past them it
// follows comments of any length and blank lines, and other blocks (a long
// head of attributes, pads flashed before the first draw, comments wrapped
// over lines), but no more than DetectionOtherBlocks of those, none longer
// than DetectionBlockBytes, and no control byte: what tells nothing there
// (zeros, binary, a line of nothing, endless lines of junk) is of no kind.
inline constexpr std::size_t DetectionBytes = std::size_t{1} << 20;
inline constexpr long long DetectionOtherBlocks = 100'000;
inline constexpr long long DetectionBlockBytes = 64 * 1024;

// The longest block of a Gerber file, or line of a drill file, that is read:
// the longest of real boards (aperture macros of outlines among them) are a
// few kilobytes at most. A longer one fails the read instead of taking
// memory without bound.
inline constexpr std::size_t MaxBlockBytes = std::size_t{4} << 20;

// ---- block helpers of the reader, equivalent to SplitBlock and
// ParseCoordinate but without building strings

// The words of one block as views into it. C, D, G, M and T hold the value
// as written: a one-character value stands for "0" + that character.
struct BlockWords {
    enum Letter : unsigned { C, D, G, I, J, M, T, X, Y };
    struct Span {
        const char* p;
        std::size_t n;
    };
    Span span[9];               // valid where `present` has the letter's bit
    std::uint32_t present = 0;
    std::string_view operator[](Letter k) const
    {
        return (present >> k) & 1u ? std::string_view(span[k].p, span[k].n) : std::string_view{};
    }
};
bool SplitBlockWords(std::string_view block, BlockWords& words);
// True when a C, D, G, M or T value equals the two-character code (⟨1⟩ equals "01").
bool WordIs(std::string_view value, const char (&code)[3]);
// ParseCoordinate without allocations for the common forms.
double FastParseCoordinate(std::string_view text, int zeroMode, int intDigits, int decDigits, int units);

} // namespace core
