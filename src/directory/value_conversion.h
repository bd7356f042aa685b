#pragma once

// How a value text becomes a value of an attribute's syntax when it is written: numbers for the
// integer syntaxes, booleans for the boolean one, text for everything else.

#include "platform/dsclient/values.h"

#include <cstdint>
#include <string_view>

namespace tarnbeck {

// True for the syntaxes whose values travel as 32-bit numbers (integer, counter, time,
// interval).
bool IsIntegerSyntax(std::uint32_t syntax);

// The value to send for `text`. A text that is no 32-bit decimal number for an integer syntax,
// or neither "TRUE" nor "FALSE" (any case) for the boolean one, raises DirectoryError with
// kValueConversionFailed before anything is sent.
dsclient::AttrValue ValueFromText(std::uint32_t syntax, std::string_view text);

} // namespace tarnbeck
