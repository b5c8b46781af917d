// The spatial grid, the rectangle selection and the resist-silk check on the
// boards of the corpus, against the plain way of doing each.
#include "../GridTestSupport.h"

#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <unistd.h>

using namespace core;
namespace fs = std::filesystem;

namespace {

const fs::path Cad = fs::path(TESSEL2_CORPUS) / "cad";

class GridCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        work_ = fs::temp_directory_path() / ("tessel2-grid-corpus-" + std::to_string(::getpid()));
        fs::create_directories(work_);
    }
    void TearDown() override
    {
        ElementGrid.Clear();
        ClearDrcErrors();
        ResetTables();
        std::error_code ec;
        fs::remove_all(work_, ec);
    }

    // The files as layers 1, 2, ... (those that read), the view fitted to a
    // 1600 x 1000 picture with its 20 mm margins, the grid set to it.
    int Load(const std::vector<fs::path>& files)
    {
        ResetTables();
        DataFolder = work_.string();
        MyExtents& x = Extents;
        x.MinX = x.MinY = 1500;
        x.MaxX = x.MaxY = -1500;
        Gauge gauge;
        for (const fs::path& f : files) {
            if (LayerCount >= MaxLayers) break;
            const int kind = DetectFileType(f.string());
            MyDataValue v;
            bool read = false;
            try {
                if (kind == fkRS274D || kind == fkRS274X) read = ReadGerberFile(gauge, f.string(), LayerCount + 1, v);
                else if (kind == fkNcDrill) read = ReadNcDrillFile(gauge, f.string(), LayerCount + 1, v);
            } catch (const platform::Error&) {
                read = false;
            }
            if (!read) continue;
            MyLayerSet& l = LayerTable[static_cast<std::size_t>(++LayerCount)];
            l.FileName = f.filename().string();
            l.Active = 1;
            x.MinX = std::min(x.MinX, v.MinX), x.MaxX = std::max(x.MaxX, v.MaxX);
            x.MinY = std::min(x.MinY, v.MinY), x.MaxY = std::max(x.MaxY, v.MaxY);
        }
        if (MacroCount > 0) ParseMacroParams();
        x.Width = x.MaxX - x.MinX, x.Height = x.MaxY - x.MinY;
        x.CentreX = x.MinX + x.Width / 2, x.CentreY = x.MinY + x.Height / 2;
        const double ratio = 1000.0 / 1600.0;
        if (x.Height / x.Width <= ratio) x.ViewWidth = x.Width + 40, x.ViewHeight = x.ViewWidth * ratio;
        else x.ViewHeight = x.Height + 40, x.ViewWidth = x.ViewHeight / ratio;
        SetGridView(x);
        return LayerCount;
    }

    fs::path work_;
};

// Every board folder as one job: each cell lists what the bitmap marks,
// serially and on threads; rectangles select the same, with a layer hidden
// and a class switched off too.
TEST_F(GridCorpus, BoardsAsTheBitmapMarksThem)
{
    std::map<fs::path, std::vector<fs::path>> folders;
    for (const auto& entry : fs::recursive_directory_iterator(Cad))
        if (entry.is_regular_file()) folders[entry.path().parent_path()].push_back(entry.path());
    int boards = 0;
    for (auto& [folder, files] : folders) {
        std::sort(files.begin(), files.end());
        if (Load(files) < 1 || DataCount < 1) continue;
        SCOPED_TRACE(folder.string());
        ++boards;
        literal::Grid reference;
        gridtest::ExpectSameGrid(reference);
        gridtest::ExpectSameGrid(reference, gridtest::FourThreads);
        std::mt19937 rng(static_cast<unsigned>(DataCount));
        gridtest::ExpectSameSelections(reference, rng, 12);
        LayerTable[1].Active = 0;
        SelectKindFlags[0] = 0;
        gridtest::ExpectSameSelections(reference, rng, 12, gridtest::FourThreads);
        SelectKindFlags.fill(1);
    }
    EXPECT_GE(boards, 10);
}

struct Pair {
    const char* folder;
    const char* resist;
    const char* silk;
};

// Resist and silk of each side of the boards: every error the cells around
// each resist element find is found, in the same order; every error found
// is a pair closer than the gap.
TEST_F(GridCorpus, ResistSilkFindsWhatTheCellsFindAndOnlyGenuineErrors)
{
    const Pair pairs[] = {
        {"diptrace", "mainboard_TopMask.gbr", "mainboard_TopSilk.gbr"},
        {"diptrace", "keyboard_BottomMask.gbr", "keyboard_BottomSilk.gbr"},
        {"eagle-newer", "soldermask_top.gbr", "silkscreen_top.gbr"},
        {"eagle_files", "soldermask_bottom.gbr", "silkscreen_bottom.gbr"},
        {"easyeda", "Gerber_TopSolderMaskLayer.GTS", "Gerber_TopSilkLayer.GTO"},
        {"fusion360", "soldermask_top.gbr", "silkscreen_top.gbr"},
        {"geda", "controller.topmask.gbr", "controller.topsilk.gbr"},
        {"kicad-older", "chibi_2024-F.Mask.gbr", "chibi_2024-F.SilkS.gbr"},
        {"kicad-older", "chibi_2024-B.Mask.gbr", "chibi_2024-B.SilkS.gbr"},
        {"upverter", "design_export.gts", "design_export.gto"},
    };
    std::size_t extra = 0, total = 0;
    for (const Pair& p : pairs) {
        SCOPED_TRACE(std::string(p.folder) + "/" + p.resist);
        ASSERT_EQ(Load({Cad / p.folder / p.resist, Cad / p.folder / p.silk}), 2);
        literal::Grid grid;
        ASSERT_TRUE(literal::Build(grid));
        for (double gap : {0.1, 0.3}) {
            std::vector<literal::Error> cells;
            literal::ResistSilk(cells, 1, 2, gap, etTopResistSilk, [&](std::int32_t i) { return literal::NearElements(grid, i, 2); });
            ClearDrcErrors();
            DrcSettings = MyDrcSet{};
            DrcSettings.TopOn = 1;
            DrcSettings.TopResist = 1;
            DrcSettings.TopSilk = 2;
            DrcSettings.TopGap = gap;
            Gauge gauge;
            CheckResistSilkGap(gauge, gridtest::FourThreads);
            const std::vector<literal::Error> found = literal::Errors();
            std::size_t at = 0;
            for (const literal::Error& e : found) {
                if (at < cells.size() && e == cells[at]) {
                    ++at;
                    continue;
                }
                // Found by box distance alone: a real error all the same.
                ++extra;
                const double g = std::stod(e.message.substr(e.message.find('(') + 1));
                EXPECT_LT(g, gap - 0.0005) << e.message;
            }
            EXPECT_EQ(at, cells.size());
            total += found.size();
        }
    }
    std::printf("resist-silk errors %zu, of them found by box distance alone %zu\n", total, extra);
}

} // namespace
