#pragma once
// Which kind a file of an open is read as, and the reasons a file is not
// read: one rule for the main window's open and the command-line probe.
#include "core/Datas.h"

#include <optional>

namespace core {

// Why a file of an open was not read (each follows the file's name).
inline constexpr const char* NotDataFileReason = "ガーバーデータでも NC ドリルデータでもありません。";
inline constexpr const char* MissingFileReason = "ファイルが見つかりません。";
inline constexpr const char* NoElementsReason = "図形データがありません。";
inline constexpr const char* NoLayersReason = "レイヤーがありません。";
inline constexpr const char* WrongKindReason = "ファイルの種類を確認してください。";

// The kind a file is read as, given the kind the user chose for it (fkAuto:
// none; fkRS274D: Gerber; fkNcDrill: NC drill) and the kind detection found.
// Unchosen files take the detected kind. A chosen kind stands where
// detection could not decide; a Gerber file of either form is Gerber. None
// when the file was detected as another kind than the one chosen.
std::optional<std::int32_t> KindToRead(std::int32_t chosen, std::int32_t detected);

} // namespace core
