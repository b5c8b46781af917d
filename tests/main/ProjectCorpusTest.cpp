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

#include <cmath>
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

// Reals come back as the very numbers written.
::testing::AssertionResult Same(double a, double b)
{
    if (a == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " vs " << b;
}

void ExpectSameFormat(const core::MyFormatPara& a, const core::MyFormatPara& b)
{
    EXPECT_EQ(a.FormatName, b.FormatName);
    EXPECT_EQ(a.AbsInc, b.AbsInc);
    EXPECT_TRUE(Same(a.OffsetX, b.OffsetX));
    EXPECT_TRUE(Same(a.OffsetY, b.OffsetY));
    EXPECT_EQ(a.Zero, b.Zero);
    EXPECT_EQ(a.NumberFormat, b.NumberFormat);
    EXPECT_EQ(a.Units, b.Units);
    EXPECT_EQ(a.IntDigits, b.IntDigits);
    EXPECT_EQ(a.DecDigits, b.DecDigits);
}

void ExpectSameJob(const Job& a, const Job& b)
{
    ASSERT_EQ(a.elements.size(), b.elements.size());
    for (std::size_t i = 0; i < a.elements.size(); ++i) {
        const core::DataElement &x = a.elements[i], &y = b.elements[i];
        ASSERT_TRUE(x.Layer == y.Layer && x.Group == y.Group && x.Kind == y.Kind && x.Code == y.Code && x.Clear == y.Clear) << i;
        for (auto m : {&core::DataElement::X1, &core::DataElement::Y1, &core::DataElement::X2, &core::DataElement::Y2,
                       &core::DataElement::X3, &core::DataElement::Y3, &core::DataElement::X4, &core::DataElement::Y4})
            ASSERT_TRUE(Same(x.*m, y.*m)) << i;
    }
    for (int d = 0; d <= core::MaxApertureCode; ++d) {
        const core::MyAperture &x = a.apertures[static_cast<std::size_t>(d)], &y = b.apertures[static_cast<std::size_t>(d)];
        ASSERT_EQ(x.Used, y.Used) << "D" << d;
        if (!x.Used) continue;
        EXPECT_EQ(x.Shape, y.Shape) << "D" << d;
        EXPECT_TRUE(Same(x.Size1, y.Size1) && Same(x.Size2, y.Size2) && Same(x.Size3, y.Size3)) << "D" << d;
        EXPECT_EQ(x.MacroName, y.MacroName) << "D" << d;
        EXPECT_EQ(x.MacroParams, y.MacroParams) << "D" << d;
        EXPECT_EQ(x.FirstPrimitive, y.FirstPrimitive) << "D" << d;
        EXPECT_EQ(x.LastPrimitive, y.LastPrimitive) << "D" << d;
    }
    ASSERT_EQ(a.macros.size(), b.macros.size());
    for (std::size_t i = 1; i < a.macros.size(); ++i) {
        const core::MyMacro &x = a.macros[i], &y = b.macros[i];
        EXPECT_TRUE(x.DCode == y.DCode && x.Name == y.Name && x.Text == y.Text && x.AdText == y.AdText) << i;
        EXPECT_EQ(x.ValueCount, y.ValueCount) << i;
        EXPECT_EQ(x.Values, y.Values) << i;
    }
    EXPECT_EQ(a.toolCount, b.toolCount);
    EXPECT_EQ(a.holes, b.holes);
    for (int t = 1; t <= a.toolCount; ++t) {
        const core::MyTool &x = a.tools[static_cast<std::size_t>(t)], &y = b.tools[static_cast<std::size_t>(t)];
        EXPECT_TRUE(x.Used == y.Used && x.Hits == y.Hits && x.Diameter == y.Diameter && x.Symbol == y.Symbol && x.Comment == y.Comment)
            << "T" << t;
    }
    ASSERT_EQ(a.layerCount, b.layerCount);
    for (int k = 1; k <= a.layerCount; ++k) {
        const core::MyLayerSet &x = a.layers[static_cast<std::size_t>(k)], &y = b.layers[static_cast<std::size_t>(k)];
        EXPECT_TRUE(x.Active == y.Active && x.FileKind == y.FileKind && x.FileName == y.FileName && x.Contents == y.Contents &&
                    x.Remarks == y.Remarks && x.Letter == y.Letter && x.PageLetter == y.PageLetter && x.Polarity == y.Polarity &&
                    x.AltColor == y.AltColor && x.Color == y.Color)
            << "layer " << k;
    }
    ExpectSameFormat(a.gerber, b.gerber);
    ExpectSameFormat(a.drill, b.drill);
    EXPECT_EQ(a.basics.Title, b.basics.Title);
    EXPECT_TRUE(Same(a.basics.BoardWidth, b.basics.BoardWidth) && Same(a.basics.BoardLeft, b.basics.BoardLeft));
    EXPECT_TRUE(Same(a.basics.NcLeft, b.basics.NcLeft) && Same(a.basics.NcBottom, b.basics.NcBottom));
    for (auto m : {&core::MyExtents::MinX, &core::MyExtents::MaxX, &core::MyExtents::MinY, &core::MyExtents::MaxY,
                   &core::MyExtents::Width, &core::MyExtents::Height, &core::MyExtents::CentreX, &core::MyExtents::CentreY})
        EXPECT_TRUE(Same(a.extents.*m, b.extents.*m));
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
