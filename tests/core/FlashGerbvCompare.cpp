// Our flashes against an independent renderer: each aperture shape and
// macro primitive is written as a small RS-274X file, exported by gerbv as
// a PNG at a fine scale, and compared with our raster of the same flash,
// plain and mirrored.
#include "core/FlashDrawing.h"

#include "FlashTables.h"
#include "core/Geometry.h"
#include "platform/NumberText.h"
#include "platform/RasterCanvas.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace core;
using platform::FormatInt;
using platform::FormatReal;

namespace {

// Pixels from a flash's centre to its farthest point.
constexpr double FlashPixels = 700.0;

struct FlashCase {
    std::string name;
    int shape = apNone;           // standard shapes; apMacro with `primitives`
    double s1 = 0, s2 = 0, s3 = 0;
    std::vector<std::string> primitives;
};

// The aperture definition gerbv reads for a case.
std::string GerberAperture(const FlashCase& c)
{
    auto n = [](double v) { return FormatReal(v); };
    switch (c.shape) {
    case apCircle: return "%ADD10C," + n(c.s1) + "*%\n";
    case apSquare: return "%ADD10R," + n(c.s1) + "X" + n(c.s1) + "*%\n";
    case apRectangle: return "%ADD10R," + n(c.s1) + "X" + n(c.s2) + "*%\n";
    case apOval: return "%ADD10O," + n(c.s1) + "X" + n(c.s2) + "*%\n";
    case apPolygon: return "%ADD10P," + n(c.s1) + "X" + n(c.s2) + "X" + n(c.s3) + "*%\n";
    case apThermal45:
    case apThermal90:
        return "%AMTHR*\n7,0,0," + n(c.s2) + "," + n(c.s1) + "," + n(c.s3) + "," + (c.shape == apThermal45 ? "45" : "0") +
               "*\n%\n%ADD10THR*%\n";
    default: {
        std::string s = "%AMMAC*\n";
        for (const std::string& p : c.primitives) s += p + "*\n";
        return s + "%\n%ADD10MAC*%\n";
    }
    }
}

FlashCase Std(std::string name, int shape, double s1, double s2 = 0, double s3 = 0)
{
    return {std::move(name), shape, s1, s2, s3, {}};
}
FlashCase Mac(std::string name, std::vector<std::string> primitives)
{
    return {std::move(name), apMacro, 0, 0, 0, std::move(primitives)};
}

void SetUpTables(const FlashCase& c)
{
    ResetTables();
    if (c.shape == apMacro)
        flashtest::SetMacro(10, c.primitives);
    else
        flashtest::SetAperture(10, c.shape, c.s1, c.s2, c.s3);
}

struct Mono {
    int w = 0, h = 0;
    std::vector<unsigned char> on;
    bool At(int x, int y) const { return on[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] != 0; }
};

double IoU(const Mono& a, const Mono& b)
{
    long long both = 0, either = 0;
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x) {
            const bool p = a.At(x, y), q = x < b.w && y < b.h && b.At(x, y);
            both += p && q;
            either += p || q;
        }
    return either ? static_cast<double>(both) / static_cast<double>(either) : 1.0;
}

// Both pictures side by side as a text PGM: ours grey, gerbv's white, both
// lit where they agree.
void Dump(const fs::path& path, const Mono& ours, const Mono& theirs)
{
    std::ofstream f(path, std::ios::binary);
    f << "P2\n" << ours.w << " " << ours.h << "\n3\n";
    for (int y = 0; y < ours.h; ++y) {
        for (int x = 0; x < ours.w; ++x) f << (ours.At(x, y) ? 1 : 0) + (theirs.At(x, y) ? 2 : 0) << ' ';
        f << '\n';
    }
}

class GerbvCompare : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("gerbv --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "gerbv is not installed";
        dir_ = fs::temp_directory_path() / ("tessel2-gerbv-" + FormatInt(static_cast<long long>(::getpid())));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
        ResetTables();
    }

    // gerbv's picture of the file: a window of w × h mm from the origin, no
    // border.
    Mono Gerbv(const std::string& gerber, double wmm, double hmm, double scale, bool mirrored)
    {
        const fs::path src = dir_ / "flash.gbr", png = dir_ / "flash.png";
        {
            std::ofstream f(src, std::ios::binary);
            f << gerber;
        }
        fs::remove(png);
        const std::string cmd = "gerbv -x png -o '" + png.string() + "' -B 0 --dpi=" + FormatReal(scale * 25.4) +
                                " -O 0x0 -w " + FormatInt(std::llround(wmm * scale)) + "x" + FormatInt(std::llround(hmm * scale)) +
                                " -b '#000000' -f '#FFFFFFFF' '" + src.string() + "' > /dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        QImage img(QString::fromStdString(png.string()));
        Mono m;
        if (img.isNull()) {
            ADD_FAILURE() << "no picture from gerbv";
            return m;
        }
        img = img.convertToFormat(QImage::Format_RGB32);
        m.w = img.width();
        m.h = img.height();
        m.on.resize(static_cast<std::size_t>(m.w) * static_cast<std::size_t>(m.h));
        for (int y = 0; y < m.h; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < m.w; ++x) {
                const int sx = mirrored ? m.w - 1 - x : x;
                m.on[static_cast<std::size_t>(y) * static_cast<std::size_t>(m.w) + static_cast<std::size_t>(x)] = qGray(row[sx]) > 127;
            }
        }
        return m;
    }

    // Our picture of flash i in the same window.
    static Mono Ours(int i, int wpx, int hpx, double wmm, double hmm, double scale, bool mirrored, platform::PenMode mode)
    {
        platform::RasterCanvas c(wpx, hpx, 0);
        c.SetPenMode(mode);
        c.SetPenColor(0xFFFFFF);
        c.SetBrushColor(0xFFFFFF);
        DrawFlash(c, i, mirrored, 0, scale, mirrored ? wmm : 0.0, hmm);
        Mono m{wpx, hpx, {}};
        m.on.resize(static_cast<std::size_t>(wpx) * static_cast<std::size_t>(hpx));
        for (int y = 0; y < hpx; ++y)
            for (int x = 0; x < wpx; ++x) m.on[static_cast<std::size_t>(y) * static_cast<std::size_t>(wpx) + static_cast<std::size_t>(x)] = c.Pixel(x, y) != 0;
        return m;
    }

    void Compare(const FlashCase& c)
    {
        SCOPED_TRACE(c.name);
        SetUpTables(c);
        MyBox box;
        ApertureBox(10, box, 0, 0);
        ASSERT_LE(box[0], box[1]);
        // The flash fills most of a picture of under 2048 pixels, the most
        // gerbv exports.
        const double extent = std::max({-box[0], box[1], -box[2], box[3], 0.1});
        const double scale = std::clamp(std::floor(FlashPixels / extent), 20.0, 1000.0);
        const int px = 2 * (static_cast<int>(std::ceil(extent * scale)) + 50);
        // The centre off the pixel grid, as flashes mostly are. Cutting
        // device coordinates toward zero moves an edge by up to a pixel, one
        // way plain and the other way mirrored, so a shape must be some
        // hundred pixels across for a 0.97 overlap either way.
        const double size = px / scale, reach = (px / 2 + 0.3) / scale;
        const int i = flashtest::AddFlash(10, reach, reach);
        const std::string gerber = "%FSLAX46Y46*%\n%MOMM*%\n" + GerberAperture(c) + "G01*\nD10*\nX" +
                                   FormatInt(std::llround(reach * 1e6)) + "Y" + FormatInt(std::llround(reach * 1e6)) + "D03*\nM02*\n";
        for (bool mirrored : {false, true}) {
            const Mono theirs = Gerbv(gerber, size, size, scale, mirrored);
            ASSERT_EQ(theirs.w, px);
            ASSERT_EQ(theirs.h, px);
            // OR and XOR must agree: a composite flash changes each pixel once.
            for (platform::PenMode mode : {platform::PenMode::Merge, platform::PenMode::Xor}) {
                const Mono ours = Ours(i, px, px, size, size, scale, mirrored, mode);
                const double iou = IoU(ours, theirs);
                if (const char* dump = std::getenv("TESSEL2_FLASH_DUMP"); dump && mode == platform::PenMode::Merge && !mirrored)
                    Dump(fs::path(dump) / (c.name + ".pgm"), ours, theirs);
                EXPECT_GE(iou, 0.97) << (mirrored ? "mirrored " : "") << (mode == platform::PenMode::Xor ? "xor" : "or");
                RecordProperty(c.name + (mirrored ? "_mirrored" : "") + (mode == platform::PenMode::Xor ? "_xor" : ""),
                               FormatReal(std::round(iou * 10000) / 10000));
            }
        }
    }

    fs::path dir_;
};

} // namespace

TEST_F(GerbvCompare, StandardApertures)
{
    const FlashCase cases[] = {
        Std("circle", apCircle, 3.0),
        Std("square", apSquare, 2.5),
        Std("rectangle", apRectangle, 4.0, 1.5),
        Std("narrow rectangle", apRectangle, 0.3, 5.0),
        Std("oval wide", apOval, 4.0, 1.5),
        Std("oval tall", apOval, 1.2, 3.6),
        Std("oval round", apOval, 2.0, 2.0),
        Std("triangle", apPolygon, 3.0, 3, 15),
        Std("pentagon", apPolygon, 4.0, 5, 0),
        Std("octagon", apPolygon, 3.0, 8, 22.5),
        Std("dodecagon", apPolygon, 3.0, 12, 10),
        Std("thermal 45", apThermal45, 2.0, 3.0, 0.4),
        Std("thermal 90", apThermal90, 1.5, 3.5, 0.6),
    };
    for (const FlashCase& c : cases) Compare(c);
}

TEST_F(GerbvCompare, MacroPrimitives)
{
    const FlashCase cases[] = {
        Mac("circle off centre", {"1,1,2.0,0.8,-0.5"}),
        Mac("vector line 20", {"20,1,0.6,-1.5,-0.5,1.5,1.0,0"}),
        Mac("vector line 20 turned", {"20,1,0.4,0,0,2.0,0,30"}),
        Mac("vector line 2", {"2,1,0.5,-1.0,1.0,1.5,-1.0,0"}),
        Mac("centre line", {"21,1,3.0,1.0,0.5,0.2,0"}),
        Mac("centre line turned", {"21,1,3.0,1.0,0.5,0.2,-135"}),
        Mac("lower-left line", {"22,1,2.0,1.0,-0.5,-0.5,0"}),
        Mac("lower-left line turned", {"22,1,2.0,1.0,0,0,-45"}),
        Mac("outline", {"4,1,4,-1,-1,1.5,-1,1,1.2,-1.2,0.8,-1,-1,0"}),
        Mac("outline turned", {"4,1,3,0.0,0.0,0.0,1.5,1.5,1.5,0.0,0.0,-25"}),
        Mac("polygon", {"5,1,6,0,0,3.0,0"}),
        Mac("polygon turned", {"5,1,3,0,0,2.5,-10"}),
        Mac("moire", {"6,0,0,4.0,0.3,0.4,3,0.1,4.6,0"}),
        Mac("moire turned", {"6,0,0,3.0,0.2,0.3,2,0.1,3.5,30"}),
        Mac("thermal", {"7,0,0,3.0,2.0,0.4,0"}),
        Mac("thermal turned", {"7,0,0,3.0,1.6,0.3,-13"}),
        Mac("clear square in a disc", {"1,1,3.0,0,0", "21,0,1.2,1.2,0,0,0"}),
        Mac("annulus", {"1,1,3.0,0,0", "1,0,2.4,0,0"}),
        Mac("rounded rectangle", {"21,1,2.0,1.2,0,0,0", "21,1,2.4,0.8,0,0,0", "1,1,0.4,-1.0,0.4", "1,1,0.4,1.0,0.4",
                                  "1,1,0.4,-1.0,-0.4", "1,1,0.4,1.0,-0.4"}),
        Mac("overlapping primitives", {"1,1,2.0,-0.5,0", "1,1,2.0,0.5,0", "20,1,0.3,-2,0,2,0,0"}),
    };
    for (const FlashCase& c : cases) Compare(c);
}

// The macros of the aperture-macro test board, with its parameters put in.
TEST_F(GerbvCompare, MacrosOfTheAmTestBoard)
{
    const double in = 25.4;
    auto mm = [&](double v) { return FormatReal(v * in); };
    const FlashCase cases[] = {
        Mac("CIRCLE", {"1,1," + mm(0.5) + ",0,0"}),
        Mac("VECTOR", {"2,1," + mm(0.05) + ",0,0," + mm(1) + "," + mm(0) + ",-135"}),
        Mac("LINE1", {"21,1," + mm(0.3) + "," + mm(0.05) + ",0,0,-135"}),
        Mac("LINE2", {"22,1," + mm(0.8) + "," + mm(0.5) + ",0,0,-45"}),
        Mac("OUTLINE", {"4,1,3,0.0,0.0,0.0," + mm(0.5) + "," + mm(0.5) + "," + mm(0.5) + "," + mm(0.5) + ",0.0,-25"}),
        Mac("POLYGON 3", {"5,1,3,0,0," + mm(0.5) + ",-10"}),
        Mac("POLYGON 6", {"5,1,6,0,0," + mm(0.5) + ",0"}),
        Mac("MOIRE", {"6,0,0," + mm(1.0) + "," + mm(0.1) + "," + mm(0.2) + ",2," + mm(0.01) + "," + mm(1) + ",40"}),
        Mac("THERMAL", {"7,0,0," + mm(1.0) + "," + mm(0.3) + "," + mm(0.01) + ",-13"}),
    };
    for (const FlashCase& c : cases) Compare(c);
}

// The flashes of the single-feature contour files (their apertures without
// a hole: holes in standard apertures are not part of the aperture table).
TEST_F(GerbvCompare, FlashesOfTheContourFiles)
{
    const FlashCase cases[] = {
        Std("flash circle", apCircle, 0.5),
        Std("flash obround", apOval, 0.46, 0.26),
        Std("flash polygon", apPolygon, 0.40, 6),
        Std("flash rectangle", apRectangle, 0.44, 0.25),
        Mac("square with hole", {"21,1,10,10,0,0,0", "1,0,5,0,0"}),
    };
    for (const FlashCase& c : cases) Compare(c);
}
