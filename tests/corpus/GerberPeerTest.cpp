// Our reading of real boards against an independent renderer (gerbv): the
// extents of every RS-274X layer of the CAD boards, and the outlines of
// aperture-macro flashes (IoU of pixels at 1000 dpi).
#include "core/Datas.h"
#include "core/Geometry.h"
#include "core/GerberReader.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/NumberText.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
constexpr double Pi = 3.14159265358979323846;

// A window of the board in whole pixels: origin (inches) = k / dpi.
struct Window {
    long long x0 = 0, y0 = 0;  // lower-left corner in pixels from the origin
    int width = 0, height = 0; // pixels
    int dpi = 1000;
    double Pixel() const { return 25.4 / dpi; }
    double Left() const { return static_cast<double>(x0) * Pixel(); }
    double Bottom() const { return static_cast<double>(y0) * Pixel(); }
    // Centre of pixel (column, row), row 0 at the top.
    double X(int col) const { return Left() + (col + 0.5) * Pixel(); }
    double Y(int row) const { return Bottom() + (height - row - 0.5) * Pixel(); }
};

Window WindowAround(const core::MyBox& box, double margin, int maxPixels, int firstDpi = 1000)
{
    Window w;
    for (int dpi : {firstDpi, 1000, 500, 400, 250, 200, 100, 50, 25}) {
        if (dpi > firstDpi) continue;
        w.dpi = dpi;
        const double perMm = dpi / 25.4;
        w.x0 = static_cast<long long>(std::floor((box[0] - margin) * perMm));
        w.y0 = static_cast<long long>(std::floor((box[2] - margin) * perMm));
        w.width = static_cast<int>(std::ceil((box[1] + margin) * perMm) - static_cast<double>(w.x0));
        w.height = static_cast<int>(std::ceil((box[3] + margin) * perMm) - static_cast<double>(w.y0));
        if (std::max(w.width, w.height) <= maxPixels) break;
    }
    return w;
}

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// gerbv does not take every long decimal: five places are plenty.
std::string Inches(double pixels, int dpi) { return platform::FormatReal(core::RoundTo(5, pixels / dpi)); }

// The gerbv command that renders `window` of `file` into `png`.
std::string GerbvCommand(const fs::path& file, const Window& w, const fs::path& png)
{
    // A quarter pixel more, so that the size comes out whole whether it is
    // rounded or cut.
    return "gerbv -x png -B 0 -D " + std::to_string(w.dpi) + " -O " + Inches(static_cast<double>(w.x0), w.dpi) + "x" +
           Inches(static_cast<double>(w.y0), w.dpi) + " -W " + Inches(w.width + 0.25, w.dpi) + "x" +
           Inches(w.height + 0.25, w.dpi) +
           " -b '#000000' -f '#FFFFFFFF' -o " + Quote(png.string()) + " " + Quote(file.string()) + " >/dev/null 2>&1";
}

// Runs the commands, four at a time.
void RunAll(const std::vector<std::string>& commands)
{
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (std::size_t i = next++; i < commands.size(); i = next++) (void)std::system(commands[i].c_str());
        });
    for (auto& w : workers) w.join();
}

bool Lit(const QImage& img, int col, int row) { return qRed(img.pixel(col, row)) > 127; }

bool HaveGerbv() { return std::system("command -v gerbv >/dev/null 2>&1") == 0; }

class GerberPeer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveGerbv()) GTEST_SKIP() << "gerbv is not installed";
        work_ = fs::temp_directory_path() / ("tessel2-peer-" + std::to_string(::getpid()));
        fs::create_directories(work_ / "DATA");
        core::DataFolder = (work_ / "DATA").string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(work_, ec);
        core::ResetTables();
    }

    // Reads one file alone, as layer 1, as the open command leaves it.
    static bool ReadAlone(const fs::path& file, core::MyDataValue& value)
    {
        core::ResetTables();
        core::GerberFormat = core::MyFormatPara{};
        core::Gauge gauge;
        bool ok = false;
        try {
            ok = core::ReadGerberFile(gauge, file.string(), 1, value);
        } catch (const platform::Error&) {
            ok = false;
        }
        if (ok && core::MacroCount > 0) core::ParseMacroParams();
        return ok;
    }

    fs::path work_;
};

// ------------------------------------------------------------------ extents

TEST_F(GerberPeer, ExtentsOfCadLayersAgreeWithGerbv)
{
    struct Job {
        fs::path file;
        core::MyBox ours;
        Window window;
        fs::path png;
    };
    std::vector<Job> jobs;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(TESSEL2_CORPUS) / "cad")) {
        if (!entry.is_regular_file() || core::DetectFileType(entry.path().string()) != core::fkRS274X) continue;
        core::MyDataValue value;
        if (!ReadAlone(entry.path(), value)) continue;
        Job job;
        job.file = entry.path();
        job.ours = {value.MinX, value.MaxX, value.MinY, value.MaxY};
        job.window = WindowAround(job.ours, 2.0, 3000);
        job.png = work_ / ("extent" + std::to_string(jobs.size()) + ".png");
        jobs.push_back(job);
    }
    ASSERT_GT(jobs.size(), 80u);
    std::vector<std::string> commands;
    for (const Job& j : jobs) commands.push_back(GerbvCommand(j.file, j.window, j.png));
    RunAll(commands);

    int compared = 0;
    for (const Job& j : jobs) {
        QImage img(QString::fromStdString(j.png.string()));
        ASSERT_FALSE(img.isNull()) << "gerbv made no picture of " << j.file;
        ASSERT_EQ(img.width(), j.window.width) << j.file;
        ASSERT_EQ(img.height(), j.window.height) << j.file;
        int c0 = img.width(), c1 = -1, r0 = img.height(), r1 = -1;
        for (int r = 0; r < img.height(); ++r)
            for (int c = 0; c < img.width(); ++c)
                if (Lit(img, c, r)) {
                    c0 = std::min(c0, c);
                    c1 = std::max(c1, c);
                    r0 = std::min(r0, r);
                    r1 = std::max(r1, r);
                }
        ASSERT_GE(c1, 0) << "nothing lit for " << j.file;
        const Window& w = j.window;
        const double p = w.Pixel();
        const core::MyBox theirs = {w.Left() + c0 * p, w.Left() + (c1 + 1) * p, w.Bottom() + (w.height - r1 - 1) * p,
                                    w.Bottom() + (w.height - r0) * p};
        const double tolerance = 0.1 + p;
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(j.ours[static_cast<std::size_t>(k)], theirs[static_cast<std::size_t>(k)], tolerance)
                << j.file.string() << " edge " << k << " at " << w.dpi << " dpi";
        ++compared;
    }
    std::cout << "  " << compared << " layers compared with gerbv\n";
}

// ------------------------------------------------------------ macro flashes

bool InPolygon(const core::MyPointArray& pts, double x, double y)
{
    bool inside = false;
    for (std::size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        if ((pts[i].y > y) != (pts[j].y > y) &&
            x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x)
            inside = !inside;
    }
    return inside;
}

bool NearSegment(double x, double y, double ax, double ay, double bx, double by, double r)
{
    const double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((x - ax) * dx + (y - ay) * dy) / l2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy)) <= r;
}

// (x, y) in the frame of a primitive turned by `degrees` about (cx, cy).
void Unrotate(double x, double y, double cx, double cy, double degrees, double& u, double& v)
{
    const double a = -degrees * Pi / 180.0;
    u = (x - cx) * std::cos(a) - (y - cy) * std::sin(a);
    v = (x - cx) * std::sin(a) + (y - cy) * std::cos(a);
}

// Whether the macro aperture flashed at F covers (x, y): primitives in order,
// each exposure on or off.
bool MacroCovers(const core::MyAperture& a, double fx, double fy, double x, double y,
                 std::vector<core::MyPointArray>& outlines)
{
    bool lit = false;
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        const core::MyMacro& m = core::Macros[static_cast<std::size_t>(k)];
        if (m.ValueCount < 1) continue;
        const int code = static_cast<int>(m.V(0));
        bool inside = false, dark = m.V(1) != 0;
        double cx = 0, cy = 0, r = 0;
        switch (code) {
        case 1:
            core::CirclePrimitiveGeometry(k, cx, cy, r, fx, fy);
            inside = std::hypot(x - cx, y - cy) <= r;
            break;
        case 2: case 20: case 21: case 22: case 4: case 5: {
            core::MyPointArray& pts = outlines[static_cast<std::size_t>(k - a.FirstPrimitive)];
            inside = pts.size() >= 3 && InPolygon(pts, x, y);
            break;
        }
        case 6: {
            dark = true;
            int count = 0;
            core::MyTwoPointArray segs;
            double half = 0;
            core::MoirePrimitiveGeometry(k, cx, cy, count, segs, half, r, fx, fy);
            const double d = std::hypot(x - cx, y - cy), ring = m.V(4), gap = m.V(5);
            const int rings = static_cast<int>(m.V(6));
            for (int i = 0; i < rings && !inside; ++i) {
                const double outer = r - i * (ring + gap);
                if (outer <= 0) break;
                inside = d <= outer && d >= outer - ring;
            }
            double u = 0, v = 0;
            Unrotate(x, y, cx, cy, m.V(9), u, v);
            const double hl = m.V(8) / 2, ht = m.V(7) / 2;
            inside = inside || (std::fabs(u) <= hl && std::fabs(v) <= ht) || (std::fabs(v) <= hl && std::fabs(u) <= ht);
            break;
        }
        case 7: {
            dark = true;
            core::CirclePrimitiveGeometry(k, cx, cy, r, fx, fy);
            const double d = std::hypot(x - cx, y - cy);
            double u = 0, v = 0;
            Unrotate(x, y, cx, cy, m.ValueCount > 6 ? m.V(6) : 0.0, u, v);
            const double g = m.V(5) / 2;
            inside = d <= r && d >= m.V(4) / 2 && std::fabs(u) >= g && std::fabs(v) >= g;
            break;
        }
        default:
            continue;
        }
        if (inside) lit = dark;
    }
    return lit;
}

// The elements this test can draw: flashes, round-aperture lines, square strokes.
bool Drawable(const core::DataElement& e)
{
    const core::MyAperture* a = core::ApertureAt(e.Code);
    switch (e.Kind) {
    case core::dkFlash:
        return a && (a->Shape == core::apCircle || a->Shape == core::apSquare || a->Shape == core::apRectangle ||
                     a->Shape == core::apOval || a->Shape == core::apMacro);
    case core::dkLine:
        return a && a->Shape == core::apCircle;
    case core::dkSquareStroke:
        return true;
    default:
        return false;
    }
}

bool Covers(const core::DataElement& e, double x, double y, std::vector<core::MyPointArray>& outlines)
{
    const core::MyAperture& a = *core::ApertureAt(e.Code);
    switch (e.Kind) {
    case core::dkLine:
        return NearSegment(x, y, e.X1, e.Y1, e.X2, e.Y2, a.Size1 / 2);
    case core::dkSquareStroke:
        return InPolygon({{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}, {e.X4, e.Y4}}, x, y);
    default:
        break;
    }
    const double dx = x - e.X3, dy = y - e.Y3;
    switch (a.Shape) {
    case core::apCircle: return std::hypot(dx, dy) <= a.Size1 / 2;
    case core::apSquare: return std::fabs(dx) <= a.Size1 / 2 && std::fabs(dy) <= a.Size1 / 2;
    case core::apRectangle: return std::fabs(dx) <= a.Size1 / 2 && std::fabs(dy) <= a.Size2 / 2;
    case core::apOval: {
        const double h = std::fabs(a.Size1 - a.Size2) / 2;
        return a.Size1 > a.Size2 ? NearSegment(x, y, e.X3 - h, e.Y3, e.X3 + h, e.Y3, a.Size2 / 2)
                                 : NearSegment(x, y, e.X3, e.Y3 - h, e.X3, e.Y3 + h, a.Size1 / 2);
    }
    case core::apMacro: return MacroCovers(a, e.X3, e.Y3, x, y, outlines);
    default: return false;
    }
}

TEST_F(GerberPeer, MacroFlashesMatchGerbv)
{
    std::vector<fs::path> files = {fs::path(TESSEL2_CORPUS) / "features/boards/am-test/am-test.gbx"};
    for (const auto& entry : fs::directory_iterator(fs::path(TESSEL2_CORPUS) / "features/boards/amacro-ref")) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".grb" || ext == ".ger") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    int compared = 0, skipped = 0;
    for (const fs::path& file : files) {
        core::MyDataValue value;
        ASSERT_TRUE(ReadAlone(file, value)) << file;
        std::vector<core::MyBox> boxes(static_cast<std::size_t>(core::DataCount));
        std::vector<char> has(boxes.size());
        for (std::int32_t i = 0; i < core::DataCount; ++i)
            has[static_cast<std::size_t>(i)] = core::ElementBox(core::Datas[static_cast<std::size_t>(i)], boxes[static_cast<std::size_t>(i)]);
        // A region covers the inside of its edges: each region gets the box of
        // its whole group on every edge.
        for (std::int32_t i = 0; i < core::DataCount;) {
            std::int32_t k = i;
            core::MyBox group = core::EmptyBox;
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            while (k < core::DataCount && core::Datas[static_cast<std::size_t>(k)].Group == e.Group &&
                   (core::Datas[static_cast<std::size_t>(k)].Kind == core::dkRegionLine ||
                    core::Datas[static_cast<std::size_t>(k)].Kind == core::dkRegionArcCCW ||
                    core::Datas[static_cast<std::size_t>(k)].Kind == core::dkRegionArcCW)) {
                core::GrowBox(group, boxes[static_cast<std::size_t>(k)]);
                ++k;
            }
            for (std::int32_t n = i; n < k; ++n) boxes[static_cast<std::size_t>(n)] = group;
            i = k > i ? k : i + 1;
        }
        struct Job {
            int code;
            std::vector<std::int32_t> elements;
            Window window;
            fs::path png;
        };
        std::vector<Job> jobs;
        std::vector<char> done(core::MaxApertureCode + 1);
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            const core::MyAperture* a = core::ApertureAt(e.Code);
            if (e.Kind != core::dkFlash || !a || a->Shape != core::apMacro || done[static_cast<std::size_t>(e.Code)]) continue;
            const core::MyBox& box = boxes[static_cast<std::size_t>(i)];
            EXPECT_LE(box[0], box[1]) << file << " D" << e.Code << " has no outline";
            if (box[0] > box[1]) {
                done[static_cast<std::size_t>(e.Code)] = 1;
                continue;
            }
            const double margin = 0.3;
            // Below ten pixels a pixel count says nothing about the outline.
            if (std::min(box[1] - box[0], box[3] - box[2]) < 0.254) {
                done[static_cast<std::size_t>(e.Code)] = 1;
                continue;
            }
            Job job;
            job.code = e.Code;
            // The window grows over the neighbours it touches, so that each
            // lies wholly inside it (gerbv leaves out flashes whose unturned
            // outline misses the window); a few rounds at most.
            core::MyBox view = {box[0] - margin, box[1] + margin, box[2] - margin, box[3] + margin};
            bool drawable = true, settled = false;
            for (int round = 0; round < 4 && drawable && !settled; ++round) {
                settled = true;
                job.elements.clear();
                core::MyBox grown = view;
                for (std::int32_t k = 0; k < core::DataCount && drawable; ++k) {
                    const core::MyBox& b = boxes[static_cast<std::size_t>(k)];
                    // The picture reaches a little beyond the view (margin
                    // and whole pixels): look that far.
                    const double reach = 0.1;
                    if (!has[static_cast<std::size_t>(k)] || b[0] > view[1] + reach || b[1] < view[0] - reach ||
                        b[2] > view[3] + reach || b[3] < view[2] - reach)
                        continue;
                    drawable = Drawable(core::Datas[static_cast<std::size_t>(k)]);
                    job.elements.push_back(k);
                    if (b[0] < view[0] || b[1] > view[1] || b[2] < view[2] || b[3] > view[3]) {
                        settled = false;
                        core::GrowBox(grown, b);
                    }
                }
                view = grown;
            }
            if (!drawable || !settled) continue;  // try another flash of this aperture
            done[static_cast<std::size_t>(e.Code)] = 1;
            // At 1000 dpi, or finer for small pads: a one-pixel difference in
            // the edge rule of the two rasterisers must not decide the result.
            const double smaller = std::min(box[1] - box[0], box[3] - box[2]);
            int dpi = 1000;
            while (dpi < 8000 && smaller * dpi / 25.4 < 150) dpi *= 2;
            job.window = WindowAround(view, 0.05, 3000, dpi);
            job.png = work_ / ("macro" + std::to_string(compared + jobs.size()) + ".png");
            jobs.push_back(job);
        }
        int skippedHere = 0;
        for (int d = 0; d <= core::MaxApertureCode; ++d)
            if (core::Apertures[static_cast<std::size_t>(d)].Shape == core::apMacro && core::Apertures[static_cast<std::size_t>(d)].Used &&
                !done[static_cast<std::size_t>(d)])
                ++skippedHere;
        skipped += skippedHere;
        // The small hand-made files flash every macro where it can be seen alone.
        if (fs::file_size(file) < 10000) {
            EXPECT_EQ(skippedHere, 0) << file;
        }
        std::vector<std::string> commands;
        for (const Job& j : jobs) commands.push_back(GerbvCommand(file, j.window, j.png));
        RunAll(commands);
        for (const Job& j : jobs) {
            QImage img(QString::fromStdString(j.png.string()));
            ASSERT_FALSE(img.isNull()) << GerbvCommand(file, j.window, j.png);
            ASSERT_EQ(img.width(), j.window.width);
            std::vector<std::vector<core::MyPointArray>> outlines;
            for (std::int32_t k : j.elements) {
                const core::DataElement& e = core::Datas[static_cast<std::size_t>(k)];
                const core::MyAperture* a = core::ApertureAt(e.Code);
                std::vector<core::MyPointArray> o;
                if (e.Kind == core::dkFlash && a->Shape == core::apMacro)
                    for (int p = a->FirstPrimitive; p <= a->LastPrimitive; ++p) {
                        o.emplace_back();
                        core::MacroPrimitivePolygon(p, o.back(), e.X3, e.Y3);
                    }
                outlines.push_back(std::move(o));
            }
            // Our picture, sampled at pixel centres.
            std::vector<char> ours(static_cast<std::size_t>(img.width()) * static_cast<std::size_t>(img.height()));
            for (int r = 0; r < img.height(); ++r)
                for (int c = 0; c < img.width(); ++c) {
                    const double x = j.window.X(c), y = j.window.Y(r);
                    bool lit = false;
                    for (std::size_t n = 0; n < j.elements.size(); ++n) {
                        const core::DataElement& e = core::Datas[static_cast<std::size_t>(j.elements[n])];
                        if (Covers(e, x, y, outlines[n])) lit = e.Clear == 0;
                    }
                    ours[static_cast<std::size_t>(r) * static_cast<std::size_t>(img.width()) + static_cast<std::size_t>(c)] = lit;
                }
            // The two pictures may place their pixel grid up to one pixel
            // apart: the best of the nine alignments is compared.
            long long both = 0, either = 0, oursOnly = 0, theirsOnly = 0;
            double best = -1;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    long long b = 0, e = 0, o = 0, t = 0;
                    for (int r = 0; r < img.height(); ++r)
                        for (int c = 0; c < img.width(); ++c) {
                            const int tc = c + dx, tr = r + dy;
                            const bool theirs = tc >= 0 && tr >= 0 && tc < img.width() && tr < img.height() && Lit(img, tc, tr);
                            const bool mine = ours[static_cast<std::size_t>(r) * static_cast<std::size_t>(img.width()) + static_cast<std::size_t>(c)];
                            b += mine && theirs;
                            e += mine || theirs;
                            o += mine && !theirs;
                            t += theirs && !mine;
                        }
                    const double score = e > 0 ? static_cast<double>(b) / static_cast<double>(e) : 0.0;
                    if (score > best) {
                        best = score;
                        both = b;
                        either = e;
                        oursOnly = o;
                        theirsOnly = t;
                    }
                }
            if (const char* keep = std::getenv("TESSEL2_PEER_KEEP"); keep && best < 0.95) {
                // Both pictures side by side for a look.
                QImage both(img.width() * 2, img.height(), QImage::Format_RGB32);
                for (int r = 0; r < img.height(); ++r)
                    for (int c = 0; c < img.width(); ++c) {
                        both.setPixel(c, r, img.pixel(c, r));
                        both.setPixel(img.width() + c, r, ours[static_cast<std::size_t>(r) * static_cast<std::size_t>(img.width()) + static_cast<std::size_t>(c)] ? 0xFFFFFFFF : 0xFF000000);
                    }
                both.save(QString::fromStdString(std::string(keep) + "/D" + std::to_string(j.code) + ".png"));
                std::cout << GerbvCommand(file, j.window, j.png) << "\n";
                for (std::int32_t k : j.elements) {
                    const core::DataElement& e = core::Datas[static_cast<std::size_t>(k)];
                    std::cout << "  element " << k << " kind " << e.Kind << " D" << e.Code << " clear " << int(e.Clear) << " at "
                              << platform::FormatReal(e.X3) << "," << platform::FormatReal(e.Y3) << "\n";
                }
            }
            ASSERT_GT(either, 0) << file << " D" << j.code;
            const double iou = static_cast<double>(both) / static_cast<double>(either);
            EXPECT_GE(iou, 0.95) << file.filename() << " D" << j.code << " ("
                                 << core::Apertures[static_cast<std::size_t>(j.code)].MacroName << "): " << oursOnly
                                 << " pixels only ours, " << theirsOnly << " only gerbv's, of " << img.width() << "x"
                                 << img.height();
            ++compared;
        }
    }
    std::cout << "  " << compared << " macro apertures compared, " << skipped << " without an isolated flash\n";
    EXPECT_GT(compared, 20);
}

} // namespace
