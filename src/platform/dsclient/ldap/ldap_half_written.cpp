// The LDAP backend: a group's half-written memberships with the least the server allows. The
// group's own side is one read; the members' side one search for the holders of the group,
// asking only for the two attributes and, where the server can, only for the values that name
// the group.

#include "platform/dsclient/ldap/filter_text.h"
#include "platform/dsclient/ldap/ldap_backend.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/text_fold.h"

#include <cstdint>
#include <unordered_map>

namespace dsclient::ldap {

namespace {

// Names with the sides each holds, each name once whatever its case.
class Sides {
  public:
    void Note(std::string name, std::uint8_t side) {
        Held &held = held_[FoldCase(name)];
        if (held.name.empty())
            held.name = std::move(name);
        held.sides |= side;
    }
    void HalfWritten(std::vector<std::string> &names) const {
        for (const auto &[key, held] : held_)
            if (held.sides != AllSides)
                names.push_back(held.name);
    }

  private:
    struct Held {
        std::string name;
        std::uint8_t sides = 0;
    };
    std::unordered_map<std::string, Held> held_;
};

// The values of one attribute of an entry, as berval pointers that stay valid until freed.
template <typename Visit>
void ForEachValue(LDAP *ld, LDAPMessage *entry, const std::string &attribute, Visit visit) {
    berval **values = ldap_get_values_len(ld, entry, attribute.c_str());
    for (berval **value = values; value && *value; ++value)
        visit(std::string_view((*value)->bv_val, (*value)->bv_len));
    ldap_value_free_len(values);
}

} // namespace

Status LdapBackend::HalfWrittenMembers(std::string_view group,
                                       const std::vector<std::string> *members,
                                       std::vector<std::string> &names) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    MembershipAttributes attributes;
    if (const Status s = MembershipAttributesOf(attributes); s != status::Ok)
        return s;
    std::string groupDn, groupName;
    if (const Status s = DnOf(group, groupDn); s != status::Ok)
        return s;
    if (!DottedOf(groupDn, groupName))
        return status::NoSuchEntry;
    Sides sides;
    const auto noteReference = [&](std::string_view dn, std::uint8_t side) {
        std::string dotted;
        if (tree_.ToDotted(dn, dotted))
            sides.Note(std::move(dotted), side);
    };

    SearchParameters own;
    own.attributes = {attributes.equivalentToMe->ldapName};
    if (members)
        for (const std::string &member : *members)
            sides.Note(member, InMember);
    else
        own.attributes.push_back(attributes.member->ldapName);
    if (const Status s =
            ReadEntry(groupName, own,
                      [&](LDAPMessage *entry) {
                          for (const auto &[attribute, held] :
                               {std::pair{attributes.equivalentToMe, InEquivalentToMe},
                                std::pair{attributes.member, InMember}})
                              ForEachValue(session_.ld(), entry, attribute->ldapName,
                                           [&, side = held](std::string_view dn) {
                                               noteReference(dn, side);
                                           });
                      });
        s != status::Ok)
        return s;

    const std::string value = EscapeFilterValue(groupDn);
    const std::string membership = "(" + attributes.groupMembership->ldapName + "=" + value + ")";
    const std::string equals = "(" + attributes.securityEquals->ldapName + "=" + value + ")";
    SearchParameters holders;
    holders.filter = "(|" + membership + equals + ")";
    holders.valuesFilter = "(" + membership + equals + ")";
    holders.attributes = {attributes.groupMembership->ldapName,
                          attributes.securityEquals->ldapName};
    std::vector<std::string> bases = {tree_.base()};
    if (tree_.base().empty())
        bases = namingContexts_; // a tree in the server's root entry: its top containers
    for (const std::string &base : bases) {
        holders.base = base;
        PagedSearch search(session_, holders);
        for (;;) {
            LDAPMessage *entry = nullptr;
            if (const Status s = search.Next(entry); s != status::Ok)
                return s;
            if (!entry)
                break;
            char *dn = ldap_get_dn(session_.ld(), entry);
            std::string holder;
            const bool inTree = dn && DottedOf(dn, holder);
            ldap_memfree(dn);
            if (!inTree)
                continue;
            // A server without the values-return control sends every value: only the group's
            // counts.
            for (const auto &[attribute, side] :
                 {std::pair{attributes.groupMembership, InGroupMembership},
                  std::pair{attributes.securityEquals, InSecurityEquals}}) {
                bool holds = false;
                ForEachValue(session_.ld(), entry, attribute->ldapName, [&](std::string_view dn) {
                    std::string dotted;
                    holds =
                        holds || (tree_.ToDotted(dn, dotted) && EqualsFolded(dotted, groupName));
                });
                if (holds)
                    sides.Note(holder, side);
            }
        }
    }
    sides.HalfWritten(names);
    return status::Ok;
}

} // namespace dsclient::ldap
