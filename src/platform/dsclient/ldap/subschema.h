#pragma once

// What the server's subschema (RFC 4512) says about attributes and classes, in the directory's
// terms: each attribute with its directory name, syntax number and flags. A server may give the
// directory syntax itself (X-NDS_SYNTAX); otherwise it follows from the LDAP syntax and equality
// rule, inherited along the SUP chain.

#include "platform/dsclient/ldap/name_table.h"
#include "platform/dsclient/status.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dsclient::ldap {

struct SchemaAttribute {
    std::string ldapName;      // the first NAME
    std::string directoryName; // as the program knows it
    std::uint32_t syntax = 0;
    std::uint32_t flags = 0; // DS_*_ATTR
    std::uint32_t upperBound = 0;
    bool userModifiable = true;
    bool operational = false;
};

struct SchemaClass {
    std::string ldapName;
    std::vector<std::string> superClasses; // LDAP names
    std::vector<std::string> attributes;   // MUST and MAY, as the server names them
    bool structural = false;
};

class Subschema {
  public:
    // Builds the schema from the attributeTypes and objectClasses values of a subschema entry.
    void Load(const std::vector<std::string> &attributeTypes,
              const std::vector<std::string> &objectClasses, const NameTable &names);

    // By any LDAP name or OID of the attribute, without regard to case.
    const SchemaAttribute *Attribute(std::string_view ldapName) const;
    const std::vector<SchemaAttribute> &attributes() const { return attributes_; }
    const SchemaClass *Class(std::string_view ldapName) const;
    // The class and its super classes, each once, nearest first (LDAP names as the schema spells
    // them); just the name when the schema does not know the class.
    std::vector<std::string> Chain(std::string_view ldapClass) const;
    // Whether objects of the class may hold the attribute: the class or a super class names it
    // (by any of its names or its OID), or is extensibleObject, which allows any.
    bool Allows(std::string_view ldapClass, std::string_view ldapAttribute) const;

  private:
    std::vector<SchemaAttribute> attributes_;
    std::unordered_map<std::string, std::size_t> attributeIndex_; // lower-case name or OID
    std::vector<SchemaClass> classes_;
    std::unordered_map<std::string, std::size_t> classIndex_;
};

// The directory syntax number of an LDAP syntax OID under an equality rule (case-exact rules make
// strings case-exact); SYN_UNKNOWN for syntaxes the directory has no counterpart of.
std::uint32_t DirectorySyntax(std::string_view syntaxOid, std::string_view equalityRule);

} // namespace dsclient::ldap
