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

// The folder of the last successful open (kept in the folder settings).
extern std::string LastOpenedFolder;

} // namespace mainwin
