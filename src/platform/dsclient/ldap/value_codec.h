#pragma once

// Attribute values as a directory server holds them: strings as they are, booleans TRUE/FALSE,
// numbers in decimal, times as Generalized Time, references as DNs, class names by their LDAP
// names, lists as "$"-separated lines, and the composite syntaxes as "#"-separated fields (a "#"
// or "\" inside a field written "\23" or "\5C").

#include "platform/dsclient/ldap/name_table.h"
#include "platform/dsclient/status.h"
#include "platform/dsclient/values.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dsclient::ldap {

// The DN the server knows for a dotted name (NoSuchEntry when it names nothing).
using DnLookup = std::function<Status(std::string_view dotted, std::string &dn)>;
// The dotted name of a DN; false when the DN is not a name of the tree.
using DottedLookup = std::function<bool(std::string_view dn, std::string &dotted)>;

// Can a value go into an attribute of `syntax`? A reference only into a reference attribute,
// anything else when it holds the owner type of the attribute's syntax.
bool Fits(const AttrValue &value, std::uint32_t syntax);
// The LDAP form of a value for an attribute of `syntax` (the value must fit).
Status EncodeValue(const AttrValue &value, std::uint32_t syntax, const NameTable &names,
                   const DnLookup &dnOf, std::string &out);
// The value of an attribute of `syntax` from its LDAP form; false when the form is not one
// this syntax can have.
bool DecodeValue(std::uint32_t syntax, std::string_view bytes, const NameTable &names,
                 const DottedLookup &dottedOf, AttrValue &out);

// Seconds since 1970 as Generalized Time ("20240101000000Z") and back.
std::string GeneralizedTime(std::uint32_t seconds);
bool ParseGeneralizedTime(std::string_view text, std::uint32_t &seconds);

} // namespace dsclient::ldap
