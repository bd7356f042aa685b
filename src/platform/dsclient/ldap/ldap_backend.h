#pragma once

// The backend of a tree kept by a directory server that speaks LDAP. The server is first
// contacted by the first request, never when the client starts, so a server that is down cannot
// hold up the start; opening the tree only checks its configuration. A connection that is lost
// is opened again by the next request.

#include "platform/dsclient/backend.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/ldap/dn.h"
#include "platform/dsclient/ldap/name_cache.h"
#include "platform/dsclient/ldap/name_table.h"
#include "platform/dsclient/ldap/session.h"
#include "platform/dsclient/ldap/subschema.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dsclient::ldap {

class LdapBackend : public Backend {
  public:
    // Checks the tree's configuration (URI, base, password file, attribute map, and that no
    // password would cross the network in clear); `problem` says what is wrong.
    static Status Open(const TreeConfig &tree, std::unique_ptr<Backend> &backend,
                       std::string &problem);

    Status Login(std::string_view name, std::string_view password, std::string &canonical) override;
    Status CheckWriteAccess(std::string_view identity) override;

    Status Find(std::string_view name, std::string &canonical, ObjectInfo &info) override;
    Status ReadAttributes(std::string_view name, const std::vector<std::string> *names,
                          bool withValues, std::vector<AttributeValues> &out) override;
    Status Modify(std::string_view name, const std::vector<RequestChange> &changes) override;
    Status AddObject(std::string_view name,
                     const std::vector<RequestAttribute> &attributes) override;
    Status RemoveObject(std::string_view name) override;
    Status AddEquivalence(std::string_view from, std::string_view to) override;
    Status RemoveEquivalence(std::string_view from, std::string_view to) override;

    Status ListChildren(std::string_view parent, bool containersOnly,
                        std::vector<EntryInfo> &children) override;
    Status ContainableClasses(std::string_view parent, std::vector<std::string> &classes) override;
    Status Search(const SearchRequest &request, std::unique_ptr<SearchCursor> &cursor) override;

    Status AttributeSyntax(std::string_view attribute, std::uint32_t &syntax) override;
    Status ClassAllows(std::string_view className, std::string_view attribute,
                       bool &allowed) override;
    Status AttributeDefinitions(const std::vector<std::string> *names,
                                std::vector<NamedDefinition> &out) override;

    bool WritesMembershipsInBulk() const override { return true; }
    Status HalfWrittenMembers(std::string_view group, const std::vector<std::string> *members,
                              std::vector<std::string> &names) override;
    Status WriteMemberships(std::string_view group, const std::vector<MembershipWrite> &writes,
                            MembershipWriteObserver &observer) override;

    // A directory server applies each request whole as it comes.
    Status BeginGroup() override { return status::Ok; }
    Status CommitGroup() override { return status::Ok; }
    Status RollbackGroup() override { return status::Ok; }

    // ---- for the search cursor
    // Turns one entry of a result into the client's terms; false when the entry lies outside
    // the tree or is its root. With `details` (listings, object information) a container whose
    // server says nothing of its subordinates is asked for one.
    bool TakeEntry(LDAPMessage *message, bool withAttributes, bool withValues,
                   const std::vector<std::string> *wanted, bool details, SearchEntry &entry);

  private:
    LdapBackend(const TreeConfig &tree, NameTable names);

    // Connected, bound and with the server's schema read.
    Status Ready();
    Status LoadServerFacts();
    Status BindConfiguredIdentity(Session &session);

    // ---- names
    Status DnOf(std::string_view dotted, std::string &dn);
    Status Resolve(const std::string &canonical, const std::vector<std::string> &components,
                   std::string &dn);
    Status FindChild(const std::string &parentDotted, const std::string &parentDn,
                     const std::string &leaf, std::string &dn);
    bool DottedOf(std::string_view dn, std::string &dotted);
    // Reads one entry by its dotted name, resolving it afresh when a remembered DN is stale.
    Status ReadEntry(std::string_view name, SearchParameters parameters,
                     const std::function<void(LDAPMessage *)> &take);

    // ---- entries and schema
    const SchemaAttribute *AttributeNamed(std::string_view directoryName) const;
    ObjectInfo RootInfo();
    std::uint32_t ProbeSubordinates(std::string_view dn);
    // One child of a listing with what the listing shows of it; false when it lies outside the
    // tree.
    struct ListingParent;
    bool TakeListed(LDAPMessage *message, ListingParent &parent, EntryInfo &entry);
    // The LDAP forms of values for an attribute: refused when one does not fit it, names an
    // object or class the tree lacks.
    Status EncodeValues(const SchemaAttribute &attribute, const std::vector<AttrValue> &values,
                        std::vector<std::string> &encoded);
    Status ModifyValue(const std::string &dn, int operation, const std::string &attribute,
                       const std::string &value);
    // One object of a security equivalence: its DN and the attribute that holds the other.
    struct EquivalenceSide {
        std::string dn;
        const SchemaAttribute *attribute = nullptr;
    };
    Status EquivalenceSides(std::string_view from, std::string_view to, EquivalenceSide &fromSide,
                            EquivalenceSide &toSide);

    // ---- a group's membership
    struct MembershipAttributes {
        const SchemaAttribute *member = nullptr;
        const SchemaAttribute *equivalentToMe = nullptr;
        const SchemaAttribute *groupMembership = nullptr;
        const SchemaAttribute *securityEquals = nullptr;
    };
    Status MembershipAttributesOf(MembershipAttributes &attributes) const;
    // A value of the group's side that the server refuses on its own: its index among the DNs
    // given and the refusal.
    struct GroupSideRefusal {
        std::size_t index = 0;
        Status status = status::Ok;
    };
    // Adds or deletes the members' DNs in the group's "member" and "equivalentToMe", many a
    // modify; fewer at a time when the server refuses as many or drops the connection over the
    // request's size (it is then opened again). A value refused on its own goes into `refused`;
    // with `untilRefused` the first such ends the call, the values before it written. A status
    // other than Ok: the run cannot go on.
    Status ChangeGroupSide(const std::string &groupDn, const MembershipAttributes &attributes,
                           int operation, const std::vector<std::string> &memberDns,
                           bool untilRefused, std::vector<GroupSideRefusal> &refused);
    // Opens the connection again after the server dropped it, as the same user.
    Status Reconnect();
    // Takes the group out of one member's two attributes, each on its own, whichever is there.
    Status LetGoOfGroup(const std::string &memberDn, const std::string &groupDn,
                        const MembershipAttributes &attributes);
    // Members [first, end) of `writes`: the group's side of the additions, the members' own
    // modifies pipelined, then the group's side of the removals and what is taken back. A member
    // the group refuses ends the round early; `next` is the first member the round left.
    Status WriteRound(const std::string &groupDn, const MembershipAttributes &attributes,
                      const std::vector<MembershipWrite> &writes, std::size_t first,
                      std::size_t end, MembershipWriteObserver &observer, bool &stopped,
                      std::size_t &next);

    TreeConfig config_;
    SessionSettings settings_;
    TreeNames tree_;
    NameTable names_;
    Session session_;
    Subschema schema_;
    bool factsLoaded_ = false;
    std::vector<std::string> namingContexts_; // a root-entry tree's top containers
    NameCache cache_;
    // Values per modify of a group's side; fewer for good once the server drops a request as
    // too large.
    std::size_t groupChunk_ = 1000;
    bool loggedIn_ = false; // bound by Login, whose password is not kept
};

} // namespace dsclient::ldap
