#pragma once
// Where the main window meets the picture of the layers: the raster that
// Image1 shows, its size, the redraw, and the display options it is drawn
// with. The window calls only these.
#include "platform/RasterCanvas.h"

namespace mainwin {

struct MyStartupSet;

// The picture Image1 shows, and the highlight layer Image2 shows over it.
platform::RasterCanvas& WindowPicture();
platform::RasterCanvas& WindowHighlight();

// Image1 has a new client size: the picture follows it, and with layers
// loaded the view is fitted again, keeping zoom and centre.
void PictureResized(int width, int height);

// Fits the view to the data extents and zooms to the whole.
void FitWindowPicture();

// Rebuilds the picture.
void RedrawWindowPicture();

// The display options (mirror, fill, auto-scroll, drill letters) as kept in
// the settings file: taken from it at start, put back into it on exit.
void SetDisplayOptions(const MyStartupSet& settings);
void GetDisplayOptions(MyStartupSet& settings);

} // namespace mainwin
