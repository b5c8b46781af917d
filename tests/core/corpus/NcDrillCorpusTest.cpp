// Every file of the corpus through the drill reader: nothing crashes, and the
// hits of each drill file agree with a plain count of its coordinate lines.
#include "core/NcDrillReader.h"

#include "core/ChunkSource.h"
#include "core/GerberReader.h"
#include "platform/Error.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <unistd.h>

using namespace core;
namespace fs = std::filesystem;

namespace {

const fs::path Corpus = TESSEL2_CORPUS;

std::vector<fs::path> CorpusFiles()
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(Corpus, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file()) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digits after the first `letter` that is followed by a digit; empty
// when there is none.
std::string DigitsAfter(const std::string& line, char letter)
{
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        if (line[i] != letter || !IsDigit(line[i + 1])) continue;
        std::size_t j = i + 1;
        while (j < line.size() && IsDigit(line[j])) ++j;
        return line.substr(i + 1, j - i - 1);
    }
    return {};
}

// "T<n>", then any "F<n>", "S<n>" or "B<n>", then "C" and a size.
bool IsToolDefinition(const std::string& line)
{
    std::size_t i = 0;
    if (line.empty() || line[0] != 'T') return false;
    for (i = 1; i < line.size() && IsDigit(line[i]); ++i) {}
    if (i == 1) return false;
    while (i < line.size() && (line[i] == 'F' || line[i] == 'S' || line[i] == 'B')) {
        std::size_t j = i + 1;
        while (j < line.size() && IsDigit(line[j])) ++j;
        if (j == i + 1) return false;
        i = j;
    }
    return i + 1 < line.size() && line[i] == 'C' && (IsDigit(line[i + 1]) || line[i + 1] == '.');
}

bool HasCoordinate(const std::string& line)
{
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        if (line[i] != 'X' && line[i] != 'Y') continue;
        std::size_t j = i + 1;
        if (line[j] == '+' || line[j] == '-') ++j;
        if (j < line.size() && (IsDigit(line[j]) || line[j] == '.')) return true;
    }
    return false;
}

// The hits per tool number of the file, counted line by line: a tool is
// selected by T<n>, drilling is switched off by G00 or G80 and on by G05 or
// G81, and every other line with an X or Y value under a selected tool is one
// hit, but for the zero set G93.
struct LineCount {
    bool excellon = false;  // a header or a tool definition was seen
    std::map<int, int> hits;
    int total = 0;
};

LineCount CountCoordinateLines(const std::string& bytes)
{
    LineCount count;
    int current = 0;
    bool drilling = true;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find(';'));
        std::string kept;
        bool bracket = false;
        for (char c : line) {
            if (bracket) bracket = c != ')';
            else if (c == '(') bracket = true;
            else kept.push_back(c);
        }
        line = kept;
        if (line.rfind("M48", 0) == 0) count.excellon = true;
        if (line.rfind("G04", 0) == 0 || line.find('%') != std::string::npos || line.find('*') != std::string::npos)
            continue;
        std::string g = DigitsAfter(line, 'G');
        if (!g.empty()) {
            int n = std::stoi(g);
            if (n == 0 || n == 80) drilling = false;
            if (n == 5 || n == 81) drilling = true;
        }
        if (IsToolDefinition(line)) count.excellon = true;
        std::string t = DigitsAfter(line, 'T');
        if (!t.empty() && t.size() < 4) current = std::stoi(t);
        if (current > 0 && drilling && HasCoordinate(line) && g != "93") {
            count.hits[current] += 1;
            count.total += 1;
        }
    }
    return count;
}

TEST(NcDrillCorpus, EveryFileReadsWithoutACrashAndDrillFilesCountTheirLines)
{
    Gauge gauge;
    int drillFiles = 0;
    for (const fs::path& file : CorpusFiles()) {
        SCOPED_TRACE(file.string());
        ResetTables();
        DrillFormat = MyFormatPara{};
        DrillFormat.NumberFormat = "000.000";
        std::string bytes = platform::ReadFileBytes(file);
        MyDataValue value;
        bool ok = false;
        try {
            ok = ReadNcDrillFile(gauge, file.string(), 1, value);
        } catch (const platform::Error&) {
            // A Gerber file may hold text that is no drill coordinate: a
            // clean failure, with nothing left behind.
            EXPECT_EQ(DataCount, 0);
            continue;
        }
        EXPECT_EQ(ok, value.Count > 0);
        EXPECT_EQ(DataCount, value.Count);
        if (!ok) continue;
        EXPECT_LE(value.MinX, value.MaxX - 100.0 + 1e-9);
        EXPECT_LE(value.MinY, value.MaxY - 100.0 + 1e-9);

        LineCount expected = CountCoordinateLines(bytes);
        if (!expected.excellon || bytes.find("%FS") != std::string::npos) continue;
        drillFiles += 1;
        EXPECT_EQ(value.Count, expected.total);
        for (auto [t, n] : expected.hits) {
            ASSERT_TRUE(ValidToolCode(t));
            EXPECT_EQ(Tools[static_cast<std::size_t>(t)].Hits, n) << "T" << t;
        }
        for (std::int32_t i = 0; i < DataCount; ++i) {
            const DataElement& e = Datas[static_cast<std::size_t>(i)];
            ASSERT_EQ(e.Kind, dkDrill);
            ASSERT_TRUE(ValidToolCode(e.Code) && e.Code > 0);
        }
    }
    // Plated and non-plated files of the boards, the single-feature files and
    // the older boards' drill files.
    EXPECT_GE(drillFiles, 40);
}

// What a read leaves: its result, the elements bit for bit, the tools.
std::string ReadOutcome(const std::function<bool(MyDataValue&)>& read)
{
    ResetTables();
    DrillFormat = MyFormatPara{};
    DrillFormat.NumberFormat = "000.000";
    MyDataValue value;
    std::ostringstream out;
    try {
        out << read(value);
    } catch (const platform::Error& e) {
        out << e.what();
    }
    auto bits = [&out](double d) { out << ' ' << std::bit_cast<std::uint64_t>(d); };
    out << ' ' << value.Count << ' ' << DrillFormat.AbsInc;
    for (double d : {value.MinX, value.MaxX, value.MinY, value.MaxY}) bits(d);
    out << '\n';
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        out << e.Layer << ' ' << e.Group << ' ' << e.Kind << ' ' << e.Code << ' ' << int{e.Clear};
        for (double d : {e.X1, e.Y1, e.X2, e.Y2, e.X3, e.Y3, e.X4, e.Y4}) bits(d);
        out << '\n';
    }
    for (int t = 0; t <= MaxToolCode; ++t) {
        const MyTool& tool = Tools[static_cast<std::size_t>(t)];
        out << 'T' << t << ' ' << tool.Used << ' ' << tool.Hits << ' ' << tool.Diameter << '\n';
    }
    out << ToolCount << '\n';
    return out.str();
}

// The drill files of the corpus read from a file in small pieces, so that
// blocks, comments and line ends straddle the edges, read as they are read
// whole from memory; so do the same files with their lines ending in CR LF,
// LF or CR, and without a line end after the last line.
TEST(NcDrillCorpus, FilesReadInPiecesAsWhole)
{
    const fs::path folder = fs::temp_directory_path() / ("tessel2-drill-pieces-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    struct ChunkSize {
        ~ChunkSize() { ReadChunkBytes = 64 * 1024; }
    } restore;
    // With the corpus, a file of comments in brackets and after ";", also
    // in the middle of blocks.
    std::vector<std::pair<std::string, std::string>> files = {
        {"comments", "M48\n;T9C9.9 a remark\nT1C0.8 (T2C0.5 is no tool)\n%\nT1\nX1000(X9999)Y2000\n"
                     "(an unmatched bracket X3000Y3000\nX4000Y4000;X5000\nG04 X6000*X7000Y(Y1)7000*M30"}};
    for (const fs::path& file : CorpusFiles()) {
        std::string bytes = platform::ReadFileBytes(file);
        if (DetectFileKindOfBytes(bytes) == fkNcDrill) files.emplace_back(file.string(), std::move(bytes));
    }
    Gauge gauge;
    for (const auto& [file, bytes] : files) {
        SCOPED_TRACE(file);
        ReadChunkBytes = bytes.size() + 1;
        const std::string whole = ReadOutcome([&](MyDataValue& v) { return ReadNcDrillData(gauge, bytes, 1, v); });
        std::string lf;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] != '\r') lf.push_back(bytes[i]);
            else if (i + 1 == bytes.size() || bytes[i + 1] != '\n') lf.push_back('\n');
        std::string crlf, cr, unended = lf;
        for (char c : lf) {
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
            cr.push_back(c == '\n' ? '\r' : c);
        }
        while (!unended.empty() && unended.back() == '\n') unended.pop_back();
        const std::pair<const char*, const std::string*> variants[] = {
            {"as is", &bytes}, {"LF", &lf}, {"CR LF", &crlf}, {"CR", &cr}, {"no last line end", &unended}};
        for (const auto& [name, text] : variants) {
            const fs::path copy = folder / "copy.drl";
            platform::WriteFileBytes(copy, *text);
            for (std::size_t piece : {1u, 3u, 4096u}) {
                ReadChunkBytes = piece;
                const std::string streamed =
                    ReadOutcome([&](MyDataValue& v) { return ReadNcDrillFile(gauge, copy.string(), 1, v); });
                EXPECT_TRUE(streamed == whole) << name << ", pieces of " << piece << " bytes";
            }
        }
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    EXPECT_GE(files.size(), 40u);
}

// The hits counted ahead, to refuse a file that would pass the element
// limit before making them, are the hits the read makes: every file of the
// corpus that reads with n hits reads under a limit of n and is refused,
// with nothing made, under n - 1.
TEST(NcDrillCorpus, HitsCountedAheadAreTheHitsMade)
{
    class Watch : public Gauge {
    public:
        void Pump() override { grew |= DataCount > 0; }
        bool grew = false;
    };
    const std::int64_t saved = MaxElementCount;
    int files = 0;
    for (const fs::path& file : CorpusFiles()) {
        SCOPED_TRACE(file.string());
        // In pieces, so that hits made would be seen between them.
        ReadChunkBytes = 512;
        Watch watch;
        auto read = [&](std::int64_t limit) {
            MaxElementCount = limit;
            return ReadOutcome([&](MyDataValue& v) { return ReadNcDrillFile(watch, file.string(), 1, v); });
        };
        const std::string whole = read(saved);
        const std::int32_t hits = DataCount;
        if (hits == 0) continue;
        ++files;
        EXPECT_EQ(read(hits), whole);
        watch.grew = false;
        EXPECT_NE(read(hits - 1).find(TooManyElementsText()), std::string::npos);
        EXPECT_FALSE(watch.grew);
        EXPECT_EQ(DataCount, 0);
    }
    MaxElementCount = saved;
    ReadChunkBytes = 64 * 1024;
    EXPECT_GE(files, 40);
}

} // namespace
