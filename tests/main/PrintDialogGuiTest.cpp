// The print dialog offscreen on real boards, with no printer queue: the
// print command hands the view over and prints through the dialog's button
// into a PDF file, measured as a picture; the questions before printing;
// the outline choice forgotten only when the layers changed; printer
// set-up; the wheel over the list.
#include "core/Datas.h"
#include "core/Geometry.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "main/PrintCommand.h"
#include "output/FormPrint.h"
#include "output/PrintEngine.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "view/LayerList.h"
#include "tests/output/PdfPages.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using namespace mainwin;
using output::TFormPrint;
using platform::MsgResult;

namespace {

const fs::path Cad = fs::path(TESSEL2_CORPUS) / "cad";

void Mouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF p(x, y);
    QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : button,
                  type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, int x, int y, Qt::MouseButton button = Qt::LeftButton)
{
    Mouse(w, QEvent::MouseMove, x, y);
    Mouse(w, QEvent::MouseButtonPress, x, y, button);
    Mouse(w, QEvent::MouseButtonRelease, x, y, button);
}

QPoint Centre(const platform::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class PrintDialogGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        // No printer queue, whatever the machine has: jobs go to PDF files.
        setenv("CUPS_SERVER", (root / "no-cups.sock").c_str(), 1);
        setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
        platform::ResetProgramFolder();
        core::DataFolder = (root / "home" / "DATA").string();
        fs::create_directories(core::DataFolder);
        ShellOpenFile = [](const std::string&) { return true; };
        platform::SetFileDialogs(&dialogs);
        ClearAllData(true);
        form = std::make_unique<TFormPrint>();
        ConnectPrintDialog();
    }
    void TearDown() override
    {
        form.reset();
        platform::SetFileDialogs(nullptr);
        PrintCommand = [] {};
        SignalLayersChanged = [] {};
        ConfirmFormats = [](const std::string&) { return true; };
        ShellOpenFile = [](const std::string&) { return true; };
        ClearAllData(true);
        platform::ResetProgramFolder();
    }

    void Open(const char* board, std::vector<const char*> names)
    {
        std::vector<std::string> files;
        for (const char* n : names) files.push_back((Cad / board / n).string());
        MyOpenFiles list = MakeOpenList(files, 0);
        platform::FakeMessageBoxes quiet;
        platform::ScopedMessageBoxes scoped(&quiet);
        quiet.positiveByDefault = false;   // no aperture report
        ASSERT_EQ(OpenFileListRun(list), 1);
    }
    // Shows the dialog as the print command does, without its event loop.
    void Show()
    {
        SaveViewRecord(fs::path(core::DataFolder) / output::DataAreaFile);
        form->FormShow();
        form->show();
        QApplication::processEvents();
    }
    // Runs `act` once the dialog is up in its own loop.
    void WhenShown(std::function<void()> act)
    {
        auto* timer = new QTimer(form.get());
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, act] {
            if (QApplication::activeModalWidget() != form.get()) return;
            timer->stop();
            act();
        });
        timer->start(5);
    }
    void ClickItem(int item, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint p = Centre(output::PrintPanel.Rects[static_cast<std::size_t>(item)]);
        Click(form->Image0, p.x(), p.y(), button);
    }
    std::string Pdf(const char* name) const { return (root / name).string(); }

    QTemporaryDir dir;
    fs::path root{dir.path().toStdString()};
    platform::FakeFileDialogs dialogs;
    std::unique_ptr<TFormPrint> form;
};

} // namespace

// The print command: the view record is there while the dialog is, and gone
// after it; the heading prints every layer, the print button asks and
// writes a page a layer into the PDF file asked for, the board outline's
// bottom track 62.21 mm on paper, its side 21.26 mm, in the page's middle;
// the sheet button prints the sheets chosen.
TEST_F(PrintDialogGui, PrintsARealBoardThroughItsButton)
{
    if (!pdfpages::HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
    Open("eagle-newer", {"profile.gbr", "copper_top.gbr"});
    const fs::path record = fs::path(core::DataFolder) / output::DataAreaFile;
    dialogs.saveAnswers.push_back({true, Pdf("board.pdf")});
    dialogs.saveAnswers.push_back({true, Pdf("sheets.pdf")});
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    bool shown = false;
    WhenShown([&] {
        shown = form->isVisible();
        EXPECT_EQ(fs::file_size(record), 128u);
        ClickItem(output::piListHead);
        form->swEnter->click();
        // Two of the data sheets, asked for no more than that.
        ClickItem(output::piGerberSheet);
        ClickItem(output::piApertureSheet);
        form->sw5->click();
        form->swClose->click();
    });
    PrintCommand();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(fs::exists(record));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "プリンター「PDF ファイル」に\n\r2 ページ分のデータを送ります。\n\rよろしいですか？");
    ASSERT_EQ(dialogs.saveRequests.size(), 2u);
    EXPECT_EQ(pdfpages::PageCount(Pdf("sheets.pdf")), 2);
    EXPECT_EQ(core::StepMarks[1], 1);
    EXPECT_EQ(ShownLayerCount, 2);

    const std::string pdf = Pdf("board.pdf");
    ASSERT_EQ(pdfpages::PageCount(pdf), 2);
    const pdfpages::Page outline = pdfpages::Raster(pdf, 2, root);
    ASSERT_GT(outline.w, 0);
    const pdfpages::Box b = pdfpages::InkBox(outline);
    EXPECT_NEAR(b.Width(), 62.21, 0.2);
    EXPECT_NEAR(b.Height(), 21.26, 0.2);
    // The view record gave the board's centre: the middle of the page.
    EXPECT_NEAR(b.CentreX(), outline.w / pdfpages::PixelsPerMm / 2, 0.3);
    EXPECT_NEAR(b.CentreY(), outline.h / pdfpages::PixelsPerMm / 2, 0.3);
}

// A job of four pages in N/P mode, two of them masked by the outline's box,
// one with the outline and drill holes joined: the preview steps through
// the pages, and each is the printed page at the preview's scale: its
// ground, its layers and its footer.
TEST_F(PrintDialogGui, ThePreviewShowsEachPageAsPrinted)
{
    if (!pdfpages::HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
    const fs::path holes = root / "holes.drl";
    std::ofstream(holes) << "M48\nMETRIC\nT1C0.800\n%\nT1\nX10.0Y10.0\nX30.0Y12.0\nX50.0Y10.0\nM30\n";
    ConfirmFormats = [](const std::string&) {
        core::DrillFormat.Units = 0;
        core::DrillFormat.OffsetX = core::DrillFormat.OffsetY = 0;
        return true;
    };
    std::vector<std::string> files;
    for (const char* n : {"copper_bottom.gbr", "copper_top.gbr", "profile.gbr", "silkscreen_top.gbr"})
        files.push_back((Cad / "eagle-newer" / n).string());
    files.push_back(holes.string());
    MyOpenFiles list = MakeOpenList(files, 0);
    {
        platform::FakeMessageBoxes quiet;
        platform::ScopedMessageBoxes scoped(&quiet);
        quiet.positiveByDefault = false;
        ASSERT_EQ(OpenFileListRun(list), 1);
    }
    ASSERT_EQ(core::LayerCount, 5);
    ASSERT_EQ(core::LayerTable[3].FileName, "profile.gbr");
    ASSERT_EQ(core::Tools[1].Symbol, "A");
    for (int l = 1; l <= 5; ++l) core::LayerTable[static_cast<std::size_t>(l)].Active = 1;
    core::LayerTable[5].PageLetter = "B";   // the holes on copper_top's page
    core::LayerTable[2].CombineMask = core::LayerTable[2].CombineOutline = 1;
    core::LayerTable[4].CombineMask = 1;
    Show();
    output::PrintSettings.ColorMode = output::pmInverted;
    output::PrintSettings.PageColor = output::Black;
    output::PrintSettings.OutlineLayer = 3;
    form->RenderPreview();
    constexpr int Pages = 4;
    ASSERT_EQ(output::PrintPages().size(), static_cast<std::size_t>(Pages));
    std::vector<platform::RasterCanvas> previews;
    for (int k = 0; k < Pages; ++k) {
        EXPECT_TRUE(form->LabelPage->isVisible());
        EXPECT_EQ(form->LabelPage->text().toStdString(), std::to_string(k + 1) + " / 4 ページ");
        EXPECT_EQ(form->swPagePrev->isEnabled(), k > 0);
        EXPECT_EQ(form->swPageNext->isEnabled(), k + 1 < Pages);
        previews.push_back(form->PreviewPicture);
        form->swPageNext->click();
    }

    dialogs.saveAnswers.push_back({true, Pdf("job.pdf")});
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    form->swEnter->click();
    ASSERT_EQ(pdfpages::PageCount(Pdf("job.pdf")), Pages);
    const output::MyPrintSet& ps = output::PrintSettings;
    for (int k = 0; k < Pages; ++k) {
        SCOPED_TRACE("page " + std::to_string(k + 1));
        const pdfpages::Page paper = pdfpages::Raster(Pdf("job.pdf"), k + 1, root);
        ASSERT_GT(paper.w, 0);
        const platform::RasterCanvas& preview = previews[static_cast<std::size_t>(k)];
        const int w = preview.Width(), h = preview.Height();
        // The share of ink on the paper under each preview pixel.
        auto paperX = [&](int x) {
            return static_cast<int>((double(x) / w * ps.HorzRes + ps.PhysicalOffsetX) / ps.PhysicalWidth * paper.w);
        };
        auto paperY = [&](int y) {
            return static_cast<int>((double(y) / h * ps.VertRes + ps.PhysicalOffsetY) / ps.PhysicalHeight * paper.h);
        };
        std::vector<double> ink(static_cast<std::size_t>(w) * h);
        // Dark and light pixels in the footer's strip, the bottom 12 mm.
        long long footer[2][2] = {};   // [preview, paper][dark, light]
        const int strip = h - static_cast<int>(h / ps.VertSize * 12);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int dark = 0, n = 0;
                for (int py = paperY(y); py < paperY(y + 1); ++py)
                    for (int px = paperX(x); px < paperX(x + 1); ++px) dark += paper.Ink(px, py), ++n;
                ink[static_cast<std::size_t>(y) * w + x] = n ? double(dark) / n : 0;
                if (y >= strip) footer[1][0] += dark, footer[1][1] += n - dark;
            }
        // A pixel agrees when the paper next to it has what it shows: edges
        // and hairlines a pixel wide on the preview pass, a ground, a layer
        // or a letter that is not on the paper does not. Counted over the
        // page and over the board's box (the outline's, 1 mm around).
        core::MyBox b;
        core::LayerExtents(3, b);
        const platform::Rect box = output::WorldRectToDevice(b[0] - 1, b[1] + 1, b[2] - 1, b[3] + 1);
        long long same[2] = {}, all[2] = {};   // [page, board]
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const platform::Color c = preview.Pixel(x, y);
                const bool dark = platform::RedOf(c) + platform::GreenOf(c) + platform::BlueOf(c) < 384;
                if (y >= strip) ++footer[0][dark ? 0 : 1];
                double most = 0, least = 1;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const double f = ink[static_cast<std::size_t>(y + dy) * w + x + dx];
                        most = std::max(most, f), least = std::min(least, f);
                    }
                const bool agrees = dark ? most > 0.1 : least < 0.9;
                const bool onBoard = x * ps.HorzRes >= box.left * w && x * ps.HorzRes < box.right * w &&
                                     y * ps.VertRes >= box.top * h && y * ps.VertRes < box.bottom * h;
                for (int r = 0; r < (onBoard ? 2 : 1); ++r) same[r] += agrees, ++all[r];
            }
        ASSERT_GT(all[1], 1000);
        EXPECT_GT(static_cast<double>(same[0]) / static_cast<double>(all[0]), 0.999);
        EXPECT_GT(static_cast<double>(same[1]) / static_cast<double>(all[1]), 0.99);
        // The footer stands out from its ground on the preview as on paper.
        for (int side = 0; side < 2; ++side) {
            EXPECT_GT(footer[side][0], 20) << side;
            EXPECT_GT(footer[side][1], 20) << side;
        }
    }
}

// Before anything prints: nothing without a shown layer; the question, and
// in N/P mode the warning too, each able to stop it; the file dialog last.
TEST_F(PrintDialogGui, QuestionsBeforePrinting)
{
    Open("kicad-older", {"chibi_2024-Edge.Cuts.gbr", "chibi_2024-F.Cu.gbr"});
    struct Case {
        const char* name;
        int mode;
        bool shown;
        std::vector<MsgResult> answers;
        size_t questions, fileDialogs;
    };
    const Case cases[] = {
        {"no layer shown", 0, false, {}, 0, 0},
        {"cancelled", 0, true, {MsgResult::Cancel}, 1, 0},
        {"N/P warned and cancelled", 1, true, {MsgResult::Yes, MsgResult::Cancel}, 2, 0},
        {"N/P confirmed", 1, true, {MsgResult::Yes, MsgResult::Yes}, 2, 1},
    };
    Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        output::PrintSettings.ColorMode = c.mode;
        core::LayerTable[1].Active = c.shown;
        core::LayerTable[2].Active = 0;
        platform::FakeMessageBoxes boxes;
        platform::ScopedMessageBoxes scoped(&boxes);
        boxes.answers.assign(c.answers.begin(), c.answers.end());
        dialogs.saveRequests.clear();
        form->swEnter->click();
        EXPECT_EQ(boxes.shown.size(), c.questions);
        // Each asks with Yes and Cancel.
        for (const auto& box : boxes.shown) EXPECT_EQ(box.buttons, platform::MsgButtons::YesCancel);
        if (c.questions == 2) {
            EXPECT_EQ(boxes.shown[1].text, output::NegativeWarningText);
        }
        EXPECT_EQ(dialogs.saveRequests.size(), c.fileDialogs);
    }
}

// The outline file chosen through its popup stays chosen at the next
// showing, until the main window says the layers changed (an open does).
TEST_F(PrintDialogGui, OutlineChoiceKeptUntilTheLayersChange)
{
    Open("kicad-older", {"chibi_2024-Edge.Cuts.gbr", "chibi_2024-F.Cu.gbr"});
    Show();
    ClickItem(output::piOutline);
    ASSERT_TRUE(form->Image3->isVisible());
    EXPECT_EQ(output::PrintPopup.Kind, "Layers");
    const QPoint edge = Centre(output::PrintPopup.Rects[1]);
    Click(form->Image3, edge.x(), edge.y());
    EXPECT_FALSE(form->Image3->isVisible());
    EXPECT_EQ(output::PrintSettings.OutlineLayer, 1);
    EXPECT_EQ(output::PrintPanel.Captions[output::piOutline], " chibi_2024-Edge.Cuts.gbr");
    form->hide();

    Show();
    EXPECT_EQ(output::PrintSettings.OutlineLayer, 1);
    form->hide();
    Open("kicad-older", {"chibi_2024-Edge.Cuts.gbr", "chibi_2024-F.Cu.gbr"});
    Show();
    EXPECT_EQ(output::PrintSettings.OutlineLayer, 0);
    EXPECT_EQ(form->windowTitle().toStdString(), output::PrintCaption);
}

// A confirmed printer set-up gives the preview the new paper's shape and
// the panel its size; a cancelled one changes nothing.
TEST_F(PrintDialogGui, PrinterSetupReshapesThePreview)
{
    Open("kicad-older", {"chibi_2024-F.Cu.gbr"});
    Show();
    for (const bool confirmed : {false, true}) {
        form->PrinterSetup = [&](output::QtPrintDevice& device) {
            if (confirmed) device.Printer().setPageOrientation(QPageLayout::Landscape);
            return confirmed;
        };
        ClickItem(output::piPaper);
        EXPECT_EQ(output::PrintPanel.Captions[output::piPaper], confirmed ? " 297 x 210" : " 210 x 297");
        EXPECT_EQ(form->Image1->width() > form->Image1->height(), confirmed);
    }
}

// Fourteen layers: the wheel over the list scrolls it a row a notch, over
// the preview it does nothing, even when no move over the list came first.
TEST_F(PrintDialogGui, WheelOverTheListScrollsIt)
{
    std::vector<std::string> files;
    for (const char* board : {"controller.", "driver."})
        for (const char* layer : {"bottom.gbr", "bottommask.gbr", "fab.gbr", "top.gbr", "topmask.gbr", "topsilk.gbr", "plated-drill.cnc"})
            files.push_back(std::string(board) + layer);
    std::vector<const char*> names;
    for (const std::string& f : files) names.push_back(f.c_str());
    Open("geda", names);
    Show();
    ASSERT_TRUE(form->ScrollBar1->isVisible());
    EXPECT_EQ(form->ScrollBar1->maximum(), 2);
    struct Turn { QWidget* moved; QWidget* wheeled; int delta, value; };
    const Turn turns[] = {{form->Image2, form->Image2, -120, 1}, {form->Image2, form->Image2, -240, 2},
                          {form->Image1, form->Image1, 120, 2},  {form->Image1, form->Image2, 120, 1}};
    for (const Turn& t : turns) {
        Mouse(t.moved, QEvent::MouseMove, 20, 20);
        QWheelEvent e(QPointF(20, 20), t.wheeled->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, t.delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(t.wheeled, &e);
        EXPECT_EQ(form->ScrollBar1->value(), t.value) << t.delta;
    }
    EXPECT_EQ(output::PrintLayerGrid.RowLayers.front(), 2);
}
