#pragma once

#include <cstdint>

namespace tarnbeck {

// How deep a search reaches; the numbers are the directory's own.
enum class SearchScope : std::uint32_t {
    Base = 0, // the base object only
    One = 1,  // its immediate subordinates
    Sub = 2,  // the whole subtree
};

} // namespace tarnbeck
