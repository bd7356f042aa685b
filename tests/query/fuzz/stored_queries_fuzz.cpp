// libFuzzer entry for the stored queries: the input is the query attribute's values, separated
// by NUL bytes, as a group load reads them. Every query must read into the editor's three parts
// within their bounds, and saving what was read and reading it again must give the same
// queries and settings.

#include "query/query_string.h"
#include "query/stored_queries.h"
#include "query/text_units.h"
#include "quiet_prompter.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tarnbeck;

constexpr std::size_t kMaxQueryCharacters = 10000;
constexpr std::size_t kMaxContextCharacters = 1000;

std::vector<std::string> SplitValues(std::string_view input) {
    std::vector<std::string> values;
    for (;;) {
        const std::size_t end = input.find('\0');
        values.emplace_back(input.substr(0, end));
        if (end == std::string_view::npos)
            return values;
        input.remove_prefix(end + 1);
    }
}

void Require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static testing::QuietPrompter prompter;
    installPrompter(&prompter);

    const StoredQueries stored =
        ReadStoredQueries(SplitValues({reinterpret_cast<const char *>(data), size}));
    QueryList list;
    list.entries = stored.entries;
    for (std::size_t index = 0; index < list.entries.size(); ++index) {
        const QueryDefinition query = ParseQueryString(list, index);
        Require(CharacterCount(query.context) <= kMaxContextCharacters);
        Require(query.scope == SearchScope::Base || query.scope == SearchScope::One ||
                query.scope == SearchScope::Sub);
        Require(!query.filter.empty());
    }

    const QuerySettings settings =
        QuerySettings::fromValue(stored.settings.value_or(QuerySettings::kDefaultValue));
    const StoredQueries reread = ReadStoredQueries(StoredQueryValues(stored.entries, settings));
    Require(reread.settings == settings.value());
    // A query of the older single-value form may exceed what a prefixed one keeps.
    const std::vector<std::string> saved = WithoutBlankEntries(stored.entries);
    Require(reread.entries.size() == saved.size());
    for (std::size_t i = 0; i < saved.size(); ++i)
        Require(reread.entries[i] == CharacterSlice(saved[i], 0, kMaxQueryCharacters));
    return 0;
}
