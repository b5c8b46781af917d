// Printed pages measured as pictures: the probe prints into a PDF file,
// pdftoppm turns each page into pixels at 10 per millimetre (no smoothing),
// and the ink is measured where the data says it belongs.
#include "PdfPages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace pdfpages;

namespace {

class PrintPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
        dir_ = fs::temp_directory_path() / ("tessel2-pdf-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Prints the files; returns the PDF's path (empty when the probe failed).
    std::string Print(const std::vector<std::string>& files, const std::string& options, const std::string& name = "out.pdf")
    {
        const std::string pdf = (dir_ / name).string();
        std::string cmd = "'" + std::string(TESSEL2_BINARY_DIR) + "/tessel2-probe' print '" + pdf + "'";
        for (const std::string& f : files) cmd += " '" + f + "'";
        std::string out;
        if (!RunCommand(cmd + " " + options + " 2>&1", out)) {
            ADD_FAILURE() << cmd << ": " << out;
            return {};
        }
        return pdf;
    }
    int PageCount(const std::string& pdf) { return pdfpages::PageCount(pdf); }
    Page Raster(const std::string& pdf, int page) { return pdfpages::Raster(pdf, page, dir_); }
    // A Gerber file of our own in the test folder.
    std::string Write(const std::string& name, const std::string& text)
    {
        const fs::path path = dir_ / name;
        std::ofstream(path) << text;
        return path.string();
    }

    fs::path dir_;
};

constexpr const char* Head = "%FSLAX34Y34*%\n%MOMM*%\n%ADD10C,0.2*%\n%ADD11C,2.0*%\n";

std::string Coordinate(double v) { return std::to_string(static_cast<long long>(std::llround(v * 10000))); }

} // namespace

// Tracks 100 mm long across, down and aslant, with 2 mm flashes at their
// ends in a second file (page 2, the same transform): each track measures
// 100 mm, and each flash sits on its track's end.
TEST_F(PrintPdf, TrackLengthsAndFlashesOnTheirEnds)
{
    struct Track { double x1, y1, x2, y2; };
    const Track tracks[] = {{0, 0, 100, 0}, {150, 20, 150, 120}, {20, 150, 80, 230}};
    std::string lines = Head, flashes = Head;
    lines += "D10*\n";
    flashes += "D11*\n";
    for (const Track& t : tracks) {
        lines += "X" + Coordinate(t.x1) + "Y" + Coordinate(t.y1) + "D02*\nX" + Coordinate(t.x2) + "Y" + Coordinate(t.y2) + "D01*\n";
        flashes += "X" + Coordinate(t.x1) + "Y" + Coordinate(t.y1) + "D03*\nX" + Coordinate(t.x2) + "Y" + Coordinate(t.y2) + "D03*\n";
    }
    lines += "M02*\n", flashes += "M02*\n";
    const std::string pdf = Print({Write("tracks.gbr", lines), Write("pads.gbr", flashes)}, "");
    ASSERT_FALSE(pdf.empty());
    ASSERT_EQ(PageCount(pdf), 2);
    const Page trackPage = Raster(pdf, 1), padPage = Raster(pdf, 2);
    ASSERT_GT(trackPage.w, 0);
    ASSERT_GT(padPage.w, 0);
    // The data centre (the middle of the union of both files) is the page's.
    const double cx = (0 - 1 + 150 + 1) / 2.0, cy = (-1 + 231) / 2.0;
    const double pageCx = trackPage.w / PixelsPerMm / 2, pageCy = trackPage.h / PixelsPerMm / 2;
    auto onPage = [&](double x, double y, double& px, double& py) { px = pageCx + (x - cx), py = pageCy - (y - cy); };
    for (const Track& t : tracks) {
        SCOPED_TRACE("track from " + std::to_string(t.x1) + "," + std::to_string(t.y1));
        double ax, ay, bx, by;
        onPage(t.x1, t.y1, ax, ay);
        onPage(t.x2, t.y2, bx, by);
        const double len = std::hypot(bx - ax, by - ay), ux = (bx - ax) / len, uy = (by - ay) / len;
        // Ink within 1 mm of the track's line, projected onto it.
        double lo = 1e9, hi = -1e9, across = 0;
        long long n = 0;
        for (int y = static_cast<int>((std::min(ay, by) - 2) * PixelsPerMm); y < (std::max(ay, by) + 2) * PixelsPerMm; ++y)
            for (int x = static_cast<int>((std::min(ax, bx) - 2) * PixelsPerMm); x < (std::max(ax, bx) + 2) * PixelsPerMm; ++x) {
                if (!trackPage.Ink(x, y)) continue;
                const double dx = (x + 0.5) / PixelsPerMm - ax, dy = (y + 0.5) / PixelsPerMm - ay;
                const double along = dx * ux + dy * uy, off = -dx * uy + dy * ux;
                if (std::fabs(off) > 1) continue;
                lo = std::min(lo, along), hi = std::max(hi, along), across += off, ++n;
            }
        ASSERT_GT(n, 0);
        across /= n;
        // The round ends reach half the pen's width beyond the track's ends.
        const double start = lo + 0.1, end = hi - 0.1;
        EXPECT_NEAR(end - start, 100.0, 0.2);
        const double ends[2][2] = {{ax + ux * start - uy * across, ay + uy * start + ux * across},
                                   {ax + ux * end - uy * across, ay + uy * end + ux * across}};
        for (const auto& e : ends) {
            double fx, fy;
            ASSERT_TRUE(InkCentre(padPage, e[0], e[1], 1.5, fx, fy));
            EXPECT_NEAR(fx, e[0], 0.1);
            EXPECT_NEAR(fy, e[1], 0.1);
        }
    }
}

// Real boards' layers, alone on a page: the ink covers the layer's extents
// (apertures included) about the printable centre, scaled, mirrored about
// that centre and moved by the offset as asked.
TEST_F(PrintPdf, RealLayersLandWhereTheirExtentsSay)
{
    const std::string corpus = TESSEL2_CORPUS;
    struct Layer { const char* file; double width, height; };
    // Widths and heights from the reader's extents (probe info).
    const Layer layers[] = {
        {"/cad/eagle-newer/copper_top.gbr", 52.3748, 19.304},
        {"/cad/kicad-older/chibi_2024-Edge.Cuts.gbr", 100.15, 78.15},
        {"/cad/fusion360/copper_top.gbr", 24.0, 31.0},
    };
    struct Option { const char* options; double factor, shiftX, shiftY; bool mirrored; };
    const Option options[] = {
        {"", 1, 0, 0, false},
        {"--scale 200", 2, 0, 0, false},
        {"--offset 10,-5", 1, -10, -5, false},    // the offset point lands mid page
        {"--mirror --offset 10,0", 1, 10, 0, true},   // mirrored, the offset moves it the other way
    };
    for (const Layer& l : layers) {
        const std::string file = corpus + l.file;
        Page plain;
        Box base;
        for (const Option& o : options) {
            SCOPED_TRACE(std::string(l.file) + " " + o.options);
            const std::string pdf = Print({file}, o.options);
            ASSERT_FALSE(pdf.empty());
            const Page p = Raster(pdf, 1);
            ASSERT_GT(p.w, 0);
            const Box b = InkBox(p);
            ASSERT_GT(b.pixels, 0);
            if (!o.mirrored && o.factor == 1 && o.shiftX == 0) {
                plain = p, base = b;
                if (l.width > 0) {
                    EXPECT_NEAR(b.Width(), l.width, 0.3);
                    EXPECT_NEAR(b.Height(), l.height, 0.3);
                }
                EXPECT_NEAR(b.CentreX(), p.w / PixelsPerMm / 2, 0.2);
                EXPECT_NEAR(b.CentreY(), (p.h / PixelsPerMm) / 2, 0.2);
                continue;
            }
            if (base.Width() * o.factor < 200) {
                EXPECT_NEAR(b.Width(), base.Width() * o.factor, 0.3 * o.factor);
            }
            EXPECT_NEAR(b.CentreX(), base.CentreX() + o.shiftX, 0.2);
            EXPECT_NEAR(b.CentreY(), base.CentreY() + o.shiftY, 0.2);
            if (o.mirrored) {
                // Ink for ink, the plain page flipped about the vertical through the
                // ink box's centre.
                long long same = 0;
                const int flip = static_cast<int>(std::lround((b.CentreX() + base.CentreX()) * PixelsPerMm));
                for (int y = 0; y < p.h - 200; ++y)
                    for (int x = 0; x < p.w; ++x)
                        if (p.Ink(x, y) && plain.Ink(flip - 1 - x, y)) ++same;
                EXPECT_GT(static_cast<double>(same) / base.pixels, 0.97);
            }
        }
    }
}

// One page per page group: every layer of a board alone on its page; in
// N/P mode each page is the exact negative of the plain one.
TEST_F(PrintPdf, PagesOfABoardAndTheirNegatives)
{
    const std::string board = std::string(TESSEL2_CORPUS) + "/cad/eagle-newer/";
    const std::vector<std::string> files = {board + "copper_top.gbr", board + "copper_bottom.gbr", board + "profile.gbr",
                                            board + "silkscreen_top.gbr", board + "drills.xln"};
    const std::string plain = Print(files, "", "plain.pdf"), inverted = Print(files, "--mode 1", "inverted.pdf");
    ASSERT_FALSE(plain.empty());
    ASSERT_FALSE(inverted.empty());
    EXPECT_EQ(PageCount(plain), 5);
    EXPECT_EQ(PageCount(inverted), 5);
    for (int page = 1; page <= 4; ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        const Page a = Raster(plain, page), b = Raster(inverted, page);
        ASSERT_EQ(a.px.size(), b.px.size());
        ASSERT_GT(a.w, 0);
        long long inkA = 0, inkB = 0, complement = 0;
        for (int y = 0; y < a.h; ++y)
            for (int x = 0; x < a.w; ++x) {
                inkA += a.Ink(x, y), inkB += b.Ink(x, y);
                complement += a.Ink(x, y) != b.Ink(x, y);
            }
        // Mostly black, with white copper where the plain page has black.
        EXPECT_GT(inkB, static_cast<long long>(a.px.size()) * 9 / 10);
        EXPECT_GT(inkA, 0);
        EXPECT_GT(static_cast<double>(complement) / static_cast<double>(a.px.size()), 0.999);
    }
}
