#include "dialogs/FolderOps.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <system_error>

namespace dialogs {

namespace fs = std::filesystem;

namespace {

bool Hidden(const std::string& name) { return !name.empty() && name.front() == '.'; }

// Anything of that name, a dangling link included.
bool Taken(const fs::path& p)
{
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    // A name the system cannot even look at is left for the mkdir to refuse.
    return !ec && st.type() != fs::file_type::not_found;
}

std::string Normal(const std::string& path)
{
    std::string s = fs::path(path).lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

} // namespace

FolderEntries ListFolderEntries(const std::string& folder)
{
    FolderEntries entries;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (Hidden(name)) continue;
        std::error_code ec2;
        (it->is_directory(ec2) ? entries.Folders : entries.Files).push_back(std::move(name));
    }
    std::sort(entries.Folders.begin(), entries.Folders.end());
    std::sort(entries.Files.begin(), entries.Files.end());
    return entries;
}

std::string FreeNewFolderName(const std::string& folder)
{
    for (int k = 0; k < 256; ++k) {
        const std::string name = k == 0 ? NewFolderBase : std::string(NewFolderBase) + "(" + std::to_string(k) + ")";
        if (!Taken(fs::path(folder) / name)) return name;
    }
    return {};
}

std::string FolderNameProblem(const std::string& folder, const std::string& name)
{
    if (name.empty()) return EmptyFolderNameText;
    if (name == "." || name == ".." || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        return BadFolderNameText;
    if (Taken(fs::path(folder) / name)) return FolderNameTakenText;
    return {};
}

std::string MakeFolder(const std::string& folder, const std::string& name)
{
    if (std::string problem = FolderNameProblem(folder, name); !problem.empty()) return problem;
    std::error_code ec;
    if (!fs::create_directory(fs::path(folder) / name, ec) || ec) return NewFolderFailedText;
    return {};
}

std::string RenameFolder(const std::string& folder, const std::string& from, const std::string& to)
{
    if (to == from) return {};
    if (std::string problem = FolderNameProblem(folder, to); !problem.empty()) return problem;
    const std::string source = (fs::path(folder) / from).string(), target = (fs::path(folder) / to).string();
    // A plain rename would silently replace an empty folder of that name
    // made meanwhile.
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return RenameFailedText;
    // A file system without the no-replace rename: checked just before.
    if (Taken(target) || std::rename(source.c_str(), target.c_str()) != 0) return RenameFailedText;
    return {};
}

std::vector<DrivePlace> DrivePlaces(const std::string& home, const std::vector<std::string>& mountPoints)
{
    std::vector<DrivePlace> places;
    if (!home.empty() && Normal(home) != "/") places.push_back({"ホーム (" + Normal(home) + ")", Normal(home)});
    places.push_back({"/", "/"});
    std::vector<std::string> media;
    for (const std::string& m : mountPoints) {
        const std::string p = Normal(m);
        if ((FolderUnder(p, "/media") && p != "/media") || (FolderUnder(p, "/run/media") && p != "/run/media")) media.push_back(p);
    }
    std::sort(media.begin(), media.end());
    media.erase(std::unique(media.begin(), media.end()), media.end());
    for (const std::string& p : media) places.push_back({p, p});
    return places;
}

std::string FolderGoneText(const std::string& gone, const std::string& instead)
{
    return "選択していたフォルダが見つかりません。\n\r" + gone + "\n\r上のフォルダ " + instead + " を選択します。";
}

std::string ExistingFolderAbove(const std::string& folder)
{
    std::error_code ec;
    for (fs::path p = fs::path(Normal(folder)); !p.empty(); p = p.parent_path()) {
        if (fs::is_directory(p, ec)) return p.string();
        if (p == p.parent_path()) break;
    }
    return {};
}

bool FolderUnder(const std::string& folder, const std::string& place)
{
    if (place == "/") return !folder.empty() && folder.front() == '/';
    return folder == place || (folder.size() > place.size() && folder.compare(0, place.size(), place) == 0 &&
                               folder[place.size()] == '/');
}

int PlaceOf(const std::vector<DrivePlace>& places, const std::string& folder)
{
    const std::string f = Normal(folder);
    int best = -1;
    std::size_t depth = 0;
    for (std::size_t k = 0; k < places.size(); ++k) {
        const std::string& p = places[k].Path;
        if (!FolderUnder(f, p)) continue;
        const std::size_t d = p == "/" ? 0 : p.size();
        if (best < 0 || d > depth) {
            best = static_cast<int>(k);
            depth = d;
        }
    }
    return best;
}

} // namespace dialogs
