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

std::string QueryName(std::size_t index) {
    return "Query " + std::to_string(index + 1);
}

std::string NotValidText(std::size_t index) {
    return QueryName(index) + " not valid\n" + QueryName(index) +
           " has no context to search from: choose one with \"...\" beside context.";
}

// Where a search went wrong, and why when the status tells more than its meaning.
std::string SearchFailure(std::size_t index, const QueryDefinition &query, Status status) {
    const std::string where = QueryName(index) + ", context " + query.context;
    if (status == status::NoSuchEntry)
        return where + ": no object of that name in the tree (searched from " +
               SearchBaseOf(query.context) + ")";
    return where + ", filter " + query.filter + ": the search failed";
}

std::string FilterPlace(std::size_t index, const QueryDefinition &query) {
    return QueryName(index) + ", filter " + query.filter;
}

// What a found object is, so Execute can tell whether it may be a member: its base class, as
// the search names it, decides for most; the others' classes are read when the outcome is made.
std::uint32_t KindOf(MemberSet &found, const ObjectInfo &info) {
    static const std::vector<std::string> unread;
    return found.kindOf(info.baseClass, (info.entryFlags & DS_ALIAS_ENTRY) != 0, unread);
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
                          query.scope, [&](const std::string &name, const ObjectInfo &info) {
                              kinds.push_back(KindOf(found, info));
                              batches.add(name);
                              if (inputs.found)
                                  inputs.found(before + ++handled);
                          });
        batches.flush();
    } catch (const DirectoryError &error) {
        inputs.selectQuery(index);
        throw DirectoryError(error.status(), SearchFailure(index, query, error.status()));
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
        bool translated = false;
        try {
            // The parser's messages say what is wrong; this says where.
            const MessageDetail place(FilterPlace(index, query));
            translated =
                TranslateFilter(inputs.context, query.filter, names, inputs.filterField, *filter);
        } catch (const DirectoryError &error) {
            throw DirectoryError(error.status(), FilterPlace(index, query));
        }
        if (!translated) {
            inputs.selectQuery(index);
            return std::nullopt;
        }
        CheckStatus(AddFilterToken(*filter, FTOK_END, {}, 0));
        SearchInto(inputs, index, query, std::move(filter), found);
    }
    return found;
}

} // namespace tarnbeck
