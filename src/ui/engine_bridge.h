#pragma once

// The main window as the engine sees it: the host of Execute and of group loading, the view of
// the Update walk and the filter field of the parser. Each call reads or sets the window's
// controls; the engine never touches a widget.

#include "membership/update_group.h"
#include "query/execute.h"
#include "query/filter_field.h"
#include "query/group_loading.h"

#include <cstddef>
#include <optional>

namespace tarnbeck {

class TForm1;

class EngineBridge : public ExecuteHost,
                     public GroupLoadHost,
                     public UpdateView,
                     public FilterField {
public:
    explicit EngineBridge(TForm1 &form) : form_(form) {}

    // ExecuteHost
    bool queryUnsaved() const override;
    const QueryList &queries() const override;
    void selectQuery(std::size_t index) override;
    FilterField *filterField() override { return this; }
    void showOutcome(MemberEntries outcome) override;
    void setUpdateEnabled(bool enabled) override;
    void showFound(int objects) override;

    // GroupLoadHost
    bool queryModified() const override;
    void dropQueryChanges() override;
    std::optional<std::string> browseForGroup(const std::string &currentGroup) override;
    std::string groupField() const override;
    void setGroupField(const std::string &groupName) override;
    void setGroupKind(const GroupKind &kind) override;
    void loadQueries(const std::string &groupName, const std::string &memberClassWord) override;
    void showMembers(const MemberEntries &members) override;
    void enableQueryEditing() override;
    void clearGroup() override;

    // UpdateView
    UnsavedState unsavedState() const override;
    void setProgressMaximum(int maximum) override;
    void setProgressPosition(int position) override;
    std::optional<RemovalBrake> removalBrake() const override;
    std::optional<AdditionBrake> additionBrake() const override;
    bool stopRequested() override;
    std::optional<JournalTarget> journal() const override { return journal_; }
    // The journal the next walk records in; none after it.
    void setJournal(std::optional<JournalTarget> target) { journal_ = std::move(target); }

    // How many entries the last Update was done with (not the one it failed on); none when it
    // never began to write. Reset by beginUpdate.
    std::optional<std::size_t> walked() const { return walked_; }
    void beginUpdate() { walked_.reset(); }

    // FilterField
    void setFocus() override;
    void setCaret(std::size_t position) override;

private:
    void placeCaret(std::size_t position);

    TForm1 &form_;
    // Where a filter error put the caret: showing the failing query afterwards re-sets the
    // field's text, which moves the caret, so it is put back there.
    std::optional<std::size_t> errorCaret_;
    std::optional<std::size_t> walked_;
    std::optional<JournalTarget> journal_;
};

} // namespace tarnbeck
