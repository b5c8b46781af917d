#include "main/MainHooks.h"

#include "core/Datas.h"
#include "dialogs/qt/FolderDialog.h"
#include "dialogs/qt/FormPara.h"
#include "main/OpenCommands.h"
#include "main/SaveCommands.h"

namespace mainwin {

std::function<void()> ClearCurrentCommand = [] {};
std::function<void()> ReadFolderSetFile = ReadFolderSetCommand;
std::function<void()> WriteFolderSetFile = WriteFolderSetCommand;
std::function<void()> ShowParametersDialog = [] {};
std::function<void()> PrintCommand = [] {};
std::function<void()> CopyCommand = CopyDataCommand;
std::function<int(int)> LayoutLayerTable = [](int) { return 0; };
std::function<int(const std::string&, int)> BuildMenuList = [](const std::string&, int) { return 0; };
std::function<void()> SaveProjectFile = SaveProjectFileCommand;
std::function<void()> ExportEarlierProjects = ExportEarlierProjectsCommand;
std::function<void(int, int, MouseButton)> MeasureClick = [](int, int, MouseButton) {};
std::function<void(int, int, MouseButton)> RectRulerClick = [](int, int, MouseButton) {};
std::function<void(int, int, MouseButton)> InfoClick = [](int, int, MouseButton) {};
std::function<void(int, int, MouseButton)> GapClick = [](int, int, MouseButton) {};
std::function<void(MouseButton)> AdjustRuler = [](MouseButton) {};
std::function<void()> NextGapCandidate = [] {};
std::function<void()> RunDesignRuleCheck = [] {};
std::function<void()> DrawDimensionRuler = [] {};
std::function<int()> ShowDrcSettings = [] { return 1; };
std::string LastOpenedFolder;

void ConnectParametersDialog()
{
    // Without the window (it is gone at exit) the formats stand as they are.
    ConfirmFormats = [](const std::string& mode) {
        dialogs::TFormPara* form = dialogs::FormPara();
        if (!form) return true;
        dialogs::ParaRequest.Mode = mode;
        form->ShowModal();
        return !dialogs::ParaRequest.Cancelled;
    };
    ShowParametersDialog = [] {
        if (dialogs::TFormPara* form = dialogs::FormPara()) {
            dialogs::ParaRequest.Mode = "Parameter";
            form->ShowModal();
        }
    };
}

void ConnectFolderDialog()
{
    AskReplaceOrAdd = [](const std::string& mode, const std::string& projectPath) {
        dialogs::TFolderDialog* form = dialogs::FolderDialog();
        // Without the window (it is gone at exit) as without a choice.
        if (!form) return DefaultReplaceOrAdd(mode, projectPath);
        namespace folder = dialogs::folder;
        folder::FolderMode = mode;
        folder::ProjectFileName = projectPath;
        form->ShowModal();
        return static_cast<int>(folder::FolderResult);
    };
    AskExportFolder = [](const std::string& start, const std::string& listFolder) {
        dialogs::TFolderDialog* form = dialogs::FolderDialog();
        if (!form) return std::string();
        namespace folder = dialogs::folder;
        folder::FolderMode = "tso";
        folder::ListFolder = listFolder;
        folder::SelectedFolder = start;
        form->ShowModal();
        return folder::FolderResult == folder::frReplace ? folder::SelectedFolder : std::string();
    };
    ShowDrcSettings = [] {
        dialogs::TFolderDialog* form = dialogs::FolderDialog();
        // Without the window (it is gone at exit) nothing is checked.
        if (!form) return 0;
        dialogs::folder::FolderMode = "DRC";
        form->ShowModal();
        return static_cast<int>(dialogs::folder::FolderResult);
    };
}

} // namespace mainwin
