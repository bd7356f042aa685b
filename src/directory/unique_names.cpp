#include "directory/unique_names.h"

#include "directory/text_compare.h"

namespace tarnbeck {

namespace {

// The name's code: its hash with the bits spread, so neighbouring slots see unrelated names.
// Its low bits choose the slot, so growing needs no name read again.
std::uint32_t CodeOf(std::string_view name) {
    std::uint64_t hash = NameHash{}(name);
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return static_cast<std::uint32_t>(hash);
}

} // namespace

template <typename Name>
std::size_t BasicUniqueNames<Name>::slotOf(std::string_view name, std::uint32_t code) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = code & mask;; at = (at + 1) & mask) {
        const Slot &slot = slots_[at];
        if (slot.position == kFree ||
            (slot.code == code && NameEqual{}(names_[slot.position], name)))
            return at;
    }
}

template <typename Name> void BasicUniqueNames<Name>::grow() {
    std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot &slot : old) {
        if (slot.position == kFree)
            continue;
        std::size_t at = slot.code & mask;
        while (slots_[at].position != kFree)
            at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

template <typename Name> void BasicUniqueNames<Name>::reserve(std::size_t count) {
    names_.reserve(count);
    while (2 * count > slots_.size())
        grow();
}

template <typename Name>
std::size_t BasicUniqueNames<Name>::insert(Name name, bool &added) {
    if (2 * (names_.size() + 1) > slots_.size())
        grow();
    const std::uint32_t code = CodeOf(name);
    return place(std::move(name), code, added);
}

template <typename Name>
void BasicUniqueNames<Name>::fetchAhead(const Name *names, std::size_t count,
                                        std::uint32_t *codes) {
    while (2 * (names_.size() + count) > slots_.size())
        grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = 0; i < count; ++i) {
        codes[i] = CodeOf(names[i]);
        __builtin_prefetch(&slots_[codes[i] & mask]);
    }
    // A name that looks held is compared with the one held: that one is fetched too, its
    // string and then its text, each for all the names before any is waited for.
    const Name *held[kAhead];
    for (std::size_t i = 0; i < count; ++i) {
        const Slot &slot = slots_[codes[i] & mask];
        held[i] = slot.position != kFree && slot.code == codes[i] ? &names_[slot.position] : nullptr;
        if (held[i])
            __builtin_prefetch(held[i]);
    }
    for (std::size_t i = 0; i < count; ++i)
        if (held[i])
            __builtin_prefetch(held[i]->data());
}

template <typename Name>
std::size_t BasicUniqueNames<Name>::place(Name name, std::uint32_t code, bool &added) {
    Slot &slot = slots_[slotOf(name, code)];
    added = slot.position == kFree;
    if (added) {
        slot = {code, static_cast<std::uint32_t>(names_.size())};
        names_.push_back(std::move(name));
    }
    return slot.position;
}

template <typename Name>
std::size_t BasicUniqueNames<Name>::find(std::string_view name) const {
    if (slots_.empty())
        return kNotHeld;
    const std::uint32_t position = slots_[slotOf(name, CodeOf(name))].position;
    return position == kFree ? kNotHeld : position;
}

template <typename Name> std::vector<Name> BasicUniqueNames<Name>::take() && {
    std::vector<Slot>().swap(slots_);
    return std::move(names_);
}

template class BasicUniqueNames<std::string>;
template class BasicUniqueNames<std::string_view>;

} // namespace tarnbeck
