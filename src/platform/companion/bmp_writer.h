#pragma once

// Encodes a raster as a Windows BMP file: 24 bits per pixel, rows bottom-up, each row padded
// to a multiple of 4 bytes.

#include "raster.h"

#include <cstdint>
#include <vector>

namespace orvexa {

std::vector<std::uint8_t> encodeBmp(const Raster &raster);

} // namespace orvexa
