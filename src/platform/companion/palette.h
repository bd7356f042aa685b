#pragma once

// The colours of the character art: one letter per colour, '.' for "leave as it is".

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace orvexa {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};

// Character art: one string per row, one character per pixel.
using ArtRows = std::span<const std::string_view>;

// The colour of an art character; none for '.' and for letters outside the palette.
constexpr std::optional<Rgb> paletteColour(char c) {
    switch (c) {
    case 'k':
        return Rgb{40, 40, 48}; // outline
    case 'd':
        return Rgb{105, 110, 120}; // dark grey
    case 'l':
        return Rgb{200, 204, 210}; // light grey
    case 'w':
        return Rgb{255, 255, 255};
    case 's':
        return Rgb{246, 204, 166}; // skin
    case 'n':
        return Rgb{125, 80, 40}; // brown
    case 'b':
        return Rgb{45, 100, 205}; // blue
    case 'B':
        return Rgb{150, 195, 245}; // light blue
    case 'g':
        return Rgb{40, 150, 60}; // green
    case 'G':
        return Rgb{120, 205, 100}; // light green
    case 'h':
        return Rgb{20, 95, 35}; // dark green
    case 'r':
        return Rgb{210, 40, 40}; // red
    case 'y':
        return Rgb{235, 185, 45}; // folder yellow
    case 'O':
        return Rgb{255, 225, 130}; // pale yellow
    case 'p':
        return Rgb{135, 70, 175}; // purple
    default:
        return std::nullopt;
    }
}

// True when every character of `art` is '.' or a palette letter, so no pixel is dropped by a
// typing slip.
constexpr bool artUsesPalette(ArtRows art) {
    for (std::string_view row : art)
        for (char c : row)
            if (c != '.' && !paletteColour(c))
                return false;
    return true;
}

} // namespace orvexa
