#include "main/OpenCommands.h"

#include "core/DesignRules.h"
#include "core/ElementGrid.h"
#include "core/FileKinds.h"
#include "core/FolderSettings.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "core/OldProjectFiles.h"
#include "core/ProjectFile.h"
#include "core/ProgramSettings.h"
#include "main/MainHooks.h"
#include "output/CopyFiles.h"
#include "view/Redraw.h"
#include "view/SubLists.h"
#include "view/ToolState.h"
#include "view/WorkerPool.h"
#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/Shell.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <system_error>

namespace mainwin {

namespace fs = std::filesystem;
using namespace core;

// ------------------------------------------------------------------ hooks

int DefaultReplaceOrAdd(const std::string& mode, const std::string& projectPath)
{
    // Without a choice of layers, a project comes whole.
    // A file whose layers do not read throws: the open names it with why.
    if (mode == "OpenSelTsn") TakeAllProjectLayers(projectPath);
    return 1;
}

std::function<int(const std::string&, const std::string&)> AskReplaceOrAdd = DefaultReplaceOrAdd;
std::function<bool(const std::string&)> ConfirmFormats = [](const std::string&) { return true; };
std::function<bool(const std::string&)> ReadFolderSettings = [](const std::string& p) {
    return core::ReadFolderSettings(p);
};
std::function<bool(const std::string&)> ReadOldFolderSettings = [](const std::string& p) {
    return core::ReadOldFolderSettings(p);
};
std::function<bool(Gauge&, const std::string&, MyDataValue&)> ReadProjectFile = core::ReadProjectFile;
std::function<bool(Gauge&, const std::string&, int, MyDataValue&)> ReadOldProjectFile = core::ReadOldProjectFile;
std::function<void(Gauge&)> BuildElementGrid = [](Gauge& gauge) {
    core::SetGridView(Extents);
    if (!core::BuildElementGrid(gauge, PoolRunner()) && DataCount > 0) platform::ShowWarning(GridTooLargeText);
};
std::function<void()> RebuildCommandMenu = [] {};
std::function<void(bool)> ResetTools = [](bool) {};
std::function<void()> ResetDrcErrors = [] { core::ClearDrcErrors(); };
std::function<void()> ResetToolSettings = [] {};
std::function<void()> ResetTsoIniTable = [] {};
std::function<void()> SignalLayersChanged = [] {};
std::function<std::string()> OpenDialogFolder = [] { return output::FolderSet.PATH1; };
std::function<bool(const std::string&)> ShellOpenFile = [](const std::string& p) {
    return platform::ShellOpen(p, [p] { platform::ShowWarning(std::string(OpenFailedText) + "\n\r" + p); });
};

std::uint8_t MemoReadFlag = 1;

namespace {

OpenCommandWindow silentWindow;
OpenCommandWindow* window = &silentWindow;

std::string ProgramFolderFile(const std::string& name) { return ProgramFilePath(name); }

// Runs one settings step; a file that cannot be read leaves the defaults and
// is reported once the clear is complete.
template <class F>
bool Guarded(std::vector<std::string>& failures, F&& step)
{
    try {
        step();
        return true;
    } catch (const platform::Error& e) {
        failures.push_back(e.what());
        return false;
    }
}

// What the last clear found wrong with the program folder's files. Every
// clear reads them again: a problem is told once, not at every clear, and
// again only once it was gone in between.
std::vector<std::string> standingFailures;

void ReportNewFailures(std::vector<std::string> failures)
{
    std::string text;
    for (std::size_t i = 0; i < failures.size(); ++i) {
        const std::string& f = failures[i];
        auto told = [&f](auto first, auto last) { return std::find(first, last, f) != last; };
        if (told(standingFailures.begin(), standingFailures.end()) || told(failures.begin(), failures.begin() + static_cast<std::ptrdiff_t>(i)))
            continue;
        text += (text.empty() ? "" : "\n\n") + f;
    }
    standingFailures = std::move(failures);
    if (!text.empty()) platform::ShowWarning(text);
}

std::string LowerExtension(const std::string& name)
{
    std::string ext = fs::path(name).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

struct Entry {
    std::string name, folder;
    std::int32_t kind = 0;
    std::string path() const { return (fs::path(folder) / name).string(); }
};

// The gauge panel for the lifetime of the object, hidden also when a reader
// throws what it does not handle itself.
class GaugeShown {
public:
    explicit GaugeShown(const std::string& text) { window->ShowGauge(text); }
    ~GaugeShown() { window->HideGauge(); }
    GaugeShown(const GaugeShown&) = delete;
    GaugeShown& operator=(const GaugeShown&) = delete;
};

// The job a replace clears, kept until something of the new files reads:
// when nothing does, it comes back whole, with its picture, panels and
// status. Taken before the open's first change to the loaded job (a settings
// file read over it, the formats shown for confirmation); the element
// array, the grid, the macros and the errors are moved aside at the clear,
// never copied.
class ReplacedJob {
public:
    ReplacedJob()
        : caption_(window->Caption()), apertures_(Apertures), tools_(Tools), layers_(LayerTable),
          iniLayers_(IniLayerTable), apertureMap_(ApertureMap), toolMap_(ToolMap), gerber_(GerberFormat),
          drill_(DrillFormat), basics_(ProjectBasics), extents_(Extents), reportLines_(ReportLines),
          dataCount_(DataCount), dataCapacity_(DataCapacity), groupCounter_(GroupCounter), maxDCode_(MaxDCode),
          macroCount_(MacroCount), toolCount_(ToolCount), holes_(TotalHoleCount), layerCount_(LayerCount),
          iniLayerCount_(IniLayerCount), reportCount_(ReportCount), shownLayers_(ShownLayerCount),
          groupStartRow_(GroupStartRow), saveFormat_(SaveFormat), stepMarks_(StepMarks),
          selectKinds_(SelectKindFlags), snapModes_(SnapModes), rulerMinTick_(RulerMinTick),
          rulerAngle_(RulerAngle), drcSettings_(DrcSettings), gridOriginX_(GridOriginX), gridOriginY_(GridOriginY),
          gridWidth_(GridWidth), gridHeight_(GridHeight), gridDepth_(GridDepth), lastFolder_(LastOpenedFolder),
          memoRead_(MemoReadFlag)
    {
    }
    ReplacedJob(const ReplacedJob&) = delete;
    ReplacedJob& operator=(const ReplacedJob&) = delete;
    // An open that ends before anything read, also by an error, leaves the
    // job it found.
    ~ReplacedJob()
    {
        try {
            PutBack();
        } catch (...) {
            // The open's own error is what the user is told.
        }
    }

    void Clear()
    {
        std::swap(Datas, datas_);
        std::swap(ElementGrid, grid_);
        std::swap(Macros, macros_);
        std::swap(DrcErrors, drcErrors_);
        cleared_ = true;
        ClearAllData(true);
    }
    // Something of the new files read: the replace stands, the old job goes.
    void Drop()
    {
        cleared_ = false;
        datas_ = {};
        grid_ = {};
        macros_ = {};
        drcErrors_ = {};
    }
    // False when nothing was cleared.
    bool PutBack()
    {
        if (!cleared_) return false;
        cleared_ = false;
        std::swap(Datas, datas_);
        std::swap(ElementGrid, grid_);
        std::swap(Macros, macros_);
        std::swap(DrcErrors, drcErrors_);
        Apertures = apertures_;
        Tools = tools_;
        LayerTable = layers_;
        IniLayerTable = iniLayers_;
        ApertureMap = apertureMap_;
        ToolMap = toolMap_;
        GerberFormat = gerber_;
        DrillFormat = drill_;
        ProjectBasics = basics_;
        Extents = extents_;
        ReportLines = reportLines_;
        DataCount = dataCount_;
        DataCapacity = dataCapacity_;
        GroupCounter = groupCounter_;
        MaxDCode = maxDCode_;
        MacroCount = macroCount_;
        ToolCount = toolCount_;
        TotalHoleCount = holes_;
        LayerCount = layerCount_;
        IniLayerCount = iniLayerCount_;
        ReportCount = reportCount_;
        ShownLayerCount = shownLayers_;
        GroupStartRow = groupStartRow_;
        SaveFormat = saveFormat_;
        StepMarks = stepMarks_;
        SelectKindFlags = selectKinds_;
        SnapModes = snapModes_;
        RulerMinTick = rulerMinTick_;
        RulerAngle = rulerAngle_;
        DrcSettings = drcSettings_;
        GridOriginX = gridOriginX_;
        GridOriginY = gridOriginY_;
        GridWidth = gridWidth_;
        GridHeight = gridHeight_;
        GridDepth = gridDepth_;
        LastOpenedFolder = lastFolder_;
        MemoReadFlag = memoRead_;
        datas_ = {};
        grid_ = {};
        macros_ = {};
        drcErrors_ = {};

        // What was worked out from the emptied job is stale.
        InvalidatePicture();
        if (!caption_.empty()) window->SetCaption(caption_);
        RebuildCommandMenu();
        window->RedrawView();
        if (LayerCount >= 1) window->SetStatusText(0, DataCountText + std::to_string(DataCount));
        return true;
    }

private:
    bool cleared_ = false;
    std::string caption_;
    MyDataArray datas_;
    MyMapArray grid_;
    MyMacroArray macros_;
    MyErrorPoint drcErrors_;
    std::array<MyAperture, MaxApertureCode + 1> apertures_;
    std::array<MyTool, MaxToolCode + 2> tools_;
    std::array<MyLayerSet, LayerTableSize> layers_, iniLayers_;
    std::array<std::int32_t, MaxApertureCode + 1> apertureMap_;
    std::array<std::int32_t, MaxToolCode + 1> toolMap_;
    MyFormatPara gerber_, drill_;
    MyBasicSet basics_;
    MyExtents extents_;
    MyStringArray reportLines_;
    std::int32_t dataCount_, dataCapacity_, groupCounter_, maxDCode_, macroCount_, toolCount_, holes_, layerCount_,
        iniLayerCount_, reportCount_, shownLayers_, groupStartRow_, saveFormat_;
    std::array<std::uint8_t, 5> stepMarks_;
    std::array<std::uint8_t, 6> selectKinds_;
    std::array<std::int32_t, SnapClassCount> snapModes_;
    double rulerMinTick_, rulerAngle_;
    MyDrcSet drcSettings_;
    double gridOriginX_, gridOriginY_;
    std::int32_t gridWidth_, gridHeight_, gridDepth_;
    std::string lastFolder_;
    std::uint8_t memoRead_;
};

// The format confirmation before RS-274D or drill files are read. A replace
// shows the formats the cleared job will start from and clears it once they
// are confirmed; a cancel puts back the formats as they were.
bool ConfirmFormatsFor(const char* mode, ReplacedJob* replace)
{
    const MyFormatPara gerber = GerberFormat, drill = DrillFormat;
    if (replace) {
        // What does not read is told by the clear that follows.
        std::vector<std::string> failure;
        Guarded(failure, [] { ReadFormatFile(ProgramFolderFile("GERBERFRM.pra"), "Gerber", GerberFormat); });
        Guarded(failure, [] { ReadFormatFile(ProgramFolderFile("DRILLFRM.pra"), "Drill", DrillFormat); });
    }
    if (!ConfirmFormats(mode)) {
        GerberFormat = gerber;
        DrillFormat = drill;
        return false;
    }
    if (replace) {
        const MyFormatPara confirmedGerber = GerberFormat, confirmedDrill = DrillFormat;
        replace->Clear();
        GerberFormat = confirmedGerber;
        DrillFormat = confirmedDrill;
    }
    return true;
}

void OpenSetAside(const std::vector<std::string>& paths)
{
    if (paths.empty()) return;
    window->SetBusyCursor(true);
    for (const std::string& p : paths) ShellOpenFile(p);
    window->SetBusyCursor(false);
}

} // namespace

OpenCommandWindow& OpenWindow() { return *window; }
void SetOpenWindow(OpenCommandWindow* w) { window = w ? w : &silentWindow; }

// ------------------------------------------------------------- ClearAllData

void ClearAllData(bool reload)
{
    std::vector<std::string> failure;
    ResetToolSettings();   // stops the auto-scroll timer among the rest
    window->SetCaption("テッセル２");

    // The layer slots keep the colours of the program folder's layer table.
    std::int32_t fileLayers = 0;
    for (int k = 0; k < LayerTableSize; ++k) LayerTable[static_cast<std::size_t>(k)] = DefaultLayerEntry(k);
    Guarded(failure, [&] { ReadLayerSetFile(LayerSetFilePath(), LayerTable, fileLayers); });
    for (int k = 1; k <= MaxLayers; ++k) {
        MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
        l.Active = 0;
        l.FileKind = fkAuto;
        l.Folder.clear();
        l.FileName.clear();
        l.Contents.clear();
        l.Remarks.clear();
        l.Letter = SlotLetter(k);
        l.PageLetter = SlotLetter(k);
        l.Polarity = "P";
        l.CombineMask = 0;
        l.CombineOutline = 0;
    }
    LayerCount = 0;
    ShownLayerCount = 0;
    GroupStartRow = 0;
    SaveFormat = 0;
    IniLayerCount = 0;

    ClearElements();
    GroupCounter = 0;
    ElementGrid.Clear();

    Extents.MinX = 1500.0;
    Extents.MaxX = -1500.0;
    Extents.MinY = 1500.0;
    Extents.MaxY = -1500.0;
    Extents.Width = 100.0;
    Extents.Height = 100.0;

    window->RedrawView();

    if (!DataFolder.empty()) platform::DeleteMatchingFiles(DataFolder, "*.*");

    if (reload) {
        SetProgramFilePaths();
        bool read = false;
        if (!Guarded(failure, [&] { read = ReadApertureFile(ApertureFilePath); })) {
            // The file stays as the user left it, to be mended; the table
            // holds what it gave before the fault, or the built-in one when
            // that is no D-code.
            if (MaxDCode <= 9) ResetApertureTable();
        } else if (!read) {
            ResetApertureTable();
            Guarded(failure, [&] { WriteApertureFile(ApertureFilePath); });
        }
    }

    ApertureMap.fill(0);
    for (MyAperture& a : Apertures) a.Used = 0;
    ToolMap.fill(0);
    for (MyTool& t : Tools) t = MyTool{};
    TotalHoleCount = 0;
    ToolCount = 0;
    Macros.assign(1, MyMacro{});
    MacroCount = 0;
    ReportLines.clear();
    ReportCount = 0;

    Guarded(failure, [&] { ReadFormatFile(ProgramFolderFile("GERBERFRM.pra"), "Gerber", GerberFormat); });
    Guarded(failure, [&] { ReadFormatFile(ProgramFolderFile("DRILLFRM.pra"), "Drill", DrillFormat); });

    ResetTsoIniTable();
    ProjectBasics.Title.clear();
    ProjectBasics.Comment.clear();
    ProjectBasics.BoardWidth = 0;
    ProjectBasics.BoardHeight = 0;
    ProjectBasics.BoardLeft = 0;
    ProjectBasics.BoardBottom = 0;

    ResetTools(true);
    ResetDrcErrors();
    DrcSettings.ShowErrors = 1;
    DrcSettings.BlinkErrors = 0;
    SetDefaultToolSettings();

    LastOpenedFolder.clear();

    std::error_code ec;
    MemoReadFlag = fs::exists(ProgramFolderFile("Memo.txt"), ec) ? 0 : 1;
    StepMarks.fill(0);

    // The panels built from the tables show the empty job at once, also
    // where the clear ends an open.
    RebuildCommandMenu();

    ReportNewFailures(std::move(failure));
}

// ------------------------------------------------------------ small rules

std::string FileSortKey(const std::string& name)
{
    std::size_t digits = 0;
    while (digits < 3 && digits < name.size() && name[digits] >= '0' && name[digits] <= '9') ++digits;
    return std::string(3 - digits, '0') + name;
}

std::string ToolLetter(int n)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    constexpr int size = 52;
    if (n < 0) return {};
    if (n < size) return std::string(1, alphabet[n]);
    n -= size;
    if (n >= size * size) return {};
    return std::string{alphabet[n / size], alphabet[n % size]};
}

std::string FilesNotReadMessage(const std::string& lead, const std::vector<FileNotRead>& files)
{
    std::string text = lead;
    if (files.empty()) return text;
    if (!text.empty()) text += "\n\n";
    text += FilesNotReadText;
    for (const FileNotRead& f : files) text += "\n・" + f.Name + "：" + f.Reason;
    return text;
}

std::vector<std::string> NoticeBalloonRows(const std::string& mode)
{
    if (mode == "RS-274D") return {"　ガーバーデータ（RS-274D）が入力されました。", "アパーチャーの設定が必要となります。"};
    if (mode == "tso")
        return {"　旧テッセルファイル（tso）が入力されました。", "便宜上、アパーチャーが割付けられていますが、",
                "作成時のDコードとは異なります。ご注意下さい。"};
    return {};
}

void ShowNoticeBalloon(int y, const std::string& mode) { window->ShowNoticeBalloon(y, mode); }

// ------------------------------------------------------------ OpenFileList

int OpenFileListRun(MyOpenFiles& list)
{
    platform::BusyGuard busy;
    SignalLayersChanged();
    // The report collects what this open's readers find.
    auto startReport = [] {
        ReportCount = 0;
        ReportLines.clear();
    };

    std::vector<Entry> entries;
    for (int i = 0; i < list.Count && static_cast<std::size_t>(i) < list.Names.size(); ++i) {
        Entry e;
        e.name = list.Names[static_cast<std::size_t>(i)];
        e.kind = static_cast<std::size_t>(i) < list.Kinds.size() ? list.Kinds[static_cast<std::size_t>(i)] : 0;
        e.folder = list.PathOf(i).parent_path().string();
        if (!e.name.empty()) entries.push_back(std::move(e));
    }

    // Notes and documents go to the user's programs once the data is in.
    std::vector<std::string> setAside;
    for (Entry& e : entries) {
        if (e.kind != fkAuto) continue;
        const std::string ext = LowerExtension(e.name);
        if (ext == ".txt" || ext == ".pdf") {
            setAside.push_back(e.path());
            e.name.clear();
        }
    }

    // Each file to read is checked before anything opens it: a FIFO would
    // stop the window on the open for good, and a folder, device, empty or
    // unreadable file is named to the user with why.
    std::vector<FileNotRead> notRead;
    for (Entry& e : entries) {
        if (e.name.empty()) continue;
        const platform::InputProblem problem = platform::CheckInputFile(e.path());
        if (problem == platform::InputProblem::None) continue;
        notRead.push_back({e.name, platform::InputProblemText(problem)});
        e.name.clear();
    }

    std::string projectPath;
    for (Entry& e : entries) {
        if (!e.name.empty() && e.kind == fkAuto && fs::path(e.name).extension() == ".tsn") {
            projectPath = e.path();
            break;
        }
    }

    std::string settingsPath, oldSettingsPath;
    if (projectPath.empty()) {
        for (Entry& e : entries) {
            if (platform::EqualNoCase(e.name, OldFolderSettingsName) && oldSettingsPath.empty()) {
                oldSettingsPath = e.path();
                e.name.clear();
            } else if (platform::EqualNoCase(e.name, FolderSettingsName) && settingsPath.empty()) {
                settingsPath = e.path();
                e.name.clear();
            }
        }
    }
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const Entry& e) { return e.name.empty(); }),
                  entries.end());

    window->PumpEvents();
    Gauge& gauge = window->ReadGauge();
    // Every file that does not become a layer is named to the user with why.
    int filesRead = 0;
    bool ncRead = false, oldProjectRead = false, projectRead = false;
    bool has274D = false, has274X = false, hasNC = false, hasOld = false;
    bool settingsRead = false, settingsFailed = false;
    // A replace whose new files all fail to read leaves the loaded job.
    std::optional<ReplacedJob> replaced;

    if (!projectPath.empty()) {
        // A project opens alone.
        for (const Entry& e : entries)
            if (e.path() != projectPath) notRead.push_back({e.name, WithProjectReason});
        // Without a project reader there is nothing to choose or replace.
        if (!ReadProjectFile) {
            notRead.push_back({fs::path(projectPath).filename().string(), NoReaderReason});
        } else {
            // The layers are offered for choice only when the file's list of
            // them reads: else the file is named with why, and nothing is asked.
            const std::string projectName = fs::path(projectPath).filename().string();
            std::string refused;
            try {
                if (ReadProjectLayers(projectPath).empty()) refused = NoLayersReason;
            } catch (const platform::Error& e) {
                refused = e.what();
            }
            int answer = 0;
            LayerTakeFlags.fill(0);
            if (refused.empty()) {
                try {
                    answer = AskReplaceOrAdd("OpenSelTsn", projectPath);
                } catch (const platform::Error& e) {
                    // The file changed since: the chooser could not read it.
                    refused = e.what();
                }
            }
            int taken = 0;
            for (std::int32_t f : LayerTakeFlags)
                if (f == 1) ++taken;
            if (refused.empty() && answer < 1) return 0;
            // A file that offers no layer cannot be opened.
            if (refused.empty() && taken == 0) refused = NoLayersReason;
            if (!refused.empty()) {
                platform::ShowWarning(FilesNotReadMessage(OpenFailedText, {{projectName, refused}}));
                return 0;
            }
            if (answer == 1) replaced.emplace().Clear();
            // The limit counts the layers the project adds, not its one name.
            if (answer == 2 && LayerCount + taken > MaxLayers) {
                platform::ShowWarning(TooManyFilesText);
                return 0;
            }
            startReport();
            MyDataValue value;
            bool ok = false;
            const std::string name = fs::path(projectPath).filename().string();
            {
                GaugeShown shown(OpeningFileText + name);
                try {
                    ok = ReadProjectFile(gauge, projectPath, value);
                    if (!ok) notRead.push_back({name, NoElementsReason});
                } catch (const platform::Error& e) {
                    // The reader has put the tables back; its message says why.
                    notRead.push_back({name, e.what()});
                    ok = false;
                }
            }
            // A project that did not read is not counted as read.
            if (ok) {
                MergeExtents(Extents, value);
                ++filesRead;
                projectRead = true;
                window->SetCaption(std::string("テッセル２") + " - " + ProjectBasics.Title);
            }
        }
    } else {
        // A replace clears the loaded job only once nothing more can stop
        // the open: a wrong file kind or a cancelled confirmation loses nothing.
        bool replace = false;
        if (!entries.empty() && LayerCount > 0) {
            const int answer = AskReplaceOrAdd("OpenSelect", "");
            if (answer < 1) return 0;
            replace = answer == 1;
            if (replace) replaced.emplace();
            if (answer == 2 && LayerCount + static_cast<int>(entries.size()) > MaxLayers) {
                platform::ShowWarning(TooManyFilesText);
                return 0;
            }
        }

        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return FileSortKey(a.name) < FileSortKey(b.name); });

        for (Entry& e : entries) {
            const std::optional<std::int32_t> kind = KindToRead(e.kind, DetectFileType(e.path()));
            if (!kind) {
                platform::ShowWarning(WrongKindText);
                return 0;
            }
            e.kind = *kind;
        }

        std::vector<Entry> reading;
        for (std::int32_t kind : {fkOldProject, fkRS274D, fkRS274X, fkNcDrill})
            for (const Entry& e : entries)
                if (e.kind == kind) reading.push_back(e);
        for (const Entry& e : entries) {
            if (e.kind == fkMissing) notRead.push_back({e.name, MissingFileReason});
            else if (e.kind == fkAuto) notRead.push_back({e.name, NotDataFileReason});
        }
        for (const Entry& e : reading) {
            has274D |= e.kind == fkRS274D;
            has274X |= e.kind == fkRS274X;
            hasNC |= e.kind == fkNcDrill;
            hasOld |= e.kind == fkOldProject;
        }

        // A data folder's settings file, offered when one lies beside the data.
        if (mainwin::ReadFolderSettings && settingsPath.empty() && oldSettingsPath.empty() &&
            (has274D || has274X || hasNC)) {
            if (std::string found = FindFolderSettings(list.Folder, FolderSettingsName); !found.empty()) {
                if (platform::AskYesNo(SettingsFoundText)) settingsPath = found;
            } else if (std::string old = FindFolderSettings(list.Folder, OldFolderSettingsName);
                       mainwin::ReadOldFolderSettings && !old.empty()) {
                if (platform::AskYesNo(OldSettingsFoundText)) oldSettingsPath = old;
            }
        }
        // A replace with a settings file clears before the read that counts,
        // since the file fills the tables the clear resets; it reads the file
        // once over the loaded job first, so that a file that does not read
        // clears nothing. Without one the clear waits for the confirmation,
        // so a cancel loses nothing. A settings file that does not read leaves
        // the tables as they were and the formats to be confirmed as without one.
        const bool settingsChosen = (!settingsPath.empty() && mainwin::ReadFolderSettings) ||
                                    (!oldSettingsPath.empty() && mainwin::ReadOldFolderSettings);
        bool cleared = false;
        if (settingsChosen) {
            auto readSettings = [&] {
                startReport();
                IniLayerCount = 0;
                if (!settingsPath.empty() && mainwin::ReadFolderSettings) return mainwin::ReadFolderSettings(settingsPath);
                return mainwin::ReadOldFolderSettings(oldSettingsPath);
            };
            try {
                if (replace) {
                    readSettings();
                    replaced->Clear();
                    cleared = true;
                }
                settingsRead = readSettings();
            } catch (const platform::Error& e) {
                platform::ShowWarning(e.what());
                settingsFailed = true;
            }
        }
        if (!settingsRead && (has274D || hasNC)) {
            const char* mode = has274D && hasNC ? "Format" : has274D ? "Format274D" : "FormatNC";
            if (!ConfirmFormatsFor(mode, replace && !cleared ? &*replaced : nullptr)) return 0;
        } else if (replace && !cleared) {
            replaced->Clear();
        }
        if (!settingsChosen) {
            startReport();
            IniLayerCount = 0;
        }

        if (!reading.empty()) {
            GaugeShown shown(OpeningText);
            for (const Entry& e : reading) {
                if (LayerCount >= MaxLayers) {
                    notRead.push_back({e.name, LayerLimitReason});
                    continue;
                }
                window->SetGaugeText(OpeningFileText + e.name);
                window->PumpEvents();
                MyDataValue value;
                const int layer = LayerCount + 1;
                bool ok = false;
                std::string reason = NoElementsReason;
                try {
                    switch (e.kind) {
                    case fkRS274D:
                    case fkRS274X: ok = ReadGerberFile(gauge, e.path(), layer, value); break;
                    case fkNcDrill:
                        ok = ReadNcDrillFile(gauge, e.path(), layer, value);
                        ncRead |= ok;
                        break;
                    case fkOldProject:
                        if (!ReadOldProjectFile) reason = NoReaderReason;
                        ok = ReadOldProjectFile && ReadOldProjectFile(gauge, e.path(), layer, value);
                        oldProjectRead |= ok;
                        break;
                    default: break;
                    }
                } catch (const platform::Error& ex) {
                    // The reader has put the tables back: the file is not read.
                    ok = false;
                    reason = ex.what();
                }
                if (!ok) {
                    notRead.push_back({e.name, reason});
                    continue;
                }
                ++filesRead;
                LayerCount += 1;
                MyLayerSet& l = LayerTable[static_cast<std::size_t>(LayerCount)];
                l.Folder = e.folder;
                l.FileName = e.name;
                l.Polarity = "P";
                l.FileKind = e.kind;
                if (e.kind == fkOldProject) {
                    l.Contents = value.ContentsText;
                    l.Remarks = value.RemarksText;
                    if (!value.TitleText.empty()) ProjectBasics.Title = value.TitleText;
                }
                MergeExtents(Extents, value);
            }
        }

        // Settings alone update the layers loaded; with a replace they were
        // for the files that did not read.
        if (IniLayerCount >= 1 && !(replaced && filesRead == 0)) {
            TakeSettingsLayers();
            if (filesRead == 0) {
                RebuildCommandMenu();
                window->RedrawView();
                platform::ShowInformation(ParametersUpdatedText);
                return 0;
            }
        }
    }

    if (filesRead == 0) {
        const bool putBack = replaced && replaced->PutBack();
        // A settings file alone that did not read has said so already.
        if (!notRead.empty()) platform::ShowWarning(FilesNotReadMessage(OpenFailedText, notRead));
        else if (setAside.empty() && !settingsFailed) platform::ShowWarning(OpenFailedText);
        OpenSetAside(setAside);
        if (!putBack) StepMarks.fill(0);
        return 0;
    }
    // The new job stands, also when it is out of range below.
    if (replaced) replaced->Drop();

    Extents.Width = Extents.MaxX - Extents.MinX;
    Extents.Height = Extents.MaxY - Extents.MinY;
    Extents.CentreX = Extents.MinX + Extents.Width / 2;
    Extents.CentreY = Extents.MinY + Extents.Height / 2;
    if (!DataRangeAcceptable(Extents)) {
        // The files not read are named as well: they are not behind the error.
        platform::ShowWarning(FilesNotReadMessage(RangeErrorText, notRead));
        ClearAllData(true);
        return 0;
    }

    if (MacroCount > 0) ParseMacroParams();
    MaxDCode = MarkUsedApertures(Apertures);

    if (ncRead || oldProjectRead || projectRead) {
        ToolCount = CountUsedDrillTools(Tools);
        int n = 0;
        for (int t = 1; t <= ToolCount && t <= MaxToolCode; ++t) {
            MyTool& tool = Tools[static_cast<std::size_t>(t)];
            tool.Symbol.clear();
            if (tool.Used) tool.Symbol = ToolLetter(n++);
        }
    }

    for (int k = 1; k <= LayerCount; ++k) LayerTable[static_cast<std::size_t>(k)].Active = 0;
    LayerTable[1].Active = 1;
    ShownLayerCount = 1;
    RebuildCommandMenu();
    window->FitView();
    window->RedrawView();
    window->PumpEvents();

    if (BuildElementGrid) {
        {
            GaugeShown shown(PreparingText);
            BuildElementGrid(gauge);
        }
        window->PumpEvents();
    }

    if (has274D && !settingsRead) ShowNoticeBalloon(window->CommandRowTop(4) + 9, "RS-274D");
    else if (hasOld) ShowNoticeBalloon(window->CommandRowTop(4) + 9, "tso");
    window->SetStatusText(0, DataCountText + std::to_string(DataCount));
    if (!notRead.empty()) platform::ShowWarning(FilesNotReadMessage("", notRead));
    if (ReportCount > 0 && platform::AskYesNo(ReportQuestionText, platform::MsgIcon::Warning)) {
        const std::string report = ProgramFolderFile("REPORT.txt");
        std::error_code ec;
        bool saved = false;
        try {
            saved = SaveReportLines(report);
        } catch (const platform::Error& e) {
            platform::ShowWarning(e.what());
        }
        if (saved && fs::exists(report, ec)) ShellOpenFile(report);
    }

    OpenSetAside(setAside);
    StepMarks.fill(0);
    return 1;
}

// ----------------------------------------------------- dialog and "New"

int OpenFilesDialog()
{
    window->SetBusyCursor(true);
    window->PumpEvents();
    platform::OpenRequest request;
    std::error_code ec;
    const std::string start = OpenDialogFolder();
    if (!start.empty() && fs::exists(start, ec)) request.initialFolder = start;
    request.filter = OpenDialogFilter;
    request.multiSelect = true;
    window->SetBusyCursor(false);
    platform::OpenAnswer answer = platform::Dialogs().OpenFiles(request);
    if (!answer.accepted) return 0;

    std::int32_t kind = fkAuto;
    if (answer.filterIndex == 2) {
        if (!platform::AskOkCancel(AsGerberQuestion)) return 0;
        kind = fkRS274D;
    } else if (answer.filterIndex == 3) {
        if (!platform::AskOkCancel(AsDrillQuestion)) return 0;
        kind = fkNcDrill;
    }
    MyOpenFiles list = MakeOpenList(answer.paths, kind, MaxLayers);
    if (OpenFileList(list) == 1) LastOpenedFolder = list.Folder;
    return 1;
}

int NewCommand()
{
    if (LayerCount > 0 && !platform::AskYesNo(NewQuestion)) return 0;
    platform::BusyGuard busy;
    ClearAllData(true);
    window->RedrawView();
    StepMarks.fill(0);
    ResetDrcErrors();
    window->PumpEvents();
    return 1;
}

} // namespace mainwin
