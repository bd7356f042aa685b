#include "directory/unique_names.h"

namespace tarnbeck {

UniqueNames::UniqueNames()
    : names_(std::make_unique<std::vector<std::string>>()),
      index_(0, PositionHash{names_.get()}, PositionEqual{names_.get()}) {}

std::size_t UniqueNames::insert(std::string name, bool &added) {
    if (const auto held = index_.find(std::string_view(name)); held != index_.end()) {
        added = false;
        return *held;
    }
    added = true;
    names_->push_back(std::move(name));
    index_.insert(names_->size() - 1);
    return names_->size() - 1;
}

std::vector<std::string> UniqueNames::take() && {
    // Swapped for an empty index, so its buckets are given back too.
    decltype(index_)(0, PositionHash{names_.get()}, PositionEqual{names_.get()}).swap(index_);
    return std::move(*names_);
}

} // namespace tarnbeck
