#include "main/StartupSettings.h"

#include "core/TextHelpers.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace mainwin {

namespace {

struct IntKey {
    const char* key;
    const char* written;
    int MyStartupSet::*field;
};
struct BoolKey {
    const char* key;
    const char* written;
    bool MyStartupSet::*field;
};

constexpr IntKey IntKeys[] = {
    {"LEFT", "LEFT = ", &MyStartupSet::LEFT},
    {"TOP", "TOP = ", &MyStartupSet::TOP},
    {"WIDTH", "WIDTH = ", &MyStartupSet::WIDTH},
    {"HEIGHT", "HEIGHT = ", &MyStartupSet::HEIGHT},
    {"SPLIT1", "SPLIT1 = ", &MyStartupSet::SPLIT1},
};
constexpr BoolKey BoolKeys[] = {
    {"MIRR", "MIRR     = ", &MyStartupSet::MIRR},
    {"PAINT", "PAINT    = ", &MyStartupSet::PAINT},
    {"AUTOSCR", "AUTOSCR  = ", &MyStartupSet::AUTOSCR},
    {"DRILLCHR", "DRILLCHR = ", &MyStartupSet::DRILLCHR},
};

// The value as a whole number, cut toward zero; false when it is not a number.
bool TruncatedValue(const std::string& text, long long& out)
{
    double v = 0;
    if (!platform::TryParseReal(text, v) || !std::isfinite(v)) return false;
    v = std::trunc(v);
    // Window coordinates fit an int many times over; anything beyond is clamped.
    v = std::clamp(v, -1e9, 1e9);
    out = static_cast<long long>(v);
    return true;
}

} // namespace

std::vector<std::string> StartupLines(const MyStartupSet& s)
{
    std::vector<std::string> lines;
    for (const IntKey& k : IntKeys) lines.push_back(k.written + platform::FormatInt(s.*k.field));
    for (const BoolKey& k : BoolKeys) lines.push_back(k.written + platform::FormatBool(s.*k.field));
    return lines;
}

void ApplyStartupLines(const std::vector<std::string>& lines, MyStartupSet& s)
{
    for (const std::string& line : lines) {
        if (line.find('=') == std::string::npos) continue;
        std::string key, value;
        core::ExtractBetween(line, "", "=", key);
        core::ExtractBetween(line, "=", "#", value);
        long long v = 0;
        if (!TruncatedValue(value, v)) continue;
        for (const IntKey& k : IntKeys)
            if (key == k.key) s.*k.field = static_cast<int>(v);
        for (const BoolKey& k : BoolKeys)
            if (key == k.key) s.*k.field = v != 0 || value.find_first_of("123456789") != std::string::npos;
    }
}

bool ReadStartupSettings(const std::filesystem::path& path, MyStartupSet& s)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        s.LEFT = 0;
        s.TOP = 0;
        s.WIDTH = 1024;
        s.HEIGHT = 768;
        s.SPLIT1 = 220;
        return false;
    }
    ApplyStartupLines(platform::ReadTextLines(path), s);
    return true;
}

void WriteStartupSettings(const std::filesystem::path& path, const MyStartupSet& s)
{
    platform::TextFileWriter w(path);
    for (const std::string& line : StartupLines(s)) w.WriteLine(line);
    w.Commit();
}

int PanelFileWidthFor(int split1) { return (split1 >= 200 && split1 < 400) ? split1 : 250; }

WindowPlacement PlaceWindow(const MyStartupSet& s, const ScreenRect& workArea)
{
    WindowPlacement p;
    p.panelFileWidth = PanelFileWidthFor(s.SPLIT1);
    int w = std::min(s.WIDTH, workArea.width);
    int h = std::min(s.HEIGHT, workArea.height);
    if (w < 800 || h < 600) {
        p.window = workArea;
        return p;
    }
    int left = std::clamp(s.LEFT, workArea.left, workArea.left + workArea.width - w);
    int top = std::clamp(s.TOP, workArea.top, workArea.top + workArea.height - h);
    p.window = {left, top, w, h};
    return p;
}

ScreenRect MinimumTrackingSize(const ScreenRect& workArea)
{
    return {0, 0, std::min(1024, std::max(0, workArea.width)), std::min(768, std::max(0, workArea.height))};
}

ScreenRect ClientArea(const ScreenRect& outer, const FrameMargins& f)
{
    return {outer.left + f.left, outer.top + f.top, std::max(0, outer.width - f.left - f.right),
            std::max(0, outer.height - f.top - f.bottom)};
}

ScreenRect FrameArea(const ScreenRect& client, const FrameMargins& f)
{
    return {client.left - f.left, client.top - f.top, client.width + f.left + f.right, client.height + f.top + f.bottom};
}

ScreenRect CentredIn(const ScreenRect& outer, const ScreenRect& workArea)
{
    return {workArea.left + (workArea.width - outer.width) / 2, workArea.top + (workArea.height - outer.height) / 2, outer.width,
            outer.height};
}

} // namespace mainwin
