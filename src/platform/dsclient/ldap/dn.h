#pragma once

// Distinguished names, built and taken apart by libldap so escaping is never done by hand, and
// the typeless dotted names they stand for inside one tree.

#include "platform/dsclient/status.h"

#include <string>
#include <string_view>
#include <vector>

namespace dsclient::ldap {

struct Rdn {
    std::string attribute;
    std::string value; // unescaped
};

// The DN of `rdns` (leaf first) below `base` (a DN, empty for none). IllegalName when a value is
// not UTF-8.
Status BuildDn(const std::vector<Rdn> &rdns, std::string_view base, std::string &dn);
// The RDNs of a DN, leaf first; a multi-valued RDN is represented by its first value.
// IllegalName when the text is not a DN.
Status ParseDn(std::string_view dn, std::vector<Rdn> &rdns);

// Do two DNs name one entry? Attribute types and the number of values in each RDN must agree,
// values compare folded: the same entry spelt another way, not another entry of the same name.
bool SameEntry(std::string_view a, std::string_view b);

// The names of one tree whose root is `base`: the dotted name of a DN and back.
class TreeNames {
  public:
    explicit TreeNames(std::string base);
    const std::string &base() const { return base_; }
    // Is `base` a DN libldap can read? (Checked once when the tree is opened.)
    bool valid() const { return valid_; }

    // The dotted name of a DN inside the tree ("[Root]" for the base itself); false when the DN
    // lies outside the tree or is not a DN. `leaf`, when given, receives the DN's first RDN (left
    // empty for the base).
    bool ToDotted(std::string_view dn, std::string &dotted, Rdn *leaf = nullptr) const;

  private:
    std::string base_;
    std::vector<Rdn> baseRdns_; // values folded for comparison
    bool valid_ = false;
};

} // namespace dsclient::ldap
