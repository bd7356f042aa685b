#include "platform/dsclient/ldap/name_cache.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/ldap/dn.h"
#include "platform/dsclient/text_fold.h"

#include <algorithm>

namespace dsclient::ldap {

namespace {

// Names are mostly ASCII, whose folding is plain lowering. Into `key`, whose room is reused.
void KeyOf(std::string_view name, std::string &key) {
    for (unsigned char c : name)
        if (c >= 0x80) {
            key = FoldCase(name);
            return;
        }
    key.assign(name);
    for (char &c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

constexpr std::size_t kScansPerArrival = 4;

std::string Key(std::string_view name) {
    std::string key;
    KeyOf(name, key);
    return key;
}

} // namespace

void NameCache::Settle() {
    const std::string_view text = arrivedText_;
    std::string key;
    for (const Arrived &name : arrived_) {
        const std::string_view dn = text.substr(name.at + name.dottedSize, name.dnSize);
        KeyOf(text.substr(name.at, name.dottedSize), key);
        // Names listed again are mostly known already: looked up without a copy of the key.
        auto known = dns_.find(std::string_view(key));
        const bool added = known == dns_.end();
        if (added)
            known = dns_.emplace(key, dn).first;
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
    scanBudget_ = 0;
}

bool NameCache::MayHaveArrived(std::string_view dotted) {
    if (scanBudget_ < arrived_.size())
        return true;
    scanBudget_ -= arrived_.size();
    const std::size_t hash = HashFolded(dotted);
    return std::any_of(arrived_.begin(), arrived_.end(),
                       [hash](const Arrived &name) { return name.hash == hash; });
}

std::optional<std::string> NameCache::Find(std::string_view dotted) {
    // Names that arrived are settled first when the name may be among them, so a twin among
    // them is never missed.
    if (!arrived_.empty() && MayHaveArrived(dotted))
        Settle();
    const auto found = dns_.find(Key(dotted));
    if (found == dns_.end())
        return std::nullopt;
    return found->second;
}

void NameCache::Remember(std::string_view dotted, std::string_view dn,
                         std::string_view parentDotted, std::string_view namingAttribute) {
    if (dns_.size() + arrived_.size() >= kMaxNames) {
        Settle(); // names that arrived again count once
        if (dns_.size() >= kMaxNames)
            Clear();
    }
    arrived_.push_back({arrivedText_.size(), static_cast<std::uint32_t>(dotted.size()),
                        static_cast<std::uint32_t>(dn.size()), HashFolded(dotted)});
    scanBudget_ += kScansPerArrival;
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
