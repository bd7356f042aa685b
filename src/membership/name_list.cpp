#include "membership/name_list.h"

#include "directory/text_compare.h"
#include "directory/unique_names.h"
#include "directory/values_reader.h"
#include "directory/values_writer.h"

namespace tarnbeck {

std::vector<std::string> ReadNames(dsclient::ContextHandle context, std::string_view groupName,
                                   std::string_view attributeName) {
    // Indexed a batch at a time, so each batch's slots are fetched together.
    constexpr std::size_t kBatch = 256;
    UniqueNames names;
    std::vector<std::string> batch;
    batch.reserve(kBatch);
    const auto index = [&] {
        names.insertAll(batch, [](std::size_t, bool) {});
        batch.clear();
    };
    VisitValueTexts(
        context, groupName, attributeName,
        [&](std::string &&name) {
            batch.push_back(std::move(name));
            if (batch.size() == kBatch)
                index();
        },
        [&] {
            names = UniqueNames();
            batch.clear();
        });
    index();
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
