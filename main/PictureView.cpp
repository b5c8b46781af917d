#include "main/PictureView.h"

namespace app {

// The black background until the redraw of the layers is wired in.
void RedrawView(platform::RasterCanvas& picture) { picture.Fill(0); }

void ViewResized(platform::RasterCanvas&) {}

} // namespace app
