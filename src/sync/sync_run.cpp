#include "sync/sync_run.h"

#include "directory/directory_error.h"
#include "directory/object_info.h"
#include "directory/prompter.h"
#include "directory/search.h"
#include "directory/text_compare.h"
#include "directory/visible_text.h"
#include "membership/update_group.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/password_file.h"
#include "query/execute.h"
#include "query/query_store.h"
#include "query/run_queries.h"
#include "query/stored_queries.h"
#include "shell/app_state.h"
#include "shell/attribute_names.h"
#include "shell/config_directory.h"
#include "shell/tree_settings.h"
#include "shell/trees.h"
#include "sync/plan_output.h"
#include "sync/run_lock.h"

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
    SyncUpdateView(ProgressLine &progress, std::string group)
        : progress_(progress), group_(std::move(group)) {}
    UnsavedState unsavedState() const override { return {}; }
    void setUpdateEnabled(bool) override {}
    void setProgressMaximum(int maximum) override { maximum_ = maximum; }
    void setProgressPosition(int position) override {
        progress_.show(group_ + ": writing member " + std::to_string(position) + " of " +
                       std::to_string(maximum_));
    }

  private:
    ProgressLine &progress_;
    std::string group_;
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

// Does writing this entry change the directory? Static names that are members already and
// excluded names that never were are written again harmlessly, but they are no change.
bool Changes(const MemberEntry &entry) {
    if (entry.incomplete)
        return true;
    switch (entry.mark) {
    case MemberMark::Add:
    case MemberMark::Remove:
        return true;
    case MemberMark::Static:
        return !entry.reason.member;
    case MemberMark::Excluded:
        return entry.reason.member;
    case MemberMark::Keep:
        return false;
    }
    return false;
}

class SyncRun {
  public:
    SyncRun(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err)
        : options_(options), err_(err), plan_(out, options.format),
          progress_(err, !options.quiet && ::isatty(STDERR_FILENO)) {
        app_.programDirectory = programDirectory;
    }

    int run() {
        installPrompter(&prompter_);
        const int status = runInstalled();
        installPrompter(nullptr);
        return status;
    }

  private:
    int runInstalled() {
        try {
            if (!start())
                return kSyncError;
            const std::vector<std::string> groups =
                options_.under.empty() ? options_.groups : maintainedGroupsUnder(options_.under);
            for (const std::string &group : groups)
                note(runGroup(group));
        } catch (const DirectoryError &error) {
            fail(error.what());
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
        if (!options_.passwordFile.empty() && !login(*tree))
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
            fail("login as " + tree.identity + " failed: " + DirectoryErrorText(s));
            return false;
        }
        return true;
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
                                       &*app_.attributeNameMap};
            MemberEntries changes = plan(ComputeOutcome(target, queries.settings, std::move(*found)), report);
            decide(report, changes);
        } catch (const DirectoryError &error) {
            return failed(report, queryText(failingQuery) + error.what());
        }
        return report;
    }

    static std::string queryText(const std::optional<std::size_t> &index) {
        return index ? "query " + std::to_string(*index + 1) + ": " : std::string();
    }

    GroupReport failed(GroupReport &report, const std::string &error) {
        report.result = GroupReport::Result::Failed;
        report.error = error;
        return report;
    }

    // Fills the report from the outcome; gives the entries that change the directory.
    MemberEntries plan(MemberEntries outcome, GroupReport &report) {
        const RemovalCount removals = CountRemovals(outcome);
        report.currentMembers = removals.members;
        report.removals = removals.removals;
        report.counts = CountMarks(outcome);
        MemberEntries changes;
        for (MemberEntry &entry : outcome) {
            if (!Changes(entry))
                continue;
            report.changes.push_back(
                {entry.name, entry.mark, DescribeReason(entry), ActionOf(entry)});
            changes.push_back(std::move(entry));
        }
        return changes;
    }

    bool brakeHolds(const GroupReport &report) const {
        const RemovalCount count{report.removals, report.currentMembers};
        if (!options_.maxRemovals)
            return BrakeHolds(count, app_.removalBrake);
        const RemovalLimit &limit = *options_.maxRemovals;
        if (limit.kind == RemovalLimit::Kind::Count)
            return count.removals > limit.value;
        return count.removals * 100 > limit.value * count.members;
    }

    void decide(GroupReport &report, const MemberEntries &changes) {
        report.overBrake = brakeHolds(report);
        if (changes.empty()) {
            report.result = GroupReport::Result::Unchanged;
        } else if (!options_.apply) {
            report.result = GroupReport::Result::Planned;
        } else if (report.overBrake) {
            report.result = GroupReport::Result::Held;
        } else {
            SyncUpdateView view(progress_, report.group);
            try {
                report.written = UpdateGroup(client_.context, report.group, changes, view).written;
            } catch (const DirectoryError &error) {
                failed(report, error.what()); // says how many members were written
                return;
            }
            report.result = GroupReport::Result::Applied;
        }
    }

    void note(const std::optional<GroupReport> &report) {
        if (!report)
            return;
        progress_.clear();
        plan_.write(*report);
        switch (report->result) {
        case GroupReport::Result::Failed:
            err_ << "tarnbeck-sync: " << VisibleText(report->group) << ": "
                 << VisibleText(report->error) << "\n";
            exitStatus_ = kSyncError;
            break;
        case GroupReport::Result::Held:
            err_ << "tarnbeck-sync: " << VisibleText(report->group)
                 << ": held back by the brake (removes " << report->removals << " of "
                 << report->currentMembers << " members)\n";
            if (exitStatus_ != kSyncError)
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
    }

    const SyncOptions &options_;
    std::ostream &err_;
    PlanWriter plan_;
    ProgressLine progress_;
    RecordingPrompter prompter_;
    ClientStarted client_;
    AppState app_;
    bool skipUnmaintained_ = false;
    int exitStatus_ = kSyncNothingToDo;
};

} // namespace

int RunSync(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err) {
    return SyncRun(options, programDirectory, out, err).run();
}

} // namespace tarnbeck
