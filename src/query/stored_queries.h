#pragma once

// The stored form of a group's queries in its query attribute: one value "q:" + query string
// per query in list order, then one value "s:" + the settings in decimal.

#include "query/query_list.h"
#include "query/query_settings.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnbeck {

struct StoredQueries {
    std::vector<std::string> entries; // may be empty: the caller keeps at least one query
    // Unset when the values held no settings (nor a single value of the older form).
    std::optional<std::int32_t> settings;
};

// Classifies the values as read, walking from the last to the first: "q:" values become
// queries (at most 10000 characters), the "s:" value gives the settings, other values are
// dropped with a message while more than one value remains. A lone unprefixed value is a query
// of the older single-value form, whose trailing digit is the settings.
StoredQueries ReadStoredQueries(std::vector<std::string> values);

// Whether the values of a query attribute hold stored queries at all: "q:" or "s:" values, or a
// lone value of the older form (a query string, beginning with "ldap" as loading requires to
// read its settings). An attribute such as L may hold other data on groups nobody maintains.
bool HoldsStoredQueries(const std::vector<std::string> &values);
// The query list a run without the editor works on: the stored entries (at least one) and the
// stored settings, QuerySettings::kDefaultValue when none are stored.
QueryList QueryListOf(std::vector<std::string> values, std::string memberClassWord);

// An entry of blanks and control characters only (or none at all): a query never composed.
bool IsBlankEntry(const std::string &entry);

// The entries without those that hold only blanks and control characters, in order.
std::vector<std::string> WithoutBlankEntries(const std::vector<std::string> &entries);

// The values that replace the query attribute: blank entries left out.
std::vector<std::string> StoredQueryValues(const std::vector<std::string> &entries,
                                           QuerySettings settings);

} // namespace tarnbeck
