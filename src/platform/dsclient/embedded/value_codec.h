#pragma once

// How values are kept in the store: a compact byte form per owner type, and the key under
// which two values count as the same value of an attribute.

#include "platform/dsclient/values.h"

#include <string>
#include <string_view>

namespace dsclient::embedded {

std::string EncodeValue(const AttrValue &value);
// False when the bytes are not a value of the syntax (a damaged store).
bool DecodeValue(std::uint32_t syntax, const std::string &bytes, AttrValue &value);
// Equal keys mean the directory treats the values as one (case-ignore syntaxes ignore case,
// numeric and telephone strings ignore blanks).
std::string EqualityKey(const AttrValue &value);
// A value of `syntax` rebuilt from its equality key as far as a search filter compares it:
// the normalised text of string syntaxes and the number of numeric ones, which compare exactly
// as the stored value would; a placeholder that matches no comparison for the other syntaxes.
// Lets a search judge values from the index alone.
AttrValue ComparableValue(std::uint32_t syntax, std::string_view key);

} // namespace dsclient::embedded
