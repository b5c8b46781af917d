#pragma once
// A small font of straight strokes for the capital letters "A" to "Z": the
// letter of a drill tool drawn as thin lines at each hole of an exported job.
//
// A glyph lies in a cell from x 0 to 1 and y -0.5 to 0.5; a letter is 1 high
// and at most 1 wide.
#include "core/Datas.h"

#include <string>
#include <string_view>
#include <vector>

namespace core {

struct GlyphStroke {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The strokes of a letter in the cell, in drawing order; empty for anything
// but one of the 26 capitals (lower case, an empty text, two characters).
const std::vector<GlyphStroke>& GlyphStrokes(std::string_view letter);

// The letter's strokes as texts "code,x1,y1,x2,y2" (code 65 for "A"); their
// number. Any other text gives 0 and leaves `strokes` as it was.
int GetStrokeGlyph(const std::string& letter, MyTextArray& strokes);

// The letter centred on (x, y) (across by its own width, up by the cell),
// scaled, as texts "x1,y1,x2,y2" in the number form of the project files;
// their number (0 for a text without strokes).
int PlaceGlyph(const std::string& letter, MyTextArray& placed, double x, double y, double scaleX, double scaleY);

} // namespace core
