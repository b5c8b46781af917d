#pragma once
// The picture of the main window: rebuilt from the tables into a raster of
// the picture control's size.
#include "platform/RasterCanvas.h"

namespace app {

// Rebuilds the whole picture.
void RedrawView(platform::RasterCanvas& picture);
// The picture control changed size; with layers loaded the view is fitted
// again, keeping zoom and centre.
void ViewResized(platform::RasterCanvas& picture);

} // namespace app
