#include "directory/listing.h"

#include "directory/directory_error.h"
#include "directory/names.h"
#include "directory/request_support.h"
#include "directory/text_compare.h"

#include <algorithm>

namespace tarnbeck {

using namespace dsclient;

ValueList ListSubordinates(ContextHandle context, std::string_view parentName, bool withDetails,
                           bool allSubordinates) {
    ValueList list;
    BufferPtr result = NewBuffer(kListBufferSize);
    // Container listings are closed under the search verb, as the client expects.
    IterationGuard iteration(context, allSubordinates ? DSV_LIST : DSV_SEARCH);
    // The top of the tree is no component of its subordinates' names.
    const std::string suffix = IsPseudoName(parentName) ? "" : "." + std::string(parentName);
    do {
        CheckStatus(allSubordinates
                        ? List(context, parentName, iteration.handle(), *result)
                        : ListContainers(context, parentName, iteration.handle(), *result));
        std::uint32_t count = 0;
        CheckStatus(GetObjectCount(context, *result, count));
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string name;
            std::uint32_t attributeCount = 0;
            ObjectInfo info;
            CheckStatus(GetObjectName(context, *result, name, attributeCount, info));
            Attachment details;
            if (withDetails)
                details =
                    hobject{info.baseClass.substr(0, 136), info.subordinateCount, info.entryFlags};
            list.push_back({name + suffix, std::move(details)});
        }
    } while (iteration.more());
    std::vector<std::string> names;
    names.reserve(list.size());
    for (const ValueItem &item : list)
        names.push_back(item.text);
    ValueList sorted;
    sorted.reserve(list.size());
    for (const std::size_t position : NameCollation().order(names))
        sorted.push_back(std::move(list[position]));
    return sorted;
}

} // namespace tarnbeck
