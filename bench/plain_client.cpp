#include "plain_client.h"

#include "platform/dsclient/ldap/session.h"

#include <algorithm>
#include <string_view>

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
                           std::vector<std::string> &dns, const std::string &attribute,
                           std::vector<std::vector<std::string>> *values) {
    dns.clear();
    if (values)
        values->clear();
    LDAP *ld = connection_->ld;
    std::string asked = attribute.empty() ? "1.1" : attribute;
    char *attributes[] = {asked.data(), nullptr};
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
            if (values) {
                auto &held = values->emplace_back();
                berval **found = ldap_get_values_len(ld, message, attribute.c_str());
                for (berval **value = found; value && *value; ++value)
                    held.emplace_back((*value)->bv_val, (*value)->bv_len);
                ldap_value_free_len(found);
            }
            ldap_msgfree(message);
            continue;
        }
        if (ldap_msgtype(message) == LDAP_RES_SEARCH_RESULT)
            return Finished(ld, message);
        ldap_msgfree(message);
    }
}

Status PlainClient::List(const std::string &base, std::vector<ListedEntry> &entries) {
    entries.clear();
    LDAP *ld = connection_->ld;
    char structural[] = "structuralObjectClass", children[] = "hasSubordinates",
         modified[] = "modifyTimestamp", alias[] = "aliasedObjectName";
    char *attributes[] = {structural, children, modified, alias, nullptr};
    int msgid = 0;
    if (const int code = ldap_search_ext(ld, base.c_str(), LDAP_SCOPE_ONELEVEL, "(objectClass=*)",
                                         attributes, 0, nullptr, nullptr, nullptr, 0, &msgid);
        code != LDAP_SUCCESS)
        return StatusOfResult(code);
    std::vector<std::string> keys;
    for (;;) {
        LDAPMessage *message = nullptr;
        if (ldap_result(ld, msgid, LDAP_MSG_ONE, nullptr, &message) <= 0)
            return status::TransportFailure;
        const int type = ldap_msgtype(message);
        if (type == LDAP_RES_SEARCH_RESULT) {
            if (const Status s = Finished(ld, message); s != status::Ok)
                return s;
            break;
        }
        if (type != LDAP_RES_SEARCH_ENTRY) {
            ldap_msgfree(message);
            continue;
        }
        BerElement *ber = nullptr;
        berval dn{0, nullptr};
        ListedEntry entry;
        LDAPRDN rdn = nullptr;
        char *rest = nullptr;
        if (ldap_get_dn_ber(ld, message, &ber, &dn) == LDAP_SUCCESS &&
            ldap_bv2rdn(&dn, &rdn, &rest, LDAP_DN_FORMAT_LDAPV3) == LDAP_SUCCESS) {
            entry.name.assign(rdn[0]->la_value.bv_val, rdn[0]->la_value.bv_len);
            ldap_rdnfree(rdn);
        }
        berval name{0, nullptr};
        berval *values = nullptr;
        while (ldap_get_attribute_ber(ld, message, ber, &name, &values) == LDAP_SUCCESS &&
               name.bv_val) {
            const std::string_view attribute(name.bv_val, name.bv_len);
            const std::string_view first =
                values && values[0].bv_val ? std::string_view(values[0].bv_val, values[0].bv_len)
                                           : std::string_view();
            const auto is = [&](std::string_view wanted) {
                return attribute.size() == wanted.size() &&
                       std::equal(attribute.begin(), attribute.end(), wanted.begin(),
                                  [](char a, char b) { return (a | 0x20) == (b | 0x20); });
            };
            if (is("structuralObjectClass"))
                entry.objectClass = first;
            else if (is("hasSubordinates"))
                entry.hasSubordinates = first == "TRUE";
            else if (is("modifyTimestamp"))
                entry.modified = first;
            else if (is("aliasedObjectName"))
                entry.aliasTarget = first;
            ber_memfree(values);
            values = nullptr;
        }
        ber_free(ber, 0);
        ldap_msgfree(message);
        entries.push_back(std::move(entry));
    }
    // Sorted by name through an index of lower-cased keys, as a browser shows them.
    for (const auto &entry : entries) {
        std::string key = entry.name;
        for (char &c : key)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        keys.push_back(std::move(key));
    }
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<ListedEntry> sorted;
    sorted.reserve(entries.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(entries[i]));
    entries = std::move(sorted);
    return status::Ok;
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

// One modify of many values of the same attributes, as libldap takes it.
Status ModifyMany(LDAP *ld, int operation, const std::string &dn,
                  const std::vector<const char *> &attributes, std::vector<char *> &values,
                  int *msgid) {
    std::vector<LDAPMod> mods(attributes.size());
    std::vector<LDAPMod *> pointers;
    values.push_back(nullptr);
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        mods[i].mod_op = operation;
        mods[i].mod_type = const_cast<char *>(attributes[i]);
        mods[i].mod_values = values.data();
        pointers.push_back(&mods[i]);
    }
    pointers.push_back(nullptr);
    const int code = msgid
                         ? ldap_modify_ext(ld, dn.c_str(), pointers.data(), nullptr, nullptr, msgid)
                         : ldap_modify_ext_s(ld, dn.c_str(), pointers.data(), nullptr, nullptr);
    values.pop_back();
    return StatusOfResult(code);
}

} // namespace

Status PlainClient::BulkMembership(const std::string &groupDn,
                                   const std::vector<std::string> &memberDns, bool add) {
    LDAP *ld = connection_->ld;
    const int operation = add ? LDAP_MOD_ADD : LDAP_MOD_DELETE;
    const auto groupSide = [&]() -> Status {
        for (std::size_t at = 0; at < memberDns.size(); at += 1000) {
            std::vector<char *> values;
            for (std::size_t i = at; i < std::min(memberDns.size(), at + 1000); ++i)
                values.push_back(const_cast<char *>(memberDns[i].c_str()));
            if (const Status s = ModifyMany(ld, operation, groupDn, {"member", "equivalentToMe"},
                                            values, nullptr);
                s != status::Ok)
                return s;
        }
        return status::Ok;
    };
    const auto membersSide = [&]() -> Status {
        std::vector<int> inFlight;
        std::size_t next = 0, answered = 0;
        std::vector<char *> group{const_cast<char *>(groupDn.c_str())};
        while (answered < memberDns.size()) {
            for (; next < memberDns.size() && inFlight.size() - answered < 64; ++next) {
                int msgid = -1;
                if (const Status s =
                        ModifyMany(ld, operation, memberDns[next],
                                   {"groupMembership", "securityEquals"}, group, &msgid);
                    s != status::Ok)
                    return s;
                inFlight.push_back(msgid);
            }
            LDAPMessage *message = nullptr;
            if (ldap_result(ld, inFlight[answered], LDAP_MSG_ONE, nullptr, &message) <= 0)
                return status::TransportFailure;
            if (const Status s = Finished(ld, message); s != status::Ok)
                return s;
            ++answered;
        }
        return status::Ok;
    };
    if (add) {
        if (const Status s = groupSide(); s != status::Ok)
            return s;
        return membersSide();
    }
    if (const Status s = membersSide(); s != status::Ok)
        return s;
    return groupSide();
}

Status PlainClient::AddValue(const std::string &dn, const std::string &attribute,
                             const std::string &value) {
    return ModifyOne(connection_->ld, LDAP_MOD_ADD, dn, attribute, value);
}

Status PlainClient::RemoveValue(const std::string &dn, const std::string &attribute,
                                const std::string &value) {
    return ModifyOne(connection_->ld, LDAP_MOD_DELETE, dn, attribute, value);
}

} // namespace dsclient::ldap
