#pragma once
// The colour dialog behind an interface, so that tests choose the colour.
#include "platform/Canvas.h"

#include <deque>
#include <vector>

namespace platform {

class ColorDialogs {
public:
    virtual ~ColorDialogs() = default;
    // Starts at `color`; true with the chosen colour on OK.
    virtual bool ChooseColor(Color& color) = 0;
};

ColorDialogs& ColorDialog();
void SetColorDialogs(ColorDialogs* dialogs);

class QtColorDialogs final : public ColorDialogs {
public:
    bool ChooseColor(Color& color) override;
};

// For tests: records the starting colours and answers from a script
// (a colour, or cancelled when the script is used up).
class FakeColorDialogs final : public ColorDialogs {
public:
    std::vector<Color> asked;
    std::deque<Color> answers;
    bool ChooseColor(Color& color) override;
};

} // namespace platform
