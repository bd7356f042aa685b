#pragma once

// The DNs of names seen before: every DN the server hands out is remembered under its dotted
// name, so a name the program took from a search or a listing is found again without asking the
// server. For names never seen, the attributes that named the siblings are tried first.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dsclient::ldap {

class NameCache {
  public:
    // Bounded: past this many names the cache starts afresh rather than grow without end.
    static constexpr std::size_t kMaxNames = 300000;

    std::optional<std::string> Find(std::string_view dotted) const;
    // Remembers a name's DN, and the attribute that names it among its parent's children.
    void Remember(std::string_view dotted, std::string_view dn, std::string_view parentDotted,
                  std::string_view namingAttribute);
    void Forget(std::string_view dotted);
    void Clear();
    // Attributes seen naming children of `parentDotted`, most recent first.
    std::vector<std::string> NamingAttributesUnder(std::string_view parentDotted) const;

  private:
    std::unordered_map<std::string, std::string> dns_;                     // folded name
    std::string lastParent_;    // the folded parent of the last name remembered, and the
    std::string lastAttribute_; // attribute that named it: a search's entries share parents
    std::unordered_map<std::string, std::vector<std::string>> namingUnder_; // folded parent
};

} // namespace dsclient::ldap
