#pragma once
// The NC drill reader: one Excellon-style drill file becomes one layer of
// drill hits (kind 10), its tools merged into the tool table. The number
// format, zero omission, units and offsets come from DrillFormat.
#include "core/Datas.h"

#include <string>
#include <string_view>

namespace core {

// Appends the hits of the file with `layer`; `value` receives their count and
// extents (at least 100 mm each way). False when the file is missing or holds
// no hit; the tables are then as they were. A coordinate that is not a number,
// a block longer than MaxBlockBytes, hits that would pass MaxElementCount
// (counted before they are made, once the file is large enough to hold that
// many), or a file that cannot be read, or that shrank while it was read,
// throws platform::Error, after the tables were put back. A cancelled read
// gives false, the tables put back. The file is read as it goes, in bounded
// memory.
bool ReadNcDrillFile(Gauge& gauge, const std::string& path, int layer, MyDataValue& value);
// The same over contents already in memory.
bool ReadNcDrillData(Gauge& gauge, std::string_view bytes, int layer, MyDataValue& value);

// The diameter text stored for a C word: as written for millimetre input,
// converted to millimetres (4 decimals) for inch input.
std::string DrillDiameterText(const std::string& cWord, int units);

} // namespace core
