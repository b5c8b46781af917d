#pragma once
// The parameters dialog as its unit sees it: the request the main window
// sets, the owner-drawn models of its pages, the state of its components
// (pictures, edit boxes, scroll bar, buttons) and the event handlers that
// change them. No window here: the Qt window (dialogs/qt/FormPara) shows
// this state after every event and hands the events in, so every page runs
// without a display in tests.
//
// Two jobs, chosen by ParaRequest.Mode: the format confirmation of the open
// command ("Format", "Format274D", "FormatNC"; FormatPage.h) and the
// parameter and data table of the loaded job ("Parameter", four tabs).
//
// A page is a ParaPage: it builds ParaItems (and the table) and answers the
// clicks, typed texts, Enter and balloon choices on them. The "Parameter"
// tabs find their pages in ParameterPages().
#include "dialogs/Components.h"
#include "dialogs/FieldText.h"
#include "dialogs/PageModels.h"
#include "dialogs/PagePainters.h"   // PageTextWidth for the pages
#include "platform/RasterCanvas.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dialogs {

// ---------------------------------------------------------------- request

struct MyFoarmParaSet {
    std::string Mode;        // "Parameter", "Format", "Format274D" or "FormatNC"
    bool Cancelled = true;   // true from the show until "OK" or "閉じる"
};
extern MyFoarmParaSet ParaRequest;

inline constexpr const char* InitialParaCaption = "設定";
inline constexpr const char* FormatCaption = " フォーマットを確認して下さい";
inline constexpr const char* ParameterCaption = " パラメータ/データ詳細表";
inline constexpr const char* SaveDefaultsText = "既定のパラメータとして保存";

// ------------------------------------------------------------------ models

extern MyTabBox ParaTabs;          // the "Parameter" tabs
extern MyFreeBox ParaItems;        // labels and value cells of the page shown
extern MyFreeBox SaveCheck;        // the tick item "既定のパラメータとして保存"
extern MyGridBox ParaTable;        // the table (Image3)
extern MyBalloonBox ChoiceBalloon; // the balloon (Image2)
extern std::vector<std::int32_t> ParaList;   // entries the table scrolls through

// -------------------------------------------------------------- components

enum class ParaButton { sw1, sw2, sw3, sw5, sw6, swNew, swOpen, swSave };
inline constexpr int ParaButtonCount = 8;

struct ParaWindow {
    std::string Caption = InitialParaCaption;
    int ClientWidth = 640, ClientHeight = 480;
    int MostClientWidth = 640;         // as wide as the window grows for its page (its screen's)
    bool CentreOnScreen = false;       // format modes; else at the owner's centre
    int Left = 0, Top = 0;             // when centred on the screen
    ImageState Image1, Image2, Image3; // page, balloon, table
    EditState Edit1, Edit2;
    ScrollState ScrollBar1;
    std::array<ButtonState, ParaButtonCount> Buttons;
    enum class FocusOn { None, Edit1, Edit2 } Focus = FocusOn::None;
    bool CloseRequested = false;
    std::string Warning;               // a message to show once the event is over
};
extern ParaWindow Para;

ButtonState& Button(ParaButton b);
// The size of a button as the window makes it (before the first show).
void SetButtonSize(ParaButton b, int width, int height);
// Moves a button keeping its size.
void PlaceButton(ParaButton b, int left, int top);

// ------------------------------------------------------------------- pages

class ParaPage {
public:
    virtual ~ParaPage() = default;
    // Fills ParaItems (and the table, buttons and scroll bar it uses).
    virtual void Build() = 0;
    // A click on item i of ParaItems.
    virtual void ItemClick(int) {}
    // Edit1 on item ParaItems.Clicked: the kind of its text, the box just
    // placed (what the field holds then is what a refused text puts back),
    // a change, Enter.
    virtual FieldKind Edit1Kind() const { return FieldKind::Number; }
    virtual void Edit1Opened() {}
    virtual void Edit1Changed(const std::string&) {}
    virtual void Edit1Enter() {}
    // The table (Image3), in its own pixels.
    virtual void TableMove(int, int) {}
    virtual void TableClick(int, int) {}
    // Edit2 on cell (ParaTable.SelCol, SelRow).
    virtual FieldKind Edit2Kind() const { return FieldKind::Text; }
    virtual void Edit2Opened() {}
    virtual void Edit2Changed(const std::string&) {}
    virtual void Edit2Enter() {}
    // Choice k of the balloon of ChoiceBalloon.Key, opened from ParaItems.Clicked.
    virtual void Choose(int) {}
    // The table's visible rows after a scroll.
    virtual void FillRows() {}
    // A button of the page (sw3, swNew, swOpen, swSave).
    virtual void ButtonClick(ParaButton) {}
};

// The page of each "Parameter" tab: 0 files, 1 board, 2 Gerber, 3 drill;
// nullptr: the tab shows an empty page.
std::array<ParaPage*, 4>& ParameterPages();
// The page of the format modes.
ParaPage& FormatConfirmPage();
// The page answering events now: the format page in the format modes, the
// current tab's page in "Parameter", nullptr otherwise.
ParaPage* CurrentPage();
bool FormatMode();
bool ParameterMode();

// Reads a data folder's settings file into the loaded layers (the button
// "設定ファイルを開く"). Empty: the button is not offered.
extern std::function<void()> ImportFolderSettings;

// What the pages ask of the user through the window. A question answered
// Yes or No: true for Yes (unset: No). A file to read, or to write with
// `save`, chosen with a filter "description|pattern": its path, empty when
// cancelled (unset: cancelled).
extern std::function<bool(const std::string& question)> AskParaYesNo;
extern std::function<std::string(bool save, const std::string& filter)> ChooseParaFile;

// ------------------------------------------------------------- for pages

// Edit1 placed on item i with its caption all selected (typing replaces
// it), focused; nothing stored yet.
void OpenEdit1(int item);
// Edit1 over its item (ParaItems.Clicked) as the page now stands.
void PlaceEdit1OnItem();
// Edit2 placed on a cell of the table with the cell's text, focused.
void OpenEdit2(int col, int row);
// Edit2 over its cell (ParaTable.SelCol, SelRow) as the table now stands,
// within the table's visible part: left of its scroll bar.
void PlaceEdit2OnCell();
void HideEdits();
// Fills and shows the balloon of `key` with its tip at (x, y) of the page;
// `drill` picks the drill choices of "ZERO".
void ShowChoiceBalloon(int x, int y, const std::string& key, bool drill = false);
// The width of that balloon: its own, or more where a choice needs it.
int ChoiceBalloonWidth(const std::string& key, bool drill = false);
void HideBalloon();
// Repaints the page of the mode (DrawFormatPage or DrawParameterPage).
void RepaintPage();
void DrawFormatPage();
void DrawParameterPage();
// Paints the table on Image3 and shows it.
void DrawParaTable();
void DrawChoiceBalloon();
// The tab strip and the current tab's page.
void BuildParameterTabs();
// A window narrower than its page (items or table with the margin the
// layout keeps on the right) is widened to it, up to MostClientWidth, and
// the page built again at that width: what is being edited, the table's
// scroll position and the selected cell stay. Never narrower while shown.
void FitWindowToPage();

// Writes the loaded apertures and formats as the program's defaults
// ("APERTURE.pra", "GERBERFRM.pra", "DRILLFRM.pra").
void WriteParameterDefaults();

// ---------------------------------------------------------------- events

// Builds the window for ParaRequest.Mode on a screen of that size.
void FormShow(int screenWidth, int screenHeight);
void Image1MouseMove(int x, int y);
void Image1MouseUp(int x, int y);
void Image2MouseMove(int x, int y);   // the balloon's own pixels
void Image2MouseUp(int x, int y);
void Image3MouseMove(int x, int y);   // the table's own pixels
void Image3MouseUp(int x, int y);
// A change of an edit box's text (typed, pasted or from an input method).
void Edit1Change(const std::string& text);
void Edit2Change(const std::string& text);
void Edit1KeyEnter();
void Edit2KeyEnter();
// Tab (either way) in an edit box ends the edit: the box and its choices
// close, the values having been stored as typed.
void EditKeyTab();
// Esc: closes the balloon, else the edit box or picker that is open, else
// the window as its close box does.
void FormKeyEscape();
// Wheel notches, positive away from the user.
void FormMouseWheel(int notches);
void ScrollBar1Change(int position);
void sw1Click();   // "OK"
void sw5Click();   // "キャンセル"
void sw2Click();   // "閉じる"
// Any button: the three above, "設定ファイルを開く", or the page's own.
void ButtonClick(ParaButton b);

} // namespace dialogs
