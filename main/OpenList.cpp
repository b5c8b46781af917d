#include "main/OpenList.h"

#include "main/OpenCommands.h"

#include <system_error>

namespace mainwin {

namespace fs = std::filesystem;

std::function<int(MyOpenFiles&)> OpenFileList = [](MyOpenFiles& list) { return OpenFileListRun(list); };

void MyOpenFiles::Clear()
{
    Count = 0;
    Names.clear();
    Kinds.clear();
    Folders.clear();
    Folder.clear();
}

void MyOpenFiles::Add(const fs::path& path, std::int32_t kind)
{
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    if (ec) full = path;
    full = full.lexically_normal();
    std::string folder = full.parent_path().string();
    // "/" stays "/"; no other folder keeps a trailing separator.
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    Names.push_back(full.filename().string());
    Kinds.push_back(kind);
    Folders.push_back(folder);
    if (Count == 0) Folder = folder;
    ++Count;
}

fs::path MyOpenFiles::PathOf(int i) const
{
    if (i < 0 || i >= Count || static_cast<std::size_t>(i) >= Names.size()) return {};
    const std::string& folder = static_cast<std::size_t>(i) < Folders.size() ? Folders[static_cast<std::size_t>(i)] : Folder;
    return fs::path(folder) / Names[static_cast<std::size_t>(i)];
}

MyOpenFiles MakeOpenList(const std::vector<std::string>& paths, std::int32_t kind, int limit)
{
    MyOpenFiles list;
    for (const std::string& p : paths) {
        if (limit > 0 && list.Count >= limit) break;
        if (p.empty()) continue;
        list.Add(p, kind);
    }
    return list;
}

} // namespace mainwin
