// Every board of the corpus opened, saved as a project file, cleared and
// opened again from that file: the tables agree field by field and the
// picture pixel for pixel.
#include "CorpusBoards.h"
#include "core/ProjectFile.h"
#include "core/ProjectRecords.h"
#include "main/OpenCommands.h"
#include "main/OpenList.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/MessageBoxes.h"

#include <gtest/gtest.h>

#include <tuple>
#include <cstdlib>
#include <random>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

// What a job is made of, as the open command leaves it.
struct Job {
    std::vector<core::DataElement> elements;
    std::array<core::MyAperture, core::MaxApertureCode + 1> apertures;
    core::MyMacroArray macros;
    std::array<core::MyTool, core::MaxToolCode + 2> tools;
    std::int32_t toolCount = 0, layerCount = 0, holes = 0;
    std::array<core::MyLayerSet, core::LayerTableSize> layers;
    core::MyFormatPara gerber, drill;
    core::MyBasicSet basics;
    core::MyExtents extents;
    std::vector<std::uint32_t> picture;
};

Job TakeJob()
{
    Job j;
    for (std::int32_t i = 0; i < core::DataCount; ++i) j.elements.push_back(core::Datas[static_cast<std::size_t>(i)]);
    j.apertures = core::Apertures;
    j.macros.assign(core::Macros.begin(), core::Macros.begin() + core::MacroCount + 1);
    j.tools = core::Tools;
    j.toolCount = core::ToolCount;
    j.holes = core::TotalHoleCount;
    j.layerCount = core::LayerCount;
    j.layers = core::LayerTable;
    j.gerber = core::GerberFormat;
    j.drill = core::DrillFormat;
    j.basics = core::ProjectBasics;
    j.extents = core::Extents;
    // Every layer shown, the view fitted to a picture of 900 × 700.
    for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = 1;
    ClientWidth = 900;
    ClientHeight = 700;
    FitViewExtents();
    SetViewZoom(false, 0, 0, -1.0);
    RedrawView();
    const platform::RasterCanvas& p = Picture();
    j.picture.assign(p.Bits(), p.Bits() + static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height()));
    for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = j.layers[static_cast<std::size_t>(k)].Active;
    return j;
}

// Every field a project keeps, as one comparable value; reals come back as
// the very numbers written.
auto Fields(const core::DataElement& e)
{
    return std::tie(e.Layer, e.Group, e.Kind, e.Code, e.Clear, e.X1, e.Y1, e.X2, e.Y2, e.X3, e.Y3, e.X4, e.Y4);
}
auto Fields(const core::MyAperture& a)
{
    return std::tie(a.Used, a.Shape, a.Size1, a.Size2, a.Size3, a.MacroName, a.MacroParams, a.FirstPrimitive, a.LastPrimitive);
}
auto Fields(const core::MyMacro& m) { return std::tie(m.DCode, m.Name, m.Text, m.AdText, m.ValueCount, m.Values); }
auto Fields(const core::MyTool& t) { return std::tie(t.Used, t.Hits, t.Diameter, t.Symbol, t.Comment); }
auto Fields(const core::MyLayerSet& l)
{
    return std::tie(l.Active, l.FileKind, l.FileName, l.Contents, l.Remarks, l.Letter, l.PageLetter, l.Polarity, l.AltColor, l.Color);
}
auto Fields(const core::MyFormatPara& f)
{
    return std::tie(f.FormatName, f.AbsInc, f.OffsetX, f.OffsetY, f.Zero, f.NumberFormat, f.Units, f.IntDigits, f.DecDigits);
}
auto Fields(const core::MyBasicSet& b)
{
    return std::tie(b.Title, b.Comment, b.Author, b.BoardWidth, b.BoardHeight, b.BoardLeft, b.BoardBottom, b.NcLeft, b.NcBottom);
}
auto Fields(const core::MyExtents& e) { return std::tie(e.MinX, e.MaxX, e.MinY, e.MaxY, e.Width, e.Height, e.CentreX, e.CentreY); }

void ExpectSameJob(const Job& a, const Job& b)
{
    ASSERT_EQ(a.elements.size(), b.elements.size());
    for (std::size_t i = 0; i < a.elements.size(); ++i) ASSERT_TRUE(Fields(a.elements[i]) == Fields(b.elements[i])) << i;
    // Apertures: which are used, and everything of those.
    for (std::size_t d = 0; d < a.apertures.size(); ++d)
        EXPECT_TRUE(a.apertures[d].Used ? Fields(a.apertures[d]) == Fields(b.apertures[d]) : !b.apertures[d].Used) << "D" << d;
    ASSERT_EQ(a.macros.size(), b.macros.size());
    for (std::size_t i = 1; i < a.macros.size(); ++i) EXPECT_TRUE(Fields(a.macros[i]) == Fields(b.macros[i])) << i;
    ASSERT_EQ(a.toolCount, b.toolCount);
    EXPECT_EQ(a.holes, b.holes);
    for (std::size_t t = 1; t <= static_cast<std::size_t>(a.toolCount); ++t) EXPECT_TRUE(Fields(a.tools[t]) == Fields(b.tools[t])) << "T" << t;
    ASSERT_EQ(a.layerCount, b.layerCount);
    for (std::size_t k = 1; k <= static_cast<std::size_t>(a.layerCount); ++k) EXPECT_TRUE(Fields(a.layers[k]) == Fields(b.layers[k])) << k;
    EXPECT_TRUE(Fields(a.gerber) == Fields(b.gerber));
    EXPECT_TRUE(Fields(a.drill) == Fields(b.drill));
    EXPECT_TRUE(Fields(a.basics) == Fields(b.basics));
    EXPECT_TRUE(Fields(a.extents) == Fields(b.extents));
    EXPECT_TRUE(a.picture == b.picture) << "the pictures differ";
}

class ProjectCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("tessel2-project-corpus-" + std::to_string(std::random_device{}()));
        fs::create_directories(root / "DATA");
        setenv("TESSEL2_HOME", root.c_str(), 1);
        platform::ResetProgramFolder();
        core::DataFolder = (root / "DATA").string();
        ShellOpenFile = [](const std::string&) { return true; };
        boxes.positiveByDefault = false;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root, ec);
        platform::ResetProgramFolder();
    }
    fs::path root;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
};

} // namespace

TEST_F(ProjectCorpus, EveryBoardComesBackAsItWas)
{
    if (!fs::exists(corpusboards::Cad)) GTEST_SKIP() << "no corpus";
    int boards = 0;
    for (const auto& [name, files] : corpusboards::Boards()) {
        SCOPED_TRACE(name);
        std::vector<std::string> paths;
        for (const fs::path& f : files) paths.push_back(f.string());
        MyOpenFiles list = MakeOpenList(paths);
        ClearAllData(true);
        if (OpenFileList(list) != 1) continue;   // out of range: nothing to save
        ++boards;
        core::ProjectBasics.Title = "基板/" + name;
        const Job before = TakeJob();
        const std::string project = (root / "job.tsn").string();
        core::WriteProjectFile(project);

        ClearAllData(true);
        MyOpenFiles again = MakeOpenList({project});
        ASSERT_EQ(OpenFileList(again), 1);
        Job after = TakeJob();
        EXPECT_EQ(after.basics.Title, core::SeparatorFreeText(before.basics.Title, '/'));
        after.basics.Title = before.basics.Title;
        ExpectSameJob(before, after);
    }
    EXPECT_GE(boards, 12);
}
