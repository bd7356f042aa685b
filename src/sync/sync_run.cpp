#include "sync/sync_run.h"

#include "directory/directory_error.h"
#include "directory/object_info.h"
#include "directory/prompter.h"
#include "directory/search.h"
#include "directory/text_compare.h"
#include "directory/visible_text.h"
#include "membership/run_lock.h"
#include "membership/update_group.h"
#include "membership/written_state.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/deadline.h"
#include "platform/dsclient/password_file.h"
#include "query/execute.h"
#include "query/query_store.h"
#include "query/run_queries.h"
#include "query/stored_queries.h"
#include "shell/app_state.h"
#include "shell/attribute_names.h"
#include "shell/config_directory.h"
#include "shell/journal_access.h"
#include "shell/program_files.h"
#include "shell/tree_settings.h"
#include "shell/trees.h"
#include "sync/explain_command.h"
#include "sync/history_command.h"
#include "sync/plan_file_command.h"
#include "sync/undo_command.h"
#include "sync/plan_output.h"
#include "sync/trusted_file.h"

#include <unistd.h>

#include <algorithm>

namespace tarnbeck {

using namespace dsclient;

namespace {

const std::vector<std::string> kGroupClasses = {"Group", "Workstation Group",
                                                "zenWorkstationGroup"};

// Messages of the engine are kept for the group being run and told with its name; nobody is
// there to answer a question, so every question is answered No.
class RecordingPrompter : public Prompter {
  public:
    void message(const std::string &text) override { messages_.push_back(text); }
    bool confirm(const std::string &text) override {
        messages_.push_back(text);
        return false;
    }
    bool input(const std::string &, const std::string &, std::string &) override { return false; }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}

    void clear() { messages_.clear(); }
    std::string joined() const {
        std::string text;
        for (const auto &message : messages_)
            text += (text.empty() ? "" : "; ") + message;
        return text;
    }

  private:
    std::vector<std::string> messages_;
};

// One line on the terminal that is rewritten in place; silent when not a terminal or quiet.
class ProgressLine {
  public:
    ProgressLine(std::ostream &err, bool enabled) : err_(err), enabled_(enabled) {}
    ~ProgressLine() { clear(); }
    void show(const std::string &text) {
        if (!enabled_)
            return;
        err_ << "\r\x1b[K" << VisibleText(text) << std::flush;
        shown_ = true;
    }
    void clear() {
        if (shown_)
            err_ << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

  private:
    std::ostream &err_;
    bool enabled_;
    bool shown_ = false;
};

// The update walk without a window: nothing unsaved, the brake already decided, the progress
// on the terminal line.
class SyncUpdateView : public UpdateView {
  public:
    SyncUpdateView(ProgressLine &progress, std::string group,
                   std::optional<DeadlineClock::time_point> deadline, JournalTarget journal)
        : progress_(progress), group_(std::move(group)), deadline_(deadline),
          journal_(std::move(journal)) {}
    std::optional<JournalTarget> journal() const override { return journal_; }
    UnsavedState unsavedState() const override { return {}; }
    void setUpdateEnabled(bool) override {}
    void setProgressMaximum(int maximum) override { maximum_ = maximum; }
    void setProgressPosition(int position) override {
        progress_.show(group_ + ": writing member " + std::to_string(position) + " of " +
                       std::to_string(maximum_));
    }
    // The member in hand is written whole; the next one waits for the next run.
    bool stopRequested() override { return deadline_ && DeadlineClock::now() >= *deadline_; }

  private:
    ProgressLine &progress_;
    std::string group_;
    std::optional<DeadlineClock::time_point> deadline_;
    JournalTarget journal_;
    int maximum_ = 0;
};

// Ends the client however the run ends.
struct ClientStarted {
    ContextHandle context = 0;
    ~ClientStarted() {
        if (context != 0)
            FreeContext(context);
        CallsTerminate();
        OverrideClientConfig(std::nullopt);
    }
};

// Lifts the bound on waiting for answers while it lives, and puts it back.
struct AnswersUnbounded {
    explicit AnswersUnbounded(std::optional<DeadlineClock::time_point> deadline)
        : deadline(deadline) {
        SetAnswerDeadline(std::nullopt);
    }
    ~AnswersUnbounded() { SetAnswerDeadline(deadline); }
    AnswersUnbounded(const AnswersUnbounded &) = delete;
    AnswersUnbounded &operator=(const AnswersUnbounded &) = delete;
    std::optional<DeadlineClock::time_point> deadline;
};

class SyncRun {
  public:
    SyncRun(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err, const SyncHooks &hooks)
        : options_(options), hooks_(hooks), err_(err), plan_(out, options.format),
          progress_(err, !options.quiet && ::isatty(STDERR_FILENO)) {
        app_.programDirectory = programDirectory;
        if (options.maxTime)
            deadline_ = DeadlineClock::now() + *options.maxTime;
    }

    int run() {
        installPrompter(&prompter_);
        SetAnswerDeadline(deadline_);
        const int status = runInstalled();
        SetAnswerDeadline(std::nullopt);
        installPrompter(nullptr);
        return status;
    }

  private:
    int runInstalled() {
        try {
            if (!start()) {
                if (timeUp())
                    fail(maxTimeText() + " reached before the first group");
                return kSyncError;
            }
            const std::vector<std::string> groups =
                options_.under.empty() ? options_.groups : maintainedGroupsUnder(options_.under);
            for (std::size_t i = 0; i < groups.size() && !cutOff_; ++i) {
                if (timeUp()) {
                    const std::size_t more = groups.size() - i - 1;
                    fail(maxTimeText() + " reached: " + groups[i] +
                         (more ? " and " + std::to_string(more) + " more groups" : "") +
                         " not run");
                    break;
                }
                note(runGroup(groups[i]));
            }
        } catch (const DirectoryError &error) {
            fail(error.what());
            if (timeUp())
                fail(maxTimeText() + " reached before the first group");
        }
        progress_.clear();
        return exitStatus_;
    }

    void fail(const std::string &text) {
        progress_.clear();
        err_ << "tarnbeck-sync: " << VisibleText(text) << "\n";
        exitStatus_ = kSyncError;
    }

    // The client on the tree, logged in when a password file is given, and the program's
    // settings for the tree. False after saying why.
    bool start() {
        // These files choose the server, AllowPlainBind and the brake: no one else may edit them.
        const std::string clientFile =
            options_.configFile.empty() ? ConfigFilePath() : options_.configFile;
        for (const std::string &file : {clientFile, SettingsPath(app_.programDirectory)})
            if (const auto problem = file.empty() ? std::nullopt : UntrustedFileProblem(file)) {
                fail(*problem);
                return false;
            }
        if (!options_.configFile.empty()) {
            std::string error;
            auto config = LoadClientConfig(options_.configFile, error);
            if (!config) {
                fail(error);
                return false;
            }
            OverrideClientConfig(std::move(config));
        }
        if (CallsInitialize() != status::Ok) {
            fail("the directory client cannot start: " + ClientProblem());
            return false;
        }
        std::string problem;
        if (const Status s = GetTreeProblem(options_.tree, problem); s != status::Ok) {
            fail(problem.empty() ? DirectoryErrorText(s) : problem);
            return false;
        }
        const TreeConfig *tree = nullptr;
        for (const auto &candidate : ActiveClientConfig().trees)
            if (EqualsIgnoreCase(candidate.name, options_.tree))
                tree = &candidate;
        if (!tree) {
            fail("the client configuration names no tree " + options_.tree);
            return false;
        }
        const OpenedContext opened = OpenTreeContext();
        client_.context = opened.context;
        if (!opened.ok) {
            fail("no context can be opened on the directory client");
            return false;
        }
        CheckStatus(SwitchContextTree(client_.context, tree->name));
        if (!options_.passwordFile.empty() ? !login(*tree) : !bindsAsItsIdentity(*tree))
            return false;

        app_.mainContext = client_.context;
        app_.currentTree = tree->name;
        LoadTreeSettings(app_);
        if (app_.treeSettings.queryAttribute.empty()) {
            fail("Tarnbeck.ini offers no query attribute for tree " + tree->name);
            return false;
        }
        if (!LocateConfigDirectory(app_, app_.programDirectory) || !LoadAttributeNameMap(app_)) {
            fail(prompter_.joined());
            return false;
        }
        prompter_.clear();
        if (const auto problem = hooks_.started ? hooks_.started(*tree) : std::nullopt) {
            fail(*problem);
            return false;
        }
        return true;
    }

    bool login(const TreeConfig &tree) {
        if (tree.identity.empty()) {
            fail("tree " + tree.name + " names no Identity to log in with");
            return false;
        }
        Secret password;
        std::string problem;
        if (ReadPasswordFile(options_.passwordFile, password, problem) != status::Ok) {
            fail(problem);
            return false;
        }
        if (const Status s = Login(client_.context, 0, tree.identity, password.view(), 0);
            s != status::Ok) {
            failLogin(tree.identity, options_.passwordFile, s);
            return false;
        }
        return true;
    }

    // A tree's own identity binds with its password file at the first request: a wrong password
    // is told once, naming both, not as every group's failure.
    bool bindsAsItsIdentity(const TreeConfig &tree) {
        if (tree.identity.empty() || tree.passwordFile.empty())
            return true;
        std::string name;
        ObjectInfo info;
        const Status s = ReadObjectInfo(client_.context, tree.identity, name, info);
        if (s != status::FailedAuthentication)
            return true; // any other trouble meets the groups' own requests
        failLogin(tree.identity, tree.passwordFile, s);
        return false;
    }

    void failLogin(const std::string &identity, const std::string &passwordFile, Status s) {
        fail("login as " + identity + " failed with the password in " + passwordFile + ": " +
             DirectoryErrorText(s));
    }

    // Every group and workstation group below the container with the query attribute, in
    // name order; which of them hold stored queries is seen when each is read.
    std::vector<std::string> maintainedGroupsUnder(const std::string &container) {
        FilterPtr filter;
        CheckStatus(AllocFilter(filter));
        const auto add = [&](std::uint32_t token, std::string_view value = {}) {
            CheckStatus(AddFilterToken(*filter, token, value, SYN_CI_STRING));
        };
        add(FTOK_LPAREN);
        for (std::size_t i = 0; i < kGroupClasses.size(); ++i) {
            if (i > 0)
                add(FTOK_OR);
            add(FTOK_BASECLS);
            add(FTOK_ANAME, kGroupClasses[i]);
        }
        add(FTOK_RPAREN);
        add(FTOK_AND);
        add(FTOK_PRESENT);
        add(FTOK_ANAME, app_.treeSettings.queryAttribute);
        add(FTOK_END);
        Status passStatus = status::Ok;
        const ValueList found = SearchObjects(client_.context, container, std::move(filter),
                                              SearchScope::Sub, {}, nullptr, &passStatus);
        // A search broken off must not pass for all the groups there are.
        CheckStatus(passStatus);
        std::vector<std::string> groups;
        for (std::size_t i = 1; i < found.size(); i += 2)
            groups.push_back(found[i].text);
        SortNames(groups);
        skipUnmaintained_ = true;
        return groups;
    }

    std::optional<GroupReport> runGroup(const std::string &group) {
        GroupReport report;
        report.group = group;
        prompter_.clear();
        std::optional<std::size_t> failingQuery;
        try {
            std::optional<RunLock> lock;
            if (options_.apply) {
                std::string problem;
                lock = RunLock::Acquire(app_.currentTree, group, problem);
                if (!lock)
                    return failed(report, problem);
            }
            const std::string baseClass = ObjectBaseClass(client_.context, group);
            const auto kind = std::find_if(kGroupClasses.begin(), kGroupClasses.end(),
                                           [&](const std::string &c) { return c == baseClass; });
            if (kind == kGroupClasses.end())
                return failed(report, "not a group (class " + baseClass + ")");
            if (hooks_.plan) {
                decide(report, hooks_.plan(client_.context, group, report));
                return report;
            }
            std::vector<std::string> values =
                DirectoryQueryStore(client_.context, group, app_.treeSettings.queryAttribute)
                    .read();
            if (skipUnmaintained_ && !HoldsStoredQueries(values))
                return std::nullopt;
            const QueryList queries =
                QueryListOf(std::move(values), *kind == "Group" ? "user" : "workstation");
            report.addMode = queries.settings.addMode;

            std::optional<MemberSet> found =
                RunQueries({client_.context, &queries, &*app_.attributeNameMap, nullptr,
                            [&](std::size_t index) { failingQuery = index; },
                            [&](int objects) {
                                progress_.show(group + ": " + std::to_string(objects) +
                                               " objects found");
                            }});
            if (!found)
                return failed(report, queryText(failingQuery) + prompter_.joined());
            const ExecuteTarget target{client_.context, group,
                                       {app_.treeSettings.queryAttribute, app_.excludeAttribute,
                                        app_.staticAttribute},
                                       &*app_.attributeNameMap, app_.memberClasses};
            MemberEntries outcome = ComputeOutcome(target, queries.settings, std::move(*found));
            MemberEntries changes = plan(outcome, report);
            if (const auto changed = hooks_.outcome ? hooks_.outcome(target, outcome, report)
                                                    : std::nullopt) {
                report.treeChanged = true;
                return failed(report, *changed);
            }
            decide(report, changes);
        } catch (const DirectoryError &error) {
            return failed(report, queryText(failingQuery) + error.what());
        }
        return report;
    }

    static std::string queryText(const std::optional<std::size_t> &index) {
        return index ? "query " + std::to_string(*index + 1) + ": " : std::string();
    }

    // A group that fails once the time is up was cut off by it: searches are no longer
    // waited for, and the run ends with it.
    GroupReport failed(GroupReport &report, const std::string &error) {
        report.result = GroupReport::Result::Failed;
        cutOff_ = timeUp();
        // A report says it on one line: the lines of a message (its text, then where) are joined.
        std::string oneLine;
        for (const char c : error)
            oneLine += c == '\n' ? std::string("; ") : std::string(1, c);
        report.error = cutOff_ ? "cut off by " + maxTimeText() + ": " + oneLine : oneLine;
        return report;
    }

    bool timeUp() const { return deadline_ && DeadlineClock::now() >= *deadline_; }
    std::string maxTimeText() const {
        return "--max-time " + (options_.maxTime ? DurationText(*options_.maxTime) : "");
    }

    // Fills the report from the outcome; gives the entries that change the directory.
    MemberEntries plan(const MemberEntries &outcome, GroupReport &report) {
        const RemovalCount removals = CountRemovals(outcome);
        report.currentMembers = removals.members;
        report.removals = removals.removals;
        report.additions = CountAdditions(outcome).additions;
        report.counts = CountMarks(outcome);
        MemberEntries changes;
        for (const MemberEntry &entry : outcome) {
            if (entry.mark == MemberMark::NotAddable) {
                // Listed, never written; a name no directory takes is an error to be seen.
                report.changes.push_back(
                    {entry.name, entry.mark, DescribeReason(entry), ActionOf(entry)});
                if (entry.reason.refusal->kind == Refusal::Kind::IllegalName)
                    report.illegalNames.push_back(entry.name);
                continue;
            }
            if (!ChangesDirectory(entry))
                continue;
            report.changes.push_back(
                {entry.name, entry.mark, DescribeReason(entry), ActionOf(entry)});
            changes.push_back(entry);
        }
        return changes;
    }

    // Does `changed` of `members` names exceed the limit given on the command line?
    static bool OverLimit(std::size_t changed, std::size_t members, const RemovalLimit &limit) {
        if (limit.kind == RemovalLimit::Kind::Count)
            return changed > limit.value;
        return changed * 100 > limit.value * members;
    }

    bool brakeHolds(const GroupReport &report) const {
        const RemovalCount count{report.removals, report.currentMembers};
        if (!options_.maxRemovals)
            return BrakeHolds(count, app_.removalBrake);
        return OverLimit(count.removals, count.members, *options_.maxRemovals);
    }

    bool additionBrakeHolds(const GroupReport &report) const {
        const AdditionCount count{report.additions, report.currentMembers};
        if (!options_.maxAdditions)
            return BrakeHolds(count, app_.additionBrake);
        return OverLimit(count.additions, count.members, *options_.maxAdditions);
    }

    void decide(GroupReport &report, const MemberEntries &changes) {
        report.overAdditionBrake = !brakeHolds(report) && additionBrakeHolds(report);
        report.overBrake = brakeHolds(report) || report.overAdditionBrake;
        if (changes.empty()) {
            report.result = GroupReport::Result::Unchanged;
        } else if (!options_.apply) {
            report.result = GroupReport::Result::Planned;
        } else if (report.overBrake) {
            report.result = GroupReport::Result::Held;
        } else if (timeUp()) {
            failed(report, "nothing written");
        } else if (!userJournal()) {
            failed(report, journalProblem_ + "; nothing written");
        } else {
            JournalTarget target = JournalTargetFor(app_, *journal_, ProgramWithVersion("runner"));
            if (hooks_.journal)
                hooks_.journal(target);
            SyncUpdateView view(progress_, report.group, deadline_, std::move(target));
            UpdateResult result;
            try {
                // A member started is finished whole: its requests wait as long as the tree
                // allows, and the walk stops between members instead.
                const AnswersUnbounded unbounded(deadline_);
                result = UpdateGroup(client_.context, report.group, changes, view);
            } catch (const DirectoryError &error) {
                failed(report, error.what()); // says how many members were written
                return;
            }
            if (!result.started)
                return void(failed(report, prompter_.joined()));
            report.written = result.written;
            report.result = GroupReport::Result::Applied;
            if (result.stopped)
                failed(report, std::to_string(result.written) + " of " +
                                   std::to_string(changes.size()) + " members written" +
                                   (prompter_.joined().empty() ? "" : ": " + prompter_.joined()));
        }
    }

    // The journal every write is recorded in, opened for the first group applied.
    journal::JournalDb *userJournal() {
        if (!journal_ && journalProblem_.empty()) {
            journal::JournalDb::Opened opened = OpenUserJournal(app_);
            if (!opened.notice.empty())
                err_ << "tarnbeck-sync: " << opened.notice << "\n";
            journal_ = std::move(opened.journal);
            journalProblem_ = opened.problem;
        }
        return journal_.get();
    }

    void note(const std::optional<GroupReport> &report) {
        if (!report)
            return;
        progress_.clear();
        if (hooks_.printPlan)
            plan_.write(*report);
        switch (report->result) {
        case GroupReport::Result::Failed:
            err_ << "tarnbeck-sync: " << VisibleText(report->group) << ": "
                 << VisibleText(report->error) << "\n";
            // Any other error outranks a changed tree.
            exitStatus_ = report->treeChanged && exitStatus_ != kSyncError ? kSyncPlanChanged
                                                                            : kSyncError;
            break;
        case GroupReport::Result::Held:
            if (report->overAdditionBrake)
                err_ << "tarnbeck-sync: " << VisibleText(report->group)
                     << ": held back by the brake (adds " << report->additions << " to "
                     << report->currentMembers << " members)\n";
            else
                err_ << "tarnbeck-sync: " << VisibleText(report->group)
                     << ": held back by the brake (removes " << report->removals << " of "
                     << report->currentMembers << " members)\n";
            if (exitStatus_ != kSyncError && exitStatus_ != kSyncPlanChanged)
                exitStatus_ = kSyncBrakeHeld;
            break;
        case GroupReport::Result::Planned:
            if (exitStatus_ == kSyncNothingToDo)
                exitStatus_ = kSyncPlannedOnly;
            break;
        case GroupReport::Result::Unchanged:
        case GroupReport::Result::Applied:
            break;
        }
        // The group is still maintained; the run ends in error so somebody looks.
        for (const std::string &name : report->illegalNames) {
            err_ << "tarnbeck-sync: " << report->group
                 << ": illegal name, not added: " << VisibleText(name) << "\n";
            exitStatus_ = kSyncError;
        }
    }

    const SyncOptions &options_;
    const SyncHooks &hooks_;
    std::ostream &err_;
    PlanWriter plan_;
    ProgressLine progress_;
    RecordingPrompter prompter_;
    ClientStarted client_;
    AppState app_;
    bool skipUnmaintained_ = false;
    std::optional<DeadlineClock::time_point> deadline_; // --max-time
    bool cutOff_ = false;
    std::unique_ptr<journal::JournalDb> journal_;
    std::string journalProblem_;
    int exitStatus_ = kSyncNothingToDo;
};

} // namespace

int RunSync(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err) {
    switch (options.journal.kind) {
    case JournalCommand::Kind::History:
        return RunHistory(options, out, err);
    case JournalCommand::Kind::Explain:
        return RunExplain(options, programDirectory, out, err);
    case JournalCommand::Kind::Undo:
        return RunUndo(options, programDirectory, out, err);
    case JournalCommand::Kind::ApplyPlan:
        return RunApplyPlan(options, programDirectory, out, err);
    case JournalCommand::Kind::None:
        break;
    }
    if (!options.journal.savePlan.empty())
        return RunSavePlan(options, programDirectory, out, err);
    return RunSyncWith(options, programDirectory, out, err, {});
}

int RunSyncWith(const SyncOptions &options, const std::string &programDirectory,
                std::ostream &out, std::ostream &err, const SyncHooks &hooks) {
    return SyncRun(options, programDirectory, out, err, hooks).run();
}

} // namespace tarnbeck
