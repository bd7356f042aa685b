#include "directory/search_result.h"

#include "directory/value_text.h"

namespace tarnbeck {

bool SearchResultBuilder::beginObject(const std::string &name) {
    current_ = seen_.insert(name).second;
    if (current_) {
        list_.push_back({std::string(kObjectNameMarker), {}});
        list_.push_back({name, {}});
    }
    return current_;
}

void SearchResultBuilder::addAttribute(const std::string &name, std::uint32_t valueCount) {
    if (current_ && valueCount > 0)
        list_.push_back({name, {}});
}

void SearchResultBuilder::addValue(const dsclient::AttrValue &value, std::uint32_t syntax) {
    if (current_)
        AppendValueItems(value, syntax, ';', list_);
}

} // namespace tarnbeck
