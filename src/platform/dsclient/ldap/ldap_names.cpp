// The LDAP backend: dotted names to DNs and back.

#include "platform/dsclient/ldap/filter_text.h"
#include "platform/dsclient/ldap/ldap_backend.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/text_fold.h"

#include <algorithm>

namespace dsclient::ldap {

namespace {

// Reads the DN of one entry found by a search.
std::string EntryDn(LDAP *ld, LDAPMessage *entry) {
    char *dn = ldap_get_dn(ld, entry);
    std::string text = dn ? dn : "";
    ldap_memfree(dn);
    return text;
}

} // namespace

bool LdapBackend::DottedOf(std::string_view dn, std::string &dotted) {
    Rdn leaf;
    if (!tree_.ToDotted(dn, dotted, &leaf))
        return false;
    if (!leaf.attribute.empty()) {
        const std::size_t length = dsclient::EscapeComponent(leaf.value).size();
        const std::string_view parent = length == dotted.size()
                                            ? std::string_view("[Root]")
                                            : std::string_view(dotted).substr(length + 1);
        cache_.Remember(dotted, dn, parent, leaf.attribute);
    }
    return true;
}

Status LdapBackend::DnOf(std::string_view dotted, std::string &dn) {
    std::vector<std::string> components;
    if (const Status s = dsclient::SplitName(dotted, components); s != status::Ok)
        return s;
    if (components.empty()) {
        dn = tree_.base();
        return status::Ok;
    }
    const std::string canonical = dsclient::JoinName(components);
    if (auto known = cache_.Find(canonical)) {
        // A name seen for two entries is asked of the server again: it is refused if both
        // are still there, never written to either.
        if (!known->empty()) {
            dn = std::move(*known);
            return status::Ok;
        }
        cache_.Forget(canonical);
    }
    return Resolve(canonical, components, dn);
}

Status LdapBackend::Resolve(const std::string &canonical,
                            const std::vector<std::string> &components, std::string &dn) {
    if (components.size() == 1 && tree_.base().empty()) {
        // A top container of a tree rooted in the server's root entry: a naming context.
        for (const auto &context : namingContexts_) {
            std::vector<Rdn> rdns;
            if (ParseDn(context, rdns) == status::Ok &&
                EqualsFolded(rdns.front().value, components.front())) {
                dn = context;
                cache_.Remember(canonical, dn, "[Root]", rdns.front().attribute);
                return status::Ok;
            }
        }
        return status::NoSuchEntry;
    }
    const std::vector<std::string> parent(components.begin() + 1, components.end());
    const std::string parentDotted = parent.empty() ? "[Root]" : dsclient::JoinName(parent);
    std::string parentDn;
    if (const Status s = DnOf(parentDotted, parentDn); s != status::Ok)
        return s;
    return FindChild(parentDotted, parentDn, components.front(), dn);
}

Status LdapBackend::FindChild(const std::string &parentDotted, const std::string &parentDn,
                              const std::string &leaf, std::string &dn) {
    // Every child the leaf names counts: two of them (named by different attributes) make the
    // name ambiguous, and it is refused.
    std::string first;
    const auto found = [&](std::string entryDn) {
        if (first.empty() || SameEntry(first, entryDn)) {
            first = std::move(entryDn);
            return status::Ok;
        }
        return status::IllegalName;
    };
    const auto done = [&] {
        if (first.empty())
            return status::NoSuchEntry;
        dn = std::move(first);
        std::string dotted;
        DottedOf(dn, dotted); // remembered for the next time
        return status::Ok;
    };
    // One read of a DN for each naming attribute, those that named the siblings seen so far
    // first: every one, since a second hit is a twin that makes the name ambiguous.
    std::vector<std::string> attributes = cache_.NamingAttributesUnder(parentDotted);
    for (const char *const *naming = NamingAttributes(); *naming; ++naming)
        if (std::find(attributes.begin(), attributes.end(), *naming) == attributes.end())
            attributes.emplace_back(*naming);
    for (const auto &attribute : attributes) {
        std::string guess;
        if (const Status s = BuildDn({Rdn{attribute, leaf}}, parentDn, guess); s != status::Ok)
            return s;
        SearchParameters parameters;
        parameters.base = guess;
        parameters.scope = LDAP_SCOPE_BASE;
        parameters.paged = false;
        PagedSearch search(session_, parameters);
        LDAPMessage *entry = nullptr;
        const Status s = search.Next(entry);
        // A value the attribute's syntax cannot hold (a country code of one letter) names
        // nothing either.
        if (s == status::NoSuchEntry || s == status::LdapResult(LDAP_INVALID_DN_SYNTAX))
            continue;
        if (s != status::Ok)
            return s;
        if (entry)
            if (const Status twin = found(EntryDn(session_.ld(), entry)); twin != status::Ok)
                return twin;
    }
    if (!first.empty())
        return done();
    // Otherwise the child of the parent named by `leaf` among other values of its RDN.
    std::string filter = "(|";
    for (const char *const *naming = NamingAttributes(); *naming; ++naming)
        filter += std::string("(") + *naming + "=" + EscapeFilterValue(leaf) + ")";
    SearchParameters parameters;
    parameters.base = parentDn;
    parameters.scope = LDAP_SCOPE_ONELEVEL;
    parameters.filter = filter + ")";
    PagedSearch search(session_, parameters);
    for (;;) {
        LDAPMessage *entry = nullptr;
        if (const Status s = search.Next(entry); s != status::Ok)
            return s;
        if (!entry)
            return done();
        std::string child = EntryDn(session_.ld(), entry);
        std::vector<Rdn> rdns;
        if (ParseDn(child, rdns) == status::Ok && !rdns.empty() &&
            EqualsFolded(rdns.front().value, leaf))
            if (const Status twin = found(std::move(child)); twin != status::Ok)
                return twin;
    }
}

Status LdapBackend::ReadEntry(std::string_view name, SearchParameters parameters,
                              const std::function<void(LDAPMessage *)> &take) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    for (int attempt = 0;; ++attempt) {
        std::string dn;
        if (const Status s = DnOf(name, dn); s != status::Ok)
            return s;
        parameters.base = dn;
        parameters.scope = LDAP_SCOPE_BASE;
        parameters.paged = false;
        PagedSearch search(session_, parameters);
        LDAPMessage *entry = nullptr;
        const Status s = search.Next(entry);
        if (s == status::NoSuchEntry && attempt == 0) {
            // A remembered DN may name an object renamed or removed since: look again.
            std::vector<std::string> components;
            dsclient::SplitName(name, components);
            cache_.Forget(dsclient::JoinName(components));
            continue;
        }
        if (s != status::Ok)
            return s;
        if (!entry)
            return status::NoSuchEntry;
        take(entry);
        return status::Ok;
    }
}

} // namespace dsclient::ldap
