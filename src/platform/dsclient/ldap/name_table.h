#pragma once

// The names a directory server publishes for the directory's attributes and classes ("Group
// Membership" is groupMembership, "User" is inetOrgPerson), looked up both ways without regard
// to case. A name the table does not hold is the same on both sides.

#include "platform/dsclient/status.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace dsclient::ldap {

class NameTable {
  public:
    // The built-in table.
    NameTable();
    // Adds the "directory name = LDAP name" lines of a file (blank lines and lines starting
    // with ";" or "#" are skipped); a line of the file wins over the built-in one. False with
    // `problem` naming the file and line when it cannot be read or a line is not of that form.
    bool AddFile(const std::string &path, std::string &problem);

    std::string ToLdap(std::string_view directoryName) const;
    std::string ToDirectory(std::string_view ldapName) const;

  private:
    void Add(std::string_view directoryName, std::string_view ldapName);
    std::unordered_map<std::string, std::string> toLdap_;      // directory name, lower case
    std::unordered_map<std::string, std::string> toDirectory_; // LDAP name, lower case
};

// Facts of the standard LDAP classes that the directory keeps in its schema instead: which
// classes are containers, and which attribute names an object of a class.
bool IsContainerClass(std::string_view ldapClass);
// cn for leaves; o, ou, l, c and dc for the containers.
std::string NamingAttributeOf(std::string_view ldapClass);
// Is this one of the attributes that name a container (o, ou, l, c, dc)?
bool NamesContainer(std::string_view ldapAttribute);
// The attributes that name objects of the classes above, most common first.
const char *const *NamingAttributes();

} // namespace dsclient::ldap
