#include "sync/plan_file_command.h"

#include "directory/directory_error.h"
#include "directory/text_compare.h"
#include "directory/visible_text.h"
#include "sync/safe_text.h"
#include "sync/saved_plan.h"
#include "sync/sync_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace tarnbeck {

namespace {

constexpr std::chrono::hours kDefaultMaxAge{24};

// Where the tree is reached: its store file, else its server.
std::string PlaceOf(const dsclient::TreeConfig &tree) {
    if (!tree.store.empty())
        return tree.store;
    return !tree.uri.empty() ? tree.uri : tree.server;
}

// Writes the file afresh, never through a link; empty when done, else why not.
std::string WriteFile(const std::string &path, const std::string &text) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return path + ": " + (errno == ELOOP ? "is a link" : std::strerror(errno));
    struct stat info {};
    std::string problem;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        problem = path + ": not a regular file";
    for (std::size_t done = 0; problem.empty() && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            problem = path + ": " + std::strerror(errno);
        else
            done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && problem.empty())
        problem = path + ": " + std::strerror(errno);
    return problem;
}

} // namespace

int RunSavePlan(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
                std::ostream &err) {
    SavedPlan plan;
    plan.created = std::time(nullptr);
    SyncHooks hooks;
    hooks.started = [&](const dsclient::TreeConfig &tree) -> std::optional<std::string> {
        plan.tree = tree.name;
        plan.place = PlaceOf(tree);
        return std::nullopt;
    };
    hooks.outcome = [&](const ExecuteTarget &target, const MemberEntries &outcome,
                        const GroupReport &report) -> std::optional<std::string> {
        plan.groups.push_back(SaveGroup(target, outcome, report));
        return std::nullopt;
    };
    const int status = RunSyncWith(options, programDirectory, out, err, hooks);
    if (plan.tree.empty())
        return status; // the run could not start; it said why
    if (const std::string problem = WriteFile(options.journal.savePlan, PlanDocument(plan));
        !problem.empty()) {
        err << "tarnbeck-sync: the plan cannot be saved: " << VisibleText(problem) << "\n";
        return kSyncError;
    }
    return status;
}

int RunApplyPlan(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
                 std::ostream &err) {
    const auto refuse = [&](const std::string &why) {
        err << "tarnbeck-sync: " << VisibleText(options.journal.applyPlan) << ": " << why << "\n";
        return kSyncError;
    };
    std::ifstream in(options.journal.applyPlan, std::ios::binary);
    if (!in)
        return refuse("cannot be read");
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    const std::optional<SavedPlan> plan = ParsePlanDocument(text.str(), error);
    if (!plan)
        return refuse(error);
    if (!options.tree.empty() && !EqualsIgnoreCase(options.tree, plan->tree))
        return refuse("the plan is for tree " + VisibleText(plan->tree));
    const std::chrono::seconds maxAge = options.journal.maxAge.value_or(kDefaultMaxAge);
    const std::time_t now = std::time(nullptr);
    if (plan->created > now + 300 || now - plan->created > maxAge.count())
        return refuse("the plan was made on " + UtcTimeText(plan->created) +
                      ", longer ago than --max-age " + DurationText(maxAge) + " allows");

    std::map<std::string, const SavedGroup *> saved;
    SyncOptions run = options;
    run.tree = plan->tree;
    run.apply = true;
    for (const SavedGroup &group : plan->groups) {
        run.groups.push_back(group.group);
        saved[ToLowerAscii(group.group)] = &group;
    }
    SyncHooks hooks;
    hooks.started = [&](const dsclient::TreeConfig &tree) -> std::optional<std::string> {
        if (PlaceOf(tree) != plan->place)
            return "the plan was made for " + VisibleText(plan->tree) + " at " +
                   VisibleText(plan->place) + ", not at " + VisibleText(PlaceOf(tree));
        return std::nullopt;
    };
    hooks.outcome = [&](const ExecuteTarget &target, const MemberEntries &outcome,
                        const GroupReport &report) -> std::optional<std::string> {
        const SavedGroup fresh = SaveGroup(target, outcome, report);
        const std::string difference =
            PlanDifference(*saved.at(ToLowerAscii(target.groupName)), fresh);
        if (difference.empty())
            return std::nullopt;
        return "the tree changed since the plan was made: " + difference + "; nothing written";
    };
    if (plan->groups.empty())
        return kSyncNothingToDo;
    return RunSyncWith(run, programDirectory, out, err, hooks);
}

} // namespace tarnbeck
