// The LDAP backend: objects, listings, searches and the classes a container may hold.

#include "platform/dsclient/ldap/filter_text.h"
#include "platform/dsclient/ldap/ldap_backend.h"
#include "platform/dsclient/ldap/value_codec.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/schema.h"

#include <algorithm>
#include <charconv>

namespace dsclient::ldap {

namespace {


// What listings and object information ask of every entry besides its attributes.
const std::vector<std::string> kInfoAttributes = {"structuralObjectClass", "hasSubordinates",
                                                  "numSubordinates", "modifyTimestamp",
                                                  "aliasedObjectName"};

// The parts of an entry that make up its ObjectInfo.
struct InfoParts {
    std::string structural;
    std::vector<std::string> classes;
    std::string aliasTarget;
    std::optional<std::uint32_t> subordinates; // numSubordinates, or 1/0 from hasSubordinates
    std::uint32_t modified = 0;

    // True when `name` is one of the parts only (its values are then taken); `values` ends
    // with an empty berval.
    bool Take(std::string_view name, const berval *values) {
        const auto first = [&] {
            return values && values[0].bv_val ? std::string_view(values[0].bv_val, values[0].bv_len)
                                              : std::string_view();
        };
        const std::string lower = LowerAscii(name);
        if (lower == "structuralobjectclass") {
            structural = first();
        } else if (lower == "objectclass") {
            for (const berval *v = values; v && v->bv_val; ++v)
                classes.emplace_back(v->bv_val, v->bv_len);
            return false; // also an attribute the caller may want
        } else if (lower == "hassubordinates") {
            if (!subordinates)
                subordinates = first() == "TRUE" ? 1 : 0;
        } else if (lower == "numsubordinates") {
            std::uint32_t count = 0;
            const auto text = first();
            if (std::from_chars(text.data(), text.data() + text.size(), count).ec == std::errc())
                subordinates = count; // the count wins over the mere yes or no
        } else if (lower == "modifytimestamp") {
            ParseGeneralizedTime(first(), modified);
        } else if (lower == "aliasedobjectname") {
            aliasTarget = first();
            return false;
        } else {
            return false;
        }
        return true;
    }
};

// The subordinate count of an entry whose server tells neither count nor presence.
constexpr std::uint32_t kUnknownSubordinates = 0xFFFFFFFF;

// The structural class of an entry that does not name it: the one with the longest chain.
std::string MostSpecificClass(const Subschema &schema, const std::vector<std::string> &classes) {
    std::string best;
    std::size_t depth = 0;
    for (const auto &name : classes) {
        const SchemaClass *cls = schema.Class(name);
        if (!cls || !cls->structural)
            continue;
        const std::size_t chain = schema.Chain(name).size();
        if (chain > depth) {
            best = name;
            depth = chain;
        }
    }
    return best.empty() && !classes.empty() ? classes.back() : best;
}

ObjectInfo InfoOf(const InfoParts &parts, const Subschema &schema, const NameTable &names) {
    ObjectInfo info;
    const std::string ldapClass =
        parts.structural.empty() ? MostSpecificClass(schema, parts.classes) : parts.structural;
    info.baseClass = names.ToDirectory(ldapClass);
    const bool alias = LowerAscii(ldapClass) == "alias";
    if (alias) {
        info.entryFlags |= DS_ALIAS_ENTRY;
        std::vector<Rdn> target;
        if (ParseDn(parts.aliasTarget, target) == status::Ok && !target.empty() &&
            NamesContainer(target.front().attribute))
            info.entryFlags |= DS_CONTAINER_ALIAS;
    } else if (IsContainerClass(ldapClass)) {
        info.entryFlags |= DS_CONTAINER_ENTRY;
    }
    info.subordinateCount = parts.subordinates ? *parts.subordinates : kUnknownSubordinates;
    info.modificationTime = parts.modified;
    return info;
}

// The leaf component of a dotted name as it is written (a dot in it escaped).
std::string EscapedLeaf(const std::string &dotted) {
    std::size_t end = 0;
    while (end < dotted.size() && dotted[end] != '.')
        end += dotted[end] == '\\' && end + 1 < dotted.size() && dotted[end + 1] == '.' ? 2 : 1;
    return dotted.substr(0, end);
}

std::string WithoutOptions(std::string_view description) {
    return std::string(description.substr(0, description.find(';')));
}

// Hands each attribute of an entry to `take` with its values (ending with an empty berval).
template <typename Take> void ForEachAttribute(LDAP *ld, LDAPMessage *message, BerElement *ber,
                                               Take take) {
    berval name{0, nullptr};
    berval *values = nullptr;
    while (ldap_get_attribute_ber(ld, message, ber, &name, &values) == LDAP_SUCCESS &&
           name.bv_val) {
        take(WithoutOptions({name.bv_val, name.bv_len}), values);
        ber_memfree(values);
        values = nullptr;
    }
}

// The entries of one search request after another: the searches of a tree rooted in the
// server's root entry run once per top container.
class LdapCursor : public SearchCursor {
  public:
    LdapCursor(LdapBackend &backend, Session &session, std::vector<SearchParameters> searches,
               bool withAttributes, bool withValues, std::vector<std::string> wanted,
               std::int32_t limit, bool details = false)
        : backend_(backend), session_(session), searches_(std::move(searches)),
          withAttributes_(withAttributes), withValues_(withValues), wanted_(std::move(wanted)),
          limit_(limit), details_(details) {}

    Status Next(SearchEntry &entry, bool &more) override {
        more = false;
        while (next_ < searches_.size() || search_) {
            if (limit_ > 0 && handed_ >= limit_)
                break;
            if (!search_)
                search_ = std::make_unique<PagedSearch>(session_, searches_[next_++]);
            LDAPMessage *message = nullptr;
            if (const Status s = search_->Next(message); s != status::Ok)
                return s;
            if (!message) {
                search_.reset();
                continue;
            }
            if (backend_.TakeEntry(message, withAttributes_, withValues_,
                                   withAttributes_ && !wanted_.empty() ? &wanted_ : nullptr,
                                   details_, entry)) {
                ++handed_;
                more = true;
                return status::Ok;
            }
        }
        search_.reset();
        return status::Ok;
    }

  private:
    LdapBackend &backend_;
    Session &session_;
    std::vector<SearchParameters> searches_;
    std::size_t next_ = 0;
    std::unique_ptr<PagedSearch> search_;
    bool withAttributes_;
    bool withValues_;
    std::vector<std::string> wanted_; // LDAP names; empty: all user attributes
    std::int32_t limit_;
    bool details_;
    std::int32_t handed_ = 0;
};

} // namespace

bool LdapBackend::TakeEntry(LDAPMessage *message, bool withAttributes, bool withValues,
                            const std::vector<std::string> *wanted, bool details,
                            SearchEntry &entry) {
    BerElement *ber = nullptr;
    berval dn{0, nullptr};
    if (ldap_get_dn_ber(session_.ld(), message, &ber, &dn) != LDAP_SUCCESS)
        return false;
    std::string dotted;
    if (!DottedOf(std::string_view(dn.bv_val, dn.bv_len), dotted) || dotted == "[Root]") {
        ber_free(ber, 0);
        return false;
    }
    entry.entry.name = std::move(dotted);
    entry.attributes.clear();
    InfoParts parts;
    ForEachAttribute(session_.ld(), message, ber, [&](const std::string &ldapName,
                                                      const berval *values) {
        const bool infoOnly = parts.Take(ldapName, values);
        const bool asked =
            withAttributes && !infoOnly &&
            (!wanted || std::any_of(wanted->begin(), wanted->end(), [&](const std::string &w) {
                 return dsclient::EqualsIgnoreCase(w, ldapName);
             }));
        if (asked) {
            const SchemaAttribute *attribute = schema_.Attribute(ldapName);
            AttributeValues converted;
            converted.name = attribute ? attribute->directoryName : names_.ToDirectory(ldapName);
            converted.syntax = attribute ? attribute->syntax : SYN_UNKNOWN;
            for (const berval *v = values; withValues && v && v->bv_val; ++v) {
                AttrValue value;
                if (DecodeValue(converted.syntax, {v->bv_val, v->bv_len}, names_,
                                [this](std::string_view text, std::string &out) {
                                    return DottedOf(text, out);
                                },
                                value))
                    converted.values.push_back(std::move(value));
            }
            if (!withValues || !converted.values.empty())
                entry.attributes.push_back(std::move(converted));
        }
    });
    ber_free(ber, 0);
    entry.entry.info = InfoOf(parts, schema_, names_);
    auto &count = entry.entry.info.subordinateCount;
    if (count == kUnknownSubordinates)
        count = details && (entry.entry.info.entryFlags & DS_CONTAINER_ENTRY)
                    ? ProbeSubordinates({dn.bv_val, dn.bv_len})
                    : 0;
    return true;
}

std::uint32_t LdapBackend::ProbeSubordinates(std::string_view dn) {
    SearchParameters parameters;
    parameters.base = std::string(dn);
    parameters.scope = LDAP_SCOPE_ONELEVEL;
    parameters.paged = false;
    parameters.sizeLimit = 1;
    PagedSearch probe(session_, parameters);
    LDAPMessage *child = nullptr;
    return probe.Next(child) == status::Ok && child ? 1 : 0;
}

ObjectInfo LdapBackend::RootInfo() {
    ObjectInfo info;
    info.baseClass = std::string(dsclient::kTreeRootClass);
    info.entryFlags = DS_CONTAINER_ENTRY;
    info.subordinateCount = 1;
    if (tree_.base().empty()) {
        info.subordinateCount = static_cast<std::uint32_t>(namingContexts_.size());
        return info;
    }
    SearchParameters parameters;
    parameters.attributes = {"hasSubordinates", "numSubordinates"};
    ReadEntry("[Root]", parameters, [&](LDAPMessage *message) {
        BerElement *ber = nullptr;
        berval dn{0, nullptr};
        if (ldap_get_dn_ber(session_.ld(), message, &ber, &dn) != LDAP_SUCCESS)
            return;
        InfoParts parts;
        ForEachAttribute(session_.ld(), message, ber,
                         [&](const std::string &name, const berval *values) {
                             parts.Take(name, values);
                         });
        ber_free(ber, 0);
        info.subordinateCount = parts.subordinates.value_or(1);
    });
    return info;
}

Status LdapBackend::Find(std::string_view name, std::string &canonical, ObjectInfo &info) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    if (dsclient::IsRootName(name)) {
        canonical = "[Root]";
        info = RootInfo();
        return status::Ok;
    }
    SearchParameters parameters;
    parameters.attributes = kInfoAttributes;
    parameters.attributes.push_back("objectClass"); // for a server that does not name the class
    Status taken = status::NoSuchEntry;
    if (const Status s = ReadEntry(name, parameters,
                                   [&](LDAPMessage *message) {
                                       SearchEntry entry;
                                       if (TakeEntry(message, false, false, nullptr, true,
                                                     entry)) {
                                           canonical = entry.entry.name;
                                           info = entry.entry.info;
                                           taken = status::Ok;
                                       }
                                   });
        s != status::Ok)
        return s;
    return taken;
}

Status LdapBackend::ReadAttributes(std::string_view name, const std::vector<std::string> *names,
                                   bool withValues, std::vector<AttributeValues> &out) {
    out.clear();
    if (const Status s = Ready(); s != status::Ok)
        return s;
    SearchParameters parameters;
    std::vector<std::string> wanted;
    if (!names) {
        parameters.allUserAttributes = true;
    } else {
        for (const auto &directoryName : *names)
            if (const SchemaAttribute *attribute = AttributeNamed(directoryName))
                wanted.push_back(attribute->ldapName);
        parameters.attributes = wanted;
    }
    parameters.typesOnly = !withValues;
    if (dsclient::IsRootName(name))
        return status::Ok; // the top of the tree holds no attributes of its own here
    // Names that are unknown or ask for nothing need only the object's existence.
    const bool nothingWanted = names && parameters.attributes.empty();
    SearchEntry entry;
    const Status s = ReadEntry(name, parameters, [&](LDAPMessage *message) {
        if (!nothingWanted)
            TakeEntry(message, true, withValues, names ? &wanted : nullptr, false, entry);
    });
    if (s != status::Ok)
        return s;
    if (names) {
        // In the order asked for, as the program lists them.
        for (const auto &ldapName : wanted)
            for (auto &attribute : entry.attributes)
                if (!attribute.name.empty() &&
                    dsclient::EqualsIgnoreCase(names_.ToLdap(attribute.name), ldapName)) {
                    out.push_back(std::move(attribute));
                    attribute.name.clear();
                }
        return status::Ok;
    }
    out = std::move(entry.attributes);
    return status::Ok;
}

Status LdapBackend::ListChildren(std::string_view parent, bool containersOnly,
                                 std::vector<EntryInfo> &children) {
    children.clear();
    if (const Status s = Ready(); s != status::Ok)
        return s;
    std::vector<SearchParameters> searches;
    SearchParameters parameters;
    parameters.attributes = kInfoAttributes;
    if (dsclient::IsRootName(parent) && tree_.base().empty()) {
        for (const auto &context : namingContexts_) {
            parameters.base = context;
            parameters.scope = LDAP_SCOPE_BASE;
            searches.push_back(parameters);
        }
    } else {
        if (const Status s = DnOf(parent, parameters.base); s != status::Ok)
            return s;
        parameters.scope = LDAP_SCOPE_ONELEVEL;
        searches.push_back(parameters);
    }
    LdapCursor cursor(*this, session_, std::move(searches), false, false, {}, 0, true);
    std::vector<std::pair<std::string, EntryInfo>> sorted; // by the leaf in lower case
    for (;;) {
        SearchEntry entry;
        bool more = false;
        if (const Status s = cursor.Next(entry, more); s != status::Ok)
            return s;
        if (!more)
            break;
        if (containersOnly &&
            !(entry.entry.info.entryFlags & (DS_CONTAINER_ENTRY | DS_CONTAINER_ALIAS)))
            continue;
        std::string leaf = EscapedLeaf(entry.entry.name);
        std::string key = LowerAscii(leaf);
        sorted.emplace_back(std::move(key), EntryInfo{std::move(leaf), std::move(entry.entry.info)});
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    children.reserve(sorted.size());
    for (auto &item : sorted)
        children.push_back(std::move(item.second));
    return status::Ok;
}

Status LdapBackend::ContainableClasses(std::string_view parent,
                                       std::vector<std::string> &classes) {
    classes.clear();
    std::string canonical;
    ObjectInfo info;
    if (const Status s = Find(parent, canonical, info); s != status::Ok)
        return s;
    // A server states no containment: the directory's own rules apply to the classes it has.
    static const dsclient::Schema rules = dsclient::StandardSchema();
    const bool container = info.entryFlags & DS_CONTAINER_ENTRY;
    const std::string parentClass = rules.FindClass(info.baseClass)
                                        ? info.baseClass
                                        : (container ? "Organizational Unit" : "");
    for (const auto &cls : rules.classes())
        if (cls.effective && !parentClass.empty() && rules.MayContain(parentClass, cls.name) &&
            schema_.Class(names_.ToLdap(cls.name)))
            classes.push_back(cls.name);
    std::sort(classes.begin(), classes.end(), [](const std::string &a, const std::string &b) {
        return LowerAscii(a) < LowerAscii(b);
    });
    return classes.empty() ? status::IllegalContainment : status::Ok;
}

Status LdapBackend::Search(const SearchRequest &request, std::unique_ptr<SearchCursor> &cursor) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    FilterContext context;
    context.attribute = [this](std::string_view name) -> std::optional<FilterAttribute> {
        const SchemaAttribute *attribute = AttributeNamed(name);
        if (!attribute)
            return std::nullopt;
        return FilterAttribute{attribute->ldapName, attribute->syntax};
    };
    context.className = [this](std::string_view name) { return names_.ToLdap(name); };
    context.dn = [this](std::string_view dotted) -> std::optional<std::string> {
        std::string dn;
        return DnOf(dotted, dn) == status::Ok ? std::optional<std::string>(dn) : std::nullopt;
    };
    SearchParameters parameters;
    parameters.filter = FilterText(*request.filter, context);
    std::vector<std::string> wanted;
    const bool withAttributes = request.allAttributes || !request.attributeNames.empty();
    if (!request.allAttributes)
        for (const auto &name : request.attributeNames)
            if (const SchemaAttribute *attribute = AttributeNamed(name))
                wanted.push_back(attribute->ldapName);
    // Searches are about names: entries come with the attributes asked for, without the object
    // information a listing gives.
    parameters.allUserAttributes = request.allAttributes;
    parameters.attributes = wanted;
    parameters.typesOnly = withAttributes && !request.withValues;

    std::vector<SearchParameters> searches;
    if (dsclient::IsRootName(request.base) && tree_.base().empty()) {
        // The root is never a result; below it lie the top containers.
        if (request.scope != DS_SEARCH_ENTRY)
            for (const auto &top : namingContexts_) {
                parameters.base = top;
                parameters.scope =
                    request.scope == DS_SEARCH_SUBORDINATES ? LDAP_SCOPE_BASE : LDAP_SCOPE_SUBTREE;
                searches.push_back(parameters);
            }
    } else {
        if (const Status s = DnOf(request.base, parameters.base); s != status::Ok)
            return s;
        if (!(dsclient::IsRootName(request.base) && request.scope == DS_SEARCH_ENTRY)) {
            parameters.scope = request.scope == DS_SEARCH_ENTRY         ? LDAP_SCOPE_BASE
                         : request.scope == DS_SEARCH_SUBORDINATES ? LDAP_SCOPE_ONELEVEL
                                                                   : LDAP_SCOPE_SUBTREE;
            searches.push_back(parameters);
        }
    }
    cursor = std::make_unique<LdapCursor>(*this, session_, std::move(searches), withAttributes,
                                          request.withValues,
                                          request.allAttributes ? std::vector<std::string>()
                                                                : wanted,
                                          request.limit);
    return status::Ok;
}

} // namespace dsclient::ldap
