#pragma once
// The open and new commands: clearing all data, opening a list of files
// (open dialog, command line, dropped files) and "New". They drive the
// readers of core, fit the view and draw what was read.
//
// The window around them is reached through OpenCommandWindow, so the whole
// command runs without a display in tests and benchmarks. Commands that are
// built elsewhere (folder dialog, parameters dialog, project files, spatial
// grid, command menu, tools, design-rule check) are reached through the hooks
// below; each does what the user gets by default until its command is wired
// in. The data folder's settings files are read through hooks too, so that
// tests can stand in for them.
#include "core/Datas.h"
#include "core/FileKinds.h"
#include "core/ProjectFile.h"
#include "view/CodeTables.h"
#include "view/LayerList.h"
#include "main/OpenList.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mainwin {

// ------------------------------------------------------------- messages

inline constexpr const char* TooManyFilesText = core::TooManyLayersText;
inline constexpr const char* OpenFailedText = "ファイルを開くことができませんでした。";
inline constexpr const char* WrongKindText = "ファイルを開くことができませんでした。\n\rファイルの種類を確認してください。";
inline constexpr const char* RangeErrorText = core::DataRangeErrorText;
inline constexpr const char* SettingsFoundText = "設定ファイルが見つかりました。開きますか？";
inline constexpr const char* OldSettingsFoundText = "旧バージョンの設定ファイルが見つかりました。\n\r開きますか？";
inline constexpr const char* ParametersUpdatedText = "パラメータを更新しました。";
inline constexpr const char* ReportQuestionText = "アパーチャーに関する重要なレポートがあります。 表示しますか？";
inline constexpr const char* OpeningText = "ファイルを開いています ...";
inline constexpr const char* OpeningFileText = "ファイルを開いています ...  ";
inline constexpr const char* PreparingText = "データ読取の準備をしています ...";
inline constexpr const char* AsGerberQuestion = "選択したファイルは、ガーバーデータとして処理されます。\r\nよろしいですか？";
inline constexpr const char* AsDrillQuestion = "選択したファイルは、ＮＣドリルデータとして処理されます。\r\nよろしいですか？";
inline constexpr const char* NewQuestion = "初期化します。 よろしいですか？";
inline constexpr const char* DataCountText = " データ数 = ";
// Files of an open that were not read, each with why.
inline constexpr const char* FilesNotReadText = "次のファイルは読み込めませんでした。";
inline constexpr const char* NotDataFileReason = core::NotDataFileReason;
inline constexpr const char* MissingFileReason = core::MissingFileReason;
inline constexpr const char* NoElementsReason = core::NoElementsReason;
inline constexpr const char* NoLayersReason = core::NoLayersReason;
inline constexpr const char* NoReaderReason = "この種類のファイルは読み込めません。";
inline constexpr const char* WithProjectReason = "テッセル２ファイル（.tsn）と一緒には読み込めません。";
inline constexpr const char* LayerLimitReason = "最大ファイル数(26)を超えるため、読み込みませんでした。";
inline constexpr const char* GridTooLargeText =
    "要素が大きすぎるため、検索用のデータを作成できませんでした。\n\r要素の選択や測定はできません。";

// ---------------------------------------------------------------- window

// What the commands ask of the main window. Every member does nothing by
// default, which is what a run without a window needs.
class OpenCommandWindow {
public:
    virtual ~OpenCommandWindow() = default;
    virtual void SetCaption(const std::string&) {}
    virtual std::string Caption() const { return {}; }
    // The gauge panel with its text, shown while files are read.
    virtual void ShowGauge(const std::string&) {}
    virtual void SetGaugeText(const std::string&) {}
    virtual void HideGauge() {}
    // The progress handed to the readers; lets the window run at most every
    // ~50 ms.
    virtual core::Gauge& ReadGauge() { return silent_; }
    virtual void SetStatusText(int, const std::string&) {}
    // Fits the view to the data extents and zooms to the whole.
    virtual void FitView() {}
    virtual void RedrawView() {}
    // Lets pending window events run.
    virtual void PumpEvents() {}
    virtual void SetBusyCursor(bool) {}
    // The top of a command-menu row in the window, for the notice balloon.
    virtual int CommandRowTop(int) { return 0; }
    virtual void ShowNoticeBalloon(int, const std::string&) {}

private:
    core::Gauge silent_;
};

OpenCommandWindow& OpenWindow();
// Sets the window in use (nullptr: the silent default).
void SetOpenWindow(OpenCommandWindow* window);

// ------------------------------------------------------------------ hooks

// The folder dialog's question "replace or add" (mode "OpenSelTsn" with the
// project's path, where it also ticks the project's layers to take in
// LayerTakeFlags, or "OpenSelect"): 0 cancel, 1 replace, 2 add. A project
// whose layers cannot be read throws platform::Error, nothing asked.
// Default: DefaultReplaceOrAdd.
extern std::function<int(const std::string& mode, const std::string& projectPath)> AskReplaceOrAdd;
// Replace, with every layer of a project taken.
int DefaultReplaceOrAdd(const std::string& mode, const std::string& projectPath);
// The parameters dialog confirming the input formats (mode "Format",
// "Format274D" or "FormatNC"): false when cancelled. Default: confirmed as
// they stand.
extern std::function<bool(const std::string& mode)> ConfirmFormats;
// The readers of a data folder's settings file, current ("Tessel2.ini") and
// earlier ("Tesselu.ini"): true once read. A file that does not read throws
// platform::Error with the tables as they were. Default: core's readers;
// empty: no settings file is offered or read.
extern std::function<bool(const std::string& path)> ReadFolderSettings;
extern std::function<bool(const std::string& path)> ReadOldFolderSettings;
// The project readers. Empty: such a file is not read. Default for the
// current format: core::ReadProjectFile.
extern std::function<bool(core::Gauge&, const std::string& path, core::MyDataValue&)> ReadProjectFile;
extern std::function<bool(core::Gauge&, const std::string& path, int layer, core::MyDataValue&)> ReadOldProjectFile;
// The spatial grid over the fitted view. Default: built on the worker pool,
// a warning when the elements are too large for it.
extern std::function<void(core::Gauge&)> BuildElementGrid;
// The command menu rebuilt and drawn after the layers changed. Default: nothing.
extern std::function<void()> RebuildCommandMenu;
// Ends the active tool and erases its overlays. Default: nothing.
extern std::function<void(bool release)> ResetTools;
// Empties the design-rule errors and resets their display. Default: empties
// them.
extern std::function<void()> ResetDrcErrors;
// What a clear does to the main window besides the tools' settings: the
// auto-scroll timer stopped, the tool page hidden. Default: nothing.
extern std::function<void()> ResetToolSettings;
// The earlier-project export table emptied. Default: nothing.
extern std::function<void()> ResetTsoIniTable;
// Tells the print dialog that the set of layers changed. Default: nothing.
extern std::function<void()> SignalLayersChanged;
// The folder the open dialog starts in: the remembered PATH1 of the folder
// settings (empty: the dialog's own choice).
extern std::function<std::string()> OpenDialogFolder;
// Opens a file with the user's program. Default: the desktop's.
extern std::function<bool(const std::string& path)> ShellOpenFile;

// ------------------------------------------------------------------ state

// 0 when the memo file exists, else 1.
extern std::uint8_t MemoReadFlag;

// -------------------------------------------------------------- commands

// Resets every table; with `reload` the program-folder aperture table is read
// again. The layer colours and the formats come from the program folder.
void ClearAllData(bool reload);

// Opens the files of the list: 1 when data was loaded. A replace of which
// nothing reads leaves the job loaded before as it was.
int OpenFileListRun(MyOpenFiles& list);

// The open dialog, then the open: 1 when the dialog was confirmed.
int OpenFilesDialog();

// "New": 1 when cleared.
int NewCommand();

// The key names are sorted by: leading digits (at most 3) padded to three,
// then the rest: "7a.gbr" → "007a.gbr", "1234x" → "1234x".
std::string FileSortKey(const std::string& name);

// False when the data is smaller than 1 mm or larger than 1000 mm either way,
// or its extents are no finite numbers.
using core::DataRangeAcceptable;

// The letter of the n-th used tool (0-based): "A".."Z", "a".."z", then two
// letters of the same alphabet ("AA", "AB", ...).
std::string ToolLetter(int n);

// A file not read and why.
struct FileNotRead {
    std::string Name, Reason;
};
// The message listing them after `lead` (a line of its own), one per line.
std::string FilesNotReadMessage(const std::string& lead, const std::vector<FileNotRead>& files);

// The texts of the notice balloon of a mode ("RS-274D" or "tso"), row by row.
std::vector<std::string> NoticeBalloonRows(const std::string& mode);

// The notice balloon beside the command menu at height `y`, for a mode of
// NoticeBalloonRows.
void ShowNoticeBalloon(int y, const std::string& mode);

} // namespace mainwin
