#include "core/DesignRules.h"

#include "core/Clearance.h"
#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace core {

MyDrcSet DrcSettings;
MyErrorPoint DrcErrors;

void MoveDrcLayer(int from, int to)
{
    MyDrcSet& s = DrcSettings;
    // The rules of each layer go where the layer goes.
    const std::vector<double> widths = s.MinWidth;
    const std::vector<std::int32_t> angles = s.AngleCheck;
    for (int layer = 1; layer <= s.Count; ++layer) {
        const int moved = MovedLayerNumber(layer, from, to);
        const auto k = static_cast<std::size_t>(layer), m = static_cast<std::size_t>(moved);
        if (moved < 1 || moved > s.Count) continue;
        if (k < widths.size() && m < s.MinWidth.size()) s.MinWidth[m] = widths[k];
        if (k < angles.size() && m < s.AngleCheck.size()) s.AngleCheck[m] = angles[k];
    }
    for (std::int32_t* layer : {&s.TopSilk, &s.TopResist, &s.BottomSilk, &s.BottomResist})
        if (*layer >= 1) *layer = MovedLayerNumber(*layer, from, to);
}

namespace {

// Registered once, before anything can move a layer.
const bool drcFollowsLayers = [] {
    LayerMoveHooks().push_back(MoveDrcLayer);
    return true;
}();

} // namespace

namespace {

constexpr double Pi = 3.14159265358979323846;
// A width or clearance within 0.0005 of its limit passes (and so does one
// that only arithmetic noise puts just beyond that).
constexpr double LimitTolerance = 0.0005 + 1e-9;
constexpr double DirectionTolerance = 0.01;
// How much closer than their boxes two elements may measure: arc ends taken
// within the angle tolerance, the rounding of the clearance. Generous.
constexpr double BoxSlack = 0.01;

std::string LayerNames(int layer)
{
    const MyLayerSet* l = LayerAt(layer);
    return l ? "/" + l->FileName + "/" + l->Contents + ")" : "//)";
}

bool OffEveryDirection(double a)
{
    for (int k = 0; k <= 8; ++k)
        if (std::fabs(a - k * Pi / 4) <= DirectionTolerance) return false;
    return true;
}

// A box holding everything a clearance to the element can be measured from:
// its box, and for an arc also its stored end points with the stroke's width
// (an arc's ends need not lie exactly on its circle). False when the element
// has no such box (and so no clearance).
bool ReachBox(const DataElement& e, MyBox& box)
{
    if (!ElementBox(e, box) || !(box[0] <= box[1]) || !(box[2] <= box[3])) return false;
    if (e.Kind == dkArcCCW || e.Kind == dkArcCW || e.Kind == dkRegionArcCCW || e.Kind == dkRegionArcCW) {
        const MyAperture* a = ApertureAt(e.Code);
        const double hw = a ? a->Size1 * 0.5 : 0.0;
        GrowBox(box, MyBox{e.X1 - hw, e.X1 + hw, e.Y1 - hw, e.Y1 + hw});
        GrowBox(box, MyBox{e.X2 - hw, e.X2 + hw, e.Y2 - hw, e.Y2 + hw});
    }
    return std::isfinite(box[0]) && std::isfinite(box[1]) && std::isfinite(box[2]) && std::isfinite(box[3]);
}

double BoxDistance(const MyBox& a, const MyBox& b)
{
    const double dx = std::max({0.0, a[0] - b[1], b[0] - a[1]});
    const double dy = std::max({0.0, a[2] - b[3], b[2] - a[3]});
    return std::sqrt(dx * dx + dy * dy);
}

// Boxes in square buckets, to find those near a box without looking at all.
class BoxBuckets {
public:
    explicit BoxBuckets(const std::vector<MyBox>& boxes) : boxes_(boxes)
    {
        MyBox all = EmptyBox;
        for (const MyBox& b : boxes) GrowBox(all, b);
        if (boxes.empty()) return;
        x0_ = all[0];
        y0_ = all[2];
        // Millimetre buckets, coarser when the boxes spread over more than a
        // few million of them.
        const double w = all[1] - all[0], h = all[3] - all[2];
        size_ = std::max(1.0, std::sqrt(w * h / 4e6));
        cols_ = static_cast<std::int64_t>(std::min(w / size_, 4e6)) + 1;
        rows_ = static_cast<std::int64_t>(std::min(h / size_, 4e6)) + 1;
        offsets_.assign(static_cast<std::size_t>(cols_ * rows_ + 1), 0);
        for (const MyBox& b : boxes) Visit(b, [&](std::size_t k) { ++offsets_[k + 1]; });
        for (std::size_t k = 1; k < offsets_.size(); ++k) offsets_[k] += offsets_[k - 1];
        items_.resize(offsets_.back());
        std::vector<std::uint32_t> next(offsets_.begin(), offsets_.end() - 1);
        for (std::size_t i = 0; i < boxes.size(); ++i)
            Visit(boxes[i], [&](std::size_t k) { items_[next[k]++] = static_cast<std::int32_t>(i); });
    }

    // The positions of the boxes within `reach` of `box`, ascending.
    void Near(const MyBox& box, double reach, std::vector<std::int32_t>& out) const
    {
        out.clear();
        if (offsets_.empty()) return;
        const MyBox wide{box[0] - reach, box[1] + reach, box[2] - reach, box[3] + reach};
        Visit(wide, [&](std::size_t k) {
            for (std::uint32_t p = offsets_[k]; p < offsets_[k + 1]; ++p) out.push_back(items_[p]);
        });
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        std::erase_if(out, [&](std::int32_t p) { return !(BoxDistance(boxes_[static_cast<std::size_t>(p)], box) <= reach); });
    }

private:
    std::int64_t Bucket(double v, double origin, std::int64_t count) const
    {
        const double b = std::floor((v - origin) / size_);
        return static_cast<std::int64_t>(std::clamp(b, 0.0, static_cast<double>(count - 1)));
    }
    template <class F>
    void Visit(const MyBox& b, F&& f) const
    {
        const std::int64_t c0 = Bucket(b[0], x0_, cols_), c1 = Bucket(b[1], x0_, cols_);
        const std::int64_t r0 = Bucket(b[2], y0_, rows_), r1 = Bucket(b[3], y0_, rows_);
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c) f(static_cast<std::size_t>(r * cols_ + c));
    }

    const std::vector<MyBox>& boxes_;
    double x0_ = 0, y0_ = 0, size_ = 1;
    std::int64_t cols_ = 0, rows_ = 0;
    std::vector<std::uint32_t> offsets_;
    std::vector<std::int32_t> items_;
};

void ResistSilkPass(Gauge& gauge, const TaskRunner& runner, bool on, int resist, int silk, double gap, DrcErrorType type)
{
    const std::int64_t n = DataCount;
    gauge.SetMaximum(n);
    gauge.SetProgress(0);
    if (!on || resist < 1 || silk < 1 || !(gap > 0)) return;

    std::vector<std::int32_t> resists, silks;
    std::vector<MyBox> resistBoxes, silkBoxes;
    MyBox box;
    for (std::int64_t i = 0; i < n; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        if (e.Layer != resist && e.Layer != silk) continue;
        if (!ReachBox(e, box)) continue;
        // A layer checked against itself is both.
        if (e.Layer == resist) resists.push_back(static_cast<std::int32_t>(i)), resistBoxes.push_back(box);
        if (e.Layer == silk) silks.push_back(static_cast<std::int32_t>(i)), silkBoxes.push_back(box);
    }
    const BoxBuckets buckets(silkBoxes);
    const std::string tail = LayerNames(silk);

    const std::size_t tasks = std::clamp<std::size_t>(resists.size() / 512, 1, 256);
    std::vector<std::vector<MyErrPointSet>> found(tasks);
    std::atomic<std::size_t> done{0};
    RunTasks(runner, tasks, [&](std::size_t t, unsigned worker) {
        const std::size_t first = resists.size() * t / tasks, last = resists.size() * (t + 1) / tasks;
        std::vector<std::int32_t> near;
        std::vector<std::pair<std::int64_t, std::int32_t>> order;
        for (std::size_t r = first; r < last; ++r) {
            const std::int32_t i = resists[r];
            buckets.Near(resistBoxes[r], gap + BoxSlack, near);
            order.clear();
            for (std::int32_t p : near) {
                const std::int32_t j = silks[static_cast<std::size_t>(p)];
                if (j != i) order.emplace_back(TextOrderKey(j), j);
            }
            std::sort(order.begin(), order.end());
            for (const auto& [key, j] : order) {
                double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
                const double g = GapBetween(i, j, x1, y1, x2, y2);
                if (g < gap - LimitTolerance)
                    found[t].push_back({j, x2, y2, "レジストシルク間隙エラー(" + platform::FormatReal(g) + tail, type});
            }
            if (worker == 0 && (r & 255) == 255) {
                gauge.SetProgress(static_cast<long long>(static_cast<double>(done.load() + r - first) / static_cast<double>(resists.size()) * static_cast<double>(n)));
                gauge.Pump();
            }
        }
        done.fetch_add(last - first);
    });
    for (std::vector<MyErrPointSet>& errors : found)
        for (MyErrPointSet& e : errors) AppendDrcError(std::move(e));
    gauge.SetProgress(n);
}

} // namespace

void AppendDrcError(MyErrPointSet error)
{
    MyErrorPoint& d = DrcErrors;
    const std::size_t kept = static_cast<std::size_t>(std::clamp<std::int64_t>(d.Count, 0, static_cast<std::int64_t>(std::min(d.Points.size(), d.Elements.size()))));
    d.Points.resize(kept);
    d.Elements.resize(kept);
    d.Elements.push_back(error.Element);
    d.Points.push_back(std::move(error));
    d.Count = static_cast<std::int32_t>(kept + 1);
}

void ClearDrcErrors() { DrcErrors = MyErrorPoint{}; }

void CheckLineRules(Gauge& gauge)
{
    const MyDrcSet& s = DrcSettings;
    const std::int64_t n = DataCount;
    // The per-layer arrays hold entries 0..Count.
    const std::int64_t count = std::min<std::int64_t>(
        {s.Count, static_cast<std::int64_t>(s.MinWidth.size()) - 1, static_cast<std::int64_t>(s.AngleCheck.size()) - 1});
    if (n < 1 || count < 1) return;
    bool any = false;
    for (std::int64_t l = 1; l <= count; ++l) any |= s.MinWidth[static_cast<std::size_t>(l)] > 0 || s.AngleCheck[static_cast<std::size_t>(l)] > 0;
    if (!any) return;
    gauge.SetMaximum(n);
    gauge.SetProgress(0);
    for (std::int64_t i = 0; i < n; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        const std::int64_t l = e.Layer;
        if (l >= 1 && l <= count) {
            const double minWidth = s.MinWidth[static_cast<std::size_t>(l)];
            if (minWidth > 0 && (e.Kind == dkLine || e.Kind == dkSquareStroke || e.Kind == dkArcCCW || e.Kind == dkArcCW)) {
                const MyAperture* a = ApertureAt(e.Code);
                const double w = a ? a->Size1 : 0.0;
                if (w < minWidth - LimitTolerance) {
                    MyErrPointSet err{static_cast<std::int32_t>(i), 0, 0, "線幅エラー(" + platform::FormatReal(w) + LayerNames(static_cast<int>(l)), etLineWidth};
                    MarkerPoint(e, err.X, err.Y);
                    AppendDrcError(std::move(err));
                }
            }
            if (s.AngleCheck[static_cast<std::size_t>(l)] > 0 && (e.Kind == dkLine || e.Kind == dkSquareStroke)) {
                const double a = Direction(e.X1, e.Y1, e.X2, e.Y2);
                if (OffEveryDirection(a)) {
                    MyErrPointSet err{static_cast<std::int32_t>(i), 0, 0,
                                      "角度エラー(" + platform::FormatReal(a * 180.0 / Pi) + "°" + LayerNames(static_cast<int>(l)), etLineAngle};
                    MarkerPoint(e, err.X, err.Y);
                    AppendDrcError(std::move(err));
                }
            }
        }
        if ((i & 0xFFFF) == 0xFFFF) {
            gauge.SetProgress(i + 1);
            gauge.Pump();
        }
    }
    gauge.SetProgress(n);
}

void CheckResistSilkGap(Gauge& gauge, const TaskRunner& runner)
{
    const MyDrcSet& s = DrcSettings;
    if (DataCount < 1 || (!s.TopOn && !s.BottomOn)) return;
    ResistSilkPass(gauge, runner, s.TopOn, s.TopResist, s.TopSilk, s.TopGap, etTopResistSilk);
    ResistSilkPass(gauge, runner, s.BottomOn, s.BottomResist, s.BottomSilk, s.BottomGap, etBottomResistSilk);
}

} // namespace core
