#include "output/CopyFiles.h"

#include "core/Datas.h"
#include "core/SettingsLines.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <unistd.h>

namespace output {

namespace fs = std::filesystem;

MyFolderSetPara FolderSet;

// --------------------------------------------------------- FOLDERSET.pra

void ReadFolderSetFile(const std::string& path)
{
    if (!core::SettingsFileExists(path)) return;
    for (const core::SettingsLine& line : core::ReadSettingsLines(path)) {
        const std::string& text = line.text;
        const std::size_t equal = text.find('=');
        if (equal == std::string::npos) continue;
        std::string key;
        core::ExtractBetween(text, "", "=", key);
        // A path may hold "#" and "=": the value is all of the rest.
        std::string value = text.substr(equal + 1);
        if (!value.empty() && value.front() == ' ') value.erase(0, 1);
        if (key == "PATH1") FolderSet.PATH1 = value;
        else if (key == "PATH2") FolderSet.PATH2 = value;
        else if (key == "PATH3") FolderSet.PATH3 = value;
    }
}

void WriteFolderSetFile(const std::string& path)
{
    platform::WriteReadableLines(path, {"PATH1 = " + FolderSet.PATH1, "PATH2 = " + FolderSet.PATH2, "PATH3 = " + FolderSet.PATH3});
}

// ------------------------------------------------------------- copying

namespace {

// The source's bytes into the writer, a block at a time.
void CopyBytes(const fs::path& source, platform::AtomicFileWriter& out)
{
    const int fd = platform::OpenInputFile(source);
    std::string block(1 << 20, '\0');
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            throw platform::Error("ファイルを読めません: " + source.string());
        }
        if (n == 0) break;
        out.Append(std::string_view(block.data(), static_cast<std::size_t>(n)));
    }
    ::close(fd);
}

} // namespace

CopyResult CopyDataFile(const fs::path& source, const fs::path& destination, bool move)
{
    std::error_code ec;
    // Checked before anything is written: replacing a file by itself through
    // a temporary copy would be harmless, deleting the "source" afterwards not.
    if (fs::exists(destination, ec) && fs::equivalent(source, destination, ec)) return {CopyResult::SameFile, {}};
    try {
        platform::AtomicFileWriter out(destination);
        CopyBytes(source, out);
        out.Commit();
    } catch (const platform::Error& e) {
        return {CopyResult::Failed, e.what()};
    }
    // What a copy keeps besides the bytes; a file system that refuses them
    // still holds a good copy.
    if (const auto status = fs::status(source, ec); !ec) fs::permissions(destination, status.permissions(), ec);
    if (const auto time = fs::last_write_time(source, ec); !ec) fs::last_write_time(destination, time, ec);
    if (move && !fs::remove(source, ec) && ec)
        return {CopyResult::Copied, "移動元のファイルを削除できませんでした: " + source.string()};
    return {CopyResult::Copied, {}};
}

// ------------------------------------------------------------- folders

bool SameFolder(const std::string& a, const std::string& b)
{
    if (a == b) return true;
    std::error_code ec;
    return fs::is_directory(a, ec) && fs::is_directory(b, ec) && fs::equivalent(a, b, ec);
}

std::string UpFolder(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const std::size_t slash = p.rfind('/');
    if (p.size() <= 1 || slash == std::string::npos) return {};
    return slash == 0 ? "/" : p.substr(0, slash);
}

std::vector<std::string> FolderFileNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code fileEc;
        if (!name.empty() && name.front() != '.' && it->is_regular_file(fileEc)) names.push_back(std::move(name));
    }
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::sort(names.begin(), names.end(), [&](const std::string& x, const std::string& y) {
        const std::string lx = lower(x), ly = lower(y);
        return lx != ly ? lx < ly : x < y;
    });
    return names;
}

std::vector<bool> LoadedLayerFiles(const std::string& folder, const std::vector<std::string>& names)
{
    std::vector<bool> chosen(names.size(), false);
    for (std::size_t i = 0; i < names.size(); ++i)
        for (int k = 1; k <= std::min<int>(core::LayerCount, core::MaxLayers) && !chosen[i]; ++k) {
            const core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(k)];
            chosen[i] = l.Active == 1 && l.Folder == folder && l.FileName == names[i];
        }
    return chosen;
}

} // namespace output
