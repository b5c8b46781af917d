#include "platform/ProgramPaths.h"

#include "platform/Error.h"

#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> cachedFolder;

fs::path ExecutableFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path();
}

bool Writable(const fs::path& folder)
{
    return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

fs::path ProgramFolder()
{
    if (cachedFolder) return *cachedFolder;
    fs::path folder;
    if (const char* home = std::getenv("TESSEL2_HOME"); home && *home) {
        folder = home;
    } else if (fs::path exe = ExecutableFolder(); Writable(exe)) {
        folder = exe;
    } else {
        const char* xdg = std::getenv("XDG_DATA_HOME");
        if (xdg && *xdg) folder = fs::path(xdg) / "tessel2";
        else if (const char* h = std::getenv("HOME"); h && *h) folder = fs::path(h) / ".local/share/tessel2";
        else folder = fs::temp_directory_path() / "tessel2";
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    cachedFolder = folder;
    return folder;
}

fs::path DataFolderPath() { return ProgramFolder() / "DATA"; }

void ResetProgramFolder() { cachedFolder.reset(); }

bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

fs::path FindNoCase(const fs::path& folder, const std::string& name)
{
    if (!IsPlainFileName(name)) throw Error("ファイル名が正しくありません: " + name);
    fs::path exact = folder / name;
    std::error_code ec;
    if (fs::exists(exact, ec)) return exact;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (EqualNoCase(entry, name)) return it->path();
    }
    return exact;
}

} // namespace platform
