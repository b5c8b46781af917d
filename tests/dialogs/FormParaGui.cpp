// The parameters dialog's window offscreen, asked by the open command's
// hook: the balloon shows only within its outline, typed commas become
// points in the edit box, Enter presses no button, Esc and the buttons
// answer the open; the page buttons ask through the window's message boxes
// and file dialogs.
#include "core/FolderSettings.h"
#include "tests/PrivateHome.h"
#include "core/ProgramSettings.h"
#include "dialogs/DataPages.h"
#include "dialogs/JobPages.h"
#include "dialogs/qt/FormPara.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "platform/TextFile.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/dialogs/ParaDriver.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include <cctype>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <unistd.h>

using namespace dialogs;

namespace {

void Release(QWidget* w, platform::Point p)
{
    QMouseEvent e(QEvent::MouseButtonRelease, QPointF(p.x, p.y), w->mapToGlobal(QPointF(p.x, p.y)), Qt::LeftButton,
                  Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Key(QWidget* w, int key, const QString& text = {})
{
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &e);
}

class FormParaGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::GerberFormat = core::DefaultFormat("Gerber");
        core::DrillFormat = core::DefaultFormat("Drill");
        mainwin::ConnectParametersDialog();
    }
    void TearDown() override { mainwin::ConfirmFormats = [](const std::string&) { return true; }; }
    // Runs `steps` inside the modal loop of the confirmation; its answer.
    bool Confirm(const std::string& mode, std::function<void()> steps)
    {
        QTimer::singleShot(0, [&] {
            steps();
            // A step that left the window open fails the test, and closes it.
            if (form.isVisible()) {
                ADD_FAILURE() << "still open";
                form.reject();
            }
        });
        // Asked while the open holds the busy guard.
        platform::BusyGuard busy;
        return mainwin::ConfirmFormats(mode);
    }
    platform::Point Item(int i) { return paratest::Middle(ParaItems.Rects.at(static_cast<std::size_t>(i))); }
    TFormPara form;
};

TEST_F(FormParaGui, ChoicesTypedTextsAndTheAnswer)
{
    const bool confirmed = Confirm("Format", [&] {
        EXPECT_EQ(form.windowTitle().toStdString(), FormatCaption);
        EXPECT_EQ(form.size(), QSize(640, 380));
        EXPECT_TRUE(form.ButtonOf(ParaButton::sw1)->isVisible());
        // The busy cursor of the open does not reach the dialog.
        ASSERT_TRUE(QGuiApplication::overrideCursor());
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);

        Release(form.Image1, Item(paratest::GerberItems.units));
        ASSERT_TRUE(form.Image2->isVisible());
        EXPECT_EQ(form.Image2->geometry().topLeft(), QPoint(Para.Image2.Bounds.left, Para.Image2.Bounds.top));
        // Only the outline is the balloon: its corner beside the tip is not.
        EXPECT_FALSE(form.Image2->mask().contains(QPoint(0, 0)));
        EXPECT_TRUE(form.Image2->mask().contains(QPoint(paratest::Middle(ChoiceBalloon.Rects[1]).x, 20)));
        Release(form.Image2, paratest::Middle(ChoiceBalloon.Rects[1]));
        EXPECT_FALSE(form.Image2->isVisible());
        EXPECT_EQ(core::GerberFormat.Units, 1);

        Release(form.Image1, Item(paratest::DrillItems.offsetX));
        ASSERT_TRUE(form.Edit1->isVisible());
        Key(form.Edit1, Qt::Key_Minus, "-");
        Key(form.Edit1, Qt::Key_0, "0");
        Key(form.Edit1, Qt::Key_Comma, ",");
        Key(form.Edit1, Qt::Key_5, "5");
        EXPECT_EQ(form.Edit1->text().toStdString(), "-0.5");
        EXPECT_DOUBLE_EQ(core::DrillFormat.OffsetX, -0.5);
        // Enter goes to the next offset, not to a button.
        Key(form.Edit1, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(ParaItems.Clicked, paratest::DrillItems.offsetY);
        EXPECT_TRUE(form.Edit1->hasSelectedText());
        Key(&form, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
        form.ButtonOf(ParaButton::sw1)->click();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_FALSE(form.isVisible());

    // Esc closes the edit box first, then the window: the open is abandoned.
    EXPECT_FALSE(Confirm("FormatNC", [&] {
        EXPECT_EQ(form.size(), QSize(640, 240));
        Release(form.Image1, Item(paratest::DrillItems.offsetY));
        Key(form.Edit1, Qt::Key_Escape);
        EXPECT_FALSE(form.Edit1->isVisible());
        EXPECT_TRUE(form.isVisible());
        Key(&form, Qt::Key_Escape);
    }));
    // So does the close box, and "キャンセル".
    EXPECT_FALSE(Confirm("Format274D", [&] { form.close(); }));
    EXPECT_FALSE(Confirm("Format274D", [&] { form.ButtonOf(ParaButton::sw5)->click(); }));
}

TEST_F(FormParaGui, ParameterRowOpensTheTabs)
{
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(form.windowTitle().toStdString(), ParameterCaption);
        EXPECT_EQ(ParaTabs.Count, 4);
        EXPECT_TRUE(form.ButtonOf(ParaButton::sw2)->isVisible());
        EXPECT_FALSE(form.ButtonOf(ParaButton::sw1)->isVisible());
        form.ButtonOf(ParaButton::sw2)->click();
    });
    core::StepMarks.fill(0);
    mainwin::ShowParametersDialog();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(core::StepMarks[0], 1);
}

// Long file names widen the window in our font: the names whole, the
// contents' choices beside their column inside the window.
TEST_F(FormParaGui, LongFileNamesWidenTheWindow)
{
    for (const char* name : {"top.gbr", "numpres.pcb.output_componentsilk.grb", "numpres.pcb.output_componentsilk.grb.bak.old"}) {
        SCOPED_TRACE(name);
        core::ResetTables();
        core::LayerCount = 1;
        core::LayerTable[1].FileName = name;
        QTimer::singleShot(0, [&] {
            EXPECT_GE(ParaTable.ColWidths[0], PageTextWidth(name) + 22);
            Release(form.Image3, paratest::Middle(ParaTable.CellRects[1][0]));
            EXPECT_TRUE(form.Image2->isVisible());
            EXPECT_LE(form.Image2->geometry().right(), form.width());
            EXPECT_EQ(form.width() == 640, std::string(name) == "top.gbr");
            form.ButtonOf(ParaButton::sw2)->click();
        });
        mainwin::ShowParametersDialog();
    }
}

// The contents' choices lie whole inside the window wherever their column
// ends: at the open, and after a long contents text has widened the column
// (Enter opens them on the next row), on a wide and a narrow screen, for the
// names of real jobs.
TEST_F(FormParaGui, ContentsChoicesLieWholeInsideTheWindow)
{
    const struct {
        const char* job;
        int screenWidth;
        const char* typed;
    } cases[] = {
        {"geda", 1600, "TOP COPPER SIGNAL LAYER 1"},
        {"geda", 1024, "TOP COPPER SIGNAL LAYER 1"},
        {"altium-composite-drill/Gerber", 1024, "TOP COPPER SIGNAL LAYER 1"},
        {"fusion360", 1600, "TOP COPPER SIGNAL LAYER 1 35 um ENIG finish impedance controlled"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.job) + " at " + std::to_string(c.screenWidth));
        core::ResetTables();
        std::vector<std::string> names;
        for (const auto& f : std::filesystem::directory_iterator(std::filesystem::path(TESSEL2_CORPUS) / "cad" / c.job))
            if (f.is_regular_file()) names.push_back(f.path().filename().string());
        std::sort(names.begin(), names.end());
        core::LayerCount = static_cast<int>(std::min<std::size_t>(names.size(), 25));
        for (int l = 1; l <= core::LayerCount; ++l) core::LayerTable[static_cast<std::size_t>(l)].FileName = names[static_cast<std::size_t>(l - 1)];
        ParaRequest.Mode = "Parameter";
        FormShow(c.screenWidth, 768);
        for (int step = 0; step < 2; ++step) {
            SCOPED_TRACE(step == 0 ? "opened" : "typed");
            if (step == 0) {
                paratest::ClickCell(1, 0);
            } else {
                Edit2Change(c.typed);
                Edit2KeyEnter();
            }
            ASSERT_TRUE(Para.Image2.Visible && ChoiceBalloon.Key == "FileContents");
            const Rect& b = Para.Image2.Bounds;
            const Rect& cell = ParaTable.CellRects[1][static_cast<std::size_t>(ParaTable.SelRow)];
            EXPECT_TRUE(b.left >= 0 && b.right <= Para.ClientWidth && b.top >= 0 && b.bottom <= Para.ClientHeight)
                << b.left << ".." << b.right << " of " << Para.ClientWidth;
            // The tip at the height of the cell it chooses for.
            EXPECT_EQ(ChoiceBalloon.Outline[0].y + b.top, cell.top + Para.Image3.Bounds.top + 9);
            for (int k = 0; k < ChoiceBalloon.Count; ++k) {
                const auto i = static_cast<std::size_t>(k);
                const Rect& r = ChoiceBalloon.Rects[i];
                EXPECT_LE(r.left + 27 + PageTextWidth(ChoiceBalloon.Captions[i]), std::min(r.right, b.right - b.left - 1))
                    << ChoiceBalloon.Captions[i];
            }
        }
        EXPECT_EQ(ParaTable.CellTexts[1][0], c.typed);
    }
}

// A contents choice goes into the edit box with the caret after it, ready
// for more: not selected, though the balloon had the focus.
TEST_F(FormParaGui, AChoiceLeavesTheCaretAfterIt)
{
    core::ResetTables();
    core::LayerCount = 1;
    core::LayerTable[1].FileName = "top.gbr";
    QTimer::singleShot(0, [&] {
        QApplication::setActiveWindow(&form);
        Release(form.Image3, paratest::Middle(ParaTable.CellRects[1][0]));
        form.Image2->setFocus(Qt::MouseFocusReason);
        Release(form.Image2, paratest::Middle(ChoiceBalloon.Rects[1]));
        EXPECT_EQ(form.Edit2->text().toStdString(), "部品面シルク");
        EXPECT_TRUE(form.Edit2->hasFocus());
        EXPECT_FALSE(form.Edit2->hasSelectedText());
        EXPECT_EQ(form.Edit2->cursorPosition(), 6);
        form.ButtonOf(ParaButton::sw2)->click();
    });
    mainwin::ShowParametersDialog();
}

// Tab in an edit box ends the edit: the box and the balloon close and the
// cell shows the value as stored, from its start; a long offset reads as its
// number, whole, not as the tail of what was typed.
TEST_F(FormParaGui, TabEndsTheEdit)
{
    const std::string huge = "123456789012345678901234567890";
    struct Case {
        const char* mode;
        int tab;    // of "Parameter"; −1 none
        int item;   // −1: the first contents cell of the file table
        std::string typed;
        const char* shown;   // the stored value as its cell shows it
    };
    const Case cases[] = {
        {"Format", -1, paratest::GerberItems.offsetX, huge, "1.23456789012346E29"},
        {"FormatNC", -1, paratest::DrillItems.offsetY, "-" + huge, "-1.23456789012346E29"},
        {"Parameter", 2, 5, huge, "1.23456789012346E29"},
        {"Parameter", 1, 4, "98765432109876.54321", "98765432109876.5"},
        {"Parameter", 0, -1, "TOP COPPER", "TOP COPPER"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " item " + std::to_string(c.item));
        core::ResetTables();
        core::LayerCount = 1;
        core::LayerTable[1].FileName = "top.gbr";
        core::GerberFormat = core::DefaultFormat("Gerber");
        core::DrillFormat = core::DefaultFormat("Drill");
        const bool parameter = std::string(c.mode) == "Parameter";
        auto steps = [&] {
            QApplication::setActiveWindow(&form);
            if (c.tab >= 0) Release(form.Image1, paratest::Middle(ParaTabs.Rects.at(static_cast<std::size_t>(c.tab))));
            if (c.item >= 0) Release(form.Image1, Item(c.item));
            else Release(form.Image3, paratest::Middle(ParaTable.CellRects[1][0]));
            QLineEdit* edit = c.item >= 0 ? form.Edit1 : form.Edit2;
            ASSERT_TRUE(edit->isVisible() && edit->hasFocus());
            for (const char ch : c.typed) Key(edit, std::toupper(static_cast<unsigned char>(ch)), QString(QChar(ch)));
            if (c.item < 0) Release(form.Image3, paratest::Middle(ParaTable.CellRects[1][0]));   // its choices again
            Key(edit, Qt::Key_Tab);
            EXPECT_TRUE(form.isVisible());
            EXPECT_FALSE(form.Edit1->isVisible() || form.Edit2->isVisible() || form.Image2->isVisible());
            if (c.item >= 0) {
                const auto k = static_cast<std::size_t>(c.item);
                EXPECT_EQ(ParaItems.Captions.at(k), c.shown);
                EXPECT_LE(PageTextWidth(c.shown) + 4, ParaItems.Rects.at(k).right - ParaItems.Rects.at(k).left);
            } else {
                EXPECT_EQ(ParaTable.CellTexts[1][0], c.shown);
            }
            form.ButtonOf(parameter ? ParaButton::sw2 : ParaButton::sw5)->click();
        };
        if (parameter) {
            QTimer::singleShot(0, steps);
            mainwin::ShowParametersDialog();
        } else {
            Confirm(c.mode, steps);
        }
        EXPECT_FALSE(form.isVisible());
    }
}

TEST_F(FormParaGui, SettingsFileChosenInTheOpenDialog)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tessel2-para-gui-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    core::ResetTables();
    core::LayerCount = 1;
    core::LayerTable[1].FileName = "top.gbr";
    core::LayerTable[1].Folder = dir.string();
    core::LayerTable[1].Contents = "部品面パターン";
    core::WriteFolderSettings((dir / "Tessel2.ini").string());
    fs::copy_file(dir / "Tessel2.ini", dir / "job.ini");
    core::LayerTable[1].Contents.clear();

    platform::FakeFileDialogs dialogs;
    platform::SetFileDialogs(&dialogs);
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
    dialogs.answers = {{}, {true, {(dir / "job.ini").string()}, 1}, {true, {(dir / "Tessel2.ini").string()}, 1}};
    QTimer::singleShot(0, [&] {
        QToolButton* open = form.ButtonOf(ParaButton::sw6);
        ASSERT_TRUE(open->isVisible() && open->isEnabled());
        for (int k = 0; k < 3; ++k) open->click();
        EXPECT_EQ(ParaTable.CellTexts[1][0], "部品面パターン");
        form.ButtonOf(ParaButton::sw2)->click();
    });
    mainwin::ShowParametersDialog();
    platform::SetFileDialogs(nullptr);
    ASSERT_EQ(dialogs.requests.size(), 3u);
    EXPECT_EQ(dialogs.requests[0].filter, SettingsFileFilter);
    EXPECT_FALSE(dialogs.requests[0].multiSelect);
    EXPECT_EQ(dialogs.requests[0].initialFolder, dir.string());
    // Cancelled: nothing; another name: the warning alone.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, NotSettingsFileText);
    EXPECT_EQ(core::LayerTable[1].Contents, "部品面パターン");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST_F(FormParaGui, ApertureButtonsAskThroughTheWindow)
{
    core::ResetApertureTable();
    core::LayerCount = 0;
    const std::filesystem::path list =
        tessel2test::PrivateFolder() / ("tessel2-gui-list-" + std::to_string(std::random_device{}()) + ".txt");
    platform::FakeMessageBoxes boxes;
    boxes.answers = {platform::MsgResult::No, platform::MsgResult::Yes};
    platform::ScopedMessageBoxes scopedBoxes(&boxes);
    platform::FakeFileDialogs files;
    files.saveAnswers.push_back({true, list.string()});
    files.answers.push_back({true, {list.string()}, 1});
    platform::SetFileDialogs(&files);
    QTimer::singleShot(0, [&] {
        Release(form.Image1, paratest::Middle(ParaTabs.Rects.at(2)));
        ASSERT_TRUE(form.ButtonOf(ParaButton::swSave)->isVisible());
        form.ButtonOf(ParaButton::swSave)->click();
        form.ButtonOf(ParaButton::swNew)->click();   // No
        EXPECT_EQ(core::Apertures[10].Shape, core::apCircle);
        form.ButtonOf(ParaButton::swNew)->click();   // Yes
        EXPECT_EQ(core::Apertures[10].Shape, core::apNone);
        form.ButtonOf(ParaButton::swOpen)->click();
        EXPECT_EQ(core::Apertures[10].Shape, core::apCircle);
        form.ButtonOf(ParaButton::sw2)->click();
    });
    mainwin::ShowParametersDialog();
    platform::SetFileDialogs(nullptr);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, ClearAperturesQuestion);
    EXPECT_EQ(boxes.shown[0].buttons, platform::MsgButtons::YesNo);
    ASSERT_EQ(files.saveRequests.size(), 1u);
    EXPECT_EQ(files.saveRequests[0].filter, ApertureListFilter);
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_FALSE(files.requests[0].multiSelect);
    EXPECT_NE(platform::ReadFileBytes(list).find("\tD77\tSQR\t0.85\t\t\r\n"), std::string::npos);
    std::filesystem::remove(list);
}

} // namespace
