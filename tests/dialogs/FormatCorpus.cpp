// Real boards opened through the open command with their formats confirmed
// on the dialog's page: RS-274X layers turned into RS-274D files with an
// aperture list are drawn exactly as the originals; the older RS-274D board
// opens with its list; a drill file written in each zero mode and unit reads
// to the same hits. An aperture edited in the Gerber tab's table redraws a
// real board only where its D-code is used.
#include "core/Geometry.h"
#include "core/GerberReader.h"
#include "core/ProgramSettings.h"
#include "core/TextHelpers.h"
#include "main/OpenCommands.h"
#include "platform/NumberText.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/dialogs/ParaDriver.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>

namespace fs = std::filesystem;
using namespace paratest;

namespace {

const fs::path Corpus = TESSEL2_CORPUS;

// What the user sets on the confirmation page: (item, choice) picks and
// (item, text) offsets, then "OK".
struct Confirmation {
    std::vector<std::pair<int, std::string>> picks;
    std::vector<std::pair<int, std::string>> typed;
};

class FormatCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("tessel2-formats-" + std::to_string(std::random_device{}()));
        fs::create_directories(root / "home" / "DATA");
        fs::create_directories(root / "data");
        setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
        platform::ResetProgramFolder();
        core::DataFolder = (root / "home" / "DATA").string();
        mainwin::ShellOpenFile = [](const std::string&) { return true; };
        mainwin::ConfirmFormats = [this](const std::string& mode) {
            modes.push_back(mode);
            Show(mode);
            for (const auto& [item, choice] : confirm.picks) EXPECT_TRUE(Pick(item, choice)) << item << " " << choice;
            for (const auto& [item, text] : confirm.typed) Type(item, text);
            dialogs::ButtonClick(dialogs::ParaButton::sw1);
            return !dialogs::ParaRequest.Cancelled;
        };
        boxes.positiveByDefault = false;   // the aperture report is not shown
        mainwin::ClearAllData(true);
    }
    void TearDown() override
    {
        mainwin::ConfirmFormats = [](const std::string&) { return true; };
        std::error_code ec;
        fs::remove_all(root, ec);
        platform::ResetProgramFolder();
    }
    int Open(const fs::path& file)
    {
        mainwin::MyOpenFiles list = mainwin::MakeOpenList({file.string()});
        return mainwin::OpenFileListRun(list);
    }
    // The loaded data fitted to a 1000 × 800 picture.
    std::vector<std::uint32_t> Draw()
    {
        mainwin::ClientWidth = 1000;
        mainwin::ClientHeight = 800;
        mainwin::FitViewExtents();
        mainwin::SetViewZoom(false, 0, 0, -1.0);
        mainwin::RedrawView();
        const platform::RasterCanvas& p = mainwin::Picture();
        return {p.Bits(), p.Bits() + static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height())};
    }

    fs::path root;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
    Confirmation confirm;
    std::vector<std::string> modes;
};

// ------------------------------------------------------------- RS-274D

// An RS-274X layer this program can read as RS-274D: leading zeros omitted,
// 2 to 5 decimals, and nothing an aperture list or the format page cannot
// say (macros, holes in apertures, clear polarity, step and repeat; no file
// here has an offset).
struct Layer274X {
    fs::path file;
    bool inch = false, incremental = false;
    int decimals = 0;
};

bool AsRS274D(const fs::path& file, Layer274X& layer)
{
    if (core::DetectFileType(file.string()) != core::fkRS274X) return false;
    const std::string bytes = platform::ReadFileBytes(file);
    std::smatch m;
    static const std::regex fsBlock("%FS([LT])([AI])X(\\d)(\\d)Y\\d\\d\\*%");
    if (!std::regex_search(bytes, m, fsBlock) || m[1] != "L") return false;
    layer.file = file;
    layer.incremental = m[2] == "I";
    layer.decimals = std::stoi(m[4]);
    if (layer.decimals < 2 || layer.decimals > 5) return false;
    layer.inch = bytes.find("%MOIN") != std::string::npos;
    for (const char* unsaid : {"%LPC", "%SR", "%OF"})
        if (bytes.find(unsaid) != std::string::npos) return false;
    static const std::regex apertures("%ADD\\d+([^,*]+)(,[^*]*)?\\*");
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), apertures); it != std::sregex_iterator(); ++it) {
        const std::string shape = (*it)[1], params = (*it)[2];
        const auto xs = std::count(params.begin(), params.end(), 'X');
        if (shape == "C" ? xs > 0 : shape == "R" || shape == "O" ? xs > 1 : shape == "P" ? xs > 2 : true) return false;
    }
    return true;
}

// The file without its parameter blocks and comments: the data blocks of
// RS-274D. (Comments go whole: attributes written into them carry "%".)
std::string DataBlocks(const std::string& bytes)
{
    std::string out;
    bool parameter = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        const std::string_view line(bytes.data() + start, end - start);
        start = end;
        if (!parameter && line.substr(0, 3) == "G04") continue;
        for (char c : line) {
            if (c == '%') parameter = !parameter;
            else if (!parameter) out.push_back(c);
        }
    }
    return out;
}

TEST_F(FormatCorpus, RS274DWithApertureListsDrawAsTheirRS274XOriginals)
{
    std::vector<Layer274X> layers;
    for (const auto& f : fs::recursive_directory_iterator(Corpus / "cad")) {
        Layer274X layer;
        if (f.is_regular_file() && AsRS274D(f.path(), layer)) layers.push_back(layer);
    }
    std::sort(layers.begin(), layers.end(), [](const Layer274X& a, const Layer274X& b) { return a.file < b.file; });
    std::set<std::pair<bool, int>> forms;
    int compared = 0;
    for (const Layer274X& layer : layers) {
        SCOPED_TRACE(layer.file.string());
        // The RS-274D form (flashes alone, as drill data written as Gerber,
        // read as a drill file: not one of them).
        const fs::path plain = root / "data" / (layer.file.stem().string() + ".gbr");
        platform::WriteFileBytes(plain, DataBlocks(platform::ReadFileBytes(layer.file)));
        if (core::DetectFileType(plain.string()) != core::fkRS274D) continue;
        // The original (a layer without elements is no picture), and its
        // apertures as an aperture list.
        mainwin::ClearAllData(true);
        modes.clear();
        if (Open(layer.file) != 1) continue;
        EXPECT_TRUE(modes.empty());
        forms.insert({layer.inch, layer.decimals});
        ++compared;
        const std::vector<std::uint32_t> original = Draw();
        ASSERT_TRUE(std::any_of(original.begin(), original.end(), [](std::uint32_t p) { return (p & 0xFFFFFFu) != 0; }));
        const core::MyExtents extents = core::Extents;
        const fs::path list = root / "data" / "apertures.txt";
        core::WriteDcodeList(list.string(), core::Apertures, core::MaxDCode, "APERTURE LIST");

        // The list read first (the Gerber tab's "開く"), then the file
        // opened with its format confirmed on the page.
        mainwin::ClearAllData(true);
        ASSERT_TRUE(core::ReadDcodeList(list.string(), core::Apertures, core::MaxDCode));
        confirm.picks = {{GerberItems.zero, "Omit Leading"},
                         {GerberItems.numberFormat, "000." + std::string(static_cast<std::size_t>(layer.decimals), '0')},
                         {GerberItems.units, layer.inch ? "inch" : "mm"},
                         {GerberItems.absInc, layer.incremental ? "INC" : "ABS"}};
        ASSERT_EQ(Open(plain), 1) << (boxes.shown.empty() ? std::string() : boxes.shown.back().text);
        EXPECT_EQ(modes, (std::vector<std::string>{"Format274D"}));
        EXPECT_EQ(core::LayerTable[1].FileKind, core::fkRS274D);
        // Sizes pass through the list's text: the same to the last unit or so.
        EXPECT_DOUBLE_EQ(core::Extents.MinX, extents.MinX);
        EXPECT_DOUBLE_EQ(core::Extents.MaxY, extents.MaxY);
        const std::vector<std::uint32_t> converted = Draw();
        ASSERT_EQ(converted.size(), original.size());
        std::size_t differ = 0;
        for (std::size_t i = 0; i < original.size(); ++i) differ += original[i] != converted[i];
        EXPECT_EQ(differ, 0u);
    }
    std::printf("%d layers drawn alike as RS-274X and RS-274D\n", compared);
    EXPECT_GE(compared, 15);
    // Inch and millimetre files, with 3, 4 and 5 decimals.
    EXPECT_TRUE(forms.count({true, 4}) && forms.count({true, 5}) && forms.count({false, 3}) && forms.count({false, 4}));
}

// The D-codes that begin a line of an aperture list.
std::set<int> ListedCodes(const fs::path& list)
{
    std::set<int> codes;
    static const std::regex line("^\\s*D(\\d{2,3})[ \\t,]", std::regex::multiline);
    const std::string bytes = platform::ReadFileBytes(list);
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), line); it != std::sregex_iterator(); ++it)
        codes.insert(std::stoi((*it)[1]));
    return codes;
}

TEST_F(FormatCorpus, OlderBoardsOpenWithTheirApertureLists)
{
    const fs::path boards = Corpus / "features" / "boards";
    // RS-274D with a list from its CAM tool: 2.3 inch, leading zeros omitted.
    const fs::path gap = boards / "ekf" / "ekf.gap";
    ASSERT_TRUE(core::ReadDcodeList(gap.string(), core::Apertures, core::MaxDCode));
    confirm.picks = {{GerberItems.units, "inch"}, {GerberItems.numberFormat, "000.000"}};
    ASSERT_EQ(Open(boards / "ekf" / "l1.off"), 1);
    EXPECT_EQ(modes, (std::vector<std::string>{"Format274D"}));
    const std::set<int> listed = ListedCodes(gap);
    std::set<int> used;
    for (std::int32_t i = 0; i < core::DataCount; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        if (e.Kind != core::dkSection && e.Code > 0) used.insert(e.Code);
    }
    ASSERT_FALSE(used.empty());
    for (int d : used) EXPECT_TRUE(listed.count(d)) << "D" << d;

    // Boards whose lists are their own AD blocks open without a question.
    for (const char* file : {"trailing/cd1r2.1_sieb0.off", "trailing/cd1r2.1_sieb1.off", "thermal/bpB.GP1", "thermal/dsp.GP1"}) {
        SCOPED_TRACE(file);
        modes.clear();
        mainwin::ClearAllData(true);
        ASSERT_EQ(Open(boards / file), 1);
        EXPECT_TRUE(modes.empty());
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Kind == core::dkSection || e.Kind >= core::dkRegionLine || e.Code <= 0) continue;
            ASSERT_GE(core::Apertures[static_cast<std::size_t>(e.Code)].Shape, 0) << "D" << e.Code;
        }
    }
}

// ----------------------------------------------------------- apertures

// The pixels the elements drawn with D-code d may cover, under the view of
// the last Draw, a pixel of slack around each.
std::vector<bool> PixelsOf(int d, int width, int height)
{
    std::vector<bool> mask(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::int32_t i = 0; i < core::DataCount; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        core::MyBox box;
        if (e.Code != d || e.Kind == core::dkDrill || e.Kind >= core::dkRegionLine || !core::ElementBox(e, box)) continue;
        const platform::Rect r = mainwin::DataRectToScreen(box[0], box[1], box[2], box[3]);
        for (int y = std::max(r.top - 2, 0); y <= std::min(r.bottom + 2, height - 1); ++y)
            for (int x = std::max(r.left - 2, 0); x <= std::min(r.right + 2, width - 1); ++x)
                mask[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = true;
    }
    return mask;
}

TEST_F(FormatCorpus, ApertureEditedInTheTableRedrawsOnlyWhereItIsUsed)
{
    int edits = 0;
    for (const char* name : {"diptrace/mainboard_Top.gbr", "fusion360/copper_top.gbr", "eagle-newer/copper_top.gbr"}) {
        SCOPED_TRACE(name);
        mainwin::ClearAllData(true);
        ASSERT_EQ(Open(Corpus / "cad" / name), 1);
        const std::vector<std::uint32_t> before = Draw();
        // The D-code of each shape that draws the most elements.
        std::map<int, int> uses;
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Kind != core::dkSection && e.Kind < core::dkDrill && core::ValidApertureCode(e.Code)) ++uses[e.Code];
        }
        std::map<int, std::pair<int, int>> busiest;   // shape → (uses, D-code)
        for (const auto& [d, n] : uses) {
            const int shape = core::Apertures[static_cast<std::size_t>(d)].Shape;
            if (shape >= core::apCircle && shape < core::apMacro && n > busiest[shape].first) busiest[shape] = {n, d};
        }
        for (const auto& [shape, busy] : busiest) {
            const int d = busy.second;
            SCOPED_TRACE("D" + std::to_string(d));
            core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
            const core::MyAperture saved = a;
            // Half as large again, typed into its size cell; the dialog closed.
            ShowTab(2);
            ClickCell(2, RowOf(d));
            ASSERT_TRUE(dialogs::Para.Edit2.Visible);
            dialogs::Edit2Change(platform::FormatReal(core::RoundTo(5, saved.Size1 * 1.5)));
            dialogs::ButtonClick(dialogs::ParaButton::sw2);
            ASSERT_NEAR(a.Size1, saved.Size1 * 1.5, 1e-5);
            const std::vector<std::uint32_t> after = Draw();
            // Where the larger aperture reaches: the old one lies within.
            const std::vector<bool> allowed = PixelsOf(d, 1000, 800);
            std::size_t differ = 0, outside = 0;
            for (std::size_t i = 0; i < before.size(); ++i) {
                if (before[i] == after[i]) continue;
                ++differ;
                outside += !allowed[i];
            }
            EXPECT_GT(differ, 0u);
            EXPECT_EQ(outside, 0u);
            // Given back its size, the board is drawn as it was.
            a = saved;
            EXPECT_TRUE(Draw() == before);
            ++edits;
        }
    }
    // Circles, rectangles, ovals and polygons.
    EXPECT_GE(edits, 7);
}

// ---------------------------------------------------------------- drill

struct Hit {
    int tool;
    double x, y;
};

std::vector<Hit> Hits()
{
    std::vector<Hit> hits;
    for (std::int32_t i = 0; i < core::DataCount; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        if (e.Kind == core::dkDrill) hits.push_back({e.Code, e.X3, e.Y3});
    }
    return hits;
}

// A coordinate in whole units of the last decimal, leading zeros omitted
// ("-25679") or trailing zeros omitted with 3 integer digits ("025679" →
// "025679", 100.000 → "1").
std::string DrillNumber(double value, int decimals, bool trailingOmitted)
{
    const long long units = std::llround(value * std::pow(10.0, decimals));
    std::string digits = platform::FormatInt(std::llabs(units));
    if (trailingOmitted) {
        digits.insert(0, static_cast<std::size_t>(std::max<int>(0, 3 + decimals - static_cast<int>(digits.size()))), '0');
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    }
    return (units < 0 ? "-" : "") + digits;
}

TEST_F(FormatCorpus, DrillFilesInEachZeroModeAndUnitReadToTheSameHits)
{
    // The board's own file in its own format: 3.3 millimetres, leading zeros omitted.
    confirm.picks = {{DrillItems.zero, "Trailing Zero"}, {DrillItems.numberFormat, "000.000"}, {DrillItems.units, "mm"}};
    ASSERT_EQ(Open(Corpus / "cad" / "eagle-newer" / "drills.xln"), 1);
    EXPECT_EQ(modes, (std::vector<std::string>{"FormatNC"}));
    const std::vector<Hit> reference = Hits();
    ASSERT_GE(reference.size(), 20u);

    const struct {
        bool inch, trailingOmitted;
        const char* numberFormat;
        int decimals;
        double tolerance;   // half the last unit, in mm
    } forms[] = {
        {false, false, "000.000", 3, 0.0005},
        {false, true, "000.000", 3, 0.0005},
        {true, false, "000.0000", 4, 0.0013},
        {true, true, "000.00000", 5, 0.00013},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(std::string(f.inch ? "inch " : "mm ") + (f.trailingOmitted ? "leading zeros kept " : "") + f.numberFormat);
        std::string text = "M48\n";
        std::set<int> tools;
        for (const Hit& h : reference) tools.insert(h.tool);
        for (int t : tools) text += "T" + std::to_string(t) + "C" + (f.inch ? "0.04" : "1.0") + "\n";
        text += "%\n";
        int tool = 0;
        for (const Hit& h : reference) {
            if (h.tool != tool) text += "T" + std::to_string(tool = h.tool) + "\n";
            const double scale = f.inch ? 1.0 / 25.4 : 1.0;
            text += "X" + DrillNumber(h.x * scale, f.decimals, f.trailingOmitted) + "Y" +
                    DrillNumber(h.y * scale, f.decimals, f.trailingOmitted) + "\n";
        }
        text += "M30\n";
        const fs::path file = root / "data" / "board.drl";
        platform::WriteFileBytes(file, text);

        mainwin::ClearAllData(true);
        modes.clear();
        confirm.picks = {{DrillItems.zero, f.trailingOmitted ? "Leading Zero" : "Trailing Zero"},
                         {DrillItems.numberFormat, f.numberFormat},
                         {DrillItems.units, f.inch ? "inch" : "mm"}};
        ASSERT_EQ(Open(file), 1);
        EXPECT_EQ(modes, (std::vector<std::string>{"FormatNC"}));
        const std::vector<Hit> hits = Hits();
        ASSERT_EQ(hits.size(), reference.size());
        for (std::size_t i = 0; i < hits.size(); ++i) {
            EXPECT_EQ(hits[i].tool, reference[i].tool) << i;
            EXPECT_NEAR(hits[i].x, reference[i].x, f.tolerance) << i;
            EXPECT_NEAR(hits[i].y, reference[i].y, f.tolerance) << i;
        }
    }
}

} // namespace
