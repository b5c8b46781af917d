#pragma once
// Printed PDF pages as pictures: pdfinfo counts the pages, pdftoppm turns
// one into grey pixels at 10 per millimetre (no smoothing), and the ink is
// measured where the data says it belongs.
#include "../RunCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace pdfpages {

inline constexpr double PixelsPerMm = 10.0;   // pdftoppm -r 254

using testutil::RunCommand;

inline bool HavePoppler()
{
    std::string out;
    return RunCommand("pdftoppm -v 2>&1", out) && RunCommand("pdfinfo -v 2>&1", out);
}

// A grey page: true where there is ink (darker than mid grey).
struct Page {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    bool Ink(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && px[static_cast<std::size_t>(y) * w + x] < 128; }
};

struct Box {
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;   // mm from the page's top left
    long long pixels = 0;
    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
    double CentreX() const { return (left + right) / 2; }
    double CentreY() const { return (top + bottom) / 2; }
};

// The PDF's page count, -1 when it cannot be read.
inline int PageCount(const std::string& pdf)
{
    std::string out;
    if (!RunCommand("pdfinfo '" + pdf + "'", out)) return -1;
    const std::size_t at = out.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 6);
}

// One page as pixels, through a file in `work`; empty when it failed.
inline Page Raster(const std::string& pdf, int page, const std::filesystem::path& work)
{
    const std::string prefix = (work / ("p" + std::to_string(page))).string();
    std::string out;
    Page p;
    if (!RunCommand("pdftoppm -r 254 -gray -aa no -aaVector no -f " + std::to_string(page) + " -l " + std::to_string(page) +
                        " -singlefile '" + pdf + "' '" + prefix + "' 2>&1",
                    out))
        return p;
    std::ifstream in(prefix + ".pgm", std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> p.w >> p.h >> maxval;
    in.get();
    p.px.resize(static_cast<std::size_t>(p.w) * p.h);
    in.read(reinterpret_cast<char*>(p.px.data()), static_cast<std::streamsize>(p.px.size()));
    if (magic != "P5" || !in) p = {};
    return p;
}

// The ink box of the page, leaving out the footer strip at the bottom (its
// letters grow with the scale).
inline Box InkBox(const Page& p, double x0 = 0, double y0 = 0, double x1 = 1e9, double y1 = 1e9)
{
    Box b;
    const int top = static_cast<int>(std::max(0.0, y0 * PixelsPerMm)), left = static_cast<int>(std::max(0.0, x0 * PixelsPerMm));
    const int bottom = static_cast<int>(std::min(p.h - 20 * PixelsPerMm, y1 * PixelsPerMm));
    const int right = static_cast<int>(std::min(static_cast<double>(p.w), x1 * PixelsPerMm));
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (p.Ink(x, y)) {
                b.left = std::min(b.left, x / PixelsPerMm), b.right = std::max(b.right, (x + 1) / PixelsPerMm);
                b.top = std::min(b.top, y / PixelsPerMm), b.bottom = std::max(b.bottom, (y + 1) / PixelsPerMm);
                ++b.pixels;
            }
    return b;
}

// The centre of the ink within r mm of (x, y).
inline bool InkCentre(const Page& p, double x, double y, double r, double& cx, double& cy)
{
    double sx = 0, sy = 0;
    long long n = 0;
    for (int py = static_cast<int>((y - r) * PixelsPerMm); py <= static_cast<int>((y + r) * PixelsPerMm); ++py)
        for (int px = static_cast<int>((x - r) * PixelsPerMm); px <= static_cast<int>((x + r) * PixelsPerMm); ++px)
            if (p.Ink(px, py)) sx += px + 0.5, sy += py + 0.5, ++n;
    if (n == 0) return false;
    cx = sx / n / PixelsPerMm, cy = sy / n / PixelsPerMm;
    return true;
}

} // namespace pdfpages
