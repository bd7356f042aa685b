#pragma once

// What the client's operations need of a tree, whatever keeps it: an embedded store or a
// directory server. One backend serves one configured tree for the life of the client. Names
// are typeless dotted names as the program writes them; "[Root]" (any case) is the top.
// Statuses are the directory's own, so the program never learns which backend answered.

#include "platform/dsclient/buffer.h"
#include "platform/dsclient/client.h"
#include "platform/dsclient/filter.h"
#include "platform/dsclient/status.h"
#include "platform/dsclient/values.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dsclient {

// An object as listings and searches report it.
struct EntryInfo {
    std::string name; // whole dotted name in searches, escaped leaf component in listings
    ObjectInfo info;
};

struct AttributeValues {
    std::string name; // as the tree's schema spells it
    std::uint32_t syntax = 0;
    std::vector<AttrValue> values; // empty when only names were asked for
};

struct SearchEntry {
    EntryInfo entry;
    std::vector<AttributeValues> attributes;
};

struct SearchRequest {
    std::string base;
    std::uint32_t scope = DS_SEARCH_SUBTREE;
    const FilterNode *filter = nullptr;
    bool allAttributes = false;
    std::vector<std::string> attributeNames; // when not all: those asked for (may be none)
    bool withValues = true;
    std::int32_t limit = 0; // objects at most; 0: no limit
};

// The entries of one search, handed out one by one so neither side holds the whole result.
class SearchCursor {
  public:
    virtual ~SearchCursor() = default;
    // Ok with `more` set and `entry` filled; Ok with `more` clear at the end. A failure part-way
    // (a lost connection, a limit hit) is a status, never an early end.
    virtual Status Next(SearchEntry &entry, bool &more) = 0;
};

// The four sides of one membership, as bits: a membership is whole when all are set.
enum MembershipSide : std::uint8_t {
    InMember = 1,
    InEquivalentToMe = 2,
    InGroupMembership = 4,
    InSecurityEquals = 8,
    AllSides = 15,
};

struct NamedDefinition {
    std::string name;
    AttributeDefinition definition;
};

class Backend {
  public:
    virtual ~Backend() = default;

    // ---- identities
    // Checks a password. On success `canonical` is the name as the tree spells it, and later
    // requests act as that identity.
    virtual Status Login(std::string_view name, std::string_view password,
                         std::string &canonical) = 0;
    // May `identity` (empty: the public trustee) change the tree? NoAccess when not. A backend
    // whose server judges every request itself may answer Ok and let the server refuse.
    virtual Status CheckWriteAccess(std::string_view identity) = 0;

    // ---- single objects
    // `canonical` receives the name as the tree spells it ("[Root]" for the top).
    virtual Status Find(std::string_view name, std::string &canonical, ObjectInfo &info) = 0;
    // The object's attributes that have values (all when `names` is null); names only when
    // `withValues` is off.
    virtual Status ReadAttributes(std::string_view name, const std::vector<std::string> *names,
                                  bool withValues, std::vector<AttributeValues> &out) = 0;
    // Every change applied, or none.
    virtual Status Modify(std::string_view name, const std::vector<RequestChange> &changes) = 0;
    virtual Status AddObject(std::string_view name,
                             const std::vector<RequestAttribute> &attributes) = 0;
    virtual Status RemoveObject(std::string_view name) = 0;
    // "Security Equals" on `from` and "Equivalent To Me" on `to`; adding one that holds succeeds.
    virtual Status AddEquivalence(std::string_view from, std::string_view to) = 0;
    virtual Status RemoveEquivalence(std::string_view from, std::string_view to) = 0;

    // ---- many objects
    // Children of `parent` in name order, each with its escaped leaf component.
    virtual Status ListChildren(std::string_view parent, bool containersOnly,
                                std::vector<EntryInfo> &children) = 0;
    // Classes that may be created under `parent`; IllegalContainment when none.
    virtual Status ContainableClasses(std::string_view parent,
                                      std::vector<std::string> &classes) = 0;
    virtual Status Search(const SearchRequest &request, std::unique_ptr<SearchCursor> &cursor) = 0;

    // ---- schema
    virtual Status AttributeSyntax(std::string_view attribute, std::uint32_t &syntax) = 0;
    // Whether objects of the class (its super classes included) may hold the attribute.
    virtual Status ClassAllows(std::string_view className, std::string_view attribute,
                               bool &allowed) = 0;
    // All definitions when `names` is null; otherwise those of the names the schema knows.
    virtual Status AttributeDefinitions(const std::vector<std::string> *names,
                                        std::vector<NamedDefinition> &out) = 0;

    // ---- a group's membership
    // A tree that has a faster road for a group's membership changes than member by member
    // (see WriteGroupMemberships of the client) says so and takes them here.
    virtual bool WritesMembershipsInBulk() const { return false; }
    // The names that hold some but not all four sides of a membership of `group` (its "Member"
    // and "Equivalent To Me", their "Group Membership" and "Security Equals"), each once, in no
    // particular order. `members`, when given, are the group's "Member" values as the caller
    // read them.
    virtual Status HalfWrittenMembers(std::string_view group,
                                      const std::vector<std::string> *members,
                                      std::vector<std::string> &names) = 0;
    virtual Status WriteMemberships(std::string_view, const std::vector<MembershipWrite> &,
                                    MembershipWriteObserver &) {
        return status::InvalidRequest;
    }

    // ---- grouped requests
    // Requests between BeginGroup and CommitGroup are applied together where the tree can do
    // that, and one by one (each whole) where it cannot; RollbackGroup drops what it can.
    virtual Status BeginGroup() = 0;
    virtual Status CommitGroup() = 0;
    virtual Status RollbackGroup() = 0;
    // Many groups in one go: each group stays whole or absent, but the tree may hold the writes
    // of all of them until EndBatch, which applies them or, failing, none of them. A tree that
    // applies every request as it comes takes both as no-ops.
    virtual Status BeginBatch() { return status::Ok; }
    virtual Status EndBatch() { return status::Ok; }
};

} // namespace dsclient
