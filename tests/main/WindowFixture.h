#pragma once
// The main window offscreen for the tests of its parts: a private program
// folder, fake message boxes and file dialogs, the commands of other
// windows counted instead of run, a board of lines to draw, and events.
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/view/ViewFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

namespace maintest {

namespace fs = std::filesystem;

// Settings, program folder and desktop data under root, away from the user's.
inline void UsePrivateHome(const fs::path& root)
{
    setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "xdg-data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "xdg-config").c_str(), 1);
}
using namespace mainwin;
using platform::FakeMessageBoxes;
using platform::MsgResult;

class MainWindowGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::path(dir.path().toStdString());
        fs::create_directories(root / "home");
        UsePrivateHome(root);
        platform::ResetProgramFolder();
        viewtest::ResetAll();
        CommandMenu = {};
        Navigation = {};
        calls.clear();
        platform::SetFileDialogs(&dialogs);
        ShowParametersDialog = [this] { ++calls["Parameter"]; };
        PrintCommand = [this] { ++calls["Print"]; };
        CopyCommand = [this] { ++calls["Copy"]; };
        form = std::make_unique<TFormMain>(QStringList{});
        // The lists are counted here, not built.
        BuildMenuList = [this](const std::string& id, int) {
            ++calls["List:" + id];
            return 60;
        };
        MemoReadFlag = 1;
        form->MoveCursorTo = [this](int x, int y) {
            cursor = {x, y};
            ++cursorMoves;
            return cursorWorks;
        };
        form->show();
        form->resize(1000, 700);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        form->CloseMode = -1;
        form.reset();
        ShowParametersDialog = PrintCommand = CopyCommand = [] {};
        ResetTools = [](bool) {};
        BuildMenuList = [](const std::string&, int) { return 0; };
        platform::SetFileDialogs(nullptr);
        ShownLayerCount = 0;
        core::StepMarks = {};
        viewtest::ResetAll();
        Navigation = {};
        CommandMenu = {};
        platform::ResetProgramFolder();
    }

    // A board of 100 × 50 mm on layer 1, fitted to the picture.
    void LoadBoard()
    {
        viewtest::ShowLayer(1, platform::RGB(0, 255, 0));
        core::MaxDCode = 10;
        core::Apertures[10].Shape = core::apCircle;
        core::Apertures[10].Size1 = 0.2;
        for (int i = 0; i <= 10; ++i) {
            core::DataElement e = viewtest::Element(1, 1, 10, 0, i * 5.0, 100, i * 5.0);
            core::AppendElement(e);
        }
        core::Extents.Width = 100;
        core::Extents.Height = 50;
        core::Extents.CentreX = 50;
        core::Extents.CentreY = 25;
        ShownLayerCount = 1;
        form->FormResize();
        SetViewZoom(false, 0, 0, -1.0);
        form->RedrawView();
    }

    void Mouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPointF p(x, y);
        QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void ClickRow(int row)
    {
        const platform::Rect r = CommandMenu.Rects[static_cast<std::size_t>(row)];
        const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        Mouse(form->Image4, QEvent::MouseButtonPress, x, y);
        Mouse(form->Image4, QEvent::MouseButtonRelease, x, y);
    }
    void Wheel(QWidget* w, int x, int y, int delta)
    {
        const QPointF p(x, y);
        QWheelEvent e(p, w->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }
    void Key(int key)
    {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &e);
    }

    QTemporaryDir dir;
    fs::path root;
    FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scope{&boxes};
    platform::FakeFileDialogs dialogs;
    std::unique_ptr<TFormMain> form;
    std::map<std::string, int> calls;
    QPoint cursor;
    int cursorMoves = 0;
    bool cursorWorks = true;
};

} // namespace maintest
