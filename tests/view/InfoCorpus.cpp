// The information balloon over every element of the corpus boards: the
// D-code line against the file's own aperture definitions, read from its
// text by this test, and each kind's lines, points and lengths against the
// element, the arcs' lengths measured here another way.
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "view/ReportTools.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "tests/main/CorpusBoards.h"
#include "tests/view/ViewFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <random>
#include <sstream>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

using corpusboards::Cad;

// One %ADD definition: template name and parameters in millimetres.
struct Definition {
    std::string name;
    std::vector<double> mm;
};

// The aperture definitions of an RS-274X text by D-code, the last one of a
// code standing; units from the MO before each.
std::map<int, Definition> ApertureDefinitions(const std::string& text)
{
    std::map<int, Definition> defs;
    bool inch = false;
    std::string block;
    for (const char ch : text) {
        // Blanks and line ends are no part of a block.
        if (ch == '\r' || ch == '\n' || ch == '%' || ch == ' ' || ch == '\t') continue;
        if (ch != '*') {
            block += ch;
            continue;
        }
        // Units from MO, or from the old unit codes G70 and G71.
        if (block == "MOIN" || block == "G70") inch = true;
        if (block == "MOMM" || block == "G71") inch = false;
        if (block.starts_with("ADD")) {
            std::size_t i = 3;
            while (i < block.size() && std::isdigit(static_cast<unsigned char>(block[i]))) ++i;
            const std::size_t comma = block.find(',', i);
            Definition d{block.substr(i, comma == std::string::npos ? std::string::npos : comma - i), {}};
            if (comma != std::string::npos) {
                std::stringstream params(block.substr(comma + 1));
                for (std::string p; std::getline(params, p, 'X');) d.mm.push_back(platform::ParseRealOr(p, 0) * (inch ? 25.4 : 1));
            }
            if (i > 3) defs[std::stoi(block.substr(3, i - 3))] = d;
        }
        block.clear();
    }
    return defs;
}

// The D-code line the balloon gives for a definition, and the size in it
// (NaN: none).
std::string ShapeWord(const Definition& d, double& size)
{
    size = std::nan("");
    const double s1 = d.mm.empty() ? 0 : d.mm[0], s2 = d.mm.size() > 1 ? d.mm[1] : 0;
    if (d.name == "C") return size = s1, "円形";
    if (d.name == "R") return std::fabs(s2 - s1) > 0.0004 ? "矩形" : (size = s1, "正方形");
    if (d.name == "O") return "オーバル";
    if (d.name == "P") return "";
    return "マクロ(" + d.name + ")";
}

void ParsePoint(const std::string& text, double& x, double& y)
{
    const std::size_t space = text.find(" Y");
    x = text.starts_with("X") && space != std::string::npos ? platform::ParseRealOr(text.substr(1, space - 1), std::nan("")) : std::nan("");
    y = space != std::string::npos ? platform::ParseRealOr(text.substr(space + 2), std::nan("")) : std::nan("");
}

std::vector<std::string> Labels(const std::vector<InfoPair>& pairs)
{
    std::vector<std::string> labels;
    for (const InfoPair& p : pairs) labels.push_back(p.Label);
    return labels;
}

// The lines each kind shows, in order.
const std::map<int, std::vector<std::string>>& KindLabels()
{
    static const std::map<int, std::vector<std::string>> labels = [] {
        const std::vector<std::string> line{"ファイル", "Dコード", "図形", "始点", "終点", "長さ"};
        const std::vector<std::string> arc{"ファイル", "Dコード", "図形", "始点", "終点", "中心", "半径", "弧の長さ"};
        const std::vector<std::string> drill{"ファイル", "ツール", "図形", "中心", "穴径"};
        return std::map<int, std::vector<std::string>>{
            {core::dkLine, line},       {core::dkRegionLine, line}, {core::dkArcCCW, arc},        {core::dkArcCW, arc},
            {core::dkRegionArcCCW, arc}, {core::dkRegionArcCW, arc}, {core::dkDrill, drill},
            {core::dkFlash, {"ファイル", "Dコード", "図形", "中心"}},
            {core::dkSquareStroke, {"ファイル", "Dコード", "図形", "点１", "点２", "点３", "点４", "長さ"}},
        };
    }();
    return labels;
}

// What failed, counted by kind of failure; the first few shown.
struct Misses {
    std::map<std::string, int> count;
    void Add(const std::string& what, const std::string& detail)
    {
        if (++count[what] <= 3) ADD_FAILURE() << what << ": " << detail;
    }
};

class InfoCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
        work = fs::temp_directory_path() / ("tessel2-info-" + std::to_string(std::random_device{}()));
        fs::create_directories(work);
    }
    void TearDown() override
    {
        viewtest::ResetAll();
        core::DataFolder.clear();
        std::error_code ec;
        fs::remove_all(work, ec);
    }
    // The file read alone as shown layer 1.
    bool Read(const fs::path& p, int kind)
    {
        viewtest::ResetAll();
        core::DataFolder = work.string();
        // Each file from the default format, as the first one read.
        core::GerberFormat = core::MyFormatPara{};
        core::DrillFormat = core::MyFormatPara{};
        core::Gauge gauge;
        core::MyDataValue v;
        try {
            if (!(kind == core::fkNcDrill ? core::ReadNcDrillFile(gauge, p.string(), 1, v) : core::ReadGerberFile(gauge, p.string(), 1, v)))
                return false;
        } catch (const platform::Error&) {
            return false;
        }
        viewtest::ShowLayer(1, platform::RGB(255, 0, 0));
        core::LayerTable[1].FileName = p.filename().string();
        return true;
    }
    fs::path work;
};

TEST_F(InfoCorpus, EveryElementAsItsFileAndKindSay)
{
    Misses misses;
    std::map<std::string, int> seen;
    std::vector<fs::path> files;
    for (const fs::path& top : {Cad, Cad.parent_path() / "features"})
        for (const auto& f : fs::recursive_directory_iterator(top))
            if (f.is_regular_file()) files.push_back(f.path());
    for (const fs::path& f : files) {
        const int kind = core::DetectFileType(f.string());
        if (kind != core::fkRS274X && kind != core::fkNcDrill) continue;
        if (!Read(f, kind)) continue;
        const std::string name = f.filename().string();
        // Internal code → the definition it holds (a definition moved to
        // another code by the reader is found there).
        std::map<int, Definition> byCode;
        for (const auto& [d, def] : ApertureDefinitions(platform::ReadFileBytes(f))) {
            const std::int32_t moved = core::ApertureMap[static_cast<std::size_t>(d)];
            byCode[moved > 0 ? moved : d] = def;
        }
        ++seen["files"];

        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            const auto labels = KindLabels().find(e.Kind);
            if (labels == KindLabels().end()) continue;
            const std::vector<InfoPair> info = PrimitiveInfo(e);
            const std::string where = name + " element " + std::to_string(i);
            if (Labels(info) != labels->second) {
                misses.Add("lines of kind " + std::to_string(e.Kind), where);
                continue;
            }
            if (info[0].Value != name) misses.Add("file", where + ": " + info[0].Value);
            const bool region = e.Kind == core::dkRegionLine || e.Kind == core::dkRegionArcCCW || e.Kind == core::dkRegionArcCW;
            const std::string figure = info[2].Value;

            if (e.Kind == core::dkDrill) {
                ++seen["drill hits"];
                const std::string tool = platform::FormatInt(e.Code);
                if (info[1].Value != (e.Code < 10 ? "T0" : "T") + tool) misses.Add("tool", where + ": " + info[1].Value);
                if (info[4].Value != core::Tools[static_cast<std::size_t>(e.Code)].Diameter)
                    misses.Add("hole size", where + ": " + info[4].Value);
                continue;
            }
            if (region) {
                ++seen[e.Clear ? "clear region edges" : "dark region edges"];
                if (info[1].Value != "なし(Polygon)") misses.Add("region code", where + ": " + info[1].Value);
                if (!figure.ends_with(e.Clear ? "(打抜き)" : "(塗潰し)")) misses.Add("region polarity", where + ": " + figure);
            } else {
                const auto def = byCode.find(e.Code);
                // A file that draws with a code it never defines (one is
                // broken on purpose) is not the balloon's to explain.
                if (def == byCode.end()) {
                    ++seen["undefined D-codes"];
                    continue;
                }
                double size = 0;
                const std::string word = ShapeWord(def->second, size);
                const std::string head = "D" + platform::FormatInt(e.Code) + " " + word;
                const std::string& text = info[1].Value;
                if (!text.starts_with(head)) {
                    misses.Add("D-code line", where + ": " + text + " for " + def->second.name);
                } else if (!std::isnan(size)) {
                    // The size after one blank; inch sizes are kept to 0.1 µm.
                    const double shown = platform::ParseRealOr(text.substr(head.size() + 1), std::nan(""));
                    if (!(std::fabs(shown - size) <= 5e-5 + 1e-9)) misses.Add("aperture size", where + ": " + text);
                }
                const std::string& t = def->second.name;
                ++seen["D-codes " + (t == "C" || t == "R" || t == "O" || t == "P" ? t : std::string("macro"))];
                if (figure.ends_with("(塗潰し)") || (figure.ends_with("(打抜き)") != (e.Clear == 1)))
                    misses.Add("polarity", where + ": " + figure);
            }

            // Lengths to 0.1 µm, corners to 1 µm.
            const double length = std::hypot(e.X2 - e.X1, e.Y2 - e.Y1);
            switch (e.Kind) {
            case core::dkFlash: ++seen["flashes"]; break;
            case core::dkSquareStroke: {
                ++seen["square strokes"];
                const double corners[4][2] = {{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}, {e.X4, e.Y4}};
                for (std::size_t k = 0; k < 4; ++k) {
                    double x = 0, y = 0;
                    ParsePoint(info[3 + k].Value, x, y);
                    if (!(std::fabs(x - corners[k][0]) <= 5e-4 + 1e-9 && std::fabs(y - corners[k][1]) <= 5e-4 + 1e-9))
                        misses.Add("stroke corner", where + ": " + info[3 + k].Value);
                }
                if (!(std::fabs(platform::ParseRealOr(info[7].Value, -1) - length) <= 5e-5 + 1e-9)) misses.Add("stroke length", where + ": " + info[7].Value);
                break;
            }
            case core::dkLine:
            case core::dkRegionLine:
                ++seen["lines"];
                if (!figure.starts_with("直線")) misses.Add("line figure", where + ": " + figure);
                if (!(std::fabs(platform::ParseRealOr(info[5].Value, -1) - length) <= 5e-5 + 1e-9)) misses.Add("line length", where + ": " + info[5].Value);
                break;
            default: {
                ++seen["arcs"];
                const bool ccw = e.Kind == core::dkArcCCW || e.Kind == core::dkRegionArcCCW;
                if (!figure.starts_with(ccw ? "円弧(CCW)" : "円弧(CW)")) misses.Add("arc figure", where + ": " + figure);
                if (!(std::fabs(platform::ParseRealOr(info[6].Value, -1) - e.X4) <= 5e-4 + 1e-9)) misses.Add("radius", where + ": " + info[6].Value);
                // The sweep from the angles of the two ends, the arc's way round.
                double sweep = std::atan2(e.Y2 - e.Y3, e.X2 - e.X3) - std::atan2(e.Y1 - e.Y3, e.X1 - e.X3);
                if (!ccw) sweep = -sweep;
                if (sweep < 0) sweep += 2 * std::numbers::pi;
                const double shown = platform::ParseRealOr(info[7].Value, -1);
                // Ends within a micrometre of an axis are taken on it: up
                // to a micrometre of arc at either end. An arc whose end is
                // its centre has no length to check.
                const bool onCircle = std::fabs(std::hypot(e.X2 - e.X3, e.Y2 - e.Y3) - e.X4) < 0.01;
                if (onCircle && !(std::fabs(shown - e.X4 * sweep) <= 5e-4 + 0.0021)) misses.Add("arc length", where + ": " + info[7].Value);
                break;
            }
            }
        }
    }
    for (const auto& [what, n] : seen) std::printf("%-24s %d\n", what.c_str(), n);
    EXPECT_TRUE(misses.count.empty());
    EXPECT_GE(seen["files"], 50);
    for (const char* what : {"D-codes C", "D-codes R", "D-codes O", "D-codes macro", "flashes", "lines", "arcs", "dark region edges",
                             "drill hits"})
        EXPECT_GT(seen[what], 0) << what;
}

} // namespace
