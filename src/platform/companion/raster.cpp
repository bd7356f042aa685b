#include "raster.h"

namespace orvexa {

Raster::Raster(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(std::size_t(width) * height, fill) {}

void Raster::set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[index(x, y)] = colour;
}

void paintArt(Raster &raster, ArtRows art, int x, int y) {
    for (int row = 0; row < int(art.size()); ++row)
        for (int col = 0; col < int(art[row].size()); ++col)
            if (const auto colour = paletteColour(art[row][col]))
                raster.set(x + col, y + row, *colour);
}

} // namespace orvexa
