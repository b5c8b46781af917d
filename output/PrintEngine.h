#pragma once
// The print engine: the loaded layers as printed pages (grouped by page
// letter) and as the print dialog's preview, at a scale, mirrored or not,
// shifted, in one of four colour modes, with a footer line; and the data
// sheets on A4 portrait paper. Elements are drawn by the same flash and
// arc routines as the screen, at the device's resolution.
#include "core/Datas.h"
#include "output/PrintDevice.h"
#include "platform/Canvas.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace output {

inline constexpr platform::Color White = platform::RGB(255, 255, 255);
inline constexpr platform::Color Black = platform::RGB(0, 0, 0);

// Said instead of printing when the printer gives no page to print on.
inline constexpr const char* NoPaperText =
    "プリンターの用紙サイズを取得できません。\n\rプリンターの設定を確認してください。";
inline constexpr const char* PrintFailedText = "印刷できませんでした。";

enum PrintColorMode : std::int32_t {
    pmBlackOnWhite = 0,
    pmInverted = 1,   // N/P: white copper on a black page
    pmGrey = 2,
    pmColour = 3,
};

struct MyPrintSet {
    std::string PrinterName;
    std::int32_t PhysicalWidth = 0, PhysicalHeight = 0;
    std::int32_t PhysicalOffsetX = 0, PhysicalOffsetY = 0;
    std::int32_t HorzRes = 0, VertRes = 0;
    double HorzSize = 0, VertSize = 0;   // printable millimetres, fractions kept
    std::int32_t Margin = 20;
    std::int32_t ScalePercent = 100;
    std::uint8_t Mirror = 0;
    std::int32_t OffsetX = 0, OffsetY = 0;   // mm
    std::int32_t ColorMode = pmBlackOnWhite;
    std::uint8_t GerberSheet = 0, DrillSheet = 0, ApertureSheet = 0;
    std::uint8_t Footer = 1;
    platform::Color PageColor = White;
    std::int32_t OutlineLayer = 0;   // layer of the board outline; 0 none
};

struct MyPrintTransform {
    double Factor = 1, ShiftX = 0, ShiftY = 0;
    double PageWidth = 0, PageHeight = 0;   // data millimetres on the printable area
    double OriginX = 0, OriginY = 0;
    double ScaleX = 0, ScaleY = 0;          // device pixels per data millimetre
};

extern MyPrintSet PrintSettings;
// The view extents the main window saved for printing.
extern core::MyExtents PrintArea;
extern MyPrintTransform PrintTransform;

// The settings as the print dialog starts with them.
void ResetPrintSettings();

// The device's name and capabilities into PrintSettings.
void ReadPrinterCaps(PrintDevice& device);
// True when the capabilities give a page to draw on.
bool PrinterCapsUsable();
// Where the dialog shows the preview: the paper's shape inside the 500 ×
// 500 square at (40, 50). Empty without usable capabilities.
platform::Rect PreviewImageRect();
inline constexpr platform::Rect PreviewSquare{40, 50, 540, 550};

// The transform for a device of width × height pixels over the printable
// area (the printer's HorzRes × VertRes, or the preview's size). False, and
// the transform left alone, when there is nothing to map onto.
bool SetupPrintTransform(int percent, double centreX, double centreY, int width, int height);
platform::Point WorldToDevice(double x, double y);
// Left/top from (minX, maxY), right/bottom from (maxX, minY).
platform::Rect WorldRectToDevice(double minX, double maxX, double minY, double maxY);

platform::Color PrintColorForMode(platform::Color color);

// One layer's elements in file order, each run of a path, flash or region
// in `color`, or in `pageColor` when it is clear.
void DrawLayerObjects(platform::Canvas& canvas, int layer, platform::Color color, platform::Color pageColor);
// The device outline of the region run first..last.
void ContourToPolygon(int first, int last, core::MyTPointArray& points);

// The page letter a slot prints under: its own, or the slot's letter.
std::string PageLetterOf(int slot);
// "file(contents)", or the file name alone without contents.
std::string LayerCaption(const core::MyLayerSet& layer);

// One printed page: its page letter and its layers in slot order.
struct PrintPage {
    std::string Letter;
    std::vector<int> Layers;
};
// The pages: one per page letter that a shown layer carries, in the order
// of the first such slot, holding the shown layers of that letter. The
// slots are taken up to the first one without a file.
std::vector<PrintPage> PrintPages();

// "DATE: yyyy/MM/dd  SCALE: 100%  FILE NAME: a + b(内容)" for the shown
// layers of a page letter; "(etc.)" for no letter.
std::string FormatPrintFooter(const std::string& pageLetter);
// Today as yyyy/MM/dd.
std::string TodayText();

// The extents file in the work folder.
inline constexpr const char* DataAreaFile = "DATAAREA.pra";
// PrintArea from the extents file the main window writes; a missing or
// short file leaves it as it was.
void ReadDataArea(const std::filesystem::path& path);

// The preview image before anything is drawn: white with a black border.
void ClearPreviewImage(platform::Canvas& canvas);
// One page of the job (its index among PrintPages(), kept in range) on the
// preview picture at the canvas's size, drawn as the print job draws it.
void RenderPrintPreview(platform::Canvas& canvas, int page = 0);

// The print job: the pages on the device. Returns the pages printed (0:
// nothing, or refused with a message).
int PrintLayers(PrintDevice& device);
// The chosen data sheets from the work folder, on A4 portrait paper, in one
// document. Returns the pages printed.
int PrintDataSheets(PrintDevice& device);

} // namespace output
