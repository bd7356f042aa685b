#include "query/query_editor.h"

#include "directory/prompter.h"
#include "query/filter_translation.h"
#include "query/query_string.h"
#include "query/stored_queries.h"

#include <algorithm>

namespace tarnbeck {

namespace {

std::vector<std::string> SelectorEntries(std::size_t count) {
    std::vector<std::string> entries;
    entries.reserve(count);
    for (std::size_t i = 1; i <= count; ++i)
        entries.push_back("Query " + std::to_string(i));
    return entries;
}

// Sets a flag for the lifetime of the guard, on every way out.
class FlagGuard {
  public:
    explicit FlagGuard(bool &flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = previous_; }
    FlagGuard(const FlagGuard &) = delete;
    FlagGuard &operator=(const FlagGuard &) = delete;

  private:
    bool &flag_;
    bool previous_;
};

} // namespace

QueryEditor::QueryEditor(QueryEditorView &view) : view_(view) {}

void QueryEditor::bindGroup(std::unique_ptr<QueryStore> store, std::string memberClassWord) {
    store_ = std::move(store);
    queries_.memberClassWord = std::move(memberClassWord);
    stored_.memberClassWord = queries_.memberClassWord;
}

void QueryEditor::unbindGroup() {
    store_.reset();
    queries_ = QueryList();
    stored_ = queries_;
    refillSelector(0);
    view_.setSettingsControls(queries_.settings);
    setModified(false);
}

void QueryEditor::loadQueries() {
    if (!store_)
        return;
    StoredQueries stored = ReadStoredQueries(store_->read());
    queries_.entries = std::move(stored.entries);
    if (queries_.entries.empty())
        queries_.entries.emplace_back();
    if (stored.settings)
        queries_.settings = QuerySettings::fromValue(*stored.settings);
    queries_.currentIndex = std::min(queries_.currentIndex, queries_.entries.size() - 1);
    refillSelector(-1); // the selector starts over
    view_.setSettingsControls(queries_.settings);
    stored_ = queries_;
}

void QueryEditor::saveQueries() {
    if (!store_)
        return;
    const QuerySettings settings = view_.settingsControls();
    std::vector<std::string> kept = WithoutBlankEntries(queries_.entries);
    store_->write(StoredQueryValues(kept, settings));

    // Blank entries are gone now: keep showing the same query, or when the one shown was a
    // blank itself, the nearest remaining one before it (the first when there is none).
    const auto &entries = queries_.entries;
    const std::size_t current = queries_.currentIndex;
    const auto keptBefore = static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(current),
                      [](const std::string &entry) { return !IsBlankEntry(entry); }));
    const bool currentKept = current < entries.size() && !IsBlankEntry(entries[current]);
    const std::size_t newIndex = currentKept ? keptBefore : (keptBefore > 0 ? keptBefore - 1 : 0);

    if (kept.empty())
        kept.emplace_back();
    queries_.entries = std::move(kept);
    queries_.settings = settings;
    refillSelector(static_cast<int>(newIndex));
    if (currentKept) {
        queries_.currentIndex = newIndex;
    } else {
        FlagGuard switching(switching_);
        showQuery(newIndex);
    }
    stored_ = queries_;
    setModified(false);
}

void QueryEditor::dropChanges() {
    const std::size_t shown = std::min(queries_.currentIndex, stored_.entries.size() - 1);
    queries_ = stored_;
    refillSelector(static_cast<int>(shown));
    {
        FlagGuard switching(switching_);
        showQuery(shown);
    }
    view_.setSettingsControls(queries_.settings);
    setModified(false);
}

void QueryEditor::showQuery(std::size_t index) {
    if (index >= queries_.entries.size())
        return;
    queries_.currentIndex = index;
    const QueryDefinition query = ParseQueryString(queries_, index);
    view_.setContextText(query.context);
    view_.setScopeText(std::string(ScopeWord(query.scope)));
    view_.setFilterText(query.filter);
    composeQueryString();
}

void QueryEditor::storeQueryText(std::size_t index) {
    if (index < queries_.entries.size())
        queries_.entries[index] =
            ComposeQueryString(view_.contextText(), view_.scopeText(), view_.filterText());
}

void QueryEditor::fillQuerySelector() {
    refillSelector(view_.selectedQuery());
}

void QueryEditor::selectQuery(std::size_t index) {
    showQuery(index);
    refillSelector(static_cast<int>(queries_.currentIndex));
}

void QueryEditor::composeQueryString() {
    view_.setQueryStringLine(
        ComposeQueryString(view_.contextText(), view_.scopeText(), view_.filterText()));
}

void QueryEditor::switchQuery(int selected) {
    if (selected < 0 || static_cast<std::size_t>(selected) >= queries_.entries.size())
        return;
    storeQueryText(queries_.currentIndex);
    FlagGuard switching(switching_);
    showQuery(static_cast<std::size_t>(selected));
}

void QueryEditor::addQuery() {
    storeQueryText(queries_.currentIndex);
    queries_.entries.emplace_back();
    const std::size_t last = queries_.entries.size() - 1;
    refillSelector(static_cast<int>(last));
    showQuery(last);
    setModified(true);
}

void QueryEditor::deleteQuery() {
    if (!prompter().confirm("You sure you want to delete this query"))
        return;
    queries_.entries.erase(queries_.entries.begin() +
                           static_cast<std::ptrdiff_t>(selectedOrCurrent()));
    if (queries_.entries.empty())
        queries_.entries.emplace_back();
    if (queries_.currentIndex >= queries_.entries.size())
        queries_.currentIndex = 0;
    showQuery(queries_.currentIndex);
    fillQuerySelector();
    composeQueryString();
    setModified(true);
}

void QueryEditor::save() {
    storeQueryText(selectedOrCurrent());
    if (refuseTextAfterAFilter())
        return;
    saveQueries();
}

bool QueryEditor::refuseTextAfterAFilter() {
    for (std::size_t index = 0; index < queries_.entries.size(); ++index) {
        if (IsBlankEntry(queries_.entries[index]))
            continue; // not saved at all
        const auto position = TextAfterFilter(ParseQueryString(queries_, index).filter);
        if (!position)
            continue;
        {
            // Showing it is no edit: the unsaved state stays as it was.
            FlagGuard switching(switching_);
            selectQuery(index);
        }
        RefuseTextAfterFilter(*position, view_.filterField());
        return true;
    }
    return false;
}

void QueryEditor::reload() {
    loadQueries();
    showQuery(0);
    setModified(false);
}

void QueryEditor::filterChanged() {
    composeQueryString();
    if (!switching_)
        setModified(true);
}

void QueryEditor::contextChanged() {
    composeQueryString();
    setModified(true);
}

void QueryEditor::scopeChanged() {
    composeQueryString();
    setModified(true);
}

void QueryEditor::settingsChanged() {
    composeQueryString();
    setModified(true);
}

void QueryEditor::setModified(bool modified) {
    modified_ = modified;
    view_.setSaveEnabled(modified);
}

void QueryEditor::refillSelector(int selected) {
    const std::size_t count = queries_.entries.size();
    if (selected < 0 || static_cast<std::size_t>(selected) >= count)
        selected = 0;
    view_.setQuerySelector(SelectorEntries(count), selected);
}

std::size_t QueryEditor::selectedOrCurrent() const {
    const int selected = view_.selectedQuery();
    if (selected >= 0 && static_cast<std::size_t>(selected) < queries_.entries.size())
        return static_cast<std::size_t>(selected);
    return queries_.currentIndex;
}

} // namespace tarnbeck
