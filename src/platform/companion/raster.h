#pragma once

// A tiny RGB raster: the icons are painted from character art into one of these and the
// whole strip is then written out as a BMP file.

#include "palette.h"

#include <vector>

namespace orvexa {

class Raster {
  public:
    Raster(int width, int height, Rgb fill);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb at(int x, int y) const { return pixels_[index(x, y)]; }
    // Pixels outside the raster are ignored, so art may be placed partly off the edge.
    void set(int x, int y, Rgb colour);

  private:
    std::size_t index(int x, int y) const { return std::size_t(y) * width_ + x; }
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

// Paints `art` with its top-left corner at (x, y); '.' leaves a pixel as it is.
void paintArt(Raster &raster, ArtRows art, int x, int y);

} // namespace orvexa
