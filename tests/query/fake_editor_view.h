#pragma once

#include "query/query_editor.h"
#include "query/query_editor_view.h"

#include <string>
#include <vector>

namespace tarnbeck::testing {

// The editor's controls as plain fields; a changed filter text is reported like the widget's.
class FakeEditorView : public QueryEditorView {
  public:
    QueryEditor *editor = nullptr;
    std::string context, scope, filter, line;
    std::vector<std::string> selector;
    int selected = -1;
    QuerySettings settings;
    bool saveEnabled = false;

    std::string contextText() const override { return context; }
    void setContextText(const std::string &text) override { context = text; }
    std::string scopeText() const override { return scope; }
    void setScopeText(const std::string &text) override { scope = text; }
    std::string filterText() const override { return filter; }
    void setFilterText(const std::string &text) override {
        const bool changed = text != filter;
        filter = text;
        if (changed && editor)
            editor->filterChanged();
    }
    void setQuerySelector(const std::vector<std::string> &entries, int index) override {
        selector = entries;
        selected = index;
    }
    int selectedQuery() const override { return selected; }
    void setQueryStringLine(const std::string &text) override { line = text; }
    QuerySettings settingsControls() const override { return settings; }
    void setSettingsControls(const QuerySettings &value) override { settings = value; }
    void setSaveEnabled(bool enabled) override { saveEnabled = enabled; }
};

} // namespace tarnbeck::testing
