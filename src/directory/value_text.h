#pragma once

// How each syntax's values become text: the items of a value list and the single text of
// ReadValueText.

#include "directory/value_list.h"
#include "platform/dsclient/values.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnbeck {

// A network address as text, by address type (IP addresses dotted, with a port where the type
// carries one; other types as hexadecimal).
std::string NetAddressText(std::uint32_t addressType, std::string_view bytes);

// Seconds since 1970-01-01 UTC as local date and time: the locale's short date, a blank, its
// long time, daylight saving applied.
std::string LocalTimeText(std::uint32_t seconds);

// Text without surrounding blanks and control characters.
std::string Trimmed(std::string_view text);

// Appends the items of one value of an attribute of `syntax` to `list`; composite values join
// their parts with `separator`.
void AppendValueItems(const dsclient::AttrValue &value, std::uint32_t syntax, char separator,
                      ValueList &list);

// Folds one value into the single text of an attribute: string syntaxes append, the others
// replace, a few leave the text alone.
void FoldValueText(const dsclient::AttrValue &value, std::uint32_t syntax, std::string &text);

} // namespace tarnbeck
