#include "membership/name_list.h"

#include "directory/text_compare.h"
#include "directory/unique_names.h"
#include "directory/values_reader.h"
#include "directory/values_writer.h"

namespace tarnbeck {

std::vector<std::string> ReadNames(dsclient::ContextHandle context, std::string_view groupName,
                                   std::string_view attributeName) {
    UniqueNames names;
    NameBatches batches(
        [&](std::vector<std::string> &batch) { names.insertAll(batch, [](std::size_t, bool) {}); });
    VisitValueTexts(
        context, groupName, attributeName, [&](std::string &&name) { batches.add(std::move(name)); },
        [&] {
            names = UniqueNames();
            batches.clear();
        });
    batches.flush();
    return std::move(names).take();
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
