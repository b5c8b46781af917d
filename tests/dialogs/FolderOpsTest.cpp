// The folder operations of the export page on temporary trees: what a
// folder lists, new and renamed folders with their refusals, links, and the
// places the folder list starts from.
#include "dialogs/FolderOps.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using namespace dialogs;

namespace {

class FolderOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("tessel2-folders-" + std::to_string(std::random_device{}()));
        for (const char* d : {"b", "a", ".hidden", "target/inner"}) fs::create_directories(root / d);
        for (const char* f : {"z.txt", ".dot"}) std::ofstream(root / f) << "x";
        fs::create_directory_symlink(root / "target", root / "linked");
        fs::create_symlink(root / "nowhere", root / "dead");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    std::string Dir() const { return root.string(); }
    fs::path root;
};

TEST_F(FolderOps, ListsFoldersAndFilesSortedWithoutHiddenOnes)
{
    const FolderEntries e = ListFolderEntries(Dir());
    EXPECT_EQ(e.Folders, (std::vector<std::string>{"a", "b", "linked", "target"}));
    // A link that leads nowhere is not a folder one can enter.
    EXPECT_EQ(e.Files, (std::vector<std::string>{"dead", "z.txt"}));
    const FolderEntries missing = ListFolderEntries((root / "missing").string());
    EXPECT_TRUE(missing.Folders.empty() && missing.Files.empty());
}

TEST_F(FolderOps, NewFolderTakesTheFirstFreeName)
{
    const std::string base = NewFolderBase;
    EXPECT_EQ(FreeNewFolderName(Dir()), base);
    fs::create_directory(root / base);
    EXPECT_EQ(FreeNewFolderName(Dir()), base + "(1)");
    fs::create_directory(root / (base + "(1)"));
    EXPECT_EQ(FreeNewFolderName(Dir()), base + "(2)");
    // A file or a dangling link of that name takes it as well.
    std::ofstream(root / (base + "(2)")) << "x";
    fs::create_symlink(root / "nowhere", root / (base + "(3)"));
    EXPECT_EQ(FreeNewFolderName(Dir()), base + "(4)");
    for (int k = 4; k < 256; ++k) fs::create_directory(root / (base + "(" + std::to_string(k) + ")"));
    EXPECT_EQ(FreeNewFolderName(Dir()), "");

    EXPECT_EQ(MakeFolder(Dir(), "新規"), "");
    EXPECT_TRUE(fs::is_directory(root / "新規"));
}

TEST_F(FolderOps, TypedNamesAreCheckedBeforeAnythingIsTouched)
{
    const std::pair<std::string, const char*> names[] = {
        {"", EmptyFolderNameText},   {"/", BadFolderNameText},       {"x/y", BadFolderNameText},
        {".", BadFolderNameText},    {"..", BadFolderNameText},      {std::string("a\0b", 3), BadFolderNameText},
        {"a", FolderNameTakenText},  {"z.txt", FolderNameTakenText}, {"dead", FolderNameTakenText},
        {"linked", FolderNameTakenText}, {"新しい名前", ""},        {"..a", ""},
    };
    for (const auto& [name, problem] : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FolderNameProblem(Dir(), name), problem);
        if (*problem) {
            const auto before = ListFolderEntries(Dir()).Folders;
            EXPECT_EQ(MakeFolder(Dir(), name), problem);
            EXPECT_EQ(RenameFolder(Dir(), "b", name), problem);
            EXPECT_EQ(ListFolderEntries(Dir()).Folders, before);
        }
    }
    // What the system refuses is reported, not raised.
    EXPECT_EQ(MakeFolder((root / "missing").string(), "x"), NewFolderFailedText);
    EXPECT_EQ(MakeFolder(Dir(), std::string(300, 'x')), NewFolderFailedText);
    EXPECT_EQ(RenameFolder(Dir(), "missing", "x"), RenameFailedText);
}

TEST_F(FolderOps, RenameNeverReplacesAndMovesLinksNotTargets)
{
    std::ofstream(root / "a" / "kept") << "x";
    // An empty folder of the new name would be replaced by a plain rename.
    EXPECT_EQ(RenameFolder(Dir(), "a", "b"), FolderNameTakenText);
    EXPECT_TRUE(fs::exists(root / "a" / "kept"));
    EXPECT_TRUE(fs::is_empty(root / "b"));

    EXPECT_EQ(RenameFolder(Dir(), "a", "a"), "");
    EXPECT_EQ(RenameFolder(Dir(), "a", "名前 変更"), "");
    EXPECT_TRUE(fs::exists(root / "名前 変更" / "kept"));
    EXPECT_FALSE(fs::exists(root / "a"));

    EXPECT_EQ(RenameFolder(Dir(), "linked", "link2"), "");
    EXPECT_TRUE(fs::is_symlink(root / "link2"));
    EXPECT_TRUE(fs::is_directory(root / "target" / "inner"));
}

TEST(DrivePlacesTest, HomeRootAndRemovableMedia)
{
    const std::vector<std::string> mounts = {"/",           "/proc",          "/media",       "/media/me/USB/",
                                             "/media/me/USB", "/run/media/me/SD", "/run/media", "/mnt/data"};
    const std::vector<DrivePlace> places = DrivePlaces("/home/me/", mounts);
    std::vector<std::string> paths;
    for (const DrivePlace& p : places) paths.push_back(p.Path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/home/me", "/", "/media/me/USB", "/run/media/me/SD"}));
    EXPECT_NE(places[0].Caption.find("/home/me"), std::string::npos);

    const std::pair<const char*, int> folders[] = {
        {"/home/me", 0}, {"/home/me/boards/a", 0}, {"/home/meter", 1}, {"/tmp", 1}, {"/media/me/USB/x", 2}, {"relative", -1}};
    for (const auto& [folder, place] : folders) EXPECT_EQ(PlaceOf(places, folder), place) << folder;

    // Root's own home: one place.
    EXPECT_EQ(DrivePlaces("/", {}).size(), 1u);
}

} // namespace
