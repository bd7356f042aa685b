#pragma once

// Puts a list in a given order without building a second list: for lists of hundreds of
// thousands of entries, where a copy would double the memory at its peak.

#include <cstddef>
#include <utility>
#include <vector>

namespace dsclient {

// Afterwards items[i] is what items[order[i]] was; `order` is a permutation of the positions.
template <typename T> void ApplyOrder(std::vector<T> &items, const std::vector<std::size_t> &order) {
    std::vector<bool> placed(order.size());
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (placed[start])
            continue;
        // Each cycle of the permutation moves along once, its first item held aside.
        // Each step fetches what the next one reads, so a long cycle waits on one miss a step.
        T first = std::move(items[start]);
        std::size_t at = start, next = order[start];
        while (next != start) {
            const std::size_t after = order[next];
            __builtin_prefetch(&order[after]);
            __builtin_prefetch(&items[after]);
            items[at] = std::move(items[next]);
            placed[at] = true;
            at = next;
            next = after;
        }
        items[at] = std::move(first);
        placed[at] = true;
    }
}

} // namespace dsclient
