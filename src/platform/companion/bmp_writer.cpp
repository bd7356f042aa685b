#include "bmp_writer.h"

namespace orvexa {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::int32_t kPixelsPerMetre = 2835; // 72 dpi

void put16(std::vector<std::uint8_t> &out, std::uint16_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(v >> shift));
}

} // namespace

std::vector<std::uint8_t> encodeBmp(const Raster &raster) {
    const std::uint32_t rowBytes = (std::uint32_t(raster.width()) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * std::uint32_t(raster.height());
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<std::uint8_t> out;
    out.reserve(offset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageBytes);
    put32(out, 0); // reserved
    put32(out, offset);

    put32(out, kInfoHeaderSize);
    put32(out, std::uint32_t(raster.width()));
    put32(out, std::uint32_t(raster.height())); // positive: bottom-up
    put16(out, 1);                              // planes
    put16(out, 24);                             // bits per pixel
    put32(out, 0);                              // no compression
    put32(out, imageBytes);
    put32(out, std::uint32_t(kPixelsPerMetre));
    put32(out, std::uint32_t(kPixelsPerMetre));
    put32(out, 0); // colours used
    put32(out, 0); // important colours

    for (int y = raster.height() - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < raster.width(); ++x) {
            const Rgb c = raster.at(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        out.resize(rowStart + rowBytes, 0);
    }
    return out;
}

} // namespace orvexa
