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
    // Names and details are kept apart until sorted: the collation reads the names where
    // they are, and each item is put together once, in its place.
    std::vector<std::string> names;
    std::vector<Attachment> details;
    BufferPtr result = NewBuffer(kListBufferSize);
    // Container listings are closed under the search verb, as the client expects.
    IterationGuard iteration(context, allSubordinates ? DSV_LIST : DSV_SEARCH);
    // The top of the tree is no component of its subordinates' names.
    const std::string suffix = IsPseudoName(parentName) ? "" : "." + std::string(parentName);
    std::string name;
    ObjectInfo info;
    do {
        CheckStatus(allSubordinates
                        ? List(context, parentName, iteration.handle(), *result)
                        : ListContainers(context, parentName, iteration.handle(), *result));
        std::uint32_t count = 0;
        CheckStatus(GetObjectCount(context, *result, count));
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t attributeCount = 0;
            CheckStatus(GetObjectName(context, *result, name, attributeCount, info));
            names.emplace_back().reserve(name.size() + suffix.size());
            names.back().append(name).append(suffix);
            if (withDetails) {
                info.baseClass.resize(std::min<std::size_t>(info.baseClass.size(), 136));
                details.emplace_back(
                    hobject{std::move(info.baseClass), info.subordinateCount, info.entryFlags});
            } else {
                details.emplace_back();
            }
        }
    } while (iteration.more());
    ValueList sorted;
    sorted.reserve(names.size());
    for (const std::size_t position : NameCollation().order(names))
        sorted.push_back({std::move(names[position]), std::move(details[position])});
    return sorted;
}

} // namespace tarnbeck
