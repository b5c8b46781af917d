#include "dialogs/ParaForm.h"

#include "core/Datas.h"
#include "core/ProgramSettings.h"
#include "dialogs/ChoiceBalloon.h"
#include "dialogs/DataPages.h"
#include "dialogs/FormatPage.h"
#include "dialogs/JobPages.h"
#include "dialogs/PagePainters.h"
#include "platform/Error.h"

#include <algorithm>
#include <limits>

namespace dialogs {

MyFoarmParaSet ParaRequest;
MyTabBox ParaTabs;
MyFreeBox ParaItems;
MyFreeBox SaveCheck;
MyGridBox ParaTable;
MyBalloonBox ChoiceBalloon;
std::vector<std::int32_t> ParaList;
ParaWindow Para;
std::function<void()> ImportFolderSettings;
std::function<bool(const std::string&)> AskParaYesNo;
std::function<std::string(bool, const std::string&)> ChooseParaFile;

namespace {

int Width(const Rect& r) { return r.right - r.left; }
int Height(const Rect& r) { return r.bottom - r.top; }

// Item i of a list, or an empty rectangle.
Rect ItemRect(const MyFreeBox& box, int i)
{
    return i >= 0 && i < box.Count ? box.Rects[static_cast<std::size_t>(i)] : Rect{};
}

} // namespace

ButtonState& Button(ParaButton b) { return Para.Buttons[static_cast<std::size_t>(b)]; }

void SetButtonSize(ParaButton b, int width, int height) { SizeButton(Button(b), width, height); }

void PlaceButton(ParaButton b, int left, int top) { MoveButton(Button(b), left, top); }

// ------------------------------------------------------------------- pages

std::array<ParaPage*, 4>& ParameterPages()
{
    static FilePage files;
    static BoardPage board;
    static AperturePage gerber;
    static ToolPage drill;
    static std::array<ParaPage*, 4> pages{&files, &board, &gerber, &drill};
    return pages;
}

ParaPage& FormatConfirmPage()
{
    static FormatPage page;
    return page;
}

bool FormatMode()
{
    const std::string& m = ParaRequest.Mode;
    return m == "Format" || m == "Format274D" || m == "FormatNC";
}

bool ParameterMode() { return ParaRequest.Mode == "Parameter"; }

ParaPage* CurrentPage()
{
    if (FormatMode()) return &FormatConfirmPage();
    if (ParameterMode() && ParaTabs.Current >= 0 && ParaTabs.Current < 4)
        return ParameterPages()[static_cast<std::size_t>(ParaTabs.Current)];
    return nullptr;
}

// ------------------------------------------------------------- for pages

void OpenEdit1(int item)
{
    if (item < 0 || item >= ParaItems.Count) return;
    ParaItems.Clicked = item;
    PlaceEdit1OnItem();
    EditState& e = Para.Edit1;
    e.Text = ParaItems.Captions[static_cast<std::size_t>(item)];
    e.Kind = FormatMode() || !CurrentPage() ? FieldKind::Number : CurrentPage()->Edit1Kind();
    e.SelectAll = true;
    e.Caret = -1;
    e.Visible = true;
    Para.Focus = ParaWindow::FocusOn::Edit1;
    if (ParaPage* page = CurrentPage()) page->Edit1Opened();
}

void PlaceEdit1OnItem()
{
    const int item = ParaItems.Clicked;
    if (item < 0 || item >= ParaItems.Count) return;
    const Rect r = ItemRect(ParaItems, item);
    Para.Edit1.Bounds = {r.left + 2, r.top + 2, r.right - 2, r.top + 2 + std::max(15, Height(r) - 3)};
}

void OpenEdit2(int col, int row)
{
    if (col < 0 || col >= ParaTable.Cols || row < 0 || row >= ParaTable.Rows) return;
    ParaTable.SelCol = col;
    ParaTable.SelRow = row;
    EditState& e = Para.Edit2;
    // The colour of the row's band.
    e.Color = row % 2 == 0 ? White : PageFaceColor;
    e.Text = ParaTable.CellTexts[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
    PlaceEdit2OnCell();
    e.Kind = CurrentPage() ? CurrentPage()->Edit2Kind() : FieldKind::Text;
    e.SelectAll = true;
    e.Caret = -1;
    e.Visible = true;
    Para.Focus = ParaWindow::FocusOn::Edit2;
    if (ParaPage* page = CurrentPage()) page->Edit2Opened();
}

void PlaceEdit2OnCell()
{
    const int col = ParaTable.SelCol, row = ParaTable.SelRow;
    if (col < 0 || col >= ParaTable.Cols || row < 0 || row >= ParaTable.Rows) return;
    const Rect& cell = ParaTable.CellRects[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
    const Rect& table = Para.Image3.Bounds;
    // The last column runs on under the scroll bar: the box stays left of it.
    int right = std::min({cell.right + table.left, table.right, Para.ClientWidth});
    if (Para.ScrollBar1.Visible) right = std::min(right, Para.ScrollBar1.Bounds.left);
    Para.Edit2.Bounds = {cell.left + table.left + 2, cell.top + table.top + 2, right - 2, cell.bottom + table.top - 2};
}

void HideEdits()
{
    Para.Edit1.Visible = false;
    Para.Edit2.Visible = false;
    Para.Focus = ParaWindow::FocusOn::None;
}

int ChoiceBalloonWidth(const std::string& key, bool drill)
{
    const BalloonKind* kind = FindBalloonKind(key, drill);
    if (!kind) return 0;
    // Our fonts are wider than the balloon's sizes were made for: a choice
    // is never cut.
    int width = kind->Width;
    for (const BalloonChoice& c : kind->Choices)
        width = std::max(width, ChoiceTextOffset(c) + PageTextWidth(c.Caption) + (kind->Side == BalloonSide::Right ? 22 : 12));
    return width;
}

void ShowChoiceBalloon(int x, int y, const std::string& key, bool drill)
{
    const BalloonKind* kind = FindBalloonKind(key, drill);
    if (!kind) return;
    const int width = ChoiceBalloonWidth(key, drill);
    FillBalloon(ChoiceBalloon, *kind, width);
    Para.Image2.Bounds = PlaceBalloon(kind->Side, width, kind->Height, x, y, Para.ClientWidth, Para.ClientHeight, 20,
                                      ChoiceBalloon.Outline);
    DrawChoiceBalloon();
    Para.Image2.Visible = true;
}

void HideBalloon() { Para.Image2.Visible = false; }

void DrawChoiceBalloon()
{
    BeginPicture(Para.Image2.Picture, Width(Para.Image2.Bounds), Height(Para.Image2.Bounds));
    DrawBalloonBox(Para.Image2.Picture, ChoiceBalloon);
}

void DrawFormatPage()
{
    platform::RasterCanvas& c = Para.Image1.Picture;
    BeginPicture(c, Para.ClientWidth, Para.ClientHeight);
    DrawPageItems(c, ParaItems, 1);
}

void DrawParameterPage()
{
    platform::RasterCanvas& c = Para.Image1.Picture;
    BeginPicture(c, Para.ClientWidth, Para.ClientHeight);
    DrawTabStrip(c, ParaTabs);
    DrawPageItems(c, SaveCheck, 2);
    DrawPageItems(c, ParaItems, 2);
}

void RepaintPage()
{
    if (FormatMode()) DrawFormatPage();
    else if (ParameterMode()) DrawParameterPage();
}

void DrawParaTable()
{
    BeginPicture(Para.Image3.Picture, Width(Para.Image3.Bounds), Height(Para.Image3.Bounds));
    // No text under the scroll bar, nor beside an edit box that ends at it.
    const ScrollState& bar = Para.ScrollBar1;
    DrawGridBox(Para.Image3.Picture, ParaTable,
                bar.Visible ? bar.Bounds.left - Para.Image3.Bounds.left - 2 : std::numeric_limits<int>::max());
    Para.Image3.Visible = true;
}

void BuildParameterTabs()
{
    HideEdits();
    HideBalloon();
    Para.ScrollBar1.Visible = false;
    Para.Image3.Visible = false;
    for (ParaButton b : {ParaButton::sw3, ParaButton::swSave, ParaButton::swOpen, ParaButton::swNew}) Button(b).Visible = false;

    const int W = Para.ClientWidth, H = Para.ClientHeight;
    static const char* const captions[] = {"ファイル", "基板サイズ", "ガーバーデータ", "ドリルデータ"};
    static const int icons[] = {6, 7, 2, 3};
    InitTabBox(ParaTabs, 4);
    for (std::size_t k = 0; k < 4; ++k) {
        ParaTabs.Captions[k] = captions[k];
        ParaTabs.Icons[k] = icons[k];
    }
    LayoutTabs(ParaTabs, 20, 5, 25, PageTextWidth);
    ParaTabs.Page = {10, 5, W - 10, H - 45};

    const Rect& close = Button(ParaButton::sw2).Bounds;
    PlaceButton(ParaButton::sw2, W - Width(close) - 40, H - 40);
    PlaceButton(ParaButton::sw6, 10, Button(ParaButton::sw2).Bounds.top);
    Button(ParaButton::sw6).Visible = static_cast<bool>(ImportFolderSettings);

    InitFreeBox(ParaItems, 0);
    if (ParaPage* page = CurrentPage()) page->Build();
}

namespace {

// The tick item beside "閉じる", room for its box and whole caption in our font.
void PlaceSaveCheck()
{
    const Rect& close = Button(ParaButton::sw2).Bounds;
    const int icon = SaveCheck.Count > 0 ? SaveCheck.LeftIcons[0] : IconUnticked;
    InitFreeBox(SaveCheck, 1);
    SetItem(SaveCheck, 0, {close.left - PageTextWidth(SaveDefaultsText) - 66, close.top + 2, close.left - 40, close.top + 20},
            stPlain, SaveDefaultsText, icon);
}

// The width the page shown needs: its items, its table and the buttons
// standing on it, with the margin the layout keeps on the right.
int PageWidthNeeded()
{
    int right = 0;
    for (std::size_t k = 0; k < static_cast<std::size_t>(std::max(ParaItems.Count, 0)) && k < ParaItems.Rects.size(); ++k)
        if (ParaItems.Rects[k] != Rect{}) right = std::max(right, ParaItems.Rects[k].right);
    if (Para.Image3.Visible && !ParaTable.Balloon) right = std::max(right, Para.Image3.Bounds.right);
    for (ParaButton b : {ParaButton::swNew, ParaButton::swOpen, ParaButton::swSave})
        if (Button(b).Visible) right = std::max(right, Button(b).Bounds.right);
    return right + 30;
}

// The page built again at a new width, as the user left it.
void WidenPage(int width)
{
    const EditState edit1 = Para.Edit1, edit2 = Para.Edit2;
    const ParaWindow::FocusOn focus = Para.Focus;
    const int position = Para.ScrollBar1.Position;
    Para.ClientWidth = width;
    Para.Image1.Bounds = {0, 0, width, Para.ClientHeight};
    if (FormatMode()) {
        FormatConfirmPage().Build();
    } else {
        BuildParameterTabs();
        PlaceSaveCheck();
        ScrollState& s = Para.ScrollBar1;
        ParaPage* page = CurrentPage();
        if (page && s.Visible && position != s.Position) {
            s.Position = std::clamp(position, s.Minimum, std::max(s.Minimum, s.Maximum));
            page->FillRows();
        }
    }
    Para.Edit1 = edit1;
    Para.Edit2 = edit2;
    Para.Focus = focus;
    if (edit1.Visible) PlaceEdit1OnItem();
    if (edit2.Visible) PlaceEdit2OnCell();
    RepaintPage();
}

} // namespace

void FitWindowToPage()
{
    if (!FormatMode() && !ParameterMode()) return;
    const int width = std::min(PageWidthNeeded(), std::max(Para.ClientWidth, Para.MostClientWidth));
    if (width > Para.ClientWidth) WidenPage(width);
}

// -------------------------------------------------------------- defaults

namespace {

// A format as the program's default: its digits are those of its number
// format, which is all the file keeps of them (a format taken from an
// RS-274X file may have other digits than the choices offer).
core::MyFormatPara DefaultsRecord(const core::MyFormatPara& f)
{
    core::MyFormatPara d = f;
    if (!core::DeriveDigits(d)) {
        d.IntDigits = std::clamp(d.IntDigits, 1, 9);
        d.DecDigits = std::clamp(d.DecDigits, 1, 9);
        d.NumberFormat = std::string(static_cast<std::size_t>(d.IntDigits), '0') + "." +
                         std::string(static_cast<std::size_t>(d.DecDigits), '0');
    }
    return d;
}

} // namespace

void WriteParameterDefaults()
{
    if (core::ApertureFilePath.empty() || core::GerberFormatFilePath.empty() || core::DrillFormatFilePath.empty())
        core::SetProgramFilePaths();
    // Macro apertures are left out by the writer: their primitives belong to
    // the loaded job.
    core::WriteApertureFile(core::ApertureFilePath);
    core::WriteFormatFile(core::GerberFormatFilePath, DefaultsRecord(core::GerberFormat));
    core::WriteFormatFile(core::DrillFormatFilePath, DefaultsRecord(core::DrillFormat));
}

// ---------------------------------------------------------------- events

void FormShow(int screenWidth, int screenHeight)
{
    Para.CloseRequested = false;
    Para.Warning.clear();
    HideEdits();
    Para.ScrollBar1.Visible = false;
    Para.Image2.Visible = false;
    Para.Image3.Visible = false;
    for (ButtonState& b : Para.Buttons) b.Visible = false;
    Button(ParaButton::sw6).Enabled = false;
    InitFreeBox(ParaItems, 0);
    InitFreeBox(SaveCheck, 0);
    InitTabBox(ParaTabs, 0);
    Para.Image1.Visible = true;

    const std::string& mode = ParaRequest.Mode;
    Para.MostClientWidth = std::max(640, screenWidth - 40);
    if (mode == "Parameter") {
        Para.Caption = ParameterCaption;
        // Wider where the loaded files' names need it, never wider than the screen.
        Para.ClientWidth = std::clamp(FilePageWidth(), 640, Para.MostClientWidth);
        Para.ClientHeight = 480;
        Para.CentreOnScreen = false;
        Para.Image1.Bounds = {0, 0, Para.ClientWidth, Para.ClientHeight};
        const int bw = Width(Button(ParaButton::sw2).Bounds);
        PlaceButton(ParaButton::sw2, Para.ClientWidth - bw - 40, Para.ClientHeight - 50);
        Button(ParaButton::sw2).Visible = true;
        Button(ParaButton::sw6).Enabled = core::LayerCount > 0;
        ParaTabs.Current = 0;
        BuildParameterTabs();
        PlaceSaveCheck();
        DrawParameterPage();
    } else if (FormatMode()) {
        Para.Caption = FormatCaption;
        Para.ClientWidth = 640;
        Para.ClientHeight = mode == "Format" ? 380 : 240;
        Para.CentreOnScreen = true;
        Para.Left = (screenWidth - Para.ClientWidth) / 2;
        Para.Top = (screenHeight - Para.ClientHeight) / 2;
        Para.Image1.Bounds = {0, 0, Para.ClientWidth, Para.ClientHeight};
        FormatConfirmPage().Build();
        DrawFormatPage();
    } else {
        // Nothing to build: an empty page.
        Para.Image1.Bounds = {0, 0, Para.ClientWidth, Para.ClientHeight};
        BeginPicture(Para.Image1.Picture, Para.ClientWidth, Para.ClientHeight);
    }
    FitWindowToPage();
    ParaRequest.Cancelled = true;
}

void Image1MouseMove(int x, int y)
{
    // Leaving the balloon after looking at its choices closes it.
    if (Para.Image2.Visible && ChoiceBalloon.Hot >= 0) HideBalloon();
    if (!ParameterMode()) return;
    // So does leaving a picker drawn as a balloon.
    if (Para.Image3.Visible && ParaTable.Balloon && ParaTable.HotRow >= 0) {
        Para.Image3.Visible = false;
        Para.ScrollBar1.Visible = false;
        return;
    }
    const int tab = HitTab(ParaTabs, x, y);
    const int tick = HitTickItem(SaveCheck, x, y);
    const int item = HitTickItem(ParaItems, x, y);
    if (tab != ParaTabs.Hot || tick != SaveCheck.Hot || item != ParaItems.Hot) {
        ParaTabs.Hot = tab;
        SaveCheck.Hot = tick;
        ParaItems.Hot = item;
        DrawParameterPage();
    }
}

namespace {

void ClickPage(int x, int y)
{
    HideEdits();
    HideBalloon();
    ParaPage* page = CurrentPage();
    if (FormatMode()) {
        const int item = HitItem(ParaItems, x, y);
        if (item > 0 && page) page->ItemClick(item);
        return;
    }
    if (!ParameterMode()) return;
    const int tab = HitTab(ParaTabs, x, y);
    if (tab >= 0 && tab != ParaTabs.Current) {
        ParaTabs.Current = tab;
        BuildParameterTabs();
        DrawParameterPage();
        return;
    }
    if (HitTickItem(SaveCheck, x, y) == 0) {
        int& icon = SaveCheck.LeftIcons[0];
        icon = icon == IconTicked ? IconUnticked : IconTicked;
        DrawParameterPage();
        return;
    }
    const int item = HitItem(ParaItems, x, y);
    if (item >= 0 && page) page->ItemClick(item);
}

} // namespace

void Image1MouseUp(int x, int y)
{
    ClickPage(x, y);
    FitWindowToPage();
}

void Image2MouseMove(int x, int y)
{
    const int k = HitChoice(ChoiceBalloon, x, y);
    if (k >= 0 && k != ChoiceBalloon.Hot) {
        ChoiceBalloon.Hot = k;
        DrawChoiceBalloon();
    }
}

void Image2MouseUp(int x, int y)
{
    const int k = HitChoice(ChoiceBalloon, x, y);
    if (k < 0) return;
    ChoiceBalloon.Chosen = k;
    if (ParaPage* page = CurrentPage()) page->Choose(k);
    HideBalloon();
    RepaintPage();
    FitWindowToPage();
}

void Image3MouseMove(int x, int y)
{
    if (Para.Image2.Visible && ChoiceBalloon.Hot >= 0) HideBalloon();
    if (ParaPage* page = CurrentPage()) page->TableMove(x, y);
}

void Image3MouseUp(int x, int y)
{
    if (ParaPage* page = CurrentPage()) page->TableClick(x, y);
}

void Edit1Change(const std::string& text)
{
    const std::string t = TypedText(Para.Edit1, text);
    if (ParaPage* page = CurrentPage()) page->Edit1Changed(t);
    FitWindowToPage();
}

void Edit2Change(const std::string& text)
{
    if (!Para.Edit2.Visible) return;
    const std::string t = TypedText(Para.Edit2, text);
    if (ParaPage* page = CurrentPage()) page->Edit2Changed(t);
    FitWindowToPage();
}

void Edit1KeyEnter()
{
    if (ParaPage* page = CurrentPage()) page->Edit1Enter();
    FitWindowToPage();
}

void Edit2KeyEnter()
{
    if (ParaPage* page = CurrentPage()) page->Edit2Enter();
    FitWindowToPage();
}

void EditKeyTab()
{
    // The cells then show the values as stored, from their start: a long
    // offset reads as its number, not as the tail of what was typed.
    HideBalloon();
    HideEdits();
}

void FormKeyEscape()
{
    if (Para.Image2.Visible) {
        HideBalloon();
    } else if (Para.Edit1.Visible || Para.Edit2.Visible) {
        HideEdits();
    } else if (Para.Image3.Visible && ParaTable.Balloon) {
        Para.Image3.Visible = false;
        Para.ScrollBar1.Visible = false;
    } else {
        // As the close box: whatever was cancelled stays cancelled.
        Para.CloseRequested = true;
    }
}

void FormMouseWheel(int notches)
{
    if (!Para.ScrollBar1.Visible || notches == 0) return;
    ScrollBar1Change(Para.ScrollBar1.Position - 5 * notches);
}

void ScrollBar1Change(int position)
{
    ScrollState& s = Para.ScrollBar1;
    position = std::clamp(position, s.Minimum, std::max(s.Minimum, s.Maximum));
    if (position == s.Position) return;
    s.Position = position;
    Para.Edit2.Visible = false;
    if (Para.Focus == ParaWindow::FocusOn::Edit2) Para.Focus = ParaWindow::FocusOn::None;
    HideBalloon();
    if (ParaPage* page = CurrentPage()) page->FillRows();
}

void sw1Click()
{
    ParaRequest.Cancelled = false;
    Para.CloseRequested = true;
}

void sw5Click()
{
    ParaRequest.Cancelled = true;
    Para.CloseRequested = true;
}

void sw2Click()
{
    if (SaveCheck.Count > 0 && SaveCheck.LeftIcons[0] == IconTicked) {
        try {
            WriteParameterDefaults();
        } catch (const platform::Error& e) {
            Para.Warning = e.what();
        }
    }
    core::StepMarks[0] = 1;
    ParaRequest.Cancelled = false;
    Para.CloseRequested = true;
}

void ButtonClick(ParaButton b)
{
    if (!Button(b).Visible || !Button(b).Enabled) return;
    switch (b) {
    case ParaButton::sw1: sw1Click(); break;
    case ParaButton::sw5: sw5Click(); break;
    case ParaButton::sw2: sw2Click(); break;
    case ParaButton::sw6:
        if (ImportFolderSettings) ImportFolderSettings();
        break;
    default:
        if (ParaPage* page = CurrentPage()) page->ButtonClick(b);
        break;
    }
    FitWindowToPage();
}

} // namespace dialogs
