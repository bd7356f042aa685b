#pragma once

// A tiny RGB raster: the icons are painted from character art into one of these and the
// whole strip is then written out as a BMP file.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orvexa {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};

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

// Character art: one string per row, one character per pixel. '.' leaves the pixel as it
// is; every other character names a colour of the palette.
using ArtRows = std::span<const std::string_view>;

// The palette colour of an art character; false when the character is not in the palette.
bool paletteColour(char c, Rgb &colour);

// True when every character of `art` is '.' or a palette colour.
bool artUsesPalette(ArtRows art);

// Paints `art` with its top-left corner at (x, y).
void paintArt(Raster &raster, ArtRows art, int x, int y);

} // namespace orvexa
