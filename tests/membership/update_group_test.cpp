#include "directory/directory_error.h"
#include "membership/member_changes.h"
#include "membership/update_group.h"
#include "membership_tree.h"
#include "scripted_prompter.h"

#include <sys/resource.h>

#include <algorithm>
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
    bool stopRequested() override { return stopAfter && positions.back() >= *stopAfter; }

    std::optional<RemovalBrake> brake;
    std::optional<int> stopAfter;
};

class UpdateGroupTest : public testing::MembershipTree {
  protected:
    testing::ScriptedPrompter prompter;
    RecordingUpdateView view;
};

TEST_F(UpdateGroupTest, UnsavedPartsAreNamedInOrderAndNothingRuns) {
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

TEST_F(UpdateGroupTest, MarksDecideAndEveryEntryStepsTheProgress) {
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

TEST_F(UpdateGroupTest, EmptyListRunsFromZeroToZero) {
    connect();
    UpdateGroup(context, "Staff.Acme", {}, view);
    EXPECT_EQ(view.maximum, 0);
    EXPECT_EQ(view.positions, (std::vector<int>{0, 0}));
    EXPECT_FALSE(view.updateEnabled);
}

TEST_F(UpdateGroupTest, RefusalStopsTheWalkAtThatEntry) {
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

TEST_F(UpdateGroupTest, AMemberRefusedPartWayIsNotWrittenAtAll) {
    connect();
    // The tree root takes "Member" and "Group Membership" values but no equivalence.
    const MemberEntries entries{{"Ann.Acme", MemberMark::Add}, {"[Root]", MemberMark::Add}};
    try {
        UpdateGroup(context, "Staff.Acme", entries, view);
        FAIL() << "the refused equivalence must stop the walk";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::InvalidRequest);
    }
    EXPECT_EQ(values("Staff.Acme", "Member"), Texts{"Ann.Acme"});
    EXPECT_TRUE(values("[Root]", "Group Membership").empty());
    EXPECT_EQ(membershipOf("Ann.Acme"), (Texts{"Staff.Acme", "Staff.Acme"}));
}

TEST_F(UpdateGroupTest, AnIncompleteMemberThatStaysIsWrittenWhole) {
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

TEST_F(UpdateGroupTest, StopEndsTheWalkAfterTheMemberBeingWritten) {
    connect();
    const MemberEntries entries{{"Ann.Acme", MemberMark::Add},
                                {"Admin.Acme", MemberMark::Keep},
                                {"Bob.Acme", MemberMark::Add},
                                {"Cy.Acme", MemberMark::Add}};
    view.stopAfter = 3;
    const UpdateResult result = UpdateGroup(context, "Staff.Acme", entries, view);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.written, 2u);
    EXPECT_EQ(membershipOf("Bob.Acme"), (Texts{"Staff.Acme", "Staff.Acme"}));
    EXPECT_EQ(membershipOf("Cy.Acme"), (Texts{"", ""}));
    EXPECT_EQ(view.positions, (std::vector<int>{0, 1, 2, 3, 0}));

    // Asked after the last member, Stop has nothing left to end.
    view.positions.clear();
    view.stopAfter = 1;
    const UpdateResult last = UpdateGroup(context, "Staff.Acme", {entries[3]}, view);
    EXPECT_FALSE(last.stopped);
    EXPECT_EQ(last.written, 1u);
}

TEST_F(UpdateGroupTest, TheBrakeAsksBeforeAMassRemovalAndNoWritesNothing) {
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

TEST_F(UpdateGroupTest, WithoutRightsTheFirstChangeFails) {
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
    EXPECT_EQ(view.positions, (std::vector<int>{0, 1, 0}));
    EXPECT_TRUE(values("Staff.Acme", "Member").empty());
    EXPECT_EQ(prompter.busyDepth(), 0);
}

// The file may grow a little only: the walk fails part-way, and its text must say exactly how
// many members the store holds for good, and which file is full.
TEST_F(UpdateGroupTest, AFullDiskSaysWhatWasWrittenAndWhichFileIsFull) {
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
