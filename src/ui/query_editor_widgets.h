#pragma once

// The query editor's view: the main window's editor controls behind the engine's interface.

#include "query/query_editor_view.h"

namespace tarnbeck {

class TForm1;

class QueryEditorWidgets : public QueryEditorView, public FilterField {
public:
    explicit QueryEditorWidgets(TForm1 &form) : form_(form) {}

    std::string contextText() const override;
    void setContextText(const std::string &text) override;
    std::string scopeText() const override;
    void setScopeText(const std::string &text) override;
    std::string filterText() const override;
    void setFilterText(const std::string &text) override;
    void setQuerySelector(const std::vector<std::string> &entries, int selected) override;
    int selectedQuery() const override;
    void setQueryStringLine(const std::string &text) override;
    QuerySettings settingsControls() const override;
    void setSettingsControls(const QuerySettings &settings) override;
    void setSaveEnabled(bool enabled) override;
    FilterField *filterField() override { return this; }

    // FilterField: the filter edit.
    void setFocus() override;
    void setCaret(std::size_t position) override;

    // True while the program itself sets the controls, so their handlers do not count it as
    // the administrator's change.
    bool settingControls() const { return setting_ > 0; }

private:
    TForm1 &form_;
    int setting_ = 0;
};

} // namespace tarnbeck
