#pragma once
// The sub-lists under the menu rows "Save" and "SetView": the project format
// to save in, and the view options. Items of the menu's own list record,
// painted and hit-tested as the menu is.
#include "view/CommandMenu.h"
#include "view/ViewTransform.h"
#include "platform/RasterCanvas.h"

#include <cstdint>

namespace mainwin {

extern MyFreeBox SubList;
// 0: the current project format, 1: the earlier edition's files.
extern std::int32_t SaveFormat;

// Item kind of a selectable row (kept in the record's Style).
inline constexpr int SelectableItem = 4;
inline constexpr int IconOff = 25;
inline constexpr int IconOn = 26;
inline constexpr int IconSave = 32;

void BuildSaveFormatList(MyFreeBox& list, platform::Canvas& measure);
void BuildViewOptionsList(MyFreeBox& list, platform::Canvas& measure, const ViewOptions& options);
// The items over the whole canvas.
void DrawSubList(platform::RasterCanvas& canvas, const MyFreeBox& list);
// The first selectable item holding (x, y), -1 none.
int HitSubList(const MyFreeBox& list, int x, int y);

enum class ViewOptionEffect { None, Redraw, Resize };
// A click on a view option: the option and the icons change.
ViewOptionEffect ClickViewOption(MyFreeBox& list, int item, ViewOptions& options);

} // namespace mainwin
