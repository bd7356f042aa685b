#pragma once

// Names kept once each, compared without regard to case, in the order first met (that
// spelling is kept). Every name is stored once: the index holds positions, not copies.

#include "directory/text_compare.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tarnbeck {

class UniqueNames {
  public:
    UniqueNames();

    // The position of the name, added at the end when not held yet; `added` tells which.
    std::size_t insert(std::string name, bool &added);
    bool contains(std::string_view name) const { return index_.find(name) != index_.end(); }
    std::size_t size() const { return names_->size(); }
    const std::vector<std::string> &names() const { return *names_; }
    // The names, taken out; nothing is held afterwards.
    std::vector<std::string> take() &&;

  private:
    struct PositionHash {
        using is_transparent = void;
        const std::vector<std::string> *names;
        std::size_t operator()(std::size_t at) const { return NameHash{}((*names)[at]); }
        std::size_t operator()(std::string_view name) const { return NameHash{}(name); }
    };
    struct PositionEqual {
        using is_transparent = void;
        const std::vector<std::string> *names;
        bool operator()(std::size_t a, std::size_t b) const { return a == b; }
        bool operator()(std::string_view name, std::size_t at) const {
            return NameEqual{}(name, (*names)[at]);
        }
        bool operator()(std::size_t at, std::string_view name) const {
            return NameEqual{}((*names)[at], name);
        }
    };

    // On the heap, so the index's functions still find the names after a move.
    std::unique_ptr<std::vector<std::string>> names_;
    std::unordered_set<std::size_t, PositionHash, PositionEqual> index_;
};

} // namespace tarnbeck
