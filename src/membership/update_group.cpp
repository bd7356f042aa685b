#include "membership/update_group.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "directory/request_support.h"
#include "membership/member_changes.h"

#include <chrono>
#include <utility>

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

constexpr int kMembersPerBatch = 500;
constexpr auto kBatchTime = std::chrono::milliseconds(200);

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
bool Apply(dsclient::ContextHandle context, const MemberEntry &entry,
           const std::string &groupName) {
    const MemberChange change = ChangeOf(entry);
    if (change == MemberChange::None)
        return false;
    RequestGroup requests(context);
    if (change == MemberChange::Add)
        AddMember(context, entry.name, groupName);
    else
        RemoveMember(context, entry.name, groupName);
    requests.commit();
    return true;
}

// The administrator's second thought before a mass removal; true to go on.
bool PassesBrake(const MemberEntries &entries, const UpdateView &view) {
    const std::optional<RemovalBrake> brake = view.removalBrake();
    if (!brake)
        return true;
    const RemovalCount count = CountRemovals(entries);
    return !BrakeHolds(count, *brake) || prompter().confirm(RemovalQuestion(count));
}

} // namespace

UpdateResult UpdateGroup(dsclient::ContextHandle context, const std::string &groupName,
                         const MemberEntries &entries, UpdateView &view) {
    UpdateResult result;
    if (RefuseWhenUnsaved(view.unsavedState()) || !PassesBrake(entries, view))
        return result;
    JournalRecorder journal(view.journal(), groupName);
    if (!journal.begin(entries))
        return result;
    result.started = true;
    result.run = journal.run();
    BusyCursor busy;
    ProgressReset reset(view);
    view.setProgressMaximum(static_cast<int>(entries.size()));
    view.setProgressPosition(0);
    view.setUpdateEnabled(false);
    int position = 0;
    RequestBatch batch(context);
    auto batchStarted = std::chrono::steady_clock::now();
    int inBatch = 0;
    const auto finish = [&] {
        batch.end();
        journal.confirm();
    };
    for (const MemberEntry &entry : entries) {
        try {
            if (Apply(context, entry, groupName)) {
                ++inBatch;
                journal.written(entry);
            }
        } catch (const DirectoryError &error) {
            // The members before it are kept: the journal says so before the error goes on.
            journal.refused(entry, error.status());
            try {
                finish();
            } catch (const DirectoryError &) {
                // The batch is lost as a whole; its members stay unconfirmed.
            }
            throw;
        }
        // Applied in batches, short enough that an interruption loses little (each member is
        // whole either way) and that other writers of the tree are not kept waiting long.
        if (inBatch == kMembersPerBatch ||
            std::chrono::steady_clock::now() - batchStarted >= kBatchTime) {
            batch.renew();
            result.written += std::exchange(inBatch, 0);
            batchStarted = std::chrono::steady_clock::now();
            // No write goes unrecorded: a journal that fails ends the walk here.
            if (!journal.confirm()) {
                result.stopped = true;
                break;
            }
        }
        view.setProgressPosition(++position);
        if (position < static_cast<int>(entries.size()) && view.stopRequested()) {
            result.stopped = true;
            break;
        }
    }
    finish();
    result.written += inBatch;
    journal.end(result.stopped ? journal::RunEnd::Stopped : journal::RunEnd::Completed);
    return result;
}

} // namespace tarnbeck
