// Every file of the corpus through the drill reader: nothing crashes, and the
// hits of each drill file agree with a plain count of its coordinate lines.
#include "core/NcDrillReader.h"

#include "platform/Error.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

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

} // namespace
