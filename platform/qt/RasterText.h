#pragma once
// Text on RasterCanvas pictures: a QPainter on a QImage that wraps the
// raster's own pixels (0xFFRRGGBB, QImage::Format_RGB32).
#include "platform/RasterCanvas.h"

#include <QImage>

namespace platform {

// A QImage over the rows the raster holds (no copy; valid while the raster
// keeps its size): image row 0 is picture row WindowTop().
QImage WrapRaster(RasterCanvas& canvas);
QImage WrapRaster(const RasterCanvas& canvas);

class QtRasterTextHook final : public RasterTextHook {
public:
    void TextOut(RasterCanvas& canvas, int x, int y, std::string_view text) override;
    TextSize TextExtent(const RasterCanvas& canvas, std::string_view text) override;
};

// Sets the program-wide hook (once the application object exists).
void InstallRasterTextHook();

} // namespace platform
