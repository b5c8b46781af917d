#include "main/MainHooks.h"

#include "core/Datas.h"

namespace mainwin {

std::function<void()> ResetCommandState = [] {};
std::function<void()> ClearCurrentCommand = [] {};
std::function<void()> ReadFolderSetFile = [] {};
std::function<void()> WriteFolderSetFile = [] {};
std::string LastOpenedFolder;

} // namespace mainwin
