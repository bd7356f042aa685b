#pragma once

// The DNs of names seen before: every DN the server hands out is remembered under its dotted
// name, so a name the program took from a search or a listing is found again without asking the
// server. For names never seen, the attributes that named the siblings are tried first.

#include <cstddef>
#include <cstdint>
#include <functional>
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

    // The DN of a name seen before; an empty DN when the name was seen naming two entries.
    std::optional<std::string> Find(std::string_view dotted);
    // Remembers a name's DN, and the attribute that names it among its parent's children.
    void Remember(std::string_view dotted, std::string_view dn, std::string_view parentDotted,
                  std::string_view namingAttribute);
    void Forget(std::string_view dotted);
    void Clear();
    // Attributes seen naming children of `parentDotted`, most recent first.
    std::vector<std::string> NamingAttributesUnder(std::string_view parentDotted) const;

  private:
    // Indexes the names that arrived.
    void Settle();
    // Could `dotted` be among the names that arrived? False only when it is surely not.
    bool MayHaveArrived(std::string_view dotted);
    void DropArrived();

    // A search remembers thousands of names that may never be asked for: they are kept as they
    // come and only indexed when a name is looked up. They are kept in one block of text, not
    // a string each, which would stay scattered through the memory the search's results leave.
    struct Arrived {
        std::size_t at; // the dotted name, then the DN, in arrivedText_
        std::uint32_t dottedSize, dnSize;
        std::size_t hash; // of the folded dotted name
    };
    std::string arrivedText_;
    std::vector<Arrived> arrived_;
    // A look-up of a name that did not arrive (the container of the children just listed, listed
    // again) scans the arrivals' hashes instead of indexing them, as long as the scans together
    // cost no more than a few times as much as the arrivals: each arrival adds to this budget.
    std::size_t scanBudget_ = 0;
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const {
            return std::hash<std::string_view>{}(key);
        }
    };
    std::unordered_map<std::string, std::string, KeyHash, std::equal_to<>> dns_; // folded name
    std::unordered_map<std::string, std::vector<std::string>> namingUnder_; // folded parent
    std::string lastParent_;    // the parent of the last name remembered, and the attribute
    std::string lastAttribute_; // that named it: a search's entries share their parents
};

} // namespace dsclient::ldap
