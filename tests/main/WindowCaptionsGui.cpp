// Every window's caption as the window system shows it: the program's
// windows made as at start-up, on a private X server of the test's own, and
// the title each window gives the server read back from it.
#include "core/Datas.h"
#include "dialogs/qt/FolderDialog.h"
#include "dialogs/qt/FormPara.h"
#include "main/FormDatas.h"
#include "main/FormMain.h"
#include "main/FormMemo.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "main/PrintCommand.h"
#include "main/SaveCommands.h"
#include "output/FormCopy.h"
#include "output/FormPrint.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/RasterText.h"
#include "tests/main/WindowFixture.h"
#include "tests/platform_qt/FolderTreeClicks.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

// An X server for this test alone, on the first free display.
class PrivateXvfb {
public:
    ~PrivateXvfb()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    // The display name (":n"), empty when no server came up.
    std::string Start()
    {
        int fds[2];
        if (::access("/usr/bin/Xvfb", X_OK) != 0 || ::pipe(fds) != 0) return {};
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1000x24", "-nolisten", "tcp",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char ch = 0;
        while (pid_ > 0 && ::poll(&p, 1, 10000) > 0 && ::read(fds[0], &ch, 1) == 1 && ch != '\n') number.push_back(ch);
        ::close(fds[0]);
        return number.empty() ? std::string() : ":" + number;
    }

private:
    pid_t pid_ = -1;
};

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return atom;
}

// The title the window gave the server (what a window manager shows).
std::string ShownTitle(QWidget* w)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !w) return "(no window)";
    xcb_connection_t* c = x11->connection();
    const auto window = static_cast<xcb_window_t>(w->window()->winId());
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), 0, 4096), nullptr);
    std::string title = "(none)";
    if (r && r->format == 8)
        title.assign(static_cast<const char*>(xcb_get_property_value(r)), static_cast<std::size_t>(xcb_get_property_value_length(r)));
    std::free(r);
    return title;
}

int RowOf(const std::string& id)
{
    const auto it = std::find(CommandMenu.Id.begin(), CommandMenu.Id.end(), id);
    return it == CommandMenu.Id.end() ? -1 : static_cast<int>(it - CommandMenu.Id.begin());
}

class WindowCaptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) GTEST_SKIP() << "no X server for the test";
        root = fs::path(dir.path().toStdString());
        fs::create_directories(root / "home");
        maintest::UsePrivateHome(root);
        // No printer queue, whatever the machine has.
        setenv("CUPS_SERVER", (root / "no-cups.sock").c_str(), 1);
        platform::ResetProgramFolder();
        // The windows in the order of the program's start.
        formMain = std::make_unique<TFormMain>(QStringList{});
        folder = std::make_unique<dialogs::TFolderDialog>(formMain.get());
        ConnectFolderDialog();
        datas = std::make_unique<TFormDatas>(formMain.get());
        print = std::make_unique<output::TFormPrint>(formMain.get());
        ConnectPrintDialog();
        copy = std::make_unique<output::TFormCopy>(formMain.get());
        for (QTreeView* tree : {copy->ShellTreeView1, copy->ShellTreeView2}) guitest::ShowOnlyBelow(tree, root.string());
        para = std::make_unique<dialogs::TFormPara>(formMain.get());
        ConnectParametersDialog();
        memo = std::make_unique<TFormMemo>(formMain.get());
        formMain->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (!formMain) return;
        formMain->CloseMode = -1;
        memo.reset();
        para.reset();
        copy.reset();
        print.reset();
        datas.reset();
        folder.reset();
        formMain.reset();
        ShowParametersDialog = PrintCommand = [] {};
        ConfirmFormats = [](const std::string&) { return true; };
        platform::ResetProgramFolder();
    }

    // The shown title of the modal window that `open` brings up, which is
    // then closed.
    static std::string ModalTitle(const std::function<void()>& open)
    {
        std::string title = "(not shown)";
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || !w->isVisible()) return;
            title = ShownTitle(w);
            w->close();
        });
        poll.start();
        open();
        return title;
    }

    QTemporaryDir dir;
    fs::path root;
    std::unique_ptr<TFormMain> formMain;
    std::unique_ptr<dialogs::TFolderDialog> folder;
    std::unique_ptr<TFormDatas> datas;
    std::unique_ptr<output::TFormPrint> print;
    std::unique_ptr<output::TFormCopy> copy;
    std::unique_ptr<dialogs::TFormPara> para;
    std::unique_ptr<TFormMemo> memo;
};

TEST_F(WindowCaptions, EachWindowShowsItsOwnCaptionAlone)
{
    const std::string project = (root / "job.tsn").string();
    struct Case {
        const char* window;
        std::function<std::string()> shown;
        std::string caption;
    };
    const Case cases[] = {
        {"main window", [&] { return ShownTitle(formMain.get()); }, "テッセル２"},
        {"format confirmation", [] { return ModalTitle([] { ConfirmFormats("Format"); }); }, " フォーマットを確認して下さい"},
        {"parameters", [&] { return ModalTitle([&] { formMain->RunCommandRow(RowOf("Parameter")); }); }, " パラメータ/データ詳細表"},
        // Afterwards the main window names the project.
        {"main window with a title", [&] { return ShownTitle(formMain.get()); }, "テッセル２ - 試作基板"},
        {"existing data", [] { return ModalTitle([] { AskReplaceOrAdd("OpenSelect", ""); }); }, "ファイルを開く"},
        {"project layers", [&] { return ModalTitle([&] { AskReplaceOrAdd("OpenSelTsn", project); }); }, "ファイル " + project},
        {"earlier files", [&] { return ModalTitle([&] { AskExportFolder(root.string(), root.string()); }); },
         "旧テッセルファイル(tso)を作成します。"},
        {"design rules", [] { return ModalTitle([] { ShowDrcSettings(); }); }, "デザインルールチェック"},
        {"print", [] { return ModalTitle([] { PrintCommand(); }); }, "印刷"},
        {"copy", [&] { return ModalTitle([&] { copy->ShowModal("試作基板", root.string(), root.string()); }); },
         "指定したフォルダにファイルを収納します ..."},
        {"memo", [&] {
             formMain->RunCommandRow(RowOf("Memo"));
             QApplication::processEvents();
             return ShownTitle(FormMemo());
         },
         " 覚え書き"},
        {"progress", [&] {
             core::FormDatas().SetCaption("tsn ファイル作成");
             core::FormDatas().Show();
             return ShownTitle(datas.get());
         },
         "tsn ファイル作成"},
        {"question", [] { return ModalTitle([] { platform::AskYesCancel("よろしいですか？"); }); }, "テッセル２"},
        {"error", [&] { return ModalTitle([&] { formMain->OpenOnlineHelp(); }); }, "エラー"},
        {"open files", [&] { return ModalTitle([&] { platform::Dialogs().OpenFiles({root.string(), "", false}); }); }, "開く"},
    };
    core::ProjectBasics.Title = "試作基板";
    for (const Case& c : cases) EXPECT_EQ(c.shown(), c.caption) << c.window;
    datas->Hide();
    if (FormMemo()) FormMemo()->close();
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no server.
    PrivateXvfb server;
    const std::string display = ::testing::GTEST_FLAG(list_tests) ? std::string() : server.Start();
    if (display.empty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("DISPLAY", display.c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    int rc = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName("Tessel2");
        platform::InstallFontSubstitutions();
        platform::InstallRasterTextHook();
        rc = RUN_ALL_TESTS();
    }
    return rc;
}
