#include "SyntheticBoard.h"

#include "core/Datas.h"
#include "core/GerberReader.h"
#include "platform/Error.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <cstdio>
#include <algorithm>
#include <cmath>
#include <memory>

namespace bench {

namespace {

class Writer {
public:
    explicit Writer(const std::string& path) : f_(std::fopen(path.c_str(), "wb"))
    {
        if (!f_) throw platform::Error("cannot write " + path);
        buf_.reserve(1 << 20);
    }
    ~Writer()
    {
        if (f_) std::fclose(f_);
    }
    void Text(const char* s) { buf_ += s; Spill(); }
    // A coordinate word in the 4.6 format: nanometres as an integer.
    void Word(char letter, std::int64_t value)
    {
        char tmp[24];
        auto r = std::to_chars(tmp, tmp + sizeof tmp, value);
        buf_ += letter;
        buf_.append(tmp, r.ptr);
    }
    void Close()
    {
        Spill(true);
        if (std::fclose(f_) != 0) throw platform::Error("write failed");
        f_ = nullptr;
    }

private:
    void Spill(bool all = false)
    {
        if (buf_.size() < (1u << 20) && !all) return;
        if (std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size()) throw platform::Error("write failed");
        buf_.clear();
    }
    std::FILE* f_;
    std::string buf_;
};

struct Random {
    std::uint64_t s = 0x2545F4914F6CDD1DULL;
    std::uint32_t Next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::uint32_t>(s >> 16);
    }
    std::int64_t Range(std::int64_t lo, std::int64_t hi) { return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo)); }
};

} // namespace

std::int64_t WriteSyntheticBoard(const std::string& path, std::int64_t elements)
{
    Writer w(path);
    w.Text("G04 Synthetic board for benchmarks*\n%FSLAX46Y46*%\n%MOMM*%\n%LPD*%\n");
    w.Text("%AMRRECT*0 rounded rectangle: width, height, corner diameter*\n"
           "21,1,$1,$2-$3,0,0,0*21,1,$1-$3,$2,0,0,0*"
           "$4=$1/2-$3/2*$5=$2/2-$3/2*"
           "1,1,$3,$4,$5*1,1,$3,0-$4,$5*1,1,$3,0-$4,0-$5*1,1,$3,$4,0-$5*%\n");
    w.Text("%AMTHERM*7,0,0,1.8,1.2,0.3,45*%\n");
    w.Text("%ADD10C,0.254*%\n%ADD11R,1.5X0.8*%\n%ADD12O,1.6X0.9*%\n%ADD13RRECT,1.2X0.8X0.3*%\n"
           "%ADD14C,0.5*%\n%ADD15R,0.6X0.6*%\n%ADD16THERM*%\n%ADD17C,1.0*%\n");
    w.Text("G75*\nG01*\n");

    Random rnd;
    const std::int64_t W = 300'000'000, H = 200'000'000;  // nm
    std::int64_t made = 0;
    auto point = [&](std::int64_t x, std::int64_t y, const char* d) {
        w.Word('X', x);
        w.Word('Y', y);
        w.Text(d);
    };
    static const char* trackApertures[] = {"D10*\n", "D14*\n", "D15*\n"};
    static const char* flashApertures[] = {"D11*\n", "D12*\n", "D13*\n", "D16*\n", "D17*\n"};
    while (made < elements) {
        const std::int64_t left = elements - made;
        const std::uint32_t pick = rnd.Next() % 100;
        if (pick < 40 || left < 4) {
            // A track of up to six segments.
            w.Text(trackApertures[rnd.Next() % 3]);
            std::int64_t x = rnd.Range(1'000'000, W - 1'000'000), y = rnd.Range(1'000'000, H - 1'000'000);
            point(x, y, "D02*\n");
            const std::int64_t n = std::min<std::int64_t>(left, 1 + rnd.Next() % 6);
            for (std::int64_t k = 0; k < n; ++k) {
                x = std::clamp<std::int64_t>(x + rnd.Range(-3'000'000, 3'000'000), 0, W);
                y = std::clamp<std::int64_t>(y + rnd.Range(-3'000'000, 3'000'000), 0, H);
                point(x, y, "D01*\n");
            }
            made += n;
        } else if (pick < 55) {
            // A quarter arc.
            w.Text("D10*\n");
            const std::int64_t r = rnd.Range(200'000, 2'000'000);
            const std::int64_t cx = rnd.Range(3'000'000, W - 3'000'000), cy = rnd.Range(3'000'000, H - 3'000'000);
            point(cx + r, cy, "D02*\n");
            const bool ccw = rnd.Next() & 1;
            w.Text(ccw ? "G03" : "G02");
            w.Word('X', cx);
            w.Word('Y', ccw ? cy + r : cy - r);
            w.Word('I', -r);
            w.Word('J', 0);
            w.Text("D01*\nG01*\n");
            made += 1;
        } else if (pick < 90) {
            // A row of flashes.
            w.Text(flashApertures[rnd.Next() % 5]);
            std::int64_t x = rnd.Range(1'000'000, W - 20'000'000), y = rnd.Range(1'000'000, H - 1'000'000);
            const std::int64_t n = std::min<std::int64_t>(left, 1 + rnd.Next() % 16);
            for (std::int64_t k = 0; k < n; ++k, x += 1'270'000) point(x, y, "D03*\n");
            made += n;
        } else {
            // A four-sided region.
            const std::int64_t x = rnd.Range(1'000'000, W - 6'000'000), y = rnd.Range(1'000'000, H - 6'000'000);
            const std::int64_t a = rnd.Range(500'000, 5'000'000), b = rnd.Range(500'000, 5'000'000);
            w.Text("G36*\n");
            point(x, y, "D02*\n");
            point(x + a, y, "D01*\n");
            point(x + a, y + b, "D01*\n");
            point(x, y + b, "D01*\n");
            point(x, y, "D01*\n");
            w.Text("G37*\n");
            made += 4;
        }
    }
    w.Text("M02*\n");
    w.Close();
    return made;
}

namespace {

// The read layer shown, with the extents the open command sets.
void ShowAsLayer(const core::MyDataValue& value, const char* name)
{
    core::LayerTable[1].Active = 1;
    core::LayerTable[1].FileName = name;
    core::LayerCount = 1;
    core::Extents.MinX = value.MinX;
    core::Extents.MaxX = value.MaxX;
    core::Extents.MinY = value.MinY;
    core::Extents.MaxY = value.MaxY;
    core::Extents.Width = value.MaxX - value.MinX;
    core::Extents.Height = value.MaxY - value.MinY;
    core::Extents.CentreX = (value.MinX + value.MaxX) / 2;
    core::Extents.CentreY = (value.MinY + value.MaxY) / 2;
}

// What the Load functions left in the tables.
std::string loaded;

} // namespace

void LoadSyntheticBoard(std::int64_t elements)
{
    namespace fs = std::filesystem;
    const std::string key = "board " + std::to_string(elements);
    if (loaded == key) return;
    loaded = key;
    const fs::path folder = fs::temp_directory_path() / ("tessel2-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path file = folder / "synthetic.gbr";
    WriteSyntheticBoard(file.string(), elements);
    core::ResetTables();
    core::DataFolder = folder.string();
    core::Gauge gauge;
    core::MyDataValue value;
    if (!core::ReadGerberFile(gauge, file.string(), 1, value)) std::abort();
    if (core::MacroCount > 0) core::ParseMacroParams();
    std::error_code ec;
    fs::remove_all(folder, ec);
    ShowAsLayer(value, "synthetic.gbr");
}

void LoadPlaneBoard(std::int64_t flashes, Plane kind)
{
    const std::string key = "plane " + std::to_string(flashes) + " " + std::to_string(static_cast<int>(kind));
    if (loaded == key) return;
    loaded = key;
    // A 300 × 200 mm plane, then the flashes on a grid over it.
    std::string text = "%FSLAX46Y46*%\n%MOMM*%\n%ADD10C,0.8*%\nG01*\nG36*\nX0Y0D02*\nX300000000D01*\nY200000000D01*\nX0D01*\nY0D01*\nG37*\n";
    if (kind == Plane::ClearFlashes) text += "%LPC*%\n";
    text += "D10*\n";
    const std::int64_t columns = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::sqrt(static_cast<double>(flashes) * 1.5)));
    for (std::int64_t k = 0; k < (kind == Plane::Alone ? 0 : flashes); ++k) {
        const std::int64_t x = 1'000'000 + (k % columns) * (298'000'000 / columns);
        const std::int64_t y = 1'000'000 + (k / columns) * (298'000'000 / columns);
        text += "X" + std::to_string(x) + "Y" + std::to_string(y) + "D03*\n";
    }
    text += "M02*\n";
    core::ResetTables();
    core::Gauge gauge;
    core::MyDataValue value;
    if (!core::ReadGerberData(gauge, text, 1, value)) std::abort();
    ShowAsLayer(value, "plane.gbr");
}

} // namespace bench
