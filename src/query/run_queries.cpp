#include "query/run_queries.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "directory/search.h"
#include "directory/text_compare.h"
#include "directory/unique_names.h"
#include "query/filter_translation.h"
#include "query/query_string.h"
#include "query/search_base.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tarnbeck {

using namespace dsclient;

namespace {

std::string NotValidText(std::size_t index) {
    return "Query " + std::to_string(index + 1) + " not valid";
}

const std::string kObjectClass = "Object Class";

// What a found object is, so Execute can tell whether it may be a member. A server may not
// tell the base class in a search: the class its Object Class names first stands for it then.
std::uint32_t KindOf(MemberSet &found, const ObjectInfo &info,
                     const std::vector<std::string> &classes) {
    const bool alias = (info.entryFlags & DS_ALIAS_ENTRY) != 0 ||
                       std::any_of(classes.begin(), classes.end(), [](const std::string &c) {
                           return EqualsIgnoreCase(c, "Alias");
                       });
    const std::string_view baseClass = !info.baseClass.empty() || classes.empty()
                                           ? std::string_view(info.baseClass)
                                           : std::string_view(classes.front());
    return found.kindOf(baseClass, alias, classes);
}

// Runs the search of one query into `found`, name by name as the passes arrive; shows the
// query before any failure leaves. A search broken off raises, so the names taken before the
// break never pass for the whole result.
void SearchInto(const QueryRunInputs &inputs, std::size_t index, const QueryDefinition &query,
                FilterPtr filter, MemberSet &found) {
    const int before = static_cast<int>(found.size());
    int handled = 0;
    const auto queryNumber = static_cast<std::uint32_t>(index + 1);
    std::vector<std::uint32_t> kinds; // beside the batch: the kind of each of its names
    NameBatches batches([&](std::vector<std::string> &batch) {
        found.insertAll(batch, queryNumber, &kinds);
        kinds.clear();
    });
    try {
        VisitFoundObjects(inputs.context, SearchBaseOf(query.context), std::move(filter),
                          query.scope, kObjectClass,
                          [&](const std::string &name, const ObjectInfo &info,
                              std::vector<std::string> &classes) {
                              kinds.push_back(KindOf(found, info, classes));
                              batches.add(name);
                              if (inputs.found)
                                  inputs.found(before + ++handled);
                          });
        batches.flush();
    } catch (const DirectoryError &) {
        inputs.selectQuery(index);
        throw;
    }
}

} // namespace

std::optional<MemberSet> RunQueries(const QueryRunInputs &inputs) {
    // Before the name table is first loaded no attribute is known; that is no reason to crash.
    static const AttributeNameMap noNames;
    const AttributeNameMap &names = inputs.names ? *inputs.names : noNames;
    MemberSet found;
    const QueryList &queries = *inputs.queries;
    for (std::size_t index = 0; index < queries.entries.size(); ++index) {
        FilterPtr filter;
        CheckStatus(AllocFilter(filter));
        const QueryDefinition query = ParseQueryString(queries, index);
        if (query.context.empty()) {
            inputs.selectQuery(index);
            prompter().message(NotValidText(index));
            return std::nullopt;
        }
        if (!TranslateFilter(inputs.context, query.filter, names, inputs.filterField, *filter)) {
            inputs.selectQuery(index);
            return std::nullopt;
        }
        CheckStatus(AddFilterToken(*filter, FTOK_END, {}, 0));
        SearchInto(inputs, index, query, std::move(filter), found);
    }
    return found;
}

} // namespace tarnbeck
