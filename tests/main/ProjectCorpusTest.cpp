// Every board of the corpus opened, saved as a project file, cleared and
// opened again from that file: the tables agree field by field and the
// picture pixel for pixel. Its project and earlier-edition files cut short
// are refused and leave the job as it was.
#include "CorpusJob.h"
#include "core/OldProjectFiles.h"
#include "core/ProjectFile.h"
#include "core/ProjectRecords.h"
#include "core/TextHelpers.h"
#include "main/OpenCommands.h"
#include "main/OpenList.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <tuple>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

// What a job is made of, as the open command leaves it.
struct Job {
    std::vector<core::DataElement> elements;
    std::array<core::MyAperture, core::MaxApertureCode + 1> apertures;
    core::MyMacroArray macros;
    std::array<core::MyTool, core::MaxToolCode + 2> tools;
    std::int32_t toolCount = 0, layerCount = 0, holes = 0;
    std::array<core::MyLayerSet, core::LayerTableSize> layers;
    core::MyFormatPara gerber, drill;
    core::MyBasicSet basics;
    core::MyExtents extents;
    std::vector<std::uint32_t> picture;
};

// The tables of the job, without its picture; of the elements, which a read
// only appends to, the last alone when `elements` is false.
Job TakeTables(bool elements = true)
{
    Job j;
    for (std::int32_t i = elements ? 0 : std::max(core::DataCount - 1, 0); i < core::DataCount; ++i)
        j.elements.push_back(core::Datas[static_cast<std::size_t>(i)]);
    j.apertures = core::Apertures;
    j.macros.assign(core::Macros.begin(), core::Macros.begin() + core::MacroCount + 1);
    j.tools = core::Tools;
    j.toolCount = core::ToolCount;
    j.holes = core::TotalHoleCount;
    j.layerCount = core::LayerCount;
    j.layers = core::LayerTable;
    j.gerber = core::GerberFormat;
    j.drill = core::DrillFormat;
    j.basics = core::ProjectBasics;
    j.extents = core::Extents;
    return j;
}

Job TakeJob()
{
    Job j = TakeTables();
    // Every layer shown, the view fitted to a picture of 900 × 700.
    for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = 1;
    ClientWidth = 900;
    ClientHeight = 700;
    FitViewExtents();
    SetViewZoom(false, 0, 0, -1.0);
    RedrawView();
    const platform::RasterCanvas& p = Picture();
    j.picture.assign(p.Bits(), p.Bits() + static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height()));
    for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = j.layers[static_cast<std::size_t>(k)].Active;
    return j;
}

// Every field a project keeps, as one comparable value; reals come back as
// the very numbers written.
auto Fields(const core::DataElement& e)
{
    return std::tie(e.Layer, e.Group, e.Kind, e.Code, e.Clear, e.X1, e.Y1, e.X2, e.Y2, e.X3, e.Y3, e.X4, e.Y4);
}
auto Fields(const core::MyAperture& a)
{
    return std::tie(a.Used, a.Shape, a.Size1, a.Size2, a.Size3, a.MacroName, a.MacroParams, a.FirstPrimitive, a.LastPrimitive);
}
auto Fields(const core::MyMacro& m) { return std::tie(m.DCode, m.Name, m.Text, m.AdText, m.ValueCount, m.Values); }
auto Fields(const core::MyTool& t) { return std::tie(t.Used, t.Hits, t.Diameter, t.Symbol, t.Comment); }
auto Fields(const core::MyLayerSet& l)
{
    return std::tie(l.Active, l.FileKind, l.FileName, l.Contents, l.Remarks, l.Letter, l.PageLetter, l.Polarity, l.AltColor, l.Color);
}
auto Fields(const core::MyFormatPara& f)
{
    return std::tie(f.FormatName, f.AbsInc, f.OffsetX, f.OffsetY, f.Zero, f.NumberFormat, f.Units, f.IntDigits, f.DecDigits);
}
auto Fields(const core::MyBasicSet& b)
{
    return std::tie(b.Title, b.Comment, b.Author, b.BoardWidth, b.BoardHeight, b.BoardLeft, b.BoardBottom, b.NcLeft, b.NcBottom);
}
auto Fields(const core::MyExtents& e) { return std::tie(e.MinX, e.MaxX, e.MinY, e.MaxY, e.Width, e.Height, e.CentreX, e.CentreY); }

void ExpectSameJob(const Job& a, const Job& b)
{
    ASSERT_EQ(a.elements.size(), b.elements.size());
    for (std::size_t i = 0; i < a.elements.size(); ++i) ASSERT_TRUE(Fields(a.elements[i]) == Fields(b.elements[i])) << i;
    // Apertures: which are used, and everything of those.
    for (std::size_t d = 0; d < a.apertures.size(); ++d)
        EXPECT_TRUE(a.apertures[d].Used ? Fields(a.apertures[d]) == Fields(b.apertures[d]) : !b.apertures[d].Used) << "D" << d;
    ASSERT_EQ(a.macros.size(), b.macros.size());
    for (std::size_t i = 1; i < a.macros.size(); ++i) EXPECT_TRUE(Fields(a.macros[i]) == Fields(b.macros[i])) << i;
    ASSERT_EQ(a.toolCount, b.toolCount);
    EXPECT_EQ(a.holes, b.holes);
    for (std::size_t t = 1; t <= static_cast<std::size_t>(a.toolCount); ++t) EXPECT_TRUE(Fields(a.tools[t]) == Fields(b.tools[t])) << "T" << t;
    ASSERT_EQ(a.layerCount, b.layerCount);
    for (std::size_t k = 1; k <= static_cast<std::size_t>(a.layerCount); ++k) EXPECT_TRUE(Fields(a.layers[k]) == Fields(b.layers[k])) << k;
    EXPECT_TRUE(Fields(a.gerber) == Fields(b.gerber));
    EXPECT_TRUE(Fields(a.drill) == Fields(b.drill));
    EXPECT_TRUE(Fields(a.basics) == Fields(b.basics));
    EXPECT_TRUE(Fields(a.extents) == Fields(b.extents));
    EXPECT_TRUE(a.picture == b.picture) << "the pictures differ";
}

using ProjectCorpus = corpusboards::CorpusJob;

// Where a file is cut: every 4 % of it, at that byte (mostly inside a line)
// and at the start of its line, and just before its last line end.
std::set<std::size_t> CutPoints(const std::string& bytes)
{
    std::set<std::size_t> cuts{bytes.size() - 1, bytes.size() - 2};
    for (std::size_t percent = 1; percent < 100; percent += 4) {
        const std::size_t at = bytes.size() * percent / 100;
        cuts.insert(at);
        const std::size_t lineEnd = bytes.rfind('\n', at - 1);
        if (lineEnd != std::string::npos) cuts.insert(lineEnd + 1);
    }
    return cuts;
}

// Reads the first `cut` bytes of a file over the loaded job: true when the
// read succeeded; `error` gets the message of a refusal.
bool ReadCut(const std::string& bytes, std::size_t cut, bool project, std::string& error)
{
    core::Gauge gauge;
    core::MyDataValue value;
    error.clear();
    try {
        if (!project) return core::ReadOldProjectData(gauge, std::string_view(bytes).substr(0, cut), core::LayerCount + 1, value);
        core::LayerTakeFlags.fill(0);
        core::LayerTakeFlags[1] = 1;
        return core::ReadProjectData(gauge, std::string_view(bytes).substr(0, cut), value);
    } catch (const platform::Error& e) {
        error = e.what();
    }
    return false;
}

// A file's lines without their line ends, and joined again.
std::vector<std::string> LinesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < bytes.size(); start = end + 2) {
        end = std::min(bytes.find("\r\n", start), bytes.size());
        lines.push_back(bytes.substr(start, end - start));
    }
    return lines;
}
std::string Joined(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& l : lines) bytes += l + "\r\n";
    return bytes;
}
std::string Field(const std::string& line, char sep, std::size_t i)
{
    core::MyTextArray fields;
    core::SplitText(line, sep, fields);
    return i < fields.size() ? fields[i] : std::string();
}

// The middle element line with its field `field` written as `text`, and the
// start of what the refusal says of that line.
std::pair<std::string, std::string> MiddleElementWith(std::vector<std::string> lines, std::size_t field, const std::string& text,
                                                      const std::string& says)
{
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind("DAT/", 0) == 0) at.push_back(i);
    const std::size_t i = at[at.size() / 2];
    core::MyTextArray fields;
    core::SplitText(lines[i], '/', fields);
    fields[field] = text;
    lines[i].clear();
    for (std::size_t k = 0; k < fields.size(); ++k) lines[i] += (k ? "/" : "") + fields[k];
    return {Joined(lines), std::to_string(i + 1) + " 行目を読めません。\n" + says};
}

// A whole file damaged inside so that it no longer adds up: the damaged
// bytes and what the refusal must say.
struct Damage {
    bool project;
    const char* what;
    std::function<std::pair<std::string, std::string>(std::vector<std::string>)> apply;
};

// A section of an earlier-edition file counting one record fewer than it
// has: the first section of 1..6 with records, or the last of the file.
std::pair<std::string, std::string> SectionShortByOne(std::vector<std::string> lines, bool last)
{
    std::size_t header = 0;
    for (std::size_t i = 1; i < lines.size();) {
        const std::string k = Field(lines[i], ',', 0);
        const int count = std::stoi(Field(lines[i], ',', 1));
        if (count > 0 && (last || std::stoi(k) <= 6)) {
            header = i;
            if (!last) break;
        }
        i += 1 + static_cast<std::size_t>(count) + (k == "10" ? 1 : 0);
    }
    const std::string k = Field(lines[header], ',', 0);
    const int count = std::stoi(Field(lines[header], ',', 1)) - 1;
    lines[header] = k + "," + std::to_string(count);
    const std::size_t stray = header + 1 + static_cast<std::size_t>(count) + (k == "10" ? 1 : 0);
    return {Joined(lines), std::to_string(stray + 1) + " 行目を読めません。\nセクションの先頭の行"};
}

const Damage Damages[] = {
    {true, "a layer's record missing",
     [](std::vector<std::string> lines) {
         std::size_t last = 0;
         for (std::size_t i = 0; i < lines.size(); ++i)
             if (lines[i].rfind("LAYER/", 0) == 0) last = i;
         const std::string layer = Field(lines[last], '/', 1);
         lines.erase(lines.begin() + static_cast<long>(last));
         std::size_t first = last;
         while (first + 1 < lines.size() && !(lines[first].rfind("DAT/", 0) == 0 && Field(lines[first], '/', 2) == layer && Field(lines[first], '/', 4) != "0")) ++first;
         return std::pair{Joined(lines), std::to_string(first + 1) + " 行目を読めません。\n要素のレイヤー " + layer + " は"};
     }},
    {true, "an element's key", [](std::vector<std::string> lines) { return MiddleElementWith(std::move(lines), 0, "DXT", "'DXT' は"); }},
    {true, "an element's kind",
     [](std::vector<std::string> lines) { return MiddleElementWith(std::move(lines), 4, "99", "'99' は要素の種類"); }},
    {false, "the first section counting one record fewer", [](std::vector<std::string> lines) { return SectionShortByOne(std::move(lines), false); }},
    {false, "the last section counting one record fewer", [](std::vector<std::string> lines) { return SectionShortByOne(std::move(lines), true); }},
};

} // namespace

TEST_F(ProjectCorpus, EveryBoardComesBackAsItWas)
{
    if (!fs::exists(corpusboards::Cad)) GTEST_SKIP() << "no corpus";
    int boards = 0;
    for (const auto& [name, files] : corpusboards::Boards()) {
        SCOPED_TRACE(name);
        if (!OpenBoard(files)) continue;   // out of range: nothing to save
        ++boards;
        core::ProjectBasics.Title = "基板/" + name;
        const Job before = TakeJob();
        const std::string project = (root / "job.tsn").string();
        core::WriteProjectFile(project);

        ClearAllData(true);
        MyOpenFiles again = MakeOpenList({project});
        ASSERT_EQ(OpenFileList(again), 1);
        Job after = TakeJob();
        EXPECT_EQ(after.basics.Title, core::SeparatorFreeText(before.basics.Title, '/'));
        after.basics.Title = before.basics.Title;
        ExpectSameJob(before, after);
    }
    EXPECT_GE(boards, 12);
}

// Every board saved as a project and exported as the earlier edition's file
// of its first layer, each cut at many places and added to the board: every
// cut is refused, saying the file ended early, and the board stays as it was;
// the whole files read. Opened by the open command, a cut file is named in
// its message. Damaged inside so that its counts still agree, a file is
// refused naming the line that does not fit.
TEST_F(ProjectCorpus, CutFilesAreRefusedAndTheJobStays)
{
    if (!fs::exists(corpusboards::Cad)) GTEST_SKIP() << "no corpus";
    AskReplaceOrAdd = [](const std::string&, const std::string&) {
        core::LayerTakeFlags[1] = 1;
        return 2;
    };
    struct Restore {
        ~Restore() { AskReplaceOrAdd = DefaultReplaceOrAdd; }
    } restore;
    int boards = 0;
    for (const auto& [name, files] : corpusboards::Boards()) {
        SCOPED_TRACE(name);
        // A board of many megabytes costs seconds a cut and shows nothing more.
        std::uintmax_t size = 0;
        for (const fs::path& f : files) size += fs::file_size(f);
        if (size > (8u << 20) || !OpenBoard(files)) continue;
        ++boards;
        const fs::path project = root / "job.tsn";
        core::WriteProjectFile(project.string());
        const std::vector<core::OldProjectFilePlan> plans = core::OldProjectFilePlans();
        ASSERT_FALSE(plans.empty());
        const std::string written[] = {platform::ReadFileBytes(project), core::OldProjectFileBytes(plans[0])};
        const Job before = TakeTables(false);
        const std::int32_t elements = core::DataCount;
        for (const bool isProject : {true, false}) {
            const std::string& bytes = written[isProject ? 0 : 1];
            const std::size_t firstLine = bytes.find('\n');
            std::string error;
            for (std::size_t cut : CutPoints(bytes)) {
                SCOPED_TRACE((isProject ? "tsn cut at " : "tso cut at ") + std::to_string(cut) + " of " + std::to_string(bytes.size()));
                ASSERT_FALSE(ReadCut(bytes, cut, isProject, error));
                // Within its first line a file is no such file at all.
                if (cut > firstLine) {
                    EXPECT_NE(error.find("途中で終わっています"), std::string::npos) << error;
                }
                ASSERT_EQ(core::DataCount, elements);
                ExpectSameJob(before, TakeTables(false));
            }

            const fs::path cutFile = root / (isProject ? "cut.tsn" : "cut.tso");
            platform::WriteFileBytes(cutFile, bytes.substr(0, std::max(bytes.size() * 15 / 100, firstLine + 2)));
            boxes.shown.clear();
            MyOpenFiles list = MakeOpenList({cutFile.string()});
            EXPECT_EQ(OpenFileList(list), 0);
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_NE(boxes.shown[0].text.find(cutFile.filename().string() + "：" + (isProject ? "プロジェクト" : "旧テッセル") + "ファイルが途中で終わっています"),
                      std::string::npos) << boxes.shown[0].text;
            EXPECT_EQ(core::DataCount, elements);
            ExpectSameJob(before, TakeTables(false));

            for (const Damage& d : Damages) {
                if (d.project != isProject) continue;
                SCOPED_TRACE(d.what);
                const auto [damaged, says] = d.apply(LinesOf(bytes));
                ASSERT_FALSE(ReadCut(damaged, damaged.size(), isProject, error));
                EXPECT_NE(error.find(says), std::string::npos) << error;
                ASSERT_EQ(core::DataCount, elements);
                ExpectSameJob(before, TakeTables(false));
            }

            const auto board = core::TakeSnapshot();
            EXPECT_TRUE(ReadCut(bytes, bytes.size(), isProject, error)) << error;
            EXPECT_GT(core::DataCount, elements);
            core::RestoreSnapshot(*board);
        }
    }
    EXPECT_GE(boards, 12);
}
