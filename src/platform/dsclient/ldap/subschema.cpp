#include "platform/dsclient/ldap/subschema.h"

#include "platform/dsclient/client.h"
#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/values.h"

#include <ldap_schema.h>

#include <charconv>
#include <functional>
#include <memory>
#include <optional>

namespace dsclient::ldap {

namespace {


struct AttributeTypeFree {
    void operator()(LDAPAttributeType *type) const { ldap_attributetype_free(type); }
};
struct ObjectClassFree {
    void operator()(LDAPObjectClass *cls) const { ldap_objectclass_free(cls); }
};

constexpr const char *kSyntaxPrefix = "1.3.6.1.4.1.1466.115.121.1.";

// The directory syntax a server states for an attribute, when it does.
std::optional<std::uint32_t> StatedSyntax(LDAPSchemaExtensionItem **extensions) {
    for (auto item = extensions; item && *item; ++item) {
        const std::string name = LowerAscii((*item)->lsei_name);
        if ((name != "x-nds_syntax" && name != "x-nds-syntax") || !(*item)->lsei_values ||
            !(*item)->lsei_values[0])
            continue;
        const std::string_view text((*item)->lsei_values[0]);
        std::uint32_t syntax = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), syntax);
        if (error == std::errc() && end == text.data() + text.size() &&
            syntax <= kHighestValueSyntax)
            return syntax;
    }
    return std::nullopt;
}

bool IsTextDirectorySyntax(std::uint32_t syntax) {
    return IsTextSyntax(syntax) && syntax != SYN_DIST_NAME;
}

// One attribute type as parsed, before its SUP chain is followed.
struct RawType {
    std::string oid;
    std::vector<std::string> names;
    std::string sup;
    std::string syntaxOid;
    std::string equality;
    std::optional<std::uint32_t> stated;
    int length = 0;
    bool single = false;
    bool noUserModification = false;
    bool operational = false;
};

} // namespace

std::uint32_t DirectorySyntax(std::string_view syntaxOid, std::string_view equalityRule) {
    if (!syntaxOid.starts_with(kSyntaxPrefix))
        return SYN_UNKNOWN;
    const std::string_view number = syntaxOid.substr(std::string_view(kSyntaxPrefix).size());
    const bool exact = LowerAscii(equalityRule).starts_with("caseexact");
    if (number == "12" || number == "34")
        return SYN_DIST_NAME;
    if (number == "15" || number == "26")
        return exact ? SYN_CE_STRING : SYN_CI_STRING;
    if (number == "44" || number == "11")
        return SYN_PR_STRING;
    if (number == "36")
        return SYN_NU_STRING;
    if (number == "7")
        return SYN_BOOLEAN;
    if (number == "27")
        return SYN_INTEGER;
    if (number == "40" || number == "5" || number == "28" || number == "8" || number == "9" ||
        number == "10" || number == "6")
        return SYN_OCTET_STRING;
    if (number == "50")
        return SYN_TEL_NUMBER;
    if (number == "22")
        return SYN_FAX_NUMBER;
    if (number == "41")
        return SYN_PO_ADDRESS;
    if (number == "24")
        return SYN_TIME;
    if (number == "38")
        return SYN_CLASS_NAME;
    return SYN_UNKNOWN;
}

void Subschema::Load(const std::vector<std::string> &attributeTypes,
                     const std::vector<std::string> &objectClasses, const NameTable &names) {
    attributes_.clear();
    attributeIndex_.clear();
    classes_.clear();
    classIndex_.clear();

    std::vector<RawType> raw;
    std::unordered_map<std::string, std::size_t> rawIndex;
    for (const auto &text : attributeTypes) {
        int code = 0;
        const char *error = nullptr;
        const std::unique_ptr<LDAPAttributeType, AttributeTypeFree> type(
            ldap_str2attributetype(text.c_str(), &code, &error, LDAP_SCHEMA_ALLOW_ALL));
        if (!type || !type->at_oid)
            continue; // a definition libldap cannot read is left out
        RawType entry;
        entry.oid = type->at_oid;
        for (char **name = type->at_names; name && *name; ++name)
            entry.names.emplace_back(*name);
        entry.sup = type->at_sup_oid ? type->at_sup_oid : "";
        entry.syntaxOid = type->at_syntax_oid ? type->at_syntax_oid : "";
        entry.equality = type->at_equality_oid ? type->at_equality_oid : "";
        entry.stated = StatedSyntax(type->at_extensions);
        entry.length = type->at_syntax_len;
        entry.single = type->at_single_value != 0;
        entry.noUserModification = type->at_no_user_mod != 0;
        entry.operational = type->at_usage != 0;
        rawIndex[LowerAscii(entry.oid)] = raw.size();
        for (const auto &name : entry.names)
            rawIndex[LowerAscii(name)] = raw.size();
        raw.push_back(std::move(entry));
    }

    // Syntax and equality rule are inherited from the super type when not given.
    const std::function<const RawType *(const RawType &, int)> resolved =
        [&](const RawType &type, int depth) -> const RawType * {
        if ((!type.syntaxOid.empty() && !type.equality.empty()) || type.sup.empty() || depth > 16)
            return &type;
        const auto found = rawIndex.find(LowerAscii(type.sup));
        return found == rawIndex.end() ? &type : resolved(raw[found->second], depth + 1);
    };
    for (const RawType &type : raw) {
        const RawType *super = resolved(type, 0);
        const std::string &syntaxOid = type.syntaxOid.empty() ? super->syntaxOid : type.syntaxOid;
        const std::string &equality = type.equality.empty() ? super->equality : type.equality;
        SchemaAttribute attribute;
        attribute.ldapName = type.names.empty() ? type.oid : type.names.front();
        attribute.directoryName = names.ToDirectory(attribute.ldapName);
        attribute.syntax = type.stated ? *type.stated
                           : super->stated ? *super->stated
                                           : DirectorySyntax(syntaxOid, equality);
        attribute.userModifiable = !type.noUserModification;
        attribute.operational = type.operational;
        if (type.single)
            attribute.flags |= DS_SINGLE_VALUED_ATTR;
        if (type.noUserModification)
            attribute.flags |= DS_READ_ONLY_ATTR;
        if (IsTextDirectorySyntax(attribute.syntax) || attribute.syntax == SYN_DIST_NAME)
            attribute.flags |= DS_STRING_ATTR;
        if (type.length > 0) {
            attribute.flags |= DS_SIZED_ATTR;
            attribute.upperBound = static_cast<std::uint32_t>(type.length);
        }
        const std::size_t at = attributes_.size();
        attributeIndex_[LowerAscii(type.oid)] = at;
        for (const auto &name : type.names)
            attributeIndex_[LowerAscii(name)] = at;
        attributes_.push_back(std::move(attribute));
    }

    for (const auto &text : objectClasses) {
        int code = 0;
        const char *error = nullptr;
        const std::unique_ptr<LDAPObjectClass, ObjectClassFree> parsed(
            ldap_str2objectclass(text.c_str(), &code, &error, LDAP_SCHEMA_ALLOW_ALL));
        if (!parsed || !parsed->oc_oid)
            continue;
        SchemaClass cls;
        cls.ldapName = parsed->oc_names && parsed->oc_names[0] ? parsed->oc_names[0] : parsed->oc_oid;
        for (char **super = parsed->oc_sup_oids; super && *super; ++super)
            cls.superClasses.emplace_back(*super);
        cls.structural = parsed->oc_kind == LDAP_SCHEMA_STRUCTURAL;
        for (char **const *list : {&parsed->oc_at_oids_must, &parsed->oc_at_oids_may})
            for (char **attribute = *list; attribute && *attribute; ++attribute)
                cls.attributes.emplace_back(*attribute);
        const std::size_t at = classes_.size();
        classIndex_[LowerAscii(parsed->oc_oid)] = at;
        for (char **name = parsed->oc_names; name && *name; ++name)
            classIndex_[LowerAscii(*name)] = at;
        classes_.push_back(std::move(cls));
    }
}

bool Subschema::Allows(std::string_view ldapClass, std::string_view ldapAttribute) const {
    const SchemaAttribute *wanted = Attribute(ldapAttribute);
    for (const auto &name : Chain(ldapClass)) {
        if (LowerAscii(name) == "extensibleobject")
            return true;
        const SchemaClass *cls = Class(name);
        if (!cls)
            continue;
        for (const auto &attribute : cls->attributes)
            if (wanted ? Attribute(attribute) == wanted
                       : LowerAscii(attribute) == LowerAscii(ldapAttribute))
                return true;
    }
    return false;
}

const SchemaAttribute *Subschema::Attribute(std::string_view ldapName) const {
    const auto found = attributeIndex_.find(LowerAscii(ldapName));
    return found == attributeIndex_.end() ? nullptr : &attributes_[found->second];
}

const SchemaClass *Subschema::Class(std::string_view ldapName) const {
    const auto found = classIndex_.find(LowerAscii(ldapName));
    return found == classIndex_.end() ? nullptr : &classes_[found->second];
}

std::vector<std::string> Subschema::Chain(std::string_view ldapClass) const {
    std::vector<std::string> chain;
    std::vector<std::string> seen;
    const std::function<void(std::string_view, int)> walk = [&](std::string_view name, int depth) {
        const SchemaClass *cls = Class(name);
        const std::string spelt = cls ? cls->ldapName : std::string(name);
        const std::string key = LowerAscii(spelt);
        for (const auto &known : seen)
            if (known == key)
                return;
        seen.push_back(key);
        chain.push_back(spelt);
        if (cls && depth < 16)
            for (const auto &super : cls->superClasses)
                walk(super, depth + 1);
    };
    walk(ldapClass, 0);
    return chain;
}

} // namespace dsclient::ldap
