// The open and new commands without a window: sort order, set-aside files,
// the range check, the layer limit, failed reads, tool letters and "New".
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "core/ElementGrid.h"
#include "core/GerberReader.h"
#include "core/FolderSettings.h"
#include "core/OldProjectFiles.h"
#include "core/ProgramSettings.h"
#include "core/ProjectFile.h"
#include "platform/InputFile.h"
#include "platform/NumberText.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/dialogs/ParaDriver.h"
#include "tests/platform/FifoWatchdog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace mainwin;
using platform::MsgResult;

namespace {

class OpenCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("tessel2-open-" + std::to_string(std::random_device{}()));
        fs::create_directories(root / "home" / "DATA");
        fs::create_directories(root / "data");
        setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
        platform::ResetProgramFolder();
        core::DataFolder = (root / "home" / "DATA").string();
        shellOpened.clear();
        ShellOpenFile = [this](const std::string& p) {
            shellOpened.push_back(fs::path(p).filename().string());
            return true;
        };
        AskReplaceOrAdd = [this](const std::string& mode, const std::string& project) {
            asked.push_back(mode);
            DefaultReplaceOrAdd(mode, project);   // a project's layers all ticked
            return replaceOrAdd;
        };
        ClearAllData(true);
        boxes.shown.clear();
    }
    void TearDown() override
    {
        AskReplaceOrAdd = DefaultReplaceOrAdd;
        ShellOpenFile = [](const std::string&) { return true; };
        ReadProjectFile = core::ReadProjectFile;
        ReadOldProjectFile = core::ReadOldProjectFile;
        ConfirmFormats = [](const std::string&) { return true; };
        std::error_code ec;
        fs::remove_all(root, ec);
        platform::ResetProgramFolder();
    }

    // An RS-274X layer: a 0.5 mm line around a box from (0, 0) to (w, h)
    // outer edges, so its extents are exactly w × h.
    fs::path Gerber(const std::string& name, const std::string& xEnd = "9997500", const std::string& yEnd = "97500")
    {
        std::string text = "%FSLAX34Y34*%\n%MOMM*%\n%ADD10C,0.5*%\nD10*\nX2500Y2500D02*\nX" + xEnd + "Y2500D01*\nX" +
                           xEnd + "Y" + yEnd + "D01*\nM02*\n";
        return Write(name, text);
    }
    fs::path Write(const std::string& name, const std::string& text)
    {
        fs::path p = root / "data" / name;
        platform::WriteFileBytes(p, text);
        return p;
    }
    int Open(const std::vector<fs::path>& paths, std::int32_t kind = 0)
    {
        std::vector<std::string> list;
        for (const fs::path& p : paths) list.push_back(p.string());
        MyOpenFiles files = MakeOpenList(list, kind);
        return OpenFileListRun(files);
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> t;
        for (const auto& s : boxes.shown) t.push_back(s.text);
        return t;
    }

    fs::path root;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
    std::vector<std::string> shellOpened, asked;
    int replaceOrAdd = 1;
};

TEST(OpenRules, FileSortKeyAndToolLetters)
{
    const std::pair<const char*, const char*> keys[] = {
        {"7a.gbr", "007a.gbr"}, {"12b", "012b"}, {"1234x", "1234x"}, {"top.gbr", "000top.gbr"}, {"", "000"}};
    for (auto [name, key] : keys) EXPECT_EQ(FileSortKey(name), key) << name;

    EXPECT_EQ(ToolLetter(0), "A");
    EXPECT_EQ(ToolLetter(25), "Z");
    EXPECT_EQ(ToolLetter(26), "a");
    EXPECT_EQ(ToolLetter(51), "z");
    EXPECT_EQ(ToolLetter(52), "AA");
    EXPECT_EQ(ToolLetter(53), "AB");
    // Every tool the table can hold gets a distinct printable symbol.
    std::set<std::string> seen;
    for (int n = 0; n < core::MaxToolCode; ++n) {
        const std::string s = ToolLetter(n);
        ASSERT_FALSE(s.empty()) << n;
        for (char c : s) ASSERT_TRUE(std::isalpha(static_cast<unsigned char>(c))) << n;
        seen.insert(s);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(core::MaxToolCode));

    EXPECT_EQ(NoticeBalloonRows("RS-274D").size(), 2u);
    EXPECT_EQ(NoticeBalloonRows("tso").size(), 3u);
    EXPECT_TRUE(NoticeBalloonRows("other").empty());
}

TEST_F(OpenCommandsTest, NamesAreReadInNumberOrderEachWithItsFolder)
{
    fs::create_directories(root / "data" / "other");
    Gerber("10.gbr");
    Gerber("2.gbr");
    Gerber("other/1.gbr");
    ASSERT_EQ(Open({root / "data" / "10.gbr", root / "data" / "2.gbr", root / "data" / "other" / "1.gbr"}), 1);
    ASSERT_EQ(core::LayerCount, 3);
    EXPECT_EQ(core::LayerTable[1].FileName, "1.gbr");
    EXPECT_EQ(core::LayerTable[1].Folder, (root / "data" / "other").string());
    EXPECT_EQ(core::LayerTable[2].FileName, "2.gbr");
    EXPECT_EQ(core::LayerTable[3].FileName, "10.gbr");
    EXPECT_EQ(core::LayerTable[3].Folder, (root / "data").string());
    EXPECT_EQ(core::LayerTable[1].FileKind, core::fkRS274X);
    EXPECT_EQ(core::LayerTable[1].Active, 1);
    EXPECT_EQ(core::LayerTable[2].Active, 0);
    EXPECT_EQ(ShownLayerCount, 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OpenCommandsTest, TextAndPdfAreSetAsideAndOpenedAfterTheData)
{
    Gerber("top.gbr");
    Write("notes.TXT", "x");
    Write("drawing.pdf", "x");
    ASSERT_EQ(Open({root / "data" / "notes.TXT", root / "data" / "top.gbr", root / "data" / "drawing.pdf"}), 1);
    EXPECT_EQ(core::LayerCount, 1);
    EXPECT_EQ(shellOpened, (std::vector<std::string>{"notes.TXT", "drawing.pdf"}));
    EXPECT_TRUE(boxes.shown.empty());

    // A document alone: opened, no message, nothing loaded.
    shellOpened.clear();
    EXPECT_EQ(Open({root / "data" / "drawing.pdf"}), 0);
    EXPECT_EQ(shellOpened, (std::vector<std::string>{"drawing.pdf"}));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(core::LayerCount, 1);
}

TEST_F(OpenCommandsTest, RangeCheckAtOneThousandMillimetres)
{
    // Outer edges 0 .. 1000.0 mm pass.
    Gerber("exact.gbr", "9997500", "97500");
    ASSERT_EQ(Open({root / "data" / "exact.gbr"}), 1);
    EXPECT_DOUBLE_EQ(core::Extents.Width, 1000.0);
    EXPECT_TRUE(boxes.shown.empty());

    // 1000.001 mm: the range error clears everything.
    Gerber("wide.gbr", "9997510", "97500");
    EXPECT_EQ(Open({root / "data" / "wide.gbr"}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{RangeErrorText}));
    EXPECT_EQ(core::LayerCount, 0);
    EXPECT_EQ(core::DataCount, 0);
    EXPECT_EQ(core::LayerTable[1].FileName, "");
    EXPECT_EQ(ShownLayerCount, 0);

    // 0.5 mm high.
    boxes.shown.clear();
    Write("flat.gbr", "%FSLAX34Y34*%\n%MOMM*%\n%ADD10C,0.5*%\nD10*\nX2500Y2500D02*\nX200000Y2500D01*\nM02*\n");
    EXPECT_EQ(Open({root / "data" / "flat.gbr"}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{RangeErrorText}));

    // A flash at -1E308 inches moved by +1E308 inches lies nowhere (NaN);
    // beside flashes 25.4 mm apart it is refused all the same.
    boxes.shown.clear();
    Write("nan.gbr", "%FSLAX34Y34*%\n%MOIN*%\n%OFA1e308B0*%\n%ADD10C,0.01*%\nD10*\nX-" + std::string(308, '9') +
                         ".0Y0D03*\n%OFA0B0*%\nX0Y0D03*\nX10000Y10000D03*\nM02*\n");
    EXPECT_EQ(Open({root / "data" / "nan.gbr"}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{RangeErrorText}));
    EXPECT_EQ(core::DataCount, 0);

    // Opened with files that do not read: the range error names them too.
    boxes.shown.clear();
    Write("broken.gbr", "%FSLAX34Y34*%\n%MOMM*%\n%ADD11R,2.5X1.5*%\nD11*\nX2500Y2500D03*\nX1.2.3Y2500D03*\nM02*\n");
    Write("nothing.gbr", "%FSLAX34Y34*%\n%MOMM*%\n%ADD12R,3.5X1.5*%\nD12*\nM02*\n");
    Write("notes.dat", "no data\n");
    EXPECT_EQ(Open({root / "data" / "wide.gbr", root / "data" / "broken.gbr", root / "data" / "nothing.gbr",
                    root / "data" / "notes.dat"}),
              0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{FilesNotReadMessage(
                           RangeErrorText, {{"notes.dat", NotDataFileReason},
                                            {"broken.gbr", "'1.2.3' は正しい数値ではありません。"},
                                            {"nothing.gbr", NoElementsReason}})}));
    EXPECT_EQ(core::LayerCount, 0);
    EXPECT_EQ(core::DataCount, 0);
}

TEST_F(OpenCommandsTest, FailedReadsLeaveTheTablesAsTheyWere)
{
    Gerber("top.gbr", "500000", "500000");
    Write("board.drl", "M48\nT1C0.8\nT2C1.0\n%\nT1\nX1000Y1000\nX2000Y2000\nT2\nX3000Y1000\nM30\n");
    ASSERT_EQ(Open({root / "data" / "top.gbr", root / "data" / "board.drl"}), 1) << testing::PrintToString(Texts());
    const std::int32_t data = core::DataCount, layers = core::LayerCount, maxD = core::MaxDCode;
    const auto apertures = core::Apertures;
    const auto tools = core::Tools;
    ASSERT_EQ(layers, 2);
    EXPECT_EQ(core::Tools[1].Symbol, "A");
    EXPECT_EQ(core::Tools[2].Symbol, "B");
    EXPECT_EQ(core::Tools[1].Hits, 2);
    EXPECT_EQ(core::TotalHoleCount, 3);

    // Added: a Gerber file broken half-way, one without elements and a
    // drill file without holes.
    replaceOrAdd = 2;
    Write("broken.gbr", "%FSLAX34Y34*%\n%MOMM*%\n%ADD11R,2.5X1.5*%\nD11*\nX2500Y2500D03*\nX1.2.3Y2500D03*\nM02*\n");
    Write("nothing.gbr", "%FSLAX34Y34*%\n%MOMM*%\n%ADD12R,3.5X1.5*%\nD12*\nM02*\n");
    Write("empty.drl", "M48\nT5C2.2\n%\nM30\n");
    EXPECT_EQ(Open({root / "data" / "broken.gbr", root / "data" / "nothing.gbr", root / "data" / "empty.drl"}), 0);
    // One message names each file and why: those of no known kind, then
    // those read in vain in the order they were read.
    EXPECT_EQ(Texts(), (std::vector<std::string>{FilesNotReadMessage(
                           OpenFailedText, {{"empty.drl", NotDataFileReason},
                                            {"broken.gbr", "'1.2.3' は正しい数値ではありません。"},
                                            {"nothing.gbr", NoElementsReason}})}));
    EXPECT_EQ(asked, (std::vector<std::string>{"OpenSelect"}));
    EXPECT_EQ(core::DataCount, data);
    EXPECT_EQ(core::LayerCount, layers);
    EXPECT_EQ(core::MaxDCode, maxD);
    EXPECT_EQ(core::LayerTable[3].FileName, "");
    for (int d = 0; d <= core::MaxApertureCode; ++d) {
        ASSERT_EQ(core::Apertures[d].Shape, apertures[d].Shape) << d;
        ASSERT_EQ(core::Apertures[d].Size1, apertures[d].Size1) << d;
    }
    for (int t = 0; t <= core::MaxToolCode; ++t) {
        ASSERT_EQ(core::Tools[t].Diameter, tools[t].Diameter) << t;
        ASSERT_EQ(core::Tools[t].Hits, tools[t].Hits) << t;
    }
}

TEST_F(OpenCommandsTest, TwentySixLayersAtMost)
{
    std::vector<fs::path> first, more;
    for (int i = 1; i <= 24; ++i) first.push_back(Gerber(std::to_string(i) + ".gbr"));
    for (int i = 25; i <= 27; ++i) more.push_back(Gerber(std::to_string(i) + ".gbr"));
    ASSERT_EQ(Open(first), 1);
    ASSERT_EQ(core::LayerCount, 24);

    replaceOrAdd = 2;
    EXPECT_EQ(Open(more), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{TooManyFilesText}));
    EXPECT_EQ(core::LayerCount, 24);

    // From 23 layers all three are read.
    boxes.shown.clear();
    replaceOrAdd = 1;
    first.pop_back();
    ASSERT_EQ(Open(first), 1);
    ASSERT_EQ(core::LayerCount, 23);
    replaceOrAdd = 2;
    EXPECT_EQ(Open(more), 1);
    EXPECT_EQ(core::LayerCount, 26);
    EXPECT_EQ(core::LayerTable[26].FileName, "27.gbr");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OpenCommandsTest, ProjectThatDoesNotReadIsNotCountedAsRead)
{
    Write("job.tsn", "garbage");
    // A file without layers, then a reader that fails.
    EXPECT_EQ(Open({root / "data" / "job.tsn"}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{FilesNotReadMessage(OpenFailedText, {{"job.tsn", NoLayersReason}})}));

    boxes.shown.clear();
    Write("job.tsn", "LAYER/1/1/5/a.gbr///A/A/P/clRed/clRed\r\n");
    ReadProjectFile = [](core::Gauge&, const std::string&, core::MyDataValue&) { return false; };
    AskReplaceOrAdd = [](const std::string&, const std::string&) {
        core::LayerTakeFlags[1] = 1;
        return 1;
    };
    EXPECT_EQ(Open({root / "data" / "job.tsn"}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{FilesNotReadMessage(OpenFailedText, {{"job.tsn", NoElementsReason}})}));
}

// The kind chosen with the open dialog's filter against the detected one:
// what detection cannot decide is read as chosen, with the format question of
// that kind; a file detected as another kind is refused.
TEST_F(OpenCommandsTest, ForcedKindsAreChecked)
{
    // A drill file without header, tool sizes or drilling mode, as some CAD
    // tools write them; and RS-274D pads, flashes only.
    Write("holes.drl", "; drill data\n; T01 0.8mm\n%\nG90\nT01\nX004450Y000200\nX014450Y000200\nT02\nX004450Y030200\nM30\n");
    Write("pads.gbr", "G90*\nD10*\nX1000Y1000D03*\nX50000Y1000D03*\nX50000Y30000D03*\nM02*\n");
    Write("notes.dat", "; nothing but a note\n%\nM30\n");
    Gerber("top.gbr");
    Write("board.drl", "M48\nT1C0.8\n%\nT1\nX1000Y1000\nX2000Y2000\nM30\n");
    for (const char* undetermined : {"holes.drl", "pads.gbr", "notes.dat"})
        ASSERT_EQ(core::DetectFileType((root / "data" / undetermined).string()), core::fkAuto) << undetermined;
    const std::vector<std::string> noMessage;
    const struct {
        const char* name;
        std::int32_t chosen;
        int result;
        std::int32_t kind;   // of layer 1
        std::int32_t elements;
        std::vector<std::string> formats, texts;
    } cases[] = {
        {"holes.drl", core::fkNcDrill, 1, core::fkNcDrill, 3, {"FormatNC"}, noMessage},
        {"pads.gbr", core::fkRS274D, 1, core::fkRS274D, 3, {"Format274D"}, noMessage},
        {"top.gbr", core::fkNcDrill, 0, 0, 0, {}, {WrongKindText}},
        {"board.drl", core::fkRS274D, 0, 0, 0, {}, {WrongKindText}},
        {"top.gbr", core::fkRS274D, 1, core::fkRS274X, 2, {}, noMessage},
        {"notes.dat", core::fkNcDrill, 0, 0, 0, {"FormatNC"},
         {FilesNotReadMessage(OpenFailedText, {{"notes.dat", NoElementsReason}})}},
        // Unchosen, what detection cannot decide is no data file.
        {"holes.drl", core::fkAuto, 0, 0, 0, {}, {FilesNotReadMessage(OpenFailedText, {{"holes.drl", NotDataFileReason}})}},
    };
    std::vector<std::string> formats;
    ConfirmFormats = [&formats](const std::string& mode) {
        formats.push_back(mode);
        return true;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " chosen as " + std::to_string(c.chosen));
        ClearAllData(true);
        boxes.shown.clear();
        formats.clear();
        EXPECT_EQ(Open({root / "data" / c.name}, c.chosen), c.result);
        EXPECT_EQ(Texts(), c.texts);
        EXPECT_EQ(formats, c.formats);
        EXPECT_EQ(core::LayerCount, c.result);
        EXPECT_EQ(core::LayerTable[1].FileKind, c.kind);
        EXPECT_EQ(core::DataCount, c.elements);
    }
}

// Real drill files stripped of their header (tool sizes, units, drilling
// mode) are of no kind that detection can tell; chosen as NC drill, they read
// the same hits as the whole files.
TEST_F(OpenCommandsTest, HeaderlessDrillFilesChosenAsDrillReadTheHitsOfTheWholeFiles)
{
    // The header (M48 to "%" or M95), remarks, drilling modes and tool sizes out.
    auto strip = [](const std::string& bytes) {
        std::string out = "; drill data without its header\n%\nG90\n", line;
        bool header = false;
        for (std::istringstream in(bytes); std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("M48", 0) == 0) header = true;
            else if (header && (line.rfind("%", 0) == 0 || line.rfind("M95", 0) == 0)) header = false;
            else if (!header && line.rfind(";", 0) != 0 && line != "G05" && line != "G81")
                out += line.substr(0, line[0] == 'T' ? line.find('C') : std::string::npos) + "\n";
        }
        return out;
    };
    auto hits = [] {
        std::string h;
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Kind == core::dkDrill)
                h += std::to_string(e.Code) + " " + platform::FormatReal(e.X1) + " " + platform::FormatReal(e.Y1) + "\n";
        }
        return h;
    };
    const char* const files[] = {"cad/diptrace/mainboard.drl", "cad/geda/driver.plated-drill.cnc",
                                 "cad/kicad-older/chibi_2024.drl", "cad/eagle-newer/drills.xln",
                                 "cad/easyeda/Gerber_Drill_PTH.DRL", "cad/upverter/design_export.drl",
                                 "features/boards/protel-pnp/SE_SG_IF_V2.TXT"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        // Under a name that is not set aside as a text file.
        const fs::path whole = Write("whole.drl", platform::ReadFileBytes(fs::path(TESSEL2_CORPUS) / file));
        ClearAllData(true);
        ASSERT_EQ(Open({whole}), 1);
        const std::string expected = hits();
        ASSERT_FALSE(expected.empty());

        const fs::path stripped = Write("stripped.drl", strip(platform::ReadFileBytes(whole)));
        ASSERT_EQ(core::DetectFileType(stripped.string()), core::fkAuto);
        ClearAllData(true);
        boxes.shown.clear();
        ASSERT_EQ(Open({stripped}, core::fkNcDrill), 1);
        EXPECT_EQ(core::LayerTable[1].FileKind, core::fkNcDrill);
        EXPECT_EQ(hits(), expected);
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST_F(OpenCommandsTest, SettingsFileBesideTheDataTakesThePlaceOfTheFormatQuestion)
{
    std::vector<std::string> confirmed;
    ConfirmFormats = [&](const std::string& mode) {
        confirmed.push_back(mode);
        return true;
    };
    const fs::path gerber = Write("old.gbr", "G54D10*\nX0Y0D02*\nX50000Y0D01*\nX50000Y50000D01*\nM02*\n");
    ASSERT_EQ(Open({gerber}), 1);
    // The job as a copy leaves it, under a name of another letter case.
    core::LayerTable[1].Contents = "部品面";
    core::LayerTable[1].Color = 0x00FF00;
    core::GerberFormat.NumberFormat = "000.0000";
    core::WriteFolderSettings((root / "data" / "TESSEL2.INI").string());
    const fs::path settings = root / "data" / "TESSEL2.INI", held = root / "data" / "held";
    // The earlier edition's file of the job, cut inside its D-code table: its
    // formats after the cut must not be taken for the board's.
    core::WriteOldSettingsFile((root / "held-old").string());
    const std::string old = platform::ReadFileBytes(root / "held-old");
    const std::size_t cut = old.find("\"D40\"");
    ASSERT_NE(cut, std::string::npos);

    struct Case {
        const char* name;
        std::function<void()> before;
        fs::path file;
        MsgResult answer;
        std::vector<std::string> texts, confirmed;
        bool taken;
    };
    const std::string readError = "設定ファイル「Tesselu.ini」の 2 行目を読み込めません。\n\rファイルが途中で終わっています。見出しの行から後がありません。";
    const std::string cutError = "設定ファイル「Tesselu.ini」の 166 行目を読み込めません。\n\r"
                                 "ファイルが途中で終わっています。D コード表（68 行）の 31 行目から後がありません。";
    const Case cases[] = {
        {"taken", [] {}, gerber, MsgResult::Yes, {SettingsFoundText}, {}, true},
        {"declined", [] {}, gerber, MsgResult::No, {SettingsFoundText}, {"Format274D"}, false},
        {"earlier edition cut in its D-code table",
         [&] {
             fs::rename(settings, held);
             Write("Tesselu.ini", old.substr(0, cut));
         },
         gerber, MsgResult::Yes, {OldSettingsFoundText, cutError}, {"Format274D"}, false},
        {"named alone: the loaded layers take it",
         [&] {
             fs::rename(held, settings);
             fs::remove(root / "data" / "Tesselu.ini");
             boxes.answers = {MsgResult::No};
             Open({gerber});
         },
         settings, MsgResult::Yes, {ParametersUpdatedText}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        boxes.shown.clear();
        boxes.answers = {c.answer};
        confirmed.clear();
        EXPECT_EQ(Open({c.file}), c.file == gerber ? 1 : 0);
        EXPECT_EQ(Texts(), c.texts);
        EXPECT_EQ(confirmed, c.confirmed);
        EXPECT_EQ(core::GerberFormat.DecDigits, c.taken ? 4 : 3);
        EXPECT_EQ(core::LayerTable[1].Contents, c.taken ? "部品面" : "");
        EXPECT_EQ(core::LayerTable[1].Color, c.taken ? 0x00FF00 : 0x0000FF);
    }

    // A replace whose settings file does not read, cancelled at the format
    // question, keeps the loaded job.
    fs::rename(settings, held);
    Write("Tesselu.ini", "2.0,1\r\n");
    boxes.shown.clear();
    boxes.answers = {MsgResult::Yes};
    ConfirmFormats = [](const std::string&) { return false; };
    EXPECT_EQ(Open({gerber}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{OldSettingsFoundText, readError}));
    EXPECT_EQ(core::LayerCount, 1);
    EXPECT_EQ(core::LayerTable[1].Contents, "部品面");
    EXPECT_GT(core::DataCount, 0);
    ConfirmFormats = [](const std::string&) { return true; };
}

TEST_F(OpenCommandsTest, OpenDialogAndNew)
{
    Gerber("top.gbr");
    platform::FakeFileDialogs dialogs;
    platform::SetFileDialogs(&dialogs);
    dialogs.answers.push_back({true, {(root / "data" / "top.gbr").string()}, 3});
    boxes.answers = {MsgResult::Ok};
    EXPECT_EQ(OpenFilesDialog(), 1);   // confirmed, but the file is not a drill file
    EXPECT_EQ(Texts(), (std::vector<std::string>{AsDrillQuestion, WrongKindText}));
    EXPECT_EQ(dialogs.requests.at(0).filter, OpenDialogFilter);
    EXPECT_EQ(LastOpenedFolder, "");

    dialogs.answers.push_back({true, {(root / "data" / "top.gbr").string()}, 1});
    EXPECT_EQ(OpenFilesDialog(), 1);
    EXPECT_EQ(LastOpenedFolder, (root / "data").string());
    EXPECT_EQ(OpenFilesDialog(), 0);   // cancelled
    platform::SetFileDialogs(nullptr);

    boxes.shown.clear();
    boxes.answers = {MsgResult::No};
    EXPECT_EQ(NewCommand(), 0);
    EXPECT_EQ(core::LayerCount, 1);
    boxes.answers = {MsgResult::Yes};
    EXPECT_EQ(NewCommand(), 1);
    EXPECT_EQ(core::LayerCount, 0);
    EXPECT_EQ(core::DataCount, 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{NewQuestion, NewQuestion}));
}

// What the window is asked to do during an open.
struct RecordingWindow final : mainwin::OpenCommandWindow {
    std::vector<std::string> calls;
    void ShowGauge(const std::string& t) override { calls.push_back("gauge " + t); }
    void HideGauge() override { calls.push_back("hide"); }
    void FitView() override { calls.push_back("fit"); }
    void RedrawView() override { calls.push_back("redraw"); }
    void SetStatusText(int panel, const std::string& t) override { calls.push_back(std::to_string(panel) + t); }
    void ShowNoticeBalloon(int y, const std::string& mode) override { calls.push_back("balloon " + std::to_string(y) + " " + mode); }
    int CommandRowTop(int row) override { return 100 + row; }
};

TEST_F(OpenCommandsTest, ReadsUnderTheBusyGuardThenFitsDrawsAndNotes)
{
    RecordingWindow window;
    SetOpenWindow(&window);
    bool busyWhileConfirming = false;
    std::vector<std::string> modes;
    ConfirmFormats = [&](const std::string& mode) {
        busyWhileConfirming = platform::BusyGuard::Active();
        modes.push_back(mode);
        return true;
    };
    // RS-274D: the apertures come from the program folder's table.
    Write("old.gbr", "G54D10*\nX0Y0D02*\nX50000Y0D01*\nX50000Y50000D01*\nM02*\n");
    EXPECT_EQ(Open({root / "data" / "old.gbr"}), 1);
    EXPECT_TRUE(busyWhileConfirming);
    EXPECT_FALSE(platform::BusyGuard::Active());
    EXPECT_EQ(modes, (std::vector<std::string>{"Format274D"}));
    EXPECT_EQ(core::LayerTable[1].FileKind, core::fkRS274D);
    const std::vector<std::string> expected = {"gauge ファイルを開いています ...", "hide", "fit", "redraw",
                                               "gauge データ読取の準備をしています ...", "hide",
                                               "balloon 113 RS-274D", "0 データ数 = " + std::to_string(core::DataCount)};
    EXPECT_EQ(window.calls, expected);
    // The grid lists what was read.
    core::MyBox all{-1000, 1000, -1000, 1000};
    core::MyIntArray found;
    EXPECT_EQ(core::SelectInRect(all, found), core::DataCount);

    // Cancelled format confirmation: nothing read, no message.
    ConfirmFormats = [](const std::string&) { return false; };
    window.calls.clear();
    EXPECT_EQ(Open({root / "data" / "old.gbr"}), 0);
    EXPECT_EQ(core::LayerCount, 1);   // a replace clears only what is confirmed
    EXPECT_TRUE(boxes.shown.empty());
    ConfirmFormats = [](const std::string&) { return true; };

    // A reader failing beyond its own handling: the gauge goes, the job it
    // was to replace comes back, the error reaches the command's caller.
    Write("old.tso", "x");
    ReadOldProjectFile = [](core::Gauge&, const std::string&, int, core::MyDataValue&) -> bool {
        throw std::runtime_error("out of memory");
    };
    window.calls.clear();
    EXPECT_THROW(Open({root / "data" / "old.tso"}), std::runtime_error);
    EXPECT_NE(std::find(window.calls.begin(), window.calls.end(), "hide"), window.calls.end());
    EXPECT_EQ(core::LayerCount, 1);
    EXPECT_FALSE(platform::BusyGuard::Active());
    SetOpenWindow(nullptr);
    // A clear empties the grid.
    ClearAllData(true);
    EXPECT_FALSE(core::ElementGrid.Current());
}

TEST_F(OpenCommandsTest, CancelledConfirmationLeavesTheLoadedJobAsItWas)
{
    using namespace paratest;
    Gerber("top.gbr", "500000", "500000");
    Write("board.drl", "M48\nT1C0.8\n%\nT1\nX1000Y1000\nX2000Y2000\nM30\n");
    ASSERT_EQ(Open({root / "data" / "top.gbr", root / "data" / "board.drl"}), 1);
    // Formats of the job unlike the program folder's, as a settings file leaves them.
    core::GerberFormat.OffsetY = 2.0;
    core::DrillFormat.NumberFormat = "000.0000";
    const auto before = core::TakeSnapshot();
    const std::int32_t data = core::DataCount;
    Write("old.gbr", "G54D10*\nX0Y0D02*\nX50000Y0D01*\nX50000Y50000D01*\nM02*\n");
    Write("more.drl", "M48\nT3C1.2\n%\nT3\nX5000Y5000\nM30\n");

    // Fields changed on the page, then "キャンセル" (or the close box).
    bool ok = false;
    ConfirmFormats = [&ok](const std::string& mode) {
        Show(mode);
        EXPECT_TRUE(Pick(GerberItems.units, "inch"));
        EXPECT_TRUE(Pick(GerberItems.numberFormat, "000.0000"));
        Type(GerberItems.offsetX, "5");
        EXPECT_TRUE(Pick(DrillItems.zero, "Leading Zero"));
        dialogs::ButtonClick(ok ? dialogs::ParaButton::sw1 : dialogs::ParaButton::sw5);
        return !dialogs::ParaRequest.Cancelled;
    };
    for (int answer : {1, 2}) {
        SCOPED_TRACE(answer == 1 ? "replace" : "add");
        replaceOrAdd = answer;
        EXPECT_EQ(Open({root / "data" / "old.gbr", root / "data" / "more.drl"}), 0);
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(core::DataCount, data);
        EXPECT_EQ(core::LayerCount, before->layerCount);
        for (int k = 1; k <= core::MaxLayers; ++k) {
            EXPECT_EQ(core::LayerTable[k].FileName, before->layerTable[k].FileName) << k;
            EXPECT_EQ(core::LayerTable[k].Active, before->layerTable[k].Active) << k;
        }
        for (int d = 0; d <= core::MaxApertureCode; ++d) {
            ASSERT_EQ(core::Apertures[d].Shape, before->apertures[d].Shape) << d;
            ASSERT_EQ(core::Apertures[d].Used, before->apertures[d].Used) << d;
        }
        for (int t = 0; t <= core::MaxToolCode; ++t) ASSERT_EQ(core::Tools[t].Hits, before->tools[t].Hits) << t;
        for (const auto& [now, was] : {std::pair{&core::GerberFormat, &before->gerberFormat},
                                       std::pair{&core::DrillFormat, &before->drillFormat}}) {
            EXPECT_EQ(now->Units, was->Units);
            EXPECT_EQ(now->Zero, was->Zero);
            EXPECT_EQ(now->OffsetX, was->OffsetX);
            EXPECT_EQ(now->OffsetY, was->OffsetY);
            EXPECT_EQ(now->NumberFormat, was->NumberFormat);
        }
        EXPECT_EQ(core::Extents.MaxX, before->extents.MaxX);
    }

    // Confirmed on a replace: the page showed the program folder's formats,
    // and what was set there reads the new files.
    ok = true;
    replaceOrAdd = 1;
    ASSERT_EQ(Open({root / "data" / "old.gbr", root / "data" / "more.drl"}), 1);
    EXPECT_EQ(core::LayerCount, 2);
    EXPECT_EQ(core::GerberFormat.Units, 1);
    EXPECT_EQ(core::GerberFormat.OffsetX, 5.0);
    EXPECT_EQ(core::GerberFormat.OffsetY, 0.0);
    EXPECT_EQ(core::DrillFormat.Zero, 1);
    EXPECT_EQ(core::DrillFormat.NumberFormat, "000.00");
    double right = 0;
    for (std::int32_t i = 0; i < core::DataCount; ++i)
        if (core::Datas[i].Layer == 1 && core::Datas[i].Kind == core::dkLine) right = std::max(right, core::Datas[i].X2);
    EXPECT_NEAR(right, 5.0 + 5.0 * 25.4, 1e-9);
}

TEST_F(OpenCommandsTest, WhatIsNoReadableFileIsNamedWithWhyAndTheJobStays)
{
    ASSERT_EQ(Open({Gerber("top.gbr", "500000", "500000")}), 1);
    const std::int32_t data = core::DataCount;
    const double right = core::Extents.MaxX;
    const fs::path dir = root / "data";
    using platform::InputProblem;
    const struct {
        const char* name;
        std::function<fs::path()> make;
        InputProblem problem;
        bool permissions;   // only where permissions hold (not as root)
    } cases[] = {
        {"FIFO named as a project", [&] { ::mkfifo((dir / "x.tsn").c_str(), 0644); return dir / "x.tsn"; }, InputProblem::NotRegular, false},
        {"FIFO named as Gerber", [&] { ::mkfifo((dir / "x.gbr").c_str(), 0644); return dir / "x.gbr"; }, InputProblem::NotRegular, false},
        {"device", [] { return fs::path("/dev/null"); }, InputProblem::NotRegular, false},
        {"folder", [&] { fs::create_directories(dir / "boards"); return dir / "boards"; }, InputProblem::Folder, false},
        {"folder named as a project", [&] { fs::create_directories(dir / "y.tsn"); return dir / "y.tsn"; }, InputProblem::Folder, false},
        {"empty project", [&] { return Write("empty.tsn", ""); }, InputProblem::Empty, false},
        {"unreadable project",
         [&] {
             const fs::path p = Write("locked.tsn", "LAYER/1/1/5/a.gbr///A/A/P/clRed/clRed\r\n");
             fs::permissions(p, fs::perms::none);
             return p;
         },
         InputProblem::NoPermission, true},
        {"unreadable Gerber",
         [&] {
             const fs::path p = Gerber("locked.gbr");
             fs::permissions(p, fs::perms::none);
             return p;
         },
         InputProblem::NoPermission, true},
    };
    platform::FakeFileDialogs dialogs;
    platform::SetFileDialogs(&dialogs);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.permissions && ::geteuid() == 0) continue;
        const fs::path path = c.make();
        std::optional<testsupport::FifoWatchdog> watchdog;
        if (fs::is_fifo(path)) watchdog.emplace(path, std::chrono::seconds(5));
        boxes.shown.clear();
        asked.clear();
        // Chosen in the open dialog; the command line and dropped files
        // take the same way from the open list on.
        dialogs.answers.push_back({true, {path.string()}, 1});
        EXPECT_EQ(OpenFilesDialog(), 1);
        EXPECT_FALSE(watchdog && watchdog->fired);
        EXPECT_EQ(Texts(), (std::vector<std::string>{FilesNotReadMessage(
                               OpenFailedText, {{path.filename().string(), platform::InputProblemText(c.problem)}})}));
        // Nothing asked, nothing replaced.
        EXPECT_TRUE(asked.empty());
        EXPECT_EQ(core::LayerCount, 1);
        EXPECT_EQ(core::LayerTable[1].FileName, "top.gbr");
        EXPECT_EQ(core::DataCount, data);
        EXPECT_EQ(core::Extents.MaxX, right);
    }
    platform::SetFileDialogs(nullptr);
}

// A project whose list of layers does not read is named with why, on every
// road in: no layer is offered, nothing is asked, the job loaded stays.
TEST_F(OpenCommandsTest, ProjectWhoseLayersDoNotReadIsNamedWithWhy)
{
    std::vector<fs::path> driver;
    for (const auto& f : fs::directory_iterator(fs::path(TESSEL2_CORPUS) / "cad" / "geda"))
        if (f.path().filename().string().rfind("driver.", 0) == 0) driver.push_back(f.path());
    ASSERT_FALSE(driver.empty());
    ASSERT_EQ(Open(driver), 1);
    const fs::path job = root / "data" / "job.tsn";
    core::WriteProjectFile(job.string());
    const std::string saved = platform::ReadFileBytes(job);
    auto spoiled = [&saved](const std::string& from, const std::string& to) {
        std::string bytes = saved;
        const std::size_t at = bytes.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? bytes : bytes.replace(at, from.size(), to);
    };
    // The line of the file that does not read.
    auto atLine = [&saved](const std::string& of, const std::string& why) {
        const auto line = std::count(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(saved.find(of)), '\n') + 1;
        return "プロジェクトファイルの " + std::to_string(line) + " 行目を読めません。\n" + why;
    };
    const struct {
        const char* what;
        std::string bytes;
        std::string why;
    } files[] = {
        {"a file name that is no Shift-JIS", spoiled("driver.bottom.gbr", "driver\xff\xfe.gbr"),
         atLine("driver.bottom.gbr", "Shift-JIS として読めない文字があります。")},
        {"a layer number that is no number", spoiled("LAYER/1/", "LAYER/x/"),
         atLine("LAYER/1/", "'x' は正しい数値ではありません。")},
        {"cut before its first layer", saved.substr(0, saved.find("LAYER/1/")),
         "プロジェクトファイルが途中で終わっています。\n5 行目より後の、レイヤーの行（LAYER）と要素の行がありません。"},
        {"no layers at all", "garbage\r\n", NoLayersReason},
    };
    platform::FakeFileDialogs dialogs;
    platform::SetFileDialogs(&dialogs);
    for (const auto& f : files) {
        for (const bool dialog : {false, true}) {
            for (const int answer : {0, 1, 2}) {   // nothing loaded, replace, add
                SCOPED_TRACE(std::string(f.what) + (dialog ? ", open dialog" : ", command line or drop") + ", answer " +
                             std::to_string(answer));
                ClearAllData(true);
                if (answer > 0) {
                    ASSERT_EQ(Open({Gerber("top.gbr", "500000", "500000")}), 1);
                }
                const std::int32_t layers = core::LayerCount, data = core::DataCount;
                replaceOrAdd = answer;
                platform::WriteFileBytes(job, f.bytes);
                boxes.shown.clear();
                asked.clear();
                if (dialog) {
                    dialogs.answers.push_back({true, {job.string()}, 1});
                    EXPECT_EQ(OpenFilesDialog(), 1);
                } else {
                    EXPECT_EQ(Open({job}), 0);
                }
                EXPECT_EQ(Texts(), (std::vector<std::string>{FilesNotReadMessage(OpenFailedText, {{"job.tsn", f.why}})}));
                EXPECT_TRUE(asked.empty());
                EXPECT_EQ(core::LayerCount, layers);
                EXPECT_EQ(core::DataCount, data);
            }
        }
    }
    platform::SetFileDialogs(nullptr);
}

// A settings file of the program folder that does not read is told with its
// line once, not at every clear, and left as it is; the tables keep what it
// gave before the fault. Mended and broken again, it is told again.
TEST_F(OpenCommandsTest, ProgramFolderFileThatDoesNotReadIsToldOnceAndKept)
{
    const fs::path home = root / "home";
    const struct {
        const char* file;
        std::string bytes;
        int line;
        std::function<void()> kept;
    } cases[] = {
        // Nothing before the fault: the built-in table, the file not written over.
        {"APERTURE.pra", "D10,0,abc,0,0,0,0\r\n", 1,
         [] { EXPECT_EQ(core::MaxDCode, core::FirstSearchCode + core::BuiltInApertureCount - 1); }},
        {"GERBERFRM.pra", "FORMAT      = 000.0000\r\nUNITS       = abc\r\n", 2,
         [] { EXPECT_EQ(core::GerberFormat.DecDigits, 4); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string told = "設定ファイル「" + (home / c.file).string() + "」の " + std::to_string(c.line) + " 行目";
        auto toldNow = [&] {
            return std::count_if(boxes.shown.begin(), boxes.shown.end(),
                                 [&](const auto& b) { return b.text.find(told) != std::string::npos; });
        };
        const std::string good = platform::ReadFileBytes(home / c.file);
        platform::WriteFileBytes(home / c.file, c.bytes);
        boxes.shown.clear();
        for (int clear = 0; clear < 3; ++clear) ClearAllData(true);
        EXPECT_EQ(toldNow(), 1) << testing::PrintToString(Texts());
        c.kept();
        EXPECT_EQ(platform::ReadFileBytes(home / c.file), c.bytes);
        // An open whose range error clears does not tell it again.
        Gerber("wide.gbr", "9997510", "97500");
        EXPECT_EQ(Open({root / "data" / "wide.gbr"}), 0);
        EXPECT_EQ(toldNow(), 1);

        platform::WriteFileBytes(home / c.file, good);
        ClearAllData(true);
        platform::WriteFileBytes(home / c.file, c.bytes);
        ClearAllData(true);
        EXPECT_EQ(toldNow(), 2);
        platform::WriteFileBytes(home / c.file, good);
        ClearAllData(true);
    }
}

TEST_F(OpenCommandsTest, ClearKeepsTheLayerColoursOfTheProgramFolder)
{
    core::MyLayerTable table{};
    for (int k = 1; k <= core::MaxLayers; ++k) table[k] = core::DefaultLayerEntry(k);
    table[2].Color = 0x123456;
    table[2].FileName = "left.gbr";
    core::WriteLayerSetFile(core::LayerSetFilePath(), table);
    platform::WriteFileBytes(root / "home" / "DATA" / "x.mac", "x");
    ClearAllData(true);
    EXPECT_EQ(core::LayerTable[2].Color, 0x123456);
    EXPECT_EQ(core::LayerTable[2].FileName, "");
    EXPECT_EQ(core::LayerTable[2].Letter, "B");
    EXPECT_FALSE(fs::exists(root / "home" / "DATA" / "x.mac"));
    EXPECT_GT(core::MaxDCode, 0);   // the built-in apertures
}

} // namespace

// A project opened from its file: whole into an emptied job, added after the
// loaded layers, refused past 26 layers, and a bad file reported.
TEST_F(OpenCommandsTest, ProjectsReplaceOrAdd)
{
    ASSERT_EQ(Open({Gerber("top.gbr"), Gerber("bottom.gbr")}), 1);
    core::ProjectBasics.Title = "試作";
    core::WriteProjectFile((root / "data" / "job.tsn").string());
    core::StepMarks[3] = 1;

    asked.clear();
    ASSERT_EQ(Open({root / "data" / "job.tsn"}), 1);
    EXPECT_EQ(asked, (std::vector<std::string>{"OpenSelTsn"}));
    EXPECT_EQ(core::LayerCount, 2);
    EXPECT_EQ(core::LayerTable[2].FileName, "top.gbr");
    EXPECT_EQ(core::LayerTable[2].Active, 0);
    EXPECT_EQ(core::ProjectBasics.Title, "試作");
    EXPECT_EQ(core::StepMarks[3], 0);
    const std::int32_t elements = core::DataCount;

    replaceOrAdd = 2;
    ASSERT_EQ(Open({root / "data" / "job.tsn"}), 1);
    EXPECT_EQ(core::LayerCount, 4);
    EXPECT_EQ(core::LayerTable[4].Letter, "D");
    EXPECT_EQ(core::DataCount, 2 * elements);
    EXPECT_TRUE(boxes.shown.empty());

    // A project opens alone: what came with it is named, not read.
    replaceOrAdd = 1;
    ASSERT_EQ(Open({root / "data" / "job.tsn", root / "data" / "top.gbr"}), 1);
    EXPECT_EQ(core::LayerCount, 2);
    EXPECT_EQ(Texts(), (std::vector<std::string>{FilesNotReadMessage("", {{"top.gbr", WithProjectReason}})}));
    boxes.shown.clear();
    replaceOrAdd = 2;
    ASSERT_EQ(Open({root / "data" / "job.tsn"}), 1);
    ASSERT_EQ(core::LayerCount, 4);

    // 24 loaded and two more would pass 26: refused, nothing read.
    std::vector<fs::path> more;
    for (int i = 0; i < 20; ++i) more.push_back(Gerber("m" + std::to_string(i) + ".gbr"));
    ASSERT_EQ(Open(more), 1);
    ASSERT_EQ(core::LayerCount, 24);
    EXPECT_EQ(Open({root / "data" / "job.tsn"}), 1);
    boxes.shown.clear();
    EXPECT_EQ(Open({root / "data" / "job.tsn"}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{TooManyFilesText}));
    EXPECT_EQ(core::LayerCount, 26);

    // A colour that is no colour: the reader's message, the job it was to
    // replace stays.
    replaceOrAdd = 1;
    boxes.shown.clear();
    const std::int32_t loaded = core::DataCount;
    Write("bad.tsn", "LAYER/1/1/5/a.gbr///A/A/P/clRed/reddish\r\nDA/0/10/0/10/10/10/5/5\r\n");
    EXPECT_EQ(Open({root / "data" / "bad.tsn"}), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("'reddish'"), std::string::npos) << boxes.shown[0].text;
    EXPECT_EQ(core::LayerCount, 26);
    EXPECT_EQ(core::DataCount, loaded);
}

TEST_F(OpenCommandsTest, EarlierProjectFilesOpenAsLayers)
{
    RecordingWindow window;
    SetOpenWindow(&window);
    Write("board.drl", "M48\nMETRIC\nT1C0.8\n%\nT1\nX10000Y10000\nX20000Y20000\nM30\n");
    ASSERT_EQ(Open({Gerber("top.gbr"), root / "data" / "board.drl"}), 1);
    core::LayerTable[1].Contents = "部品面パターン";
    core::LayerTable[1].Color = 0x00FF00;
    core::LayerTable[2].Active = 1;
    core::ProjectBasics.Title = "試作";
    fs::create_directories(root / "data" / "old");
    core::WriteOldProjectFiles((root / "data" / "old").string());

    core::ProjectBasics.Title.clear();
    window.calls.clear();
    ASSERT_EQ(Open({root / "data" / "old" / "top.tso", root / "data" / "old" / "board.tso"}), 1);
    ASSERT_EQ(core::LayerCount, 2);
    // Read in name order, each with what its file says of it.
    EXPECT_EQ(core::LayerTable[1].FileName, "board.tso");
    EXPECT_EQ(core::LayerTable[2].FileName, "top.tso");
    EXPECT_EQ(core::LayerTable[2].FileKind, core::fkOldProject);
    EXPECT_EQ(core::LayerTable[2].Contents, "部品面パターン");
    EXPECT_EQ(core::LayerTable[2].Color, 0x00FF00);
    EXPECT_EQ(core::ProjectBasics.Title, "試作");
    // Two lines, two hits, and the three strokes of the letter A at each hit.
    EXPECT_EQ(core::DataCount, 2 + 2 + 2 * 3);
    EXPECT_EQ(core::Tools[1].Symbol, "A");
    EXPECT_NE(std::find(window.calls.begin(), window.calls.end(), "balloon 113 tso"), window.calls.end());

    // A file that does not read is not a layer; the message says where it failed.
    Write("bad.tso", "\"Z\",\"\",\"\",2\r\n6,1\r\nx,1,1,255\r\n");
    boxes.shown.clear();
    EXPECT_EQ(Open({root / "data" / "bad.tso"}), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(OpenFailedText, 0), 0u);
    EXPECT_NE(boxes.shown[0].text.find("bad.tso：旧テッセルファイルの 3 行目"), std::string::npos) << boxes.shown[0].text;
    SetOpenWindow(nullptr);
}
