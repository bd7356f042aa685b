#include "membership/update_group.h"

#include "directory/prompter.h"
#include "directory/request_support.h"
#include "membership/member_changes.h"

namespace tarnbeck {

namespace {

// Only the first unsaved part is named; nothing runs until all are saved.
bool RefuseWhenUnsaved(const UnsavedState &unsaved) {
    if (unsaved.query)
        prompter().message("Query not saved. Please save query now");
    else if (unsaved.excludes)
        prompter().message("Excludes not saved. Please save first");
    else if (unsaved.statics)
        prompter().message("Includes not saved. Please save first");
    else
        return false;
    return true;
}

// Puts the progress bar back to its start however the walk ends.
class ProgressReset {
  public:
    explicit ProgressReset(UpdateView &view) : view_(view) {}
    ~ProgressReset() { view_.setProgressPosition(0); }
    ProgressReset(const ProgressReset &) = delete;
    ProgressReset &operator=(const ProgressReset &) = delete;

  private:
    UpdateView &view_;
};

enum class MemberChange { None, Add, Remove };

MemberChange ChangeOf(const MemberEntry &entry) {
    switch (entry.mark) {
    case MemberMark::Remove:
    case MemberMark::Excluded:
        return MemberChange::Remove;
    case MemberMark::Add:
    case MemberMark::Static:
        return MemberChange::Add;
    case MemberMark::Keep:
        // A member that stays but is written on some sides only is completed.
        return entry.incomplete ? MemberChange::Add : MemberChange::None;
    }
    return MemberChange::None;
}

// A member's writes as one group of requests, so on a tree that can group them the member is
// written whole or not at all, whether a request is refused or the process dies between them.
void Apply(dsclient::ContextHandle context, const MemberEntry &entry,
           const std::string &groupName) {
    const MemberChange change = ChangeOf(entry);
    if (change == MemberChange::None)
        return;
    RequestGroup requests(context);
    if (change == MemberChange::Add)
        AddMember(context, entry.name, groupName);
    else
        RemoveMember(context, entry.name, groupName);
    requests.commit();
}

} // namespace

void UpdateGroup(dsclient::ContextHandle context, const std::string &groupName,
                 const MemberEntries &entries, UpdateView &view) {
    if (RefuseWhenUnsaved(view.unsavedState()))
        return;
    BusyCursor busy;
    ProgressReset reset(view);
    view.setProgressMaximum(static_cast<int>(entries.size()));
    view.setProgressPosition(0);
    view.setUpdateEnabled(false);
    int position = 0;
    for (const MemberEntry &entry : entries) {
        Apply(context, entry, groupName);
        view.setProgressPosition(++position);
    }
}

} // namespace tarnbeck
