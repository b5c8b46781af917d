#include "main/SaveCommands.h"

#include "core/Datas.h"
#include "core/OldProjectFiles.h"
#include "core/ProgramSettings.h"
#include "core/ProjectFile.h"
#include "core/ProjectRecords.h"
#include "dialogs/FolderForm.h"
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "view/LayerList.h"
#include "view/SubLists.h"
#include "platform/Error.h"
#include "platform/qt/EventPump.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "output/FormCopy.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace mainwin {

namespace fs = std::filesystem;

std::string ProjectFileOffer(const std::string& title)
{
    const std::size_t a = title.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    const std::size_t b = title.find_last_not_of(" \t");
    // A "/" of the title would make a folder of the name.
    return core::SeparatorFreeText(title.substr(a, b - a + 1), '/') + ".tsn";
}

std::string ProjectFileTarget(const std::string& chosen)
{
    fs::path p(chosen);
    p.replace_extension(".tsn");
    return p.string();
}

namespace {

class BusyCursor {
public:
    BusyCursor() { OpenWindow().SetBusyCursor(true); }
    ~BusyCursor() { OpenWindow().SetBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The save sub-list with no row chosen or hovered, repainted.
void NoSubListRow()
{
    SaveFormat = -1;
    SubList.Hover = -1;
    if (TFormMain* form = FormMain()) form->DrawSubList();
}

} // namespace

void SaveProjectFileCommand()
{
    if (core::LayerCount < 1) return;
    platform::SaveRequest request;
    request.filter = ProjectFilter;
    request.fileName = ProjectFileOffer(core::ProjectBasics.Title);
    request.suffix = "tsn";
    std::error_code ec;
    if (!LastOpenedFolder.empty() && fs::is_directory(LastOpenedFolder, ec)) request.initialFolder = LastOpenedFolder;
    const platform::SaveAnswer answer = platform::Dialogs().SaveFile(request);
    const std::string target = answer.accepted ? ProjectFileTarget(answer.path) : std::string();
    // The dialog asked only about the name typed; with its extension put
    // right it may name another file that is there already.
    const bool other = answer.accepted && target != answer.path && fs::exists(target, ec);
    if (answer.accepted && (!other || platform::AskYesNo(std::string(SaveOverwriteText) + "\n" + target))) {
        platform::BusyGuard busy;
        std::string failure;
        {
            BusyCursor cursor;
            try {
                core::WriteProjectFile(target);
            } catch (const platform::Error& e) {
                failure = e.what();
            }
        }
        if (!failure.empty()) platform::ShowWarning(std::string(SaveFailedText) + "\n" + failure);
    }
    NoSubListRow();
}

std::function<std::string(const std::string&, const std::string&)> AskExportFolder;

void ExportEarlierProjectsCommand()
{
    if (core::LayerCount < 1 || ShownLayerCount < 1) return;
    std::string failure;
    try {
        core::WriteEarlierListFile(core::ProgramFilePath(dialogs::folder::ListFileName));
        const std::string folder =
            AskExportFolder ? AskExportFolder(output::FolderSet.PATH2, platform::ProgramFolder().string()) : std::string();
        OpenWindow().PumpEvents();
        // One question for all the files that are there already.
        const std::vector<core::OldProjectFilePlan> plans = core::OldProjectFilePlans();
        const bool there = std::any_of(plans.begin(), plans.end(), [&](const core::OldProjectFilePlan& p) {
            std::error_code ec;
            return !folder.empty() && fs::exists(fs::path(folder) / p.FileName, ec);
        });
        if (!folder.empty() && (!there || platform::AskOkCancel(ExportOverwriteText, platform::MsgIcon::Information))) {
            platform::BusyGuard busy;
            BusyCursor cursor;
            core::WriteOldProjectFiles(folder);
        }
    } catch (const platform::Error& e) {
        failure = e.what();
    }
    if (!failure.empty()) platform::ShowWarning(std::string(ExportFailedText) + "\n" + failure);
    NoSubListRow();
}

CopyFolders CopyStartFolders(const std::string& lastOpened, const output::MyFolderSetPara& folders, const std::string& home)
{
    auto isFolder = [](const std::string& p) {
        std::error_code ec;
        return !p.empty() && fs::is_directory(p, ec);
    };
    CopyFolders f;
    f.source = isFolder(lastOpened) ? lastOpened : isFolder(folders.PATH1) ? folders.PATH1 : home;
    f.destination = folders.PATH2 == f.source || !isFolder(folders.PATH2) ? home : folders.PATH2;
    return f;
}

void CopyDataCommand()
{
    output::TFormCopy* form = output::FormCopy();
    if (!form) return;
    const char* home = std::getenv("HOME");
    const CopyFolders f = CopyStartFolders(LastOpenedFolder, output::FolderSet, home && *home ? home : "/");
    form->ShowModal(core::ProjectBasics.Title, f.source, f.destination);
}

void ReadFolderSetCommand()
{
    try {
        output::ReadFolderSetFile(core::ProgramFilePath(output::FolderSetFileName));
    } catch (const platform::Error&) {
        // Written again on exit; until then the folders fall back to their defaults.
        output::FolderSet = output::MyFolderSetPara{};
    }
}

void WriteFolderSetCommand() { output::WriteFolderSetFile(core::ProgramFilePath(output::FolderSetFileName)); }

} // namespace mainwin
