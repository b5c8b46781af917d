#include "core/StrokeFont.h"

#include "platform/NumberText.h"

#include <array>

namespace core {

namespace {

// Each letter as polylines of points "x,y"; ";" starts the next polyline.
// Every two consecutive points of a polyline make one stroke.
constexpr std::array<const char*, 26> Outlines{
    /* A */ "0,-0.5 0.5,0.5 1,-0.5; 0.15,-0.2 0.85,-0.2",
    /* B */ "0,0.5 0,-0.5; 0,0.5 0.6,0.5; 0,0.05 0.6,0.05; 0,-0.5 0.6,-0.5;"
            " 0.6,0.5 0.8,0.45 0.9,0.35 0.9,0.2 0.8,0.1 0.6,0.05 0.9,0 1,-0.15 1,-0.3 0.9,-0.45 0.6,-0.5",
    /* C */ "1,0.3 0.9,0.4 0.7,0.5 0.4,0.5 0.2,0.4 0.1,0.3 0,0.1 0,-0.1 0.1,-0.3 0.2,-0.4 0.4,-0.5 0.7,-0.5"
            " 0.9,-0.4 1,-0.3",
    /* D */ "0,0.5 0,-0.5; 0,0.5 0.6,0.5 0.8,0.4 0.9,0.3 1,0.1 1,-0.1 0.9,-0.3 0.8,-0.4 0.6,-0.5 0,-0.5",
    /* E */ "1,0.5 0,0.5 0,-0.5 1,-0.5; 0,0 0.9,0",
    /* F */ "1,0.5 0,0.5 0,-0.5; 0,0 0.9,0",
    /* G */ "1,0.3 0.9,0.4 0.7,0.5 0.4,0.5 0.2,0.4 0.1,0.3 0,0.1 0,-0.1 0.1,-0.3 0.2,-0.4 0.4,-0.5 0.7,-0.5"
            " 0.9,-0.4 1,-0.2 1,0 0.7,0",
    /* H */ "0,0.5 0,-0.5; 1,0.5 1,-0.5; 0,0 1,0",
    /* I */ "0,0.5 0.4,0.5; 0,-0.5 0.4,-0.5; 0.2,0.5 0.2,-0.5",
    /* J */ "1,0.5 1,-0.1 0.9,-0.3 0.8,-0.4 0.6,-0.5 0.4,-0.5 0.2,-0.4 0.1,-0.3 0,-0.1",
    /* K */ "0,0.5 0,-0.5; 1,0.5 0,-0.2; 0.3,0 1,-0.5",
    /* L */ "0,0.5 0,-0.5 1,-0.5",
    /* M */ "0,-0.5 0,0.5 0.5,0 1,0.5 1,-0.5",
    /* N */ "0,-0.5 0,0.5 1,-0.5 1,0.5",
    /* O */ "0,0.1 0,-0.1 0.05,-0.3 0.2,-0.45 0.4,-0.5 0.6,-0.5 0.8,-0.45 0.95,-0.3 1,-0.1 1,0.1 0.95,0.3"
            " 0.8,0.45 0.6,0.5 0.4,0.5 0.2,0.45 0.05,0.3 0,0.1",
    /* P */ "0,0.5 0,-0.5; 0,0.5 0.7,0.5 0.9,0.45 1,0.3 1,0.2 0.9,0.05 0.7,0 0,0",
    /* Q */ "0,0.1 0,-0.1 0.05,-0.3 0.2,-0.45 0.4,-0.5 0.6,-0.5 0.8,-0.45 0.95,-0.3 1,-0.1 1,0.1 0.95,0.3"
            " 0.8,0.45 0.6,0.5 0.4,0.5 0.2,0.45 0.05,0.3 0,0.1; 0.7,-0.2 1,-0.5",
    /* R */ "0,0.5 0,-0.5; 0,0.5 0.7,0.5 0.9,0.45 1,0.3 1,0.2 0.9,0.05 0.7,0 0,0; 0.6,0 1,-0.5",
    /* S */ "1,0.3 0.9,0.45 0.7,0.5 0.3,0.5 0.1,0.45 0,0.3 0,0.2 0.1,0.05 0.3,0 0.7,0 0.9,-0.05 1,-0.2 1,-0.3"
            " 0.9,-0.45 0.7,-0.5 0.3,-0.5 0.1,-0.45 0,-0.3",
    /* T */ "0,0.5 1,0.5; 0.5,0.5 0.5,-0.5",
    /* U */ "0,0.5 0,-0.1 0.05,-0.3 0.2,-0.45 0.4,-0.5 0.6,-0.5 0.8,-0.45 0.95,-0.3 1,-0.1 1,0.5",
    /* V */ "0,0.5 0.5,-0.5 1,0.5",
    /* W */ "0,0.5 0.2,-0.5 0.5,0.1 0.8,-0.5 1,0.5",
    /* X */ "0,0.5 1,-0.5; 1,0.5 0,-0.5",
    /* Y */ "0,0.5 0.5,0 1,0.5; 0.5,0 0.5,-0.5",
    /* Z */ "0,0.5 1,0.5 0,-0.5 1,-0.5",
};

std::vector<GlyphStroke> StrokesOf(std::string_view outline)
{
    std::vector<GlyphStroke> strokes;
    bool havePoint = false;
    double px = 0, py = 0;
    std::size_t i = 0;
    while (i < outline.size()) {
        const char c = outline[i];
        if (c == ' ') {
            ++i;
        } else if (c == ';') {
            havePoint = false;
            ++i;
        } else {
            std::size_t used = 0;
            const double x = platform::ParseRealPrefix(outline.substr(i), &used);
            i += used + 1;   // the comma
            const double y = platform::ParseRealPrefix(outline.substr(i), &used);
            i += used;
            if (havePoint) strokes.push_back({px, py, x, y});
            px = x;
            py = y;
            havePoint = true;
        }
    }
    return strokes;
}

const std::array<std::vector<GlyphStroke>, 26>& Glyphs()
{
    static const std::array<std::vector<GlyphStroke>, 26> glyphs = [] {
        std::array<std::vector<GlyphStroke>, 26> g;
        for (std::size_t k = 0; k < g.size(); ++k) g[k] = StrokesOf(Outlines[k]);
        return g;
    }();
    return glyphs;
}

} // namespace

const std::vector<GlyphStroke>& GlyphStrokes(std::string_view letter)
{
    static const std::vector<GlyphStroke> none;
    if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z') return none;
    return Glyphs()[static_cast<std::size_t>(letter[0] - 'A')];
}

int GetStrokeGlyph(const std::string& letter, MyTextArray& strokes)
{
    // A text without strokes leaves what the caller holds.
    const std::vector<GlyphStroke>& glyph = GlyphStrokes(letter);
    if (glyph.empty()) return 0;
    strokes.clear();
    const std::string code = platform::FormatInt(static_cast<unsigned char>(letter[0]));
    for (const GlyphStroke& s : glyph) {
        std::string text = code;
        for (double v : {s.x1, s.y1, s.x2, s.y2}) {
            text.push_back(',');
            text += platform::FormatReal(v);
        }
        strokes.push_back(std::move(text));
    }
    return static_cast<int>(strokes.size());
}

int PlaceGlyph(const std::string& letter, MyTextArray& placed, double x, double y, double scaleX, double scaleY)
{
    placed.clear();
    const std::vector<GlyphStroke>& strokes = GlyphStrokes(letter);
    if (strokes.empty()) return 0;
    // Centred across by the letter's own extent, up by the cell.
    double xmax = 0, xmin = 1;
    for (const GlyphStroke& s : strokes)
        for (double v : {s.x1, s.x2}) {
            if (v > xmax) xmax = v;
            if (v < xmin) xmin = v;
        }
    const double c = xmin + (xmax - xmin) * 0.5;
    for (const GlyphStroke& s : strokes) {
        std::string text = platform::FormatReal((s.x1 - c) * scaleX + x);
        text += ',' + platform::FormatReal(s.y1 * scaleY + y);
        text += ',' + platform::FormatReal((s.x2 - c) * scaleX + x);
        text += ',' + platform::FormatReal(s.y2 * scaleY + y);
        placed.push_back(std::move(text));
    }
    return static_cast<int>(placed.size());
}

} // namespace core
