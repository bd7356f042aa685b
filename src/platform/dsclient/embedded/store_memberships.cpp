// The store: memberships of a group written on some of their sides only, found in one query.

#include "platform/dsclient/embedded/store.h"
#include "platform/dsclient/embedded/value_codec.h"
#include "platform/dsclient/filter.h"

namespace dsclient::embedded {

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
    // Each side a name holds is one row, keyed by the name as a reference stores it: the group's
    // own values by their key, the holders of the group by their names (a reference holds the
    // name as the object spells it). A name with fewer than four rows is half-written; a whole
    // one is only counted.
    auto select = db_->Prepare(
        "SELECT max(name), max(data) FROM ("
        " SELECT eq AS k, NULL AS name, data FROM vals WHERE object_id = ?1 AND attr_id IN (?2, ?3)"
        " UNION ALL"
        " SELECT CAST(lower(o.name) AS BLOB), o.name, NULL FROM vals v JOIN objects o"
        "  ON o.id = v.object_id WHERE v.attr_id IN (?4, ?5) AND v.ikey = ?6 AND v.eq = ?7)"
        " GROUP BY k HAVING count(*) < 4");
    select->Bind(1, row.id);
    select->Bind(2, member->id);
    select->Bind(3, toMe->id);
    select->Bind(4, membership->id);
    select->Bind(5, equals->id);
    select->Bind(6, *key);
    select->BindBlob(7, EqualityKey(self));
    while (select->Step()) {
        if (!select->IsNull(0)) {
            names.push_back(select->Text(0));
            continue;
        }
        AttrValue value;
        if (!DecodeValue(SYN_DIST_NAME, select->Blob(1), value) ||
            !std::holds_alternative<Text>(value.data))
            return status::InvalidRequest;
        names.push_back(std::get<Text>(value.data).text);
    }
    return select->status();
}

} // namespace dsclient::embedded
