// The information balloon and the design-rule run in the main window
// offscreen, on real boards: what a click shows and where, stepping and
// closing; the run from "検出" against the probe's check of the same files
// with the same settings, its marks on shown layers, the blink and the count.
#include "CorpusBoards.h"
#include "dialogs/qt/FolderDialog.h"
#include "core/TextHelpers.h"
#include "tests/main/WindowFixture.h"
#include "view/Picking.h"
#include "view/ReportTools.h"
#include "view/ToolPages.h"
#include "view/ToolState.h"
#include "platform/NumberText.h"

#include <QTimer>

#include <cstdio>

namespace {

using namespace mainwin;
namespace fs = std::filesystem;

const fs::path Cad = corpusboards::Cad;

class ReportToolsGui : public maintest::MainWindowGui {
protected:
    void TearDown() override
    {
        ShowDrcSettings = [] { return 1; };
        AskReplaceOrAdd = DefaultReplaceOrAdd;
        core::ClearDrcErrors();
        core::DrcSettings = {};
        MainWindowGui::TearDown();
    }
    // Every Gerber and drill file of a corpus folder opened in the window,
    // every layer shown.
    bool Open(const std::string& folder)
    {
        MyOpenFiles list;
        for (const auto& f : fs::directory_iterator(Cad / folder)) {
            const int kind = core::DetectFileType(f.path().string());
            if (kind == core::fkRS274X || kind == core::fkNcDrill) list.Add(f.path());
        }
        boxes.positiveByDefault = false;   // no aperture report
        if (list.Count < 1 || OpenFileList(list) != 1) return false;
        for (int l = 1; l <= core::LayerCount; ++l) core::LayerTable[static_cast<std::size_t>(l)].Active = 1;
        form->RedrawView();
        return true;
    }
    // The first element of a kind on a shown layer, -1 none.
    static int Find(int kind)
    {
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Kind == kind && core::LayerTable[static_cast<std::size_t>(e.Layer)].Active == 1) return i;
        }
        return -1;
    }
    // Zoomed in four times about a point 5 mm to the right of and below the
    // given one (d = 1), which then stands in the upper left of the
    // picture, or to the left and above (d = -1).
    void ZoomBeside(double x, double y, int d)
    {
        SetViewZoom(true, x + 5 * d, y - 5 * d, -4.0);
        form->RedrawView();
    }
    static QPoint Pixel(double x, double y)
    {
        int px = 0, py = 0;
        DataToScreen(x, y, px, py);
        return {px, py};
    }
    void Click(QPoint p, Qt::MouseButton b = Qt::LeftButton) { Mouse(form->Image1, QEvent::MouseButtonPress, p.x(), p.y(), b); }
    // Where the balloon's tail points, in pixels of the picture.
    QPoint Tail() const
    {
        return form->Image1->mapFrom(form.get(), form->Image11->pos() + QPoint(InfoTable.Outline[0].x, InfoTable.Outline[0].y));
    }
    // The tail's tip lies on the point, or a pixel or two inside the
    // balloon from it where it opens left or up.
    bool AtTail(QPoint p) const
    {
        const QPoint d = p - Tail();
        return d.x() >= 0 && d.x() <= 1 && d.y() >= 0 && d.y() <= 2;
    }
    // A pixel of the picture where nothing lies near enough to be picked.
    QPoint EmptySpot() const
    {
        for (int y = 5; y < form->Image1->height(); y += 7)
            for (int x = 5; x < form->Image1->width(); x += 7) {
                MyInfoSet none;
                if (PickPrimitives(x, y, none) == 0 && none.Count == 0) return {x, y};
            }
        return {-1, -1};
    }
    std::string Shown(std::size_t row) const { return row < InfoTable.Texts.size() ? InfoTable.Texts[row] : std::string(); }
};

TEST_F(ReportToolsGui, BalloonTellsOfTheElementClickedAndStepsThroughThePicks)
{
    if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
    ASSERT_TRUE(Open("kicad-older"));
    form->swInfo->click();

    // A pad in the upper left of the picture: the balloon opens right and
    // down with its tail on the pad's edge.
    const int pad = Find(core::dkFlash);
    ASSERT_GE(pad, 0);
    const core::DataElement& e = core::Datas[static_cast<std::size_t>(pad)];
    ZoomBeside(e.X3, e.Y3, 1);
    Click(Pixel(e.X3, e.Y3));
    ASSERT_TRUE(form->Image11->isVisible());
    ASSERT_GE(InfoPicks.Count, 1);
    EXPECT_EQ(InfoTable.Id, "Info");
    EXPECT_EQ(Shown(1), "1/" + std::to_string(InfoPicks.Count));
    const std::size_t k = static_cast<std::size_t>(InfoPicks.Current);
    EXPECT_TRUE(AtTail(Pixel(InfoPicks.PointX[k], InfoPicks.PointY[k])));
    EXPECT_GT(form->Image11->x(), form->Image1->mapTo(form.get(), QPoint(0, 0)).x());
    EXPECT_TRUE(form->sw1->isVisible() && form->sw2->isVisible());
    EXPECT_EQ(form->sw1->isEnabled(), InfoPicks.Count >= 2);
    // The buttons stand inside the balloon, under its rule.
    EXPECT_TRUE(form->Image11->geometry().contains(form->sw1->geometry()));
    EXPECT_TRUE(form->Image11->geometry().contains(form->sw2->geometry()));
    EXPECT_TRUE(Highlight.Visible && Highlight.Blinking);

    // A click on nothing leaves the balloon and what it steps through.
    const std::vector<std::string> before = InfoTable.Texts;
    const std::vector<std::int32_t> picks = InfoPicks.Items;
    Click(EmptySpot());
    EXPECT_TRUE(form->Image11->isVisible());
    EXPECT_EQ(InfoTable.Texts, before);
    EXPECT_EQ(InfoPicks.Items, picks);
    // Nor does a click on the balloon itself.
    Mouse(form->Image11, QEvent::MouseButtonPress, form->Image11->width() / 2, form->Image11->height() / 2);
    EXPECT_TRUE(form->Image11->isVisible());

    // A drill hit's edge lies on its pad's hole too: several picks, and
    // "次へ" goes through them and back to the first.
    const int hole = Find(core::dkDrill);
    ASSERT_GE(hole, 0);
    const core::DataElement& h = core::Datas[static_cast<std::size_t>(hole)];
    const double r = core::LeadingNumber(core::Tools[static_cast<std::size_t>(h.Code)].Diameter) / 2;
    ZoomBeside(h.X3, h.Y3, 1);
    Click(Pixel(h.X3 + r, h.Y3));
    ASSERT_GE(InfoPicks.Count, 2);
    EXPECT_TRUE(form->sw1->isEnabled());
    std::vector<std::string> figures{Shown(7)};
    for (int step = 1; step <= InfoPicks.Count; ++step) {
        form->sw1->click();
        EXPECT_EQ(InfoPicks.Current, step % InfoPicks.Count);
        EXPECT_EQ(Shown(1), std::to_string(InfoPicks.Current + 1) + "/" + std::to_string(InfoPicks.Count));
        figures.push_back(Shown(7));
    }
    EXPECT_EQ(figures.front(), figures.back());
    EXPECT_NE(std::find(figures.begin(), figures.end(), "ドリル"), figures.end());
    // The middle button does what "次へ" does.
    Click(Pixel(h.X3 + r, h.Y3), Qt::MiddleButton);
    EXPECT_EQ(InfoPicks.Current, 1);

    // The pad in the lower right: up and to the left of it.
    ZoomBeside(e.X3, e.Y3, -1);
    Click(Pixel(e.X3, e.Y3));
    const QPoint tail = Tail();
    EXPECT_TRUE(AtTail(Pixel(InfoPicks.PointX[0], InfoPicks.PointY[0])));
    EXPECT_LT(form->Image11->x() + form->Image11->width() / 2, form->Image1->mapTo(form.get(), tail).x());
    EXPECT_LT(form->Image11->y() + form->Image11->height() / 2, form->Image1->mapTo(form.get(), tail).y());

    // Zoomed in about the pad, the balloon stays with it.
    const QPoint was = tail;
    Wheel(form->Image1, was.x(), was.y(), 120);
    Mouse(form->Image1, QEvent::MouseMove, was.x(), was.y());
    Wheel(form->Image1, was.x(), was.y(), 120);
    ASSERT_TRUE(form->Image11->isVisible());
    EXPECT_NE(View.Zoom, 4.0);
    EXPECT_TRUE(AtTail(Pixel(InfoPicks.PointX[0], InfoPicks.PointY[0])));

    // A right click closes it all.
    Click(EmptySpot(), Qt::RightButton);
    EXPECT_FALSE(form->Image11->isVisible() || form->sw1->isVisible() || form->sw2->isVisible());
    EXPECT_FALSE(form->Image2->isVisible());
    EXPECT_EQ(InfoPicks.Count, 0);
    EXPECT_EQ(InfoPicks.Current, -1);
}

// The probe's errors as lines: type, layer, mark and message.
std::vector<std::string> ProbeErrors(const std::string& args, int& count)
{
    std::vector<std::string> lines;
    count = -1;
    FILE* p = ::popen((std::string("'") + TESSEL2_BINARY_DIR + "/tessel2-probe' drc " + args + " 2>/dev/null").c_str(), "r");
    if (!p) return lines;
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
    std::size_t at = 0;
    for (std::size_t end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = out.substr(at, end - at);
        if (line.starts_with("errors=")) count = std::stoi(line.substr(7));
        else lines.push_back(line);
    }
    return lines;
}

std::string Fixed4(double v)
{
    char b[64];
    std::snprintf(b, sizeof b, "%.4f", v);
    return b;
}

std::vector<std::string> WindowErrors()
{
    std::vector<std::string> lines;
    for (std::int32_t k = 0; k < core::DrcErrors.Count; ++k) {
        const core::MyErrPointSet& p = core::DrcErrors.Points[static_cast<std::size_t>(k)];
        lines.push_back(std::to_string(p.ErrorType) + "\t" + std::to_string(core::Datas[static_cast<std::size_t>(p.Element)].Layer) +
                        "\t" + Fixed4(p.X) + "\t" + Fixed4(p.Y) + "\t" + p.Message);
    }
    return lines;
}

// The first layer whose file name holds one of the words, 0 none.
int LayerNamed(std::initializer_list<const char*> words)
{
    for (int l = 1; l <= core::LayerCount; ++l) {
        std::string name = core::LayerTable[static_cast<std::size_t>(l)].FileName;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const char* w : words)
            if (name.find(w) != std::string::npos) return l;
    }
    return 0;
}

TEST_F(ReportToolsGui, RunFromThePageFindsWhatTheProbeFinds)
{
    if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
    for (const char* board : {"kicad-older", "eagle-newer", "upverter"}) {
        SCOPED_TRACE(board);
        form->ResetTools(true);
        ASSERT_TRUE(Open(board));
        // Widths and directions on every layer, the top side's resist and silk.
        const int resist = LayerNamed({"f.mask", "soldermask_top", ".gts"}), silk = LayerNamed({"f.silks", "silkscreen_top", ".gto"});
        ASSERT_GT(resist, 0);
        ASSERT_GT(silk, 0);
        std::string args = "--top " + std::to_string(resist) + "," + std::to_string(silk) + ",0.2";
        for (int l = 1; l <= core::LayerCount; ++l) args += " --width " + std::to_string(l) + "=0.3 --angle " + std::to_string(l);
        for (int l = 1; l <= core::LayerCount; ++l) {
            const core::MyLayerSet& s = core::LayerTable[static_cast<std::size_t>(l)];
            args += " '" + (fs::path(s.Folder) / s.FileName).string() + "'";
        }
        int settingsShown = 0;
        ShowDrcSettings = [&] {
            ++settingsShown;
            core::MyDrcSet& s = core::DrcSettings;
            s.Count = core::LayerCount;
            s.MinWidth.assign(static_cast<std::size_t>(s.Count) + 1, 0.3);
            s.AngleCheck.assign(static_cast<std::size_t>(s.Count) + 1, 1);
            s.TopOn = 1;
            s.TopResist = resist;
            s.TopSilk = silk;
            s.TopGap = 0.2;
            s.BottomOn = 0;
            return 1;
        };
        form->swDRC->click();
        boxes.shown.clear();
        form->sw5->click();
        EXPECT_EQ(settingsShown, 1);

        int probeCount = 0;
        const std::vector<std::string> expected = ProbeErrors(args, probeCount);
        ASSERT_GT(probeCount, 0);
        EXPECT_EQ(core::DrcErrors.Count, probeCount);
        EXPECT_EQ(WindowErrors(), expected);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, std::to_string(probeCount) + DrcErrorsFoundText);
        EXPECT_FALSE(form->GaugePanel->isVisible());
        EXPECT_FALSE(platform::BusyGuard::Active());
        EXPECT_EQ(form->ActiveTool(), ToolButton::Drc);
        EXPECT_EQ(ToolPageRows.Caption[1], std::to_string(probeCount) + "/" + std::to_string(probeCount));
    }
}

// "検出" shows the folder dialog's design-rule page first: cancelled, nothing
// runs; carried out, the check runs with the rules it built from the
// layers' contents.
TEST_F(ReportToolsGui, SettingsPageComesFirst)
{
    if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
    ASSERT_TRUE(Open("kicad-older"));
    const int copper = LayerNamed({"f.cu"});
    core::LayerTable[static_cast<std::size_t>(copper)].Contents = "部品面パターン";
    dialogs::TFolderDialog dialog(form.get());
    ConnectFolderDialog();
    form->swDRC->click();
    for (const auto button : {dialogs::folder::FolderButton::swCancel, dialogs::folder::FolderButton::swOK}) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = dialog.isVisible() && dialogs::folder::FolderMode == "DRC";
            dialog.ButtonOf(button)->click();
        });
        boxes.shown.clear();
        form->sw5->click();
        EXPECT_TRUE(shown);
        EXPECT_EQ(boxes.shown.empty(), button == dialogs::folder::FolderButton::swCancel);
    }
    EXPECT_EQ(core::DrcSettings.MinWidth[static_cast<std::size_t>(copper)], 0.2);
    ASSERT_GT(core::DrcErrors.Count, 0);
    for (const core::MyErrPointSet& p : core::DrcErrors.Points) EXPECT_EQ(core::Datas[static_cast<std::size_t>(p.Element)].Layer, copper);
}

TEST_F(ReportToolsGui, MarksFollowShownLayersAndBlinkTheirElements)
{
    if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
    ASSERT_TRUE(Open("kicad-older"));
    // A width rule on the outline alone: a few errors far apart.
    const int copper = LayerNamed({"edge.cuts"});
    ShowDrcSettings = [&] {
        core::DrcSettings = {};
        core::DrcSettings.Count = core::LayerCount;
        core::DrcSettings.MinWidth.assign(static_cast<std::size_t>(core::LayerCount) + 1, 0.0);
        core::DrcSettings.AngleCheck.assign(static_cast<std::size_t>(core::LayerCount) + 1, 0);
        core::DrcSettings.MinWidth[static_cast<std::size_t>(copper)] = 0.3;
        return 1;
    };
    form->swDRC->click();
    form->sw5->click();
    const int n = core::DrcErrors.Count;
    ASSERT_GT(n, 0);
    // A mark with no other one near enough to cross it.
    std::vector<QPoint> marks;
    for (const core::MyErrPointSet& p : core::DrcErrors.Points) marks.push_back(Pixel(p.X, p.Y));
    QPoint mark(-100, -100);
    for (const QPoint& m : marks) {
        const bool inside = m.x() > 20 && m.y() > 20 && m.x() < form->Image1->width() - 20 && m.y() < form->Image1->height() - 20;
        if (inside && std::count_if(marks.begin(), marks.end(), [&](const QPoint& o) {
                return std::abs(o.x() - m.x()) < 40 && std::abs(o.y() - m.y()) < 40;
            }) == 1) {
            mark = m;
            break;
        }
    }
    ASSERT_GE(mark.x(), 0);
    const platform::Color white = platform::RGB(255, 255, 255);
    // The crosses are drawn; nothing blinks until asked.
    EXPECT_EQ(Picture().Pixel(mark.x() + 14, mark.y() - 14), white);
    EXPECT_FALSE(Highlight.Blinking);
    EXPECT_EQ(ToolPageRows.Caption[1], std::to_string(n) + "/" + std::to_string(n));

    // "データブリンク": the error elements blink on the highlight layer.
    Mouse(form->Image10, QEvent::MouseButtonRelease, ToolPageRows.Rects[3].left + 5, ToolPageRows.Rects[3].top + 5);
    EXPECT_EQ(core::DrcSettings.BlinkErrors, 1);
    EXPECT_TRUE(Highlight.Blinking);
    EXPECT_TRUE(form->Image2->isVisible());

    // The copper layer hidden: no marks, none counted in front of the slash.
    core::LayerTable[static_cast<std::size_t>(copper)].Active = 0;
    form->RedrawView();
    EXPECT_NE(Picture().Pixel(mark.x() + 14, mark.y() - 14), white);
    EXPECT_EQ(ToolPageRows.Caption[1], "0/" + std::to_string(n));
    core::LayerTable[static_cast<std::size_t>(copper)].Active = 1;

    // "エラー箇所表示" off: no marks, the elements still blink while asked to;
    // "データブリンク" off too: nothing.
    Mouse(form->Image10, QEvent::MouseButtonRelease, ToolPageRows.Rects[2].left + 5, ToolPageRows.Rects[2].top + 5);
    EXPECT_EQ(core::DrcSettings.ShowErrors, 0);
    EXPECT_NE(Picture().Pixel(mark.x() + 14, mark.y() - 14), white);
    EXPECT_TRUE(Highlight.Blinking);
    Mouse(form->Image10, QEvent::MouseButtonRelease, ToolPageRows.Rects[3].left + 5, ToolPageRows.Rects[3].top + 5);
    EXPECT_EQ(core::DrcSettings.BlinkErrors, 0);
    EXPECT_FALSE(Highlight.Blinking);

    // Marks only while the tool is down: gone at the next redraw.
    Mouse(form->Image10, QEvent::MouseButtonRelease, ToolPageRows.Rects[2].left + 5, ToolPageRows.Rects[2].top + 5);
    EXPECT_EQ(Picture().Pixel(mark.x() + 14, mark.y() - 14), white);
    form->swDRC->click();
    form->RedrawView();
    EXPECT_NE(Picture().Pixel(mark.x() + 14, mark.y() - 14), white);
}

TEST_F(ReportToolsGui, CancelKeepsTheErrorsAndNoErrorsEndsTheTool)
{
    LoadBoard();
    core::AppendDrcError({0, 1, 1, "線幅エラー(0.2/layer1/)", core::etLineWidth});
    form->swDRC->click();

    // Settings cancelled: nothing runs, the errors stay.
    ShowDrcSettings = [] { return 0; };
    boxes.shown.clear();
    form->sw5->click();
    EXPECT_EQ(core::DrcErrors.Count, 1);
    EXPECT_TRUE(boxes.shown.empty());

    // Rules the board keeps: no error, the message, and the tool ends.
    ShowDrcSettings = [] {
        core::DrcSettings = {};
        core::DrcSettings.Count = core::LayerCount;
        core::DrcSettings.MinWidth.assign(static_cast<std::size_t>(core::LayerCount) + 1, 0.1);
        core::DrcSettings.AngleCheck.assign(static_cast<std::size_t>(core::LayerCount) + 1, 1);
        return 1;
    };
    // The page stays, with the count of the run, behind the message and
    // after it, until the next tool or menu action.
    struct PageAtMessage final : platform::MessageBoxes {
        TFormMain& form;
        std::vector<std::string> texts;
        bool pageShown = false;
        std::string count;
        explicit PageAtMessage(TFormMain& f) : form(f) {}
        platform::MsgResult Show(const std::string& text, const std::string&, platform::MsgIcon, platform::MsgButtons) override
        {
            texts.push_back(text);
            pageShown = form.ParaPanel->isVisible();
            count = ToolPageRows.Caption.at(1);
            return platform::MsgResult::Ok;
        }
    } atMessage(*form);
    {
        platform::ScopedMessageBoxes scoped(&atMessage);
        form->sw5->click();
    }
    EXPECT_EQ(core::DrcErrors.Count, 0);
    EXPECT_EQ(atMessage.texts, std::vector<std::string>{DrcNoErrorsText});
    EXPECT_TRUE(atMessage.pageShown);
    EXPECT_EQ(atMessage.count, "0/0");
    EXPECT_EQ(form->ActiveTool(), ToolButton::None);
    EXPECT_TRUE(form->ParaPanel->isVisible());
    EXPECT_EQ(ToolPageRows.Caption.at(1), "0/0");
    EXPECT_EQ(form->StatusBar1->PanelText(2), ToolHint(ToolButton::None));
    // Released, the page runs nothing.
    EXPECT_FALSE(form->sw5->isEnabled());
    ClickRow(8);
    EXPECT_FALSE(form->ParaPanel->isVisible());
    form->swDRC->click();
    EXPECT_TRUE(form->ParaPanel->isVisible());
    EXPECT_TRUE(form->sw5->isEnabled());
}

} // namespace
