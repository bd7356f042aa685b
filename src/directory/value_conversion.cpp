#include "directory/value_conversion.h"

#include "directory/directory_error.h"
#include "directory/text_compare.h"
#include "directory/value_text.h"

#include <charconv>
#include <limits>

namespace tarnbeck {

using namespace dsclient;

namespace {

std::int64_t DecimalNumber(std::string_view text, std::int64_t lowest, std::int64_t highest) {
    const std::string trimmed = Trimmed(text);
    const char *first = trimmed.data();
    const char *last = first + trimmed.size();
    if (first != last && *first == '+')
        ++first;
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || number < lowest || number > highest)
        throw DirectoryError(kValueConversionFailed);
    return number;
}

} // namespace

bool IsIntegerSyntax(std::uint32_t syntax) {
    return syntax == SYN_INTEGER || syntax == SYN_COUNTER || syntax == SYN_TIME ||
           syntax == SYN_INTERVAL;
}

AttrValue ValueFromText(std::uint32_t syntax, std::string_view text) {
    constexpr auto kMinInt = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMaxInt = std::numeric_limits<std::int32_t>::max();
    switch (syntax) {
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL:
        return {syntax, Integer{static_cast<std::int32_t>(DecimalNumber(text, kMinInt, kMaxInt))}};
    case SYN_TIME:
        return {syntax, Time{static_cast<std::uint32_t>(
                            DecimalNumber(text, 0, std::numeric_limits<std::uint32_t>::max()))}};
    case SYN_BOOLEAN: {
        const std::string word = Trimmed(text);
        if (EqualsIgnoreCase(word, "TRUE"))
            return {syntax, Boolean{true}};
        if (EqualsIgnoreCase(word, "FALSE"))
            return {syntax, Boolean{false}};
        throw DirectoryError(kValueConversionFailed);
    }
    default:
        return {syntax, Text{std::string(text)}};
    }
}

} // namespace tarnbeck
