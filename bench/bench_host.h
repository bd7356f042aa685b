#pragma once

// The main window as Execute and Update group see it, without a window: the benchmarks hand
// it their queries and read the outcome.

#include "membership/update_group.h"
#include "query/execute.h"

namespace tarnbeck {

class BenchHost : public ExecuteHost, public UpdateView {
  public:
    QueryList queryList; // with the settings Execute merges by
    MemberEntries outcome;

    bool queryUnsaved() const override { return false; }
    const QueryList &queries() const override { return queryList; }
    void selectQuery(std::size_t) override {}
    FilterField *filterField() override { return nullptr; }
    void showOutcome(MemberEntries entries) override { outcome = std::move(entries); }
    void setUpdateEnabled(bool) override {}
    UnsavedState unsavedState() const override { return {}; }
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
};

} // namespace tarnbeck
