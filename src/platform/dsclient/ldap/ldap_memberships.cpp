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
// Bytes of values per modify of a group's side, whatever the count: below the smallest request a
// common server takes by default (slapd drops an anonymous connection's requests over 256 KiB).
constexpr std::size_t kBytesPerModify = 200 * 1024;

// Refusals of a modify that carries more values than the server allows in one request.
bool TooLarge(int code) {
    return code == LDAP_ADMINLIMIT_EXCEEDED || code == LDAP_SIZELIMIT_EXCEEDED;
}

// The answer of a server that takes no request over a size (slapd's sockbuf_max_incoming_auth):
// it drops the connection without a word, after or while reading it.
bool Dropped(int code) {
    return code == LDAP_SERVER_DOWN;
}

// Refusals that may concern only some values of a modify (a limit of the entry's size or of its
// values' count, a value the access rules or the schema refuse): the values are tried in fewer
// and fewer a modify until the one refused on its own is found. Any other refusal (the group
// gone, the server busy, the connection lost) ends the run.
bool MayConcernSomeValues(int code) {
    switch (code) {
    case LDAP_ADMINLIMIT_EXCEEDED:
    case LDAP_SIZELIMIT_EXCEEDED:
    case LDAP_CONSTRAINT_VIOLATION:
    case LDAP_INSUFFICIENT_ACCESS:
    case LDAP_INVALID_SYNTAX:
    case LDAP_INVALID_DN_SYNTAX:
    case LDAP_UNWILLING_TO_PERFORM:
        return true;
    default:
        return false;
    }
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

Status LdapBackend::Reconnect() {
    session_.Close();
    return Ready(); // never for a login's connection: see Ready
}

Status LdapBackend::ChangeGroupSide(const std::string &groupDn,
                                    const MembershipAttributes &attributes, int operation,
                                    const std::vector<std::string> &memberDns, bool untilRefused,
                                    std::vector<GroupSideRefusal> &refused) {
    refused.clear();
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
    // Values per modify for this call: a server whose limit refuses a request keeps refusing as
    // many. `span` narrows further while a refused modify is split to find the value refused on
    // its own, and widens again once it is found.
    std::size_t perModify = groupChunk_;
    std::size_t span = perModify;
    for (std::size_t at = 0; at < memberDns.size();) {
        // As many values as `span` allows, within kBytesPerModify (a value's DN and its framing).
        const auto bytesOf = [&](std::size_t i) {
            return (memberDns[i].size() + 16) * sides.size();
        };
        std::size_t end = at + 1;
        for (std::size_t bytes = bytesOf(at); end < memberDns.size() && end - at < span; ++end)
            if ((bytes += bytesOf(end)) > kBytesPerModify)
                break;
        const std::vector<std::string> slice(memberDns.begin() + at, memberDns.begin() + end);
        int code = modify(sides, slice);
        // The server lets values already gone pass, but not a whole attribute already gone: each
        // side then goes on its own.
        if (code == LDAP_NO_SUCH_ATTRIBUTE && operation == LDAP_MOD_DELETE) {
            code = LDAP_SUCCESS;
            for (const SchemaAttribute *attribute : sides)
                if (const int one = modify({attribute}, slice); one != LDAP_NO_SUCH_ATTRIBUTE)
                    code = code == LDAP_SUCCESS ? one : code;
        }
        if (code == LDAP_SUCCESS) {
            at = end;
            continue;
        }
        const std::size_t tried = end - at;
        if (Dropped(code)) {
            // Nothing of a request the server would not read is applied, and the same values
            // again are harmless either way.
            if (const Status s = Reconnect(); s != status::Ok)
                return s;
            if (tried > 1) {
                groupChunk_ = std::min(groupChunk_, tried / 2); // for as long as this server
                perModify = std::min(perModify, groupChunk_);
                span = std::min(span, perModify);
                continue;
            }
        } else if (!MayConcernSomeValues(code)) {
            return session_.Failed(code);
        } else if (tried > 1) {
            if (TooLarge(code))
                perModify = std::min(perModify, tried / 2);
            span = std::min(perModify, tried / 2);
            continue;
        }
        // One value the server refuses on its own: that member's refusal, not the run's.
        refused.push_back({at, StatusOfResult(code)});
        span = perModify;
        if (untilRefused)
            return status::Ok;
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
    for (std::size_t at = 0; at < writes.size() && !stopped;) {
        const std::size_t end = std::min(writes.size(), at + kMembersPerRound);
        if (const Status s =
                WriteRound(groupDn, attributes, writes, at, end, observer, stopped, at);
            s != status::Ok)
            return s;
    }
    return status::Ok;
}

Status LdapBackend::WriteRound(const std::string &groupDn, const MembershipAttributes &attributes,
                               const std::vector<MembershipWrite> &writes, std::size_t first,
                               std::size_t end, MembershipWriteObserver &observer, bool &stopped,
                               std::size_t &next) {
    std::size_t count = end - first;
    std::vector<std::string> dns(count);
    std::vector<std::optional<Status>> outcome(count); // empty while unanswered
    std::vector<bool> resolved(count); // named by a DN: the group's side may hold it
    std::vector<std::string> added;
    std::vector<std::size_t> addedMember;
    for (std::size_t i = 0; i < count; ++i) {
        if (const Status s = DnOf(writes[first + i].member, dns[i]); s != status::Ok) {
            outcome[i] = s; // refused before anything of it is sent
            continue;
        }
        resolved[i] = true;
        if (writes[first + i].add) {
            added.push_back(dns[i]);
            addedMember.push_back(i);
        }
    }
    // Additions: the group's side first, so a member never holds the group's rights alone.
    std::vector<GroupSideRefusal> refused;
    if (const Status s = ChangeGroupSide(groupDn, attributes, LDAP_MOD_ADD, added, true, refused);
        s != status::Ok)
        return s;
    if (!refused.empty()) {
        // The group refuses this member: it is answered so, nothing of it is written, and the
        // round ends with it, so whether to go on is asked before anyone after it is written.
        const std::size_t member = addedMember[refused.front().index];
        outcome[member] = refused.front().status;
        resolved[member] = false;
        count = member + 1;
    }
    next = first + count;

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
            stopped =
                std::any_of(outcome.begin() + static_cast<std::ptrdiff_t>(told),
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
    std::vector<std::size_t> takenFrom; // the member of each value taken away
    for (std::size_t i = 0; i < count; ++i) {
        const bool done = i < sent && outcome[i] == status::Ok;
        // A member deleted meanwhile holds no rights: the group lets go of it all the same.
        const bool gone = resolved[i] && i < sent && outcome[i] == status::NoSuchEntry;
        if (writes[first + i].add ? resolved[i] && !done : done || gone) {
            takenAway.push_back(dns[i]);
            takenFrom.push_back(i);
        }
    }
    if (const Status s =
            ChangeGroupSide(groupDn, attributes, LDAP_MOD_DELETE, takenAway, false, refused);
        s != status::Ok)
        return s;
    // A removal the group will not let go of keeps its place there without the rights, which
    // the next Execute shows half-written: it is answered with the group's refusal.
    for (const GroupSideRefusal &refusal : refused) {
        const std::size_t member = takenFrom[refusal.index];
        if (!writes[first + member].add)
            outcome[member] = refusal.status;
    }
    for (; told < sent; ++told) {
        observer.Answered(first + told, *outcome[told]);
        stopped = stopped || observer.StopRequested();
    }
    return status::Ok;
}

} // namespace dsclient::ldap
