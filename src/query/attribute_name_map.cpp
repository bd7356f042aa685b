#include "query/attribute_name_map.h"

namespace tarnbeck {

AttributeNameMap::AttributeNameMap(std::vector<std::string> lines) : lines_(std::move(lines)) {
    first_.reserve(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto equals = lines_[i].find('=');
        if (equals != std::string::npos)
            first_.try_emplace(lines_[i].substr(0, equals), i);
    }
}

std::optional<std::string> AttributeNameMap::lookup(std::string_view name) const {
    const auto found = first_.find(std::string(name));
    if (found == first_.end())
        return std::nullopt;
    const std::string &line = lines_[found->second];
    return line.substr(line.find('=') + 1);
}

} // namespace tarnbeck
