// The program's entry: one instance, the windows in their order, the loop.
#include "dialogs/qt/FolderDialog.h"
#include "dialogs/qt/FormPara.h"
#include "main/FormDatas.h"
#include "main/FormMain.h"
#include "main/FormMemo.h"
#include "main/MainHooks.h"
#include "output/FormCopy.h"
#include "main/PrintCommand.h"
#include "output/FormPrint.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/RasterText.h"
#include "platform/qt/SingleInstance.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

bool HasDisplay()
{
    for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* v = std::getenv(var); v && *v) return true;
    return false;
}

constexpr const char* AlreadyRunningText = "アプリケーションは既に起動しています。";

} // namespace

int main(int argc, char* argv[])
{
    if (!HasDisplay()) {
        std::fputs("画面（ディスプレイ）がありません。DISPLAY も WAYLAND_DISPLAY も設定されていないため、"
                   "テッセル２ を起動できません。\n"
                   "No display: neither DISPLAY nor WAYLAND_DISPLAY is set, so Tessel2 cannot start.\n",
                   stderr);
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName("Tessel2");
    QApplication::setWindowIcon(QIcon(":/tessel2.png"));
    // Qt's own texts (file dialog, edit menus) in Japanese, like the program's.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    platform::InstallFontSubstitutions();
    platform::InstallRasterTextHook();
    QFont font("ＭＳ Ｐゴシック");
    font.setPixelSize(12);
    QApplication::setFont(font);

    // Taken atomically; a second start ends here and opens nothing.
    platform::SingleInstance instance("Tessel2");
    if (!instance.TryAcquire()) {
        std::fprintf(stderr, "%s\n", AlreadyRunningText);
        platform::ShowInformation(AlreadyRunningText, "Tessel2");
        return 1;
    }

    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();

    try {
        mainwin::TFormMain formMain(arguments);
        dialogs::TFolderDialog formFolder(&formMain);
        mainwin::ConnectFolderDialog();
        mainwin::TFormDatas formDatas(&formMain);
        output::TFormPrint formPrint(&formMain);
        mainwin::ConnectPrintDialog();
        output::TFormCopy formCopy(&formMain);
        dialogs::TFormPara formPara(&formMain);
        mainwin::ConnectParametersDialog();
        mainwin::TFormMemo formMemo(&formMain);
        formMain.show();
        return application.exec();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        platform::ShowError(e.what());
        return 1;
    }
}
