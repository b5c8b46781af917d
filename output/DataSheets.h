#pragma once
// The data sheets: the Gerber data sheet, the drill data sheet and the
// aperture list, written from the tables as small drawing scripts in the
// work folder and printed by an interpreter.
//
// A script line is a command and four fields separated by ",":
//   WIDTH,w,,,        pen width
//   REPEAT,nx,ny,dx,dy  the next LINE nx times across, ny times down
//   FONT,name,h,,     font of the following texts (h: cell height)
//   TEXT,x,y,text,    text, top left at (x, y); the text may hold ","
//   LINE,x1,y1,x2,y2  a line
//   RECT,x1,y1,x2,y2  a rectangle's outline
//   IMAGE,x,y,i,      aperture shape symbol i (10..16) in a 3 mm square
//   PAGE,,,,          the rest on a new page
// in units of 0.01 mm from the top left of the printable area. Anything
// else is skipped, as is a line with a field that is not what it should be.
#include "output/PrintDevice.h"
#include "platform/Canvas.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace output {

inline constexpr const char* GerberSheetFile = "GBSHEET.dat";
inline constexpr const char* ToolSheetFile = "TOOLSHEET.dat";
inline constexpr const char* ApertureSheetFile = "APERTURE.dat";

// Rows of one sheet page; the rest continue on further pages.
inline constexpr int ToolRowsFirstPage = 28;
inline constexpr int ToolRowsNextPages = 40;
inline constexpr int ApertureRowsPerPage = 100;

std::string FormatSheetTextLine(int x, int y, const std::string& text);
std::string FormatSheetImageLine(int x, int y, int index);

// The scripts' lines from the current tables.
std::vector<std::string> GerberSheetLines();
std::vector<std::string> ToolSheetLines();
std::vector<std::string> ApertureSheetLines();

// Each rewrites its file (CP932). Throws platform::Error.
void WriteGerberSheet(const std::filesystem::path& path);
void WriteToolSheet(const std::filesystem::path& path);
void WriteApertureSheet(const std::filesystem::path& path);
// The three into the work folder (what the print dialog does on showing).
void WriteSheetScripts();
std::filesystem::path SheetPath(const char* name);

// Sheet units (0.01 mm) on an axis ('X' or 'Y') to device pixels at the
// print transform's scales.
int SheetUnitsToDevice(long long value, char axis);

// Interprets script lines on `canvas`; a "PAGE" line draws the rest on the
// canvas newPage gives (none: the rest is dropped). Returns the pages drawn.
int RunSheetScript(const std::vector<std::string>& lines, platform::Canvas& canvas,
                   const std::function<platform::Canvas*()>& newPage);

// One script file on pages of the document; a missing or unreadable file
// prints nothing. Returns the pages printed.
int PrintSheet(const std::filesystem::path& path, PrintDocument& document);

// Aperture shape symbol `index` (10 circle, 11 square, 12 thermal 45°, 13
// thermal 90°, 14 oval, 15 rectangle, 16 macro) in the box, in the pen colour.
void DrawShapeSymbol(platform::Canvas& canvas, int index, const platform::Rect& box);

} // namespace output
