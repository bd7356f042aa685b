#include "platform/dsclient/ldap/name_cache.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/ldap/dn.h"
#include "platform/dsclient/text_fold.h"

#include <algorithm>

namespace dsclient::ldap {

namespace {

// Names are mostly ASCII, whose folding is plain lowering.
std::string Key(std::string_view name) {
    for (unsigned char c : name)
        if (c >= 0x80)
            return FoldCase(name);
    return dsclient::LowerAscii(name);
}

} // namespace

void NameCache::Settle() {
    const std::string_view text = arrivedText_;
    for (const Arrived &name : arrived_) {
        const std::string_view dn = text.substr(name.at + name.dottedSize, name.dnSize);
        const auto [known, added] =
            dns_.try_emplace(Key(text.substr(name.at, name.dottedSize)), dn);
        // Two entries of one dotted name (named by different attributes): neither can be
        // written to by that name, whichever arrived first.
        if (!added && known->second != dn && !known->second.empty() &&
            !SameEntry(known->second, dn))
            known->second.clear();
    }
    DropArrived();
}

void NameCache::DropArrived() {
    std::string().swap(arrivedText_);
    std::vector<Arrived>().swap(arrived_);
}

std::optional<std::string> NameCache::Find(std::string_view dotted) {
    // Names that arrived are settled first, so a twin among them is never missed.
    if (!arrived_.empty())
        Settle();
    const auto found = dns_.find(Key(dotted));
    if (found == dns_.end())
        return std::nullopt;
    return found->second;
}

void NameCache::Remember(std::string_view dotted, std::string_view dn,
                         std::string_view parentDotted, std::string_view namingAttribute) {
    if (dns_.size() + arrived_.size() >= kMaxNames)
        Clear();
    arrived_.push_back({arrivedText_.size(), static_cast<std::uint32_t>(dotted.size()),
                        static_cast<std::uint32_t>(dn.size())});
    arrivedText_.append(dotted).append(dn);
    if (parentDotted == lastParent_ && namingAttribute == lastAttribute_)
        return;
    lastParent_ = parentDotted;
    lastAttribute_ = namingAttribute;
    auto &attributes = namingUnder_[Key(parentDotted)];
    const std::string attribute = dsclient::LowerAscii(namingAttribute);
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
    DropArrived();
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
