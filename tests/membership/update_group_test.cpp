#include "directory/directory_error.h"
#include "membership/member_changes.h"
#include "membership/update_group.h"
#include "membership_tree.h"
#include "scripted_prompter.h"

#include <sys/resource.h>

#include <algorithm>
#include <fstream>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>
#include <csignal>
#include <filesystem>

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::Texts;

class RecordingUpdateView : public UpdateView {
  public:
    UnsavedState unsaved;
    bool updateEnabled = true;
    int maximum = -1;
    std::vector<int> positions;

    UnsavedState unsavedState() const override { return unsaved; }
    void setUpdateEnabled(bool enabled) override { updateEnabled = enabled; }
    void setProgressMaximum(int value) override { maximum = value; }
    void setProgressPosition(int position) override { positions.push_back(position); }
    std::optional<RemovalBrake> removalBrake() const override { return brake; }
    std::optional<AdditionBrake> additionBrake() const override { return additionLimit; }
    bool stopRequested() override {
        if (whileAsked)
            whileAsked();
        return stopAfter && positions.back() >= *stopAfter;
    }
    std::function<void()> whileAsked;

    std::optional<JournalTarget> journal() const override { return target; }

    std::optional<RemovalBrake> brake;
    std::optional<AdditionBrake> additionLimit;
    std::optional<int> stopAfter;
    std::optional<JournalTarget> target;
};

// Keeps what the walk records; `onBegin` looks at the tree when the run is entered.
class FakeJournal : public journal::UpdateJournal {
  public:
    journal::RunId beginRun(const journal::RunStart &start,
                            const std::vector<journal::PlannedWrite> &list) override {
        if (refuseBegin)
            throw journal::JournalError("the journal cannot be written: disk I/O error");
        started = start;
        writes = list;
        outcomes.assign(list.size(), "pending");
        if (onBegin)
            onBegin();
        return 7;
    }
    void confirmWritten(journal::RunId, std::size_t first, std::size_t count) override {
        if (refuseConfirm)
            throw journal::JournalError("the journal cannot be written: database or disk is full");
        for (std::size_t i = first; i < first + count; ++i)
            if (outcomes.at(i) == "pending")
                outcomes[i] = "written";
    }
    void recordRefused(journal::RunId, std::size_t index, int status) override {
        outcomes.at(index) = "refused " + std::to_string(status);
    }
    void endRun(journal::RunId, journal::RunEnd how) override { end = how; }

    bool refuseBegin = false;
    bool refuseConfirm = false;
    std::function<void()> onBegin;
    journal::RunStart started;
    std::vector<journal::PlannedWrite> writes;
    std::vector<std::string> outcomes;
    std::optional<journal::RunEnd> end;
};

class UpdateGroupTest : public testing::OnBothBackends<testing::MembershipTree> {
  protected:
    testing::ScriptedPrompter prompter;
    RecordingUpdateView view;

    FakeJournal &journalled() {
        view.target = JournalTarget{&fakeJournal, {"T", "", "Admin.Acme", "runner 1.03", {}}, {}};
        return fakeJournal;
    }
    FakeJournal fakeJournal;
};
INSTANTIATE_ON_BOTH_BACKENDS(UpdateGroupTest);

TEST_P(UpdateGroupTest, UnsavedPartsAreNamedInOrderAndNothingRuns) {
    connect();
    const MemberEntries entries{{"Ann.Acme", MemberMark::Add}};
    struct Case {
        UnsavedState unsaved;
        const char *message;
    };
    for (const Case &c : {Case{{true, true, true}, "Query not saved. Please save query now"},
                          Case{{false, true, true}, "Excludes not saved. Please save first"},
                          Case{{false, false, true}, "Includes not saved. Please save first"}}) {
        prompter.expectMessage(c.message);
        view.unsaved = c.unsaved;
        UpdateGroup(context, "Staff.Acme", entries, view);
    }
    EXPECT_TRUE(view.updateEnabled);
    EXPECT_TRUE(view.positions.empty());
    EXPECT_EQ(prompter.busyPushes(), 0);
    EXPECT_TRUE(values("Staff.Acme", "Member").empty());
}

TEST_P(UpdateGroupTest, MarksDecideAndEveryEntryStepsTheProgress) {
    connect();
    AddMember(context, "Ann.Acme", "Staff.Acme");
    AddMember(context, "Bob.Acme", "Staff.Acme");
    const MemberEntries entries{{"Ann.Acme", MemberMark::Remove},
                                {"Bob.Acme", MemberMark::Excluded},
                                {"Cy.Acme", MemberMark::Add},
                                {"Di.Acme", MemberMark::Static},
                                {"Admin.Acme", MemberMark::Keep}};
    UpdateGroup(context, "Staff.Acme", entries, view);

    Texts members = values("Staff.Acme", "Member");
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (Texts{"Cy.Acme", "Di.Acme"}));
    EXPECT_EQ(membershipOf("Ann.Acme"), (Texts{"", ""}));
    EXPECT_EQ(membershipOf("Bob.Acme"), (Texts{"", ""}));
    EXPECT_EQ(membershipOf("Di.Acme"), (Texts{"Staff.Acme", "Staff.Acme"}));
    EXPECT_EQ(membershipOf("Admin.Acme"), (Texts{"", ""}));

    EXPECT_EQ(view.maximum, 5);
    EXPECT_EQ(view.positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 0}));
    EXPECT_FALSE(view.updateEnabled);
    EXPECT_EQ(prompter.busyDepth(), 0);
    EXPECT_EQ(prompter.busyPushes(), 1);
}

TEST_P(UpdateGroupTest, EmptyListRunsFromZeroToZero) {
    connect();
    UpdateGroup(context, "Staff.Acme", {}, view);
    EXPECT_EQ(view.maximum, 0);
    EXPECT_EQ(view.positions, (std::vector<int>{0, 0}));
    EXPECT_FALSE(view.updateEnabled);
}

TEST_P(UpdateGroupTest, RefusalStopsTheWalkAtThatEntry) {
    connect();
    const MemberEntries entries{{"Ann.Acme", MemberMark::Add},
                                {"Gone.Acme", MemberMark::Add},
                                {"Bob.Acme", MemberMark::Add}};
    try {
        UpdateGroup(context, "Staff.Acme", entries, view);
        FAIL() << "the missing member must stop the walk";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::NoSuchEntry);
    }
    EXPECT_EQ(values("Staff.Acme", "Member"), Texts{"Ann.Acme"});
    EXPECT_EQ(membershipOf("Bob.Acme"), (Texts{"", ""}));
    EXPECT_EQ(view.positions, (std::vector<int>{0, 1, 0}));
    EXPECT_FALSE(view.updateEnabled);
    EXPECT_EQ(prompter.busyDepth(), 0);
}

TEST_P(UpdateGroupTest, AMemberDeletedMeanwhileIsReportedAndNothingHalfIsLeft) {
    connect();
    for (const char *user : {"Ann.Acme", "Bob.Acme"})
        AddMember(context, user, "Staff.Acme");
    // Deleted by someone else after Execute: the client still knows the name.
    if (backend == testing::Backend::Ldap) {
        const std::string ldif = ::testing::TempDir() + "/delete-ann.ldif";
        std::ofstream(ldif) << "dn: cn=Ann,o=Acme,"
                            << dsclient::ActiveClientConfig().trees.front().base
                            << "\nchangetype: delete\n";
        testing::TestSlapd().Add(ldif);
    } else {
        ASSERT_EQ(RemoveObject(context, "Ann.Acme"), status::Ok);
    }
    const MemberEntries entries{{"Ann.Acme", MemberMark::Remove}, {"Bob.Acme", MemberMark::Remove}};
    try {
        UpdateGroup(context, "Staff.Acme", entries, view);
        FAIL() << "the deleted member must be reported";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::NoSuchEntry);
    }
    // Bob is whole or gone on all four sides, whichever way the walk ended.
    const Texts members = values("Staff.Acme", "Member");
    const bool bobStays = members == Texts{"Bob.Acme"};
    EXPECT_TRUE(bobStays || members.empty());
    EXPECT_EQ(values("Staff.Acme", "Equivalent To Me"), members);
    EXPECT_EQ(membershipOf("Bob.Acme"),
              bobStays ? (Texts{"Staff.Acme", "Staff.Acme"}) : (Texts{"", ""}));
}

TEST_P(UpdateGroupTest, AMemberRefusedPartWayIsNotWrittenAtAll) {
    connect();
    // The tree root takes "Member" and "Group Membership" values but no equivalence.
    const MemberEntries entries{{"Ann.Acme", MemberMark::Add}, {"[Root]", MemberMark::Add}};
    try {
        UpdateGroup(context, "Staff.Acme", entries, view);
        FAIL() << "the refused equivalence must stop the walk";
    } catch (const DirectoryError &error) {
        // A server refuses the root's values by its schema.
        if (backend == testing::Backend::Embedded) {
            EXPECT_EQ(error.status(), status::InvalidRequest);
        }
    }
    EXPECT_EQ(values("Staff.Acme", "Member"), Texts{"Ann.Acme"});
    EXPECT_TRUE(values("Staff.Acme", "Equivalent To Me").size() == 1);
    EXPECT_TRUE(values("[Root]", "Group Membership").empty());
    EXPECT_EQ(membershipOf("Ann.Acme"), (Texts{"Staff.Acme", "Staff.Acme"}));
}

TEST_P(UpdateGroupTest, AnIncompleteMemberThatStaysIsWrittenWhole) {
    connect();
    AddValue(context, "Staff.Acme", "Member", "Ann.Acme", true);
    AddSecurityEquivalence(context, "Bob.Acme", "Staff.Acme", true);
    const MemberEntries entries{{"Ann.Acme", MemberMark::Keep, true},
                                {"Bob.Acme", MemberMark::Keep, true},
                                {"Cy.Acme", MemberMark::Keep}};
    UpdateGroup(context, "Staff.Acme", entries, view);
    Texts members = values("Staff.Acme", "Member");
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (Texts{"Ann.Acme", "Bob.Acme"}));
    EXPECT_EQ(membershipOf("Ann.Acme"), (Texts{"Staff.Acme", "Staff.Acme"}));
    EXPECT_EQ(membershipOf("Bob.Acme"), (Texts{"Staff.Acme", "Staff.Acme"}));
    EXPECT_EQ(membershipOf("Cy.Acme"), (Texts{"", ""}));
}

TEST_P(UpdateGroupTest, StopEndsTheWalkAfterTheMemberBeingWrittenAndCountsExactly) {
    connect();
    const MemberEntries entries{{"Ann.Acme", MemberMark::Add},
                                {"Admin.Acme", MemberMark::Keep},
                                {"Bob.Acme", MemberMark::Add},
                                {"Cy.Acme", MemberMark::Add}};
    view.stopAfter = 3;
    const UpdateResult result = UpdateGroup(context, "Staff.Acme", entries, view);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.stopped);
    // Members already on their way when Stop came (a server's pipeline) are written whole and
    // counted; none is left in between.
    Texts whole;
    for (const char *user : {"Ann.Acme", "Bob.Acme", "Cy.Acme"}) {
        if (membershipOf(user) == Texts{"Staff.Acme", "Staff.Acme"})
            whole.push_back(user);
        else
            EXPECT_EQ(membershipOf(user), (Texts{"", ""})) << user;
    }
    EXPECT_EQ(result.written, whole.size());
    EXPECT_GE(whole.size(), 2u);
    Texts members = values("Staff.Acme", "Member");
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, whole);
    EXPECT_EQ(values("Staff.Acme", "Equivalent To Me").size(), whole.size());
    if (backend == testing::Backend::Embedded) {
        EXPECT_EQ(view.positions, (std::vector<int>{0, 1, 2, 3, 0}));
    }

    // Asked after the last member, Stop has nothing left to end.
    view.positions.clear();
    view.stopAfter = 1;
    const UpdateResult last = UpdateGroup(context, "Staff.Acme", {entries[3]}, view);
    EXPECT_FALSE(last.stopped);
    EXPECT_EQ(last.written, 1u);
}

TEST_P(UpdateGroupTest, TheBrakeAsksBeforeAMassRemovalAndNoWritesNothing) {
    connect();
    MemberEntries entries;
    for (const char *name : {"Ann.Acme", "Bob.Acme", "Cy.Acme"}) {
        AddMember(context, name, "Staff.Acme");
        entries.push_back({name, MemberMark::Remove});
        entries.back().reason.member = true;
    }
    view.brake = RemovalBrake{50, 1};
    prompter.expectConfirm("Update group will remove 3 of 3 members. Continue?", false);
    EXPECT_FALSE(UpdateGroup(context, "Staff.Acme", entries, view).started);
    EXPECT_EQ(values("Staff.Acme", "Member").size(), 3u);
    EXPECT_TRUE(view.updateEnabled);
    EXPECT_TRUE(view.positions.empty());

    view.brake = RemovalBrake{50, 3}; // not more than three names: no question
    EXPECT_EQ(UpdateGroup(context, "Staff.Acme", entries, view).written, 3u);
    EXPECT_TRUE(values("Staff.Acme", "Member").empty());
}

TEST_P(UpdateGroupTest, TheAdditionBrakeAsksAndNotAddableNamesAreNeverWritten) {
    connect();
    AddMember(context, "Ann.Acme", "Staff.Acme");
    MemberEntries entries{{"Ann.Acme", MemberMark::Keep},
                          {"Bob.Acme", MemberMark::Add},
                          {"Cy.Acme", MemberMark::Static},
                          {"Di.Acme", MemberMark::NotAddable}};
    entries[0].reason.member = true;
    view.additionLimit = AdditionBrake{100, 1};
    prompter.expectConfirm("Update group will add 2 names to a group of 1 members. Continue?",
                           false);
    EXPECT_FALSE(UpdateGroup(context, "Staff.Acme", entries, view).started);
    EXPECT_EQ(values("Staff.Acme", "Member"), Texts{"Ann.Acme"});

    prompter.expectConfirm("Update group will add 2 names to a group of 1 members. Continue?",
                           true);
    EXPECT_EQ(UpdateGroup(context, "Staff.Acme", entries, view).written, 2u);
    EXPECT_EQ(values("Staff.Acme", "Member"), (Texts{"Ann.Acme", "Bob.Acme", "Cy.Acme"}));
    EXPECT_EQ(membershipOf("Di.Acme"), (Texts{"", ""}));
}

TEST(AdditionBrakeDefaults, ANewGroupFillsButAGroupFloodedByTheTreeIsHeld) {
    EXPECT_FALSE(BrakeHolds(AdditionCount{400, 0}, AdditionBrake()));
    EXPECT_FALSE(BrakeHolds(AdditionCount{250, 300}, AdditionBrake()));
    EXPECT_TRUE(BrakeHolds(AdditionCount{4700, 300}, AdditionBrake()));
}

TEST_P(UpdateGroupTest, WithoutRightsTheFirstChangeFails) {
    connect("Ann.Acme");
    const MemberEntries entries{{"Admin.Acme", MemberMark::Keep},
                                {"Bob.Acme", MemberMark::Remove},
                                {"Cy.Acme", MemberMark::Add}};
    try {
        UpdateGroup(context, "Staff.Acme", entries, view);
        FAIL() << "a refused write must not pass for a written one";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::NoAccess);
    }
    // A server is asked for no entry one by one.
    if (backend == testing::Backend::Embedded) {
        EXPECT_EQ(view.positions, (std::vector<int>{0, 1, 0}));
    }
    EXPECT_TRUE(values("Staff.Acme", "Member").empty());
    EXPECT_EQ(prompter.busyDepth(), 0);
}

// The journal holds every change before the first write, and exactly what was written after.
TEST_P(UpdateGroupTest, JournalHoldsEveryChangeBeforeTheFirstWriteAndEachOutcome) {
    connect();
    AddMember(context, "Ann.Acme", "Staff.Acme");
    AddMember(context, "Di.Acme", "Staff.Acme");
    FakeJournal &journal = journalled();
    std::size_t membersAtBegin = 99;
    journal.onBegin = [&] { membersAtBegin = values("Staff.Acme", "Member").size(); };
    MemberEntries entries{{"Ann.Acme", MemberMark::Remove},
                          {"Bob.Acme", MemberMark::Excluded}, // never a member: no change
                          {"Cy.Acme", MemberMark::Add},
                          {"Di.Acme", MemberMark::Static},
                          {"Admin.Acme", MemberMark::Keep}};
    entries[0].reason.member = true;
    entries[3].reason.member = true; // a static member already: no change
    entries[2].reason.foundBy.add(2);
    const UpdateResult result = UpdateGroup(context, "Staff.Acme", entries, view);

    EXPECT_EQ(result.run, 7);
    EXPECT_EQ(membersAtBegin, 2u);
    EXPECT_EQ(journal.started.group, "Staff.Acme");
    EXPECT_EQ(journal.started.identity, "Admin.Acme");
    ASSERT_EQ(journal.writes.size(), 2u);
    EXPECT_EQ(journal.writes[0].name, "Ann.Acme");
    EXPECT_EQ(journal.writes[0].action, "remove");
    EXPECT_EQ(journal.writes[1].action, "add");
    EXPECT_EQ(journal.writes[1].reason, "found by query 2");
    EXPECT_EQ(journal.outcomes, (std::vector<std::string>{"written", "written"}));
    EXPECT_EQ(journal.end, journal::RunEnd::Completed);
}

TEST_P(UpdateGroupTest, JournalThatCannotBeWrittenStopsBeforeTheFirstWrite) {
    connect();
    journalled().refuseBegin = true;
    prompter.expectMessageContaining("Nothing was written: the journal cannot be written");
    const UpdateResult result =
        UpdateGroup(context, "Staff.Acme", {{"Ann.Acme", MemberMark::Add}}, view);
    EXPECT_FALSE(result.started);
    EXPECT_TRUE(values("Staff.Acme", "Member").empty());
    EXPECT_TRUE(view.positions.empty());
}

// A journal that fails part-way ends the walk at once: nothing is written unrecorded after it.
TEST_P(UpdateGroupTest, JournalFailingPartWayStopsTheWalk) {
    if (backend == testing::Backend::Ldap)
        GTEST_SKIP() << "the store's batches: the embedded tree only";
    connect();
    journalled().refuseConfirm = true;
    // The first member takes longer than a batch: the second one ends the batch and is
    // confirmed with it, which fails.
    bool slow = true;
    view.whileAsked = [&] {
        if (std::exchange(slow, false))
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
    };
    const MemberEntries entries{{"Ann.Acme", MemberMark::Add},
                                {"Bob.Acme", MemberMark::Add},
                                {"Cy.Acme", MemberMark::Add}};
    prompter.expectMessageContaining("The update stops: the journal cannot be written");
    const UpdateResult result = UpdateGroup(context, "Staff.Acme", entries, view);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(membershipOf("Cy.Acme"), (Texts{"", ""}));
    EXPECT_EQ(fakeJournal.end, std::nullopt); // left as cut short: still true of what it wrote
}

TEST_P(UpdateGroupTest, JournalNamesTheRefusedMemberAndKeepsThoseBefore) {
    connect();
    FakeJournal &journal = journalled();
    const MemberEntries entries{{"Ann.Acme", MemberMark::Add},
                                {"Gone.Acme", MemberMark::Add},
                                {"Bob.Acme", MemberMark::Add}};
    EXPECT_THROW(UpdateGroup(context, "Staff.Acme", entries, view), DirectoryError);
    EXPECT_EQ(journal.outcomes, (std::vector<std::string>{"written", "refused -601", "pending"}));
    EXPECT_EQ(journal.end, journal::RunEnd::Failed);
}

// The file may grow a little only: the walk fails part-way, and its text must say exactly how
// many members the store holds for good, and which file is full.
TEST_P(UpdateGroupTest, AFullDiskSaysWhatWasWrittenAndWhichFileIsFull) {
    if (backend == testing::Backend::Ldap)
        GTEST_SKIP() << "the store's batches: the embedded tree only";
    constexpr int kUsers = 3000;
    MemberEntries entries;
    ASSERT_EQ(admin().Begin(), status::Ok);
    for (int i = 0; i < kUsers; ++i) {
        entries.push_back({"U" + std::to_string(i) + ".Acme", MemberMark::Add});
        add(entries.back().name, "User", testing::UserValues());
    }
    ASSERT_EQ(admin().Commit(), status::Ok);
    connect();
    const std::string store = ContextStoreFile(context);
    ASSERT_FALSE(store.empty());
    std::error_code ec;
    const auto log = std::filesystem::file_size(store + "-wal", ec);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto grown = std::max<std::uintmax_t>(std::filesystem::file_size(store), ec ? 0 : log);
    const rlimit small{static_cast<rlim_t>(grown + 3 * 1024 * 1024), before.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        UpdateGroup(context, "Staff.Acme", entries, view);
    } catch (const DirectoryError &error) {
        message = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, SIG_DFL);
    const std::size_t written = values("Staff.Acme", "Member").size();
    EXPECT_NE(message.find(" after " + std::to_string(written) + " of " + std::to_string(kUsers) +
                           " members written"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("disk full: the store file " + store + " cannot grow"),
              std::string::npos)
        << message;
}

} // namespace
} // namespace tarnbeck
