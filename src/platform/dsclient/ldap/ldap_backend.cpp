// The LDAP backend: opening, connecting and binding, logins, and the schema.

#include "platform/dsclient/ldap/ldap_backend.h"

#include "platform/dsclient/password_file.h"

#include <algorithm>
#include <memory>

namespace dsclient::ldap {

namespace {

// Every server of the list is reached by LDAP.
bool IsDirectoryUri(const std::string &uris) {
    const auto entries = ParseUriList(uris);
    return !entries.empty() && std::all_of(entries.begin(), entries.end(), [](const UriEntry &e) {
        return e.scheme == "ldap" || e.scheme == "ldaps" || e.scheme == "ldapi";
    });
}

// The values of one attribute of an entry as texts.
std::vector<std::string> TextValues(LDAP *ld, LDAPMessage *entry, const char *attribute) {
    std::vector<std::string> texts;
    berval **values = ldap_get_values_len(ld, entry, attribute);
    for (berval **value = values; value && *value; ++value)
        texts.emplace_back((*value)->bv_val, (*value)->bv_len);
    ldap_value_free_len(values);
    return texts;
}

} // namespace

Status LdapBackend::Open(const TreeConfig &tree, std::unique_ptr<Backend> &backend,
                         std::string &problem) {
    const std::string prefix = "Tree " + tree.name + ": ";
    if (!IsDirectoryUri(tree.uri)) {
        problem = prefix + "\"" + tree.uri + "\" is not an ldap://, ldaps:// or ldapi:// URI";
        return status::ClientNotConfigured;
    }
    if (!TreeNames(tree.base).valid()) {
        problem = prefix + "the base \"" + tree.base + "\" is not a DN";
        return status::ClientNotConfigured;
    }
    if (!tree.passwordFile.empty()) {
        if (!CheckPasswordFile(tree.passwordFile, problem)) {
            problem = prefix + problem;
            return status::ClientNotConfigured;
        }
        // Decided before any connection exists: no password leaves the machine in clear.
        const SessionSettings settings{tree.uri, tree.startTls, tree.caCertFile,
                                       tree.timeoutSeconds};
        if (SendsPasswordInClear(settings) && !tree.allowPlainBind) {
            problem = prefix + "the password would travel unencrypted to " + tree.uri +
                      "; use ldaps://, StartTLS=yes, or AllowPlainBind=yes";
            return status::ClearTextPasswordRefused;
        }
    }
    NameTable names;
    if (!tree.attributeMap.empty() && !names.AddFile(tree.attributeMap, problem)) {
        problem = prefix + problem;
        return status::ClientNotConfigured;
    }
    backend.reset(new LdapBackend(tree, std::move(names)));
    return status::Ok;
}

LdapBackend::LdapBackend(const TreeConfig &tree, NameTable names)
    : config_(tree), settings_{tree.uri, tree.startTls, tree.caCertFile, tree.timeoutSeconds},
      tree_(tree.base), names_(std::move(names)) {}

Status LdapBackend::Ready() {
    if (session_.open())
        return status::Ok;
    // Reopened as the configured identity (or anonymously), the connection would read and write
    // in the logged-in user's name with someone else's rights.
    if (loggedIn_)
        return status::LoginLost;
    if (const Status s = session_.Open(settings_); s != status::Ok)
        return s;
    Status s = factsLoaded_ ? status::Ok : LoadServerFacts();
    if (s == status::Ok)
        s = BindConfiguredIdentity(session_);
    if (s != status::Ok)
        session_.Close();
    return s;
}

Status LdapBackend::LoadServerFacts() {
    SearchParameters rootEntry;
    rootEntry.base = "";
    rootEntry.scope = LDAP_SCOPE_BASE;
    rootEntry.attributes = {"subschemaSubentry", "namingContexts"};
    rootEntry.paged = false;
    std::string subschemaEntry = "cn=Subschema";
    std::vector<std::string> contexts;
    {
        PagedSearch search(session_, rootEntry);
        LDAPMessage *entry = nullptr;
        if (const Status s = search.Next(entry); s != status::Ok)
            return s;
        if (entry) {
            const auto named = TextValues(session_.ld(), entry, "subschemaSubentry");
            if (!named.empty())
                subschemaEntry = named.front();
            contexts = TextValues(session_.ld(), entry, "namingContexts");
        }
    }
    SearchParameters subschema;
    subschema.base = subschemaEntry;
    subschema.scope = LDAP_SCOPE_BASE;
    subschema.filter = "(objectClass=subschema)";
    subschema.attributes = {"attributeTypes", "objectClasses"};
    subschema.paged = false;
    PagedSearch search(session_, subschema);
    LDAPMessage *entry = nullptr;
    if (const Status s = search.Next(entry); s != status::Ok)
        return s;
    if (!entry)
        return status::NoSuchEntry;
    schema_.Load(TextValues(session_.ld(), entry, "attributeTypes"),
                 TextValues(session_.ld(), entry, "objectClasses"), names_);
    // With the server's root entry as the tree root, each naming context of one component is a
    // top container.
    namingContexts_.clear();
    for (const auto &context : contexts) {
        std::vector<Rdn> rdns;
        if (ParseDn(context, rdns) == status::Ok && rdns.size() == 1)
            namingContexts_.push_back(context);
    }
    factsLoaded_ = true;
    return status::Ok;
}

Status LdapBackend::BindConfiguredIdentity(Session &session) {
    if (config_.identity.empty() || config_.passwordFile.empty())
        return status::Ok; // anonymous: the server decides what may be read
    std::string dn;
    if (const Status s = DnOf(config_.identity, dn); s != status::Ok)
        return s;
    Secret password;
    std::string problem;
    if (const Status s = ReadPasswordFile(config_.passwordFile, password, problem);
        s != status::Ok)
        return s;
    return session.Bind(dn, password.view());
}

Status LdapBackend::Login(std::string_view name, std::string_view password,
                          std::string &canonical) {
    // An empty password would be an anonymous bind, which every server accepts.
    if (password.empty())
        return status::FailedAuthentication;
    if (SendsPasswordInClear(settings_) && !config_.allowPlainBind)
        return status::ClearTextPasswordRefused;
    if (!session_.open())
        loggedIn_ = false; // a new login replaces the one lost
    if (const Status s = Ready(); s != status::Ok)
        return s;
    std::string dn;
    if (const Status s = DnOf(name, dn); s != status::Ok)
        return s;
    if (dn == tree_.base())
        return status::FailedAuthentication;
    // Tried on a connection of its own, so a wrong password leaves the tree's connection as it
    // was.
    Session trial;
    if (const Status s = trial.Open(settings_); s != status::Ok)
        return s;
    if (const Status s = trial.Bind(dn, password); s != status::Ok)
        return s;
    session_.TakeOver(trial);
    loggedIn_ = true;
    if (!DottedOf(dn, canonical))
        canonical = std::string(name);
    return status::Ok;
}

Status LdapBackend::CheckWriteAccess(std::string_view identity) {
    // Without an identity nothing is written; with one, the server judges each request.
    return identity.empty() ? status::NoAccess : status::Ok;
}

const SchemaAttribute *LdapBackend::AttributeNamed(std::string_view directoryName) const {
    return schema_.Attribute(names_.ToLdap(directoryName));
}

Status LdapBackend::AttributeSyntax(std::string_view attribute, std::uint32_t &syntax) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    const SchemaAttribute *found = AttributeNamed(attribute);
    if (!found)
        return status::NoSuchAttribute;
    syntax = found->syntax;
    return status::Ok;
}

Status LdapBackend::ClassAllows(std::string_view className, std::string_view attribute,
                                bool &allowed) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    const std::string ldapClass = names_.ToLdap(className);
    if (!schema_.Class(ldapClass))
        return status::NoSuchClass;
    const SchemaAttribute *found = AttributeNamed(attribute);
    allowed = found && schema_.Allows(ldapClass, found->ldapName);
    return status::Ok;
}

Status LdapBackend::AttributeDefinitions(const std::vector<std::string> *names,
                                         std::vector<NamedDefinition> &out) {
    if (const Status s = Ready(); s != status::Ok)
        return s;
    const auto add = [&out](const SchemaAttribute &attribute) {
        NamedDefinition named;
        named.name = attribute.directoryName;
        named.definition.flags = attribute.flags;
        named.definition.syntax = attribute.syntax;
        named.definition.upperBound = attribute.upperBound;
        out.push_back(std::move(named));
    };
    out.clear();
    if (!names) {
        for (const auto &attribute : schema_.attributes())
            if (!attribute.operational)
                add(attribute);
        return status::Ok;
    }
    for (const auto &name : *names)
        if (const SchemaAttribute *attribute = AttributeNamed(name))
            add(*attribute);
    return status::Ok;
}

} // namespace dsclient::ldap
