#include "platform/dsclient/key_sort.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace dsclient {
namespace {

std::vector<std::size_t> OrderOf(const std::vector<std::string> &keys) {
    return OrderByTextKeys(keys.size(), [&](std::size_t position) { return keys[position]; });
}

// Keys of zero bytes, high bytes, long runs alike and keys that start others, in lists long
// enough to be radix-sorted and short enough to be sorted one by one: ordered as strings
// compare (bytes unsigned), equal keys in the order given.
TEST(KeySort, OrdersAsBytesCompareAndKeepsEqualKeysInOrder) {
    const std::vector<std::string> pieces = {std::string(1, '\0'), "\x01", "a", "b", "\xff",
                                             std::string(11, 'k'), std::string(3, '\0')};
    std::mt19937 random(11);
    for (const std::size_t count : {0, 1, 5, 63, 64, 3000}) {
        std::vector<std::string> keys(count);
        for (std::string &key : keys)
            for (std::size_t parts = random() % 6; parts > 0; --parts)
                key += pieces[random() % pieces.size()];
        std::vector<std::size_t> expected(count);
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
        EXPECT_EQ(OrderOf(keys), expected) << count << " keys";
    }
}

} // namespace
} // namespace dsclient
