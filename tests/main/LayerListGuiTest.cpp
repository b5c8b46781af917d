// The layer table and the code table in the main window, offscreen: clicks
// show and hide layers in the picture, the colour dialog recolours a layer,
// a drag reorders the layers, a code row blinks its elements.
#include "view/CodeTables.h"
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/SaveCommands.h"
#include "main/OpenCommands.h"
#include "main/OpenList.h"
#include "view/Redraw.h"
#include "view/SubLists.h"
#include "view/ViewTransform.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/ColorDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/view/ViewFixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using namespace mainwin;
using platform::RGB;

namespace {

constexpr platform::Color Red = RGB(255, 0, 0), Green = RGB(0, 255, 0), Blue = RGB(0, 0, 255);

class LayerListGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::path(dir.path().toStdString());
        fs::create_directories(root / "home");
        setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "xdg-data").c_str(), 1);
        platform::ResetProgramFolder();
        viewtest::ResetAll();
        CommandMenu = {};
        platform::SetColorDialogs(&colors);
        SignalLayersChanged = [this] { ++layerSignals; };
        form = std::make_unique<TFormMain>(QStringList{});
        form->show();
        form->resize(1000, 700);
        QApplication::processEvents();
        LoadBoard();
    }
    void TearDown() override
    {
        form->CloseMode = -1;
        form.reset();
        platform::SetColorDialogs(nullptr);
        SignalLayersChanged = [] {};
        ShownLayerCount = 0;
        viewtest::ResetAll();
        CommandMenu = {};
        platform::ResetProgramFolder();
    }

    // Three layers, each a region over the same 100 × 50 mm; layer 1 also
    // has two D10 lines, layer 3 one D11 line. Only layer 1 is shown.
    void LoadBoard()
    {
        const platform::Color colors[] = {Red, Green, Blue};
        for (int l = 1; l <= 3; ++l) {
            viewtest::ShowLayer(l, colors[l - 1]);
            core::LayerTable[static_cast<std::size_t>(l)].Active = l == 1 ? 1 : 0;
            viewtest::AddRegion(l, 0, 0, 100, 50);
        }
        core::AppendElement(viewtest::Element(1, core::dkLine, 10, 0, 60, 100, 60));
        core::AppendElement(viewtest::Element(1, core::dkLine, 10, 0, 70, 100, 70));
        core::AppendElement(viewtest::Element(3, core::dkLine, 11, 0, 80, 100, 80));
        viewtest::SetAperture(10, core::apCircle, 0.2);
        viewtest::SetAperture(11, core::apCircle, 0.3);
        core::Apertures[10].Used = core::Apertures[11].Used = 1;
        core::MaxDCode = 11;
        core::Extents.MinX = 0;
        core::Extents.MaxX = 100;
        core::Extents.MinY = 0;
        core::Extents.MaxY = 80;
        core::Extents.Width = 100;
        core::Extents.Height = 80;
        core::Extents.CentreX = 50;
        core::Extents.CentreY = 40;
        ShownLayerCount = 1;
        form->FormResize();
        SetViewZoom(false, 0, 0, -1.0);
        form->RedrawView();
    }

    void Mouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton,
               Qt::MouseButtons held = Qt::NoButton)
    {
        const QPointF p(x, y);
        QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseButtonPress ? button : held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    // The centre of a cell of the layer rows.
    QPoint Cell(int col, int row) const
    {
        const platform::Rect r = LayerGrid.Cells[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void ClickCell(int col, int row)
    {
        const QPoint p = Cell(col, row);
        Mouse(form->Image9, QEvent::MouseButtonPress, p.x(), p.y());
        Mouse(form->Image9, QEvent::MouseButtonRelease, p.x(), p.y());
    }
    static platform::Color Middle() { return viewtest::ColorAt(50, 25); }

    QTemporaryDir dir;
    fs::path root;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scope{&boxes};
    platform::FakeColorDialogs colors;
    std::unique_ptr<TFormMain> form;
    int layerSignals = 0;
};

TEST_F(LayerListGui, TheTableShowsEveryLayer)
{
    ASSERT_TRUE(form->PanelLayer->isVisible());
    EXPECT_EQ(LayerGrid.RowCount, 4);
    EXPECT_EQ(form->Image9->height(), 3 * 18);
    // Row 1 shown (navy), row 2 not; each swatch in its layer's colour.
    EXPECT_EQ(form->LayerRowsPicture.Pixel(Cell(3, 1).x(), Cell(3, 1).y()), NavyColor);
    EXPECT_EQ(form->LayerRowsPicture.Pixel(Cell(3, 2).x(), Cell(3, 2).y()), ListFaceColor);
    EXPECT_EQ(form->LayerRowsPicture.Pixel(Cell(1, 3).x(), Cell(1, 3).y()), Blue);
    EXPECT_EQ(Middle(), Red);
}

TEST_F(LayerListGui, ShowAndHideRedrawWithColoursOred)
{
    ClickCell(2, 2);
    EXPECT_EQ(ShownLayerCount, 2);
    EXPECT_EQ(Middle(), Red | Green);
    ClickCell(3, 3);
    EXPECT_EQ(ShownLayerCount, 3);
    EXPECT_EQ(Middle(), Red | Green | Blue);
    ClickCell(2, 1);
    EXPECT_EQ(ShownLayerCount, 2);
    EXPECT_EQ(Middle(), Green | Blue);
    // A right click on a name hides all; the header's left click shows all.
    const QPoint p = Cell(2, 2);
    Mouse(form->Image9, QEvent::MouseButtonPress, p.x(), p.y(), Qt::RightButton);
    Mouse(form->Image9, QEvent::MouseButtonRelease, p.x(), p.y(), Qt::RightButton);
    EXPECT_EQ(ShownLayerCount, 0);
    EXPECT_EQ(Middle(), 0u);
    const platform::Rect h = LayerGrid.Cells[2][0];
    Mouse(form->Image8, QEvent::MouseButtonRelease, h.left + 5, 8);
    EXPECT_EQ(ShownLayerCount, 3);
    EXPECT_EQ(Middle(), Red | Green | Blue);
}

TEST_F(LayerListGui, ColourThroughTheColourDialog)
{
    colors.answers = {RGB(0, 255, 255)};
    ClickCell(1, 1);
    ASSERT_EQ(colors.asked.size(), 1u);
    EXPECT_EQ(colors.asked[0], Red);
    EXPECT_EQ(core::LayerTable[1].Color, static_cast<std::int32_t>(RGB(0, 255, 255)));
    EXPECT_EQ(core::LayerTable[1].AltColor, core::LayerTable[1].Color);
    EXPECT_EQ(Middle(), RGB(0, 255, 255));
    EXPECT_EQ(form->LayerRowsPicture.Pixel(Cell(1, 1).x(), Cell(1, 1).y()), RGB(0, 255, 255));
    // Cancel changes nothing.
    ClickCell(1, 1);
    EXPECT_EQ(colors.asked.size(), 2u);
    EXPECT_EQ(core::LayerTable[1].Color, static_cast<std::int32_t>(RGB(0, 255, 255)));
}

TEST_F(LayerListGui, DragReordersTheLayers)
{
    const QPoint from = Cell(2, 1), over = Cell(2, 2), to = Cell(3, 3);
    Mouse(form->Image9, QEvent::MouseButtonPress, from.x(), from.y());
    Mouse(form->Image9, QEvent::MouseMove, over.x(), over.y(), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(form->MoveBar->isVisible());
    EXPECT_EQ(form->MoveBar->y(), 18);
    Mouse(form->Image9, QEvent::MouseButtonRelease, to.x(), to.y());
    EXPECT_FALSE(form->MoveBar->isVisible());
    EXPECT_EQ(core::LayerTable[1].FileName, "layer2");
    EXPECT_EQ(core::LayerTable[2].FileName, "layer1");
    EXPECT_EQ(core::LayerTable[3].FileName, "layer3");
    EXPECT_EQ(layerSignals, 1);
    // Layer 1 moved to slot 2 with its elements and its shown state.
    EXPECT_EQ(core::LayerTable[2].Active, 1);
    EXPECT_EQ(ShownLayerCount, 1);
    EXPECT_EQ(Middle(), Red);
    EXPECT_EQ(LayerGrid.CellTexts[2][1], "layer2");
    // A drag that ends outside every cell moves nothing and leaves no bar.
    Mouse(form->Image9, QEvent::MouseButtonPress, from.x(), from.y());
    Mouse(form->Image9, QEvent::MouseMove, over.x(), over.y(), Qt::NoButton, Qt::LeftButton);
    Mouse(form->Image9, QEvent::MouseButtonRelease, from.x(), 500);
    EXPECT_FALSE(form->MoveBar->isVisible());
    EXPECT_EQ(LayerGrid.HotRow, -1);
    EXPECT_EQ(core::LayerTable[1].FileName, "layer2");
}

// Real jobs: one of 25 layers whose names differ only at their end, with
// macro apertures; one whose polygon apertures have long sizes in all three
// columns. Tools with remarks. At every panel width and window size the
// tables are as wide as the box shows their rows: every number whole, names
// and macro shapes shortened with "..." (the layers still told apart), and
// no row under a bar. Where the rows cannot hold the numbers the table
// scrolls sideways, the names giving way only so far as the numbers at its
// start are whole, not cut at the edge.
TEST_F(LayerListGui, TablesOfARealJobFitTheirPanel)
{
    struct Job {
        const char* folder;
        const char* extension; // the start of the files' extension
        int layers;
        int allInViewFrom;     // panel width from which every column is in view
        bool namesDifferAtTheirEnd;
    };
    const Job jobs[] = {{"altium-composite-drill/Gerber", ".G", 25, 220, true}, {"eagle-newer", ".gbr", 7, 263, false}};
    bool macros = false;
    for (const Job& j : jobs) {
        SCOPED_TRACE(j.folder);
        const fs::path folder = fs::path(TESSEL2_CORPUS) / "cad" / j.folder;
        if (!fs::exists(folder)) GTEST_SKIP() << "no corpus folder " << folder;
        MyOpenFiles job;
        for (const auto& f : fs::directory_iterator(folder))
            if (f.path().extension().string().rfind(j.extension, 0) == 0) job.Add(f.path());
        boxes.positiveByDefault = false;
        ClearAllData(true);
        ASSERT_EQ(OpenFileListRun(job), 1);
        ASSERT_EQ(core::LayerCount, j.layers);
        // Nothing to draw: the many resizes stay quick.
        for (int l = 1; l <= j.layers; ++l) core::LayerTable[static_cast<std::size_t>(l)].Active = 0;
        core::LayerTable[1].Contents = "部品面パターン";
        core::LayerTable[2].Remarks = "remark that is longer than the panel";
        core::ToolCount = 12;
        for (int t = 1; t <= 12; ++t)
            core::Tools[static_cast<std::size_t>(t)] = {1, t * 37, "0." + std::to_string(t * 25), std::string(1, static_cast<char>('@' + t)),
                                                         t % 3 == 0 ? "ノンスルー（スロット穴）" : ""};
        auto width = [](platform::RasterCanvas& c, const std::string& t) { return c.TextWidth(t); };

        for (const QSize size : {QSize(1024, 768), QSize(1600, 1000)}) {
            form->resize(size);
            QApplication::processEvents();
            for (const int panel : {200, 201, 205, 212, 220, 240, 263, 300, 399}) {
                SCOPED_TRACE(std::to_string(size.width()) + " x " + std::to_string(size.height()) + ", panel " + std::to_string(panel));
                form->Splitter1Moved(panel);
                QApplication::processEvents();
    
                // Layers: no sideways bar; names shortened in their cell, all told
                // apart by their extension, whole after the dots; the contents
                // beside them, shortened clear of the rows' edge.
                const QWidget* rows = form->ScrollBox2->viewport();
                EXPECT_FALSE(form->ScrollBox2->horizontalScrollBar()->isVisible());
                EXPECT_EQ(form->Image9->width(), rows->width());
                EXPECT_EQ(TableWidth(LayerGrid), rows->width());
                std::set<std::string> names;
                const std::vector<std::string> shown = ShownFileNames(form->LayerRowsPicture, LayerGrid);
                for (int r = 1; r <= j.layers; ++r) {
                    const platform::Rect& cell = LayerGrid.Cells[2][static_cast<std::size_t>(r)];
                    const std::string& name = LayerGrid.CellTexts[2][static_cast<std::size_t>(r)];
                    const std::string& drawn = shown[static_cast<std::size_t>(r)];
                    EXPECT_LE(width(form->LayerRowsPicture, drawn), FileNameRoom(cell)) << name;
                    const std::string ending = "..." + name.substr(name.rfind('.') + 1);
                    EXPECT_TRUE(!j.namesDifferAtTheirEnd || drawn == name ||
                                (drawn.size() >= ending.size() && drawn.find("...") + ending.size() == drawn.size() &&
                                 drawn.compare(drawn.size() - ending.size(), ending.size(), ending) == 0))
                        << drawn;
                    names.insert(drawn);
                    const platform::Rect& contentsCell = LayerGrid.Cells[3][static_cast<std::size_t>(r)];
                    const std::string& text = LayerGrid.CellTexts[3][static_cast<std::size_t>(r)];
                    const std::string contents = ShownContents(form->LayerRowsPicture, LayerGrid, r);
                    EXPECT_LE(2 + width(form->LayerRowsPicture, contents), contentsCell.right - contentsCell.left) << text;
                    EXPECT_TRUE(contents == text || (contents.size() >= 3 && contents.compare(contents.size() - 3, 3, "...") == 0)) << contents;
                }
                EXPECT_EQ(names.size(), static_cast<std::size_t>(j.layers));
                const platform::Rect& contents = LayerGrid.Cells[3][1];
                EXPECT_LE(contents.left + width(form->LayerHeaderPicture, "内容") + 2, rows->width()) << "内容 in view";

                // Code tables: numbers whole, names shortened, rows clear of the bars.
                const int limit = static_cast<int>((form->PanelFile->height() - 242) * 0.4);
                for (const char* id : {"Aperture", "Tool"}) {
                    SCOPED_TRACE(id);
                    const bool tools = std::string(id) == "Tool";
                    CommandMenu.Current = id;
                    form->BuildCommandMenu(false);
                    QApplication::processEvents();
                    ASSERT_TRUE(form->PanelList->isVisible());
                    const MyGridBox& g = CodeTable;
                    const int nameCol = tools ? 4 : 1;
                    for (int c = 0; c < g.ColCount; ++c)
                        for (int r = 0; r < g.RowCount; ++r) {
                            const std::string& t = g.CellTexts[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
                            const int w = g.ColWidths[static_cast<std::size_t>(c)];
                            macros = macros || t.rfind("Macro (", 0) == 0;
                            if (c != nameCol) {
                                EXPECT_LE(width(form->ListBodyPicture, t) + 2, w) << t;
                                continue;
                            }
                            if (r == 0) {
                                const int room = HeaderTextRoom(g, c);
                                EXPECT_LE(CondenseToFit(form->ListHeaderPicture, t, room, HeaderNarrowest), room) << t;
                                continue;
                            }
                            const int room = CellTextRoom(g, c, r);
                            const std::string drawn = ShownCellText(form->ListBodyPicture, g, c, r);
                            EXPECT_LE(width(form->ListBodyPicture, drawn), room) << t;
                            EXPECT_TRUE(drawn == t || drawn.find("...") != std::string::npos) << drawn;
                        }
                    const QWidget* body = form->ScrollBox1->viewport();
                    EXPECT_EQ(form->Image7->width(), std::max(body->width(), TableWidth(g)));
                    EXPECT_EQ(form->ScrollBox1->horizontalScrollBar()->isVisible(), TableWidth(g) > body->width());
                    if (form->PanelList->height() < limit) {
                        EXPECT_GE(body->height(), form->Image7->height()) << "the last row above the bar";
                    }
                    // The names give way before a number leaves the view, down to
                    // a lone "..." and their header condensed (the remarks, last,
                    // only as far as they read easily). A table that scrolls all
                    // the same shows the remarks whole, and the shapes as wide as
                    // leaves the rows' edge between two columns: no number at its
                    // start is cut there.
                    if (TableWidth(g) > body->width()) {
                        const int narrowest = std::max(width(form->ListBodyPicture, "..."),
                                                       CondenseToFit(form->ListHeaderPicture, g.CellTexts[static_cast<std::size_t>(nameCol)][0], 0,
                                                                     tools ? HeaderReadable : HeaderNarrowest));
                        const int nameWidth = g.ColWidths[static_cast<std::size_t>(nameCol)];
                        EXPECT_GE(nameWidth, narrowest + CellTextGap);
                        bool edgeOnEdge = false;
                        for (int c = nameCol; c < g.ColCount; ++c) edgeOnEdge = edgeOnEdge || g.Cells[static_cast<std::size_t>(c)][0].right == body->width();
                        for (int r = 1; r < g.RowCount; ++r) {
                            const std::string& t = g.CellTexts[static_cast<std::size_t>(nameCol)][static_cast<std::size_t>(r)];
                            if (tools) {
                                EXPECT_EQ(ShownCellText(form->ListBodyPicture, g, nameCol, r), t);
                            }
                            for (int c = nameCol + 1; c < g.ColCount && !tools; ++c) {
                                const std::string& number = g.CellTexts[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
                                const int left = g.Cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)].left;
                                EXPECT_TRUE(number.empty() || left >= body->width() || left + width(form->ListBodyPicture, number) <= body->width())
                                    << number << " cut at the rows' edge";
                            }
                        }
                        EXPECT_TRUE(tools || edgeOnEdge || nameWidth == narrowest + CellTextGap) << "the shapes give way no further than needed";
                    }
                    if (panel >= j.allInViewFrom) {
                        EXPECT_LE(TableWidth(g), body->width()) << "every column in view";
                    }
                }
                CommandMenu.Current.clear();
                form->BuildCommandMenu(false);
            }
        }
    }
    EXPECT_TRUE(macros) << "a job has macro apertures";
}

TEST_F(LayerListGui, ApertureRowBlinksItsElementsOrSaysThereAreNone)
{
    form->RunCommandRow(CommandRowOf(CommandMenu, "Aperture"));
    ASSERT_TRUE(form->PanelList->isVisible());
    ASSERT_EQ(CodeTable.RowCount, 3);
    EXPECT_EQ(CodeTable.CellTexts[0][1], "D10");
    EXPECT_EQ(CodeTable.CellTexts[1][2], "CIR");
    EXPECT_EQ(CodeTable.CellTexts[2][2], "0.3");
    // D10 is on the shown layer: it blinks.
    Mouse(form->Image7, QEvent::MouseButtonRelease, 5, 9);
    EXPECT_EQ(CodeTable.HotRow, 1);
    EXPECT_TRUE(Highlight.Blinking);
    EXPECT_TRUE(boxes.shown.empty());
    // D11 only on hidden layer 3: the box, and no row stays selected.
    Mouse(form->Image7, QEvent::MouseButtonRelease, 5, 18 + 9);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "現在表示されているファイル(層)に D11 (0.3) は使用されておりません。");
    EXPECT_EQ(CodeTable.HotRow, -1);
}

TEST_F(LayerListGui, SubListsSwitchOptionsAndSave)
{
    form->RunCommandRow(CommandRowOf(CommandMenu, "SetView"));
    ASSERT_TRUE(form->PanelList->isVisible());
    EXPECT_EQ(form->PanelList->height(), 80);
    ASSERT_EQ(SubList.Count, 4);
    const bool letters = Options.DRILLCHR;
    const platform::Rect r = SubList.Rects[2];
    Mouse(form->Image6, QEvent::MouseButtonRelease, r.left + 3, r.top + 3);
    EXPECT_NE(Options.DRILLCHR, letters);
    EXPECT_EQ(SubList.LeftIcon[2], Options.DRILLCHR ? IconOn : IconOff);

    int saves = 0, exports = 0;
    SaveProjectFile = [&] { ++saves; };
    ExportEarlierProjects = [&] { ++exports; };
    MemoReadFlag = 0;
    form->RunCommandRow(CommandRowOf(CommandMenu, "Save"));
    ASSERT_EQ(SubList.Count, 2);
    // The memo is unread: the question comes first, and No stops.
    boxes.answers = {platform::MsgResult::No};
    Mouse(form->Image6, QEvent::MouseButtonRelease, SubList.Rects[1].left + 3, SubList.Rects[1].top + 3);
    EXPECT_EQ(exports, 0);
    Mouse(form->Image6, QEvent::MouseButtonRelease, SubList.Rects[1].left + 3, SubList.Rects[1].top + 3);
    EXPECT_EQ(exports, 1);
    EXPECT_EQ(SaveFormat, 1);
    Mouse(form->Image6, QEvent::MouseButtonRelease, SubList.Rects[0].left + 3, SubList.Rects[0].top + 3);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(SaveFormat, 0);
    EXPECT_EQ(boxes.shown.size(), 3u);
    SaveProjectFile = SaveProjectFileCommand;
    ExportEarlierProjects = [] {};
    MemoReadFlag = 1;
    Options = {};
}

TEST_F(LayerListGui, TwentySixLayersScrollWithinTheLimit)
{
    for (int l = 4; l <= core::MaxLayers; ++l) viewtest::ShowLayer(l, Green);
    form->BuildCommandMenu(true);
    const int limit = LayerTableLimit(ToolButton::None, form->PanelFile->height() - 242, "");
    EXPECT_EQ(form->PanelLayer->height(), std::min(limit, 26 * 18 + 40));
    EXPECT_EQ(form->Image9->height(), 26 * 18);
    QScrollBar* bar = form->ScrollBox2->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
    // A notch over the rows scrolls a row.
    const QPointF p(20, 9);
    QWheelEvent e(p, form->Image9->mapToGlobal(p), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->Image9, &e);
    EXPECT_EQ(bar->value(), 18);
    // The last row is still hit where it is drawn.
    const QPoint last = Cell(2, 26);
    Mouse(form->Image9, QEvent::MouseButtonPress, last.x(), last.y());
    Mouse(form->Image9, QEvent::MouseButtonRelease, last.x(), last.y());
    EXPECT_EQ(core::LayerTable[26].Active, 0);
    EXPECT_EQ(ShownLayerCount, 23);   // 2 and 3 were hidden
}

} // namespace
