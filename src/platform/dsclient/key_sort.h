#pragma once

// Ordering by byte keys without comparing whole keys: each key is taken 8 bytes at a time as
// one number, the numbers are radix-sorted, and only keys that agree on all 8 are read further.
// Each key is then read about once for every 8 bytes it shares with its neighbours, where a
// comparison sort reads two keys, wherever they lie, on each of its n log n comparisons.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace dsclient {

struct KeyWord {
    std::uint64_t word; // 8 bytes of the key, the first in the highest byte
    std::size_t position;
};

// Puts `items` in the order of their words, items with equal words in the order given.
// `scratch` has room for as many.
void SortKeyWords(KeyWord *items, KeyWord *scratch, std::size_t count);

// The 8 bytes of `key` from `depth` on, each as `place` maps it, as KeyWord takes them: zero
// past the key's end.
template <typename Place>
std::uint64_t KeyWordOf(std::string_view key, std::size_t depth, const Place &place) {
    std::uint64_t word = 0;
    for (std::size_t i = depth; i < depth + 8; ++i)
        word = (word << 8) | (i < key.size() ? place(static_cast<unsigned char>(key[i])) : 0u);
    return word;
}

// The same, bytes taken as they are.
inline std::uint64_t KeyWordOf(std::string_view key, std::size_t depth) {
    return KeyWordOf(key, depth, [](unsigned char byte) { return unsigned{byte}; });
}

// Keys of `items` (one run of equal words) no longer than `limit` have ended within that word:
// they go first, shorter before longer, and those of a length in the order given. Gives how
// many have ended.
template <typename LengthOf>
std::size_t PutEndedFirst(KeyWord *items, std::size_t count, std::size_t limit,
                          LengthOf &lengthOf) {
    const auto length = [&](const KeyWord &item) {
        const std::size_t size = lengthOf(item.position);
        return size <= limit ? size : SIZE_MAX;
    };
    const auto ended = [&](const KeyWord &item) { return length(item) != SIZE_MAX; };
    if (std::none_of(items, items + count, ended))
        return 0;
    std::stable_sort(items, items + count,
                     [&](const KeyWord &a, const KeyWord &b) { return length(a) < length(b); });
    return static_cast<std::size_t>(std::count_if(items, items + count, ended));
}

// Positions 0..count-1 in the order of their keys, compared as unsigned bytes, a key that is
// the start of another first; equal keys keep the order of their positions. `wordAt(position,
// depth)` gives the key's 8 bytes from `depth` on as KeyWordOf does; `lengthOf(position)` its
// length.
template <typename WordAt, typename LengthOf>
std::vector<std::size_t> OrderByKeys(std::size_t count, WordAt &&wordAt, LengthOf &&lengthOf) {
    std::vector<KeyWord> items(count), scratch(count);
    for (std::size_t i = 0; i < count; ++i)
        items[i] = {wordAt(i, 0), i};
    struct Run {
        std::size_t begin, count, depth;
    };
    std::vector<Run> runs{{0, count, 0}};
    while (!runs.empty()) {
        const Run run = runs.back();
        runs.pop_back();
        KeyWord *first = items.data() + run.begin;
        if (run.depth > 0)
            for (std::size_t i = 0; i < run.count; ++i)
                first[i].word = wordAt(first[i].position, run.depth);
        SortKeyWords(first, scratch.data() + run.begin, run.count);
        for (std::size_t i = 0; i < run.count;) {
            std::size_t end = i + 1;
            while (end < run.count && first[end].word == first[i].word)
                ++end;
            // Keys that agree on all 8 bytes and go on are told apart by their next 8. Only a
            // zero last byte can mean that some ended before it; one that ends just after it
            // reads as zeros next and comes first there.
            if (end - i > 1) {
                const std::size_t ended =
                    (first[i].word & 0xff) == 0
                        ? PutEndedFirst(first + i, end - i, run.depth + 8, lengthOf)
                        : 0;
                if (end - i - ended > 1)
                    runs.push_back({run.begin + i + ended, end - i - ended, run.depth + 8});
            }
            i = end;
        }
    }
    std::vector<std::size_t> positions(count);
    for (std::size_t i = 0; i < count; ++i)
        positions[i] = items[i].position;
    return positions;
}

// Positions 0..count-1 in the order of the keys `keyOf(position)` gives as text, as
// OrderByKeys orders them.
template <typename KeyOf>
std::vector<std::size_t> OrderByTextKeys(std::size_t count, KeyOf &&keyOf) {
    return OrderByKeys(
        count,
        [&keyOf](std::size_t position, std::size_t depth) {
            return KeyWordOf(keyOf(position), depth);
        },
        [&keyOf](std::size_t position) { return std::string_view(keyOf(position)).size(); });
}

} // namespace dsclient
