#pragma once
// The default tables kept as text files in the program folder: the aperture
// table "APERTURE.pra", the input formats "GERBERFRM.pra" and "DRILLFRM.pra",
// the layer table "LAYERSET.pra"; and aperture list files, in which D-code
// tables are exchanged with photoplotters and other CAM tools.
//
// All files are CP932 text with CR LF line ends; numbers are written and read
// with "." whatever the locale.
#include "core/Datas.h"

#include <array>
#include <cstdint>
#include <string>

namespace core {

using MyApertureTable = std::array<MyAperture, MaxApertureCode + 1>;
using MyLayerTable = std::array<MyLayerSet, LayerTableSize>;

// D10..D77 of the built-in table.
constexpr int BuiltInApertureCount = 68;

// The file of that name in the program folder, found without regard to
// letter case; the name as given when none exists yet.
std::string ProgramFilePath(const std::string& name);
// Sets ApertureFilePath, GerberFormatFilePath and DrillFormatFilePath.
void SetProgramFilePaths();
// "LAYERSET.pra" in the program folder.
std::string LayerSetFilePath();

// Reads "APERTURE.pra" into Apertures and MaxDCode. False when the file is
// missing or defines no D-code (the table is then reset but not filled).
// A field that is not a number throws platform::Error naming the file and
// line, with the lines before it read and the rest undefined; a file that
// cannot be read throws with the table reset.
bool ReadApertureFile(const std::string& path);
// The built-in apertures D10..D77; every other slot undefined.
void ResetApertureTable();
// Writes every defined D-code of Apertures but macro apertures, whose
// primitives do not outlive the job.
void WriteApertureFile(const std::string& path);

// Reads a format file; `kind` "Gerber" or "Drill" chooses the defaults. A
// missing file gives the defaults, written to the path, and false. A value
// that does not read (no number, a flag other than 0 or 1, text that is not
// CP932) throws platform::Error naming the file and line: the fields before
// it take the file's values, it and those after keep theirs.
bool ReadFormatFile(const std::string& path, const std::string& kind, MyFormatPara& format);
void WriteFormatFile(const std::string& path, const MyFormatPara& format);
// The format of a missing file.
MyFormatPara DefaultFormat(const std::string& kind);

// Reads up to 26 layer records into slots 1..26; `count` is the number of
// records with a file name. A missing file gives the default entries, written
// to the path. An empty value, or one past the end of the file, takes the
// slot's default; one that does not read throws platform::Error naming the
// file and line, with what came before it read.
void ReadLayerSetFile(const std::string& path, MyLayerTable& table, std::int32_t& count);
void WriteLayerSetFile(const std::string& path, const MyLayerTable& table);

// Reads an aperture list. Only when it holds at least one D-code line are
// `table` (cleared first) and `highest` replaced; false otherwise. A size
// that is not a number throws platform::Error naming the file and line, the
// table as it was.
bool ReadDcodeList(const std::string& path, MyApertureTable& table, std::int32_t& highest);
// Writes the used D-codes D10..`highest` of the table as an aperture list.
void WriteDcodeList(const std::string& path, const MyApertureTable& table, std::int32_t highest,
                    const std::string& title);

} // namespace core
