#pragma once
// What the choice balloon of the parameters dialog offers for each key:
// its size, the side of its anchor it stands on, and its choices with their
// icons. Where a field takes one of a few fixed values, a click on it opens
// the balloon of its key; the pages say what a choice changes.
#include "dialogs/PageModels.h"

#include <string>
#include <vector>

namespace dialogs {

struct BalloonChoice {
    const char* Caption;
    int Icon;   // −1 none
};

struct BalloonKind {
    const char* Key;
    int Width, Height;   // the least size; wider when a choice needs it
    BalloonSide Side;
    std::vector<BalloonChoice> Choices;
};

// The balloon of a key; "ZERO" has Gerber and drill choices. nullptr for a
// key of no balloon.
const BalloonKind* FindBalloonKind(const std::string& key, bool drill);

// Lays the choices of a kind out in a balloon `width` wide: stacked 20
// pixels apart (19 for "HoleComment"), below the tip of a balloon that
// stands below its anchor, beside it otherwise.
void FillBalloon(MyBalloonBox& box, const BalloonKind& kind, int width);

// Where a choice's text starts within its rectangle.
inline int ChoiceTextOffset(const BalloonChoice& c) { return c.Icon >= 0 ? 27 : 2; }

} // namespace dialogs
