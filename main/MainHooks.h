#pragma once
// What the main window calls in commands that are wired in separately: each
// hook does the least a user would see until its command exists.
#include "view/LayerList.h"

#include <functional>
#include <string>

namespace mainwin {

// Only clears the row marked as running (a cancelled exit). Default: nothing.
extern std::function<void()> ClearCurrentCommand;

// The folder settings "FOLDERSET.pra" of the program folder: read at start,
// written on exit next to "STARTUP.pra" (a failed write throws
// platform::Error).
extern std::function<void()> ReadFolderSetFile;
extern std::function<void()> WriteFolderSetFile;

// Commands of the command menu wired in by their own windows. Each default
// does nothing, so a row that is not wired yet only closes again.
// The parameters dialog, shown modally.
extern std::function<void()> ShowParametersDialog;
extern std::function<void()> PrintCommand;
// The copy dialog (default: CopyDataCommand).
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

// The tools of the drawing area, wired in by their own code; each default
// does nothing. Clicks on the picture (pixels of Image1) while their button
// is down; the ruler's button clicks; the page buttons "次を検索" (gap),
// "回転" (ruler, a middle click) and "検出" (design-rule check).
extern std::function<void(int x, int y, MouseButton button)> MeasureClick, RectRulerClick, InfoClick, GapClick;
extern std::function<void(MouseButton button)> AdjustRuler;
extern std::function<void()> NextGapCandidate, RunDesignRuleCheck;
// The ruler image drawn for the current angle and graduation and put under
// the pointer.
extern std::function<void()> DrawDimensionRuler;
// The design-rule settings before a check: 1 runs it, 0 does not. Default
// (without the folder dialog): run with the settings as they are.
extern std::function<int()> ShowDrcSettings;

// The folder of the last successful open (kept in the folder settings).
extern std::string LastOpenedFolder;

// The parameters dialog of the program, once it is made, answers the open
// command's format confirmation and the "Parameter" row.
void ConnectParametersDialog();
// The folder dialog of the program, once it is made, answers the open
// command's question whether to add or replace, the export's question where
// its files go, and shows the design-rule settings before a check.
void ConnectFolderDialog();

} // namespace mainwin
