#pragma once

// The one integer stored beside a group's queries: which merge mode Execute uses and whether
// the exclude and static lists are applied.

#include <cstdint>

namespace tarnbeck {

struct QuerySettings {
    enum Bit : std::int32_t {
        AddModeBit = 1,       // clear: Sync mode
        ApplyExcludesBit = 2, // "Add Excludes"
        ApplyStaticsBit = 4,  // "Add Statics"
        XChainBit = 8,        // stored only; changes nothing here
    };
    // What a group gets when its stored value cannot be read.
    static constexpr std::int32_t kDefaultValue = ApplyExcludesBit | ApplyStaticsBit;

    bool addMode = false;
    bool applyExcludes = false;
    bool applyStatics = false;
    bool xchain = false;

    // Bits above the four known ones are dropped.
    static QuerySettings fromValue(std::int32_t value) {
        return {(value & AddModeBit) != 0, (value & ApplyExcludesBit) != 0,
                (value & ApplyStaticsBit) != 0, (value & XChainBit) != 0};
    }
    std::int32_t value() const {
        return (addMode ? AddModeBit : 0) | (applyExcludes ? ApplyExcludesBit : 0) |
               (applyStatics ? ApplyStaticsBit : 0) | (xchain ? XChainBit : 0);
    }
    bool operator==(const QuerySettings &) const = default;
};

} // namespace tarnbeck
