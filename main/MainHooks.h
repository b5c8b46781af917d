#pragma once
// What the main window calls in commands that are wired in separately: each
// hook does the least a user would see until its command exists.
#include <functional>
#include <string>

namespace mainwin {

// Ends the active tool and closes the open row of the command menu, as a
// drop does before it opens. Default: nothing.
extern std::function<void()> ResetCommandState;
// Only clears the row marked as running (a cancelled exit). Default: nothing.
extern std::function<void()> ClearCurrentCommand;

// The folder settings "FOLDERSET.pra" of the program folder: read at start,
// written on exit next to "STARTUP.pra". Default: nothing.
extern std::function<void()> ReadFolderSetFile;
extern std::function<void()> WriteFolderSetFile;

// Commands of the command menu wired in by their own windows. Each default
// does nothing, so a row that is not wired yet only closes again.
// The parameters dialog, shown modally.
extern std::function<void()> ShowParametersDialog;
extern std::function<void()> PrintCommand;
extern std::function<void()> CopyCommand;
// Lays out the layer table within `limit` pixels; its height, 0 when there
// is none to show.
extern std::function<int(int limit)> LayoutLayerTable;
// Fills the table or sub-list of an open menu row ("Aperture", "Tool",
// "Save", "SetView") within `height`; the height used, 0 when there is none.
extern std::function<int(const std::string& id, int height)> BuildMenuList;

// The save sub-list's commands: the project file (default:
// SaveProjectFileCommand), the earlier edition's files (default: nothing).
extern std::function<void()> SaveProjectFile;
extern std::function<void()> ExportEarlierProjects;

// The folder of the last successful open (kept in the folder settings).
extern std::string LastOpenedFolder;

// The parameters dialog of the program, once it is made, answers the open
// command's format confirmation and the "Parameter" row.
void ConnectParametersDialog();
// The folder dialog of the program, once it is made, answers the open
// command's question whether to add or replace.
void ConnectFolderDialog();

} // namespace mainwin
