// engine_bench [DIRECTORY [USERS]]: times the query engine on an embedded tree of 150,000 users,
// or of USERS users of which the same 150,000 play a part (kept in DIRECTORY, default
// $TMPDIR/tarnbeck-engine-bench, and reused by later runs):
//   - Execute over 100,000 found objects and 100,000 current members (50,000 in both), with
//     its parts timed apart: the search, the member read, the search for half-written
//     memberships and the merge;
//   - Update group adding 10,000 members to a group that holds 10,000 already;
//   - two processes each running Update group on a group of its own at the same time, 5,000
//     additions each.
// Execute runs whole first, so the peak memory printed after it is that of Execute.

#include "bench_host.h"
#include "bench_support.h"
#include "directory/prompter.h"
#include "directory/values_reader.h"
#include "membership/half_written.h"
#include "membership/name_list.h"
#include "membership/update_group.h"
#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/embedded/store_admin.h"
#include "platform/dsclient/embedded/tree_builder.h"
#include "query/execute.h"
#include "query/outcome_merge.h"
#include "query/run_queries.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace tarnbeck;
using namespace dsclient;
using embedded::CiString;
using embedded::DistName;

constexpr const char *kTreeName = "ENGINE_BENCH";
constexpr int kUsers = 150000; // the users the cases use; a larger tree has more beside them
constexpr int kFound = 100000;      // users 0 .. 99,999 carry the searched title
constexpr int kMembersFrom = 50000; // users 50,000 .. 149,999 are members of Big
constexpr int kUpdateAdditions = 10000;
constexpr int kConcurrentAdditions = 5000; // each of two groups, users 20,000 .. 29,999
constexpr const char *kConcurrentGroups[] = {"Pair A.Bench", "Pair B.Bench"};
constexpr int kPerCommit = 10000;

std::string UserName(int index) {
    std::string name = "U";
    name += std::to_string(index);
    name += ".Users.Bench";
    return name;
}

void AddWholeMember(embedded::StoreAdmin &admin, const std::string &user,
                    const std::string &group) {
    Check(admin.AddValue(group, "Member", DistName(user)), "member");
    Check(admin.AddValue(user, "Group Membership", DistName(group)), "membership");
    Check(admin.AddSecurityEquivalence(user, group), "equivalence");
}

// Big: the Execute case. Small: holds users 0..9,999; the update adds 10,000..19,999.
void BuildTree(const std::string &path, int users) {
    Check(embedded::CreateStore(path, kTreeName), "creating the store");
    std::unique_ptr<embedded::StoreAdmin> admin;
    Check(embedded::StoreAdmin::Open(path, admin), "opening the store");
    Check(admin->Begin(), "begin");
    Check(admin->AddObject("Bench", "Organization", {{"O", CiString("Bench")}}), "organisation");
    Check(admin->AddObject("Admin.Bench", "User", {{"Surname", CiString("Admin")}}), "admin");
    Check(admin->AddObject("Users.Bench", "Organizational Unit", {{"OU", CiString("Users")}}),
          "unit");
    const std::string query = "q:ldap:///ou=users.o=bench??one?(title=Dev)";
    Check(admin->AddObject("Big.Bench", "Group", {{"L", CiString(query)}, {"L", CiString("s:6")}}),
          "Big");
    Check(admin->AddObject("Small.Bench", "Group", {}), "Small");
    for (const char *group : kConcurrentGroups)
        Check(admin->AddObject(group, "Group", {}), group);
    for (int i = 0; i < users; ++i) {
        embedded::AttributeValues values{{"Surname", CiString("User " + std::to_string(i))}};
        if (i < kFound)
            values.emplace_back("Title", CiString("Dev"));
        Check(admin->AddObject(UserName(i), "User", values), "user");
        if (i >= kMembersFrom && i < kUsers)
            AddWholeMember(*admin, UserName(i), "Big.Bench");
        if (i < kUpdateAdditions)
            AddWholeMember(*admin, UserName(i), "Small.Bench");
        if ((i + 1) % kPerCommit == 0) {
            Check(admin->Commit(), "commit");
            Check(admin->Begin(), "begin");
        }
    }
    Check(admin->Commit(), "commit");
    Check(admin->SetSupervisors("Admin.Bench", ""), "supervisors");
}

ContextHandle OpenContext(const std::string &storePath) {
    ClientConfig config;
    config.primaryTree = kTreeName;
    TreeConfig tree;
    tree.name = kTreeName;
    tree.store = storePath;
    tree.identity = "Admin.Bench";
    config.trees.push_back(tree);
    OverrideClientConfig(config);
    Check(CallsInitialize(), "client start");
    ContextHandle context = 0;
    Check(CreateContext(context), "context");
    std::uint32_t flags = 0;
    Check(GetContextValue(context, DCK_FLAGS, flags), "flags");
    flags = (flags | DCV_TYPELESS_NAMES) & ~(DCV_CANONICALIZE_NAMES | DCV_DEREF_ALIASES);
    Check(SetContextValue(context, DCK_FLAGS, flags), "flags");
    return context;
}

// A process of its own that adds kConcurrentAdditions users from `firstUser` to `group`, then
// takes them out again, printing the times; its exit status says whether all went in.
pid_t StartUpdateProcess(const std::string &path, const char *group, int firstUser) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    int code = 1;
    try {
        const ContextHandle context = OpenContext(path);
        BenchHost host;
        MemberEntries changes;
        for (int i = firstUser; i < firstUser + kConcurrentAdditions; ++i)
            changes.push_back({UserName(i), MemberMark::Add});
        const double addMs = Milliseconds([&] { UpdateGroup(context, group, changes, host); });
        const std::size_t members = ReadValues(context, group, "Member").size();
        for (auto &entry : changes)
            entry.mark = MemberMark::Remove;
        const double removeMs = Milliseconds([&] { UpdateGroup(context, group, changes, host); });
        std::printf("  %s: %d additions in %.0f ms (now %zu members), removals in %.0f ms\n",
                    group, kConcurrentAdditions, addMs, members, removeMs);
        code = members == kConcurrentAdditions ? 0 : 1;
    } catch (const std::exception &error) {
        std::printf("  %s: %s\n", group, error.what());
    }
    std::fflush(stdout);
    ::_exit(code);
}

long PeakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

int Count(const MemberEntries &entries, MemberMark mark) {
    int count = 0;
    for (const auto &entry : entries)
        count += entry.mark == mark;
    return count;
}

} // namespace

int main(int argc, char **argv) {
    try {
        const char *tmp = std::getenv("TMPDIR");
        const std::string directory =
            argc > 1 ? argv[1] : std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnbeck-engine-bench";
        const int users = argc > 2 ? std::max(kUsers, std::atoi(argv[2])) : kUsers;
        std::string path;
        // Named for its layout, so a tree of an older layout is never taken for this one.
        const std::string treePath = directory + "/engine-bench-whole-members" +
                                     (users == kUsers ? "" : "-" + std::to_string(users)) + ".db";
        const double buildMs = Milliseconds([&] {
            path = EnsureTree(treePath, users, [users](const std::string &at) { BuildTree(at, users); });
        });
        std::printf("tree ready in %.0f ms\n", buildMs);
        const ContextHandle context = OpenContext(path);
        const AttributeNameMap names({"title=Title", "objectclass=Object Class"});

        BenchHost host;
        host.queryList.entries = {"ldap:///ou=users.o=bench??one?(title=Dev)"};

        const long peakBefore = PeakMemoryMb();
        const double executeMs = Milliseconds([&] { Execute({context, "Big.Bench", {}, &names}, host); });
        std::printf("Execute whole: %zu entries in %.0f ms; peak memory %ld MB (%ld MB before)\n",
                    host.outcome.size(), executeMs, PeakMemoryMb(), peakBefore);

        std::optional<MemberSet> found;
        const double searchMs = Milliseconds([&] {
            found = RunQueries({context, &host.queryList, &names, nullptr, [](std::size_t) {}});
        });
        OutcomeInputs inputs;
        const double readMs =
            Milliseconds([&] { inputs.currentMembers = ReadNames(context, "Big.Bench", "Member"); });
        const double halfWrittenMs = Milliseconds([&] {
            inputs.halfWritten = FindHalfWrittenMembers(context, "Big.Bench", inputs.currentMembers);
        });
        const std::size_t foundCount = found->size();
        const std::size_t memberCount = inputs.currentMembers.size();
        const std::size_t halfWrittenCount = inputs.halfWritten.size();
        MemberEntries merged;
        const double mergeMs =
            Milliseconds([&] { merged = MergeOutcome(std::move(*found), std::move(inputs)); });
        std::printf("Execute parts: search %zu objects %.0f ms, read %zu members %.0f ms, "
                    "half-written search %.0f ms (%zu found), merge %.1f ms (%d add, %d keep, "
                    "%d remove)\n",
                    foundCount, searchMs, memberCount, readMs, halfWrittenMs,
                    halfWrittenCount, mergeMs, Count(merged, MemberMark::Add),
                    Count(merged, MemberMark::Keep), Count(merged, MemberMark::Remove));

        MemberEntries additions;
        for (int i = kUpdateAdditions; i < 2 * kUpdateAdditions; ++i)
            additions.push_back({UserName(i), MemberMark::Add});
        const double updateMs =
            Milliseconds([&] { UpdateGroup(context, "Small.Bench", additions, host); });
        const std::size_t members = ReadValues(context, "Small.Bench", "Member").size();
        std::printf("Update group: %d additions to a group of %d in %.0f ms (%.2f ms each); "
                    "now %zu members\n",
                    kUpdateAdditions, kUpdateAdditions, updateMs, updateMs / kUpdateAdditions,
                    members);

        // Taking them out again puts the tree back, so the next run measures the same work.
        for (auto &entry : additions)
            entry.mark = MemberMark::Remove;
        const double removeMs =
            Milliseconds([&] { UpdateGroup(context, "Small.Bench", additions, host); });
        std::printf("Update group: %d removals in %.0f ms\n", kUpdateAdditions, removeMs);
        // No connection to the store may cross a fork.
        FreeContext(context);
        CallsTerminate();

        std::printf("Two Updates at once, each in its own process on its own group:\n");
        std::fflush(stdout);
        bool bothComplete = true;
        const double concurrentMs = Milliseconds([&] {
            pid_t updates[2];
            for (int i = 0; i < 2; ++i)
                updates[i] = StartUpdateProcess(path, kConcurrentGroups[i],
                                                2 * kUpdateAdditions + i * kConcurrentAdditions);
            for (const pid_t pid : updates) {
                int status = 0;
                bothComplete &= pid > 0 && ::waitpid(pid, &status, 0) == pid &&
                                WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
        });
        std::printf("  %s, %.0f ms in all (additions and removals)\n",
                    bothComplete ? "both complete" : "NOT both complete", concurrentMs);
        return bothComplete ? 0 : 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "engine_bench: %s\n", error.what());
        return 1;
    }
}
