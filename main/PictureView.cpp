#include "main/PictureView.h"

#include "view/Redraw.h"
#include "main/StartupSettings.h"
#include "view/ViewTransform.h"

namespace mainwin {

platform::RasterCanvas& WindowPicture() { return Picture(); }
platform::RasterCanvas& WindowHighlight() { return HighlightLayer(); }

void PictureResized(int width, int height)
{
    ClientWidth = width;
    ClientHeight = height;
    // Zoom and centre stay, clamped into the new fitted view.
    FitViewExtents();
    SetViewZoom(false, 0, 0, 1.0);
    Picture().Resize(width, height, 0);
    HighlightLayer().Resize(width, height, 0);
}

void FitWindowPicture()
{
    FitViewExtents();
    SetViewZoom(false, 0, 0, -1.0);
}

void RedrawWindowPicture() { RedrawView(); }

void SetDisplayOptions(const MyStartupSet& settings)
{
    Options.MIRR = settings.MIRR;
    Options.PAINT = settings.PAINT;
    Options.AUTOSCR = settings.AUTOSCR;
    Options.DRILLCHR = settings.DRILLCHR;
}

void GetDisplayOptions(MyStartupSet& settings)
{
    settings.MIRR = Options.MIRR;
    settings.PAINT = Options.PAINT;
    settings.AUTOSCR = Options.AUTOSCR;
    settings.DRILLCHR = Options.DRILLCHR;
}

} // namespace mainwin
