#include "main/MainHooks.h"

#include "core/Datas.h"

namespace mainwin {

std::function<void(bool)> ClearAllData = [](bool) { core::ResetTables(); };
std::function<void()> ResetCommandState = [] {};
std::function<void()> ClearCurrentCommand = [] {};
std::function<void()> ReadFolderSetFile = [] {};
std::function<void()> WriteFolderSetFile = [] {};
std::function<void(bool)> ResetTools = [](bool) {};
std::function<void()> OpenFilesDialog = [] {};
std::function<void()> NewCommand = [] {};
std::function<void()> ShowParametersDialog = [] {};
std::function<void()> PrintCommand = [] {};
std::function<void()> CopyCommand = [] {};
std::function<int(int)> LayoutLayerTable = [](int) { return 0; };
std::function<int(const std::string&, int)> BuildMenuList = [](const std::string&, int) { return 0; };
int MemoReadFlag = 1;
std::string LastOpenedFolder;

} // namespace mainwin
