#include "membership/name_list.h"

#include "directory/text_compare.h"
#include "directory/values_reader.h"
#include "directory/values_writer.h"

#include <unordered_set>

namespace tarnbeck {

std::vector<std::string> ReadNames(dsclient::ContextHandle context, std::string_view groupName,
                                   std::string_view attributeName) {
    ValueList items = ReadValues(context, groupName, attributeName, ';');
    // Duplicates found first, on views of the values, so no name is copied.
    std::vector<bool> keep(items.size());
    {
        std::unordered_set<std::string_view, NameHash, NameEqual> seen;
        seen.reserve(items.size());
        for (std::size_t i = 0; i < items.size(); ++i)
            keep[i] = seen.insert(items[i].text).second;
    }
    std::vector<std::string> names;
    names.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        if (keep[i])
            names.push_back(std::move(items[i].text));
    return names;
}

std::vector<std::string> ReadList(dsclient::ContextHandle context, std::string_view groupName,
                                  std::string_view attributeName) {
    std::vector<std::string> names = ReadNames(context, groupName, attributeName);
    SortNames(names);
    return names;
}

void SaveList(dsclient::ContextHandle context, std::string_view groupName,
              std::string_view attributeName, const std::vector<std::string> &names) {
    WriteValues(context, groupName, attributeName, names, false);
}

} // namespace tarnbeck
