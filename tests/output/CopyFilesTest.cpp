// The copy dialog's files and folders: the remembered folders' file, one
// file copied or moved on real folder trees (the same folder reached by
// other paths, a target nobody may write), the folder one up, file lists.
#include "output/CopyFiles.h"

#include "core/Datas.h"
#include "platform/TextCodec.h"
#include "tests/output/CopyTestSupport.h"

#include <gtest/gtest.h>

// Table rows name only the leading fields; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace output;
using copytest::TempTree;
namespace fs = std::filesystem;

TEST(FolderSetFile, PathsComeBackWhole)
{
    TempTree t;
    const std::string path = (t.Root() / FolderSetFileName).string();
    // Paths of the three fields as a user may have them.
    const MyFolderSetPara written{"/home/山田/基板 #2/data", "/mnt/a=b/出力 ", ""};
    FolderSet = written;
    WriteFolderSetFile(path);
    EXPECT_EQ(TempTree::Read(path), platform::Utf8ToCp932("PATH1 = /home/山田/基板 #2/data\r\nPATH2 = /mnt/a=b/出力 \r\nPATH3 = \r\n"));
    FolderSet = MyFolderSetPara{};
    ReadFolderSetFile(path);
    EXPECT_EQ(std::vector<std::string>({FolderSet.PATH1, FolderSet.PATH2, FolderSet.PATH3}),
              std::vector<std::string>({written.PATH1, written.PATH2, written.PATH3}));

    struct Case {
        const char* name;
        std::string text;
        MyFolderSetPara read;
    };
    const Case cases[] = {
        {"missing file: unchanged", "", {"keep1", "keep2", "keep3"}},
        {"keys exact, other lines ignored, LF ends",
         "path1 = /x\nPATH2=/y\n# note\nPATH3 = /z\nPATH1X = /w\n", {"keep1", "/y", "/z"}},
        {"a key twice: the last", "PATH1 = /a\r\nPATH1 = /b\r\n", {"/b", "keep2", "keep3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path);
        if (!c.text.empty()) TempTree::Write(path, c.text);
        FolderSet = MyFolderSetPara{"keep1", "keep2", "keep3"};
        ReadFolderSetFile(path);
        EXPECT_EQ(std::vector<std::string>({FolderSet.PATH1, FolderSet.PATH2, FolderSet.PATH3}),
                  std::vector<std::string>({c.read.PATH1, c.read.PATH2, c.read.PATH3}));
    }
    FolderSet = MyFolderSetPara{};
}

TEST(CopyDataFile, CopyAndMoveOnFolderTrees)
{
    struct Case {
        const char* name;
        bool move;
        // The destination folder from the tree's source folder "from".
        std::function<fs::path(const TempTree&)> destination;
        CopyResult::Outcome outcome;
        bool sourceStays;
    };
    const Case cases[] = {
        {"copy", false, [](const TempTree& t) { return t.Folder("to"); }, CopyResult::Copied, true},
        {"move", true, [](const TempTree& t) { return t.Folder("to"); }, CopyResult::Copied, false},
        {"move onto the same folder by a trailing /", true,
         [](const TempTree& t) { return fs::path(t.Folder("from").string() + "/"); }, CopyResult::SameFile, true},
        {"move onto the same folder by a link", true,
         [](const TempTree& t) {
             fs::create_directory_symlink(t.Folder("from"), t.Root() / "link");
             return t.Root() / "link";
         },
         CopyResult::SameFile, true},
        {"move into a folder nobody may write", true, [](const TempTree& t) { return t.ReadOnlyFolder(); },
         CopyResult::Failed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempTree t;
        // Japanese and blanks in the name; an older copy waits at the target.
        const std::string name = "部品面 top (rev 2).gbr";
        const fs::path from = t.Folder("from") / name;
        TempTree::Write(from, "%FSLAX24Y24*%\r\nD10*\r\n");
        const auto time = fs::last_write_time(from) - std::chrono::hours(30);
        fs::last_write_time(from, time);
        const fs::path to = c.destination(t) / name;
        if (c.outcome != CopyResult::Failed && !fs::exists(to)) TempTree::Write(to, "old");

        const CopyResult r = CopyDataFile(from, to, c.move);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.error.empty(), c.outcome != CopyResult::Failed) << r.error;
        EXPECT_EQ(TempTree::Read(from), c.sourceStays ? "%FSLAX24Y24*%\r\nD10*\r\n" : "(none)");
        if (c.outcome == CopyResult::Failed) continue;
        EXPECT_EQ(TempTree::Read(to), "%FSLAX24Y24*%\r\nD10*\r\n");
        EXPECT_EQ(fs::last_write_time(to), time);
        // Nothing left behind but the files.
        for (const auto& e : fs::directory_iterator(to.parent_path()))
            EXPECT_EQ(e.path().filename().string().rfind(".~", 0), std::string::npos) << e.path();
    }
}

TEST(CopyFolders, UpSameAndListed)
{
    const std::pair<const char*, const char*> ups[] = {
        {"/home/user/data", "/home/user"}, {"/home", "/"}, {"/", ""}, {"/home/user/", "/home"}, {"", ""}, {"data", ""},
    };
    for (const auto& [path, up] : ups) EXPECT_EQ(UpFolder(path), up) << path;

    TempTree t;
    const fs::path from = t.Folder("from");
    fs::create_directory_symlink(from, t.Root() / "link");
    EXPECT_TRUE(SameFolder(from.string(), from.string() + "/"));
    EXPECT_TRUE(SameFolder(from.string(), (t.Root() / "link").string()));
    EXPECT_FALSE(SameFolder(from.string(), t.Folder("to").string()));
    EXPECT_TRUE(SameFolder("/no/such", "/no/such"));
    EXPECT_FALSE(SameFolder("/no/such", "/no/such/"));

    // Files only, hidden ones left out, letter case ignored in the order.
    for (const char* name : {"b.drl", "A.gbr", "a.GTL", ".hidden", "部品面.gbr"}) TempTree::Write(from / name, "x");
    fs::create_directory(from / "sub");
    fs::create_symlink(from / "b.drl", from / "c-link.drl");
    EXPECT_EQ(FolderFileNames(from.string()), std::vector<std::string>({"A.gbr", "a.GTL", "b.drl", "c-link.drl", "部品面.gbr"}));
    EXPECT_TRUE(FolderFileNames((t.Root() / "none").string()).empty());

    // The files of active loaded layers in that folder.
    core::ResetTables();
    core::LayerTable[1] = core::MyLayerSet{1, core::fkRS274X, from.string(), "A.gbr"};
    core::LayerTable[2] = core::MyLayerSet{0, core::fkRS274X, from.string(), "a.GTL"};
    core::LayerTable[3] = core::MyLayerSet{1, core::fkNcDrill, t.Root().string(), "b.drl"};
    core::LayerCount = 3;
    EXPECT_EQ(LoadedLayerFiles(from.string(), FolderFileNames(from.string())),
              std::vector<bool>({true, false, false, false, false}));
    core::ResetTables();
}
