#include "query/query_store.h"

#include "directory/values_reader.h"
#include "directory/values_writer.h"

namespace tarnbeck {

DirectoryQueryStore::DirectoryQueryStore(dsclient::ContextHandle context, std::string groupName,
                                         std::string queryAttribute)
    : context_(context), groupName_(std::move(groupName)),
      queryAttribute_(std::move(queryAttribute)) {}

std::vector<std::string> DirectoryQueryStore::read() {
    std::vector<std::string> values;
    for (ValueItem &item : ReadValues(context_, groupName_, queryAttribute_))
        values.push_back(std::move(item.text));
    return values;
}

void DirectoryQueryStore::write(const std::vector<std::string> &values) {
    WriteValues(context_, groupName_, queryAttribute_, values, false);
}

} // namespace tarnbeck
