// The store: memberships of a group written on some of their sides only. The group's two sides
// come from the value index in key order and are merged; the holders of the group, found
// through the same index, are looked up among them. Nothing is kept of a whole member but its
// key, so a group whose memberships are all whole costs about four reads of its "Member".

#include "platform/dsclient/backend.h"
#include "platform/dsclient/embedded/store.h"
#include "platform/dsclient/embedded/value_codec.h"
#include "platform/dsclient/filter.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace dsclient::embedded {

namespace {

// A name on the group's side: its key as the index holds it, and its value row for the name.
struct Held {
    std::string key;
    std::int64_t row = 0;
    std::uint8_t sides = 0;
};

} // namespace

Status Store::HalfWrittenMembers(std::string_view group, std::vector<std::string> &names) {
    ObjectRow row;
    if (const Status s = Find(group, row); s != status::Ok)
        return s;
    const AttributeDef *member = nullptr, *toMe = nullptr, *membership = nullptr, *equals = nullptr;
    for (const auto &[name, attribute] :
         {std::pair{"Member", &member}, std::pair{"Equivalent To Me", &toMe},
          std::pair{"Group Membership", &membership}, std::pair{"Security Equals", &equals}})
        if (const Status s = Attribute(name, *attribute); s != status::Ok)
            return s;
    const AttrValue self{SYN_DIST_NAME, Text{row.name}};
    const std::optional<std::string> key = IndexKey(self);
    if (!key)
        return status::InvalidRequest;

    // The group's "Member" and "Equivalent To Me", each in key order (its index's), merged.
    const auto readSide = [&](const AttributeDef &attribute, std::uint8_t side,
                              std::vector<Held> &out) {
        auto select = db_->Prepare(
            "SELECT eq, id FROM vals WHERE object_id = ?1 AND attr_id = ?2 ORDER BY eq");
        select->Bind(1, row.id);
        select->Bind(2, attribute.id);
        while (select->Step())
            out.push_back({std::string(select->BlobView(0)), select->Int(1), side});
        return select->status();
    };
    std::vector<Held> members, toMes, held;
    if (const Status s = readSide(*member, InMember, members); s != status::Ok)
        return s;
    if (const Status s = readSide(*toMe, InEquivalentToMe, toMes); s != status::Ok)
        return s;
    held.reserve(members.size());
    for (std::size_t m = 0, e = 0; m < members.size() || e < toMes.size();) {
        if (e == toMes.size() || (m < members.size() && members[m].key < toMes[e].key)) {
            held.push_back(std::move(members[m++]));
        } else if (m == members.size() || toMes[e].key < members[m].key) {
            held.push_back(std::move(toMes[e++]));
        } else {
            held.push_back(std::move(members[m++]));
            held.back().sides |= toMes[e++].sides;
        }
    }
    // The holders of the group, by name: a reference holds the name as its object spells it,
    // and its key folds that as the group's values do.
    std::unordered_map<std::string, std::pair<std::string, std::uint8_t>> others;
    std::vector<std::string> holderNames(held.size());
    {
        auto select = db_->Prepare("SELECT v.attr_id, o.name FROM vals v JOIN objects o ON "
                                   "o.id = v.object_id WHERE v.attr_id IN (?1, ?2) AND v.ikey = ?3 "
                                   "AND v.eq = ?4");
        select->Bind(1, membership->id);
        select->Bind(2, equals->id);
        select->Bind(3, *key);
        select->BindBlob(4, EqualityKey(self));
        while (select->Step()) {
            const std::string name(select->TextView(1));
            const std::uint8_t side =
                select->Int(0) == membership->id ? InGroupMembership : InSecurityEquals;
            const std::string folded = EqualityKey(AttrValue{SYN_DIST_NAME, Text{name}});
            const auto at = std::lower_bound(
                held.begin(), held.end(), folded,
                [](const Held &item, const std::string &wanted) { return item.key < wanted; });
            if (at != held.end() && at->key == folded) {
                at->sides |= side;
                if (at->sides != AllSides)
                    holderNames[at - held.begin()] = name;
                continue;
            }
            auto &[spelled, sides] = others[folded];
            spelled = name;
            sides |= side;
        }
        if (select->status() != status::Ok)
            return select->status();
    }
    // A holder that no value of the group names holds at most two sides.
    for (const auto &[folded, other] : others)
        names.push_back(other.first);
    // The group's own names that lack a side; spelled as a holder spells them, or as the value.
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (held[i].sides == AllSides)
            continue;
        if (!holderNames[i].empty()) {
            names.push_back(holderNames[i]);
            continue;
        }
        auto value = db_->Prepare("SELECT data FROM vals WHERE id = ?");
        value->Bind(1, held[i].row);
        AttrValue decoded;
        if (!value->Step() || !DecodeValue(SYN_DIST_NAME, value->Blob(0), decoded) ||
            !std::holds_alternative<Text>(decoded.data))
            return status::InvalidRequest;
        names.push_back(std::get<Text>(decoded.data).text);
    }
    return status::Ok;
}

} // namespace dsclient::embedded
