#pragma once
// The copy dialog as its unit sees it, without a window: the owner-drawn
// options (what happens to the chosen files, which files are written beside
// them), and the copy itself. The Qt window (output/FormCopy) shows the
// folders and file lists, paints the options through this and hands their
// pointer and the "実行" button back.
#include "dialogs/PageModels.h"
#include "platform/RasterCanvas.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace output {

inline constexpr const char* CopyFormCaption = "保存";
inline constexpr const char* CopyShownCaption = "指定したフォルダにファイルを収納します ...";
inline constexpr const char* UpFolderHint = "一つ上のフォルダへ移動";
inline constexpr const char* SetPath1Question = "現在開いているフォルダを「最初に開くフォルダ」に設定します。";
inline constexpr const char* SetPath2Question = "現在開いているフォルダを「デフォルトのコピー先フォルダ」に設定します。";
inline constexpr const char* OverwriteQuestion = "同じ名前のファイルが見つかりました。上書きしますか？";
inline constexpr const char* SameFolderNote =
    "コピー元フォルダと、コピー先フォルダが同じ場合、\n\r添付ファイルは作成されますが、ファイルのコピー、移動は実行されません。";
inline constexpr const char* FilesMadeText = "個のファイルを作成しました。";
inline constexpr const char* NotMadeText = "作成できなかったファイルがあります。";

// The option items.
enum CopyItem : int {
    ciFilesHeading = 0,
    ciSettings = 1,        // "Tessel2.ini"
    ciOldSettings = 2,     // "Tesselu.ini"
    ciPhotoReport = 3,
    ciDrillReport = 4,
    ciApertureReport = 5,
    ciOverwriteAll = 6,
    ciRule = 7,
    ciModeHeading = 8,
    ciCopy = 9,
    ciMove = 10,
    CopyItemCount = 11,
};

// Overwrite files of the same name without asking; kept between shows.
extern bool OverwriteAll;
// 0 copy, 1 move; kept between shows.
extern std::int32_t CopyMode;
// The options; a tick item's left icon is its state (dialogs::IconTicked on).
extern dialogs::MyFreeBox CopyOptions;

// The items with their captions, icons and default states.
void InitOptionItems();

// Where the buttons go, in the options picture's pixels.
struct CopyOptionsLayout {
    platform::Rect enter, cancel;
    platform::Rect picture;   // the copy or move picture
};
// Places the items in a `width` × `height` picture: the choice of copy or
// move at the top, the files to write from `filesTop`, the overwrite item
// and the buttons (`button` the size they need) at the bottom.
CopyOptionsLayout BuildCopyOptions(int width, int height, int filesTop, platform::Rect button,
                                   const std::function<int(const std::string&)>& textWidth);
// The least width of a picture that holds every item.
int CopyOptionsWidth(const std::function<int(const std::string&)>& textWidth);

// The options picture, states taken from CopyMode and OverwriteAll first.
void DrawCopyOptions(platform::RasterCanvas& picture, const CopyOptionsLayout& layout);

// The pointer over the options: true when the lit item changed.
bool CopyOptionsMouseMove(int x, int y);
// A click on the options: a file item ticks or unticks, the overwrite item
// switches OverwriteAll, the choices set CopyMode.
void CopyOptionsClick(int x, int y);
bool OptionOn(int item);

// Shows the hourglass (true) or the pointer (false); the window sets it.
extern std::function<void(bool)> ShowBusy;

// "実行": the files `names` of `source` copied or moved to `destination`
// (not when both are one folder), then the ticked files written there. Asks
// before replacing a file unless OverwriteAll; tells how many files were
// made, or which could not be, and marks the copy step done when all went
// well. Returns the number of files made. `made`, when given, runs once files
// were made and before the message, so that the lists show them meanwhile.
int RunCopy(const std::string& source, const std::string& destination, const std::vector<std::string>& names,
            const std::function<void()>& made = {});

} // namespace output
