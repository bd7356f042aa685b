// The LDAP backend: modify, add and remove objects, and the security equivalence. Each client
// request is one LDAP operation, applied whole or refused; the equivalence touches two objects
// and takes back the first change when the second is refused.

#include "platform/dsclient/ldap/ldap_backend.h"
#include "platform/dsclient/ldap/mod_list.h"
#include "platform/dsclient/ldap/value_codec.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/schema.h"

#include <memory>

namespace dsclient::ldap {

namespace {

bool Tolerant(std::uint32_t change) {
    return change == DS_ADDITIONAL_VALUE || change == DS_OVERWRITE_VALUE ||
           change == DS_CLEAR_VALUE;
}

} // namespace

// Asks the server to take a value that is there already, or one to remove that is not, as done.
LDAPControl *PermissiveModify() {
    static char oid[] = LDAP_CONTROL_X_PERMISSIVE_MODIFY;
    static LDAPControl control{oid, {0, nullptr}, 0};
    return &control;
}

Status LdapBackend::EncodeValues(const SchemaAttribute &attribute,
                                 const std::vector<AttrValue> &values,
                                 std::vector<std::string> &encoded) {
    const DnLookup reference = [this](std::string_view dotted, std::string &dn) {
        return DnOf(dotted, dn);
    };
    const bool isClass = dsclient::EqualsIgnoreCase(attribute.ldapName, "objectClass");
    for (const auto &value : values) {
        if (!Fits(value, attribute.syntax))
            return status::SyntaxViolation;
        std::string text;
        if (const Status s = EncodeValue(value, attribute.syntax, names_, reference, text);
            s != status::Ok)
            return s;
        if (isClass && !schema_.Class(text))
            return status::NoSuchClass;
        encoded.push_back(std::move(text));
    }
    return status::Ok;
}

Status LdapBackend::Modify(std::string_view name, const std::vector<RequestChange> &changes) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    std::string dn;
    if (const Status s = DnOf(name, dn); s != status::Ok)
        return s;
    ModList mods;
    bool permissive = false;
    bool removesValues = false;
    bool addsToSingle = false;
    for (const auto &change : changes) {
        const SchemaAttribute *attribute = AttributeNamed(change.attribute);
        if (!attribute)
            return status::NoSuchAttribute;
        std::vector<std::string> values;
        if (const Status s = EncodeValues(*attribute, change.values, values); s != status::Ok)
            return s;
        switch (change.type) {
        case DS_ADD_ATTRIBUTE: // an attribute exists through its values
        case DS_ADD_VALUE:
        case DS_ADDITIONAL_VALUE:
        case DS_OVERWRITE_VALUE:
            if (!values.empty()) {
                addsToSingle |= (attribute->flags & DS_SINGLE_VALUED_ATTR) != 0;
                mods.Add(LDAP_MOD_ADD, attribute->ldapName, std::move(values));
            }
            break;
        case DS_REMOVE_VALUE:
        case DS_CLEAR_VALUE:
            if (values.empty())
                return status::InvalidRequest;
            removesValues = true;
            mods.Add(LDAP_MOD_DELETE, attribute->ldapName, std::move(values));
            break;
        case DS_REMOVE_ATTRIBUTE:
            mods.Add(LDAP_MOD_DELETE, attribute->ldapName, {});
            break;
        case DS_CLEAR_ATTRIBUTE: // a replace by nothing removes the attribute, there or not
            mods.Add(LDAP_MOD_REPLACE, attribute->ldapName, {});
            break;
        default:
            return status::InvalidRequest;
        }
        permissive |= Tolerant(change.type);
    }
    if (mods.empty())
        return status::Ok;
    LDAPControl *controls[] = {PermissiveModify(), nullptr};
    const int code = ldap_modify_ext_s(session_.ld(), dn.c_str(), mods.get(),
                                       permissive ? controls : nullptr, nullptr);
    if (code == LDAP_NO_SUCH_ATTRIBUTE)
        return removesValues ? status::NoSuchValue : status::NoSuchAttribute;
    if (code == LDAP_CONSTRAINT_VIOLATION && addsToSingle)
        return status::CantHaveMultipleValues;
    return code == LDAP_SUCCESS ? status::Ok : session_.Failed(code);
}

Status LdapBackend::AddObject(std::string_view name,
                              const std::vector<RequestAttribute> &attributes) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    std::vector<std::string> components;
    if (const Status s = dsclient::SplitName(name, components); s != status::Ok)
        return s;
    if (components.empty())
        return status::EntryAlreadyExists; // the tree root
    const std::vector<std::string> parentComponents(components.begin() + 1, components.end());
    const std::string parent =
        parentComponents.empty() ? "[Root]" : dsclient::JoinName(parentComponents);

    // The classes asked for, base class first, each with its super classes.
    std::vector<std::string> requested;
    for (const auto &attribute : attributes)
        if (dsclient::EqualsIgnoreCase(names_.ToLdap(attribute.attribute), "objectClass"))
            for (const auto &value : attribute.values)
                if (const auto *text = std::get_if<Text>(&value.data))
                    requested.push_back(names_.ToLdap(text->text));
    if (requested.empty())
        return status::MissingMandatory;
    const SchemaClass *base = schema_.Class(requested.front());
    if (!base || !base->structural)
        return status::NoSuchClass;
    std::vector<std::string> classes;
    for (const auto &cls : requested) {
        if (!schema_.Class(cls))
            return status::NoSuchClass;
        for (const auto &member : schema_.Chain(cls))
            if (std::none_of(classes.begin(), classes.end(), [&](const std::string &known) {
                    return dsclient::EqualsIgnoreCase(known, member);
                }))
                classes.push_back(member);
    }

    // The directory's containment rules, as the server states none.
    std::string parentCanonical;
    ObjectInfo parentInfo;
    if (const Status s = Find(parent, parentCanonical, parentInfo); s != status::Ok)
        return s;
    static const dsclient::Schema rules = dsclient::StandardSchema();
    const std::string baseClass = names_.ToDirectory(base->ldapName);
    const bool known = rules.FindClass(parentInfo.baseClass) && rules.FindClass(baseClass);
    if (known ? !rules.MayContain(parentInfo.baseClass, baseClass)
              : !(parentInfo.entryFlags & DS_CONTAINER_ENTRY))
        return status::IllegalContainment;

    std::string parentDn;
    if (const Status s = DnOf(parent, parentDn); s != status::Ok)
        return s;
    // The server would take a sibling named by another attribute, and the name would stand
    // for two entries.
    if (std::string existing; DnOf(name, existing) != status::NoSuchEntry)
        return status::EntryAlreadyExists;
    const std::string naming = NamingAttributeOf(base->ldapName);
    std::string dn;
    if (const Status s = BuildDn({Rdn{naming, components.front()}}, parentDn, dn); s != status::Ok)
        return s;

    ModList entry;
    entry.Add(LDAP_MOD_ADD, "objectClass", classes);
    for (const auto &attribute : attributes) {
        const SchemaAttribute *type = AttributeNamed(attribute.attribute);
        if (!type)
            return status::NoSuchAttribute;
        if (dsclient::EqualsIgnoreCase(type->ldapName, "objectClass"))
            continue;
        std::vector<std::string> values;
        if (const Status s = EncodeValues(*type, attribute.values, values); s != status::Ok)
            return s;
        if (!values.empty())
            entry.Add(LDAP_MOD_ADD, type->ldapName, std::move(values));
    }
    // The leaf name is the value of the naming attribute.
    if (!entry.Holds(naming, components.front()))
        entry.Add(LDAP_MOD_ADD, naming, {components.front()});
    const int code = ldap_add_ext_s(session_.ld(), dn.c_str(), entry.get(), nullptr, nullptr);
    if (code != LDAP_SUCCESS)
        return session_.Failed(code);
    std::string dotted;
    DottedOf(dn, dotted);
    return status::Ok;
}

Status LdapBackend::RemoveObject(std::string_view name) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    std::vector<std::string> components;
    if (const Status s = dsclient::SplitName(name, components); s != status::Ok)
        return s;
    if (components.empty())
        return status::InvalidRequest;
    std::string dn;
    if (const Status s = DnOf(name, dn); s != status::Ok)
        return s;
    const int code = ldap_delete_ext_s(session_.ld(), dn.c_str(), nullptr, nullptr);
    if (code == LDAP_SUCCESS || code == LDAP_NO_SUCH_OBJECT)
        cache_.Forget(dsclient::JoinName(components));
    return code == LDAP_SUCCESS ? status::Ok : session_.Failed(code);
}

Status LdapBackend::ModifyValue(const std::string &dn, int operation,
                                const std::string &attribute, const std::string &value) {
    ModList mods;
    mods.Add(operation, attribute, {value});
    const int code = ldap_modify_ext_s(session_.ld(), dn.c_str(), mods.get(), nullptr, nullptr);
    return code == LDAP_SUCCESS ? status::Ok : session_.Failed(code);
}

Status LdapBackend::EquivalenceSides(std::string_view from, std::string_view to,
                                     EquivalenceSide &fromSide, EquivalenceSide &toSide) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    if (dsclient::IsRootName(from) || dsclient::IsRootName(to))
        return status::InvalidRequest;
    if (const Status s = DnOf(from, fromSide.dn); s != status::Ok)
        return s;
    if (const Status s = DnOf(to, toSide.dn); s != status::Ok)
        return s;
    fromSide.attribute = AttributeNamed("Security Equals");
    toSide.attribute = AttributeNamed("Equivalent To Me");
    return fromSide.attribute && toSide.attribute ? status::Ok : status::NoSuchAttribute;
}

Status LdapBackend::AddEquivalence(std::string_view from, std::string_view to) {
    EquivalenceSide fromSide, toSide;
    if (const Status s = EquivalenceSides(from, to, fromSide, toSide); s != status::Ok)
        return s;
    const std::string &fromDn = fromSide.dn, &toDn = toSide.dn;
    const SchemaAttribute *equals = fromSide.attribute, *toMe = toSide.attribute;
    // A side that holds already is kept, so a half-written equivalence is completed.
    Status first = ModifyValue(fromDn, LDAP_MOD_ADD, equals->ldapName, toDn);
    if (first != status::Ok && first != status::DuplicateValue)
        return first;
    if (!toMe->userModifiable)
        return status::Ok; // the server keeps this side itself
    const Status second = ModifyValue(toDn, LDAP_MOD_ADD, toMe->ldapName, fromDn);
    if (second == status::Ok || second == status::DuplicateValue)
        return status::Ok;
    if (first == status::Ok)
        ModifyValue(fromDn, LDAP_MOD_DELETE, equals->ldapName, toDn);
    return second;
}

Status LdapBackend::RemoveEquivalence(std::string_view from, std::string_view to) {
    EquivalenceSide fromSide, toSide;
    if (const Status s = EquivalenceSides(from, to, fromSide, toSide); s != status::Ok)
        return s;
    const std::string &fromDn = fromSide.dn, &toDn = toSide.dn;
    const SchemaAttribute *equals = fromSide.attribute, *toMe = toSide.attribute;
    // Whichever side is there goes; only when neither was is the value missing.
    const Status first = ModifyValue(fromDn, LDAP_MOD_DELETE, equals->ldapName, toDn);
    if (first != status::Ok && first != status::NoSuchAttribute)
        return first;
    if (!toMe->userModifiable)
        return first == status::Ok ? status::Ok : status::NoSuchValue;
    const Status second = ModifyValue(toDn, LDAP_MOD_DELETE, toMe->ldapName, fromDn);
    if (second != status::Ok && second != status::NoSuchAttribute) {
        if (first == status::Ok)
            ModifyValue(fromDn, LDAP_MOD_ADD, equals->ldapName, toDn);
        return second;
    }
    return first == status::Ok || second == status::Ok ? status::Ok : status::NoSuchValue;
}

} // namespace dsclient::ldap
