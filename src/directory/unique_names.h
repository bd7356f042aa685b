#pragma once

// Names kept once each, compared without regard to case, in the order first met (that
// spelling is kept). UniqueNames owns its names; UniqueNameViews keeps views of names held
// elsewhere, which must outlive it. Every name is stored once: the index is an open-addressed
// table of positions with 32 bits of their hashes (8 bytes a slot), so a look-up touches one
// slot and reads a name only when those bits agree, however many names there are. Names added
// many at a time have their slots, and the names they may equal, fetched ahead, so a table far
// bigger than the processor's caches costs little more a name.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnbeck {

template <typename Name> class BasicUniqueNames {
  public:
    // The position of the name, added at the end when not held yet; `added` tells which.
    std::size_t insert(Name name, bool &added);
    // Inserts each name in turn (taking it), as insert does; `inserted(position, added)` follows
    // each one.
    template <typename Inserted>
    void insertAll(std::vector<Name> &names, Inserted &&inserted) {
        for (std::size_t from = 0; from < names.size(); from += kAhead) {
            const std::size_t count = std::min(kAhead, names.size() - from);
            std::uint32_t codes[kAhead];
            fetchAhead(&names[from], count, codes);
            for (std::size_t i = 0; i < count; ++i) {
                bool added = false;
                const std::size_t at = place(std::move(names[from + i]), codes[i], added);
                inserted(at, added);
            }
        }
    }
    // Room for `count` names in all, so adding up to that many never copies what is held.
    void reserve(std::size_t count);
    static constexpr std::size_t kNotHeld = SIZE_MAX;
    // The position of the name, or kNotHeld.
    std::size_t find(std::string_view name) const;
    bool contains(std::string_view name) const { return find(name) != kNotHeld; }
    std::size_t size() const { return names_.size(); }
    const std::vector<Name> &names() const { return names_; }
    // The names, taken out; nothing is held afterwards.
    std::vector<Name> take() &&;

  private:
    static constexpr std::uint32_t kFree = UINT32_MAX;
    static constexpr std::size_t kAhead = 32; // names whose slots are fetched together
    struct Slot {
        std::uint32_t code = 0; // see CodeOf
        std::uint32_t position = kFree;
    };
    // The slot that holds the name, or the free slot where it would go.
    std::size_t slotOf(std::string_view name, std::uint32_t code) const;
    void grow();
    // Makes room for `count` more names, codes them and asks for their slots to be fetched.
    void fetchAhead(const Name *names, std::size_t count, std::uint32_t *codes);
    std::size_t place(Name name, std::uint32_t code, bool &added);

    std::vector<Name> names_;
    std::vector<Slot> slots_; // a power of two in size, never more than half used
};

using UniqueNames = BasicUniqueNames<std::string>;
using UniqueNameViews = BasicUniqueNames<std::string_view>;

// Names met one at a time, handed on a few hundred at a time: insertAll looks up a batch
// faster than its names one by one. `take(batch)` receives each full batch, and the last one
// on flush(); it may take the names out of it.
template <typename Take> class NameBatches {
  public:
    explicit NameBatches(Take take) : take_(std::move(take)) { batch_.reserve(kSize); }
    void add(std::string name) {
        batch_.push_back(std::move(name));
        if (batch_.size() == kSize)
            flush();
    }
    void flush() {
        take_(batch_);
        batch_.clear();
    }
    // Drops the names not handed on yet.
    void clear() { batch_.clear(); }

  private:
    static constexpr std::size_t kSize = 256;
    Take take_;
    std::vector<std::string> batch_;
};

} // namespace tarnbeck
