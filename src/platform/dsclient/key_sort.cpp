#include "platform/dsclient/key_sort.h"

#include <algorithm>
#include <array>
#include <utility>

namespace dsclient {

namespace {

// Below this many, the tallies of a radix pass cost more than moving items one by one.
constexpr std::size_t kFewForRadix = 64;

void InsertionSort(KeyWord *items, std::size_t count) {
    for (std::size_t i = 1; i < count; ++i) {
        const KeyWord item = items[i];
        std::size_t at = i;
        for (; at > 0 && items[at - 1].word > item.word; --at)
            items[at] = items[at - 1];
        items[at] = item;
    }
}

} // namespace

void SortKeyWords(KeyWord *items, KeyWord *scratch, std::size_t count) {
    if (count < kFewForRadix) {
        InsertionSort(items, count);
        return;
    }
    // One pass tallies all 8 bytes; a byte every item has alike needs no pass of its own.
    std::array<std::array<std::size_t, 256>, 8> tallies{};
    for (std::size_t i = 0; i < count; ++i)
        for (unsigned byte = 0; byte < 8; ++byte)
            ++tallies[byte][(items[i].word >> (8 * byte)) & 0xff];
    KeyWord *from = items, *to = scratch;
    for (unsigned byte = 0; byte < 8; ++byte) { // lowest first: each pass keeps the last's order
        auto &starts = tallies[byte];
        if (starts[(from[0].word >> (8 * byte)) & 0xff] == count)
            continue;
        std::size_t sum = 0;
        for (std::size_t &start : starts)
            sum += std::exchange(start, sum);
        for (std::size_t i = 0; i < count; ++i)
            to[starts[(from[i].word >> (8 * byte)) & 0xff]++] = from[i];
        std::swap(from, to);
    }
    if (from != items)
        std::copy(from, from + count, items);
}

} // namespace dsclient
