// Stores shared by processes and stores on file systems that refuse: each case runs its writers
// in child processes that end within a bounded time.

#include "client_helpers.h"
#include "test_tree.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <sstream>

namespace dsclient {
namespace {

using embedded::StoreAdmin;
using testing::TempDir;

constexpr unsigned kChildSeconds = 120;

// Starts `work` in a child process; its result is the child's exit code.
pid_t StartChild(const std::function<int()> &work) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(kChildSeconds);
        _exit(work());
    }
    return pid;
}

int Finish(pid_t pid) {
    int state = 0;
    if (pid < 0 || waitpid(pid, &state, 0) != pid)
        return -1;
    return WIFEXITED(state) ? WEXITSTATUS(state) : 128 + WTERMSIG(state);
}

// In a child: ends it with a message when a request fails.
bool Done(Status status, const char *what) {
    if (status != status::Ok)
        std::fprintf(stderr, "%s: status %d\n", what, status);
    return status == status::Ok;
}

std::string Member(int writer, int n) {
    return "M" + std::to_string(writer) + "-" + std::to_string(n) + ".Sales.Acme";
}

std::string Group(int writer) {
    return "G" + std::to_string(writer) + ".Acme";
}

// A member written on all three sides: the group's Member, the member's Group Membership and
// the equivalence.
Status WriteMember(StoreAdmin &admin, const std::string &member, const std::string &group) {
    if (const Status s = admin.AddValue(group, "Member", testing::DN(member)); s != status::Ok)
        return s;
    if (const Status s = admin.AddValue(member, "Group Membership", testing::DN(group));
        s != status::Ok)
        return s;
    return admin.AddSecurityEquivalence(member, group);
}

std::size_t Count(const std::string &text, const std::string &part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string Dump(const std::string &path) {
    std::unique_ptr<StoreAdmin> admin;
    EXPECT_EQ(StoreAdmin::Open(path, admin), status::Ok);
    std::string problems;
    EXPECT_EQ(admin->CheckIntegrity(problems), status::Ok) << problems;
    std::ostringstream dump;
    EXPECT_EQ(admin->Dump(dump), status::Ok);
    return dump.str();
}

// The demo tree with two groups and `members` users for each of two writers.
void BuildTree(const std::string &path, int members) {
    testing::BuildDemoTree(path);
    std::unique_ptr<StoreAdmin> admin;
    ASSERT_EQ(StoreAdmin::Open(path, admin), status::Ok);
    ASSERT_EQ(admin->Begin(), status::Ok);
    for (int writer = 1; writer <= 2; ++writer) {
        ASSERT_EQ(admin->AddObject(Group(writer), "Group", {}), status::Ok);
        for (int n = 0; n < members; ++n)
            ASSERT_EQ(admin->AddObject(Member(writer, n), "User", {{"Surname", testing::CI("M")}}),
                      status::Ok);
    }
    ASSERT_EQ(admin->Commit(), status::Ok);
}

TEST(StoreProcesses, TwoWritersAtOnceBothComplete) {
    constexpr int kMembers = 150;
    TempDir dir;
    const std::string path = dir.file("demo.db");
    BuildTree(path, kMembers);
    // Half the members one request at a time, half in a group per member: requests that read
    // before they write must wait for the other writer too.
    const auto writer = [&](int which) {
        return [&, which] {
            std::unique_ptr<StoreAdmin> admin;
            if (!Done(StoreAdmin::Open(path, admin), "open"))
                return 1;
            for (int n = 0; n < kMembers; ++n) {
                const bool grouped = n % 2 == 1;
                if (grouped && !Done(admin->Begin(), "begin"))
                    return 1;
                if (!Done(WriteMember(*admin, Member(which, n), Group(which)), "member"))
                    return 1;
                if (grouped && !Done(admin->Commit(), "commit"))
                    return 1;
            }
            return 0;
        };
    };
    const pid_t first = StartChild(writer(1));
    const pid_t second = StartChild(writer(2));
    EXPECT_EQ(Finish(first), 0);
    EXPECT_EQ(Finish(second), 0);
    const std::string dump = Dump(path);
    EXPECT_EQ(Count(dump, "  Member: M"), 2u * kMembers);
    EXPECT_EQ(Count(dump, "  Group Membership: G"), 2u * kMembers);
    EXPECT_EQ(Count(dump, "  Equivalent To Me: M"), 2u * kMembers);
}

TEST(StoreProcesses, AFullDiskIsReportedAndLeavesNoHalfMember) {
    constexpr int kMembers = 100;
    TempDir dir;
    const std::string path = dir.file("demo.db");
    BuildTree(path, kMembers);
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = StartChild([&] {
        close(report[0]);
        signal(SIGXFSZ, SIG_IGN);
        std::unique_ptr<StoreAdmin> admin;
        if (!Done(StoreAdmin::Open(path, admin), "open"))
            return 1;
        // The files may grow a little, then no more: the disk is full.
        struct stat info {};
        stat(path.c_str(), &info);
        const rlimit limit{static_cast<rlim_t>(info.st_size) + 96 * 1024,
                           static_cast<rlim_t>(info.st_size) + 96 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::string padding(1000, 'p');
        for (int n = 0; n < kMembers; ++n) {
            Status s = admin->Begin();
            if (s == status::Ok)
                s = WriteMember(*admin, Member(1, n), Group(1));
            if (s == status::Ok)
                s = admin->AddValue(Member(1, n), "Description", testing::CI(padding));
            if (s == status::Ok)
                s = admin->Commit();
            if (s != status::Ok) {
                admin->Rollback(); // as Update does after a failed member
                const std::string line = std::to_string(n) + " " + std::to_string(s);
                return write(report[1], line.data(), line.size()) > 0 ? 0 : 1;
            }
        }
        return 1;
    });
    close(report[1]);
    char line[64] = {};
    const ssize_t got = read(report[0], line, sizeof line - 1);
    close(report[0]);
    ASSERT_EQ(Finish(child), 0);
    ASSERT_GT(got, 0);
    int failedAt = -1, status = 0;
    std::istringstream(line) >> failedAt >> status;
    EXPECT_EQ(status, status::InsufficientSpace);
    ASSERT_GT(failedAt, 0);

    const std::string dump = Dump(path);
    EXPECT_EQ(Count(dump, "  Member: M"), static_cast<std::size_t>(failedAt));
    EXPECT_EQ(Count(dump, "  Security Equals: G"), static_cast<std::size_t>(failedAt));
    EXPECT_EQ(Count(dump, "Member: " + Member(1, failedAt) + "\n"), 0u);
}

TEST(StoreProcesses, AStoreInAReadOnlyDirectoryIsOpenedForReading) {
    TempDir dir;
    const std::filesystem::path directory = dir.path() / "read-only";
    std::filesystem::create_directories(directory);
    const std::string path = (directory / "demo.db").string();
    testing::BuildDemoTree(path);
    // Whoever runs the test: the directory is read-only for the process that opens the store.
    const uid_t nobody = 65534;
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(chown(directory.c_str(), nobody, nobody), 0);
        ASSERT_EQ(chown(path.c_str(), nobody, nobody), 0);
    }
    ASSERT_EQ(chmod(directory.c_str(), 0555), 0);
    const int code = Finish(StartChild([&] {
        if (asRoot && (setgid(nobody) != 0 || setuid(nobody) != 0))
            return 2;
        ClientConfig config;
        config.primaryTree = "DEMO_TREE";
        config.trees = {TreeConfig{"DEMO_TREE", "embedded", path, "Admin.Acme", "", "", "D"}};
        OverrideClientConfig(config);
        ContextHandle context = 0;
        if (!Done(CallsInitialize(), "start") || !Done(CreateContext(context), "context"))
            return 1;
        const auto read = testing::ReadAttribute(context, "Joe.Sales.Acme", "Surname");
        if (!Done(read.status, "read") || read.values.size() != 1)
            return 1;
        const Status write = testing::Modify(context, "Joe.Sales.Acme",
                                             {{DS_ADD_VALUE, "Title", {testing::CI("x")}}});
        return write == status::StoreReadOnly ? 0 : 3;
    }));
    chmod(directory.c_str(), 0755);
    EXPECT_EQ(code, 0);
}

} // namespace
} // namespace dsclient
