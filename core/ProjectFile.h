#pragma once
// The project file (".tsn"): one whole job in one text file, written for the
// save command and read back by the open command, either into an emptied
// store or added to the layers already loaded; and the aperture report
// "REPORT.txt".
//
// Every line is one record, a key and its fields separated by "/", CP932
// text with CR LF line ends. A "/" inside a free text is written as the
// full-width "／", so that it cannot change the record's field count.
#include "core/Datas.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

inline constexpr const char* TooManyLayersText = "最大ファイル数(26)を超えますので中断しました。";

// Writes the job at `path` (a temporary file in its folder, renamed over it
// at the end), showing the progress window; StepMarks[3] is set on success.
// A failure throws platform::Error and leaves an existing file as it was.
void WriteProjectFile(const std::string& path);

// Reads the file's records into the tables, taking the layers whose number
// is ticked in LayerTakeFlags; `value` receives the data extents and the
// number of elements added (section markers not counted). False when the file is missing or holds no
// record (nothing changes). A field that is not what its record needs, more
// than 26 layers, an element of a layer the file has no record of, or a file
// that ends before the elements its DATASCOUNT counts (or in the middle of a
// line) throws platform::Error after the tables were put back; when a line
// that is no record was passed over, the error names that line.
bool ReadProjectFile(Gauge& gauge, const std::string& path, MyDataValue& value);
// The same over contents in memory.
bool ReadProjectData(Gauge& gauge, std::string_view bytes, MyDataValue& value);

// A layer the file offers: its number (the index into LayerTakeFlags), file
// name and contents.
struct ProjectLayer {
    std::int32_t Number = 0;
    std::string FileName, Contents;
};
// The "LAYER" records of the file, in file order. Throws platform::Error,
// also for a project file that ends before its first layer.
std::vector<ProjectLayer> ReadProjectLayers(const std::string& path);
// Ticks every layer of the file in LayerTakeFlags; the number ticked.
int TakeAllProjectLayers(const std::string& path);

// How a file's aperture, tool and element codes join the loaded tables.
// Into an empty job (nothing loaded before the read) apertures and tools
// keep their own codes; added to loaded layers they are merged with equal
// ones or given free codes, and ApertureMap / ToolMap record the change.
struct TakenAperture {
    int code = 0;          // the code it has now; 0 when there was no room
    bool placed = false;   // a slot was filled from the file (not merged)
};
TakenAperture TakeFileAperture(int dCode, const MyAperture& aperture, bool intoEmptyJob);
void TakeFileTool(int tool, const std::string& diameter, const std::string& comment, bool intoEmptyJob);
// The D-code or tool number an element of the file carries after the merge.
std::int32_t MappedCode(std::int32_t kind, std::int32_t code);

// Writes ReportLines[0..ReportCount - 1] to `path`, replacing the file; false
// (nothing written) without lines. Throws platform::Error.
bool SaveReportLines(const std::string& path);

} // namespace core
