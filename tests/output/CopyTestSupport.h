#pragma once
// Temporary folder trees for the copy tests.
#include "platform/TextFile.h"
#include "tests/PrivateHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace copytest {

namespace fs = std::filesystem;

class TempTree {
public:
    TempTree() : root_(tessel2test::PrivateFolder() / ("tessel2-copy-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(root_);
    }
    ~TempTree() { tessel2test::RemoveTree(root_); }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const fs::path& Root() const { return root_; }
    fs::path Folder(const std::string& name) const
    {
        fs::create_directories(root_ / name);
        return root_ / name;
    }
    static void Write(const fs::path& path, const std::string& bytes) { platform::WriteFileBytes(path, bytes); }
    static std::string Read(const fs::path& path)
    {
        std::error_code ec;
        return fs::exists(path, ec) ? platform::ReadFileBytes(path) : std::string("(none)");
    }

    // A folder nobody may write into: read-only for an ordinary user; for
    // root, who writes anywhere, a place of the kernel's.
    fs::path ReadOnlyFolder() const
    {
        const fs::path p = Folder("readonly");
        if (::geteuid() != 0) {
            fs::permissions(p, fs::perms::owner_read | fs::perms::owner_exec);
            return p;
        }
        return "/proc/self";
    }

private:
    fs::path root_;
};

} // namespace copytest
