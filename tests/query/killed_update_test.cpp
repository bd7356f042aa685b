// An Update killed at random points: a child process runs Execute and Update group on a
// generated tree of a few thousand users and is killed (SIGKILL) part-way through the walk.
// After each kill the store must be intact with no member half-written, and Execute and Update
// on the same group must leave every member written on all sides and nothing pointing at the
// group from anyone else. Each trial swaps the query's city, so every walk removes and adds.
// What the tree holds is checked through the tools' own client session, not the engine.

#include "client_session.h"
#include "directory/values_writer.h"
#include "engine_tree.h"
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

class KilledUpdateTest : public ::testing::Test {
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
    }
    void TearDown() override {
        session_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    ContextHandle connect() {
        TreeConfig tree;
        tree.name = kBenchTreeName;
        tree.store = store_;
        tree.identity = kBenchAdmin;
        session_.emplace(std::vector<TreeConfig>{tree});
        return session_->context();
    }

    void executeAndUpdate(UpdateView &view) {
        testing::FakeWindow window(session_->context());
        window.loadQueries(kGroup, "user");
        if (!Execute({session_->context(), kGroup, {}, &names_}, window))
            throw std::runtime_error("Execute showed no outcome");
        UpdateGroup(session_->context(), kGroup, *window.memberList, view);
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
            int code = 0;
            try {
                connect();
                ReportingView view(pipeEnds[1]);
                const auto journal = journal::JournalDb::Open(journal_, 400);
                view.target = JournalTarget{journal.journal.get(),
                                            {std::string(kBenchTreeName), "", "", "test"}};
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
    std::vector<std::string> users_;
    std::optional<ClientSession> session_;
    const AttributeNameMap names_{{"l=L", "objectclass=Object Class"}};
};

TEST_F(KilledUpdateTest, EveryKillLeavesTheStoreIntactAndTheNextRunMakesEveryMemberWhole) {
    testing::ScriptedPrompter prompter;
    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    std::printf("kill points drawn with seed %u\n", seed);

    for (int trial = 0; trial < kTrials; ++trial) {
        const std::string city = CityOf(trial);
        WriteValues(connect(), kGroup, "L",
                    {"q:ldap:///o=bench??sub?(&(objectclass=user)(l=" + city + "))", "s:0"}, false);
        session_.reset();

        const int killedAt = runAndKill(random);
        EXPECT_GT(killedAt, 0) << "trial " << trial << ": the walk ended before the kill";
        EXPECT_EQ(IntegrityOf(store_), "ok") << "trial " << trial;

        const ContextHandle context = connect();
        expectJournalMatches(trial);
        const std::vector<std::string> members = ReadList(context, kGroup, "Member");
        const std::size_t halfWritten = FindHalfWrittenMembers(context, kGroup, members).size();
        EXPECT_EQ(halfWritten, 0u) << "trial " << trial;
        ReportingView quiet(-1);
        executeAndUpdate(quiet);

        const std::vector<std::string> inCity =
            session_->search("Bench", DS_SEARCH_SUBTREE, EqualsText("L", city));
        expectWholeMembership(Names(inCity.begin(), inCity.end()));
        session_.reset();
        std::printf("trial %d: killed at entry %d, %zu members then, %zu half-written; "
                    "Execute and Update then wrote %zu members\n",
                    trial + 1, killedAt, members.size(), halfWritten, inCity.size());
    }
}

} // namespace
} // namespace tarnbeck
