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

std::optional<std::string> NameCache::Find(std::string_view dotted) const {
    const auto found = dns_.find(Key(dotted));
    if (found == dns_.end())
        return std::nullopt;
    return found->second;
}

void NameCache::Remember(std::string_view dotted, std::string_view dn,
                         std::string_view parentDotted, std::string_view namingAttribute) {
    if (dns_.size() >= kMaxNames)
        Clear();
    dns_.insert_or_assign(Key(dotted), std::string(dn));
    std::string parent = Key(parentDotted);
    std::string attribute = embedded::LowerAscii(namingAttribute);
    if (parent == lastParent_ && attribute == lastAttribute_)
        return;
    auto &attributes = namingUnder_[parent];
    lastParent_ = std::move(parent);
    lastAttribute_ = attribute;
    if (!attributes.empty() && attributes.front() == attribute)
        return;
    attributes.erase(std::remove(attributes.begin(), attributes.end(), attribute),
                     attributes.end());
    attributes.insert(attributes.begin(), attribute);
}

void NameCache::Forget(std::string_view dotted) {
    dns_.erase(Key(dotted));
}

void NameCache::Clear() {
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
