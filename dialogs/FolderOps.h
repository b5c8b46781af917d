#pragma once
// The folder side of the export page: what a folder holds, a new folder and
// a renamed one, and the places the folder list starts from. A name the user
// typed is checked before anything is touched, and nothing that exists is
// ever replaced.
#include <string>
#include <vector>

namespace dialogs {

inline constexpr const char* NewFolderBase = "新しいフォルダ";
inline constexpr const char* NewFolderFailedText = "フォルダの作成に失敗しました。";
inline constexpr const char* RenameFailedText = "フォルダ名称を変更できませんでした。";
inline constexpr const char* EmptyFolderNameText = "フォルダ名を入力して下さい。";
inline constexpr const char* BadFolderNameText =
    "このフォルダ名は使えません。\n\r「/」を含む名前、「.」と「..」は使えません。";
inline constexpr const char* FolderNameTakenText = "同じ名前のフォルダまたはファイルが既にあります。";

// The folder chosen has gone (removed or renamed outside the program); the
// one above it that is still there is chosen instead.
std::string FolderGoneText(const std::string& gone, const std::string& instead);
// The nearest folder at or above `folder` that exists; empty when none.
std::string ExistingFolderAbove(const std::string& folder);

// The sub-folders and files of a folder, each sorted, hidden ones (a leading
// ".") left out; a link to a folder is a folder. Empty when it cannot be read.
struct FolderEntries {
    std::vector<std::string> Folders, Files;
};
FolderEntries ListFolderEntries(const std::string& folder);

// The first of NewFolderBase, NewFolderBase + "(1)" ... "(255)" that names
// nothing in the folder (a file or a dangling link counts); empty when every
// one is taken.
std::string FreeNewFolderName(const std::string& folder);

// Why `name` cannot be given to a new or renamed folder in `folder`: one of
// the texts above; empty when it can.
std::string FolderNameProblem(const std::string& folder, const std::string& name);

// Creates folder/name; on failure the message to show. Empty when done.
std::string MakeFolder(const std::string& folder, const std::string& name);
// Renames folder/from to folder/to without replacing anything; on failure
// the message to show. Empty when done (or when the name is unchanged).
std::string RenameFolder(const std::string& folder, const std::string& from, const std::string& to);

// The places the folder list starts from: the home folder, the root, and
// the mount points of removable media ("/media/...", "/run/media/...").
struct DrivePlace {
    std::string Caption, Path;
};
std::vector<DrivePlace> DrivePlaces(const std::string& home, const std::vector<std::string>& mountPoints);
// True when `folder` is `place` or lies below it (absolute, normal paths).
bool FolderUnder(const std::string& folder, const std::string& place);
// The place that holds `folder` (the deepest one), −1 none.
int PlaceOf(const std::vector<DrivePlace>& places, const std::string& folder);

} // namespace dialogs
