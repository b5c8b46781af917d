#pragma once
// The save sub-list's first row: the loaded job saved as one project file;
// and the copy row: the job's files copied elsewhere by the copy dialog.
#include "output/CopyFiles.h"

#include <string>

namespace mainwin {

inline constexpr const char* ProjectFilter = "テッセル２ファイル (*.tsn)|*.tsn";
inline constexpr const char* SaveFailedText = "プロジェクトファイルを保存できませんでした。";

// The name offered for the project: the title, trimmed, as a file name.
std::string ProjectFileOffer(const std::string& title);
// The file written for a chosen name: its extension becomes ".tsn".
std::string ProjectFileTarget(const std::string& chosen);

// With layers loaded: the save dialog, then the project written where the
// user chose (a failure is reported and leaves an existing file as it was).
// The save sub-list shows no row chosen afterwards.
void SaveProjectFileCommand();

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
