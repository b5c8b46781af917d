// Linked into every test program: the process works in a program folder of
// its own under the temporary folder (TESSEL2_HOME, with the work folder
// "DATA" and its macro files inside), and Qt keeps its runtime files there
// too. Tests running side by side thus never share a work folder, and
// nothing is left in the temporary folder: the folder goes when the process
// ends. A test that needs other folders still sets its own.
#include "PrivateHome.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class PrivateHome {
public:
    PrivateHome()
    {
        std::error_code ec;
        const fs::path temp = fs::temp_directory_path(ec);
        if (ec) return;
        std::string pattern = (temp / "tessel2-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return;
        path_ = pattern;
        ::setenv("TESSEL2_HOME", path_.c_str(), 1);
        // Else Qt makes "runtime-<user>" in the temporary folder and leaves it.
        const fs::path runtime = path_ / "runtime";
        if (::mkdir(runtime.c_str(), 0700) == 0) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    ~PrivateHome()
    {
        // A child forked without a new program is not the owner.
        if (!path_.empty() && ::getpid() == owner_) tessel2test::RemoveTree(path_);
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
    pid_t owner_ = ::getpid();
};

const PrivateHome privateHome;

} // namespace

namespace tessel2test {

void RemoveTree(const std::filesystem::path& folder)
{
    std::error_code ec;
    // Folders a test made read-only are opened again first.
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_directory(ec) && !e.is_symlink(ec)) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(folder, ec);
}

std::filesystem::path PrivateFolder()
{
    return privateHome.Path().empty() ? std::filesystem::temp_directory_path() : privateHome.Path();
}

} // namespace tessel2test
