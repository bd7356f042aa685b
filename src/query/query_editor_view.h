#pragma once

// What the query editor needs of its controls. The main window implements it with its widgets
// (edit3, cbox, edit3a, ComboBox1, Label8, RadioButton1/2, CheckBox1/2, xchain, BitBtn3);
// tests use a plain fake.
//
// Setting a control through this interface is not a user change and must not be reported
// back, with one exception: every change of the filter text, also one made by setFilterText,
// is reported to QueryEditor::filterChanged (the editor itself tells a switch of queries apart).

#include "query/filter_field.h"
#include "query/query_settings.h"

#include <string>
#include <vector>

namespace tarnbeck {

class QueryEditorView {
  public:
    virtual ~QueryEditorView() = default;

    virtual std::string contextText() const = 0;
    virtual void setContextText(const std::string &text) = 0;
    virtual std::string scopeText() const = 0;
    virtual void setScopeText(const std::string &text) = 0;
    virtual std::string filterText() const = 0;
    virtual void setFilterText(const std::string &text) = 0;

    // The query selector: its entries and the selected one, set without running the switch.
    virtual void setQuerySelector(const std::vector<std::string> &entries, int selected) = 0;
    // The selected entry, -1 when none.
    virtual int selectedQuery() const = 0;

    // The composed query string under the editor.
    virtual void setQueryStringLine(const std::string &text) = 0;

    // "Add"/"Sync", "Add Excludes", "Add Statics" and "x-chain".
    virtual QuerySettings settingsControls() const = 0;
    virtual void setSettingsControls(const QuerySettings &settings) = 0;

    // The query Save button, enabled exactly while the queries hold unsaved changes.
    virtual void setSaveEnabled(bool enabled) = 0;

    // The filter field, to point at a refused filter; null when there is none to point at.
    virtual FilterField *filterField() { return nullptr; }
};

} // namespace tarnbeck
