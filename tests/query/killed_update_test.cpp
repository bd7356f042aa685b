// An Update killed at random points: a child process runs Execute and Update group on a tree of
// a few thousand users and is killed (SIGKILL) part-way through the walk. After each kill the
// store must be intact with no member half-written, and Execute and Update on the same group
// must leave every member written on all sides and nothing pointing at the group from anyone
// else. Each trial swaps the query, so every walk both removes and adds.

#include "directory/values_reader.h"
#include "directory/values_writer.h"
#include "engine_tree.h"
#include "membership/half_written.h"
#include "membership/name_list.h"
#include "membership/update_group.h"
#include "platform/dsclient/config.h"
#include "query/execute.h"
#include "scripted_prompter.h"

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace tarnbeck {
namespace {

using namespace dsclient;

constexpr const char *kTree = "KILL_TREE";
constexpr const char *kGroup = "Team.Acme";
constexpr int kUsers = 2000;
constexpr int kTrials = 5;

std::string UserName(int index) {
    return "U" + std::to_string(10000 + index) + ".Users.Acme";
}
// Even users carry the title "even", odd ones "odd"; trial t's query finds one of the halves.
const char *TitleOf(int index) {
    return index % 2 ? "odd" : "even";
}

AttrValue CiText(std::string text) {
    return {SYN_CI_STRING, Text{std::move(text)}};
}

// What the store's own check says: "ok" when every page and index is sound.
std::string IntegrityOf(const std::string &path) {
    sqlite3 *db = nullptr;
    std::string verdict = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt *check = nullptr;
        verdict.clear();
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK)
            while (sqlite3_step(check) == SQLITE_ROW)
                verdict += reinterpret_cast<const char *>(sqlite3_column_text(check, 0));
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    return verdict;
}

// Tells the parent, through a pipe, how far the walk has come: the number of entries first,
// then each position. Without a pipe (-1) it tells nobody.
class ReportingView : public UpdateView {
  public:
    explicit ReportingView(int fd) : fd_(fd) {}
    UnsavedState unsavedState() const override { return {}; }
    void setUpdateEnabled(bool) override {}
    void setProgressMaximum(int maximum) override { send(maximum); }
    void setProgressPosition(int position) override { send(position); }

  private:
    void send(int value) {
        if (fd_ >= 0 && ::write(fd_, &value, sizeof value) != sizeof value)
            fd_ = -1; // the parent stopped listening
    }
    int fd_;
};

class KilledUpdateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarnbeck-kill-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        store_ = directory_ + "/tree.db";
        ASSERT_EQ(embedded::CreateStore(store_, kTree), status::Ok);
        std::unique_ptr<embedded::StoreAdmin> admin;
        ASSERT_EQ(embedded::StoreAdmin::Open(store_, admin), status::Ok);
        ASSERT_EQ(admin->Begin(), status::Ok);
        ASSERT_EQ(admin->AddObject("Acme", "Organization", {{"O", CiText("Acme")}}), status::Ok);
        ASSERT_EQ(admin->AddObject("Admin.Acme", "User", {{"Surname", CiText("Admin")}}),
                  status::Ok);
        ASSERT_EQ(admin->AddObject("Users.Acme", "Organizational Unit", {{"OU", CiText("Users")}}),
                  status::Ok);
        ASSERT_EQ(admin->AddObject(kGroup, "Group", {}), status::Ok);
        for (int i = 0; i < kUsers; ++i)
            ASSERT_EQ(admin->AddObject(UserName(i), "User",
                                       {{"Surname", CiText("User")}, {"Title", CiText(TitleOf(i))}}),
                      status::Ok);
        ASSERT_EQ(admin->Commit(), status::Ok);
        ASSERT_EQ(admin->SetSupervisors("Admin.Acme", ""), status::Ok);
        // Closed here: no connection to the store may cross a fork.
    }
    void TearDown() override {
        disconnect();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    // Returns false when the client cannot be opened (in the child, gtest cannot report).
    bool connect() {
        ClientConfig config;
        config.primaryTree = kTree;
        TreeConfig tree;
        tree.name = kTree;
        tree.store = store_;
        tree.identity = "Admin.Acme";
        config.trees.push_back(tree);
        OverrideClientConfig(config);
        std::uint32_t flags = 0;
        if (CallsInitialize() != status::Ok || CreateContext(context_) != status::Ok ||
            GetContextValue(context_, DCK_FLAGS, flags) != status::Ok)
            return false;
        flags = (flags | DCV_TYPELESS_NAMES) & ~(DCV_CANONICALIZE_NAMES | DCV_DEREF_ALIASES);
        return SetContextValue(context_, DCK_FLAGS, flags) == status::Ok;
    }
    void disconnect() {
        if (context_)
            FreeContext(context_);
        context_ = 0;
        CallsTerminate();
        OverrideClientConfig(std::nullopt);
    }

    void executeAndUpdate(UpdateView &view) {
        testing::FakeWindow window(context_);
        window.loadQueries(kGroup, "user");
        if (!Execute({context_, kGroup, {}, &names_}, window))
            throw std::runtime_error("Execute showed no outcome");
        UpdateGroup(context_, kGroup, *window.memberList, view);
    }

    // Forks a child that runs Execute and Update; kills it at a random moment once the walk has
    // passed a random entry. Returns that entry, or -1 when the walk ended first.
    int runAndKill(std::mt19937 &random) {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return -1;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            int code = 1;
            if (connect()) {
                try {
                    ReportingView view(pipeEnds[1]);
                    executeAndUpdate(view);
                    code = 0;
                } catch (const std::exception &) {
                    code = 2;
                }
            }
            ::_exit(code);
        }
        ::close(pipeEnds[1]);
        int killedAt = -1, value = 0, target = 0;
        bool first = true;
        while (::read(pipeEnds[0], &value, sizeof value) == sizeof value) {
            if (first) {
                target = std::uniform_int_distribution<int>(1, std::max(1, value - 1))(random);
                first = false;
            } else if (value >= target) {
                // A random moment within the next members, not just between two of them.
                ::usleep(std::uniform_int_distribution<useconds_t>(0, 2000)(random));
                ::kill(child, SIGKILL);
                killedAt = value;
                break;
            }
        }
        ::close(pipeEnds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        return killedAt;
    }

    // Every user whose membership shows on any side, checked one by one, against `expected`.
    void expectWholeMembership(const std::set<std::string> &expected) {
        const std::vector<std::string> members = ReadList(context_, kGroup, "Member");
        EXPECT_EQ(std::set<std::string>(members.begin(), members.end()), expected);
        const std::vector<std::string> equivalents = ReadList(context_, kGroup, "Equivalent To Me");
        EXPECT_EQ(std::set<std::string>(equivalents.begin(), equivalents.end()), expected);
        int wrong = 0;
        for (int i = 0; i < kUsers; ++i) {
            const std::string user = UserName(i);
            const bool member = expected.count(user) > 0;
            for (const char *attribute : {"Group Membership", "Security Equals"}) {
                const ValueList held = ReadValues(context_, user, attribute);
                wrong += (held.size() == 1 && held[0].text == kGroup) != member ||
                         held.size() > 1;
            }
        }
        EXPECT_EQ(wrong, 0);
    }

    std::string directory_;
    std::string store_;
    ContextHandle context_ = 0;
    const AttributeNameMap names_{{"title=Title", "objectclass=Object Class"}};
};

TEST_F(KilledUpdateTest, EveryKillLeavesTheStoreIntactAndTheNextRunMakesEveryMemberWhole) {
    testing::ScriptedPrompter prompter;
    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    std::printf("kill points drawn with seed %u\n", seed);

    for (int trial = 0; trial < kTrials; ++trial) {
        const char *title = TitleOf(trial);
        ASSERT_TRUE(connect());
        WriteValues(context_, kGroup, "L",
                    {std::string("q:ldap:///ou=users.o=acme??one?(title=") + title + ")", "s:0"},
                    false);
        disconnect();

        const int killedAt = runAndKill(random);
        EXPECT_GT(killedAt, 0) << "trial " << trial << ": the walk ended before the kill";
        EXPECT_EQ(IntegrityOf(store_), "ok") << "trial " << trial;

        ASSERT_TRUE(connect());
        const std::vector<std::string> members = ReadList(context_, kGroup, "Member");
        const std::size_t halfWritten = FindHalfWrittenMembers(context_, kGroup, members).size();
        EXPECT_EQ(halfWritten, 0u) << "trial " << trial;
        ReportingView quiet(-1);
        executeAndUpdate(quiet);

        std::set<std::string> expected;
        for (int i = 0; i < kUsers; ++i)
            if (std::string(TitleOf(i)) == title)
                expected.insert(UserName(i));
        expectWholeMembership(expected);
        disconnect();
        std::printf("trial %d: killed at entry %d, %zu members then, %zu half-written; "
                    "Execute and Update then wrote %zu members\n",
                    trial + 1, killedAt, members.size(), halfWritten, expected.size());
    }
}

} // namespace
} // namespace tarnbeck
