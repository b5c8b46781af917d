#pragma once
// The print command: the view handed to the print dialog as the extents
// file of the work folder, the dialog shown, the file removed again.
#include <filesystem>

namespace mainwin {

// The sixteen numbers of the data and view extents, 8 bytes each,
// little-endian. Throws platform::Error.
void SaveViewRecord(const std::filesystem::path& path);

// The command row "Print" and the main window's signal that the layers
// changed, to the print dialog of the program.
void ConnectPrintDialog();

} // namespace mainwin
