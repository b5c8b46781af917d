// Snapping on the corpus boards: with flashes and holes snapping to their
// centre, the pointer on each flash and hole written in a file snaps back to
// exactly that point. The points are read from the files here, by a reader
// of this test's own.
#include "core/ElementGrid.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "view/Picking.h"
#include "platform/Error.h"
#include "tests/view/ViewFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;
using namespace mainwin;
using core::MyPoint;

namespace {

const fs::path Cad = fs::path(TESSEL2_CORPUS) / "cad";

std::string Bytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The points a file flashes or drills, in mm; empty `ok` when it uses what
// this reader does not follow (incremental coordinates, step-and-repeat,
// image transforms, drill coordinates without a decimal point).
struct Points {
    bool ok = true;
    bool inch = false;   // drill files: the units the user confirms before reading
    std::vector<MyPoint> at;
};

// A number of a word from `i` on: sign, digits, perhaps a point.
std::string Word(const std::string& b, std::size_t& i)
{
    const std::size_t start = i;
    if (i < b.size() && (b[i] == '+' || b[i] == '-')) ++i;
    while (i < b.size() && (std::isdigit(static_cast<unsigned char>(b[i])) || b[i] == '.')) ++i;
    return b.substr(start, i - start);
}

// RS-274X: format and units from FS and MO (or G70 / G71), then every D03
// at the coordinates it leaves, modal coordinates and operation.
Points GerberFlashes(const std::string& text)
{
    Points out;
    int intDigits = 2, decDigits = 4;
    bool leading = true, inch = false;
    double x = 0, y = 0;
    int op = 0;
    auto value = [&](std::string w) {
        double v = 0;
        if (w.find('.') != std::string::npos) {
            v = std::stod(w);
        } else {
            const bool negative = !w.empty() && w[0] == '-';
            if (!w.empty() && (w[0] == '-' || w[0] == '+')) w.erase(0, 1);
            // Trailing zeros left out: the digits fill the format from the left.
            if (!leading) w.resize(static_cast<std::size_t>(intDigits + decDigits), '0');
            v = std::stod(w.empty() ? "0" : w) / std::pow(10.0, decDigits);
            if (negative) v = -v;
        }
        return inch ? v * 25.4 : v;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        if (text[i] == '%') {
            const std::size_t end = text.find('%', i + 1);
            const std::string block = text.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? text.size() : end + 1;
            const std::string code = block.substr(0, 2);
            if (code == "FS") {
                leading = block.find('T') == std::string::npos || block.find('L') < block.find('T');
                if (block.find('I') != std::string::npos && block.find('I') < block.find('X')) out.ok = false;
                const std::size_t xPos = block.find('X');
                if (xPos != std::string::npos && xPos + 2 < block.size()) {
                    intDigits = block[xPos + 1] - '0';
                    decDigits = block[xPos + 2] - '0';
                }
            } else if (code == "MO") {
                inch = block.find("IN") != std::string::npos;
            } else if (code == "SR") {
                if (block.find("X1Y1") == std::string::npos && block.find('X') != std::string::npos) out.ok = false;
            } else if (code == "OF" || code == "IR" || code == "MI" || code == "SF" || code == "IP") {
                if (block.find_first_of("123456789") != std::string::npos && code != "IP") out.ok = false;
                if (code == "IP" && block.find("NEG") != std::string::npos) out.ok = false;
            }
            continue;
        }
        const std::size_t end = text.find('*', i);
        std::string b = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i = end == std::string::npos ? text.size() : end + 1;
        b.erase(std::remove_if(b.begin(), b.end(), [](char c) { return c == '\r' || c == '\n' || c == ' '; }), b.end());
        if (b.rfind("G04", 0) == 0) continue;
        bool coords = false, opHere = false;
        for (std::size_t k = 0; k < b.size();) {
            const char letter = b[k++];
            const std::string w = Word(b, k);
            if (w.empty() && letter != 'X' && letter != 'Y') continue;
            switch (letter) {
            case 'G':
                if (w == "70") inch = true;
                if (w == "71") inch = false;
                if (w == "91") out.ok = false;
                break;
            case 'X': x = value(w); coords = true; break;
            case 'Y': y = value(w); coords = true; break;
            case 'D': {
                if (w.find_first_not_of("0123456789") != std::string::npos || w.size() > 6) break;
                const int d = std::stoi(w);
                if (d >= 1 && d <= 3) {
                    op = d;
                    opHere = true;
                }
                break;
            }
            default: break;
            }
        }
        if (op == 3 && (opHere || coords)) out.at.push_back({x, y});
    }
    return out;
}

// Excellon with decimal points: units from the header, a point per
// coordinate line of the body.
Points DrillHits(const std::string& text)
{
    Points out;
    bool inch = false, body = false;
    double x = 0, y = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == ' '; }), line.end());
        if (line.empty() || line[0] == ';') continue;
        if (!body) {
            if (line.rfind("INCH", 0) == 0) out.inch = inch = true;
            if (line.rfind("METRIC", 0) == 0) out.inch = inch = false;
            if (line == "%" || line == "M95") body = true;
            continue;
        }
        if (line.rfind("G00", 0) == 0 || line.rfind("G01", 0) == 0 || line.find("G85") != std::string::npos ||
            line[0] == 'R')
            out.ok = false;
        if (line[0] != 'X' && line[0] != 'Y') continue;
        for (std::size_t k = 0; k < line.size();) {
            const char letter = line[k++];
            const std::string w = Word(line, k);
            if (letter != 'X' && letter != 'Y') continue;
            if (w.find('.') == std::string::npos) out.ok = false;
            const double v = w.empty() ? 0 : std::stod(w) * (inch ? 25.4 : 1.0);
            (letter == 'X' ? x : y) = v;
        }
        out.at.push_back({x, y});
    }
    return out;
}

class SnapCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
        work = fs::temp_directory_path() / ("tessel2-snap-" + std::to_string(std::random_device{}()));
        fs::create_directories(work);
    }
    void TearDown() override
    {
        viewtest::ResetAll();
        SetDefaultToolSettings();
        core::DataFolder.clear();
        std::error_code ec;
        fs::remove_all(work, ec);
    }
    fs::path work;
};

TEST_F(SnapCorpus, FlashesAndHolesSnapToTheirWrittenPoints)
{
    int files = 0;
    long long points = 0;
    for (const auto& f : fs::recursive_directory_iterator(Cad)) {
        if (!f.is_regular_file()) continue;
        const int kind = core::DetectFileType(f.path().string());
        if (kind != core::fkRS274X && kind != core::fkNcDrill) continue;
        const Points written = kind == core::fkNcDrill ? DrillHits(Bytes(f.path())) : GerberFlashes(Bytes(f.path()));
        if (!written.ok || written.at.empty()) continue;
        SCOPED_TRACE(f.path().string());

        viewtest::ResetAll();
        core::DataFolder = work.string();
        core::DrillFormat.Units = written.inch ? 1 : 0;
        core::Gauge gauge;
        core::MyDataValue v;
        bool read = false;
        try {
            read = kind == core::fkNcDrill ? core::ReadNcDrillFile(gauge, f.path().string(), 1, v)
                                           : core::ReadGerberFile(gauge, f.path().string(), 1, v);
        } catch (const platform::Error&) {
            read = false;
        }
        if (!read) continue;
        if (core::MacroCount > 0) core::ParseMacroParams();
        viewtest::ShowLayer(1, platform::RGB(255, 0, 0));
        core::Extents.MinX = v.MinX;
        core::Extents.MaxX = v.MaxX;
        core::Extents.MinY = v.MinY;
        core::Extents.MaxY = v.MaxY;
        core::Extents.Width = v.MaxX - v.MinX;
        core::Extents.Height = v.MaxY - v.MinY;
        core::SetGridView(core::Extents);
        ASSERT_TRUE(core::BuildElementGrid(gauge));
        ++files;

        SnapModes = {SnapOff, SnapOff, SnapOff, SnapCentrePoint, SnapCentrePoint};
        int missed = 0;
        for (const MyPoint& p : written.at) {
            double x = p.x, y = p.y;
            int element = -1;
            const bool found = FindMeasureSnap(element, x, y);
            // The file's own digits, read to 4 decimals of a millimetre.
            if (!found || std::fabs(x - p.x) > 5e-5 || std::fabs(y - p.y) > 5e-5) {
                if (++missed <= 3) ADD_FAILURE() << "at " << p.x << ", " << p.y << " snapped to " << x << ", " << y;
            }
            ++points;
        }
        EXPECT_EQ(missed, 0);
    }
    EXPECT_GE(files, 10);
    EXPECT_GE(points, 1000);
}

} // namespace
