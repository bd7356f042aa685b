#pragma once

// What one list page (Exclude or Static) holds: names sorted without regard to case, each at
// most once, each with a tick that only selects it for deletion. The page counts as unsaved
// exactly while its "Save" button is enabled.

#include "platform/dsclient/client.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

struct ListedName {
    std::string name;
    bool ticked = false;
};

class NameListPage {
  public:
    const std::vector<ListedName> &items() const { return items_; }
    std::vector<std::string> names() const;
    bool saveEnabled() const { return saveEnabled_; }

    void setTicked(std::size_t row, bool ticked);

    // The browser's pick (nullopt when it was cancelled) joins the list in its sorted place
    // unless a name equal but for case is there. Save becomes enabled either way.
    void add(const std::optional<std::string> &picked);
    // Removes the ticked names; Save becomes enabled even when none was ticked.
    void deleteTicked();
    // Replaces the names by the attribute's values and disables Save. When the read fails the
    // page stays empty and Save keeps its state.
    void reload(dsclient::ContextHandle context, std::string_view groupName,
                std::string_view attributeName);
    // Writes the names, ticked or not, as the attribute's values and disables Save. A refused
    // write raises DirectoryError and leaves Save enabled: nothing was saved.
    void save(dsclient::ContextHandle context, std::string_view groupName,
              std::string_view attributeName);
    // The administrator chose to drop his changes: the names as last reloaded or saved, none
    // ticked, Save disabled. Nothing is read.
    void dropChanges();
    // An empty page with Save disabled (a tree change drops the group).
    void clear();

  private:
    std::vector<ListedName> items_;
    std::vector<std::string> saved_; // as last reloaded or saved
    bool saveEnabled_ = false;
};

} // namespace tarnbeck
