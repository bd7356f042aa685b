// engine_bench [DIRECTORY]: times the query engine on an embedded tree of 150,000 users
// (kept in DIRECTORY, default $TMPDIR/tarnbeck-engine-bench, and reused by later runs):
//   - Execute over 100,000 found objects and 100,000 current members (50,000 in both), with
//     its parts timed apart: the search, the member read and the merge;
//   - Update group adding 10,000 members to a group that holds 10,000 already, and removing them;
//   - the same with each member's three writes in one request group.
// It prints the peak memory of the process after Execute. First of all, two processes each add
// and then remove 5,000 members of a group of their own at the same time, one request group per
// member.

#include "directory/prompter.h"
#include "directory/values_reader.h"
#include "membership/member_changes.h"
#include "membership/name_list.h"
#include "membership/update_group.h"
#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/embedded/store_admin.h"
#include "query/execute.h"
#include "query/outcome_merge.h"
#include "query/run_queries.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

using namespace tarnbeck;
using namespace dsclient;

constexpr const char *kTreeName = "ENGINE_BENCH";
constexpr int kUsers = 150000;
constexpr int kFound = 100000;      // users 0 .. 99,999 carry the searched title
constexpr int kMembersFrom = 50000; // users 50,000 .. 149,999 are members of Big
constexpr int kUpdateAdditions = 10000;
constexpr int kPerCommit = 10000;
constexpr int kConcurrentMembers = 5000;
// The groups of the two concurrent writers.
const char *const kWriterGroups[] = {"Small.Bench", "Second.Bench"};

std::string UserName(int index) {
    std::string name = "U";
    name += std::to_string(index);
    name += ".Users.Bench";
    return name;
}

void Check(Status status, const std::string &what) {
    if (status != status::Ok)
        throw std::runtime_error(what + " failed with " + std::to_string(status));
}

AttrValue CiText(std::string text) {
    return {SYN_CI_STRING, Text{std::move(text)}};
}
AttrValue DistName(std::string text) {
    return {SYN_DIST_NAME, Text{std::move(text)}};
}

// Big: the Execute case. Small: holds users 0..9,999; the update adds 10,000..19,999.
void BuildTree(const std::string &path) {
    Check(embedded::CreateStore(path, kTreeName), "creating the store");
    std::unique_ptr<embedded::StoreAdmin> admin;
    Check(embedded::StoreAdmin::Open(path, admin), "opening the store");
    Check(admin->Begin(), "begin");
    Check(admin->AddObject("Bench", "Organization", {{"O", CiText("Bench")}}), "organisation");
    Check(admin->AddObject("Admin.Bench", "User", {{"Surname", CiText("Admin")}}), "admin");
    Check(admin->AddObject("Users.Bench", "Organizational Unit", {{"OU", CiText("Users")}}),
          "unit");
    const std::string query = "q:ldap:///ou=users.o=bench??one?(title=Dev)";
    Check(admin->AddObject("Big.Bench", "Group", {{"L", CiText(query)}, {"L", CiText("s:6")}}),
          "Big");
    Check(admin->AddObject("Small.Bench", "Group", {}), "Small");
    Check(admin->AddObject("Second.Bench", "Group", {}), "Second");
    for (int i = 0; i < kUsers; ++i) {
        embedded::AttributeValues values{{"Surname", CiText("User " + std::to_string(i))}};
        if (i < kFound)
            values.emplace_back("Title", CiText("Dev"));
        Check(admin->AddObject(UserName(i), "User", values), "user");
        if (i >= kMembersFrom)
            Check(admin->AddValue("Big.Bench", "Member", DistName(UserName(i))), "member");
        if (i < kUpdateAdditions) {
            Check(admin->AddValue("Small.Bench", "Member", DistName(UserName(i))), "member");
            Check(admin->AddValue(UserName(i), "Group Membership", DistName("Small.Bench")),
                  "membership");
            Check(admin->AddSecurityEquivalence(UserName(i), "Small.Bench"), "equivalence");
        }
        if ((i + 1) % kPerCommit == 0) {
            Check(admin->Commit(), "commit");
            Check(admin->Begin(), "begin");
        }
    }
    Check(admin->Commit(), "commit");
    Check(admin->SetSupervisors("Admin.Bench", ""), "supervisors");
}

std::string EnsureTree(const std::string &directory) {
    std::filesystem::create_directories(directory);
    const std::string path = directory + "/engine-bench.db";
    if (std::filesystem::exists(path))
        return path;
    // Built under another name and renamed when complete: an interrupted run leaves no half tree.
    const std::string building = path + ".building";
    std::filesystem::remove(building);
    std::printf("building the tree (%d users) in %s ...\n", kUsers, directory.c_str());
    std::fflush(stdout);
    BuildTree(building);
    std::filesystem::rename(building, path);
    return path;
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

double TimeMs(const std::function<void()> &work) {
    const auto started = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
        .count();
}

class BenchHost : public ExecuteHost, public UpdateView {
  public:
    QueryList queryList;
    QuerySettings settings;
    MemberEntries outcome;

    bool queryUnsaved() const override { return false; }
    const QueryList &queries() const override { return queryList; }
    QuerySettings settingsControls() const override { return settings; }
    void selectQuery(std::size_t) override {}
    FilterField *filterField() override { return nullptr; }
    void showOutcome(const MemberEntries &entries) override { outcome = entries; }
    void setUpdateEnabled(bool) override {}
    UnsavedState unsavedState() const override { return {}; }
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
};

long PeakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Adds or removes each member of `entries` to Small with the member's writes in one request
// group, stepping the progress per member, as Update does on a tree that can group requests.
void WalkInGroups(ContextHandle context, const MemberEntries &entries, bool add,
                  UpdateView &view, const char *group = "Small.Bench") {
    view.setProgressMaximum(static_cast<int>(entries.size()));
    int position = 0;
    for (const auto &entry : entries) {
        Check(BeginRequestGroup(context), "begin group");
        try {
            if (add)
                AddMember(context, entry.first, group);
            else
                RemoveMember(context, entry.first, group);
        } catch (...) {
            AbortRequestGroup(context);
            throw;
        }
        Check(CommitRequestGroup(context), "commit group");
        view.setProgressPosition(++position);
    }
}

// Two processes, each adding and then removing kConcurrentMembers members of its own group, one
// request group per member; the time until both are done.
double TwoConcurrentUpdates(const std::string &path) {
    {
        std::unique_ptr<embedded::StoreAdmin> admin;
        Check(embedded::StoreAdmin::Open(path, admin), "opening the store");
        const Status s = admin->AddObject(kWriterGroups[1], "Group", {});
        if (s != status::EntryAlreadyExists)
            Check(s, "creating the second group");
    }
    return TimeMs([&] {
        pid_t writers[2] = {};
        for (int w = 0; w < 2; ++w) {
            writers[w] = fork();
            if (writers[w] != 0)
                continue;
            try {
                const ContextHandle context = OpenContext(path);
                BenchHost host;
                MemberEntries members;
                for (int i = 0; i < kConcurrentMembers; ++i)
                    members.emplace_back(UserName(2 * kUpdateAdditions + w * kConcurrentMembers + i),
                                         MemberMark::Add);
                const char *group = kWriterGroups[w];
                const double addMs =
                    TimeMs([&] { WalkInGroups(context, members, true, host, group); });
                const double removeMs =
                    TimeMs([&] { WalkInGroups(context, members, false, host, group); });
                std::printf("  writer %d: %d additions in %.0f ms, %d removals in %.0f ms\n", w + 1,
                            kConcurrentMembers, addMs, kConcurrentMembers, removeMs);
                std::fflush(stdout);
                _exit(0);
            } catch (const std::exception &error) {
                std::fprintf(stderr, "writer %d: %s\n", w + 1, error.what());
            } catch (...) {
                std::fprintf(stderr, "writer %d failed\n", w + 1);
            }
            _exit(1); // a writer never returns into the program that started it
        }
        for (pid_t writer : writers) {
            int state = 0;
            if (writer < 0 || waitpid(writer, &state, 0) != writer || !WIFEXITED(state) ||
                WEXITSTATUS(state) != 0)
                throw std::runtime_error("a concurrent writer failed");
        }
    });
}

int Count(const MemberEntries &entries, MemberMark mark) {
    int count = 0;
    for (const auto &entry : entries)
        count += entry.second == mark;
    return count;
}

} // namespace

int main(int argc, char **argv) {
    try {
        const char *tmp = std::getenv("TMPDIR");
        const std::string directory =
            argc > 1 ? argv[1] : std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnbeck-engine-bench";
        std::string path;
        const double buildMs = TimeMs([&] { path = EnsureTree(directory); });
        std::printf("tree ready in %.0f ms\n", buildMs);
        std::fflush(stdout);
        const double concurrentMs = TwoConcurrentUpdates(path);
        std::printf("Two processes updating at once: both complete in %.0f ms\n", concurrentMs);
        const ContextHandle context = OpenContext(path);
        const AttributeNameMap names({"title=Title", "objectclass=Object Class"});

        BenchHost host;
        host.queryList.entries = {"ldap:///ou=users.o=bench??one?(title=Dev)"};

        // First, so the peak memory is that of Execute (and of the process before it).
        const long peakBefore = PeakMemoryMb();
        const double executeMs = TimeMs([&] { Execute({context, "Big.Bench", {}, &names}, host); });
        std::printf("Execute whole: %zu entries in %.0f ms; peak memory %ld MB (%ld MB before)\n",
                    host.outcome.size(), executeMs, PeakMemoryMb(), peakBefore);

        {
            std::optional<MemberSet> found;
            const double searchMs = TimeMs([&] {
                found = RunQueries({context, &host.queryList, &names, nullptr, [](std::size_t) {}});
            });
            OutcomeInputs inputs;
            const double readMs =
                TimeMs([&] { inputs.currentMembers = ReadList(context, "Big.Bench", "Member"); });
            MemberEntries merged;
            const double mergeMs = TimeMs([&] { merged = MergeOutcome(*found, inputs); });
            std::printf("Execute parts: search %zu objects %.0f ms, read %zu members %.0f ms, "
                        "merge %.1f ms (%d add, %d keep, %d remove)\n",
                        found->size(), searchMs, inputs.currentMembers.size(), readMs, mergeMs,
                        Count(merged, MemberMark::Add), Count(merged, MemberMark::Keep),
                        Count(merged, MemberMark::Remove));
        }

        MemberEntries additions;
        for (int i = kUpdateAdditions; i < 2 * kUpdateAdditions; ++i)
            additions.emplace_back(UserName(i), MemberMark::Add);
        const double updateMs =
            TimeMs([&] { UpdateGroup(context, "Small.Bench", additions, host); });
        const std::size_t members = ReadValues(context, "Small.Bench", "Member").size();
        std::printf("Update group: %d additions to a group of %d in %.0f ms (%.2f ms each); "
                    "now %zu members\n",
                    kUpdateAdditions, kUpdateAdditions, updateMs, updateMs / kUpdateAdditions,
                    members);

        // Taking them out again puts the tree back, so the next run measures the same work.
        for (auto &entry : additions)
            entry.second = MemberMark::Remove;
        const double removeMs =
            TimeMs([&] { UpdateGroup(context, "Small.Bench", additions, host); });
        std::printf("Update group: %d removals in %.0f ms\n", kUpdateAdditions, removeMs);

        // The same walk with each member written whole: its three writes in one request group.
        const double groupedAddMs = TimeMs([&] { WalkInGroups(context, additions, true, host); });
        const double groupedRemoveMs =
            TimeMs([&] { WalkInGroups(context, additions, false, host); });
        std::printf("Update in request groups, one per member: %d additions in %.0f ms "
                    "(%.3f ms each), %d removals in %.0f ms\n",
                    kUpdateAdditions, groupedAddMs, groupedAddMs / kUpdateAdditions,
                    kUpdateAdditions, groupedRemoveMs);
        FreeContext(context);
        CallsTerminate();
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "engine_bench: %s\n", error.what());
        return 1;
    }
}
