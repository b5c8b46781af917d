#include "dialogs/FolderForm.h"

#include "core/Datas.h"
#include "core/ProjectFile.h"
#include "dialogs/DrcPage.h"
#include "dialogs/FolderOps.h"
#include "dialogs/PagePainters.h"
#include "platform/Error.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace dialogs::folder {

namespace fs = std::filesystem;

std::string FolderMode;
std::int32_t FolderResult = frCancel;
std::string ProjectFileName;
std::string ListFolder;
std::string SelectedFolder;

MyFreeBox PanelItems;
MyFreeBox PickItems;
MyFreeBox FolderItems;
MyFreeBox ExportItems;
MyGridBox DrcGrid;

std::string WheelTarget;
std::int32_t DoubleClickFlag = -1;
std::vector<std::string> ExportListLines;

FolderWindow Folder;

namespace {

int Width(const Rect& r) { return r.right - r.left; }
int Height(const Rect& r) { return r.bottom - r.top; }

bool Mode(const char* mode) { return FolderMode == mode; }

void HideEdit1()
{
    Folder.Edit1.Visible = false;
    if (Folder.Focus == FolderWindow::FocusOn::Edit1) Folder.Focus = FolderWindow::FocusOn::None;
}

void Close(std::int32_t answer)
{
    FolderResult = answer;
    Folder.CloseRequested = true;
}

int TickedRows()
{
    return static_cast<int>(std::count(PickItems.LeftIcons.begin(), PickItems.LeftIcons.end(), std::int32_t{fiTicked}));
}

void SetPickHot(int hot)
{
    if (hot == PickItems.Hot) return;
    PickItems.Hot = hot;
    DrawPickList();
}

} // namespace

std::string TooManyLayersPickedText(int loaded, int ticked)
{
    std::string text = "最大ファイル数(26)を超えます。\n\r";
    if (loaded > 0) text += "読み込まれている層は " + std::to_string(loaded) + " 層、";
    return text + "選択した層は " + std::to_string(ticked) + " 層です。 選択を減らして下さい。";
}

int ScrollBoxState::ClientHeight() const
{
    const int w = ClientWidth(), h = InnerHeight();
    if (!Image.Visible) return h;
    // As the box lays its bars out: either may bring the other.
    bool sideways = Width(Image.Bounds) > w, upright = Height(Image.Bounds) > h;
    if (sideways && !upright) upright = Height(Image.Bounds) > h - BarExtent;
    if (upright && !sideways) sideways = Width(Image.Bounds) > w - BarExtent;
    return h - (sideways ? BarExtent : 0);
}

bool ScrollBoxState::ScrollTo(int position)
{
    const int limit = std::max(0, Height(Image.Bounds) - ClientHeight());
    position = std::clamp(position, 0, limit);
    if (position == Position) return false;
    Position = position;
    return true;
}

ButtonState& Button(FolderButton b) { return Folder.Buttons[static_cast<std::size_t>(b)]; }

void SetButtonSize(FolderButton b, int width, int height) { SizeButton(Button(b), width, height); }

void PlaceButton(FolderButton b, int left, int top) { MoveButton(Button(b), left, top); }

// ---------------------------------------------------------------- drawing

void DrawPanel()
{
    if (Mode("DRC")) {
        DrawDrcPanel();
        return;
    }
    BeginPicture(Folder.Image2.Picture, Width(Folder.Image2.Bounds), Height(Folder.Image2.Bounds));
    DrawPageItems(Folder.Image2.Picture, PanelItems, 1, DrawFolderIcon);
}

void DrawPickList()
{
    ScrollBoxState& box = Folder.ScrollBox1;
    BeginPicture(box.Image.Picture, Width(box.Image.Bounds), Height(box.Image.Bounds), box.Color);
    DrawPageItems(box.Image.Picture, PickItems, 1, DrawFolderIcon);
}

void DrawExportList()
{
    ScrollBoxState& box = Folder.ScrollBox1;
    BeginPicture(box.Image.Picture, Width(box.Image.Bounds), Height(box.Image.Bounds), box.Color);
    DrawPageItems(box.Image.Picture, ExportItems, 1, DrawFolderIcon);
}

void DrawFolderContents()
{
    ScrollBoxState& box = Folder.ScrollBox2;
    BeginPicture(box.Image.Picture, Width(box.Image.Bounds), Height(box.Image.Bounds), box.Color);
    DrawPageItems(box.Image.Picture, FolderItems, 1, DrawFolderIcon);
}

std::vector<PickRow> ReadProjectLayerList(const std::string& path)
{
    // A file that is not there offers nothing; one that does not read is
    // not shown as one without layers.
    std::error_code ec;
    if (!fs::exists(fs::path(path), ec)) return {};
    std::vector<PickRow> rows;
    for (const core::ProjectLayer& l : core::ReadProjectLayers(path)) {
        // A row stands for the layer number it carries: only those a job's
        // take flags can hold are offered.
        if (l.Number < 1 || l.Number > MaxPickRows) continue;
        if (static_cast<int>(rows.size()) == MaxPickRows) break;
        rows.push_back({l.Number, l.FileName + " (" + l.Contents + ")"});
    }
    return rows;
}

// ------------------------------------------------------------------ pages

namespace {

void ShowProjectLayerPage()
{
    Folder.Caption = ProjectCaptionHead + ProjectFileName;
    Folder.ClientWidth = 640;
    Folder.ClientHeight = 480;
    const int W = Folder.ClientWidth, H = Folder.ClientHeight;
    const Rect& cancel = Button(FolderButton::swCancel).Bounds;
    PlaceButton(FolderButton::swCancel, W - 60 - Width(cancel), H - 20 - Height(cancel));
    FolderButton left = FolderButton::swCancel;
    auto placeLeftOf = [&left](FolderButton b) {
        const Rect& next = Button(left).Bounds;
        PlaceButton(b, next.left - 10 - Width(Button(b).Bounds), next.top);
        Button(b).Visible = true;
        left = b;
    };
    if (core::LayerCount == 0) {
        Folder.OpenCaption = "開く";
    } else {
        placeLeftOf(FolderButton::swSwap);
    }
    placeLeftOf(FolderButton::swOpen);
    Folder.Image4 = {true, {40, 4, 88, 52}};

    Folder.Image2 = ImageState{true, {0, 55, W, 395}, {}};
    InitFreeBox(PanelItems, 3);
    SetItem(PanelItems, 0, {40, 0, 600, 20}, stPlain, PickLayersText, fiQuestion);
    SetItem(PanelItems, 1, {40, 20, 600, 30}, stPlain, "=");
    SetItem(PanelItems, 2, {40, 325, 600, 335}, stPlain, "=");
    DrawPanel();

    ScrollBoxState& box = Folder.ScrollBox1;
    box.Visible = true;
    box.Bounds = {40, 90, 600, 380};
    box.Border = false;
    box.Color = PageFaceColor;
    const std::vector<PickRow> rows = ReadProjectLayerList(ProjectFileName);
    const int n = static_cast<int>(rows.size());
    InitFreeBox(PickItems, n);
    // A long name widens the picture (the box scrolls) rather than being cut.
    int width = box.PictureWidth(n * 18);
    for (int i = 0; i < n; ++i) {
        const PickRow& row = rows[static_cast<std::size_t>(i)];
        const int right = PageTextWidth(row.Caption) + 26;
        SetItem(PickItems, i, {0, 18 * i, right, 18 * i + 18}, stPlain, row.Caption, fiTicked);
        PickItems.Data[static_cast<std::size_t>(i)] = row.Layer;
        width = std::max(width, right);
    }
    box.Image = ImageState{true, {0, 0, width, n * 18}, {}};
    box.Position = 0;
    DrawPickList();
}

// The layers ticked, with those loaded when they are added, must fit a job.
bool PickedLayersFit(FolderButton b)
{
    const int loaded = b == FolderButton::swOpen ? core::LayerCount : 0;
    const int ticked = TickedRows();
    if (loaded + ticked <= core::MaxLayers) return true;
    Folder.Warning = TooManyLayersPickedText(loaded, ticked);
    return false;
}

void ShowExistingDataPage()
{
    Folder.Caption = OpenSelectCaption;
    InitFreeBox(PanelItems, 1);
    SetItem(PanelItems, 0, {60, 22, 600, 42}, stPlain, ExistingDataText, fiQuestion);
    // Our font is wider than the window was made for: the question is never cut.
    Folder.ClientWidth = std::max(480, 60 + 24 + PageTextWidth(ExistingDataText) + 20);
    Folder.ClientHeight = 150;
    const int W = Folder.ClientWidth, H = Folder.ClientHeight;
    const Rect& swap = Button(FolderButton::swSwap).Bounds;
    const int top = H - 20 - Height(swap);
    const int swapLeft = (W - Width(swap)) / 2;
    PlaceButton(FolderButton::swSwap, swapLeft, top);
    PlaceButton(FolderButton::swCancel, swapLeft + Width(swap) + 10, top);
    PlaceButton(FolderButton::swOpen, swapLeft - 10 - Width(Button(FolderButton::swOpen).Bounds), top);
    for (FolderButton b : {FolderButton::swSwap, FolderButton::swCancel, FolderButton::swOpen}) Button(b).Visible = true;
    Folder.Image2 = ImageState{true, {0, 0, W, H}, {}};
    DrawPanel();
}

void FillExportList()
{
    ExportListLines.clear();
    try {
        ExportListLines = platform::ReadTextLines(fs::path(ListFolder) / ListFileName);
    } catch (const platform::Error&) {
        // No list: nothing to show.
    }
    ScrollBoxState& box = Folder.ScrollBox1;
    const int n = static_cast<int>(ExportListLines.size());
    InitFreeBox(ExportItems, n);
    if (n == 0) {
        box.Image.Visible = false;
        return;
    }
    const int cw = box.PictureWidth(n * 18);
    int width = cw;
    for (int i = 0; i < n; ++i) {
        const std::string& line = ExportListLines[static_cast<std::size_t>(i)];
        SetItem(ExportItems, i, {5, 17 * i, cw, 17 * i + 17}, stPlain, line);
        width = std::max(width, 5 + 4 + PageTextWidth(line));
    }
    box.Image = ImageState{true, {0, 0, width, n * 18}, {}};
    box.Position = 0;
    DrawExportList();
}

void ShowExportPage()
{
    Folder.Caption = ExportCaption;
    Folder.ClientWidth = 720;
    Folder.ClientHeight = 480;
    const int W = Folder.ClientWidth, H = Folder.ClientHeight;
    Folder.Image2 = ImageState{true, {0, 0, W, H}, {}};
    InitFreeBox(PanelItems, 1);
    SetItem(PanelItems, 0, {28, 9, 50, 29}, stPlain, "", fiNote);
    DrawPanel();
    Folder.Label2 = {true, 60, 12, ExportNoteText};
    Folder.DriveBox1 = {true, {20, 50, 250, 71}};
    Folder.DirBox1 = {true, {20, 76, 250, 356}};
    PlaceButton(FolderButton::swNewDir, 425, 50);
    Button(FolderButton::swNewDir).Visible = true;
    Folder.ScrollBox2.Visible = true;
    Folder.ScrollBox2.Bounds = {255, 76, 450, 356};
    Folder.ScrollBox2.Border = true;
    Folder.ScrollBox2.Color = White;
    Folder.Label1 = {true, 20, 370, ""};
    Folder.Label3 = {true, 490, 52, ExportFilesText};
    ScrollBoxState& list = Folder.ScrollBox1;
    list.Visible = true;
    list.Bounds = {490, 75, 690, 355};
    list.Border = true;
    list.Color = White;
    const Rect& cancel = Button(FolderButton::swCancel).Bounds;
    PlaceButton(FolderButton::swCancel, W - 60 - Width(cancel), H - 25 - Height(cancel));
    PlaceButton(FolderButton::swOK, cancel.left - 20 - Width(Button(FolderButton::swOK).Bounds), cancel.top);
    Button(FolderButton::swOK).Visible = true;

    std::error_code ec;
    std::string start = SelectedFolder;
    if (start.empty() || !fs::is_directory(start, ec)) {
        const char* home = std::getenv("HOME");
        start = home && *home ? home : "/";
    }
    DirBox1Change(start);
    FillExportList();
}

// Starts renaming a folder row: the edit box over its name.
void StartRename(int row)
{
    if (row < 0 || row >= FolderItems.Count) return;
    Folder.EditIndex = row;
    const Rect& r = FolderItems.Rects[static_cast<std::size_t>(row)];
    EditState& e = Folder.Edit1;
    e.Bounds = {22, r.top, r.right, r.bottom};
    e.Text = FolderItems.Captions[static_cast<std::size_t>(row)];
    e.Kind = FieldKind::Text;
    e.Color = White;
    e.SelectAll = true;
    e.Caret = -1;
    e.Visible = true;
    Folder.Focus = FolderWindow::FocusOn::Edit1;
    // The row in view, so that its name can be seen as it is typed.
    ScrollBoxState& box = Folder.ScrollBox2;
    if (r.top < box.Position) box.ScrollTo(r.top);
    else if (r.bottom > box.Position + box.ClientHeight()) box.ScrollTo(r.bottom - box.ClientHeight());
}

void NewFolder()
{
    const std::string dir = Folder.Directory;
    const std::string name = FreeNewFolderName(dir);
    if (name.empty()) return;
    if (std::string failure = MakeFolder(dir, name); !failure.empty()) {
        Folder.Warning = failure;
        return;
    }
    DirBox1Change(dir);
    for (int i = 0; i < FolderItems.Count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (FolderItems.Keys[k] == "Folder" && FolderItems.Captions[k] == name) {
            StartRename(i);
            return;
        }
    }
    Folder.Warning = NewFolderFailedText;
}

} // namespace

// ----------------------------------------------------------------- events

void FormShow(int screenWidth, int screenHeight)
{
    const std::array<ButtonState, FolderButtonCount> sizes = Folder.Buttons;
    Folder = FolderWindow{};
    Folder.Buttons = sizes;
    for (ButtonState& b : Folder.Buttons) {
        b.Visible = false;
        b.Enabled = true;
    }
    Button(FolderButton::swCancel).Visible = true;
    Folder.OpenCaption = "追加";
    WheelTarget.clear();
    DoubleClickFlag = -1;
    FolderResult = frCancel;
    InitFreeBox(PanelItems, 0);

    if (Mode("tso")) ShowExportPage();
    else if (Mode("OpenSelect")) ShowExistingDataPage();
    else if (Mode("OpenSelTsn")) ShowProjectLayerPage();
    else if (Mode("DRC")) ShowDrcPage();
    else Folder.Caption.clear();

    Folder.Left = (screenWidth - Folder.ClientWidth) / 2;
    Folder.Top = (screenHeight - Folder.ClientHeight) / 2;
}

void FormClose()
{
    HideEdit1();
    Folder.Edit2.Visible = Folder.Edit3.Visible = false;
    if (!Mode("OpenSelTsn")) return;
    // Each ticked row takes the layer number it stands for.
    core::LayerTakeFlags.fill(0);
    for (int i = 0; i < PickItems.Count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const std::int32_t layer = PickItems.Data[k];
        if (PickItems.LeftIcons[k] == fiTicked && layer >= 1 && layer <= MaxPickRows)
            core::LayerTakeFlags[static_cast<std::size_t>(layer)] = 1;
    }
    // Nothing ticked of what was offered: nothing to open, and nothing to report.
    if (PickItems.Count > 0 && TickedRows() == 0) FolderResult = frCancel;
}

void Image1MouseMove(int x, int y)
{
    WheelTarget = "ScrollBox1";
    if (Mode("OpenSelTsn") || Mode("DRC")) SetPickHot(HitItem(PickItems, x, y));
}

void Image1MouseUp(int x, int y, MouseButton button)
{
    if (Mode("DRC")) DrcPickUp(x, y);
    if (!Mode("OpenSelTsn")) return;
    if (button == MouseButton::Right) {
        std::fill(PickItems.LeftIcons.begin(), PickItems.LeftIcons.end(), std::int32_t{fiUnticked});
    } else if (button == MouseButton::Left) {
        const int row = HitItem(PickItems, x, y);
        if (row < 0) return;
        std::int32_t& icon = PickItems.LeftIcons[static_cast<std::size_t>(row)];
        icon = icon == fiTicked ? fiUnticked : fiTicked;
    }
    DrawPickList();
}

void Image2MouseMove(int x, int y)
{
    WheelTarget.clear();
    if (Mode("OpenSelTsn")) {
        SetPickHot(-1);
        return;
    }
    if (Mode("DRC")) DrcLeavePickList();
    const int hot = HitTickItem(PanelItems, x, y);
    if (hot != PanelItems.Hot) {
        PanelItems.Hot = hot;
        DrawPanel();
    }
}

void Image2MouseUp(int x, int y, MouseButton)
{
    if (Mode("DRC")) DrcPanelUp(x, y);
}

void Image3DblClick() { DoubleClickFlag = 1; }

void Image3MouseUp(int x, int y, MouseButton button)
{
    const int row = HitItem(FolderItems, x, y);
    const bool doubleClick = DoubleClickFlag == 1;
    // A double click counts for the release that ends it, wherever that is.
    DoubleClickFlag = -1;
    if (row < 0) return;
    const auto k = static_cast<std::size_t>(row);
    if (FolderItems.Keys[k] != "Folder") return;
    if (button == MouseButton::Left && doubleClick)
        DirBox1Change((fs::path(Folder.Directory) / FolderItems.Captions[k]).string());
    else if (button == MouseButton::Right)
        StartRename(row);
}

void Image3MouseMove(int, int) { WheelTarget = "ScrollBox2"; }

void Image5MouseMove(int, int)
{
    WheelTarget = "ScrollBox3";
    if (Mode("DRC")) DrcLeavePickList();
}

void Image5MouseUp(int x, int y, MouseButton button)
{
    if (Mode("DRC")) DrcGridUp(x, y, button);
}

void ScrollBox1MouseMove()
{
    if (Mode("OpenSelTsn")) SetPickHot(-1);
}

void DirBox1MouseMove() { WheelTarget = "DirBox1"; }

void ListMouseDown() { HideEdit1(); }

void DirBox1Change(const std::string& directory)
{
    Folder.Directory = directory;
    Folder.Label1.Text = directory;
    SelectedFolder = directory;
    // The folder's contents.
    HideEdit1();
    Folder.EditIndex = -1;
    const FolderEntries entries = ListFolderEntries(directory);
    const int n = static_cast<int>(entries.Folders.size() + entries.Files.size());
    ScrollBoxState& box = Folder.ScrollBox2;
    const int cw = box.PictureWidth(n * 17 + 1);
    InitFreeBox(FolderItems, n);
    int y = 0, i = 0, width = cw;
    for (const auto* names : {&entries.Folders, &entries.Files}) {
        const bool folders = names == &entries.Folders;
        for (const std::string& name : *names) {
            SetItem(FolderItems, i, {2, y, cw, y + 18}, stPlain, name, folders ? fiFolder : fiFile);
            FolderItems.Keys[static_cast<std::size_t>(i)] = folders ? "Folder" : "File";
            width = std::max(width, 2 + 2 + 20 + PageTextWidth(name) + 4);
            y += 17;
            ++i;
        }
    }
    // A long name widens the picture (the box scrolls) rather than being cut.
    for (Rect& r : FolderItems.Rects) r.right = width;
    box.Image = ImageState{true, {0, 0, width, n * 17 + 1}, {}};
    box.Position = 0;
    FolderItems.Hot = -1;
    DoubleClickFlag = -1;
    DrawFolderContents();
}

bool DirBox1Gone()
{
    std::error_code ec;
    if (!Folder.DirBox1.Visible || Folder.Directory.empty() || fs::is_directory(Folder.Directory, ec)) return false;
    const std::string gone = Folder.Directory, above = ExistingFolderAbove(gone);
    if (above.empty()) return false;
    DirBox1Change(above);
    Folder.Warning = FolderGoneText(gone, above);
    return true;
}

void Edit1Change(const std::string& text) { Folder.Edit1.Text = text; }

void Edit1KeyEnter()
{
    const int row = Folder.EditIndex;
    if (!Folder.Edit1.Visible) return;
    if (row < 0 || row >= FolderItems.Count) {
        HideEdit1();
        return;
    }
    const std::string from = FolderItems.Captions[static_cast<std::size_t>(row)];
    const std::string failure = RenameFolder(Folder.Directory, from, Folder.Edit1.Text);
    if (!failure.empty()) {
        // The name stays in the box to be mended, or left with Esc.
        Folder.Warning = failure;
        Folder.Edit1.SelectAll = true;
        Folder.Focus = FolderWindow::FocusOn::Edit1;
        return;
    }
    DirBox1Change(Folder.Directory);
}

void Edit2Change(const std::string& text)
{
    if (Folder.Edit2.Visible && Mode("DRC")) DrcEdit2Change(text);
}

void Edit2KeyEnter() { Folder.Edit2.Visible = false; }

void Edit3Change(const std::string& text)
{
    if (Folder.Edit3.Visible && Mode("DRC")) DrcEdit3Change(text);
}

void Edit3KeyEnter() { Folder.Edit3.Visible = false; }

void FormKeyEscape()
{
    if (Folder.Edit1.Visible) HideEdit1();
    else if (!(Mode("DRC") && DrcEscape())) Folder.CloseRequested = true;
}

void FormMouseWheel(int notches)
{
    if (notches == 0) return;
    ScrollBoxState* box = nullptr;
    int step = 0;
    if (WheelTarget == "ScrollBox1") box = &Folder.ScrollBox1, step = 18;
    else if (WheelTarget == "ScrollBox2") box = &Folder.ScrollBox2, step = 17;
    else if (WheelTarget == "ScrollBox3") box = &Folder.ScrollBox3, step = 20;
    if (box && box->Visible) box->ScrollTo(box->Position - step * notches);
}

void ScrollBoxScrolled(int box, int position)
{
    ScrollBoxState* boxes[] = {&Folder.ScrollBox1, &Folder.ScrollBox2, &Folder.ScrollBox3};
    if (box >= 1 && box <= 3) boxes[box - 1]->ScrollTo(position);
}

void ButtonClick(FolderButton b)
{
    if (!Button(b).Visible || !Button(b).Enabled) return;
    switch (b) {
    case FolderButton::swCancel: Close(frCancel); break;
    case FolderButton::swOK: Close(frReplace); break;
    case FolderButton::swSwap:
        if (!Mode("OpenSelTsn") || PickedLayersFit(b)) Close(frReplace);
        break;
    case FolderButton::swOpen:
        if (!Mode("OpenSelTsn") || PickedLayersFit(b)) Close(frAdd);
        break;
    case FolderButton::swNewDir: NewFolder(); break;
    }
}

} // namespace dialogs::folder
