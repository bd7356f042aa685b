#include "membership/name_list.h"

#include "directory/text_compare.h"
#include "directory/values_reader.h"
#include "directory/values_writer.h"

#include <unordered_set>

namespace tarnbeck {

std::vector<std::string> ReadList(dsclient::ContextHandle context, std::string_view groupName,
                                  std::string_view attributeName) {
    std::vector<std::string> names;
    std::unordered_set<std::string, NameHash, NameEqual> seen;
    for (ValueItem &item : ReadValues(context, groupName, attributeName, ';'))
        if (seen.insert(item.text).second)
            names.push_back(std::move(item.text));
    SortNames(names);
    return names;
}

void SaveList(dsclient::ContextHandle context, std::string_view groupName,
              std::string_view attributeName, const std::vector<std::string> &names) {
    WriteValues(context, groupName, attributeName, names, false);
}

} // namespace tarnbeck
