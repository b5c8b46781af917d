// The code tables on the real boards of the corpus: the aperture rows are
// the D-codes the board uses, the tool rows count what the drill files
// drill, and a row's search finds exactly the elements of its code.
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "view/CodeTables.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

const fs::path Cad = fs::path(TESSEL2_CORPUS) / "cad";

// Measures nothing: the models need no text here.
class NoText final : public platform::Canvas {
public:
    int Width() const override { return 0; }
    int Height() const override { return 0; }
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void Polyline(std::span<const platform::Point>) override {}
    void Polygon(std::span<const platform::Point>) override {}
    void Ellipse(int, int, int, int) override {}
    void Rectangle(int, int, int, int) override {}
    void FillRect(const platform::Rect&) override {}
    void SetPixel(int, int, platform::Color) override {}
    void TextOut(int, int, std::string_view) override {}
    platform::TextSize TextExtent(std::string_view) override { return {}; }
    void FillMask(const platform::RasterCanvas&, int, int) override {}
};

// Every Gerber and drill file under each top folder of the corpus.
std::map<std::string, std::vector<fs::path>> Boards()
{
    std::map<std::string, std::vector<fs::path>> boards;
    if (!fs::exists(Cad)) return boards;
    for (const auto& top : fs::directory_iterator(Cad)) {
        if (!top.is_directory()) continue;
        for (const auto& f : fs::recursive_directory_iterator(top.path())) {
            if (!f.is_regular_file()) continue;
            const int kind = core::DetectFileType(f.path().string());
            if (kind == core::fkRS274D || kind == core::fkRS274X || kind == core::fkNcDrill)
                boards[top.path().filename().string()].push_back(f.path());
        }
    }
    for (auto& [name, files] : boards) std::sort(files.begin(), files.end());
    return boards;
}

bool Load(const fs::path& p, int layer)
{
    core::Gauge gauge;
    core::MyDataValue v;
    bool ok = false;
    try {
        ok = core::DetectFileType(p.string()) == core::fkNcDrill ? core::ReadNcDrillFile(gauge, p.string(), layer, v)
                                                                 : core::ReadGerberFile(gauge, p.string(), layer, v);
    } catch (const platform::Error&) {
        ok = false;
    }
    if (ok) {
        core::LayerTable[static_cast<std::size_t>(layer)].Active = 1;
        core::LayerCount = layer;
    }
    return ok;
}

// The hits of a drill file by its own tool numbers, read from the text:
// every coordinate line of the body under the tool selected last.
std::map<int, int> HitsInFile(const fs::path& p)
{
    std::map<int, int> hits;
    std::ifstream in(p, std::ios::binary);
    std::string line;
    bool body = false;
    int tool = 0;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line == "%" || line == "M95") {
            body = true;
            continue;
        }
        if (!body || line.empty()) continue;
        if (line[0] == 'T') {
            std::size_t i = 1;
            int n = 0;
            while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) n = n * 10 + (line[i++] - '0');
            tool = n;
            continue;
        }
        if (line[0] == 'X' || line[0] == 'Y') ++hits[tool];
    }
    return hits;
}

class CodeTablesCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
    }
    void TearDown() override { core::ResetTables(); }
};

TEST_F(CodeTablesCorpus, ApertureRowsAreTheUsedDCodesAndFindTheirElements)
{
    int boards = 0;
    for (const auto& [name, files] : Boards()) {
        SCOPED_TRACE(name);
        core::ResetTables();
        int layer = 0;
        for (const fs::path& f : files)
            if (layer < core::MaxLayers && Load(f, layer + 1)) ++layer;
        if (layer == 0) continue;
        ++boards;
        if (core::MacroCount > 0) core::ParseMacroParams();
        core::MaxDCode = core::MarkUsedApertures(core::Apertures);

        // The D-codes of the elements that are not drill hits.
        std::set<int> used;
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Kind != core::dkSection && !IsDrillHit(e.Kind) && e.Code >= 10 && e.Code <= core::MaxDCode) used.insert(e.Code);
        }
        MyGridBox grid;
        platform::RasterCanvas measure(1, 1);
        const TableLayout t = BuildApertureTable(grid, 240, 10000, measure);
        std::set<int> rows;
        for (int r = 1; r < grid.RowCount; ++r) {
            const int d = grid.RowCodes[static_cast<std::size_t>(r)];
            rows.insert(d);
            EXPECT_EQ(grid.CellTexts[0][static_cast<std::size_t>(r)], "D" + std::to_string(d));
            EXPECT_FALSE(grid.CellTexts[1][static_cast<std::size_t>(r)].empty()) << d;
        }
        EXPECT_EQ(rows, used);
        if (!used.empty()) {
            EXPECT_EQ(t.PanelHeight, grid.RowCount * 18 + 20);
        }

        // Each row's search: exactly its code's elements on the shown layers,
        // never a drill hit, and nothing of a hidden layer.
        core::LayerTable[1].Active = 0;
        for (int d : used) {
            const std::vector<int> found = SearchCodeElements(false, d);
            std::vector<int> expected;
            for (std::int32_t i = 0; i < core::DataCount; ++i) {
                const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
                if (e.Kind != core::dkSection && !IsDrillHit(e.Kind) && e.Code == d && e.Layer != 1) expected.push_back(i);
            }
            EXPECT_EQ(found, expected) << d;
        }
    }
    EXPECT_GE(boards, 10);
}

TEST_F(CodeTablesCorpus, ToolHitsAndTotalMatchTheDrillFiles)
{
    int drillFiles = 0;
    for (const auto& [name, files] : Boards()) {
        int boardHoles = 0;
        std::vector<fs::path> drills;
        for (const fs::path& f : files) {
            if (core::DetectFileType(f.string()) != core::fkNcDrill) continue;
            SCOPED_TRACE(f.string());
            // One drill file alone: the rows' hits are the file's own per tool.
            core::ResetTables();
            if (!Load(f, 1)) continue;
            ++drillFiles;
            drills.push_back(f);
            core::ToolCount = CountUsedDrillTools(core::Tools);
            MyGridBox grid;
            NoText measure;
            const TableLayout t = BuildToolTable(grid, 240, 10000, measure);
            std::vector<int> fromRows, fromFile;
            for (int r = 1; r < grid.RowCount; ++r) {
                const int tool = grid.RowCodes[static_cast<std::size_t>(r)];
                fromRows.push_back(core::Tools[static_cast<std::size_t>(tool)].Hits);
                EXPECT_EQ(grid.CellTexts[1][static_cast<std::size_t>(r)], std::to_string(core::Tools[static_cast<std::size_t>(tool)].Hits));
                // The tool's search finds its hits, all of them.
                EXPECT_EQ(static_cast<int>(SearchCodeElements(true, tool).size()), core::Tools[static_cast<std::size_t>(tool)].Hits);
            }
            int total = 0;
            for (const auto& [tool, n] : HitsInFile(f)) {
                fromFile.push_back(n);
                total += n;
            }
            std::sort(fromRows.begin(), fromRows.end());
            std::sort(fromFile.begin(), fromFile.end());
            EXPECT_EQ(fromRows, fromFile);
            EXPECT_EQ(core::TotalHoleCount, total);
            EXPECT_GT(t.PanelHeight, 0);
            boardHoles += total;
        }
        if (drills.empty()) continue;
        // The board's drill files together: the total adds up.
        SCOPED_TRACE(name);
        core::ResetTables();
        int layer = 0;
        for (const fs::path& f : drills)
            if (Load(f, layer + 1)) ++layer;
        core::ToolCount = CountUsedDrillTools(core::Tools);
        int sum = 0;
        for (int t = 1; t <= core::ToolCount; ++t) sum += core::Tools[static_cast<std::size_t>(t)].Hits;
        EXPECT_EQ(core::TotalHoleCount, boardHoles);
        EXPECT_EQ(sum, boardHoles);
    }
    EXPECT_GE(drillFiles, 8);
}

} // namespace
