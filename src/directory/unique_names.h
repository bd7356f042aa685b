#pragma once

// Names kept once each, compared without regard to case, in the order first met (that
// spelling is kept). Every name is stored once: the index is an open-addressed table of
// positions with their hashes, so a look-up touches one slot and reads a name only when the
// hashes agree, however many names there are.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

class UniqueNames {
  public:
    // The position of the name, added at the end when not held yet; `added` tells which.
    std::size_t insert(std::string name, bool &added);
    bool contains(std::string_view name) const;
    std::size_t size() const { return names_.size(); }
    const std::vector<std::string> &names() const { return names_; }
    // The names, taken out; nothing is held afterwards.
    std::vector<std::string> take() &&;

  private:
    static constexpr std::uint32_t kFree = UINT32_MAX;
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t position = kFree;
    };
    // The slot that holds the name, or the free slot where it would go.
    std::size_t slotOf(std::string_view name, std::uint64_t hash) const;
    void grow();

    std::vector<std::string> names_;
    std::vector<Slot> slots_; // a power of two in size, never more than half used
};

} // namespace tarnbeck
