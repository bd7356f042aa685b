#include "query/stored_queries.h"

#include "directory/prompter.h"
#include "directory/text_compare.h"
#include "query/text_units.h"

#include <algorithm>
#include <charconv>

namespace tarnbeck {

namespace {

constexpr std::size_t kPrefixLength = 2;
constexpr std::size_t kMaxQueryLength = 10000;
constexpr std::size_t kMaxSettingsLength = 10;

bool HasPrefix(const std::string &value, std::string_view prefix) {
    return value.size() >= kPrefixLength &&
           EqualsIgnoreCase(std::string_view(value).substr(0, kPrefixLength), prefix);
}

// At most `count` characters after the two-byte prefix. The prefix is cut by bytes, as it was
// matched: a stray byte after it is the text's, not part of the prefix's last character.
std::string_view AfterPrefix(const std::string &value, std::size_t count) {
    return CharacterSlice(std::string_view(value).substr(kPrefixLength), 0, count);
}

// A decimal integer with an optional sign and nothing else.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The older form kept one query without prefix and its settings as a digit after it.
std::optional<std::int32_t> OlderFormSettings(const std::string &value) {
    if (value.starts_with("ldap") && IsDigit(value.back()))
        return value.back() - '0';
    return std::nullopt;
}

} // namespace

bool IsBlankEntry(const std::string &entry) {
    return std::all_of(entry.begin(), entry.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

StoredQueries ReadStoredQueries(std::vector<std::string> values) {
    StoredQueries stored;
    // Walking backwards, the entries still in the list are the ones not yet visited plus those
    // kept so far; the kept ones are gathered in reverse.
    std::vector<std::string> keptReversed;
    for (std::size_t i = values.size(); i-- > 0;) {
        std::string &value = values[i];
        const std::size_t remaining = i + 1 + keptReversed.size();
        if (value.empty()) {
            keptReversed.push_back(std::move(value));
        } else if (HasPrefix(value, "q:")) {
            keptReversed.emplace_back(AfterPrefix(value, kMaxQueryLength));
        } else if (HasPrefix(value, "s:")) {
            const auto text = AfterPrefix(value, kMaxSettingsLength);
            stored.settings = ParseInteger(text).value_or(QuerySettings::kDefaultValue);
        } else if (remaining > 1) {
            prompter().message("Unknown info in query strings, info removed");
        } else {
            const auto settings = OlderFormSettings(value);
            stored.settings = settings.value_or(QuerySettings::kDefaultValue);
            // The digit is no part of the filter, which must end the query to run.
            if (settings)
                value.pop_back();
            keptReversed.push_back(std::move(value));
        }
    }
    stored.entries.assign(std::make_move_iterator(keptReversed.rbegin()),
                          std::make_move_iterator(keptReversed.rend()));
    return stored;
}

bool HoldsStoredQueries(const std::vector<std::string> &values) {
    if (values.size() == 1 && values.front().starts_with("ldap"))
        return true; // the older form, which loading still reads as the one query
    return std::any_of(values.begin(), values.end(), [](const std::string &value) {
        return HasPrefix(value, "q:") || HasPrefix(value, "s:");
    });
}

QueryList QueryListOf(std::vector<std::string> values, std::string memberClassWord) {
    StoredQueries stored = ReadStoredQueries(std::move(values));
    QueryList list;
    if (!stored.entries.empty())
        list.entries = std::move(stored.entries);
    list.settings =
        QuerySettings::fromValue(stored.settings.value_or(QuerySettings::kDefaultValue));
    list.memberClassWord = std::move(memberClassWord);
    return list;
}

std::vector<std::string> WithoutBlankEntries(const std::vector<std::string> &entries) {
    std::vector<std::string> kept;
    kept.reserve(entries.size());
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(kept),
                 [](const std::string &entry) { return !IsBlankEntry(entry); });
    return kept;
}

std::vector<std::string> StoredQueryValues(const std::vector<std::string> &entries,
                                           QuerySettings settings) {
    std::vector<std::string> values;
    values.reserve(entries.size() + 1);
    for (const std::string &entry : WithoutBlankEntries(entries))
        values.push_back("q:" + entry);
    values.push_back("s:" + std::to_string(settings.value()));
    return values;
}

} // namespace tarnbeck
