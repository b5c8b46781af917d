#pragma once
// The design-rule page of the folder dialog (mode "DRC"): a minimum line
// width and the 45-degree direction check per layer, and the resist-to-silk
// clearance of each board side with the layers it compares. It edits
// core::DrcSettings in place as the user clicks and types; the settings stand
// whatever button closes the window. Defaults come from the layers' contents
// whenever the number of layers has changed.
#include "dialogs/FolderForm.h"

#include <string>

namespace dialogs::folder {

inline constexpr const char* RulesHeadingText = " 最小線幅 / ８方向外直線角度検出";
inline constexpr const char* LayerColumnText = " ファイル(層)";
inline constexpr const char* WidthColumnText = " 最小線幅 (設定値 > 0)";
inline constexpr const char* AngleColumnText = " ８方向外直線検出";
inline constexpr const char* GapHeadingText = " レジスト-シルク間隙";
inline constexpr const char* ResistColumnText = " レジスト層";
inline constexpr const char* SilkColumnText = " シルク層";
inline constexpr const char* GapColumnText = " 間隙 (設定値 > 0)";

// The panel's items of the two sides.
enum DrcItem : int {
    diTopOn = 9, diTopResist = 10, diTopSilk = 11, diTopGap = 12,
    diBottomOn = 13, diBottomResist = 14, diBottomSilk = 15, diBottomGap = 16,
};

// Rebuilds core::DrcSettings from the layers' contents when layers are
// loaded and their number is not the one the settings were made for.
void DrcDefaults();

// Lays the page out (after the defaults) and draws it.
void ShowDrcPage();
void DrawDrcPanel();
void DrawDrcGrid();

// The events of the page (see FolderForm.h).
void DrcPanelUp(int x, int y);
void DrcPickUp(int x, int y);
void DrcGridUp(int x, int y, MouseButton button);
void DrcEdit2Change(const std::string& text);
void DrcEdit3Change(const std::string& text);
// The layer list closes (without a choice) once it was looked at and the
// pointer moved on; true when it was open.
bool DrcLeavePickList();
// Closes whatever edit box or list is open; false when none was.
bool DrcEscape();

} // namespace dialogs::folder
