#pragma once
// The folder of this test process's own under the temporary folder, removed
// when the process ends: loose files of a test go there, not into the
// temporary folder itself, which other programs share.
#include <filesystem>

namespace tessel2test {

std::filesystem::path PrivateFolder();

// Removes a folder and all it holds, read-only folders a test made included.
void RemoveTree(const std::filesystem::path& folder);

} // namespace tessel2test
