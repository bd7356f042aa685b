#include "platform/journal/journal_db.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarnbeck::journal {
namespace {

namespace fs = std::filesystem;

class JournalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "tb_journal_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "data" / "journal.db").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::unique_ptr<JournalDb> open(int days = 400) {
        JournalDb::Opened opened = JournalDb::Open(path_, days);
        EXPECT_EQ(opened.problem, "");
        return std::move(opened.journal);
    }

    static RunStart start(const std::string &group) {
        return {"DEMO_TREE", group, "Admin.Acme", "runner 1.0", std::nullopt};
    }
    static std::vector<PlannedWrite> writes(int count) {
        std::vector<PlannedWrite> list;
        for (int i = 0; i < count; ++i)
            list.push_back({"U" + std::to_string(i) + ".Acme", "add", "found by query 1"});
        return list;
    }
    static std::vector<std::string> outcomes(const RunRow &run) {
        std::vector<std::string> list;
        for (const ChangeRow &change : run.changes)
            list.push_back(change.outcome);
        return list;
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(JournalTest, RunsKeepEveryOutcomeNewestFirstAndFilter) {
    auto journal = open();
    const RunId first = journal->beginRun(start("Staff.Acme"), writes(4));
    journal->confirmWritten(first, 0, 2);
    journal->recordRefused(first, 2, -672);
    journal->endRun(first, RunEnd::Failed);
    RunStart undo = start("Other.Acme");
    undo.undoes = first;
    const RunId second = journal->beginRun(undo, writes(1));
    journal->confirmWritten(second, 0, 1);
    journal->endRun(second, RunEnd::Completed);

    const auto all = journal->history({});
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].id, second);
    EXPECT_EQ(all[0].undoes, first);
    EXPECT_EQ(all[0].outcome, "completed");
    EXPECT_EQ(all[1].outcome, "failed");
    EXPECT_EQ(outcomes(all[1]),
              (std::vector<std::string>{"written", "written", "refused", "not written"}));
    EXPECT_EQ(all[1].changes[2].status, -672);
    EXPECT_EQ(all[1].identity, "Admin.Acme");
    EXPECT_EQ(all[1].changes[0].reason, "found by query 1");

    const auto staff = journal->history({"demo_tree", "STAFF.ACME", "", {}, 0});
    ASSERT_EQ(staff.size(), 1u);
    EXPECT_EQ(staff[0].id, first);
    const auto member = journal->history({"", "", "u3.acme", {}, 0});
    ASSERT_EQ(member.size(), 1u);
    ASSERT_EQ(member[0].changes.size(), 1u);
    EXPECT_EQ(member[0].changes[0].name, "U3.Acme");
    EXPECT_TRUE(journal->history({"", "", "", {}, std::time(nullptr) + 10}).empty());
}

TEST_F(JournalTest, FileIsTheOwnersOnlyAndNeverReachedThroughALink) {
    open();
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const std::string target = (dir_ / "elsewhere").string();
    std::ofstream(target) << "keep";
    fs::remove(path_);
    fs::create_symlink(target, path_);
    const JournalDb::Opened opened = JournalDb::Open(path_, 400);
    EXPECT_EQ(opened.journal, nullptr);
    EXPECT_NE(opened.problem.find("link"), std::string::npos) << opened.problem;
    std::ifstream in(target);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep");
}

TEST_F(JournalTest, DamagedJournalIsSetAsideAndReported) {
    open()->beginRun(start("Staff.Acme"), writes(1));
    {
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file.write("this is no database at all", 26);
    }
    const JournalDb::Opened opened = JournalDb::Open(path_, 400);
    ASSERT_NE(opened.journal, nullptr) << opened.problem;
    EXPECT_NE(opened.notice.find("damaged"), std::string::npos);
    EXPECT_TRUE(opened.journal->history({}).empty());
    int asideFiles = 0;
    for (const auto &entry : fs::directory_iterator(dir_ / "data"))
        if (entry.path().filename().string().starts_with("journal.db.damaged-"))
            ++asideFiles;
    EXPECT_GE(asideFiles, 1);
}

TEST_F(JournalTest, OldRunsGoAfterTheRetentionAndAnUnusablePathIsReported) {
    open()->beginRun(start("Staff.Acme"), writes(1));
    EXPECT_EQ(open(1)->history({}).size(), 1u);
    EXPECT_TRUE(open(-1)->history({}).empty());

    path_ = (dir_ / "folder").string();
    fs::create_directories(path_);
    const JournalDb::Opened opened = JournalDb::Open(path_, 400);
    EXPECT_EQ(opened.journal, nullptr);
    EXPECT_FALSE(opened.problem.empty());
}

// A run killed part-way shows as cut short with exactly what it confirmed.
TEST_F(JournalTest, KilledRunIsCutShortWithWhatItWrote) {
    open();
    const pid_t child = ::fork();
    if (child == 0) {
        auto opened = JournalDb::Open(path_, 400);
        const RunId run = opened.journal->beginRun(start("Staff.Acme"), writes(5));
        opened.journal->confirmWritten(run, 0, 3);
        ::raise(SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const auto runs = open()->history({});
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].outcome, "cut short");
    EXPECT_EQ(outcomes(runs[0]),
              (std::vector<std::string>{"written", "written", "written", "pending", "pending"}));
}

// Pending writes of a run that is over are the group's to settle while it is the group's last
// run; settled once, they say what the directory showed. A run broken off keeps them pending.
TEST_F(JournalTest, PendingWritesOfTheLastRunAreSettledOnceAndReadAsNotKnownUntilThen) {
    auto journal = open();
    const RunId first = journal->beginRun(start("Staff.Acme"), writes(4));
    journal->confirmWritten(first, 0, 1);
    journal->endRun(first, RunEnd::Broken);
    const RunId other = journal->beginRun(start("Other.Acme"), writes(1));
    journal->endRun(other, RunEnd::Failed);
    EXPECT_TRUE(journal->unsettled("DEMO_TREE", "Other.Acme").empty());

    const auto pending = journal->unsettled("demo_tree", "staff.acme");
    ASSERT_EQ(pending.size(), 3u);
    EXPECT_EQ(pending[0].run, first);
    EXPECT_EQ(pending[0].index, 1u);
    EXPECT_EQ(pending[2].name, "U3.Acme");
    RunRow run = journal->history({"", "", "", first, 0}).at(0);
    EXPECT_EQ(run.outcome, "failed");
    EXPECT_EQ(OutcomeText(run, run.changes[1]), "not known");
    EXPECT_EQ(run.settled, 0);

    journal->settle({{first, 1, "written", "Member, Equivalent To Me"},
                     {first, 2, "not written", ""},
                     {first, 3, "written", ""},
                     {first, 0, "not written", ""}}); // confirmed already: stays written
    run = journal->history({"", "", "", first, 0}).at(0);
    EXPECT_EQ(outcomes(run),
              (std::vector<std::string>{"written", "written", "not written", "written"}));
    EXPECT_EQ(OutcomeText(run, run.changes[1]), "written on Member, Equivalent To Me only");
    EXPECT_NE(run.settled, 0);
    EXPECT_TRUE(journal->unsettled("DEMO_TREE", "Staff.Acme").empty());

    // A later run wrote over what an earlier one left: the directory no longer tells.
    const RunId earlier = journal->beginRun(start("Staff.Acme"), writes(2));
    journal->endRun(earlier, RunEnd::Broken);
    journal->endRun(journal->beginRun(start("Staff.Acme"), writes(1)), RunEnd::Completed);
    EXPECT_TRUE(journal->unsettled("DEMO_TREE", "Staff.Acme").empty());
}

// A journal written before runs were settled opens with its runs as they were.
TEST_F(JournalTest, AnEarlierJournalKeepsItsRunsAndCanBeSettled) {
    open().reset();
    const std::string command = "sqlite3 '" + path_ +
                                "' 'ALTER TABLE changes DROP COLUMN sides; ALTER TABLE runs DROP "
                                "COLUMN settled; INSERT INTO runs(id, time, tree, grp, identity, "
                                "program, pid) VALUES(3, strftime(\"%s\"), \"DEMO_TREE\", \"Staff.Acme\", \"\", "
                                "\"runner 1.0\", 0); INSERT INTO changes VALUES(3, 0, \"U.Acme\", "
                                "\"add\", \"r\", \"pending\", 0);'";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "no sqlite3 program to write an earlier journal with";
    auto journal = open();
    RunRow run = journal->history({}).at(0);
    EXPECT_EQ(run.outcome, "cut short");
    EXPECT_EQ(outcomes(run), std::vector<std::string>{"pending"});
    journal->settle({{3, 0, "written", ""}});
    EXPECT_EQ(outcomes(journal->history({}).at(0)), std::vector<std::string>{"written"});
}

TEST_F(JournalTest, TwoWritersAtOnceBothSucceed) {
    open();
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = ::fork();
        if (child == 0) {
            auto opened = JournalDb::Open(path_, 400);
            bool ok = opened.journal != nullptr;
            try {
                for (int i = 0; ok && i < 40; ++i) {
                    const RunId run = opened.journal->beginRun(start("Staff.Acme"), writes(20));
                    opened.journal->confirmWritten(run, 0, 20);
                    opened.journal->endRun(run, RunEnd::Completed);
                }
            } catch (const JournalError &) {
                ok = false;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(open()->history({}).size(), 80u);
}

} // namespace
} // namespace tarnbeck::journal
