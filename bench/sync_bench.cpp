// sync_bench [DIRECTORY]: times tarnbeck-sync as a scheduler runs it, on an embedded tree of
// 100,000 users (kept in DIRECTORY, default $TMPDIR/tarnbeck-sync-bench, and reused):
//   - the Execute of a group whose query finds all 100,000 users (50,000 of them members), in
//     process, next to a dry run of the same group by the program, with its peak memory;
//   - --under a container of 100 groups of 1,000 users each, planned, then applied, then
//     planned again.
// Each run works on a fresh copy of the tree, so runs measure the same work.

#include "bench_support.h"
#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/embedded/store_admin.h"
#include "platform/dsclient/embedded/tree_builder.h"
#include "query/execute.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

constexpr const char *kTreeName = "SYNC_BENCH";
constexpr int kUsers = 100000;
constexpr int kGroups = 100; // each finds the 1,000 users of its city
constexpr int kMembersFrom = 50000;
constexpr int kPerCommit = 10000;

std::string UserName(int index) {
    return "U" + std::to_string(index) + ".Users.Bench";
}
std::string City(int group) {
    return "City-" + std::to_string(group);
}

void BuildTree(const std::string &path) {
    Check(embedded::CreateStore(path, kTreeName), "creating the store");
    std::unique_ptr<embedded::StoreAdmin> admin;
    Check(embedded::StoreAdmin::Open(path, admin), "opening the store");
    Check(admin->Begin(), "begin");
    Check(admin->AddObject("Bench", "Organization", {{"O", CiString("Bench")}}), "organisation");
    Check(admin->AddObject("Admin.Bench", "User", {{"Surname", CiString("Admin")}}), "admin");
    for (const char *unit : {"Users", "Groups"})
        Check(admin->AddObject(std::string(unit) + ".Bench", "Organizational Unit",
                               {{"OU", CiString(unit)}}),
              unit);
    Check(admin->AddObject("All.Bench", "Group",
                           {{"L", CiString("q:ldap:///ou=users.o=bench??one?(title=Dev)")},
                            {"L", CiString("s:6")}}),
          "All");
    for (int g = 0; g < kGroups; ++g)
        Check(admin->AddObject("G" + std::to_string(g) + ".Groups.Bench", "Group",
                               {{"L", CiString("q:ldap:///ou=users.o=bench??one?(l=" + City(g) + ")")},
                                {"L", CiString("s:6")}}),
              "group");
    for (int i = 0; i < kUsers; ++i) {
        Check(admin->AddObject(UserName(i), "User",
                               {{"Surname", CiString("User " + std::to_string(i))},
                                {"Title", CiString("Dev")},
                                {"L", CiString(City(i % kGroups))}}),
              "user");
        if (i >= kMembersFrom) {
            Check(admin->AddValue("All.Bench", "Member", DistName(UserName(i))), "member");
            Check(admin->AddValue(UserName(i), "Group Membership", DistName("All.Bench")),
                  "membership");
            Check(admin->AddSecurityEquivalence(UserName(i), "All.Bench"), "equivalence");
        }
        if ((i + 1) % kPerCommit == 0) {
            Check(admin->Commit(), "commit");
            Check(admin->Begin(), "begin");
        }
    }
    Check(admin->Commit(), "commit");
    Check(admin->SetSupervisors("Admin.Bench", ""), "supervisors");
}

struct ProgramRun {
    int status = -1;
    double seconds = 0;
    long peakKb = 0;
};

// Runs tarnbeck-sync with `args`, its plan thrown away; the peak resident size is the child's.
ProgramRun RunProgram(const std::string &config, const std::string &args) {
    ProgramRun run;
    run.seconds = 0.001 * Milliseconds([&] {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string command = "exec '" TARNBECK_SYNC_PROGRAM "' --quiet --config '" +
                                        config + "' --tree SYNC_BENCH " + args + " >/dev/null";
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakKb = usage.ru_maxrss;
    });
    return run;
}

class Host : public ExecuteHost {
  public:
    QueryList queryList;
    bool queryUnsaved() const override { return false; }
    const QueryList &queries() const override { return queryList; }
    void selectQuery(std::size_t) override {}
    FilterField *filterField() override { return nullptr; }
    void showOutcome(MemberEntries entries) override { shown = entries.size(); }
    void setUpdateEnabled(bool) override {}
    std::size_t shown = 0;
};

// The Execute the window runs, in this process, on the same group.
double ExecuteSeconds(const std::string &store) {
    ClientConfig config;
    config.primaryTree = kTreeName;
    config.trees.push_back(TreeConfig{kTreeName, "embedded", store, "Admin.Bench", "", "", ""});
    OverrideClientConfig(config);
    Check(CallsInitialize(), "client start");
    ContextHandle context = 0;
    Check(CreateContext(context), "context");
    const AttributeNameMap names({"title=Title", "l=L", "objectclass=Object Class"});
    Host host;
    host.queryList.entries = {"ldap:///ou=users.o=bench??one?(title=Dev)"};
    host.queryList.settings = QuerySettings::fromValue(6);
    const double seconds =
        0.001 * Milliseconds(
                    [&] { Execute({context, "All.Bench", {"L", "See Also", "Owner"}, &names}, host); });
    std::printf("Execute in process: %zu entries in %.2f s\n", host.shown, seconds);
    FreeContext(context);
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
    return seconds;
}

} // namespace

int main(int argc, char **argv) {
    try {
        const char *tmp = std::getenv("TMPDIR");
        const std::string directory =
            argc > 1 ? argv[1] : std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnbeck-sync-bench";
        const std::string original = EnsureTree(directory + "/sync-bench.db", kUsers, BuildTree);
        const std::string store = directory + "/work.db";
        for (const char *suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(store + suffix);
        std::filesystem::copy_file(original, store);
        const std::string config = directory + "/dsclient.ini";
        std::ofstream(config) << "[Client]\nPrimary=SYNC_BENCH\n[Tree SYNC_BENCH]\nStore=" << store
                              << "\nIdentity=Admin.Bench\n";

        const double execute = ExecuteSeconds(store);
        const ProgramRun dry = RunProgram(config, "--group All.Bench");
        std::printf("dry run of All.Bench (100,000 found, 50,000 members): %.2f s (%.2fx the "
                    "Execute), peak %ld MB, exit %d\n",
                    dry.seconds, dry.seconds / execute, dry.peakKb / 1024, dry.status);

        const ProgramRun plan = RunProgram(config, "--under Groups.Bench");
        std::printf("--under Groups.Bench, %d groups of 1,000: plan %.2f s, exit %d\n", kGroups,
                    plan.seconds, plan.status);
        const ProgramRun apply = RunProgram(config, "--under Groups.Bench --apply");
        std::printf("--under Groups.Bench --apply: %d additions in %.2f s (%.2f ms each), "
                    "peak %ld MB, exit %d\n",
                    kGroups * 1000, apply.seconds, apply.seconds * 1000 / (kGroups * 1000),
                    apply.peakKb / 1024, apply.status);
        const ProgramRun again = RunProgram(config, "--under Groups.Bench");
        std::printf("--under Groups.Bench again: %.2f s, exit %d (0: nothing left to do)\n",
                    again.seconds, again.status);
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "sync_bench: %s\n", error.what());
        return 1;
    }
}
