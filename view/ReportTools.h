#pragma once
// The two tools that report on the loaded data: the information balloon
// that says what the element under the pointer is, and the marks of the
// design-rule errors. Models and painting without a window: the main window
// places the balloon image and its buttons and shows what is painted here.
#include "core/DesignRules.h"
#include "view/ToolState.h"
#include "platform/RasterCanvas.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mainwin {

// ------------------------------------------------------------ the balloon

// The main window's balloon: rows of text in rectangles of the balloon
// image, and the outline of the balloon with its tail.
struct MyBalloonBox {
    std::int32_t Count = 0;
    std::vector<platform::Rect> Rects;
    std::vector<std::string> Texts;
    std::vector<std::int32_t> Icons;   // -1 none
    std::array<platform::Point, 7> Outline{};
    std::string Id;                    // "Info" while it tells of an element
    std::int32_t Hot = -1;
};
extern MyBalloonBox InfoTable;

// n empty rows without icons, nothing hot.
void InitInfoTable(MyBalloonBox& box, int n);

// One line of the balloon: a label and its value.
struct InfoPair {
    std::string Label, Value;
    friend bool operator==(const InfoPair&, const InfoPair&) = default;
};

// What the balloon says of an element: its file, tool or D-code with the
// aperture's shape, its figure and polarity, then the points and lengths of
// its kind. Numbers in their shortest form, the lengths rounded.
std::vector<InfoPair> PrimitiveInfo(const core::DataElement& e);

// The length of an arc of `radius` from start to end about the centre,
// "CCW" or "CW"; 0 for any other direction.
double ArcLength(std::string_view direction, double radius, double startX, double startY, double endX, double endY,
                 double centreX, double centreY);

// The balloon's least width, and the room of its parts.
inline constexpr int InfoBalloonWidth = 300;
inline constexpr int InfoLabelWidth = 70;
inline constexpr int InfoRowPitch = 20;
inline constexpr int InfoRowHeight = 18;

// The height of a balloon of `pairs` lines: the rule, the position and a
// label and a value for each line, every one with its room.
int InfoBalloonHeight(int pairs);

// Where a balloon of W × H stands for its tail at (x, y) of a picture of
// pictureWidth × pictureHeight: right of a point in the left half, else
// left; below a point in the upper half, else above. Its top left, outline
// and text area are in the balloon's own pixels but Left and Top, which are
// in the picture's.
struct InfoPlacement {
    int Left = 0, Top = 0;
    std::array<platform::Point, 7> Outline{};
    int TextLeft = 0, TextTop = 0, TextBottom = 0;
};
InfoPlacement PlaceInfoPanel(int x, int y, int pictureWidth, int pictureHeight, int W, int H);

// What the position row says: "current/count", current counted from 1.
std::string InfoPositionText(int current, int count);

// The rows of a balloon W wide: row 0 the rule across the text bottom,
// row 1 the position below it at the left, as wide as the labels, then a
// label and a value row for each pair, 20 pixels apart from the text top.
// Labels `labelWidth` wide.
void FillInfoTable(MyBalloonBox& box, const std::vector<InfoPair>& pairs, int current, int count, int W,
                   const InfoPlacement& place, int labelWidth);

// The balloon's size for these lines, measured in the canvas's font: at
// least InfoBalloonWidth wide and as wide as its longest label and value
// need, but never wider than `widthLimit` (beyond which a value is cut).
// The labels' column also holds the position text below them.
struct InfoSize {
    int Width = 0, Height = 0, LabelWidth = 0;
};
InfoSize MeasureInfoBalloon(platform::Canvas& measure, const std::vector<InfoPair>& pairs, int widthLimit,
                            const std::string& position = {});

// The grey that stands for "no balloon here" around the outline.
inline constexpr platform::Color InfoClearColor = platform::RGB(128, 128, 128);

// Paints the balloon over the whole canvas: grey around the outline, the
// balloon's face inside it, the rule, white value boxes and the texts.
void DrawInfoTable(platform::RasterCanvas& canvas, const MyBalloonBox& box);

// The entry "次へ" shows after `picks.Current`: the next one whose element
// lies on a shown layer, from the first again after the last; Current when
// no other one is shown.
int NextInfoPick(const MyInfoSet& picks);

// The element of the entry shown, -1 when there is none.
int CurrentInfoElement(const MyInfoSet& picks);

// ------------------------------------------------------ design-rule marks

// What the design-rule run shows while it checks and when it is done.
inline constexpr const char* DrcLineRulesText = "DRC(最小線幅/８方向外直線角度)検出中 ...";
inline constexpr const char* DrcResistSilkText = "DRC(レジスト/シルク間隙)検出中 ...";
inline constexpr const char* DrcNoErrorsText = "エラーは検出されませんでした ...";
inline constexpr const char* DrcErrorsFoundText = "件のエラーが検出されました ...";

// The errors whose element lies on a shown layer.
int ShownDrcErrorCount();
// The elements of every error, for the blink (the highlight leaves out
// hidden layers).
std::vector<int> DrcErrorElements();

// A cross of 31 × 31 pixels at the mark of every error on a shown layer:
// black three pixels wide under white one pixel wide.
void DrawDrcErrorMarks(platform::RasterCanvas& canvas);

} // namespace mainwin
