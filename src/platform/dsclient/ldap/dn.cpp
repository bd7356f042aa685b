#include "platform/dsclient/ldap/dn.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/text_fold.h"

#include <ldap.h>

#include <memory>

namespace dsclient::ldap {

namespace {

struct DnFree {
    void operator()(LDAPDN dn) const { ldap_dnfree(dn); }
};
using DnPtr = std::unique_ptr<LDAPRDN, DnFree>;

berval View(std::string_view text) {
    return berval{static_cast<ber_len_t>(text.size()), const_cast<char *>(text.data())};
}

std::string_view AsView(const berval &value) {
    return {value.bv_val, value.bv_len};
}

// Attribute types compare without regard to ASCII case; `lower` is in lower case already.
bool SameAttribute(std::string_view type, std::string_view lower) {
    if (type.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < type.size(); ++i) {
        const char c = type[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lower[i])
            return false;
    }
    return true;
}

} // namespace

Status BuildDn(const std::vector<Rdn> &rdns, std::string_view base, std::string &dn) {
    dn.clear();
    if (!rdns.empty()) {
        // One attribute value per RDN; the structure only points at the caller's strings.
        std::vector<LDAPAVA> avas(rdns.size());
        std::vector<LDAPAVA *> avaLists(2 * rdns.size());
        std::vector<LDAPRDN> parts(rdns.size() + 1, nullptr);
        for (std::size_t i = 0; i < rdns.size(); ++i) {
            if (!IsValidUtf8(rdns[i].value) || rdns[i].attribute.empty())
                return status::IllegalName;
            avas[i].la_attr = View(rdns[i].attribute);
            avas[i].la_value = View(rdns[i].value);
            avas[i].la_flags = LDAP_AVA_STRING;
            avas[i].la_private = nullptr;
            avaLists[2 * i] = &avas[i];
            avaLists[2 * i + 1] = nullptr;
            parts[i] = &avaLists[2 * i];
        }
        berval out{0, nullptr};
        if (ldap_dn2bv(parts.data(), &out, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
            return status::IllegalName;
        dn.assign(out.bv_val, out.bv_len);
        ber_memfree(out.bv_val);
    }
    if (!base.empty()) {
        if (!dn.empty())
            dn += ',';
        dn += base;
    }
    return status::Ok;
}

Status ParseDn(std::string_view dn, std::vector<Rdn> &rdns) {
    rdns.clear();
    berval text = View(dn);
    LDAPDN parsed = nullptr;
    if (ldap_bv2dn(&text, &parsed, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
        return status::IllegalName;
    const DnPtr owner(parsed);
    for (LDAPRDN *rdn = parsed; rdn && *rdn; ++rdn) {
        const LDAPAVA *ava = (*rdn)[0];
        rdns.push_back(Rdn{std::string(ava->la_attr.bv_val, ava->la_attr.bv_len),
                           std::string(ava->la_value.bv_val, ava->la_value.bv_len)});
    }
    return status::Ok;
}

bool SameEntry(std::string_view a, std::string_view b) {
    berval textA = View(a), textB = View(b);
    LDAPDN dnA = nullptr, dnB = nullptr;
    if (ldap_bv2dn(&textA, &dnA, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
        return false;
    const DnPtr ownerA(dnA);
    if (ldap_bv2dn(&textB, &dnB, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
        return false;
    const DnPtr ownerB(dnB);
    std::size_t i = 0;
    for (; dnA && dnB && dnA[i] && dnB[i]; ++i) {
        std::size_t j = 0;
        for (; dnA[i][j] && dnB[i][j]; ++j) {
            const LDAPAVA *x = dnA[i][j], *y = dnB[i][j];
            if (!SameAttribute(AsView(x->la_attr), dsclient::LowerAscii(AsView(y->la_attr))) ||
                !EqualsFolded(AsView(x->la_value), AsView(y->la_value)))
                return false;
        }
        if (dnA[i][j] || dnB[i][j])
            return false;
    }
    return (!dnA || !dnA[i]) && (!dnB || !dnB[i]);
}

TreeNames::TreeNames(std::string base) : base_(std::move(base)) {
    valid_ = ParseDn(base_, baseRdns_) == status::Ok;
    for (auto &rdn : baseRdns_) {
        rdn.attribute = dsclient::LowerAscii(rdn.attribute);
        rdn.value = FoldCase(rdn.value);
    }
}

bool TreeNames::ToDotted(std::string_view dn, std::string &dotted, Rdn *leaf) const {
    // Called for every entry of a search: the DN is read once, and nothing is copied twice.
    berval text = View(dn);
    LDAPDN parsed = nullptr;
    if (ldap_bv2dn(&text, &parsed, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
        return false;
    const DnPtr owner(parsed);
    std::size_t count = 0;
    while (parsed && parsed[count])
        ++count;
    if (count < baseRdns_.size())
        return false;
    const std::size_t inside = count - baseRdns_.size();
    for (std::size_t i = 0; i < baseRdns_.size(); ++i) {
        const LDAPAVA *ava = parsed[inside + i][0];
        if (!SameAttribute(AsView(ava->la_attr), baseRdns_[i].attribute) ||
            FoldCase(AsView(ava->la_value)) != baseRdns_[i].value)
            return false;
    }
    if (leaf)
        *leaf = inside ? Rdn{std::string(AsView(parsed[0][0]->la_attr)),
                             std::string(AsView(parsed[0][0]->la_value))}
                       : Rdn{};
    if (inside == 0) {
        dotted = "[Root]";
        return true;
    }
    dotted.clear();
    dotted.reserve(dn.size());
    for (std::size_t i = 0; i < inside; ++i) {
        if (i > 0)
            dotted += '.';
        dotted += dsclient::EscapeComponent(AsView(parsed[i][0]->la_value));
    }
    return true;
}

} // namespace dsclient::ldap
