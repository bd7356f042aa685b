#include "platform/dsclient/client.h"
#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/embedded/store.h"
#include "platform/dsclient/embedded/value_codec.h"
#include "platform/dsclient/in_place_order.h"
#include "platform/dsclient/text_fold.h"

#include <algorithm>
#include <ctime>
#include <unordered_set>

namespace dsclient::embedded {

namespace {

constexpr std::string_view kSecurityEquals = "Security Equals";

// The length a string attribute's bounds count: characters of UTF-8 text, bytes otherwise.
std::size_t BoundedLength(const std::string &text) {
    if (!IsValidUtf8(text))
        return text.size();
    std::size_t characters = 0;
    for (unsigned char c : text)
        characters += (c & 0xC0) != 0x80;
    return characters;
}

} // namespace

Status Store::Attribute(std::string_view name, const AttributeDef *&attribute) const {
    attribute = schema_.FindAttribute(name);
    return attribute ? status::Ok : status::NoSuchAttribute;
}

std::vector<AttrValue> Store::Values(std::int64_t objectId, const AttributeDef &attribute) {
    // In the order they were added (the order of their ids). Values added together lie together
    // in the table: those are read in one pass over their stretch of it, already in order. Others
    // come through the index, one look-up in the table each, and are put in order here when the
    // index does not give them so, cheaper than by SQLite's sorter.
    constexpr std::int64_t kSpread = 8; // rows of the stretch a value, at most, to read it whole
    std::vector<AttrValue> values;
    std::vector<std::int64_t> ids;
    std::int64_t count = 0, first = 0, last = 0;
    {
        // Counted first, so the values are not moved as the list grows.
        auto where = db_->Prepare(
            "SELECT count(*), min(id), max(id) FROM vals WHERE object_id = ? AND attr_id = ?");
        where->Bind(1, objectId);
        where->Bind(2, attribute.id);
        if (!where->Step() || (count = where->Int(0)) == 0)
            return values;
        values.reserve(static_cast<std::size_t>(count));
        ids.reserve(static_cast<std::size_t>(count));
        first = where->Int(1);
        last = where->Int(2);
    }
    const bool together = last - first < kSpread * count;
    auto select =
        together
            ? db_->Prepare("SELECT id, syntax, data FROM vals NOT INDEXED "
                           "WHERE object_id = ? AND attr_id = ? AND id BETWEEN ? AND ?")
            : db_->Prepare("SELECT id, syntax, data FROM vals WHERE object_id = ? AND attr_id = ?");
    select->Bind(1, objectId);
    select->Bind(2, attribute.id);
    if (together) {
        select->Bind(3, first);
        select->Bind(4, last);
    }
    while (select->Step()) {
        AttrValue value;
        if (DecodeValue(static_cast<std::uint32_t>(select->Int(1)), select->Blob(2), value)) {
            ids.push_back(select->Int(0));
            values.push_back(std::move(value));
        }
    }
    if (std::is_sorted(ids.begin(), ids.end()))
        return values;
    std::vector<std::size_t> order(ids.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return ids[a] < ids[b]; });
    ApplyOrder(values, order);
    return values;
}

Status Store::ReadAttributes(const ObjectRow &row, const std::vector<std::string> *names,
                             bool withValues, std::vector<AttributeWithValues> &out) {
    out.clear();
    if (names) {
        for (const auto &name : *names) {
            const AttributeDef *attribute = schema_.FindAttribute(name);
            if (!attribute)
                continue;
            AttributeWithValues entry{attribute, Values(row.id, *attribute)};
            if (!entry.values.empty())
                out.push_back(std::move(entry));
        }
    } else {
        auto select = db_->Prepare("SELECT DISTINCT attr_id FROM vals WHERE object_id = ?");
        select->Bind(1, row.id);
        std::unordered_set<std::int64_t> present;
        while (select->Step())
            present.insert(select->Int(0));
        if (select->failed())
            return select->status();
        for (const auto &attribute : schema_.attributes())
            if (present.count(attribute.id))
                out.push_back(AttributeWithValues{&attribute, Values(row.id, attribute)});
    }
    if (!withValues)
        for (auto &entry : out)
            entry.values.clear();
    return status::Ok;
}

Status Store::CheckValue(const AttributeDef &attribute, AttrValue &value) {
    if (value.syntax != attribute.syntax || !HoldsOwnerType(value.syntax, value.data))
        return status::SyntaxViolation;
    auto *text = std::get_if<Text>(&value.data);
    if (text && (attribute.flags & DS_SIZED_ATTR) &&
        (BoundedLength(text->text) < attribute.lowerBound ||
         BoundedLength(text->text) > attribute.upperBound))
        return status::SyntaxViolation;
    if (value.syntax == SYN_DIST_NAME) {
        // A reference names an existing object and is kept as that object is spelt.
        ObjectRow target;
        const Status s = FindToWrite(text->text, target);
        if (s != status::Ok)
            return s == status::IllegalName ? s : status::NoSuchEntry;
        text->text = target.isRoot() ? "[Root]" : target.name;
    }
    if (value.syntax == SYN_CLASS_NAME && EqualsIgnoreCase(attribute.name, kObjectClassAttribute)) {
        const ClassDef *cls = schema_.FindClass(text->text);
        if (!cls)
            return status::NoSuchClass;
        text->text = cls->name;
    }
    return status::Ok;
}

bool Store::ClassAllows(std::string_view className, const AttributeDef &attribute) const {
    const auto found = allowed_.find(LowerAscii(className));
    return found == allowed_.end() || !found->second || found->second->contains(attribute.id);
}

bool Store::MayHold(const ObjectRow &row, const AttributeDef &attribute) {
    if (row.isRoot() || ClassAllows(row.baseClass, attribute))
        return true;
    for (const AttrValue &value : Values(row.id, *schema_.FindAttribute(kObjectClassAttribute)))
        if (ClassAllows(std::get<Text>(value.data).text, attribute))
            return true;
    return false;
}

Status Store::InsertValue(const ObjectRow &row, const AttributeDef &attribute, AttrValue value,
                          bool tolerateDuplicate) {
    if (!MayHold(row, attribute))
        return status::IllegalAttribute;
    if (const Status s = CheckValue(attribute, value); s != status::Ok)
        return s;
    const std::string eq = EqualityKey(value);
    {
        auto select =
            db_->Prepare("SELECT 1 FROM vals WHERE object_id = ? AND attr_id = ? AND eq = ?");
        select->Bind(1, row.id);
        select->Bind(2, attribute.id);
        select->BindBlob(3, eq);
        if (select->Step())
            return tolerateDuplicate ? status::Ok : status::DuplicateValue;
    }
    if (attribute.flags & DS_SINGLE_VALUED_ATTR) {
        auto select = db_->Prepare("SELECT 1 FROM vals WHERE object_id = ? AND attr_id = ?");
        select->Bind(1, row.id);
        select->Bind(2, attribute.id);
        if (select->Step())
            return status::CantHaveMultipleValues;
    }
    auto insert = db_->Prepare(
        "INSERT INTO vals(object_id, attr_id, syntax, eq, ikey, data) VALUES(?, ?, ?, ?, ?, ?)");
    insert->Bind(1, row.id);
    insert->Bind(2, attribute.id);
    insert->Bind(3, std::int64_t{value.syntax});
    insert->BindBlob(4, eq);
    if (const auto key = IndexKey(value))
        insert->Bind(5, *key);
    else
        insert->BindNull(5);
    insert->BindBlob(6, EncodeValue(value));
    insert->Step();
    if (attribute.name == kSecurityEquals)
        ForgetRightsOf(row.id);
    return insert->status();
}

Status Store::DeleteValue(const ObjectRow &row, const AttributeDef &attribute,
                          const AttrValue &value, bool tolerateAbsent) {
    if (value.syntax != attribute.syntax || !HoldsOwnerType(value.syntax, value.data))
        return status::SyntaxViolation;
    // A reference is kept as its object is spelt; any spelling of that name removes it.
    AttrValue stored = value;
    ObjectRow target;
    if (value.syntax == SYN_DIST_NAME &&
        FindToWrite(std::get<Text>(value.data).text, target) == status::Ok)
        stored.data = Text{target.isRoot() ? "[Root]" : target.name};
    if (attribute.name == kSecurityEquals)
        ForgetRightsOf(row.id);
    auto remove = db_->Prepare("DELETE FROM vals WHERE object_id = ? AND attr_id = ? AND eq = ?");
    remove->Bind(1, row.id);
    remove->Bind(2, attribute.id);
    remove->BindBlob(3, EqualityKey(stored));
    remove->Step();
    if (remove->failed())
        return remove->status();
    return db_->Changes() == 0 && !tolerateAbsent ? status::NoSuchValue : status::Ok;
}

Status Store::ClearAttribute(const ObjectRow &row, const AttributeDef &attribute,
                             bool tolerateAbsent) {
    if (attribute.name == kSecurityEquals)
        ForgetRightsOf(row.id);
    auto remove = db_->Prepare("DELETE FROM vals WHERE object_id = ? AND attr_id = ?");
    remove->Bind(1, row.id);
    remove->Bind(2, attribute.id);
    remove->Step();
    if (remove->failed())
        return remove->status();
    return db_->Changes() == 0 && !tolerateAbsent ? status::NoSuchAttribute : status::Ok;
}

Status Store::ApplyChange(const ObjectRow &row, const Change &change) {
    const AttributeDef *attribute = nullptr;
    if (const Status s = Attribute(change.attribute, attribute); s != status::Ok)
        return s;
    const bool needsValue = change.type == DS_ADD_VALUE || change.type == DS_REMOVE_VALUE ||
                            change.type == DS_ADDITIONAL_VALUE ||
                            change.type == DS_OVERWRITE_VALUE || change.type == DS_CLEAR_VALUE;
    if (needsValue && change.values.empty())
        return status::InvalidRequest;
    switch (change.type) {
    case DS_ADD_ATTRIBUTE: // an attribute exists through its values; adding it alone is a no-op
    case DS_ADD_VALUE:
    case DS_ADDITIONAL_VALUE:
    case DS_OVERWRITE_VALUE:
        for (const auto &value : change.values)
            if (const Status s =
                    InsertValue(row, *attribute, value,
                                change.type != DS_ADD_VALUE && change.type != DS_ADD_ATTRIBUTE);
                s != status::Ok)
                return s;
        return status::Ok;
    case DS_REMOVE_VALUE:
    case DS_CLEAR_VALUE:
        for (const auto &value : change.values)
            if (const Status s = DeleteValue(row, *attribute, value, change.type == DS_CLEAR_VALUE);
                s != status::Ok)
                return s;
        return status::Ok;
    case DS_REMOVE_ATTRIBUTE:
    case DS_CLEAR_ATTRIBUTE:
        return ClearAttribute(row, *attribute, change.type == DS_CLEAR_ATTRIBUTE);
    default:
        return status::InvalidRequest;
    }
}

Status Store::Touch(const ObjectRow &row) {
    // An object changed again within the same second keeps its row (and page) as it is.
    auto update = db_->Prepare("UPDATE objects SET modified = ?1 WHERE id = ?2 AND modified != ?1");
    update->Bind(1, static_cast<std::int64_t>(std::time(nullptr)));
    update->Bind(2, row.id);
    update->Step();
    return update->status();
}

Status Store::Modify(std::string_view name, const std::vector<Change> &changes) {
    WriteTransaction transaction(*db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    ObjectRow row;
    if (const Status s = FindToWrite(name, row); s != status::Ok)
        return s;
    for (const auto &change : changes)
        if (const Status s = ApplyChange(row, change); s != status::Ok)
            return s; // the transaction rolls back whatever was applied before
    if (const Status s = Touch(row); s != status::Ok)
        return s;
    return transaction.Commit();
}

Status Store::AddEquivalence(std::string_view equalFrom, std::string_view equalTo) {
    WriteTransaction transaction(*db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    ObjectRow from, to;
    if (const Status s = FindToWrite(equalFrom, from); s != status::Ok)
        return s;
    if (const Status s = FindToWrite(equalTo, to); s != status::Ok)
        return s;
    if (from.isRoot() || to.isRoot())
        return status::InvalidRequest;
    if (const Status s = InsertValue(from, *schema_.FindAttribute(kSecurityEquals),
                                     AttrValue{SYN_DIST_NAME, Text{to.name}}, true);
        s != status::Ok)
        return s;
    if (const Status s = InsertValue(to, *schema_.FindAttribute("Equivalent To Me"),
                                     AttrValue{SYN_DIST_NAME, Text{from.name}}, true);
        s != status::Ok)
        return s;
    return transaction.Commit();
}

Status Store::RemoveEquivalence(std::string_view equalFrom, std::string_view equalTo) {
    WriteTransaction transaction(*db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    ObjectRow from, to;
    if (const Status s = FindToWrite(equalFrom, from); s != status::Ok)
        return s;
    if (const Status s = FindToWrite(equalTo, to); s != status::Ok)
        return s;
    // Either side may be missing after an interrupted write; the one present still goes.
    const Status fromSide = DeleteValue(from, *schema_.FindAttribute(kSecurityEquals),
                                        AttrValue{SYN_DIST_NAME, Text{to.name}}, false);
    if (fromSide != status::Ok && fromSide != status::NoSuchValue)
        return fromSide;
    const Status toSide = DeleteValue(to, *schema_.FindAttribute("Equivalent To Me"),
                                      AttrValue{SYN_DIST_NAME, Text{from.name}}, false);
    if (toSide != status::Ok && toSide != status::NoSuchValue)
        return toSide;
    if (fromSide == status::NoSuchValue && toSide == status::NoSuchValue)
        return status::NoSuchValue;
    return transaction.Commit();
}

} // namespace dsclient::embedded
