#include "bmp_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orvexa {
namespace {

std::uint32_t read32(const std::vector<std::uint8_t> &b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t read16(const std::vector<std::uint8_t> &b, std::size_t at) {
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

TEST(BmpWriter, HeadersDescribeA24BitBottomUpImage) {
    const Raster raster(3, 2, Rgb{1, 2, 3});
    const auto bmp = encodeBmp(raster);
    const std::uint32_t rowBytes = 12; // 3 pixels * 3 bytes padded to 4

    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(read32(bmp, 2), bmp.size());
    EXPECT_EQ(read32(bmp, 10), 54u); // pixel data offset
    EXPECT_EQ(read32(bmp, 14), 40u); // info header size
    EXPECT_EQ(read32(bmp, 18), 3u);  // width
    EXPECT_EQ(read32(bmp, 22), 2u);  // positive height: bottom-up
    EXPECT_EQ(read16(bmp, 26), 1);   // planes
    EXPECT_EQ(read16(bmp, 28), 24);  // bits per pixel
    EXPECT_EQ(read32(bmp, 30), 0u);  // uncompressed
    EXPECT_EQ(read32(bmp, 34), rowBytes * 2);
    EXPECT_EQ(bmp.size(), 54u + rowBytes * 2);
}

TEST(BmpWriter, RowsAreStoredBottomUpInBlueGreenRedOrderWithZeroPadding) {
    Raster raster(3, 2, Rgb{255, 255, 255});
    raster.set(0, 0, Rgb{10, 20, 30}); // top-left
    raster.set(2, 1, Rgb{40, 50, 60}); // bottom-right
    const auto bmp = encodeBmp(raster);

    const std::size_t bottomRow = 54, topRow = 54 + 12;
    EXPECT_EQ(bmp[topRow + 0], 30);
    EXPECT_EQ(bmp[topRow + 1], 20);
    EXPECT_EQ(bmp[topRow + 2], 10);
    EXPECT_EQ(bmp[bottomRow + 6], 60);
    EXPECT_EQ(bmp[bottomRow + 7], 50);
    EXPECT_EQ(bmp[bottomRow + 8], 40);
    for (std::size_t row : {bottomRow, topRow})
        for (std::size_t pad = 9; pad < 12; ++pad)
            EXPECT_EQ(bmp[row + pad], 0) << "row at " << row << ", byte " << pad;
}

} // namespace
} // namespace orvexa
