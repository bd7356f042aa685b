#include "directory/unique_names.h"

#include "directory/text_compare.h"

namespace tarnbeck {

namespace {

// Spreads the hash's bits, so neighbouring slots see unrelated names.
std::uint64_t Mixed(std::uint64_t hash) {
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return hash;
}

} // namespace

std::size_t UniqueNames::slotOf(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = Mixed(hash) & mask;; at = (at + 1) & mask) {
        const Slot &slot = slots_[at];
        if (slot.position == kFree ||
            (slot.hash == hash && NameEqual{}(names_[slot.position], name)))
            return at;
    }
}

void UniqueNames::grow() {
    std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot &slot : old) {
        if (slot.position == kFree)
            continue;
        std::size_t at = Mixed(slot.hash) & mask;
        while (slots_[at].position != kFree)
            at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

std::size_t UniqueNames::insert(std::string name, bool &added) {
    if (2 * (names_.size() + 1) > slots_.size())
        grow();
    const std::uint64_t hash = NameHash{}(name);
    Slot &slot = slots_[slotOf(name, hash)];
    added = slot.position == kFree;
    if (added) {
        slot = {hash, static_cast<std::uint32_t>(names_.size())};
        names_.push_back(std::move(name));
    }
    return slot.position;
}

bool UniqueNames::contains(std::string_view name) const {
    return !slots_.empty() && slots_[slotOf(name, NameHash{}(name))].position != kFree;
}

std::vector<std::string> UniqueNames::take() && {
    std::vector<Slot>().swap(slots_);
    return std::move(names_);
}

} // namespace tarnbeck
