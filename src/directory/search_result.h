#pragma once

// Collects a search's objects into a result list: each object once (names compared without
// regard to case, the first spelling kept), followed by its attributes and values.

#include "directory/text_compare.h"
#include "directory/value_list.h"
#include "platform/dsclient/values.h"

#include <string>
#include <string_view>
#include <unordered_set>

namespace tarnbeck {

// The marker before each object name in a search result.
inline constexpr std::string_view kObjectNameMarker = "Object Name";

class SearchResultBuilder {
  public:
    explicit SearchResultBuilder(ValueList &list) : list_(list) {}

    // Starts the next object; false when it was listed already, and then its attributes are
    // left out too, so they cannot land under another object's name.
    bool beginObject(const std::string &name);
    void addAttribute(const std::string &name, std::uint32_t valueCount);
    void addValue(const dsclient::AttrValue &value, std::uint32_t syntax);

  private:
    ValueList &list_;
    std::unordered_set<std::string, NameHash, NameEqual> seen_;
    bool current_ = false;
};

} // namespace tarnbeck
