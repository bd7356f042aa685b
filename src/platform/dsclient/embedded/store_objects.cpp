#include "platform/dsclient/client.h"
#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/embedded/store.h"

#include <algorithm>
#include <ctime>

namespace dsclient::embedded {

namespace {

bool IsObjectClass(std::string_view attribute) {
    return EqualsIgnoreCase(attribute, kObjectClassAttribute);
}

// The classes named by the request's "Object Class" values, base class first.
std::vector<std::string> RequestedClasses(const NamedValues &values) {
    std::vector<std::string> classes;
    for (const auto &[attribute, value] : values)
        if (IsObjectClass(attribute))
            if (const auto *text = std::get_if<Text>(&value.data))
                classes.push_back(text->text);
    return classes;
}

} // namespace

Status Store::AddObject(std::string_view name, const NamedValues &values) {
    std::vector<std::string> components;
    if (const Status s = SplitName(name, components); s != status::Ok)
        return s;
    if (components.empty())
        return status::EntryAlreadyExists; // the tree root
    WriteTransaction transaction(*db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    ObjectRow parent, existing;
    const std::vector<std::string> parentComponents(components.begin() + 1, components.end());
    if (const Status s = Find(
            parentComponents.empty() ? std::string("[Root]") : JoinName(parentComponents), parent);
        s != status::Ok)
        return s;
    if (const Status s = Find(name, existing); s != status::NoSuchEntry)
        return s == status::Ok ? status::EntryAlreadyExists : s;

    const std::vector<std::string> classes = RequestedClasses(values);
    if (classes.empty())
        return status::MissingMandatory;
    const ClassDef *base = schema_.FindClass(classes.front());
    if (!base || !base->effective)
        return status::NoSuchClass;
    if (!schema_.MayContain(parent.baseClass, base->name))
        return status::IllegalContainment;

    ForgetRights(); // an identity that named no object may name this one now
    ForgetObjects();
    ObjectRow row;
    row.parentId = parent.id;
    row.name = JoinName(components);
    row.rdn = components.front();
    row.pathKey = KeyOf(components);
    row.baseClass = base->name;
    row.flags = base->container ? std::uint32_t{DS_CONTAINER_ENTRY} : 0u;
    {
        auto insert = db_->Prepare(
            "INSERT INTO objects(parent_id, name, rdn, rdn_lc, path_key, base_class, flags, "
            "modified) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        insert->Bind(1, row.parentId);
        insert->Bind(2, row.name);
        insert->Bind(3, row.rdn);
        insert->Bind(4, ComponentKey(row.rdn));
        insert->Bind(5, row.pathKey);
        insert->Bind(6, row.baseClass);
        insert->Bind(7, std::int64_t{row.flags});
        insert->Bind(8, static_cast<std::int64_t>(std::time(nullptr)));
        insert->Step();
        if (insert->failed())
            return insert->status();
        row.id = db_->LastInsertId();
    }

    // "Object Class" holds every class with its super classes, so a search for a super class
    // finds the object.
    const AttributeDef *objectClass = schema_.FindAttribute(kObjectClassAttribute);
    for (const auto &requested : classes) {
        if (!schema_.FindClass(requested))
            return status::NoSuchClass;
        for (const auto &cls : schema_.Chain(requested))
            if (const Status s =
                    InsertValue(row, *objectClass, AttrValue{SYN_CLASS_NAME, Text{cls}}, true);
                s != status::Ok)
                return s;
    }
    for (const auto &[attributeName, value] : values) {
        if (IsObjectClass(attributeName))
            continue;
        const AttributeDef *attribute = nullptr;
        if (const Status s = Attribute(attributeName, attribute); s != status::Ok)
            return s;
        if (const Status s = InsertValue(row, *attribute, value, false); s != status::Ok)
            return s;
    }

    // The leaf name is the value of the naming attribute unless the request gave one.
    const auto naming = schema_.Naming(base->name);
    const bool named = std::any_of(naming.begin(), naming.end(), [&](const std::string &a) {
        return !Values(row.id, *schema_.FindAttribute(a)).empty();
    });
    if (!named && !naming.empty()) {
        const AttributeDef *attribute = schema_.FindAttribute(naming.front());
        if (const Status s =
                InsertValue(row, *attribute, AttrValue{attribute->syntax, Text{row.rdn}}, true);
            s != status::Ok)
            return s;
    }
    for (const auto &mandatory : schema_.Mandatory(base->name)) {
        const AttributeDef *attribute = schema_.FindAttribute(mandatory);
        if (!attribute || Values(row.id, *attribute).empty())
            return status::MissingMandatory;
    }

    if (EqualsIgnoreCase(base->name, "Alias")) {
        std::uint32_t flags = DS_ALIAS_ENTRY;
        const auto targets = Values(row.id, *schema_.FindAttribute("Aliased Object Name"));
        ObjectRow target;
        if (!targets.empty() &&
            Find(std::get<Text>(targets.front().data).text, target) == status::Ok &&
            (target.flags & DS_CONTAINER_ENTRY))
            flags |= DS_CONTAINER_ALIAS;
        auto update = db_->Prepare("UPDATE objects SET flags = ? WHERE id = ?");
        update->Bind(1, std::int64_t{flags});
        update->Bind(2, row.id);
        update->Step();
        if (update->failed())
            return update->status();
    }
    return transaction.Commit();
}

Status Store::RemoveReferencesTo(const ObjectRow &row) {
    const AttrValue reference{SYN_DIST_NAME, Text{row.name}};
    const auto key = IndexKey(reference);
    if (!key)
        return status::Ok;
    for (const auto &attribute : schema_.attributes()) {
        if (attribute.syntax != SYN_DIST_NAME)
            continue;
        auto remove = db_->Prepare("DELETE FROM vals WHERE attr_id = ? AND ikey = ?");
        remove->Bind(1, attribute.id);
        remove->Bind(2, *key);
        remove->Step();
        if (remove->failed())
            return remove->status();
    }
    return status::Ok;
}

Status Store::RemoveObject(std::string_view name) {
    WriteTransaction transaction(*db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    ObjectRow row;
    if (const Status s = Find(name, row); s != status::Ok)
        return s;
    if (row.isRoot())
        return status::InvalidRequest;
    if (SubordinateCount(row) > 0)
        return status::EntryIsNotLeaf;
    ForgetRights();
    ForgetObjects();
    // References to a removed object would name nothing; the directory drops them with it.
    if (const Status s = RemoveReferencesTo(row); s != status::Ok)
        return s;
    auto remove = db_->Prepare("DELETE FROM objects WHERE id = ?");
    remove->Bind(1, row.id);
    remove->Step();
    if (remove->failed())
        return remove->status();
    return transaction.Commit();
}

Status Store::ListChildren(const ObjectRow &parent, bool containersOnly,
                           std::vector<ObjectRow> &children) {
    children.clear();
    auto select = db_->Prepare(
        "SELECT id, coalesce(parent_id, 0), name, rdn, path_key, base_class, flags, modified "
        "FROM objects "
        "WHERE parent_id = ? AND (? = 0 OR (flags & 12) != 0) ORDER BY rdn_lc");
    select->Bind(1, parent.id);
    select->Bind(2, std::int64_t{containersOnly});
    while (select->Step()) {
        ObjectRow row;
        ReadObjectRow(*select, row);
        children.push_back(std::move(row));
    }
    return select->status();
}

Status Store::ContainableClasses(const ObjectRow &parent, std::vector<std::string> &classes) {
    classes.clear();
    for (const auto &cls : schema_.classes())
        if (cls.effective && schema_.MayContain(parent.baseClass, cls.name))
            classes.push_back(cls.name);
    std::sort(classes.begin(), classes.end(), [](const std::string &a, const std::string &b) {
        return LowerAscii(a) < LowerAscii(b);
    });
    return classes.empty() ? status::IllegalContainment : status::Ok;
}

} // namespace dsclient::embedded
