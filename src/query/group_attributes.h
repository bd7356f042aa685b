#pragma once

#include <string>

namespace tarnbeck {

// The attributes of a maintained group that hold its queries and its two hand-kept lists (per
// tree settings).
struct GroupAttributes {
    std::string query = "L";
    std::string exclude = "See Also";
    std::string statics = "Owner";
};

} // namespace tarnbeck
