#pragma once

// A plain libldap client, the yardstick of the benchmarks: what a search, a read and a modify
// cost a program that speaks LDAP directly, without the directory client's names, buffers and
// iteration protocol.

#include "platform/dsclient/status.h"

#include <memory>
#include <string>
#include <vector>

namespace dsclient::ldap {

class PlainClient {
  public:
    PlainClient();
    ~PlainClient();
    PlainClient(const PlainClient &) = delete;
    PlainClient &operator=(const PlainClient &) = delete;

    // Connects and binds (an empty DN: anonymously).
    Status Open(const std::string &uri, const std::string &dn, const std::string &password);
    // The DNs a search finds (no attributes asked for); scope 0 base, 1 one level, 2 subtree.
    // With `attribute`, its values for each DN go into `values`, in the same order.
    Status Search(const std::string &base, int scope, const std::string &filter,
                  std::vector<std::string> &dns, const std::string &attribute = {},
                  std::vector<std::vector<std::string>> *values = nullptr);
    // One entry of a listing with details, as a plain client would show it.
    struct ListedEntry {
        std::string name; // the leaf RDN's value
        std::string objectClass;
        bool hasSubordinates = false;
        std::string modified; // Generalized Time as the server sends it
        std::string aliasTarget;
    };
    // The children of `base` with what a listing with details shows of each (the structural
    // class, whether it has children, its modification time, an alias's target), sorted by
    // name ignoring ASCII case.
    Status List(const std::string &base, std::vector<ListedEntry> &entries);
    // The values of one attribute of one entry.
    Status Values(const std::string &dn, const std::string &attribute,
                  std::vector<std::string> &values);
    // One modify request adding (or removing) one value.
    Status AddValue(const std::string &dn, const std::string &attribute, const std::string &value);
    Status RemoveValue(const std::string &dn, const std::string &attribute,
                       const std::string &value);
    // A group's membership written at the server's pace: the group's "member" and
    // "equivalentToMe" in modifies of up to 1,000 values, the members' "groupMembership" and
    // "securityEquals" in modifies sent 64 at a time without waiting for each answer; on
    // additions the group's side first, on removals the members'.
    Status BulkMembership(const std::string &groupDn, const std::vector<std::string> &memberDns,
                          bool add);

  private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

} // namespace dsclient::ldap
