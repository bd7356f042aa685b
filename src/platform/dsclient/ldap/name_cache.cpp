#include "platform/dsclient/ldap/name_cache.h"

#include "platform/dsclient/embedded/names.h"
#include "platform/dsclient/text_fold.h"

#include <algorithm>

namespace dsclient::ldap {

namespace {

// Names are mostly ASCII, whose folding is plain lowering.
std::string Key(std::string_view name) {
    for (unsigned char c : name)
        if (c >= 0x80)
            return FoldCase(name);
    return embedded::LowerAscii(name);
}

} // namespace

void NameCache::Settle() {
    for (auto &[dotted, dn] : arrived_)
        dns_.insert_or_assign(Key(dotted), std::move(dn));
    arrived_.clear();
}

std::optional<std::string> NameCache::Find(std::string_view dotted) {
    const std::string key = Key(dotted);
    auto found = dns_.find(key);
    if (found == dns_.end() && !arrived_.empty()) {
        Settle();
        found = dns_.find(key);
    }
    if (found == dns_.end())
        return std::nullopt;
    return found->second;
}

void NameCache::Remember(std::string_view dotted, std::string_view dn,
                         std::string_view parentDotted, std::string_view namingAttribute) {
    if (dns_.size() + arrived_.size() >= kMaxNames)
        Clear();
    arrived_.emplace_back(dotted, dn);
    if (parentDotted == lastParent_ && namingAttribute == lastAttribute_)
        return;
    lastParent_ = parentDotted;
    lastAttribute_ = namingAttribute;
    auto &attributes = namingUnder_[Key(parentDotted)];
    const std::string attribute = embedded::LowerAscii(namingAttribute);
    if (!attributes.empty() && attributes.front() == attribute)
        return;
    attributes.erase(std::remove(attributes.begin(), attributes.end(), attribute),
                     attributes.end());
    attributes.insert(attributes.begin(), attribute);
}

void NameCache::Forget(std::string_view dotted) {
    Settle();
    dns_.erase(Key(dotted));
}

void NameCache::Clear() {
    arrived_.clear();
    dns_.clear();
    namingUnder_.clear();
    lastParent_.clear();
    lastAttribute_.clear();
}

std::vector<std::string> NameCache::NamingAttributesUnder(std::string_view parentDotted) const {
    const auto found = namingUnder_.find(Key(parentDotted));
    return found == namingUnder_.end() ? std::vector<std::string>() : found->second;
}

} // namespace dsclient::ldap
