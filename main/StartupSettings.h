#pragma once
// The window settings kept between runs in "STARTUP.pra", and where the
// main window goes from them. No Qt: the rules are tested on their own.
#include <filesystem>
#include <string>
#include <vector>

namespace mainwin {

struct MyStartupSet {
    int LEFT = 0, TOP = 0, WIDTH = 1024, HEIGHT = 768, SPLIT1 = 220;
    // Display options: mirror (the bottom view), filled elements,
    // auto-scroll, drill hits as tool letters.
    bool MIRR = false, PAINT = true, AUTOSCR = false, DRILLCHR = false;
};

// Keys as written, padded as the file has always had them.
inline constexpr const char* StartupFileName = "STARTUP.pra";

// The nine lines of the file (UTF-8, without line ends).
std::vector<std::string> StartupLines(const MyStartupSet& s);

// Reads the file over `s`: keys in any order, unknown keys and values that
// are not numbers skipped. A missing file leaves the window settings at
// 0, 0, 1024, 768, 220 and the options as they were. Returns false when the
// file does not exist. Throws platform::Error when it cannot be read.
bool ReadStartupSettings(const std::filesystem::path& path, MyStartupSet& s);
// Applies the lines of such a file (what ReadStartupSettings does after reading).
void ApplyStartupLines(const std::vector<std::string>& lines, MyStartupSet& s);
// Writes the file (CR LF, temporary file then rename). Throws platform::Error.
void WriteStartupSettings(const std::filesystem::path& path, const MyStartupSet& s);

struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct WindowPlacement {
    int panelFileWidth = 250;
    ScreenRect window;
};

// The left panel takes SPLIT1 when 200 <= SPLIT1 < 400, else 250.
int PanelFileWidthFor(int split1);

// Where the window goes in a work area: the size capped at the work area;
// below 800 x 600 the whole work area; otherwise the saved place, moved as
// little as needed to lie inside the work area (a place saved on a screen
// that is gone, or far off, never hides the window).
WindowPlacement PlaceWindow(const MyStartupSet& s, const ScreenRect& workArea);

// The smallest size the user may drag the window to (1024 x 768, never more
// than the work area).
ScreenRect MinimumTrackingSize(const ScreenRect& workArea);

// The window's place and sizes above are those of its frame, the window
// manager's border and title bar included. The frame's width on each side:
struct FrameMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const FrameMargins&, const FrameMargins&) = default;
};
// The client area inside a frame that takes `outer`.
ScreenRect ClientArea(const ScreenRect& outer, const FrameMargins& frame);
// The frame around a client area.
ScreenRect FrameArea(const ScreenRect& client, const FrameMargins& frame);
// `outer` moved to the middle of the work area (the first start).
ScreenRect CentredIn(const ScreenRect& outer, const ScreenRect& workArea);

} // namespace mainwin
