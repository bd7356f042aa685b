#pragma once

// The query editor: the query list of the group being edited, the query shown, and the
// editor's actions (switch, add, delete, save, reload) with the modified flag behind the
// query Save button. It reaches the widgets only through QueryEditorView.

#include "query/query_editor_view.h"
#include "query/query_list.h"
#include "query/query_store.h"

#include <cstddef>
#include <memory>
#include <string>

namespace tarnbeck {

class QueryEditor {
  public:
    explicit QueryEditor(QueryEditorView &view);

    // The group whose queries are edited from now on; loading is a separate step (reload).
    void bindGroup(std::unique_ptr<QueryStore> store, std::string memberClassWord);
    // Drops the group, its queries and its settings: one empty query in the selector, the
    // settings controls cleared, nothing modified.
    void unbindGroup();
    // Drops the edits: the queries, the query shown and the settings controls are back as last
    // loaded or saved, and Save is disabled. Nothing is read.
    void dropChanges();

    const QueryList &queries() const { return queries_; }
    // The queries and settings as last loaded or saved: what the group holds.
    const QueryList &storedQueries() const { return stored_; }
    bool modified() const { return modified_; }

    // Reads the stored values, replaces the list, refills the selector and sets the settings
    // controls. A failed read raises DirectoryError and leaves everything as it was.
    void loadQueries();
    // Writes the list and the settings of the controls. A refused write raises DirectoryError
    // and leaves the list and the modified flag as they were.
    void saveQueries();
    void showQuery(std::size_t index);
    void storeQueryText(std::size_t index);
    void fillQuerySelector();
    // Shows a query and selects it in the selector without storing the one being left.
    void selectQuery(std::size_t index);
    void composeQueryString();

    // Editor actions.
    void switchQuery(int selected);
    void addQuery();
    void deleteQuery();
    void save();
    void reload();

    // Change notifications of the controls.
    void filterChanged();
    void contextChanged();  // a context was chosen in the browser
    void scopeChanged();    // also the x-chain box
    void settingsChanged(); // "Add", "Sync", "Add Excludes", "Add Statics"

  private:
    // A filter with text after it would run as its first part only: such a query is shown
    // with the place marked, and true is returned (nothing may be saved).
    bool refuseTextAfterAFilter();
    void setModified(bool modified);
    void refillSelector(int selected);
    std::size_t selectedOrCurrent() const;

    QueryEditorView &view_;
    std::unique_ptr<QueryStore> store_;
    QueryList queries_;
    QueryList stored_;
    bool modified_ = false;
    bool switching_ = false; // a switch in the selector does not count as an edit
};

} // namespace tarnbeck
