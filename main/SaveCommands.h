#pragma once
// The save sub-list: the loaded job saved as one project file (first row),
// or exported as the earlier edition's files, one per page letter (second);
// and the copy row: the job's files copied elsewhere by the copy dialog.
#include "output/CopyFiles.h"

#include <functional>
#include <string>

namespace mainwin {

inline constexpr const char* ProjectFilter = "テッセル２ファイル (*.tsn)|*.tsn";
inline constexpr const char* SaveFailedText = "プロジェクトファイルを保存できませんでした。";
inline constexpr const char* SaveOverwriteText = "同じ名前のファイルが見つかりました。上書きしますか？";

// The name offered for the project: the title, trimmed, as a file name.
std::string ProjectFileOffer(const std::string& title);
// The file written for a chosen name: its extension becomes ".tsn".
std::string ProjectFileTarget(const std::string& chosen);

// With layers loaded: the save dialog, then the project written where the
// user chose (a failure is reported and leaves an existing file as it was).
// The name is saved with the extension ".tsn"; when that makes it another
// file that is there already, the user is asked first.
// The save sub-list shows no row chosen afterwards.
void SaveProjectFileCommand();

inline constexpr const char* ExportOverwriteText =
    "同じ名前のファイルが見つかりました。\n\rすべて上書きする場合は「ＯＫ」を選択して下さい。";
inline constexpr const char* ExportFailedText = "旧テッセルファイルを作成できませんでした。";

// The folder dialog's "tso" page: the folder the files go to, chosen from
// `start` on, the names to be written listed from the list file in
// `listFolder`; empty when the user cancels. Set once the dialog is made
// (ConnectFolderDialog); without it, no export.
extern std::function<std::string(const std::string& start, const std::string& listFolder)> AskExportFolder;

// With a layer shown: the list of the files to be written in the program
// folder, the folder asked for, one question before any file is
// overwritten, then the files written (a failure is reported). The save
// sub-list shows no row chosen afterwards.
void ExportEarlierProjectsCommand();

// The folders the copy dialog opens on: the source is the folder of the
// data opened last, else the remembered start folder, else `home`; the
// destination is the remembered copy folder, else `home` (also when it is
// the source). Only existing folders are taken.
struct CopyFolders {
    std::string source, destination;
};
CopyFolders CopyStartFolders(const std::string& lastOpened, const output::MyFolderSetPara& folders, const std::string& home);

// The copy dialog shown on those folders with the job's title. Nothing
// without the dialog.
void CopyDataCommand();

// "FOLDERSET.pra" of the program folder read into the folder settings (one
// that cannot be read leaves them empty) and written from them (throws
// platform::Error).
void ReadFolderSetCommand();
void WriteFolderSetCommand();

} // namespace mainwin
