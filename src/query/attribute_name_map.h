#pragma once

// The table that turns a filter's attribute names into the directory's own: lines
// "name=directory name", those of the mapping file first, then one generated line per schema
// attribute. Names compare without regard to case and the first line with a name wins.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "directory/text_compare.h"

namespace tarnbeck {

class AttributeNameMap {
public:
    AttributeNameMap() = default;
    explicit AttributeNameMap(std::vector<std::string> lines);

    // The directory name for a filter name; nullopt when no line has that name. Lines without
    // "=" are carried along but never match.
    std::optional<std::string> lookup(std::string_view name) const;
    const std::vector<std::string> &lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
    // name -> index of the first line with that name
    std::unordered_map<std::string, std::size_t, HashIgnoreCase, EqualIgnoreCase> first_;
};

} // namespace tarnbeck
