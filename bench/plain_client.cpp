#include "plain_client.h"

#include "platform/dsclient/ldap/session.h"

namespace dsclient::ldap {

// libldap as a program uses it by default: no options beyond the protocol version.
struct PlainClient::Connection {
    LDAP *ld = nullptr;
    ~Connection() {
        if (ld)
            ldap_unbind_ext_s(ld, nullptr, nullptr);
    }
};

PlainClient::PlainClient() : connection_(std::make_unique<Connection>()) {}
PlainClient::~PlainClient() = default;

Status PlainClient::Open(const std::string &uri, const std::string &dn,
                         const std::string &password) {
    if (ldap_initialize(&connection_->ld, uri.c_str()) != LDAP_SUCCESS)
        return status::ClientNotConfigured;
    const int version = LDAP_VERSION3;
    ldap_set_option(connection_->ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    if (dn.empty())
        return status::Ok;
    berval credentials{static_cast<ber_len_t>(password.size()), const_cast<char *>(password.data())};
    return StatusOfResult(ldap_sasl_bind_s(connection_->ld, dn.c_str(), LDAP_SASL_SIMPLE,
                                           &credentials, nullptr, nullptr, nullptr));
}

namespace {

Status Finished(LDAP *ld, LDAPMessage *message) {
    int code = LDAP_OTHER;
    ldap_parse_result(ld, message, &code, nullptr, nullptr, nullptr, nullptr, 1);
    return StatusOfResult(code);
}

} // namespace

Status PlainClient::Search(const std::string &base, int scope, const std::string &filter,
                           std::vector<std::string> &dns) {
    dns.clear();
    LDAP *ld = connection_->ld;
    char none[] = "1.1";
    char *attributes[] = {none, nullptr};
    int msgid = 0;
    if (const int code = ldap_search_ext(ld, base.c_str(), scope, filter.c_str(), attributes, 0,
                                         nullptr, nullptr, nullptr, 0, &msgid);
        code != LDAP_SUCCESS)
        return StatusOfResult(code);
    for (;;) {
        LDAPMessage *message = nullptr;
        if (ldap_result(ld, msgid, LDAP_MSG_ONE, nullptr, &message) <= 0)
            return status::TransportFailure;
        if (ldap_msgtype(message) == LDAP_RES_SEARCH_ENTRY) {
            char *dn = ldap_get_dn(ld, message);
            dns.emplace_back(dn);
            ldap_memfree(dn);
            ldap_msgfree(message);
            continue;
        }
        if (ldap_msgtype(message) == LDAP_RES_SEARCH_RESULT)
            return Finished(ld, message);
        ldap_msgfree(message);
    }
}

Status PlainClient::Values(const std::string &dn, const std::string &attribute,
                           std::vector<std::string> &values) {
    values.clear();
    LDAP *ld = connection_->ld;
    std::string name = attribute;
    char *attributes[] = {name.data(), nullptr};
    LDAPMessage *result = nullptr;
    const int code = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)",
                                       attributes, 0, nullptr, nullptr, nullptr, 0, &result);
    if (code == LDAP_SUCCESS)
        if (LDAPMessage *entry = ldap_first_entry(ld, result)) {
            berval **found = ldap_get_values_len(ld, entry, attribute.c_str());
            for (berval **value = found; value && *value; ++value)
                values.emplace_back((*value)->bv_val, (*value)->bv_len);
            ldap_value_free_len(found);
        }
    ldap_msgfree(result);
    return StatusOfResult(code);
}

namespace {

Status ModifyOne(LDAP *ld, int operation, const std::string &dn, const std::string &attribute,
                 const std::string &value) {
    std::string name = attribute;
    std::string text = value;
    char *values[] = {text.data(), nullptr};
    LDAPMod mod{};
    mod.mod_op = operation;
    mod.mod_type = name.data();
    mod.mod_values = values;
    LDAPMod *mods[] = {&mod, nullptr};
    return StatusOfResult(ldap_modify_ext_s(ld, dn.c_str(), mods, nullptr, nullptr));
}

} // namespace

Status PlainClient::AddValue(const std::string &dn, const std::string &attribute,
                             const std::string &value) {
    return ModifyOne(connection_->ld, LDAP_MOD_ADD, dn, attribute, value);
}

Status PlainClient::RemoveValue(const std::string &dn, const std::string &attribute,
                                const std::string &value) {
    return ModifyOne(connection_->ld, LDAP_MOD_DELETE, dn, attribute, value);
}

} // namespace dsclient::ldap
