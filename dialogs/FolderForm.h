#pragma once
// The folder dialog as its unit sees it: the request the main window sets
// and the answer it reads, the owner-drawn models of the pages, the state of
// the components and the event handlers that change them. No window here:
// the Qt window (dialogs/qt/FolderDialog) shows this state after every event
// and hands the events in, so every page runs without a display in tests.
//
// Four jobs, chosen by FolderMode: "OpenSelect" (add the opened files to the
// loaded job or replace it), "OpenSelTsn" (the layers of a project file to
// take), "tso" (the folder the earlier edition's files go to) and "DRC"
// (the design-rule settings, DrcPage.h).
#include "dialogs/Components.h"
#include "dialogs/PageModels.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dialogs::folder {

// ---------------------------------------------------------------- request

enum FolderAnswer : std::int32_t { frCancel = 0, frReplace = 1, frAdd = 2 };

extern std::string FolderMode;        // "tso", "OpenSelect", "OpenSelTsn" or "DRC"
extern std::int32_t FolderResult;     // FolderAnswer; 0 from the show on
extern std::string ProjectFileName;   // "OpenSelTsn": the project file offered
extern std::string ListFolder;        // "tso": the folder of "TsoList.pra"
// "tso": the folder the list starts in (set by the caller; the home folder
// when it is not one), then the folder chosen.
extern std::string SelectedFolder;
// On closing in "OpenSelTsn", core::LayerTakeFlags holds the ticked layers.

inline constexpr const char* ExportCaption = "旧テッセルファイル(tso)を作成します。";
inline constexpr const char* OpenSelectCaption = "ファイルを開く";
inline constexpr const char* ProjectCaptionHead = "ファイル ";
inline constexpr const char* DrcCaption = "デザインルールチェック";
inline constexpr const char* ExistingDataText = "既存のデータが存在します。 処理を選択して下さい。";
inline constexpr const char* PickLayersText = "入力する層データを選択して下さい ...";
inline constexpr const char* ExportNoteText = "ポリゴンやマクロにおける、 塗潰し、打抜きモードには対応しておりません。";
inline constexpr const char* ExportFilesText = "作成されるファイル";
inline constexpr const char* ListFileName = "TsoList.pra";
// The most rows the project-layer page offers (its layer numbers 1..50).
inline constexpr int MaxPickRows = 50;

// The message when the layers ticked (with those loaded, when added) would
// be more than a job holds.
std::string TooManyLayersPickedText(int loaded, int ticked);

// ----------------------------------------------------------------- models

// Icons of the dialog's lists (DrawFolderIcon): 0, 1 tick box off and on;
// 2 folder; 3 file; 4 to 6 heading marks; 7 the mark before the export note.
enum FolderIcon : std::int32_t {
    fiUnticked = 0, fiTicked = 1, fiFolder = 2, fiFile = 3, fiQuestion = 4, fiRules = 5, fiGap = 6, fiNote = 7
};

extern MyFreeBox PanelItems;    // Image2: headings and the DRC fields
extern MyFreeBox PickItems;     // Image1: project layers, or the DRC layer list
extern MyFreeBox FolderItems;   // Image3: a folder's contents; Keys "Folder" or "File"
extern MyFreeBox ExportItems;   // Image1: the files the export writes
extern MyGridBox DrcGrid;       // Image5: the design rules per layer

extern std::string WheelTarget;            // "ScrollBox1", "ScrollBox2", "ScrollBox3", "DirBox1" or empty
extern std::int32_t DoubleClickFlag;       // 1 after a double click on Image3, else −1
extern std::vector<std::string> ExportListLines;

// ------------------------------------------------------------- components

// A scroll box with one picture in it, scrolled vertically.
struct ScrollBoxState {
    bool Visible = false;
    Rect Bounds;                  // in the window's client pixels
    bool Border = false;          // a single line around it
    platform::Color Color = 0xFFFFFF;
    int Position = 0;             // the vertical scroll, in pixels
    ImageState Image;             // Bounds in the box's client pixels
    int ClientWidth() const { return Bounds.right - Bounds.left - (Border ? 2 : 0); }
    // The height the picture is seen in: less the sideways bar while the
    // picture is wider than the box, so that its last row can be reached.
    int ClientHeight() const;
    // The width a picture `height` high has: the client width, less room for
    // the scroll bar when it is higher than the box.
    int PictureWidth(int height) const { return ClientWidth() - (height > InnerHeight() ? ScrollBarRoom : 0); }
    static constexpr int ScrollBarRoom = 20;
    // The thickness of the window's scroll bars (set by the window).
    static inline int BarExtent = ScrollBarRoom;
    // Scrolls, kept within the picture; false when nothing moved.
    bool ScrollTo(int position);
    // Inside the border, bars not counted.
    int InnerHeight() const { return Bounds.bottom - Bounds.top - (Border ? 2 : 0); }
};

struct LabelState {
    bool Visible = false;
    int Left = 0, Top = 0;
    std::string Text;
};

struct BoxState {
    bool Visible = false;
    Rect Bounds;
};

enum class FolderButton { swOK, swSwap, swOpen, swCancel, swNewDir };
inline constexpr int FolderButtonCount = 5;

struct FolderWindow {
    std::string Caption;
    int ClientWidth = 480, ClientHeight = 150;
    int Left = 0, Top = 0;                    // centred on the screen
    ImageState Image2;                        // the panel
    BoxState Image4;                          // the program's picture
    ScrollBoxState ScrollBox1, ScrollBox2, ScrollBox3;   // Image1, Image3, Image5
    EditState Edit1;                          // in Image3's pixels: a folder's new name
    EditState Edit2;                          // in Image5's pixels: a minimum width
    EditState Edit3;                          // in the window: a gap
    int Edit2Tag = 0, Edit3Tag = 0;           // the layer, the item
    LabelState Label1, Label2, Label3;
    BoxState DriveBox1;
    BoxState DirBox1;
    std::string Directory;                    // DirBox1's folder
    std::array<ButtonState, FolderButtonCount> Buttons;
    std::string OpenCaption = "追加";
    enum class FocusOn { None, Edit1, Edit2, Edit3 } Focus = FocusOn::None;
    bool CloseRequested = false;
    std::string Warning;                      // a message to show once the event is over
    int EditIndex = -1;                       // the folder row being renamed
};
extern FolderWindow Folder;

ButtonState& Button(FolderButton b);
void SetButtonSize(FolderButton b, int width, int height);
void PlaceButton(FolderButton b, int left, int top);

// Which mouse button.
enum class MouseButton { Left, Right, Middle };

// ------------------------------------------------------------- for pages

void DrawPanel();
void DrawPickList();
void DrawExportList();
void DrawFolderContents();

// The project's layers as the page offers them: rows of file name and
// contents, each with its layer number 1..50; at most MaxPickRows. None
// when the file is missing; a file that cannot be read throws
// platform::Error, and so does the page's show (FormShow), before the
// window is shown.
struct PickRow {
    std::int32_t Layer = 0;
    std::string Caption;
};
std::vector<PickRow> ReadProjectLayerList(const std::string& path);

// ----------------------------------------------------------------- events

// Builds the window for FolderMode on a screen of that size.
void FormShow(int screenWidth, int screenHeight);
// The window closes, by a button or its frame.
void FormClose();
void Image1MouseMove(int x, int y);   // each picture in its own pixels
void Image1MouseUp(int x, int y, MouseButton button);
void Image2MouseMove(int x, int y);
void Image2MouseUp(int x, int y, MouseButton button);
void Image3DblClick();
void Image3MouseUp(int x, int y, MouseButton button);
void Image3MouseMove(int x, int y);
void Image5MouseMove(int x, int y);
void Image5MouseUp(int x, int y, MouseButton button);
// The pointer over a scroll box outside its picture, or over DirBox1.
void ScrollBox1MouseMove();
void DirBox1MouseMove();
// A mouse-down on any of the lists or the panel: an open rename ends.
void ListMouseDown();
// DirBox1 shows another folder (picked there, in DriveBox1, or entered).
void DirBox1Change(const std::string& directory);
// The folders changed outside: when DirBox1's folder has gone, the nearest
// one above it is shown and chosen, and the user is told. False when the
// folder is still there.
bool DirBox1Gone();
void Edit1Change(const std::string& text);
void Edit1KeyEnter();
void Edit2Change(const std::string& text);
void Edit2KeyEnter();
void Edit3Change(const std::string& text);
void Edit3KeyEnter();
// Esc: closes an open edit box or list, else the window as its frame does.
void FormKeyEscape();
// Wheel notches, positive away from the user.
void FormMouseWheel(int notches);
// A scroll bar moved by the user.
void ScrollBoxScrolled(int box, int position);
void ButtonClick(FolderButton b);

} // namespace dialogs::folder
