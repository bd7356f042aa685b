#pragma once

namespace tarnbeck {

// Which parts of the group being edited hold changes not yet written: the queries, the exclude
// list and the static list. Each is shown as the enabled state of its "Save" button.
struct UnsavedState {
    bool query = false;
    bool excludes = false;
    bool statics = false;

    bool any() const { return query || excludes || statics; }
};

} // namespace tarnbeck
