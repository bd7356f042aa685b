#include "icon_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

namespace orvexa {
namespace {

// One tile's pixels as 0xRRGGBB values, row by row.
std::vector<std::uint32_t> tile(int index) {
    std::vector<std::uint32_t> pixels;
    const Raster &strip = iconStrip();
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            const Rgb c = strip.at(index * kIconSize + x, y);
            pixels.push_back(std::uint32_t(c.r) << 16 | c.g << 8 | c.b);
        }
    }
    return pixels;
}

TEST(IconSet, StripHoldsOneTileForEveryIcon) {
    EXPECT_EQ(iconStrip().width(), kIconSize * iconCount());
    EXPECT_EQ(iconStrip().height(), kIconSize);
}

TEST(IconSet, NamesAreUniqueIgnoringCaseAndFindTheirOwnIcon) {
    for (int i = 0; i < iconCount(); ++i)
        EXPECT_EQ(iconIndex(iconName(i)), i) << iconName(i);
    EXPECT_TRUE(iconName(-1).empty());
    EXPECT_TRUE(iconName(iconCount()).empty());
}

// Catches an icon painted from the wrong art, or art that left its tile blank.
TEST(IconSet, EveryIconIsDrawnAndDiffersFromTheOthers) {
    std::set<std::vector<std::uint32_t>> seen;
    for (int i = 0; i < iconCount(); ++i) {
        const auto pixels = tile(i);
        EXPECT_GT(std::set<std::uint32_t>(pixels.begin(), pixels.end()).size(), 2u) << iconName(i);
        if (iconName(i) == "Unknown") // the same picture as "Unknown2" on purpose
            continue;
        EXPECT_TRUE(seen.insert(pixels).second) << iconName(i) << " repeats another icon";
    }
}

} // namespace
} // namespace orvexa
