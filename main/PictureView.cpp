#include "main/PictureView.h"

#include "main/StartupSettings.h"

namespace mainwin {

// A black picture until the redraw of the layers is wired in.

namespace {
platform::RasterCanvas picture, highlight;
MyStartupSet options;
} // namespace

platform::RasterCanvas& WindowPicture() { return picture; }
platform::RasterCanvas& WindowHighlight() { return highlight; }

void PictureResized(int width, int height)
{
    picture.Resize(width, height, 0);
    highlight.Resize(width, height, 0);
}

void FitWindowPicture() {}

void RedrawWindowPicture() { picture.Fill(0); }

void SetDisplayOptions(const MyStartupSet& settings)
{
    options.MIRR = settings.MIRR;
    options.PAINT = settings.PAINT;
    options.AUTOSCR = settings.AUTOSCR;
    options.DRILLCHR = settings.DRILLCHR;
}

void GetDisplayOptions(MyStartupSet& settings)
{
    settings.MIRR = options.MIRR;
    settings.PAINT = options.PAINT;
    settings.AUTOSCR = options.AUTOSCR;
    settings.DRILLCHR = options.DRILLCHR;
}

} // namespace mainwin
