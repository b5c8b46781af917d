// Silent deletion stays inside its folder; Exec lines quote what they must.
#include "platform/TextFile.h"
#include "platform/qt/Shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace fs = std::filesystem;
using namespace platform;

namespace {

struct TempDir {
    fs::path path;
    TempDir()
    {
        std::random_device rd;
        path = fs::temp_directory_path() / ("tessel2-shell-" + std::to_string(rd()));
        fs::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

void Touch(const fs::path& p) { WriteFileBytes(p, "x"); }

} // namespace

TEST(MatchMask, WindowsStyleMasks)
{
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    } cases[] = {
        {"REPORT.txt", "*.*", true},  {"noext", "*.*", true},       {"a.MAC", "*.mac", true},
        {"a.mac.bak", "*.mac", false}, {"ab.gbr", "?b.gbr", true},   {"b.gbr", "?b.gbr", false},
        {"DATAAREA.pra", "data*", true}, {"x", "", false},            {"", "*", true},
        {"abcabd", "*abd", true},     {"abcab", "*abd", false},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(SilentDelete, EmptiesTheFolderWithoutFollowingLinksOut)
{
    TempDir t;
    const fs::path work = t.path / "DATA", outside = t.path / "outside";
    fs::create_directories(work / "sub" / "deeper");
    fs::create_directories(outside);
    Touch(outside / "keep.txt");
    Touch(work / "a.mac");
    Touch(work / "sub" / "deeper" / "b.txt");
    fs::create_directory_symlink(outside, work / "link");
    fs::create_symlink(outside / "keep.txt", work / "file-link");

    EXPECT_TRUE(DeleteMatchingFiles(work, "*.*"));
    EXPECT_TRUE(fs::is_empty(work));
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
}

TEST(SilentDelete, MaskChoosesTheEntries)
{
    TempDir t;
    Touch(t.path / "A.MAC");
    Touch(t.path / "b.mac");
    Touch(t.path / "REPORT.txt");
    EXPECT_TRUE(DeleteMatchingFiles(t.path, "*.mac"));
    EXPECT_FALSE(fs::exists(t.path / "A.MAC"));
    EXPECT_FALSE(fs::exists(t.path / "b.mac"));
    EXPECT_TRUE(fs::exists(t.path / "REPORT.txt"));
}

TEST(SilentDelete, AFolderThatIsALinkIsLeftAlone)
{
    TempDir t;
    fs::create_directories(t.path / "outside");
    Touch(t.path / "outside" / "keep.txt");
    fs::create_directory_symlink(t.path / "outside", t.path / "DATA");
    EXPECT_FALSE(DeleteMatchingFiles(t.path / "DATA", "*.*"));
    EXPECT_TRUE(fs::exists(t.path / "outside" / "keep.txt"));
}

TEST(SilentDelete, DeletePathRemovesALinkNotItsTarget)
{
    TempDir t;
    fs::create_directories(t.path / "outside");
    Touch(t.path / "outside" / "keep.txt");
    fs::create_directory_symlink(t.path / "outside", t.path / "DATA");
    EXPECT_TRUE(DeletePathSilently(t.path / "DATA"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(t.path / "DATA")));
    EXPECT_TRUE(fs::exists(t.path / "outside" / "keep.txt"));
    EXPECT_FALSE(DeletePathSilently(t.path / "DATA"));

    fs::create_directories(t.path / "real" / "sub");
    Touch(t.path / "real" / "sub" / "f");
    EXPECT_TRUE(DeletePathSilently(t.path / "real"));
    EXPECT_FALSE(fs::exists(t.path / "real"));
}

TEST(WorkFolder, CreatedEmptiedOrPutInPlaceOfALink)
{
    TempDir t;
    const fs::path work = t.path / "DATA";
    PrepareWorkFolder(work);
    EXPECT_TRUE(fs::is_directory(work));

    Touch(work / "old.mac");
    fs::create_directories(work / "sub");
    PrepareWorkFolder(work);
    EXPECT_TRUE(fs::is_empty(work));

    // A link in place of the work folder would have the emptying reach
    // into whatever it points to: it is replaced by a real folder.
    fs::remove(work);
    fs::create_directories(t.path / "home");
    Touch(t.path / "home" / "precious.txt");
    fs::create_directory_symlink(t.path / "home", work);
    PrepareWorkFolder(work);
    EXPECT_FALSE(fs::is_symlink(work));
    EXPECT_TRUE(fs::is_directory(work));
    EXPECT_TRUE(fs::exists(t.path / "home" / "precious.txt"));
}

TEST(DesktopEntry, ExecArgumentsAreQuotedAsTheFormatWants)
{
    EXPECT_EQ(DesktopExecArg("/usr/bin/tessel2"), "/usr/bin/tessel2");
    EXPECT_EQ(DesktopExecArg("/opt/my apps/tessel2"), "\"/opt/my apps/tessel2\"");
    // Inside quotes ", `, $ take a backslash, and the file doubles backslashes.
    EXPECT_EQ(DesktopExecArg("/a\"b"), "\"/a\\\\\"b\"");
    EXPECT_EQ(DesktopExecArg("/a$b"), "\"/a\\\\$b\"");
    EXPECT_EQ(DesktopExecArg("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(DesktopExecArg("/100%/t"), "/100%%/t");
}

TEST(DesktopEntry, NamesTheProgramAndOurType)
{
    const std::string text = DesktopEntryText("/usr/local/bin/tessel2");
    EXPECT_NE(text.find("Exec=/usr/local/bin/tessel2 %F\n"), std::string::npos);
    EXPECT_NE(text.find("MimeType=application/x-tessel2;\n"), std::string::npos);
    EXPECT_NE(MimeTypeXml().find("<glob pattern=\"*.tsn\"/>"), std::string::npos);
    EXPECT_NE(MimeTypeXml().find("テッセル２ファイル"), std::string::npos);
}
