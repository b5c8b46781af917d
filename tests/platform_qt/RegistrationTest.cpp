// The ".tsn" file type and the desktop shortcut, registered into a
// temporary XDG tree and checked with the desktop's own tools.
#include "platform/TextFile.h"
#include "platform/qt/Shell.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace platform;

namespace {

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::path(dir.path().toStdString());
        data = root / "data";
        config = root / "config";
        desktop = root / "Desktop";
        fs::create_directories(data);
        fs::create_directories(config);
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        WriteFileBytes(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + desktop.string() + "\"\n");
    }

    static std::string Read(const fs::path& p) { return ReadFileBytes(p); }

    static bool Validates(const fs::path& entry) { return RunProgram("desktop-file-validate", {entry.string()}); }

    static std::string DefaultApp()
    {
        std::string out;
        RunProgram("xdg-mime", {"query", "default", TsnMimeType}, &out);
        while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
        return out;
    }

    QTemporaryDir dir;
    fs::path root, data, config, desktop;
    const std::string program = "/opt/テッセル 2/bin/tessel2";
};

} // namespace

TEST_F(Registration, RegistersTheTypeForTheUserAndRemovesItAgain)
{
    // Another program's association must survive both steps.
    WriteFileBytes(config / "mimeapps.list", "[Default Applications]\ntext/plain=other.desktop\n");

    ASSERT_TRUE(RegisterFileType(program, "PNG"));
    const fs::path entry = data / "applications" / DesktopEntryId;
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_TRUE(Validates(entry));
    EXPECT_NE(Read(entry).find("Exec=\"/opt/テッセル 2/bin/tessel2\" %F\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(data / "mime" / "packages" / "tessel2.xml"));
    // update-mime-database compiled our glob into the user's database.
    EXPECT_NE(Read(data / "mime" / "globs2").find("application/x-tessel2:*.tsn"), std::string::npos);
    EXPECT_EQ(DefaultApp(), DesktopEntryId);
    EXPECT_TRUE(IsFileTypeRegistered(program));
    // Registered for another program file: not ours.
    EXPECT_FALSE(IsFileTypeRegistered("/usr/bin/tessel2"));

    EXPECT_TRUE(UnregisterFileType());
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_FALSE(fs::exists(data / "mime" / "packages" / "tessel2.xml"));
    EXPECT_EQ(DefaultApp(), "");
    const std::string apps = Read(config / "mimeapps.list");
    EXPECT_NE(apps.find("text/plain=other.desktop"), std::string::npos);
    EXPECT_EQ(apps.find("x-tessel2"), std::string::npos);
    EXPECT_FALSE(UnregisterFileType());
}

TEST_F(Registration, AFreshTreeHasNoRegistration)
{
    EXPECT_FALSE(IsFileTypeRegistered(program));
}

TEST_F(Registration, RegisteringTwiceKeepsOneAssociation)
{
    ASSERT_TRUE(RegisterFileType(program, ""));
    ASSERT_TRUE(RegisterFileType(program, ""));
    const std::string apps = Read(config / "mimeapps.list");
    EXPECT_EQ(apps.find("x-tessel2"), apps.rfind("x-tessel2"));
    EnsureFileTypeRegistered(program, "");
    EXPECT_EQ(DefaultApp(), DesktopEntryId);
}

TEST_F(Registration, DesktopShortcutIsAnExecutableValidEntry)
{
    fs::create_directories(desktop);
    ASSERT_EQ(DesktopFolder(), desktop);
    ASSERT_TRUE(CreateDesktopShortcut(program));
    const fs::path file = desktop / ShortcutFileName;
    ASSERT_TRUE(fs::exists(file));
    EXPECT_TRUE(Validates(file));
    EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_TRUE(DeleteDesktopShortcut());
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(Registration, NoDesktopFolderNoShortcut)
{
    EXPECT_FALSE(CreateDesktopShortcut(program));
    EXPECT_FALSE(fs::exists(desktop));
}

TEST(InstalledFiles, MatchWhatTheProgramRegistersAndValidate)
{
    const fs::path resources = fs::path(TESSEL2_SOURCE_DIR) / "resources";
    EXPECT_EQ(ReadFileBytes(resources / "tessel2-mime.xml"), MimeTypeXml());
    EXPECT_TRUE(RunProgram("desktop-file-validate", {(resources / "tessel2.desktop").string()}));
    // The installed entry starts the program found on the path.
    EXPECT_EQ(ReadFileBytes(resources / "tessel2.desktop"), DesktopEntryText("tessel2"));
}

namespace {

// xdg-open stood in for by a script that ends as told; whether the caller
// hears of a failure once it has ended.
TEST(ShellOpen, TellsWhenNoProgramOpenedTheFile)
{
    QTemporaryDir dir;
    const fs::path bin = fs::path(dir.path().toStdString());
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    struct Case {
        const char* script;
        bool failed;
    };
    for (const Case& c : {Case{"exit 0", false}, Case{"exit 3", true}, Case{"kill -9 $$", true}}) {
        SCOPED_TRACE(c.script);
        WriteFileBytes(bin / "xdg-open", std::string("#!/bin/sh\n") + c.script + "\n");
        fs::permissions(bin / "xdg-open", fs::perms::owner_all);
        bool failed = false;
        ASSERT_TRUE(ShellOpen("/tmp/REPORT.txt", [&] { failed = true; }));
        // The answer comes from the event loop once the script has ended.
        QDeadlineTimer deadline(c.failed ? 10000 : 1500);
        while (!failed && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(failed, c.failed);
    }
    setenv("PATH", path.c_str(), 1);
}

} // namespace
