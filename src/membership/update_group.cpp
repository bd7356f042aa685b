#include "membership/update_group.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "directory/request_support.h"
#include "membership/member_changes.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

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
    case MemberMark::NotAddable:
        return MemberChange::None;
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

// Progress of a walk whose writes the tree takes in bulk: the bar steps as each member is
// answered; the first refusal ends the walk there, as a stop does.
class BulkProgress : public dsclient::MembershipWriteObserver {
  public:
    BulkProgress(UpdateView &view, JournalRecorder &journal, const MemberEntries &entries,
                 std::vector<int> positions)
        : view_(view), journal_(journal), entries_(entries), positions_(std::move(positions)) {}

    void Answered(std::size_t index, dsclient::Status status) override {
        const MemberEntry &entry = entries_[static_cast<std::size_t>(positions_[index]) - 1];
        if (status != dsclient::status::Ok) {
            // Members in flight still answer after it; each is recorded as it was answered.
            if (!journalBroken_)
                journal_.refused(entry, status);
            refusal_ = refusal_.value_or(status);
            return;
        }
        ++written_;
        position_ = positions_[index];
        view_.setProgressPosition(position_);
        if (journalBroken_)
            return;
        journal_.written(entry);
        // Confirmed as often as the embedded tree commits: a cut-short run loses little.
        if (++unconfirmed_ == kMembersPerBatch ||
            std::chrono::steady_clock::now() - confirmed_ >= kBatchTime) {
            journalBroken_ = !journal_.confirm();
            unconfirmed_ = 0;
            confirmed_ = std::chrono::steady_clock::now();
        }
    }
    bool StopRequested() override {
        if (refusal_ || stopped_)
            return true;
        stopped_ = journalBroken_ ||
                   (position_ < static_cast<int>(entries_.size()) && view_.stopRequested());
        return stopped_;
    }

    std::size_t written() const { return written_; }
    bool stopped() const { return stopped_; }
    int position() const { return position_; }
    std::optional<dsclient::Status> refusal() const { return refusal_; }

  private:
    UpdateView &view_;
    JournalRecorder &journal_;
    const MemberEntries &entries_;
    std::vector<int> positions_; // of each write in the list, counted from 1
    int position_ = 0;
    std::size_t written_ = 0;
    int unconfirmed_ = 0;
    std::chrono::steady_clock::time_point confirmed_ = std::chrono::steady_clock::now();
    bool journalBroken_ = false;
    bool stopped_ = false;
    std::optional<dsclient::Status> refusal_;
};

// The walk on a tree that takes a group's membership changes in bulk.
void WriteInBulk(dsclient::ContextHandle context, const std::string &groupName,
                 const MemberEntries &entries, UpdateView &view, JournalRecorder &journal,
                 UpdateResult &result) {
    std::vector<dsclient::MembershipWrite> writes;
    std::vector<int> positions;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MemberChange change = ChangeOf(entries[i]);
        if (change == MemberChange::None)
            continue;
        writes.push_back({entries[i].name, change == MemberChange::Add});
        positions.push_back(static_cast<int>(i) + 1);
    }
    BulkProgress progress(view, journal, entries, std::move(positions));
    const dsclient::Status status =
        dsclient::WriteGroupMemberships(context, groupName, writes, progress);
    result.written = progress.written();
    // Each member answered is whole, however the run ends.
    journal.confirm();
    if (status != dsclient::status::Ok) {
        // Members sent may have been taken without an answer: the journal cannot say.
        journal.end(journal::RunEnd::Broken);
        CheckStatus(status);
    }
    if (const auto refusal = progress.refusal())
        throw DirectoryError(*refusal);
    result.stopped = progress.stopped();
    // The entries after the last write have nothing to wait for.
    if (!result.stopped && progress.position() < static_cast<int>(entries.size()))
        view.setProgressPosition(static_cast<int>(entries.size()));
}

// The administrator's second thought before a mass removal or addition; true to go on.
bool PassesBrakes(const MemberEntries &entries, const UpdateView &view) {
    if (const std::optional<RemovalBrake> brake = view.removalBrake()) {
        const RemovalCount count = CountRemovals(entries);
        if (BrakeHolds(count, *brake) && !prompter().confirm(RemovalQuestion(count)))
            return false;
    }
    if (const std::optional<AdditionBrake> brake = view.additionBrake()) {
        const AdditionCount count = CountAdditions(entries);
        if (BrakeHolds(count, *brake) && !prompter().confirm(AdditionQuestion(count)))
            return false;
    }
    return true;
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
    : DirectoryError(cause.status(),
                     Text{"Update group stopped after " + std::to_string(written) + " of " +
                          std::to_string(changes) +
                          " members written: " + FailureCause(cause, storeFile)}),
      written_(written) {}

UpdateResult UpdateGroup(dsclient::ContextHandle context, const std::string &groupName,
                         const MemberEntries &entries, UpdateView &view) {
    UpdateResult result;
    if (RefuseWhenUnsaved(view.unsavedState()) || !PassesBrakes(entries, view))
        return result;
    JournalRecorder journal(view.journal(), groupName);
    if (!journal.settleLastRun(context) || !journal.begin(entries))
        return result;
    result.started = true;
    result.run = journal.run();
    BusyCursor busy;
    ProgressReset reset(view);
    view.setProgressMaximum(static_cast<int>(entries.size()));
    view.setProgressPosition(0);
    view.setUpdateEnabled(false);
    const auto failed = [&](const DirectoryError &error) {
        const auto changes = static_cast<std::size_t>(
            std::count_if(entries.begin(), entries.end(), [](const MemberEntry &entry) {
                return ChangeOf(entry) != MemberChange::None;
            }));
        return UpdateFailure(error, result.written, changes, dsclient::ContextStoreFile(context));
    };
    if (dsclient::WritesMembershipsInBulk(context)) {
        try {
            WriteInBulk(context, groupName, entries, view, journal, result);
        } catch (const DirectoryError &error) {
            throw failed(error);
        }
        journal.end(result.stopped ? journal::RunEnd::Stopped : journal::RunEnd::Completed);
        return result;
    }
    int position = 0;
    RequestBatch batch(context);
    auto batchStarted = std::chrono::steady_clock::now();
    int inBatch = 0;
    try {
        for (const MemberEntry &entry : entries) {
            try {
                if (Apply(context, entry, groupName)) {
                    ++inBatch;
                    journal.written(entry);
                }
            } catch (const DirectoryError &error) {
                // The members before it are kept: the journal says so before the error goes on.
                journal.refused(entry, error.status());
                throw;
            }
            // Applied in batches, short enough that an interruption loses little (each member
            // is whole either way) and that other writers of the tree are not kept waiting long.
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
        batch.end();
    } catch (const DirectoryError &error) {
        // The members of the open batch count only when the tree still applies them (a full
        // disk loses the whole batch); only those are confirmed in the journal.
        try {
            batch.end();
            result.written += std::exchange(inBatch, 0);
            journal.confirm();
        } catch (const DirectoryError &) {
        }
        throw failed(error);
    }
    result.written += inBatch;
    journal.confirm();
    journal.end(result.stopped ? journal::RunEnd::Stopped : journal::RunEnd::Completed);
    return result;
}

} // namespace tarnbeck
