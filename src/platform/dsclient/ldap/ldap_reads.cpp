// The LDAP backend: objects, listings, searches and the classes a container may hold.

#include "platform/dsclient/ldap/filter_text.h"
#include "platform/dsclient/ldap/ldap_backend.h"
#include "platform/dsclient/ldap/value_codec.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/key_sort.h"
#include "platform/dsclient/schema.h"

#include <algorithm>
#include <charconv>

namespace dsclient::ldap {

namespace {

// What object information asks of an entry besides its attributes.
const std::vector<std::string> kInfoAttributes = {"structuralObjectClass", "hasSubordinates",
                                                  "numSubordinates", "modifyTimestamp",
                                                  "aliasedObjectName"};
// What a listing shows of each child: its class, whether it can be opened, when it changed and
// an alias's target. Whether a child has children is all a listing needs of its subordinates.
const std::vector<std::string> kListingAttributes = {"structuralObjectClass", "hasSubordinates",
                                                     "modifyTimestamp", "aliasedObjectName"};

// The parts of an entry that make up its ObjectInfo.
struct InfoParts {
    std::string structural;
    std::vector<std::string> classes;
    std::string aliasTarget;
    std::optional<std::uint32_t> subordinates; // numSubordinates, or 1/0 from hasSubordinates
    std::uint32_t modified = 0;

    // True when `name` is one of the parts only (its values are then taken); `values` ends
    // with an empty berval. Called for every attribute of every entry: nothing is allocated.
    bool Take(std::string_view name, const berval *values) {
        const auto first = [&] {
            return values && values[0].bv_val ? std::string_view(values[0].bv_val, values[0].bv_len)
                                              : std::string_view();
        };
        const auto is = [&](std::string_view part) { return EqualsIgnoreCase(name, part); };
        if (is("structuralObjectClass")) {
            structural = first();
        } else if (is("objectClass")) {
            for (const berval *v = values; v && v->bv_val; ++v)
                classes.emplace_back(v->bv_val, v->bv_len);
            return false; // also an attribute the caller may want
        } else if (is("hasSubordinates")) {
            if (!subordinates)
                subordinates = first() == "TRUE" ? 1 : 0;
        } else if (is("numSubordinates")) {
            std::uint32_t count = 0;
            const auto text = first();
            if (std::from_chars(text.data(), text.data() + text.size(), count).ec == std::errc())
                subordinates = count; // the count wins over the mere yes or no
        } else if (is("modifyTimestamp")) {
            ParseGeneralizedTime(first(), modified);
        } else if (is("aliasedObjectName")) {
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

std::string_view WithoutOptions(std::string_view description) {
    return description.substr(0, description.find(';'));
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
               std::int32_t limit)
        : backend_(backend), session_(session), searches_(std::move(searches)),
          withAttributes_(withAttributes), withValues_(withValues), wanted_(std::move(wanted)),
          limit_(limit) {}

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
                                   withAttributes_ && !wanted_.empty() ? &wanted_ : nullptr, false,
                                   entry)) {
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
    ForEachAttribute(
        session_.ld(), message, ber, [&](std::string_view ldapName, const berval *values) {
            const bool infoOnly = parts.Take(ldapName, values);
            const bool asked =
                withAttributes && !infoOnly &&
                (!wanted || std::any_of(wanted->begin(), wanted->end(), [&](const std::string &w) {
                    return dsclient::EqualsIgnoreCase(w, ldapName);
                }));
            if (asked) {
                const SchemaAttribute *attribute = schema_.Attribute(ldapName);
                AttributeValues converted;
                converted.name =
                    attribute ? attribute->directoryName : names_.ToDirectory(ldapName);
                converted.syntax = attribute ? attribute->syntax : SYN_UNKNOWN;
                for (const berval *v = values; withValues && v && v->bv_val; ++v) {
                    AttrValue value;
                    if (DecodeValue(
                            converted.syntax, {v->bv_val, v->bv_len}, names_,
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
        ForEachAttribute(
            session_.ld(), message, ber,
            [&](std::string_view name, const berval *values) { parts.Take(name, values); });
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

namespace {

struct BerRelease {
    void operator()(BerElement *ber) const { ber_free(ber, 0); }
};
struct RdnRelease {
    void operator()(LDAPAVA **rdn) const { ldap_rdnfree(rdn); }
};

} // namespace

// What a listing learns once and uses for every child: the text after a child's RDN, which all
// children of one parent share as the server spells it, with the parent's dotted name; and what
// the classes seen so far stand for.
struct LdapBackend::ListingParent {
    bool known = false;
    std::string dnRest;       // after the first child's RDN, separator included
    std::string dottedSuffix; // "" at the top of the tree, else "." and the parent's name
    std::string cacheParent;  // the parent as the name cache knows it
    std::string dotted;       // a child's whole name, reused from child to child
    struct ClassFacts {
        std::string ldapClass;
        std::string baseClass;
        std::uint32_t entryFlags = 0;
    };
    std::vector<ClassFacts> classes; // those of no alias: an alias's flags depend on its target
};

bool LdapBackend::TakeListed(LDAPMessage *message, ListingParent &parent, EntryInfo &entry) {
    BerElement *rawBer = nullptr;
    berval dn{0, nullptr};
    if (ldap_get_dn_ber(session_.ld(), message, &rawBer, &dn) != LDAP_SUCCESS)
        return false;
    const std::unique_ptr<BerElement, BerRelease> ber(rawBer);
    const std::string_view dnText(dn.bv_val, dn.bv_len);
    // Only the child's RDN is read when the rest is the parent's DN as a child before it had it;
    // the first child's DN is read whole and checked against the tree.
    LDAPRDN rawRdn = nullptr;
    char *rest = nullptr;
    berval text = dn;
    if (ldap_bv2rdn(&text, &rawRdn, &rest, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS || !rawRdn ||
        !rawRdn[0] || !rest)
        return false;
    const std::unique_ptr<LDAPAVA *, RdnRelease> rdn(rawRdn);
    const std::string_view after(rest, static_cast<std::size_t>(dn.bv_val + dn.bv_len - rest));
    const LDAPAVA &leaf = *rdn.get()[0];
    entry.name = dsclient::EscapeComponent({leaf.la_value.bv_val, leaf.la_value.bv_len});
    if (parent.known && after == parent.dnRest) {
        parent.dotted.assign(entry.name).append(parent.dottedSuffix);
        cache_.Remember(parent.dotted, dnText, parent.cacheParent,
                        {leaf.la_attr.bv_val, leaf.la_attr.bv_len});
    } else {
        std::string dotted;
        if (!DottedOf(dnText, dotted) || dotted == "[Root]" || !dotted.starts_with(entry.name))
            return false;
        if (!parent.known) {
            parent.known = true;
            parent.dnRest = after;
            parent.dottedSuffix = dotted.substr(entry.name.size());
            parent.cacheParent =
                parent.dottedSuffix.empty() ? "[Root]" : parent.dottedSuffix.substr(1);
        }
    }
    InfoParts parts;
    ForEachAttribute(
        session_.ld(), message, ber.get(),
        [&](std::string_view name, const berval *values) { parts.Take(name, values); });
    // The children of a container mostly share a few classes: each is looked up once.
    const auto known = std::find_if(parent.classes.begin(), parent.classes.end(),
                                    [&](const ListingParent::ClassFacts &facts) {
                                        return facts.ldapClass == parts.structural;
                                    });
    if (known != parent.classes.end() && !parts.structural.empty()) {
        entry.info.baseClass = known->baseClass;
        entry.info.entryFlags = known->entryFlags;
        entry.info.subordinateCount = parts.subordinates.value_or(kUnknownSubordinates);
        entry.info.modificationTime = parts.modified;
    } else {
        entry.info = InfoOf(parts, schema_, names_);
        if (!(entry.info.entryFlags & DS_ALIAS_ENTRY) && !parts.structural.empty() &&
            parent.classes.size() < 32)
            parent.classes.push_back(
                {parts.structural, entry.info.baseClass, entry.info.entryFlags});
    }
    if (entry.info.subordinateCount == kUnknownSubordinates)
        entry.info.subordinateCount =
            entry.info.entryFlags & DS_CONTAINER_ENTRY ? ProbeSubordinates(dnText) : 0;
    return true;
}

Status LdapBackend::ListChildren(std::string_view parent, bool containersOnly,
                                 std::vector<EntryInfo> &children) {
    children.clear();
    if (const Status s = Ready(); s != status::Ok)
        return s;
    std::vector<SearchParameters> searches;
    SearchParameters parameters;
    parameters.attributes = kListingAttributes;
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
    ListingParent listing;
    for (auto &search : searches) {
        PagedSearch paged(session_, std::move(search));
        for (;;) {
            LDAPMessage *message = nullptr;
            if (const Status s = paged.Next(message); s != status::Ok)
                return s;
            if (!message)
                break;
            EntryInfo entry;
            if (!TakeListed(message, listing, entry))
                continue;
            if (containersOnly &&
                !(entry.info.entryFlags & (DS_CONTAINER_ENTRY | DS_CONTAINER_ALIAS)))
                continue;
            children.push_back(std::move(entry));
        }
    }
    // By the leaf, ignoring ASCII case; the entries are moved once, into their places.
    const auto lower = [](unsigned char c) { return unsigned{c >= 'A' && c <= 'Z' ? c + 32u : c}; };
    const std::vector<std::size_t> order = dsclient::OrderByKeys(
        children.size(),
        [&](std::size_t position, std::size_t depth) {
            return dsclient::KeyWordOf(children[position].name, depth, lower);
        },
        [&](std::size_t position) { return children[position].name.size(); });
    std::vector<EntryInfo> sorted;
    sorted.reserve(children.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(children[i]));
    children = std::move(sorted);
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
    // But each entry's classes, whose most specific one every result names as its base class
    // (slapd answers them faster than the entry's structuralObjectClass).
    if (!request.allAttributes)
        parameters.attributes.push_back("objectClass");

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
