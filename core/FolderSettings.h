#pragma once
// The settings file a folder of manufacturing data carries, so that opening
// the folder again restores the job's title, board values, input formats,
// aperture and tool tables and the layers' texts and colours.
//
// Two editions: "Tessel2.ini", one "KEY = value" line each, with the tables
// after their counts; and the earlier edition's "Tesselu.ini", values on lines
// of fixed positions. Both are CP932 text with CR LF line ends, numbers with
// "." whatever the locale.
//
// The writers take everything from the shared tables. The readers fill the
// same tables, but put the layers of the file into IniLayerTable and
// IniLayerCount, apart from the loaded layers: the callers copy from there by
// file name.
#include <string>
#include <string_view>

namespace core {

inline constexpr const char* FolderSettingsName = "Tessel2.ini";
inline constexpr const char* OldFolderSettingsName = "Tesselu.ini";

// The file of that name in `folder`, found without regard to letter case;
// empty when there is none.
std::string FindFolderSettings(const std::string& folder, const std::string& name);

// Write the tables to the file, replacing it. A file that cannot be written
// throws platform::Error and the target is left as it was.
void WriteFolderSettings(const std::string& path);
void WriteOldSettingsFile(const std::string& path);

// Read the file into the tables: true once read; false, nothing changed, when
// there is no such file. A file that cannot be read or holds a value that does
// not convert throws platform::Error, the tables as they were before.
bool ReadFolderSettings(const std::string& path);
bool ReadOldFolderSettings(const std::string& path);

// Each loaded layer takes the contents, remarks and colours of the first
// layer of the settings file read last with the same file name; the others
// keep theirs.
void TakeSettingsLayers();

// The same from a file's bytes; `name` is told in the error.
void ReadFolderSettingsBytes(std::string_view bytes, const std::string& name);
void ReadOldFolderSettingsBytes(std::string_view bytes, const std::string& name);

// The board size and origin, and the drill origin, of ProjectBasics from the
// extents of one layer's data. False, nothing changed, when the layer has no
// data with an extent.
bool SetBoardFromFileExtents(int layer);

} // namespace core
