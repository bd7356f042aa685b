// The LDAP backend: a group's membership changes at the server's pace. A server that rewrites
// the whole group entry for every modify spends most of an Update on the group, so the group's
// values travel in a few modifies that carry many each; the members' own modifies are sent
// without waiting for each answer, a bounded number at a time, and each answer is matched to
// its member by message id.

#include "platform/dsclient/ldap/ldap_backend.h"
#include "platform/dsclient/ldap/mod_list.h"

#include <algorithm>
#include <deque>
#include <optional>

namespace dsclient::ldap {

namespace {

// Members handled per round: the group's side of a round is one modify (while the server takes
// that many values), and a stop or a refusal leaves at most this many to take back.
constexpr std::size_t kMembersPerRound = 1000;
// Members' modifies on the wire at once.
constexpr std::size_t kWindow = 64;

// Refusals of a modify that carries more values than the server allows.
bool TooLarge(int code) {
    return code == LDAP_ADMINLIMIT_EXCEEDED || code == LDAP_SIZELIMIT_EXCEEDED;
}

} // namespace

Status LdapBackend::MembershipAttributesOf(MembershipAttributes &attributes) const {
    attributes.member = AttributeNamed("Member");
    attributes.equivalentToMe = AttributeNamed("Equivalent To Me");
    attributes.groupMembership = AttributeNamed("Group Membership");
    attributes.securityEquals = AttributeNamed("Security Equals");
    return attributes.member && attributes.equivalentToMe && attributes.groupMembership &&
                   attributes.securityEquals
               ? status::Ok
               : status::NoSuchAttribute;
}

Status LdapBackend::ChangeGroupSide(const std::string &groupDn,
                                    const MembershipAttributes &attributes, int operation,
                                    const std::vector<std::string> &memberDns) {
    std::vector<const SchemaAttribute *> sides = {attributes.member};
    if (attributes.equivalentToMe->userModifiable) // else the server keeps it itself
        sides.push_back(attributes.equivalentToMe);
    LDAPControl *controls[] = {PermissiveModify(), nullptr};
    const auto modify = [&](const std::vector<const SchemaAttribute *> &changed,
                            const std::vector<std::string> &values) {
        ModList mods;
        for (const SchemaAttribute *attribute : changed)
            mods.Add(operation, attribute->ldapName, values);
        return ldap_modify_ext_s(session_.ld(), groupDn.c_str(), mods.get(), controls, nullptr);
    };
    for (std::size_t at = 0; at < memberDns.size();) {
        const std::size_t end = std::min(memberDns.size(), at + groupChunk_);
        const std::vector<std::string> slice(memberDns.begin() + at, memberDns.begin() + end);
        int code = modify(sides, slice);
        if (TooLarge(code) && groupChunk_ > 1) {
            groupChunk_ = std::max<std::size_t>(1, (end - at) / 2); // the same values, fewer a time
            continue;
        }
        // The server lets values already gone pass, but not a whole attribute already gone: each
        // side then goes on its own.
        if (code == LDAP_NO_SUCH_ATTRIBUTE && operation == LDAP_MOD_DELETE) {
            code = LDAP_SUCCESS;
            for (const SchemaAttribute *attribute : sides)
                if (const int one = modify({attribute}, slice); one != LDAP_NO_SUCH_ATTRIBUTE)
                    code = code == LDAP_SUCCESS ? one : code;
        }
        if (code != LDAP_SUCCESS)
            return session_.Failed(code);
        at = end;
    }
    return status::Ok;
}

Status LdapBackend::LetGoOfGroup(const std::string &memberDn, const std::string &groupDn,
                                 const MembershipAttributes &attributes) {
    // The server lets a value already gone pass, but not a whole attribute already gone: such a
    // member (half-removed before) loses each side on its own.
    for (const SchemaAttribute *attribute : {attributes.groupMembership, attributes.securityEquals})
        if (const Status s = ModifyValue(memberDn, LDAP_MOD_DELETE, attribute->ldapName, groupDn);
            s != status::Ok && s != status::NoSuchAttribute)
            return s;
    return status::Ok;
}

Status LdapBackend::WriteMemberships(std::string_view group,
                                     const std::vector<MembershipWrite> &writes,
                                     MembershipWriteObserver &observer) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    std::string groupDn;
    if (const Status s = DnOf(group, groupDn); s != status::Ok)
        return s;
    MembershipAttributes attributes;
    if (const Status s = MembershipAttributesOf(attributes); s != status::Ok)
        return s;
    bool stopped = false;
    for (std::size_t at = 0; at < writes.size() && !stopped; at += kMembersPerRound) {
        const std::size_t end = std::min(writes.size(), at + kMembersPerRound);
        if (const Status s = WriteRound(groupDn, attributes, writes, at, end, observer, stopped);
            s != status::Ok)
            return s;
    }
    return status::Ok;
}

Status LdapBackend::WriteRound(const std::string &groupDn, const MembershipAttributes &attributes,
                               const std::vector<MembershipWrite> &writes, std::size_t first,
                               std::size_t end, MembershipWriteObserver &observer, bool &stopped) {
    const std::size_t count = end - first;
    std::vector<std::string> dns(count);
    std::vector<std::optional<Status>> outcome(count); // empty while unanswered
    std::vector<bool> resolved(count);
    std::vector<std::string> added;
    for (std::size_t i = 0; i < count; ++i) {
        if (const Status s = DnOf(writes[first + i].member, dns[i]); s != status::Ok) {
            outcome[i] = s; // refused before anything of it is sent
            continue;
        }
        resolved[i] = true;
        if (writes[first + i].add)
            added.push_back(dns[i]);
    }
    // Additions: the group's side first, so a member never holds the group's rights alone.
    if (const Status s = ChangeGroupSide(groupDn, attributes, LDAP_MOD_ADD, added); s != status::Ok)
        return s;

    LDAPControl *controls[] = {PermissiveModify(), nullptr};
    const int memberOperation[] = {LDAP_MOD_DELETE, LDAP_MOD_ADD};
    std::deque<std::pair<std::size_t, int>> inFlight; // member, message id; oldest first
    std::size_t sent = 0, told = 0;
    // A removal is whole only once the group has let go of it too, at the end of the round: its
    // answer waits until then, and a stop is asked for all the same as each answer comes.
    const auto whole = [&](std::size_t i) {
        return writes[first + i].add || outcome[i] != status::Ok;
    };
    const auto tell = [&] {
        const std::size_t before = told;
        for (; told < sent && outcome[told] && whole(told); ++told) {
            observer.Answered(first + told, *outcome[told]);
            stopped = stopped || observer.StopRequested();
        }
        // A refusal waiting behind them ends the sending as its answer would.
        if (told == before && !stopped && told < sent)
            stopped = std::any_of(outcome.begin() + static_cast<std::ptrdiff_t>(told),
                                  outcome.begin() + static_cast<std::ptrdiff_t>(sent),
                                  [](const auto &answer) { return answer && *answer != status::Ok; }) ||
                      observer.StopRequested();
    };
    while (true) {
        for (; !stopped && sent < count && inFlight.size() < kWindow; ++sent) {
            if (outcome[sent]) { // refused already: told in its turn, before any later is sent
                if (inFlight.empty())
                    ++sent;
                break;
            }
            ModList mods;
            const int operation = memberOperation[writes[first + sent].add];
            mods.Add(operation, attributes.groupMembership->ldapName, {groupDn});
            mods.Add(operation, attributes.securityEquals->ldapName, {groupDn});
            int msgid = -1;
            const int code = ldap_modify_ext(session_.ld(), dns[sent].c_str(), mods.get(), controls,
                                             nullptr, &msgid);
            if (code != LDAP_SUCCESS)
                return session_.Failed(code);
            inFlight.emplace_back(sent, msgid);
        }
        tell();
        if (inFlight.empty()) {
            if (stopped || sent == count)
                break;
            continue;
        }
        LDAPMessage *answer = nullptr;
        const auto [member, msgid] = inFlight.front();
        if (const Status s = session_.Wait(msgid, answer); s != status::Ok)
            return s;
        inFlight.pop_front();
        outcome[member] = session_.ResultOf(answer);
        if (outcome[member] == status::NoSuchAttribute && !writes[first + member].add)
            outcome[member] = LetGoOfGroup(dns[member], groupDn, attributes);
    }

    // The group's side of what the members' answers allow: removals whose member let go of the
    // group (or is gone), and additions taken back whose member refused or was never sent after
    // a stop.
    std::vector<std::string> takenAway;
    for (std::size_t i = 0; i < count; ++i) {
        const bool done = i < sent && outcome[i] == status::Ok;
        // A member deleted meanwhile holds no rights: the group lets go of it all the same.
        const bool gone = resolved[i] && i < sent && outcome[i] == status::NoSuchEntry;
        if (writes[first + i].add ? resolved[i] && !done : done || gone)
            takenAway.push_back(dns[i]);
    }
    if (const Status s = ChangeGroupSide(groupDn, attributes, LDAP_MOD_DELETE, takenAway);
        s != status::Ok)
        return s;
    for (; told < sent; ++told)
        observer.Answered(first + told, *outcome[told]);
    return status::Ok;
}

} // namespace dsclient::ldap
