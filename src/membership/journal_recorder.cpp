#include "membership/journal_recorder.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "membership/journal_settlement.h"

namespace tarnbeck {

std::string JournalAction(const MemberEntry &entry) {
    const bool removes = entry.mark == MemberMark::Remove || entry.mark == MemberMark::Excluded;
    if (removes)
        return "remove";
    return entry.incomplete ? "complete" : "add";
}

JournalRecorder::JournalRecorder(const std::optional<JournalTarget> &target,
                                 const std::string &group)
    : target_(target) {
    if (target_ && !target_->journal)
        target_.reset();
    if (target_)
        target_->start.group = group;
}

JournalRecorder::~JournalRecorder() {
    end(journal::RunEnd::Failed);
}

template <typename Write> bool JournalRecorder::attempt(Write write) {
    if (!run_ || broken_)
        return !broken_;
    try {
        write(*target_->journal, *run_);
        return true;
    } catch (const journal::JournalError &error) {
        broken_ = true;
        prompter().message(std::string("The update stops: ") + error.what() +
                           ". The members written so far are in the directory; the journal "
                           "may show the last of them as pending.");
        return false;
    }
}

bool JournalRecorder::settleLastRun(dsclient::ContextHandle context) {
    if (!target_ || run_)
        return true;
    try {
        SettleUnfinishedRun(context, *target_->journal, target_->start.tree, target_->start.group);
    } catch (const journal::JournalError &error) {
        prompter().message(std::string("Nothing was written: ") + error.what());
        return false;
    } catch (const DirectoryError &error) {
        prompter().message(std::string("Nothing was written: what the group's last run wrote "
                                       "cannot be read back for the journal: ") +
                           error.what());
        return false;
    }
    return true;
}

bool JournalRecorder::begin(const MemberEntries &entries) {
    if (!target_ || run_)
        return true;
    std::vector<journal::PlannedWrite> writes;
    for (const MemberEntry &entry : entries)
        if (ChangesDirectory(entry))
            writes.push_back({entry.name, JournalAction(entry),
                              target_->reason.empty() ? DescribeReason(entry) : target_->reason});
    try {
        run_ = target_->journal->beginRun(target_->start, writes);
    } catch (const journal::JournalError &error) {
        prompter().message(std::string("Nothing was written: ") + error.what());
        return false;
    }
    return true;
}

void JournalRecorder::written(const MemberEntry &entry) {
    if (run_ && ChangesDirectory(entry))
        ++applied_;
}

bool JournalRecorder::confirm() {
    const std::size_t first = confirmed_, count = applied_ - confirmed_;
    confirmed_ = applied_;
    return count == 0 || attempt([&](journal::UpdateJournal &journal, journal::RunId run) {
               journal.confirmWritten(run, first, count);
           });
}

void JournalRecorder::refused(const MemberEntry &entry, int status) {
    if (!run_ || !ChangesDirectory(entry))
        return;
    attempt([&](journal::UpdateJournal &journal, journal::RunId run) {
        journal.recordRefused(run, applied_, status);
    });
    // Passed like a written one: a confirmation over it leaves the refusal standing.
    ++applied_;
}

void JournalRecorder::end(journal::RunEnd end) {
    if (ended_)
        return;
    ended_ = true;
    // Left without an end, the run reads as cut short: still true about what it wrote.
    attempt([&](journal::UpdateJournal &journal, journal::RunId run) { journal.endRun(run, end); });
}

} // namespace tarnbeck
