#pragma once
// The earlier edition's project files (".tso"): one text file per print page,
// every layer of that page reduced to a few drawing primitives (lines with
// round or square ends, arcs, thermals, squares, round flashes) with a
// colour, plus the drill tools and hits. The loaded job is exported in this
// form, one file per page letter, and such a file is read back as one layer.
//
// Lines end in CR LF, fields are separated by ",", texts are CP932 in double
// quotes. After a header line ("Z", contents, title, line count) come the
// sections 1 to 6 ("k,count" and count records), then the tools (section
// 10) and the drill hits (section 11) when there are any.
#include "core/Datas.h"

#include <string>
#include <string_view>
#include <vector>

namespace core {

// One file of an export: the active layers of one page letter, in slot order.
struct OldProjectFilePlan {
    std::string PageLetter;
    std::vector<int> Layers;
    std::string FileName;   // without folder
};

// The files an export writes, in the order of their first layers. A file is
// named after its first layer's file with the extension ".tso"; names that
// would meet (letter case ignored) keep their own extensions before ".tso"
// ("board.GTL.tso"), so that no file overwrites another.
std::vector<OldProjectFilePlan> OldProjectFilePlans();

// The file of one plan, as CP932 bytes.
std::string OldProjectFileBytes(const OldProjectFilePlan& plan);

// Writes the files of OldProjectFilePlans into `folder`, showing the progress
// window. Each file is written whole or not at all; a failure throws
// platform::Error.
void WriteOldProjectFiles(const std::string& folder);

// The list of the files an export writes ("TsoList.pra"), one name a line,
// for the folder dialog to show. Throws platform::Error.
void WriteEarlierListFile(const std::string& path);

// Reads one file as layer `layer`: its elements are appended, its apertures
// and tools merged into the loaded ones, and a colour it gives becomes the
// layer's. `value` receives the element count, the extents (at least 100 mm
// each way), the contents text and the title. False when the file is missing
// or does not start with the header; a number that is not one throws
// platform::Error naming the line, and so does a line where a section must
// begin that is no section header (or a section out of order), a file whose
// lines or section records are fewer (or more) than its header and sections
// count, or that ends in the middle of a line. Either way the tables are then
// as they were.
bool ReadOldProjectFile(Gauge& gauge, const std::string& path, int layer, MyDataValue& value);
// The same over contents in memory.
bool ReadOldProjectData(Gauge& gauge, std::string_view bytes, int layer, MyDataValue& value);

} // namespace core
