#include "query/filter_value.h"

#include "directory/text_compare.h"
#include "platform/dsclient/values.h"

#include <charconv>
#include <optional>

namespace tarnbeck {

using namespace dsclient;

namespace {

bool IsNumberSyntax(std::uint32_t syntax) {
    return syntax == SYN_INTEGER || syntax == SYN_COUNTER || syntax == SYN_TIME;
}

// A decimal number with an optional sign, nothing around it, within 32 bits.
std::optional<std::int32_t> ParseInt32(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

std::string LittleEndianBytes(std::int32_t number) {
    const auto bits = static_cast<std::uint32_t>(number);
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return bytes;
}

} // namespace

EncodeResult EncodeFilterValue(std::uint32_t syntax, std::string_view text, FilterValue &value) {
    if (dsclient::IsTextSyntax(syntax)) {
        value = {static_cast<std::int32_t>(syntax), std::string(text)};
        return EncodeResult::Ok;
    }
    if (IsNumberSyntax(syntax)) {
        const auto number = ParseInt32(text);
        if (!number)
            return EncodeResult::NotInteger;
        value = {static_cast<std::int32_t>(syntax), LittleEndianBytes(*number)};
        return EncodeResult::Ok;
    }
    if (syntax == SYN_BOOLEAN) {
        const std::string lowered = ToLowerAscii(text);
        if (lowered != "true" && lowered != "false")
            return EncodeResult::NotBoolean;
        value = {SYN_BOOLEAN, LittleEndianBytes(lowered == "true" ? -1 : 0)};
        return EncodeResult::Ok;
    }
    return EncodeResult::UnsupportedSyntax;
}

} // namespace tarnbeck
