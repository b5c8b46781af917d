#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "tests/platform/FifoWatchdog.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace platform;
namespace fs = std::filesystem;

namespace {

// A fresh folder per test; ctest runs tests in parallel processes.
class TempFolder {
public:
    TempFolder()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                ("tessel2-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void WriteRaw(const fs::path& p, const std::string& bytes) { WriteFileBytes(p, bytes); }

std::size_t EntryCount(const fs::path& folder)
{
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it) ++n;
    return n;
}

// Runs `write` with the file size limit at 4 KiB, which cuts a write short
// as a full disk would; false, with nothing run, where the limit cannot be
// set that low.
template <class Write>
bool UnderSmallFileSizeLimit(Write&& write)
{
    struct rlimit saved {};
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < small.rlim_cur) return false;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const bool set = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    if (set) write();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return set;
}

} // namespace

TEST(TextFile, WritesCp932WithCrLf)
{
    TempFolder tmp;
    const fs::path file = tmp.path() / "out.txt";
    TextFileWriter w(file);
    w.WriteLine("FORMAT = 000.000");
    w.Write("部品");
    w.Write("面");
    w.WriteLine();
    w.WriteLine("");
    w.Commit();
    EXPECT_EQ(ReadFileBytes(file), "FORMAT = 000.000\r\n\x95\x94\x95\x69\x96\xca\r\n\r\n");
    EXPECT_EQ(EntryCount(tmp.path()), 1u);  // no temporary left behind
}

TEST(TextFile, ReadsLfCrLfAndDropsStrayCr)
{
    struct Case { std::string bytes; std::vector<std::string> lines; };
    const Case cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},                     // no line end after the last line
        {"a\n\nb\n", {"a", "", "b"}},               // empty lines are kept
        {"a\rb\r\nc\r\r\n", {"ab", "c"}},           // a stray CR is dropped
        {"\r\n", {""}},
        {"\x95\x94\r\n\x83\x41", {"部", "ア"}},     // CP932 becomes UTF-8
    };
    TempFolder tmp;
    int i = 0;
    for (const Case& c : cases) {
        const fs::path file = tmp.path() / ("in" + std::to_string(i++) + ".txt");
        WriteRaw(file, c.bytes);
        EXPECT_EQ(ReadTextLines(file), c.lines) << i;
        EXPECT_EQ(DecodeLines(c.bytes), c.lines) << i;
    }
}

TEST(TextFile, WriteAndReadBackJapanese)
{
    TempFolder tmp;
    const fs::path file = tmp.path() / "memo.txt";
    const std::vector<std::string> lines = {"テッセル２", "", "基板外形 = 100.5  # コメント", "ドリルデータ"};
    TextFileWriter w(file);
    for (const auto& l : lines) w.WriteLine(l);
    w.Commit();
    EXPECT_EQ(ReadTextLines(file), lines);
}

TEST(TextFile, MissingFileAndBadBytesThrow)
{
    TempFolder tmp;
    EXPECT_THROW(ReadFileBytes(tmp.path() / "none.txt"), Error);
    EXPECT_THROW(ReadTextLines(tmp.path() / "none.txt"), Error);
    const fs::path bad = tmp.path() / "bad.txt";
    WriteRaw(bad, "ok\r\n\x81\r\n");
    EXPECT_THROW(ReadTextLines(bad), Error);
}

TEST(TextFile, TextWithoutCp932FormThrowsAndLeavesTheFile)
{
    TempFolder tmp;
    const fs::path file = tmp.path() / "keep.txt";
    WriteRaw(file, "old\r\n");
    TextFileWriter w(file);
    w.WriteLine("new");
    EXPECT_THROW(w.WriteLine("\xF0\x9F\x98\x80"), Error);
    EXPECT_EQ(ReadFileBytes(file), "old\r\n");
}

TEST(TextFile, WriteIntoMissingFolderThrows)
{
    TempFolder tmp;
    TextFileWriter w(tmp.path() / "no-such-folder" / "x.txt");
    w.WriteLine("x");
    EXPECT_THROW(w.Commit(), Error);
}

TEST(TextFile, FailedRenameLeavesNoTemporary)
{
    TempFolder tmp;
    // The target is a folder: the temporary is written but cannot replace it.
    fs::create_directories(tmp.path() / "target");
    EXPECT_THROW(WriteFileBytes(tmp.path() / "target", "data"), Error);
    EXPECT_TRUE(fs::is_directory(tmp.path() / "target"));
    EXPECT_EQ(EntryCount(tmp.path()), 1u);
}

// A write that fails half-way (here: the file size limit, as a full disk
// would) throws and leaves the old file as it was.
TEST(TextFile, FailedWriteKeepsTheOldFile)
{
    TempFolder tmp;
    const fs::path file = tmp.path() / "settings.pra";
    WriteRaw(file, "old contents\r\n");

    bool threw = false;
    if (!UnderSmallFileSizeLimit([&] {
            TextFileWriter w(file);
            for (int i = 0; i < 1000; ++i) w.WriteLine("a line of the new file that is far too long for the limit");
            try {
                w.Commit();
            } catch (const Error&) {
                threw = true;
            }
        }))
        GTEST_SKIP() << "file size limit too low";

    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadFileBytes(file), "old contents\r\n");
    EXPECT_EQ(EntryCount(tmp.path()), 1u);
}

// Scratch files are written in place: an older, longer file keeps nothing
// of its own; a link or a second name of another file is replaced, not
// written through; a write cut short (the file size limit, as a full disk
// would) throws and leaves no half file.
TEST(TextFile, ScratchWriteReplacesInPlaceAndLeavesNoHalfFile)
{
    TempFolder tmp;
    const fs::path file = tmp.path() / "a.mac", outside = tmp.path() / "outside.txt";
    WriteRaw(outside, "kept");
    enum Standing { OlderFile, Link, SecondName };
    for (Standing standing : {OlderFile, Link, SecondName}) {
        SCOPED_TRACE(standing);
        fs::remove(file);
        if (standing == OlderFile) WriteRaw(file, "%AMOLDER*1,1,1,0,0*21,1,2,3,0,0,0*%\r\n");
        else if (standing == Link) fs::create_symlink(outside, file);
        else fs::create_hard_link(outside, file);
        TextFileWriter w(file);
        w.WriteLine("%AMA*1,1,1,0,0*%");
        w.CommitScratch();
        EXPECT_FALSE(fs::is_symlink(file));
        EXPECT_EQ(ReadFileBytes(file), "%AMA*1,1,1,0,0*%\r\n");
        EXPECT_EQ(ReadFileBytes(outside), "kept");
    }

    if (!UnderSmallFileSizeLimit([&] {
            TextFileWriter big(file);
            for (int i = 0; i < 1000; ++i) big.WriteLine("a line of a macro file that is far too long for the limit");
            EXPECT_THROW(big.CommitScratch(), Error);
        }))
        GTEST_SKIP() << "file size limit too low";
    EXPECT_FALSE(fs::exists(file));
}

TEST(ProgramPaths, HomeFromEnvironment)
{
    TempFolder tmp;
    const fs::path home = tmp.path() / "home";
    const char* before = std::getenv("TESSEL2_HOME");
    std::string saved = before ? before : "";
    ::setenv("TESSEL2_HOME", home.c_str(), 1);
    ResetProgramFolder();

    EXPECT_EQ(ProgramFolder(), home);
    EXPECT_TRUE(fs::is_directory(home));  // made when missing
    EXPECT_EQ(DataFolderPath(), home / "DATA");

    // Settings files are found without regard to letter case; the exact name wins.
    WriteRaw(home / "aperture.PRA", "x");
    EXPECT_EQ(FindNoCase(home, "APERTURE.pra"), home / "aperture.PRA");
    EXPECT_EQ(FindNoCase(home, "missing.pra"), home / "missing.pra");
    WriteRaw(home / "APERTURE.pra", "y");
    EXPECT_EQ(FindNoCase(home, "APERTURE.pra"), home / "APERTURE.pra");

    // A name from data never leads out of its folder.
    for (const char* bad : {"", ".", "..", "../APERTURE.pra", "sub/x.mac", "/etc/passwd"}) {
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
        EXPECT_THROW(FindNoCase(home, bad), Error) << bad;
    }
    EXPECT_TRUE(IsPlainFileName("...mac"));
    EXPECT_TRUE(IsPlainFileName("部品.mac"));

    if (before) ::setenv("TESSEL2_HOME", saved.c_str(), 1);
    else ::unsetenv("TESSEL2_HOME");
    ResetProgramFolder();
    EXPECT_NE(ProgramFolder(), home);
}

// Lines of a file read in blocks are the lines of the same bytes in memory,
// wherever the block ends fall.
TEST(LineReader, FileAndMemoryGiveTheSameLines)
{
    TempFolder tmp;
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; i < 200000; ++i) {
        std::string line = "DAT/" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 37), 'x');
        if (i % 1000 == 7) line.clear();
        expected.push_back(line);
        bytes += line + (i % 3 == 0 ? "\n" : "\r\n");
    }
    bytes += "last\rline";   // no line end; a stray CR
    expected.push_back("lastline");
    const fs::path file = tmp.path() / "lines.txt";
    WriteRaw(file, bytes);

    LineReader fromFile(file);
    LineReader fromMemory(LineReader::InMemory{bytes});
    EXPECT_EQ(fromFile.Size(), static_cast<long long>(bytes.size()));
    std::string_view a, b;
    for (const std::string& want : expected) {
        ASSERT_TRUE(fromFile.Next(a));
        ASSERT_TRUE(fromMemory.Next(b));
        ASSERT_EQ(a, want);
        ASSERT_EQ(b, want);
    }
    EXPECT_FALSE(fromFile.Next(a));
    EXPECT_FALSE(fromMemory.Next(b));
    EXPECT_EQ(fromFile.Position(), static_cast<long long>(bytes.size()));
    EXPECT_EQ(fromFile.LineNumber(), static_cast<long long>(expected.size()));

    // A run without line ends comes in pieces, none lost.
    const std::string run(40u << 20, 'z');
    WriteRaw(file, run);
    LineReader pieces(file);
    std::size_t total = 0, count = 0;
    while (pieces.Next(a)) {
        total += a.size();
        ++count;
    }
    EXPECT_EQ(total, run.size());
    EXPECT_EQ(count, 3u);
    EXPECT_THROW(LineReader(tmp.path() / "missing"), Error);
}

// Whatever lies at a path by the time it is opened, reading never waits on
// it: a FIFO, folder or device in a file's place is refused, saying why.
TEST(InputFile, FifoFolderOrDeviceIsRefusedWithoutWaiting)
{
    TempFolder tmp;
    const fs::path fifo = tmp.path() / "x.tsn", folder = tmp.path() / "y.tsn", empty = tmp.path() / "empty.gbr";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    fs::create_directories(folder);
    WriteFileBytes(empty, "");
    const std::pair<fs::path, InputProblem> kinds[] = {{fifo, InputProblem::NotRegular},
                                                       {folder, InputProblem::Folder},
                                                       {"/dev/null", InputProblem::NotRegular},
                                                       {tmp.path() / "none", InputProblem::Missing}};
    const std::pair<const char*, std::function<void(const fs::path&)>> readers[] = {
        {"bytes", [](const fs::path& p) { ReadFileBytes(p); }},
        {"lines",
         [](const fs::path& p) {
             LineReader lines(p);
             std::string_view line;
             lines.Next(line);
         }},
        {"descriptor", [](const fs::path& p) { ::close(OpenInputFile(p)); }},
    };
    for (const auto& [path, problem] : kinds) {
        EXPECT_EQ(CheckInputFile(path), problem) << path;
        for (const auto& [name, read] : readers) {
            SCOPED_TRACE(path.string() + " " + name);
            testsupport::FifoWatchdog watchdog(fifo);
            try {
                read(path);
                ADD_FAILURE() << "read";
            } catch (const Error& e) {
                EXPECT_NE(std::string(e.what()).find(InputProblemText(problem)), std::string::npos) << e.what();
            }
            EXPECT_FALSE(watchdog.fired);
        }
    }
    EXPECT_EQ(CheckInputFile(empty), InputProblem::Empty);
    EXPECT_EQ(CheckInputFile(empty, true), InputProblem::None);
    EXPECT_EQ(ReadFileBytes(empty), "");
}
