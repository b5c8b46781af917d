// Each RS-274X layer of the corpus boards, clear polarity included, drawn
// alone by the probe's render verb at 20 px/mm, against gerbv's picture of
// the same window. Edges may differ by a pixel: after growing each picture
// by one pixel, at most 0.5% of the lit pixels may be lit in one picture
// only.
#include "platform/NumberText.h"
#include "tests/RunCommand.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using platform::FormatInt;
using platform::FormatReal;

namespace {

constexpr double PixelsPerMm = 20.0;
constexpr int MaxPixels = 2000;   // gerbv exports up to about 2048 pixels
constexpr double MaxShare = 0.005;

struct Mono {
    int w = 0, h = 0;
    std::vector<std::uint8_t> on;
    bool At(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && on[static_cast<std::size_t>(y) * w + x]; }
};

std::string Inches(double mm, int decimals)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, mm / 25.4, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

// gerbv takes an origin text of at most about 20 characters: as many
// decimals as fit (5 decimals of an inch are 0.005 pixels at 20 px/mm).
std::string OriginText(double x, double y)
{
    for (int d = 7; d > 3; --d) {
        const std::string t = Inches(x, d) + "x" + Inches(y, d);
        if (t.size() <= 19) return t;
    }
    return Inches(x, 3) + "x" + Inches(y, 3);
}

std::string Slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

using testutil::RunCommand;

// The value after `key=` up to a space, comma or the end.
bool Field(const std::string& text, const std::string& key, int index, double& v)
{
    std::size_t at = text.find(key + "=");
    if (at == std::string::npos) return false;
    at += key.size() + 1;
    for (int k = 0; k < index; ++k) at = text.find(',', at) + 1;
    const std::size_t end = text.find_first_of(" ,\t\n", at);
    return platform::TryParseReal(text.substr(at, end - at), v);
}

Mono Load(const fs::path& png, bool ours)
{
    QImage img(QString::fromStdString(png.string()));
    Mono m;
    if (img.isNull()) return m;
    img = img.convertToFormat(QImage::Format_RGB32);
    m.w = img.width();
    m.h = img.height();
    m.on.assign(static_cast<std::size_t>(m.w) * m.h, 0);
    for (int y = 0; y < m.h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < m.w; ++x) {
            const QRgb c = row[x] & 0xFFFFFF;
            // Ours: the layer in red, the origin cross white (left out).
            m.on[static_cast<std::size_t>(y) * m.w + x] = ours ? (c == 0xFFFFFF ? 2 : c != 0) : qGray(row[x]) > 127;
        }
    }
    return m;
}

struct Figures {
    long long lit = 0, differ = 0;
};

// `edge`: a band along the picture's sides left out.
Figures Compare(const Mono& ours, const Mono& theirs, int edge)
{
    Figures f;
    auto near = [](const Mono& m, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (m.At(x + dx, y + dy)) return true;
        return false;
    };
    for (int y = edge; y < ours.h - edge; ++y)
        for (int x = edge; x < ours.w - edge; ++x) {
            const std::uint8_t a = ours.on[static_cast<std::size_t>(y) * ours.w + x];
            if (a == 2) continue;   // the origin cross
            const bool b = theirs.At(x, y);
            if (a || b) ++f.lit;
            if ((a && !near(theirs, x, y)) || (b && !near(ours, x, y))) ++f.differ;
        }
    return f;
}

// Both pictures in one: lit in both white, ours only red, gerbv's only
// green, the origin cross grey.
void Dump(const fs::path& path, const Mono& ours, const Mono& theirs)
{
    QImage img(ours.w, ours.h, QImage::Format_RGB32);
    for (int y = 0; y < ours.h; ++y)
        for (int x = 0; x < ours.w; ++x) {
            const std::uint8_t a = ours.on[static_cast<std::size_t>(y) * ours.w + x];
            const bool b = theirs.At(x, y);
            img.setPixel(x, y, a == 2 ? 0x808080 : a && b ? 0xFFFFFF : a ? 0xFF0000 : b ? 0x00FF00 : 0);
        }
    img.save(QString::fromStdString(path.string()), "PNG");
}

class RedrawGerbvCompare : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("gerbv --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "gerbv is not installed";
        dir_ = fs::temp_directory_path() / ("tessel2-redraw-gerbv-" + FormatInt(static_cast<long long>(::getpid())));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_F(RedrawGerbvCompare, LayersOfTheCorpusBoards)
{
    const std::string probe = std::string(TESSEL2_BINARY_DIR) + "/tessel2-probe";
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(TESSEL2_CORPUS) / "cad")) {
        if (!entry.is_regular_file()) continue;
        const std::string text = Slurp(entry.path());
        if (text.find("%FS") == std::string::npos) continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    int compared = 0, withinOnePercent = 0;
    for (const fs::path& file : files) {
        const std::string name = file.parent_path().filename().string() + "/" + file.filename().string();
        SCOPED_TRACE(name);
        std::string out;
        double minX = 0, maxX = 0, minY = 0, maxY = 0, elements = 0;
        if (!RunCommand("'" + probe + "' info '" + file.string() + "' 2>/dev/null", out) || !Field(out, "elements", 0, elements) ||
            elements < 1 || !Field(out, "extents", 0, minX) || !Field(out, "extents", 1, maxX) ||
            !Field(out, "extents", 2, minY) || !Field(out, "extents", 3, maxY) || !(maxX > minX) || !(maxY > minY))
        {
            std::printf("%-60s not read by the probe\n", name.c_str());
            continue;   // not read, or nothing to see
        }
        // A window at 20 px/mm about the layer's centre: fitted first, then
        // zoomed so that one millimetre is 20 pixels.
        const int w = std::min(MaxPixels, static_cast<int>(std::ceil((maxX - minX + 4) * PixelsPerMm)));
        const int h = std::min(MaxPixels, static_cast<int>(std::ceil((maxY - minY + 4) * PixelsPerMm)));
        const fs::path ours = dir_ / "ours.png", theirs = dir_ / "theirs.png";
        const std::string base = "'" + probe + "' render '" + ours.string() + "' " + FormatInt(w) + " " + FormatInt(h) + " '" + file.string() + "'";
        double scale = 0;
        ASSERT_TRUE(RunCommand(base, out)) << out;
        ASSERT_TRUE(Field(out, "scale", 0, scale));
        const std::string centre = FormatReal((minX + maxX) / 2) + "," + FormatReal((minY + maxY) / 2);
        ASSERT_TRUE(RunCommand(base + " --zoom " + FormatReal(PixelsPerMm / scale) + " --centre " + centre, out)) << out;
        double ox = 0, oy = 0;
        ASSERT_TRUE(Field(out, "scale", 0, scale) && Field(out, "origin", 0, ox) && Field(out, "origin", 1, oy)) << out;
        ASSERT_NEAR(scale, PixelsPerMm, 1e-9);
        // The picture's lower left corner in inches.
        const double left = -ox, bottom = oy - h / scale;
        const std::string cmd = "gerbv -x png -o '" + theirs.string() + "' -B 0 --dpi=" + FormatReal(PixelsPerMm * 25.4) + " -O " +
                                OriginText(left, bottom) + " -w " + FormatInt(w) + "x" + FormatInt(h) +
                                " -b '#000000' -f '#FFFFFFFF' '" + file.string() + "' > /dev/null 2>&1";
        fs::remove(theirs);
        if (std::system(cmd.c_str()) != 0 || !fs::exists(theirs)) {
            std::printf("%-60s no picture from gerbv: %s\n", name.c_str(), cmd.c_str());
            continue;
        }
        const Mono a = Load(ours, true), b = Load(theirs, false);
        ASSERT_EQ(a.w, b.w);
        ASSERT_EQ(a.h, b.h);
        // A window smaller than the layer cuts flashes at its sides, and
        // zoomed in a flash whose centre is off the picture is not drawn.
        const bool cut = w == MaxPixels || h == MaxPixels;
        const Figures f = Compare(a, b, cut ? 100 : 0);
        if (const char* dump = std::getenv("TESSEL2_REDRAW_DUMP"))
            Dump(fs::path(dump) / (file.parent_path().filename().string() + "_" + file.filename().string() + ".png"), a, b);
        const double share = f.lit ? static_cast<double>(f.differ) / f.lit : 0.0;
        std::printf("%-60s lit %9lld differ %7lld %7.3f%%\n", name.c_str(), f.lit, f.differ, share * 100);
        RecordProperty(name, FormatReal(std::round(share * 1e5) / 1e3));
        EXPECT_LE(share, MaxShare) << f.differ << " of " << f.lit;
        ++compared;
        withinOnePercent += share <= 0.01;
    }
    std::printf("%d layers compared, %d within 1%%\n", compared, withinOnePercent);
    EXPECT_GT(compared, 100);
    EXPECT_GE(withinOnePercent, compared * 95 / 100);
}

} // namespace
