#pragma once
// The request of an open: the names to read, their kinds and folders. Built
// from the command line, from dropped files and from the open dialog.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace mainwin {

struct MyOpenFiles {
    std::int32_t Count = 0;
    std::vector<std::string> Names;    // without folder
    std::vector<std::int32_t> Kinds;   // file kind codes of core (0 automatic)
    // Each name's own folder: names from several folders keep theirs.
    std::vector<std::string> Folders;
    // The first name's folder, remembered as the last opened one.
    std::string Folder;

    void Clear();
    // Adds a path (made absolute against the current folder).
    void Add(const std::filesystem::path& path, std::int32_t kind = 0);
    // The full path of name i.
    std::filesystem::path PathOf(int i) const;
};

// The choices of the open dialog: every file, Gerber, NC drill, and the
// two project formats.
inline constexpr const char* OpenDialogFilter =
    "すべてのファイル (*.*)|*.*|ガーバーデータ (*.*)|*.*|NCドリルデータ (*.*)|*.*|"
    "テッセル２ファイル (*.tsn)|*.tsn|テッセルファイル (*.tso)|*.tso";

// At most this many dropped files are taken.
inline constexpr int MaxDroppedFiles = 26;

// A list of paths as an open request; at most `limit` of them (0: all).
MyOpenFiles MakeOpenList(const std::vector<std::string>& paths, std::int32_t kind = 0, int limit = 0);

// Opens the files of a request: 1 when data was loaded. The open command
// (OpenFileListRun) unless a test puts its own.
extern std::function<int(MyOpenFiles&)> OpenFileList;

} // namespace mainwin
