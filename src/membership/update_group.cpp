#include "membership/update_group.h"

#include "directory/prompter.h"
#include "directory/request_support.h"
#include "membership/member_changes.h"

#include <algorithm>
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

// The cause in words; a full disk names the store file that could not grow.
std::string FailureCause(const DirectoryError &cause, const std::string &storeFile) {
    if (cause.status() != dsclient::status::InsufficientSpace || storeFile.empty())
        return cause.what();
    return StatusNumberText(cause.status()) + ": disk full: the store file " + storeFile +
           " cannot grow";
}

} // namespace

UpdateFailure::UpdateFailure(const DirectoryError &cause, std::size_t written, std::size_t changes,
                             const std::string &storeFile)
    : DirectoryError(cause.status(), "Update group stopped after " + std::to_string(written) +
                                         " of " + std::to_string(changes) +
                                         " members written: " + FailureCause(cause, storeFile)),
      written_(written) {}

UpdateResult UpdateGroup(dsclient::ContextHandle context, const std::string &groupName,
                         const MemberEntries &entries, UpdateView &view) {
    UpdateResult result;
    if (RefuseWhenUnsaved(view.unsavedState()) || !PassesBrake(entries, view))
        return result;
    result.started = true;
    BusyCursor busy;
    ProgressReset reset(view);
    view.setProgressMaximum(static_cast<int>(entries.size()));
    view.setProgressPosition(0);
    view.setUpdateEnabled(false);
    int position = 0;
    RequestBatch batch(context);
    auto batchStarted = std::chrono::steady_clock::now();
    int inBatch = 0;
    try {
        for (const MemberEntry &entry : entries) {
            if (Apply(context, entry, groupName))
                ++inBatch;
            // Applied in batches, short enough that an interruption loses little (each member
            // is whole either way) and that other writers of the tree are not kept waiting long.
            if (inBatch == kMembersPerBatch ||
                std::chrono::steady_clock::now() - batchStarted >= kBatchTime) {
                batch.renew();
                result.written += std::exchange(inBatch, 0);
                batchStarted = std::chrono::steady_clock::now();
            }
            view.setProgressPosition(++position);
            if (position < static_cast<int>(entries.size()) && view.stopRequested()) {
                result.stopped = true;
                break;
            }
        }
        batch.end();
    } catch (const DirectoryError &error) {
        // The members of the open batch count only when the tree still applies them (a full
        // disk loses the whole batch).
        try {
            batch.end();
            result.written += inBatch;
        } catch (const DirectoryError &) {
        }
        const auto changes = static_cast<std::size_t>(
            std::count_if(entries.begin(), entries.end(), [](const MemberEntry &entry) {
                return ChangeOf(entry) != MemberChange::None;
            }));
        throw UpdateFailure(error, result.written, changes, dsclient::ContextStoreFile(context));
    }
    result.written += inBatch;
    return result;
}

} // namespace tarnbeck
