#pragma once

// Runs every query of the group being edited as a directory search and collects what they
// find into one MemberSet.

#include "platform/dsclient/client.h"
#include "query/attribute_name_map.h"
#include "query/filter_field.h"
#include "query/member_set.h"
#include "query/query_list.h"

#include <cstddef>
#include <functional>
#include <optional>

namespace tarnbeck {

// Shows a query in the editor without storing the one being left (the editor's selectQuery).
using QuerySelection = std::function<void(std::size_t index)>;
// Receives how many objects the searches have found so far (counted per query).
using FoundCount = std::function<void(int objectsFound)>;

struct QueryRunInputs {
    dsclient::ContextHandle context = 0;
    const QueryList *queries = nullptr;
    const AttributeNameMap *names = nullptr; // none loaded yet: every attribute is unknown
    FilterField *filterField = nullptr;      // may be null
    QuerySelection selectQuery;
    FoundCount found{}; // may be empty
};

// The names found by all queries, in the order found (the merge puts the outcome in order);
// nullopt when a query failed.
// A query without a context is shown and reported "Query %d not valid", with the reason; a
// refused filter is shown after its own message, which names the query and its filter; later
// queries do not run. A search that the directory breaks off does not count as a result: the
// query is shown and the DirectoryError raised, as for any other directory failure, its message
// naming the query and its context or filter. Every filter is released on every path.
std::optional<MemberSet> RunQueries(const QueryRunInputs &inputs);

} // namespace tarnbeck
