#pragma once
// A GDI-like drawing surface: a pen (colour, width, mode, style), a brush
// (colour, style), a font, and the figures the program draws with them.
// Pictures, highlight layers and work bitmaps use RasterCanvas; text,
// dialogs and printing use the Qt implementation of the same interface.
//
// Colours are Windows colour values (red in the low byte, blue in the third)
// until the moment they are drawn. Coordinates are device pixels; a caller
// turns millimetres into them with SaturateCoord, so that no zoom overflows.
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

using Color = std::uint32_t;

constexpr Color RGB(int r, int g, int b)
{
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

struct Point {
    std::int32_t x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Left and top inside, right and bottom outside.
struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Device coordinates stay within ±GuardBand. The band is far beyond any
// picture or page, so a figure reaching past it is clipped anyway, and the
// products and differences the rasteriser forms never overflow.
constexpr std::int32_t GuardBand = 1 << 29;

// A device coordinate from a real one: cut toward zero, saturated to the
// guard band (NaN gives -GuardBand, off every picture).
inline std::int32_t SaturateCoord(double v)
{
    if (!(v > -static_cast<double>(GuardBand))) return -GuardBand;
    if (v >= static_cast<double>(GuardBand)) return GuardBand;
    return static_cast<std::int32_t>(v);   // truncates toward zero
}
inline std::int32_t SaturateCoord(long long v)
{
    return v < -GuardBand ? -GuardBand : (v > GuardBand ? GuardBand : static_cast<std::int32_t>(v));
}

enum class PenMode : std::uint8_t {
    Copy,     // the pen colour
    Merge,    // OR with the pixel
    Xor,      // XOR with the pixel
    NotXor,   // XOR with the inverted colour: a black pen inverts
};

enum class PenStyle : std::uint8_t {
    Solid,
    Dot,      // one-pixel pens only: 3 pixels on, 3 off along the path
};

enum class BrushStyle : std::uint8_t {
    Solid,
    Clear,      // no fill
    BDiagonal,  // "/" hatch every 8 pixels, the gaps left untouched
};

// The default is the font of the owner-drawn lists and menus.
struct FontInfo {
    std::string Name = "ＭＳ Ｐゴシック";
    int Height = -15;     // pixels; negative: character height without the leading
    Color FontColor = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    int Stretch = 100;    // width of the glyphs in percent: below 100 condensed
    friend bool operator==(const FontInfo&, const FontInfo&) = default;
};

struct TextSize {
    int cx = 0, cy = 0;
};

class RasterCanvas;

// Values of a flash mask (see FillMask): what each pixel of the flash takes.
constexpr Color MaskEmpty = 0x000000;
constexpr Color MaskBrush = 0x808080;
constexpr Color MaskPen = 0xFFFFFF;

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // State. Setting is cheap; implementations pick it up at the next figure.
    Color PenColor() const { return penColor_; }
    int PenWidth() const { return penWidth_; }
    PenMode GetPenMode() const { return penMode_; }
    PenStyle GetPenStyle() const { return penStyle_; }
    Color BrushColor() const { return brushColor_; }
    BrushStyle GetBrushStyle() const { return brushStyle_; }
    const FontInfo& Font() const { return font_; }

    void SetPenColor(Color c) { penColor_ = c; }
    void SetPenWidth(int w) { penWidth_ = w < 1 ? 1 : (w > MaxPenWidth ? MaxPenWidth : w); }
    void SetPenMode(PenMode m) { penMode_ = m; }
    void SetPenStyle(PenStyle s) { penStyle_ = s; }
    void SetBrushColor(Color c) { brushColor_ = c; }
    void SetBrushStyle(BrushStyle s) { brushStyle_ = s; }
    void SetFont(const FontInfo& f) { font_ = f; }
    void SetFontColor(Color c) { font_.FontColor = c; }
    void SetFontHeight(int h) { font_.Height = h; }

    Point PenPos() const { return penPos_; }

    // Figures. Lines are drawn with the pen; closed figures are filled with
    // the brush and outlined with the pen, each pixel changed once.
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(std::span<const Point> points) = 0;
    virtual void Polygon(std::span<const Point> points) = 0;
    // The box without its right column and bottom row.
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    // The brush alone, in copy mode, whatever the pen mode.
    virtual void FillRect(const Rect& r) = 0;
    // One pixel in the given colour, whatever the pen mode.
    virtual void SetPixel(int x, int y, Color c) = 0;
    // Text in the font, its top left at (x, y), on a clear background.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    virtual TextSize TextExtent(std::string_view text) = 0;
    int TextWidth(std::string_view text) { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) { return TextExtent(text).cy; }

    // A figure drawn beforehand into a scratch raster, placed with its top
    // left at (left, top): MaskPen pixels take the pen colour, MaskBrush
    // pixels the brush (if not clear), both in the pen mode; the rest stays.
    // Lets a composite flash change every pixel once and cut holes in itself
    // without touching what lies under it.
    virtual void FillMask(const RasterCanvas& mask, int left, int top) = 0;

    // Wide enough for any track at any zoom; the rasteriser clips per row.
    static constexpr int MaxPenWidth = GuardBand;

protected:
    Color penColor_ = 0;
    int penWidth_ = 1;
    PenMode penMode_ = PenMode::Copy;
    PenStyle penStyle_ = PenStyle::Solid;
    Color brushColor_ = 0xFFFFFF;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    FontInfo font_;
    Point penPos_;
};

} // namespace platform
