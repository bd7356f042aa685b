// An Update killed at random points: a child process runs Execute and Update group on a
// generated tree of a few thousand users and is killed (SIGKILL) part-way through the walk. On
// the embedded store every kill must leave the store intact with no member half-written; on a
// directory server (whose writes of one member cannot be grouped) the half-written members the
// check finds must be exactly those the tree holds. Either way Execute and Update on the same
// group must then leave every member written on all sides and nothing pointing at the group
// from anyone else. Each trial swaps the query's city, so every walk removes and adds. The
// server itself is also stalled and killed mid-Update. What the tree holds is checked through
// the tools' own client session, not the engine.

#include "client_session.h"
#include "directory/values_writer.h"
#include "engine_tree.h"
#include "ldap_trees.h"
#include "membership/half_written.h"
#include "membership/name_list.h"
#include "membership/update_group.h"
#include "platform/journal/journal_db.h"
#include "query/execute.h"
#include "scripted_prompter.h"
#include "synthetic_tree.h"

#include <sqlite3.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace tarnbeck {
namespace {

using namespace dsclient;
using Names = std::set<std::string>;

constexpr std::uint32_t kUsers = 2500;
constexpr int kTrials = 5;
const std::string kGroup(kBenchGroup);

// Berlin holds about 30 % of the users, London 25 %.
const char *CityOf(int trial) {
    return trial % 2 ? "London" : "Berlin";
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
    std::optional<JournalTarget> journal() const override { return target; }
    std::optional<JournalTarget> target;

  private:
    void send(int value) {
        if (fd_ >= 0 && ::write(fd_, &value, sizeof value) != sizeof value)
            fd_ = -1; // the parent stopped listening
    }
    int fd_;
};

class KilledUpdateTest : public ::testing::TestWithParam<testing::Backend> {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarnbeck-kill-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        store_ = directory_ + "/tree.db";
        journal_ = directory_ + "/journal.db";
        // Written and closed here: no connection to the store may cross a fork.
        GenerateTree(store_, kUsers, kDefaultSeed);
        for (const UnitSize &unit : SyntheticLayout(kUsers, kDefaultSeed))
            for (std::uint32_t i = 0; i < unit.users; ++i)
                users_.push_back("user-" + std::to_string(users_.size() + 1) + "." + unit.name);
        tree_.name = kBenchTreeName;
        tree_.store = store_;
        tree_.identity = kBenchAdmin;
        if (GetParam() == testing::Backend::Ldap) {
            tree_ = testing::ServeOnLdap(tree_, directory_);
            tree_.timeoutSeconds = 60; // a loaded machine is no stalled server
        }
    }
    bool onLdap() const { return GetParam() == testing::Backend::Ldap; }
    void TearDown() override {
        session_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    ContextHandle connect() {
        session_.emplace(std::vector<TreeConfig>{tree_});
        return session_->context();
    }

    void executeAndUpdate(UpdateView &view) {
        testing::FakeWindow window(session_->context());
        window.loadQueries(kGroup, "user");
        if (!Execute({session_->context(), kGroup, {}, &names_}, window))
            throw std::runtime_error("Execute showed no outcome");
        UpdateGroup(session_->context(), kGroup, *window.memberList, view);
    }

    // Forks a child that runs Execute and Update; at a random moment once the walk has passed a
    // random entry, `strike` is done (by default the child is killed) and the child awaited.
    // Returns that entry, or -1 when the walk ended first.
    int runAndKill(std::mt19937 &random, const std::function<void(pid_t)> &strike = {}) {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return -1;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            int code = 0;
            try {
                connect();
                ReportingView view(pipeEnds[1]);
                const auto journal = journal::JournalDb::Open(journal_, 400);
                view.target = JournalTarget{journal.journal.get(),
                                            {std::string(kBenchTreeName), "", "", "test", {}},
                                            {}};
                executeAndUpdate(view);
            } catch (const std::exception &) {
                code = 1;
            }
            ::_exit(code);
        }
        ::close(pipeEnds[1]);
        int killedAt = -1, value = 0, target = 0;
        bool first = true;
        while (::read(pipeEnds[0], &value, sizeof value) == sizeof value) {
            if (first) {
                // Not among the last fifth: a loaded machine may sleep past the whole rest.
                target = std::uniform_int_distribution<int>(1, std::max(1, value * 4 / 5))(random);
                first = false;
            } else if (value >= target) {
                // A random moment within the next members, not just between two of them.
                ::usleep(std::uniform_int_distribution<useconds_t>(0, 2000)(random));
                if (strike)
                    strike(child);
                else
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

    // The users that hold some but not all four sides, read one by one.
    Names halfWrittenUsers() {
        const auto asSet = [](const std::vector<std::string> &names) {
            return Names(names.begin(), names.end());
        };
        const Names member = asSet(session_->texts(kGroup, "Member"));
        const Names toMe = asSet(session_->texts(kGroup, "Equivalent To Me"));
        Names half;
        for (const std::string &user : users_) {
            const auto holds = [&](const char *attribute) {
                const std::vector<std::string> held = session_->texts(user, attribute);
                return std::count(held.begin(), held.end(), kGroup) > 0;
            };
            const int sides = member.count(user) + toMe.count(user) + holds("Group Membership") +
                              holds("Security Equals");
            if (sides != 0 && sides != 4)
                half.insert(user);
        }
        return half;
    }

    // After a run cut short: the check finds exactly the half-written members (none on a tree
    // that groups a member's writes), and Execute and Update then make all of `city` whole.
    void expectRepairable(const std::string &city, int trial) {
        // The server finishes the modifies the dead client had in flight.
        if (onLdap())
            ::usleep(500000);
        const ContextHandle context = connect();
        const std::vector<std::string> members = ReadList(context, kGroup, "Member");
        const std::vector<std::string> found = FindHalfWrittenMembers(context, kGroup, members);
        const Names halfWritten(found.begin(), found.end());
        if (onLdap())
            EXPECT_EQ(halfWritten, halfWrittenUsers()) << "trial " << trial;
        else
            EXPECT_EQ(halfWritten.size(), 0u) << "trial " << trial;
        ReportingView quiet(-1);
        executeAndUpdate(quiet);

        const std::vector<std::string> inCity =
            session_->search("Bench", DS_SEARCH_SUBTREE, EqualsText("L", city));
        expectWholeMembership(Names(inCity.begin(), inCity.end()));
        session_.reset();
        std::printf("trial %d: %zu members then, %zu half-written; Execute and Update then wrote "
                    "%zu members\n",
                    trial + 1, members.size(), halfWritten.size(), inCity.size());
    }

    void setCity(const std::string &city) {
        WriteValues(connect(), kGroup, "L",
                    {"q:ldap:///o=bench??sub?(&(objectclass=user)(l=" + city + "))", "s:0"},
                    false);
        session_.reset();
    }

    // Every user's side of the membership, read one by one, against `expected`.
    void expectWholeMembership(const Names &expected) {
        const auto asSet = [](const std::vector<std::string> &names) {
            return Names(names.begin(), names.end());
        };
        EXPECT_EQ(asSet(session_->texts(kGroup, "Member")), expected);
        EXPECT_EQ(asSet(session_->texts(kGroup, "Equivalent To Me")), expected);
        // Users may belong to other groups too; only this group's value counts.
        const auto holdsGroup = [this](const std::string &user, const char *attribute) {
            const std::vector<std::string> held = session_->texts(user, attribute);
            return std::count(held.begin(), held.end(), kGroup);
        };
        int wrong = 0;
        for (const std::string &user : users_) {
            const long wanted = expected.count(user) ? 1 : 0;
            wrong += holdsGroup(user, "Group Membership") != wanted;
            wrong += holdsGroup(user, "Security Equals") != wanted;
        }
        EXPECT_EQ(wrong, 0);
    }

    // The journal of the killed walk says exactly which members it wrote: confirmed ones are in
    // the state the walk meant, pending ones in the state they were.
    void expectJournalMatches(int trial) {
        const auto opened = journal::JournalDb::Open(journal_, std::nullopt);
        ASSERT_NE(opened.journal, nullptr) << opened.problem;
        const auto runs = opened.journal->history({});
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(runs.front().outcome, "cut short") << "trial " << trial;
        const auto members = session_->texts(kGroup, "Member");
        const Names current(members.begin(), members.end());
        int wrong = 0, written = 0;
        for (const journal::ChangeRow &change : runs.front().changes) {
            const bool done = change.outcome == "written";
            written += done;
            const bool isMember = current.count(change.name) > 0;
            wrong += isMember != ((change.action == "add") == done);
        }
        EXPECT_EQ(wrong, 0) << "trial " << trial << ": " << written << " confirmed";
    }

    std::string directory_;
    std::string journal_;
    std::string store_;
    TreeConfig tree_;
    std::vector<std::string> users_;
    std::optional<ClientSession> session_;
    const AttributeNameMap names_{{"l=L", "objectclass=Object Class"}};
};

TEST_P(KilledUpdateTest, EveryKillLeavesOnlyWhatTheCheckFindsAndTheNextRunMakesEveryMemberWhole) {
    testing::ScriptedPrompter prompter;
    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    std::printf("kill points drawn with seed %u\n", seed);

    // A server's trials read every user over the wire: fewer of them.
    const int trials = onLdap() ? 3 : kTrials;
    for (int trial = 0; trial < trials; ++trial) {
        const std::string city = CityOf(trial);
        setCity(city);
        const int killedAt = runAndKill(random);
        std::printf("trial %d: killed at entry %d\n", trial + 1, killedAt);
        EXPECT_GT(killedAt, 0) << "trial " << trial << ": the walk ended before the kill";
        if (!onLdap()) {
            EXPECT_EQ(IntegrityOf(store_), "ok") << "trial " << trial;
            connect();
            expectJournalMatches(trial);
            session_.reset();
        }
        expectRepairable(city, trial);
    }
}

TEST_P(KilledUpdateTest, AServerStalledOrKilledMidUpdateLeavesOnlyWhatTheCheckFinds) {
    if (!onLdap())
        GTEST_SKIP() << "the embedded store has no server";
    testing::ScriptedPrompter prompter;
    std::mt19937 random(std::random_device{}());
    setCity(CityOf(0));
    // A stalled server: the child gives up after its timeout and ends; the server goes on.
    tree_.timeoutSeconds = 2;
    EXPECT_GT(runAndKill(random,
                         [](pid_t child) {
                             testing::TestSlapd().Signal(SIGSTOP);
                             int status = 0;
                             ::waitpid(child, &status, 0);
                             testing::TestSlapd().Signal(SIGCONT);
                         }),
              0);
    tree_.timeoutSeconds = 60;
    expectRepairable(CityOf(0), 0);

    setCity(CityOf(1));
    EXPECT_GT(runAndKill(random,
                         [this](pid_t child) {
                             testing::TestSlapd().KillAndRestart();
                             tree_.uri = testing::TestSlapd().uri();
                             int status = 0;
                             ::waitpid(child, &status, 0);
                         }),
              0);
    expectRepairable(CityOf(1), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, KilledUpdateTest,
                         ::testing::Values(testing::Backend::Embedded, testing::Backend::Ldap),
                         testing::BackendName);

} // namespace
} // namespace tarnbeck
