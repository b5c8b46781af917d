#include "main/SaveCommands.h"

#include "core/Datas.h"
#include "core/ProjectFile.h"
#include "core/ProjectRecords.h"
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "view/SubLists.h"
#include "platform/Error.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"

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
    if (answer.accepted) {
        platform::BusyGuard busy;
        std::string failure;
        {
            BusyCursor cursor;
            try {
                core::WriteProjectFile(ProjectFileTarget(answer.path));
            } catch (const platform::Error& e) {
                failure = e.what();
            }
        }
        if (!failure.empty()) platform::ShowWarning(std::string(SaveFailedText) + "\n" + failure);
    }
    SaveFormat = -1;
    SubList.Hover = -1;
    if (TFormMain* form = FormMain()) form->DrawSubList();
}

} // namespace mainwin
