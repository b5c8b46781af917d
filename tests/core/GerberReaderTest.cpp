#include "GerberTestSupport.h"

#include "core/ChunkSource.h"
#include "core/Geometry.h"
#include "core/NcDrillReader.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/TextFile.h"

#include <cmath>
#include <random>
#include <set>
#include <sys/stat.h>

namespace {

using gerbertest::GerberFixture;
namespace fs = std::filesystem;

std::string Repeat(const std::string& text, std::size_t times)
{
    std::string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += text;
    return out;
}

// ------------------------------------------------ block helpers equal the slow ones

std::string Stored(std::string_view raw, bool padded)
{
    if (padded && raw.size() == 1) return "0" + std::string(raw);
    return std::string(raw);
}

void ExpectSameWords(const std::string& block)
{
    core::MyCode slow;
    core::BlockWords fast;
    const bool a = core::SplitBlock(block, slow);
    const bool b = core::SplitBlockWords(block, fast);
    ASSERT_EQ(a, b) << block;
    using W = core::BlockWords;
    EXPECT_EQ(slow.C, Stored(fast[W::C], true)) << block;
    EXPECT_EQ(slow.D, Stored(fast[W::D], true)) << block;
    EXPECT_EQ(slow.G, Stored(fast[W::G], true)) << block;
    EXPECT_EQ(slow.M, Stored(fast[W::M], true)) << block;
    EXPECT_EQ(slow.T, Stored(fast[W::T], true)) << block;
    EXPECT_EQ(slow.I, Stored(fast[W::I], false)) << block;
    EXPECT_EQ(slow.J, Stored(fast[W::J], false)) << block;
    EXPECT_EQ(slow.X, Stored(fast[W::X], false)) << block;
    EXPECT_EQ(slow.Y, Stored(fast[W::Y], false)) << block;
}

TEST(GerberBlockHelpers, SplitBlockWordsMatchesSplitBlock)
{
    for (const char* b : {"X-1200Y+300D01*", "G54D10*", "N10G01X5*", "G01G03*", "D*", "X", "XY", "G1", "A1X2",
                          "X1,2Y3", "X1/2Y3", "G04comment*", "T01C0.8", "M48", "x5X6", "Y12", "X1.5.5Y--2"})
        ExpectSameWords(b);
    std::mt19937 rng(7);
    const std::string alphabet = "XYDGIJCMTNAx0123456789+-.,*/%";
    for (int n = 0; n < 20000; ++n) {
        std::string b;
        const int len = static_cast<int>(rng() % 14);
        for (int k = 0; k < len; ++k) b.push_back(alphabet[rng() % alphabet.size()]);
        ExpectSameWords(b);
    }
}

TEST(GerberBlockHelpers, WordIsTakesOneCharacterAsPadded)
{
    EXPECT_TRUE(core::WordIs("1", "01"));
    EXPECT_TRUE(core::WordIs("01", "01"));
    EXPECT_FALSE(core::WordIs("001", "01"));
    EXPECT_FALSE(core::WordIs("", "01"));
    EXPECT_TRUE(core::WordIs("36", "36"));
}

TEST(GerberBlockHelpers, FastParseCoordinateMatchesParseCoordinate)
{
    std::mt19937 rng(11);
    const std::string alphabet = "0123456789";
    int compared = 0;
    for (int n = 0; n < 100000; ++n) {
        std::string t;
        const int r = static_cast<int>(rng() % 10);
        if (r == 0) t = "-";
        else if (r == 1) t = "+";
        const int len = static_cast<int>(rng() % 18);
        for (int k = 0; k < len; ++k) t.push_back(alphabet[rng() % alphabet.size()]);
        if (rng() % 4 == 0 && !t.empty()) t.insert(rng() % t.size(), ".");
        if (rng() % 50 == 0) t += ".";
        const int zero = static_cast<int>(rng() % 3), intDigits = static_cast<int>(rng() % 8),
                  decDigits = static_cast<int>(rng() % 8), units = static_cast<int>(rng() % 3);
        double slow = 0, fast = 0;
        bool slowThrew = false, fastThrew = false;
        try { slow = core::ParseCoordinate(t, zero, intDigits, decDigits, units); } catch (const platform::Error&) { slowThrew = true; }
        try { fast = core::FastParseCoordinate(t, zero, intDigits, decDigits, units); } catch (const platform::Error&) { fastThrew = true; }
        ASSERT_EQ(slowThrew, fastThrew) << t;
        if (!slowThrew) {
            ASSERT_EQ(slow, fast) << t << " zero " << zero << " digits " << intDigits << "." << decDigits;
            ++compared;
        }
    }
    EXPECT_GT(compared, 50000);
}

// ------------------------------------------------------------------ detection

class DetectTest : public GerberFixture {
protected:
    int Detect(const std::string& name, const std::string& text)
    {
        const fs::path p = home_ / name;
        platform::WriteFileBytes(p, text);
        return core::DetectFileType(p.string());
    }
};

TEST_F(DetectTest, KindsByContents)
{
    struct Case {
        std::string text;
        int kind;
    } cases[] = {
        {"G04 made by a tool*\nG04 another*\n%FSLAX24Y24*%\n", core::fkRS274X},
        {"%MOMM*%\n", core::fkRS274X},
        {"G54D10*\nX100Y100D02*\n", core::fkRS274D},
        {"X100Y100D02*\n", core::fkRS274D},
        {"T01\nG81\nX1000Y1000\n", core::fkNcDrill},
        {"T01\nG01\nX1000Y1000\n", core::fkAuto},
        // Excellon without G05/G81: known by its header.
        {"M48\nMETRIC,TZ\nT1C0.800\n%\nT1\nX1000Y1000\n", core::fkNcDrill},
        {"T1C0.800\n%\nT1\nX1000Y1000\n", core::fkNcDrill},
        // A byte-order mark does not hide the first block.
        {"\xEF\xBB\xBF%FSLAX24Y24*%\n", core::fkRS274X},
        // An unclosed bracket ends with its line.
        {"G04 (unclosed comment\n%FSLAX24Y24*%\n", core::fkRS274X},
        {"(open\n%MOIN*%\n", core::fkRS274X},
        {"nothing here\n", core::fkAuto},
        {"", core::fkAuto},
        // The beginning is read whatever it holds ...
        {std::string(core::DetectionBytes - 20, '\0') + "\n%FSLAX24Y24*%\n", core::fkRS274X},
        // ... past it only what can still tell the kind: no zeros, binary or
        // lines of nothing, ...
        {std::string(core::DetectionBytes, '\0') + "\n%FSLAX24Y24*%\n", core::fkAuto},
        {Repeat(std::string(40, '\0') + "\n", core::DetectionBytes / 20) + "%FSLAX24Y24*%\n", core::fkAuto},
        {std::string(core::DetectionBytes + 70000, ' ') + "\n%FSLAX24Y24*%\n", core::fkAuto},
        {"M48\n" + std::string(core::DetectionBytes + 70000, 'x') + "\nT1C0.8\nG05\nX1000Y1000\n", core::fkAuto},
        {"M48\n" + Repeat(";c\n", core::DetectionBytes / 3) + Repeat("M47\n", core::DetectionOtherBlocks + 10) +
             "T1C0.8\nG05\nX1000Y1000\n",
         core::fkAuto},
        // ... and no comment of zeros.
        {"(" + std::string(core::DetectionBytes + 70000, '\0') + ")\n%FSLAX24Y24*%\n", core::fkAuto},
        {"G04 " + std::string(core::DetectionBytes + 70000, '\0') + "*\n%FSLAX24Y24*%\n", core::fkAuto},
        // ... but comments (corpus files behind long heads: GerberCorpus),
        // blank lines, and what real files hold before their kind shows.
        {"M48\nMETRIC,TZ\nT1C0.8\n%\nG90\nG05\nT1\n" + Repeat(";comment line\n", core::DetectionBytes / 14 + 10) + "X1000Y1000\n",
         core::fkNcDrill},
        {Repeat("  G04 indented*\n%G04 in a parameter block*%\n", core::DetectionBytes / 40) + "%FSLAX24Y24*%\n", core::fkRS274X},
        {Repeat("\n", core::DetectionBytes + 5) + Repeat("*", 100000) + "%FSLAX24Y24*%\n", core::fkRS274X},
        {"(" + std::string(core::DetectionBytes + 70000, 'c') + ")\nT1C0.8\nG05\nX1000Y1000\n", core::fkNcDrill},
        {Repeat(";**** drill report line ****\n", core::DetectionBytes / 25) + "M48\nT1C0.8\n%\nT1\nX1000Y1000\n",
         core::fkNcDrill},
        {Repeat("G04 a title block*\n", core::DetectionBytes / 18) + Repeat("D12*\nX100Y100D03*\n", 500) + "X0Y0D02*\n",
         core::fkRS274D},
        {Repeat("G04 a comment wrapped\n  over two lines*\n", core::DetectionBytes / 30) + "%FSLAX24Y24*%\n", core::fkRS274X},
    };
    int n = 0;
    for (const Case& c : cases) EXPECT_EQ(Detect("f" + std::to_string(++n) + ".gbr", c.text), c.kind) << c.text.substr(0, 60);
}

TEST_F(DetectTest, MissingFilesAndProjectExtensions)
{
    EXPECT_EQ(core::DetectFileType((home_ / "none.gbr").string()), core::fkMissing);
    EXPECT_EQ(Detect("a.tsn", "x"), core::fkProject);
    EXPECT_EQ(Detect("a.tso", "x"), core::fkOldProject);
    EXPECT_EQ(Detect("a.TSN", "%FSLAX24Y24*%"), core::fkRS274X);
    // A folder or FIFO is of no kind, whatever its name says.
    fs::create_directories(home_ / "b.tsn");
    ASSERT_EQ(::mkfifo((home_ / "c.tso").c_str(), 0644), 0);
    EXPECT_EQ(core::DetectFileType((home_ / "b.tsn").string()), core::fkAuto);
    EXPECT_EQ(core::DetectFileType((home_ / "c.tso").string()), core::fkAuto);
}

// -------------------------------------------------------------------- reading

const char* Header = "%FSLAX24Y24*%\n%MOMM*%\n%ADD10C,0.5*%\n%ADD11R,1.0X1.0*%\n";

TEST_F(GerberFixture, ApertureMapSelectsTheRenumberedCode)
{
    core::Apertures[25].Shape = core::apCircle;
    core::Apertures[25].Size1 = 1.0;
    // The map is cleared at the start of a file; select through a redefinition instead.
    ASSERT_TRUE(Read(std::string(Header) + "D10*\nX0Y0D03*\n"));
    core::Apertures[10].Used = 1;
    ASSERT_TRUE(Read("%FSLAX24Y24*%\n%MOMM*%\n%ADD10C,0.8*%\nD10*\nX10000Y0D03*\n", 2));
    const core::DataElement& e = E(core::DataCount - 1);
    EXPECT_EQ(e.Kind, core::dkFlash);
    EXPECT_NE(e.Code, 10);
    EXPECT_EQ(core::ApertureMap[10], e.Code);
    EXPECT_EQ(core::Apertures[static_cast<std::size_t>(e.Code)].Used, 1);
    EXPECT_NEAR(core::Apertures[static_cast<std::size_t>(e.Code)].Size1, 0.8, 1e-9);
    EXPECT_NEAR(core::Apertures[10].Size1, 0.5, 1e-9);
}

TEST_F(GerberFixture, PenAndFlashRules)
{
    ASSERT_TRUE(Read(std::string(Header) +
                     "D10*\nD01*\nX10000Y0*\n"      // D01 alone draws nothing; the next coordinate does
                     "X20000Y0D03*\nX30000Y0*\n"    // after a flash the pen is up
                     "X40000Y0D01*\n"));
    ASSERT_EQ(core::DataCount, 3);
    EXPECT_EQ(E(0).Kind, core::dkLine);
    EXPECT_DOUBLE_EQ(E(0).X1, 0.0);
    EXPECT_DOUBLE_EQ(E(0).X2, 1.0);
    EXPECT_EQ(E(1).Kind, core::dkFlash);
    EXPECT_DOUBLE_EQ(E(1).X3, 2.0);
    EXPECT_EQ(E(2).Kind, core::dkLine);
    EXPECT_DOUBLE_EQ(E(2).X1, 3.0);
    EXPECT_DOUBLE_EQ(E(2).X2, 4.0);
    EXPECT_EQ(value.Count, 3);
    EXPECT_NEAR(value.MinX, -0.25, 1e-9);
    EXPECT_NEAR(value.MaxX, 4.25, 1e-9);
}

TEST_F(GerberFixture, ArcsSplitAbove180Degrees)
{
    // 270° counter-clockwise about the origin, then 180.003° (one element).
    ASSERT_TRUE(Read(std::string(Header) + "D10*\nG75*\nX10000Y0D02*\nG03X0Y-10000I-10000J0D01*\n"));
    ASSERT_EQ(core::DataCount, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(E(i).Kind, core::dkArcCCW);
        EXPECT_NEAR(core::ArcSweep("CCW", E(i).X1, E(i).Y1, E(i).X2, E(i).Y2, E(i).X3, E(i).Y3), 135.0, 1e-6);
        EXPECT_DOUBLE_EQ(E(i).X4, 1.0);
    }
    EXPECT_EQ(E(0).Group, E(1).Group);
    core::ResetTables();
    const double a = (180.003) * 3.14159265358979323846 / 180.0;
    const long ex = std::lround(10000 * std::cos(a)), ey = std::lround(10000 * std::sin(a));
    ASSERT_TRUE(Read(std::string(Header) + "D10*\nX10000Y0D02*\nG03X" + std::to_string(ex) + "Y" + std::to_string(ey) +
                     "I-10000J0D01*\n"));
    EXPECT_EQ(core::DataCount, 1);
}

// G74: I and J unsigned; the centre is the sign choice that makes an arc of
// at most 90° in the stated direction with both ends at one distance. Arcs
// from every quadrant and axis, both directions, short and long, written
// from a known centre and read back.
TEST_F(GerberFixture, SingleQuadrantArcsTakeTheCentreOfAQuarterAtMost)
{
    constexpr double Pi = 3.14159265358979323846;
    auto word = [](char letter, double mm) { return std::string(1, letter) + std::to_string(std::lround(mm * 10000)); };
    const double cx = 5.0, cy = 7.0;
    int arcs = 0;
    for (double radius : {1.016, 25.4})
        for (double start : {0.0, 10.0, 90.0, 100.0, 190.0, 270.0, 280.0})
            for (bool ccw : {true, false})
                for (double sweep : {1.4, 30.0, 89.5, 90.0}) {
                    const double a = start * Pi / 180, b = (ccw ? start + sweep : start - sweep) * Pi / 180;
                    const double sx = cx + radius * std::cos(a), sy = cy + radius * std::sin(a);
                    const double ex = cx + radius * std::cos(b), ey = cy + radius * std::sin(b);
                    core::ResetTables();
                    core::GerberFormat = core::MyFormatPara{};
                    ASSERT_TRUE(Read(std::string(Header) + "D10*\nG74*\n" + word('X', sx) + word('Y', sy) + "D02*\n" +
                                     (ccw ? "G03" : "G02") + word('X', ex) + word('Y', ey) + word('I', std::fabs(sx - cx)) +
                                     word('J', std::fabs(sy - cy)) + "D01*\n"));
                    const std::string what = "r " + std::to_string(radius) + " from " + std::to_string(start) +
                                             (ccw ? " ccw " : " cw ") + std::to_string(sweep);
                    ASSERT_EQ(core::DataCount, 1) << what;
                    EXPECT_EQ(E(0).Kind, ccw ? core::dkArcCCW : core::dkArcCW) << what;
                    EXPECT_NEAR(E(0).X3, cx, 2e-4) << what;
                    EXPECT_NEAR(E(0).Y3, cy, 2e-4) << what;
                    EXPECT_NEAR(E(0).X4, radius, 2e-4) << what;
                    ++arcs;
                }
    EXPECT_EQ(arcs, 112);

    struct Case {
        const char* what;
        std::string body;
        int kind;
        double cx, cy;
    };
    const Case cases[] = {
        // Inch 2.4: a 1.4° arc, not the loop of 358.6° about (0, +1.016).
        {"a short arc", "%MOIN*%D10*G74*X0Y0D02*G02X10Y0I0J400D01*", core::dkArcCW, 0.0, -1.016},
        // Signs are no part of a single-quadrant offset.
        {"signed offsets", "D10*G74*X0Y0D02*G03X20000Y0I10000J-10000D01*", core::dkArcCCW, 1.0, 1.0},
        // Both ends in one point: a dot, not a whole circle.
        {"no length", "D10*G74*X10000Y0D02*G03X10000Y0I10000J0D01*", core::dkLine, 0, 0},
        {"a region edge", "G74*G36*X0Y0D02*G02X100Y0I0J400D01*G01X0Y-1000D01*X0Y0D01*G37*", core::dkRegionArcCW, 0.0, -0.04},
        // Ends a micrometre apart: directions from the centre no longer differ.
        {"a micrometre", "D10*G74*X0Y0D02*G02X10Y0I0J400D01*", core::dkLine, 0, 0},
    };
    for (const Case& c : cases) {
        core::ResetTables();
        core::GerberFormat = core::MyFormatPara{};
        ASSERT_TRUE(Read(std::string(Header) + c.body + "M02*\n")) << c.what;
        EXPECT_EQ(E(0).Kind, c.kind) << c.what;
        EXPECT_EQ(core::DataCount, c.kind == core::dkRegionArcCW ? 3 : 1) << c.what;
        if (c.kind == core::dkLine) continue;
        EXPECT_NEAR(E(0).X3, c.cx, 1e-9) << c.what;
        EXPECT_NEAR(E(0).Y3, c.cy, 1e-9) << c.what;
        EXPECT_LE(core::ArcSweep(c.kind == core::dkArcCCW ? "CCW" : "CW", E(0).X1, E(0).Y1, E(0).X2, E(0).Y2, E(0).X3, E(0).Y3), 90.0)
            << c.what;
    }
}

TEST_F(GerberFixture, ClosedContourIsOneGroupAndRegionsUseLines)
{
    ASSERT_TRUE(Read(std::string(Header) +
                     "D10*\nX0Y0D02*\nX10000Y0D01*\nX10000Y10000D01*\nX0Y10000D01*\nX0Y0D01*\n"
                     "X20000Y0D01*\n"
                     "D11*\nG36*\nX0Y0D02*\nX10000Y0D01*\nX10000Y10000D01*\nX0Y0D01*\nG37*\n"));
    ASSERT_EQ(core::DataCount, 8);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(E(i).Group, E(0).Group);
    EXPECT_NE(E(4).Group, E(0).Group);
    for (int i = 5; i < 8; ++i) {
        EXPECT_EQ(E(i).Kind, core::dkRegionLine);
        EXPECT_EQ(E(i).Code, 0);
        EXPECT_EQ(E(i).Group, E(5).Group);
    }
    EXPECT_DOUBLE_EQ(E(5).X1, 0.0);
    EXPECT_DOUBLE_EQ(E(5).X2, 1.0);
}

// Points of a path in 2.4 mm units: "X..Y..D01*" for each after the first (D02).
std::string Path(std::initializer_list<std::pair<int, int>> points)
{
    std::string t;
    bool first = true;
    for (const auto& [x, y] : points) {
        t += "X" + std::to_string(x * 10000) + "Y" + std::to_string(y * 10000) + (first ? "D02*\n" : "D01*\n");
        first = false;
    }
    return t;
}

// A region's contour ends at D02 or G37 only, so a cut-in through its start
// point stays one contour; nothing joins across G36 or G37.
TEST_F(GerberFixture, RegionContoursEndAtD02OrG37)
{
    const std::string cutInAtStart = Path({{0, 5}, {0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 5}, {4, 5}, {4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 5}, {0, 5}});
    const std::string cutInElsewhere = Path({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 5}, {4, 5}, {4, 6}, {6, 6}, {6, 4}, {4, 4}, {4, 5}, {0, 5}, {0, 0}});
    const std::string square = Path({{20, 0}, {22, 0}, {22, 2}, {20, 2}, {20, 0}});
    struct Case {
        const char* what;
        std::string body;
        std::vector<int> runs;   // elements per group, in order
    };
    const Case cases[] = {
        {"cut-in at the start point", "G36*\n" + cutInAtStart + "G37*\n", {12}},
        {"cut-in elsewhere", "G36*\n" + cutInElsewhere + "G37*\n", {12}},
        {"two contours, D02 between", "G36*\n" + square + cutInAtStart + "G37*\n", {4, 12}},
        {"two regions", "G36*\n" + square + "G37*\nG36*\n" + square + "G37*\n", {4, 4}},
        {"an open contour ends at G37, strokes after it start anew",
         "G36*\n" + Path({{0, 0}, {5, 0}, {5, 5}}) + "G37*\nD10*\nX0Y50000D01*\n", {2, 1}},
        {"strokes before a region", "D10*\n" + Path({{0, 0}, {5, 0}}) + "G36*\nX5Y5D01*\nX0Y0D01*\nG37*\n", {1, 2}},
        {"strokes still close on their start", "D10*\n" + square + "X30000Y0D01*\n", {4, 1}},
    };
    for (const Case& c : cases) {
        core::ResetTables();
        ASSERT_TRUE(Read(std::string(Header) + c.body + "M02*\n")) << c.what;
        std::vector<int> runs;
        for (int i = 0; i < core::DataCount; ++i) {
            if (i == 0 || E(i).Group != E(i - 1).Group) runs.push_back(0);
            ++runs.back();
        }
        EXPECT_EQ(runs, c.runs) << c.what;
    }
}

TEST_F(GerberFixture, StepAndRepeatCopiesEveryPoint)
{
    ASSERT_TRUE(Read(std::string(Header) + "%SRX2Y3I10.0J5.0*%\nD11*\nX0Y0D02*\nX10000Y0D01*\nD10*\nX0Y0D03*\n%SR*%\nX0Y0D03*\n"));
    // 6 strokes, 6 flashes, then one flash after the reset.
    ASSERT_EQ(core::DataCount, 13);
    EXPECT_EQ(E(0).Kind, core::dkSquareStroke);
    EXPECT_NEAR(E(5).X1 - E(0).X1, 10.0, 1e-9);
    EXPECT_NEAR(E(5).Y4 - E(0).Y4, 10.0, 1e-9);
    for (int i = 6; i < 12; ++i) {
        const core::DataElement& f = E(i);
        EXPECT_EQ(f.Kind, core::dkFlash);
        EXPECT_DOUBLE_EQ(f.X1, f.X3);
        EXPECT_DOUBLE_EQ(f.X2, f.X3);
        EXPECT_DOUBLE_EQ(f.Y1, f.Y3);
        EXPECT_DOUBLE_EQ(f.Y2, f.Y3);
    }
    EXPECT_DOUBLE_EQ(E(11).X3, 10.0);
    EXPECT_DOUBLE_EQ(E(11).Y3, 10.0);
    std::set<int> groups;
    for (int i = 0; i < 12; ++i) groups.insert(E(i).Group);
    EXPECT_EQ(groups.size(), 12u);
}

TEST_F(GerberFixture, HostileStepAndRepeatFailsAndRollsBack)
{
    ASSERT_TRUE(Read(std::string(Header) + "D10*\nX0Y0D03*\n"));
    const std::int32_t count = core::DataCount, groups = core::GroupCounter;
    EXPECT_THROW(Read(std::string(Header) + "D10*\nX0Y0D03*\n%SRX100000Y100000*%\nX0Y0D03*\n", 2), platform::Error);
    EXPECT_EQ(core::DataCount, count);
    EXPECT_EQ(core::GroupCounter, groups);
    EXPECT_EQ(value.Count, 0);
}

// Stops the read once the tables hold more than `held` elements at a point
// where the reader lets the window run.
class GrowthGauge : public core::Gauge {
public:
    explicit GrowthGauge(std::int32_t held) : held_(held) {}
    void Pump() override
    {
        if (core::DataCount > held_) grew = true, core::CancelRequested = 1;
    }
    bool grew = false;

private:
    std::int32_t held_;
};

TEST_F(GerberFixture, StepAndRepeatAskingForMoreThanCanBeHeldIsRefusedBeforeCopying)
{
    ASSERT_TRUE(Read(std::string(Header) + "D10*\nX0Y0D03*\n"));
    const std::int32_t count = core::DataCount, groups = core::GroupCounter;
    // 2,000 flashes in 100,000 copies each: 200 million elements in runs
    // each of which fits, with long comments between them so that the read
    // spans many chunks.
    auto flashes = [](int n, const std::string& between) {
        std::string t;
        for (int k = 0; k < n; ++k) t += "X" + std::to_string(k * 10) + "Y0D03*\n" + between;
        return t;
    };
    const std::string comment = "G04 " + std::string(3000, 'c') + "*\n";
    const std::string huge = std::string(Header) + "D10*\n%SRX100000Y1I0.01J0*%\n" + flashes(2000, comment) + "%SR*%\n";
    const struct {
        const char* what;
        std::string text;
        bool fromFile;
        std::int32_t added;   // -1: refused
    } cases[] = {
        {"in memory", huge, false, -1},
        {"from a file", huge, true, -1},
        {"set with the format, drawn with the pen down",
         "%FSLAX24Y24*SRX5000Y20*MOMM*%\n%ADD10C,0.5*%\nD10*\nX0Y0D02*\n" + flashes(1000, "X0Y0D01*\n") + "M02*\n", false, -1},
        // Only what lies before the next step-and-repeat is copied.
        {"ended before the rest", std::string(Header) + "D10*\n%SRX100000*%\nX0Y0D03*\n%SR*%\n" + flashes(2000, comment), true,
         100'000 + 2000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GrowthGauge gauge(c.added < 0 ? count : count + c.added);
        auto read = [&] {
            if (!c.fromFile) return core::ReadGerberData(gauge, c.text, 2, value);
            const fs::path p = home_ / "panel.gbr";
            platform::WriteFileBytes(p, c.text);
            return core::ReadGerberFile(gauge, p.string(), 2, value);
        };
        if (c.added >= 0) {
            EXPECT_TRUE(read());
            EXPECT_EQ(core::DataCount, count + c.added);
            core::DataCount = count;
            core::GroupCounter = groups;
            continue;
        }
        EXPECT_THROW(read(), platform::Error);
        EXPECT_FALSE(gauge.grew);
        EXPECT_EQ(core::DataCount, count);
        EXPECT_EQ(core::GroupCounter, groups);
        EXPECT_EQ(value.Count, 0);
    }
}

// Lowers the element limit, and reads in small pieces, for one test.
struct SmallLimit {
    explicit SmallLimit(std::int64_t limit) { core::MaxElementCount = limit; }
    ~SmallLimit()
    {
        core::MaxElementCount = saved;
        core::ReadChunkBytes = 64 * 1024;
    }
    const std::int64_t saved = core::MaxElementCount;
};

// Notes whether the tables grew during a read, and how far it got.
class WatchingGauge : public core::Gauge {
public:
    explicit WatchingGauge(std::int32_t held) : held_(held) {}
    void SetProgress(long long p) override { progress = p; }
    void Pump() override { grew |= core::DataCount > held_; }
    bool grew = false;
    long long progress = 0;

private:
    std::int32_t held_;
};

// Both readers hold to the element limit, counting what is loaded already,
// and say why: the file's own elements, or step-and-repeat only where its
// copies pass the limit. A drill file, an open path or copies too many are
// refused before their elements take memory; the tables are put back.
TEST_F(GerberFixture, ElementLimitRefusesTheFileNamingTheCause)
{
    const SmallLimit limit(1000);
    ASSERT_TRUE(Read(std::string(Header) + "D10*\n" + Repeat("X0Y0D03*\n", 400)));
    const std::int32_t loaded = core::DataCount, groups = core::GroupCounter;   // room for 600
    core::DrillFormat = core::MyFormatPara{};
    const std::string drill = "M48\nMETRIC\nT1C0.3\n%\nT1\n";
    const std::string flashes = std::string(Header) + "D10*\n";
    // Strokes back and forth that never return to their start.
    const std::string path = flashes + "X0Y0D02*\n";
    const std::string sr2 = flashes + "%SRX2Y1I1.0J0*%\n";
    const std::string tail = Repeat("G04 a long remark after the data*\n", 800);
    const std::string many = core::TooManyElementsText(), copies = "ステップ＆リピートによるデータ数が多すぎるため、読み込めません。";
    enum Reader { Gerber, Drill };
    const struct {
        const char* what;
        Reader reader;
        std::string text;
        std::int32_t added;      // elements made; -1 refused
        std::string why;         // the refusal
        bool beforeMaking;       // refused before the tables grew
        bool beforeTheEnd;       // refused half-way through the file
    } cases[] = {
        {"drill: as many hits as there is room", Drill, drill + Repeat("X1*", 600) + "M30\n", 600, "", false, false},
        {"drill: one hit too many", Drill, drill + Repeat("X1*", 601) + "M30\n", -1, many, true, true},
        {"drill: too many before a long tail", Drill, drill + Repeat("X1\n", 700) + tail, -1, many, true, true},
        {"Gerber: as many flashes as there is room", Gerber, flashes + Repeat("X0Y0D03*\n", 600), 600, "", false, false},
        {"Gerber: one flash too many, no step-and-repeat", Gerber, flashes + Repeat("X0Y0D03*\n", 601), -1, many, false, false},
        {"Gerber: an open path too long", Gerber, path + Repeat("X10000Y0D01*\nX20000Y0D01*\n", 301) + tail, -1, many, true, true},
        {"Gerber: copies of what fits", Gerber, sr2 + Repeat("X0Y0D03*\n", 300), 600, "", false, false},
        {"Gerber: copies too many", Gerber, sr2 + Repeat("X0Y0D03*\n", 400), -1, copies, true, true},
        {"Gerber: too many flashes to copy", Gerber, sr2 + Repeat("X0Y0D03*\n", 601), -1, many, true, true},
    };
    for (const auto& c : cases) {
        for (const bool fromFile : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (fromFile ? ", from a file in pieces" : ", whole"));
            core::ReadChunkBytes = fromFile ? 64 : 64 * 1024;
            WatchingGauge gauge(loaded);
            auto read = [&] {
                if (!fromFile) {
                    return c.reader == Drill ? core::ReadNcDrillData(gauge, c.text, 2, value)
                                             : core::ReadGerberData(gauge, c.text, 2, value);
                }
                const fs::path p = home_ / "big.dat";
                platform::WriteFileBytes(p, c.text);
                return c.reader == Drill ? core::ReadNcDrillFile(gauge, p.string(), 2, value)
                                         : core::ReadGerberFile(gauge, p.string(), 2, value);
            };
            if (c.added >= 0) {
                EXPECT_TRUE(read());
                EXPECT_EQ(core::DataCount, loaded + c.added);
                EXPECT_EQ(value.Count, c.added);
                core::Datas.resize(static_cast<std::size_t>(loaded));
                core::DataCount = loaded;
                core::GroupCounter = groups;
                continue;
            }
            try {
                read();
                ADD_FAILURE() << "read";
            } catch (const platform::Error& e) {
                EXPECT_EQ(std::string(e.what()), c.why);
            }
            if (c.beforeMaking) {
                EXPECT_FALSE(gauge.grew);
            }
            if (c.beforeTheEnd && fromFile) {
                EXPECT_LT(gauge.progress, static_cast<long long>(c.text.size()) / 2);
            }
            EXPECT_EQ(core::DataCount, loaded);
            EXPECT_EQ(core::GroupCounter, groups);
            EXPECT_EQ(value.Count, 0);
        }
    }
    EXPECT_EQ(many, "データ数が多すぎるため、読み込めません（読み込み済みのデータと合わせて 1,000 までです）。");
}

TEST_F(GerberFixture, CharactersOutsideTheBlockAlphabetAreDropped)
{
    ASSERT_TRUE(Read(std::string(Header) + "D10*\nX1{0000Y0\xC3\xA9" "D03*\n"));
    ASSERT_EQ(core::DataCount, 1);
    EXPECT_DOUBLE_EQ(E(0).X3, 1.0);
}

TEST_F(GerberFixture, PercentInsideACommentIsCommentText)
{
    ASSERT_TRUE(Read("G04 #@! %TF.FileFunction,Copper,L1,Top*\nG04 #@! %TF.Part,Single*\nG04 x %*\n" + std::string(Header) +
                     "D10*\nX0Y0D03*\n"));
    EXPECT_EQ(core::DataCount, 1);
    EXPECT_EQ(core::GerberFormat.FormatName, "RS-274X");
}

TEST_F(GerberFixture, LayerNamesStartSectionsMarkedClearWhenDrawnClear)
{
    ASSERT_TRUE(Read(std::string(Header) + "%LNTOP*%\nD10*\nX0Y0D03*\n%LNCUT*%\n%LPC*%\nX0Y0D02*\nX10000Y0D01*\nX0Y0D02*\n"));
    ASSERT_EQ(core::DataCount, 4);
    EXPECT_EQ(E(0).Kind, core::dkSection);
    EXPECT_EQ(E(0).Layer, 1);
    EXPECT_EQ(E(0).Clear, 0);
    EXPECT_EQ(E(2).Kind, core::dkSection);
    EXPECT_EQ(E(2).Layer, 2);
    EXPECT_EQ(E(2).Clear, 1);
    EXPECT_EQ(E(3).Clear, 1);
    EXPECT_EQ(value.Count, 2);
}

TEST_F(GerberFixture, FailedReadLeavesNothingBehind)
{
    ASSERT_TRUE(Read(std::string(Header) + "D10*\nX0Y0D03*\n"));
    const auto count = core::DataCount, groups = core::GroupCounter, reports = core::ReportCount;
    const auto apertures = core::Apertures;
    core::Apertures[10].Used = 1;
    // Elements, a redefinition with a report, then a coordinate that is no number.
    EXPECT_THROW(Read("%FSLAX24Y24*%\n%MOMM*%\n%ADD10C,0.9*%\nD10*\nX0Y0D03*\nX1.2.3Y0D03*\n", 2), platform::Error);
    EXPECT_EQ(core::DataCount, count);
    EXPECT_EQ(core::GroupCounter, groups);
    EXPECT_EQ(core::ReportCount, reports);
    EXPECT_EQ(core::ReportLines.size(), static_cast<std::size_t>(reports));
    EXPECT_NEAR(core::Apertures[10].Size1, apertures[10].Size1, 1e-12);
    // A file without elements is not read, and leaves no section marker.
    EXPECT_FALSE(Read("%FSLAX24Y24*%\n%LNEMPTY*%\n", 2));
    EXPECT_EQ(core::DataCount, count);
}

class CancellingGauge : public core::Gauge {
public:
    void Pump() override { core::CancelRequested = 1; }
};

TEST_F(GerberFixture, CancelledReadRollsBack)
{
    ASSERT_TRUE(Read(std::string(Header) + "D10*\nX0Y0D03*\n"));
    const auto count = core::DataCount, groups = core::GroupCounter;
    std::string text = std::string(Header) + "D10*\n";
    while (text.size() < 200'000) text += "X10000Y10000D03*\n";
    CancellingGauge gauge;
    core::MyDataValue v;
    EXPECT_FALSE(core::ReadGerberData(gauge, text, 2, v));
    EXPECT_EQ(core::CancelRequested, 0);
    EXPECT_EQ(core::DataCount, count);
    EXPECT_EQ(core::GroupCounter, groups);
    EXPECT_EQ(v.Count, 0);
}

TEST_F(GerberFixture, ReadsFromAFileAndReportsMissingOnes)
{
    const fs::path p = home_ / "board.gbr";
    platform::WriteFileBytes(p, std::string(Header) + "D10*\nX0Y0D03*\nX10000Y0D03*\n");
    core::Gauge gauge;
    EXPECT_TRUE(core::ReadGerberFile(gauge, p.string(), 3, value));
    EXPECT_EQ(value.Count, 2);
    EXPECT_EQ(E(0).Layer, 3);
    EXPECT_FALSE(core::ReadGerberFile(gauge, (home_ / "missing.gbr").string(), 4, value));
}

TEST_F(GerberFixture, SquareStrokeCorners)
{
    ASSERT_TRUE(Read(std::string(Header) + "D11*\nX0Y0D02*\nX10000Y0D01*\n"));
    ASSERT_EQ(core::DataCount, 1);
    const core::DataElement& e = E(0);
    EXPECT_EQ(e.Kind, core::dkSquareStroke);
    // r = 0.5 × 1.4142 at ±45° from the direction, rounded to 4 decimals.
    EXPECT_DOUBLE_EQ(e.X1, -0.5);
    EXPECT_DOUBLE_EQ(e.Y1, 0.5);
    EXPECT_DOUBLE_EQ(e.X2, 1.5);
    EXPECT_DOUBLE_EQ(e.Y2, 0.5);
    EXPECT_DOUBLE_EQ(e.X3, 1.5);
    EXPECT_DOUBLE_EQ(e.Y3, -0.5);
    EXPECT_DOUBLE_EQ(e.X4, -0.5);
    EXPECT_DOUBLE_EQ(e.Y4, -0.5);
}

} // namespace
