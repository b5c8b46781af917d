#include "output/CopyForm.h"

#include "core/Datas.h"
#include "core/FolderSettings.h"
#include "dialogs/PagePainters.h"
#include "output/CopyFiles.h"
#include "output/CopyReports.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/MessageBoxes.h"

#include <algorithm>
#include <filesystem>

namespace output {

namespace fs = std::filesystem;
using dialogs::IconTicked;
using dialogs::IconUnticked;
using platform::Rect;

bool OverwriteAll = false;
std::int32_t CopyMode = 0;
dialogs::MyFreeBox CopyOptions;
std::function<void(bool)> ShowBusy = [](bool) {};

namespace {

struct ItemText {
    const char* caption;
    int state;   // -1 none
    int icon;    // -1 none
};

// Icons of the files: settings file, report of the photo data, of the drill
// data, of the apertures.
constexpr int SettingsIcon = 5, PhotoIcon = 2, DrillIcon = 3, ApertureIcon = 16;

constexpr ItemText Items[CopyItemCount] = {
    {"同時に作成するファイル", -1, -1},
    {"設定ファイル", IconTicked, SettingsIcon},
    {"設定ファイル（旧Ver.互換）", IconUnticked, SettingsIcon},
    {PhotoReportName, IconUnticked, PhotoIcon},
    {DrillReportName, IconUnticked, DrillIcon},
    {ApertureReportName, IconUnticked, ApertureIcon},
    {"同じファイル名は上書きする", IconUnticked, -1},
    {"=", -1, -1},
    {"選択したファイルの処理", -1, -1},
    {"コピー", IconTicked, -1},
    {"移動", IconUnticked, -1},
};

constexpr int Left = 10, ItemHeight = 18, PictureSize = 48;

// A tick or choice item's width: its caption, its icons and some room.
int ItemWidth(int i, const std::function<int(const std::string&)>& textWidth)
{
    return textWidth(Items[i].caption) + 40 + (Items[i].icon >= 0 ? 20 : 0);
}

void Place(int item, int top, int right)
{
    CopyOptions.Rects[static_cast<std::size_t>(item)] = Rect{Left, top, right, top + ItemHeight};
}

// A 48 × 48 picture: two sheets and an arrow; for a move, the first sheet
// only an outline, as what is left behind.
void DrawModePicture(platform::Canvas& c, int x, int y, bool move)
{
    using platform::RGB;
    c.SetPenWidth(1);
    c.SetPenStyle(move ? platform::PenStyle::Dot : platform::PenStyle::Solid);
    c.SetPenColor(RGB(90, 90, 90));
    c.SetBrushColor(move ? dialogs::PageFaceColor : dialogs::White);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.Rectangle(x + 2, y + 2, x + 22, y + 28);
    c.SetPenStyle(platform::PenStyle::Solid);
    c.SetBrushColor(dialogs::White);
    c.Rectangle(x + 26, y + 20, x + 46, y + 46);
    for (int row = y + 27; row <= y + 39; row += 4) {
        c.MoveTo(x + 30, row);
        c.LineTo(x + 42, row);
    }
    const platform::Color arrow = move ? RGB(200, 90, 0) : RGB(0, 140, 0);
    c.SetPenColor(arrow);
    c.SetPenWidth(3);
    c.MoveTo(x + 10, y + 34);
    c.LineTo(x + 10, y + 40);
    c.LineTo(x + 19, y + 40);
    c.SetPenWidth(1);
    c.SetBrushColor(arrow);
    const platform::Point head[] = {{x + 18, y + 35}, {x + 24, y + 40}, {x + 18, y + 45}};
    c.Polygon(head);
}

} // namespace

void InitOptionItems()
{
    dialogs::InitFreeBox(CopyOptions, CopyItemCount);
    for (int i = 0; i < CopyItemCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        CopyOptions.Captions[k] = Items[i].caption;
        CopyOptions.LeftIcons[k] = Items[i].state;
        CopyOptions.Icons[k] = Items[i].icon;
    }
}

int CopyOptionsWidth(const std::function<int(const std::string&)>& textWidth)
{
    int width = 0;
    for (int i = 0; i < CopyItemCount; ++i) width = std::max(width, Left + ItemWidth(i, textWidth) + Left);
    return width;
}

CopyOptionsLayout BuildCopyOptions(int width, int height, int filesTop, Rect button,
                                   const std::function<int(const std::string&)>& textWidth)
{
    if (CopyOptions.Count != CopyItemCount) InitOptionItems();
    CopyOptions.Rects[ciModeHeading] = Rect{Left, 5, width, 23};
    Place(ciCopy, 30, Left + ItemWidth(ciCopy, textWidth));
    Place(ciMove, 50, Left + ItemWidth(ciMove, textWidth));
    Place(ciFilesHeading, filesTop, width);
    const int offsets[] = {25, 45, 75, 95, 115};
    for (int i = ciSettings; i <= ciApertureReport; ++i) Place(i, filesTop + offsets[i - ciSettings], Left + ItemWidth(i, textWidth));

    CopyOptionsLayout layout;
    const int bw = button.right - button.left, bh = button.bottom - button.top;
    layout.enter = Rect{Left, height - 10 - bh, Left + bw, height - 10};
    layout.cancel = Rect{layout.enter.right, layout.enter.top, layout.enter.right + bw, layout.enter.bottom};
    Place(ciOverwriteAll, layout.enter.top - 35, Left + ItemWidth(ciOverwriteAll, textWidth));
    const int ruleTop = layout.enter.top - 35 + 25;
    CopyOptions.Rects[ciRule] = Rect{Left, ruleTop, width - 10, ruleTop + 10};
    // Beside the choices, clear of their captions however wide they are.
    const int pictureLeft = std::max({150, CopyOptions.Rects[ciCopy].right + 10, CopyOptions.Rects[ciMove].right + 10});
    layout.picture = Rect{pictureLeft, 40, pictureLeft + PictureSize, 40 + PictureSize};
    return layout;
}

void DrawCopyOptions(platform::RasterCanvas& picture, const CopyOptionsLayout& layout)
{
    if (CopyOptions.Count != CopyItemCount) InitOptionItems();
    CopyOptions.LeftIcons[ciCopy] = CopyMode == 0 ? IconTicked : IconUnticked;
    CopyOptions.LeftIcons[ciMove] = CopyMode == 1 ? IconTicked : IconUnticked;
    CopyOptions.LeftIcons[ciOverwriteAll] = OverwriteAll ? IconTicked : IconUnticked;
    dialogs::BeginPicture(picture, picture.Width(), picture.Height());
    dialogs::DrawPageItems(picture, CopyOptions, 2);
    DrawModePicture(picture, layout.picture.left, layout.picture.top, CopyMode == 1);
}

bool CopyOptionsMouseMove(int x, int y)
{
    const int hot = dialogs::HitTickItem(CopyOptions, x, y);
    if (hot == CopyOptions.Hot) return false;
    CopyOptions.Hot = hot;
    return true;
}

void CopyOptionsClick(int x, int y)
{
    const int i = dialogs::HitTickItem(CopyOptions, x, y);
    if (i >= ciSettings && i <= ciApertureReport) {
        int& state = CopyOptions.LeftIcons[static_cast<std::size_t>(i)];
        state = state == IconTicked ? IconUnticked : IconTicked;
    } else if (i == ciOverwriteAll) {
        OverwriteAll = !OverwriteAll;
    } else if (i == ciCopy || i == ciMove) {
        CopyMode = i == ciCopy ? 0 : 1;
    }
}

bool OptionOn(int item)
{
    return item >= 0 && item < CopyOptions.Count && CopyOptions.LeftIcons[static_cast<std::size_t>(item)] == IconTicked;
}

// ------------------------------------------------------------- copying

namespace {

// The hourglass for a lifetime, the pointer back while a question is asked.
class Busy {
public:
    Busy() { ShowBusy(true); }
    ~Busy() { ShowBusy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    static bool AskYesNo(const std::string& text)
    {
        ShowBusy(false);
        const bool yes = platform::AskYesNo(text);
        ShowBusy(true);
        return yes;
    }
};

// Unless every file of that name is to be replaced: false when the file
// exists and the user keeps it.
bool MayWrite(const fs::path& path)
{
    std::error_code ec;
    return OverwriteAll || !fs::exists(path, ec) || Busy::AskYesNo(std::string(OverwriteQuestion) + "\n\r" + path.string());
}

} // namespace

int RunCopy(const std::string& source, const std::string& destination, const std::vector<std::string>& names,
            const std::function<void()>& madeFiles)
{
    const bool sameFolder = SameFolder(source, destination);
    if (sameFolder && !names.empty() && !platform::AskOkCancel(SameFolderNote, platform::MsgIcon::Information)) return 0;

    int count = 0;
    std::vector<std::string> failures;
    {
        Busy busy;
        if (!sameFolder) {
            for (const std::string& name : names) {
                const fs::path to = fs::path(destination) / name;
                if (!MayWrite(to)) continue;
                const CopyResult r = CopyDataFile(fs::path(source) / name, to, CopyMode == 1);
                if (r.outcome == CopyResult::Copied) ++count;
                if (!r.error.empty()) failures.push_back(r.error);
                platform::PumpEvents();
            }
        }

        // The files written beside them; the first that fails ends the rest.
        using Writer = void (*)(const std::string&);
        struct Accompanying {
            int item;
            const char* name;
            Writer write;
            bool ask;
        };
        const Accompanying files[] = {
            {ciSettings, core::FolderSettingsName, core::WriteFolderSettings, false},
            {ciOldSettings, core::OldFolderSettingsName, core::WriteOldSettingsFile, false},
            {ciPhotoReport, PhotoReportName, WritePhotoDataReport, true},
            {ciDrillReport, DrillReportName, WriteDrillDataReport, true},
            {ciApertureReport, ApertureReportName, WriteStandardApertureReport, true},
        };
        try {
            for (const Accompanying& f : files) {
                if (!OptionOn(f.item)) continue;
                // A file of the same name in other letters is the one replaced.
                const fs::path path = platform::FindNoCase(destination, f.name);
                if (f.ask && !MayWrite(path)) continue;
                f.write(path.string());
                ++count;
            }
        } catch (const platform::Error& e) {
            failures.push_back(e.what());
        }
    }

    if (count > 0 && madeFiles) madeFiles();
    const std::string made = count > 0 ? platform::FormatInt(count) + FilesMadeText : std::string();
    if (!failures.empty()) {
        std::string text = made.empty() ? std::string() : made + "\n\r";
        text += NotMadeText;
        for (const std::string& f : failures) text += "\n\r" + f;
        platform::ShowWarning(text);
    } else if (count > 0) {
        platform::ShowInformation(made);
        core::StepMarks[2] = 1;
    }
    return count;
}

} // namespace output
