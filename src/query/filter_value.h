#pragma once

// A comparison's value encoded for its attribute's syntax, as the directory filter takes it.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnbeck {

struct FilterValue {
    std::int32_t syntax = -1; // unknown until encoded
    std::string bytes;        // the text, or 4 bytes for booleans, integers, counters, times
    bool operator==(const FilterValue &) const = default;
};

enum class EncodeResult { Ok, UnsupportedSyntax, NotInteger, NotBoolean };

// Encodes `text` for `syntax` into `value`: text as typed; "true"/"false" in any case as all
// bits set or clear; integers, counters and times as a signed 32-bit number, least
// significant byte first. Every other syntax is unsupported.
EncodeResult EncodeFilterValue(std::uint32_t syntax, std::string_view text, FilterValue &value);

} // namespace tarnbeck
