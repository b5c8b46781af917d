#pragma once
// The save sub-list's first row: the loaded job saved as one project file.
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

} // namespace mainwin
