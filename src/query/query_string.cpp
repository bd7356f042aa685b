#include "query/query_string.h"

#include "directory/text_compare.h"
#include "query/text_units.h"

#include <array>
#include <vector>

namespace tarnbeck {

namespace {

// Blanks are hidden behind this placeholder while the text is split, so they neither separate
// fields nor get trimmed away.
constexpr std::string_view kBlankPlaceholder = "$$%%$$";
constexpr char kFieldSeparator = '?';
constexpr char kQuote = '"';
constexpr std::size_t kFieldCount = 6;
constexpr std::size_t kContextStart = 8; // after "ldap:///", whatever those characters are
constexpr std::size_t kMaxContextLength = 1000;

constexpr std::array<std::string_view, 3> kScopeWords = {"base", "one", "sub"};

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < ' ';
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (auto found = text.find(from); found != std::string_view::npos;
         found = text.find(from, start)) {
        out.append(text.substr(start, found - start)).append(to);
        start = found + from.size();
    }
    out.append(text.substr(start));
    return out;
}

// A field that opens with a double quote runs to the matching one; a doubled quote inside
// stands for one. An unmatched quote takes the rest of the text.
std::string ReadQuotedField(std::string_view text, std::size_t &at) {
    std::string field;
    ++at;
    while (at < text.size()) {
        if (text[at] == kQuote) {
            if (at + 1 < text.size() && text[at + 1] == kQuote) {
                field += kQuote;
                at += 2;
                continue;
            }
            ++at;
            return field;
        }
        field += text[at++];
    }
    return field;
}

// Fields separated by "?"; control characters separate too, and a run of them beside a "?"
// belongs to that one separator. Empty fields between separators and after a final "?" count.
std::vector<std::string> SplitFields(std::string_view text) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    auto skipControls = [&] {
        while (at < text.size() && IsControl(text[at]))
            ++at;
    };
    skipControls();
    while (at < text.size()) {
        if (text[at] == kQuote) {
            fields.push_back(ReadQuotedField(text, at));
        } else {
            const std::size_t start = at;
            while (at < text.size() && !IsControl(text[at]) && text[at] != kFieldSeparator)
                ++at;
            fields.emplace_back(text.substr(start, at - start));
        }
        skipControls();
        if (at < text.size() && text[at] == kFieldSeparator) {
            if (at + 1 == text.size())
                fields.emplace_back();
            ++at;
            skipControls();
        }
    }
    return fields;
}

std::string_view TrimBlanksAndControls(std::string_view text) {
    auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

SearchScope ScopeOfWord(std::string_view word) {
    for (std::size_t i = 0; i < kScopeWords.size(); ++i)
        if (EqualsIgnoreCase(word, kScopeWords[i]))
            return static_cast<SearchScope>(i);
    return SearchScope::Sub;
}

} // namespace

std::string ComposeQueryString(const std::string &context, const std::string &scopeText,
                               const std::string &filter) {
    const std::string shownContext = context == "cn=[root]" ? std::string() : context;
    return "ldap:///" + shownContext + "??" + scopeText + "?" + filter;
}

QueryDefinition ParseQueryString(const QueryList &queries, std::size_t index) {
    std::vector<std::string> fields;
    if (index < queries.entries.size()) {
        std::string_view entry = queries.entries[index];
        // Stored values are zero-terminated texts: nothing after a zero counts.
        entry = entry.substr(0, entry.find('\0'));
        fields = SplitFields(ReplaceAll(entry, " ", kBlankPlaceholder));
        for (std::string &field : fields)
            field = ReplaceAll(field, kBlankPlaceholder, " ");
    }
    fields.resize(std::max(fields.size(), kFieldCount));

    QueryDefinition query;
    query.context = std::string(CharacterSlice(fields[0], kContextStart, kMaxContextLength));
    query.scope = ScopeOfWord(fields[2]);
    query.filter = std::string(TrimBlanksAndControls(fields[3]));
    if (query.filter.empty())
        query.filter = DefaultFilter(queries.memberClassWord);
    return query;
}

std::string DefaultFilter(const std::string &memberClassWord) {
    return "(&(objectclass=" + memberClassWord + "))";
}

std::string_view ScopeWord(SearchScope scope) {
    const auto index = static_cast<std::size_t>(scope);
    return index < kScopeWords.size() ? kScopeWords[index] : kScopeWords[2];
}

} // namespace tarnbeck
