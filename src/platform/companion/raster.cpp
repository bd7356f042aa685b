#include "raster.h"

namespace orvexa {

Raster::Raster(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(std::size_t(width) * height, fill) {}

void Raster::set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[index(x, y)] = colour;
}

bool paletteColour(char c, Rgb &colour) {
    switch (c) {
    case 'k': colour = {40, 40, 48}; return true;    // outline
    case 'd': colour = {105, 110, 120}; return true; // dark grey
    case 'l': colour = {200, 204, 210}; return true; // light grey
    case 'w': colour = {255, 255, 255}; return true;
    case 's': colour = {246, 204, 166}; return true; // skin
    case 'n': colour = {125, 80, 40}; return true;   // brown
    case 'b': colour = {45, 100, 205}; return true;  // blue
    case 'B': colour = {150, 195, 245}; return true; // light blue
    case 'g': colour = {40, 150, 60}; return true;   // green
    case 'G': colour = {120, 205, 100}; return true; // light green
    case 'h': colour = {20, 95, 35}; return true;    // dark green
    case 'r': colour = {210, 40, 40}; return true;   // red
    case 'y': colour = {235, 185, 45}; return true;  // folder yellow
    case 'O': colour = {255, 225, 130}; return true; // pale yellow
    case 'p': colour = {135, 70, 175}; return true;  // purple
    default: return false;
    }
}

bool artUsesPalette(ArtRows art) {
    Rgb unused;
    for (std::string_view row : art)
        for (char c : row)
            if (c != '.' && !paletteColour(c, unused))
                return false;
    return true;
}

void paintArt(Raster &raster, ArtRows art, int x, int y) {
    for (int row = 0; row < int(art.size()); ++row) {
        for (int col = 0; col < int(art[row].size()); ++col) {
            Rgb colour;
            if (paletteColour(art[row][col], colour))
                raster.set(x + col, y + row, colour);
        }
    }
}

} // namespace orvexa
