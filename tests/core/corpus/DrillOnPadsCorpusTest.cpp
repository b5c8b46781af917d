// The holes of each board's drill file lie on pads of its copper layers:
// with the drill format the file was written in, at least 95% of the hits are
// within 0.05 mm of a pad centre.
#include "core/GerberReader.h"
#include "tests/PrivateHome.h"
#include "core/NcDrillReader.h"

#include "platform/NumberText.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

using namespace core;
namespace fs = std::filesystem;

namespace {

const fs::path Corpus = TESSEL2_CORPUS;

struct Point {
    double x, y;
};

// Pad centres of an RS-274X copper layer, read on their own: every flash,
// the middle of every short straight stroke (tools that draw oblong pads as a
// stroke of a round aperture) and of every small region (pads drawn as
// outlines). Absolute coordinates, FS and MO only.
std::vector<Point> PadCentres(const fs::path& file)
{
    std::string bytes = platform::ReadFileBytes(file);
    std::vector<Point> pads;
    int intDigits = 2, decDigits = 4;
    bool leading = true;
    double scale = 1.0;
    double x = 0, y = 0;
    int op = 2, interpolation = 1;
    bool region = false;
    std::string block;
    // A small region is a pad drawn as an outline: its box's middle.
    std::vector<Point> contour;
    auto closeContour = [&] {
        if (contour.size() >= 3) {
            double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
            for (const Point& p : contour) {
                x0 = std::min(x0, p.x);
                x1 = std::max(x1, p.x);
                y0 = std::min(y0, p.y);
                y1 = std::max(y1, p.y);
            }
            if (x1 - x0 < 5.0 && y1 - y0 < 5.0) pads.push_back({(x0 + x1) / 2, (y0 + y1) / 2});
        }
        contour.clear();
    };
    auto value = [&](const std::string& text) {
        std::string t = text;
        bool negative = !t.empty() && t[0] == '-';
        if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.erase(0, 1);
        if (t.find('.') == std::string::npos) {
            if (leading) {
                while (static_cast<int>(t.size()) <= decDigits) t.insert(t.begin(), '0');
                t.insert(t.size() - static_cast<std::size_t>(decDigits), ".");
            } else {
                while (static_cast<int>(t.size()) < intDigits) t.push_back('0');
                t.insert(static_cast<std::size_t>(intDigits), ".");
            }
        }
        double v = platform::ParseRealOr(t, 0.0) * scale;
        return negative ? -v : v;
    };
    auto word = [&](char letter, std::string& out) {
        std::size_t p = block.find(letter);
        if (p == std::string::npos) return false;
        std::size_t e = p + 1;
        while (e < block.size() && (std::isdigit(static_cast<unsigned char>(block[e])) || block[e] == '-' ||
                                    block[e] == '+' || block[e] == '.'))
            ++e;
        out = block.substr(p + 1, e - p - 1);
        return !out.empty();
    };
    for (char c : bytes) {
        if (c == '\r' || c == '\n' || c == '%') continue;
        if (c != '*') {
            block.push_back(c);
            continue;
        }
        if (block.rfind("FS", 0) == 0 && block.size() >= 7) {
            leading = block[2] == 'L';
            intDigits = block[5] - '0';
            decDigits = block[6] - '0';
        } else if (block == "MOIN" || block == "G70") {
            scale = 25.4;
        } else if (block == "MOMM" || block == "G71") {
            scale = 1.0;
        } else if (block.rfind("G04", 0) != 0 && block.rfind("AM", 0) != 0 && block.rfind("AD", 0) != 0 &&
                   block.rfind("T", 0) != 0) {
            std::string w;
            if (word('G', w)) {
                int g = std::atoi(w.c_str());
                if (g == 1 || g == 2 || g == 3) interpolation = g;
                if (g == 36) {
                    region = true;
                    contour.clear();
                }
                if (g == 37) {
                    closeContour();
                    region = false;
                }
            }
            std::string d;
            bool flash = false;
            if (word('D', d) && std::atoi(d.c_str()) <= 3) {
                op = std::atoi(d.c_str());
                flash = op == 3;  // also without coordinates: at the current point
            }
            double nx = x, ny = y;
            bool moved = false;
            if (word('X', w)) { nx = value(w); moved = true; }
            if (word('Y', w)) { ny = value(w); moved = true; }
            if (flash || (moved && op == 3)) pads.push_back({nx, ny});
            if (region && moved && op == 2) closeContour();
            if (region && moved) contour.push_back({nx, ny});
            if (moved) {
                if (op == 1 && interpolation == 1 && !region && std::hypot(nx - x, ny - y) < 3.0)
                    pads.push_back({(x + nx) / 2, (y + ny) / 2});
                x = nx;
                y = ny;
            }
        }
        block.clear();
    }
    return pads;
}

struct Board {
    const char* drill;
    std::vector<const char*> copper;
    const char* numberFormat;
    int zero;   // 0 leading zeros omitted, 1 trailing
    int units;  // 0 mm, 1 inch
    // These test boards offset some pads from their holes on purpose.
    double share = 0.95;
};

const Board Boards[] = {
    {"eagle-newer/drills.xln", {"eagle-newer/copper_top.gbr", "eagle-newer/copper_bottom.gbr"}, "000.000", 0, 0},
    {"upverter/design_export.drl", {"upverter/design_export.gtl", "upverter/design_export.gbl"}, "000.000", 0, 0},
    {"geda/controller.plated-drill.cnc", {"geda/controller.top.gbr", "geda/controller.bottom.gbr"}, "00.0000", 0, 1},
    {"geda/driver.plated-drill.cnc", {"geda/driver.top.gbr", "geda/driver.bottom.gbr"}, "00.0000", 0, 1},
    {"kicad-older/chibi_2024.drl", {"kicad-older/chibi_2024-F.Cu.gbr", "kicad-older/chibi_2024-B.Cu.gbr"}, "000.000", 0, 1},
    {"diptrace/mainboard.drl", {"diptrace/mainboard_Top.gbr", "diptrace/mainboard_Bottom.gbr"}, "00.0000", 0, 1},
    {"diptrace/keyboard.drl", {"diptrace/keyboard_Bottom.gbr"}, "00.0000", 0, 1},
    {"diptrace/panel.drl", {"diptrace/panel_Bottom.gbr"}, "0000.00", 0, 0},
    {"kicad-x2-tests/x2ap/Flashpads-PTH.drl", {"kicad-x2-tests/x2ap/Flashpads-F_Cu.gbr", "kicad-x2-tests/x2ap/Flashpads-B_Cu.gbr"}, "000.000", 0, 0, 0.9},
    {"kicad-x2-tests/nox2noap/Flashpads-PTH.drl", {"kicad-x2-tests/nox2noap/Flashpads-F_Cu.gbr", "kicad-x2-tests/nox2noap/Flashpads-B_Cu.gbr"}, "000.000", 0, 0, 0.9},
    {"kicad-x2-tests/x2noap/Flashpads-PTH.drl", {"kicad-x2-tests/x2noap/Flashpads-F_Cu.gbr", "kicad-x2-tests/x2noap/Flashpads-B_Cu.gbr"}, "000.000", 0, 0, 0.9},
    {"kicad-x2-tests/nox2ap/Flashpads-PTH.drl", {"kicad-x2-tests/nox2ap/Flashpads-F_Cu.gbr", "kicad-x2-tests/nox2ap/Flashpads-B_Cu.gbr"}, "000.000", 0, 0, 0.9},
    {"easyeda/Gerber_Drill_PTH.DRL", {"easyeda/Gerber_TopLayer.GTL", "easyeda/Gerber_BottomLayer.GBL"}, "00.0000", 1, 1},
    {"altium-composite-drill/NC Drill/LimeSDR-QPCIe_1v2-RoundHoles.TXT",
     {"altium-composite-drill/Gerber/LimeSDR-QPCIe_1v2.GTL", "altium-composite-drill/Gerber/LimeSDR-QPCIe_1v2.GBL"}, "0000.0000", 1, 0},
};

// Reads the board's drill file into empty tables and counts its hits within
// 0.05 mm of a pad. A tool none of whose holes has a pad drills the
// non-plated (mounting) holes: those are not counted.
void ExpectHitsOnPads(const Board& board, const std::vector<Point>& pads)
{
    Gauge gauge;
    ResetTables();
    DrillFormat = MyFormatPara{};
    DrillFormat.NumberFormat = board.numberFormat;
    DrillFormat.Zero = board.zero;
    DrillFormat.Units = board.units;
    MyDataValue value;
    ASSERT_TRUE(ReadNcDrillFile(gauge, (Corpus / "cad" / board.drill).string(), 1, value));
    std::vector<char> onPad(static_cast<std::size_t>(DataCount), 0);
    std::array<int, MaxToolCode + 1> padsOfTool{};
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        for (const Point& p : pads) {
            if (std::hypot(p.x - e.X3, p.y - e.Y3) <= 0.05) {
                onPad[static_cast<std::size_t>(i)] = 1;
                padsOfTool[static_cast<std::size_t>(e.Code)] += 1;
                break;
            }
        }
    }
    int counted = 0, near = 0;
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        if (padsOfTool[static_cast<std::size_t>(e.Code)] == 0) continue;
        counted += 1;
        near += onPad[static_cast<std::size_t>(i)];
    }
    ASSERT_GT(counted, DataCount / 2);
    std::printf("%-66s %5d hits %5d on pads of %5d\n", board.drill, DataCount, near, counted);
    EXPECT_GE(static_cast<double>(near) / counted, board.share);
}

TEST(DrillOnPadsCorpus, HitsLieOnPads)
{
    for (const Board& board : Boards) {
        SCOPED_TRACE(board.drill);
        std::vector<Point> pads;
        for (const char* copper : board.copper) {
            std::vector<Point> p = PadCentres(Corpus / "cad" / copper);
            pads.insert(pads.end(), p.begin(), p.end());
        }
        ExpectHitsOnPads(board, pads);
    }
}

// Pad centres of the copper layers as the Gerber reader reads them: flashes,
// the middles of short straight strokes and the middles of small regions.
std::vector<Point> PadCentresOfElements()
{
    std::vector<Point> pads;
    std::map<std::pair<int, int>, std::array<double, 4>> regions;  // (layer, group) -> box
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        switch (e.Kind) {
        case dkFlash:
            pads.push_back({e.X3, e.Y3});
            break;
        case dkLine:
            if (std::hypot(e.X2 - e.X1, e.Y2 - e.Y1) < 3.0) pads.push_back({(e.X1 + e.X2) / 2, (e.Y1 + e.Y2) / 2});
            break;
        case dkSquareStroke:
            if (std::hypot(e.X3 - e.X1, e.Y3 - e.Y1) < 4.0)
                pads.push_back({(e.X1 + e.X2 + e.X3 + e.X4) / 4, (e.Y1 + e.Y2 + e.Y3 + e.Y4) / 4});
            break;
        case dkRegionLine: {
            auto [it, added] = regions.try_emplace({e.Layer, e.Group}, std::array<double, 4>{1e9, -1e9, 1e9, -1e9});
            std::array<double, 4>& b = it->second;
            for (auto [x, y] : {std::pair{e.X1, e.Y1}, std::pair{e.X2, e.Y2}}) {
                b[0] = std::min(b[0], x);
                b[1] = std::max(b[1], x);
                b[2] = std::min(b[2], y);
                b[3] = std::max(b[3], y);
            }
            break;
        }
        default:
            break;
        }
    }
    for (const auto& [key, b] : regions)
        if (b[1] - b[0] < 5.0 && b[3] - b[2] < 5.0) pads.push_back({(b[0] + b[1]) / 2, (b[2] + b[3]) / 2});
    return pads;
}

TEST(DrillOnPadsCorpus, HitsLieOnPadsReadByTheGerberReader)
{
    fs::path work = tessel2test::PrivateFolder() / ("tessel2-pads-" + std::to_string(::getpid()));
    fs::create_directories(work);
    DataFolder = work.string();
    Gauge gauge;
    for (const Board& board : Boards) {
        SCOPED_TRACE(board.drill);
        ResetTables();
        GerberFormat = MyFormatPara{};
        int layer = 0;
        for (const char* copper : board.copper) {
            MyDataValue value;
            ASSERT_TRUE(ReadGerberFile(gauge, (Corpus / "cad" / copper).string(), ++layer, value)) << copper;
        }
        ExpectHitsOnPads(board, PadCentresOfElements());
    }
    std::error_code ec;
    fs::remove_all(work, ec);
}

} // namespace
