#pragma once
// What the copy dialog does with files and folders, apart from its window:
// the remembered folders ("FOLDERSET.pra"), the copy or move of one data
// file, the file list of a folder and the folder one up.
#include <filesystem>
#include <string>
#include <vector>

namespace output {

// The remembered folders: PATH1 the open dialog starts in, PATH2 the default
// destination of copies and exports, PATH3 kept as it was read.
struct MyFolderSetPara {
    std::string PATH1, PATH2, PATH3;
};
extern MyFolderSetPara FolderSet;

inline constexpr const char* FolderSetFileName = "FOLDERSET.pra";

// Reads the three paths of the file into FolderSet: each line "PATHn = "
// and the path, which may hold "#" or "=". A missing file changes nothing.
// Throws platform::Error when the file cannot be read.
void ReadFolderSetFile(const std::string& path);
// Writes the three paths (CP932, CR LF; a character CP932 cannot hold is
// written as "?"). Throws platform::Error; the file is then as it was.
void WriteFolderSetFile(const std::string& path);

// The one copy or move of a data file.
struct CopyResult {
    enum Outcome {
        Copied,     // a copy stands at the destination
        SameFile,   // the destination is the source itself: nothing done
        Failed,     // nothing changed at the destination, the source untouched
    } outcome = Failed;
    // What went wrong (Failed; or Copied when a moved source could not be
    // deleted), for the user.
    std::string error;
};

// Copies `source` to `destination`, replacing a file there through a
// temporary file beside it, with the source's permissions and modification
// time. With `move` the source is deleted after a good copy, and only then.
// A destination that is the source itself (the same folder by another path,
// a link) is left alone.
CopyResult CopyDataFile(const std::filesystem::path& source, const std::filesystem::path& destination, bool move);

// True when the two texts name one folder (equal texts, or the same folder
// on disk reached by other paths).
bool SameFolder(const std::string& a, const std::string& b);

// The folder one up from `path`; empty at the top ("/"), where there is none.
std::string UpFolder(const std::string& path);

// The names of the files in `folder` that a file list shows: regular files
// (links to them included), no hidden ones, sorted without regard to letter
// case. Empty when the folder cannot be read.
std::vector<std::string> FolderFileNames(const std::string& folder);

// Which of `names` in `folder` are the files of active loaded layers.
std::vector<bool> LoadedLayerFiles(const std::string& folder, const std::vector<std::string>& names);

} // namespace output
