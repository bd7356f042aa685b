#include "directory/directory_error.h"
#include "engine_tree.h"
#include "query/execute.h"
#include "scripted_prompter.h"

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::Texts;
using M = MemberMark;

class ExecuteTest : public testing::EngineTree {
  protected:
    void SetUp() override {
        EngineTree::SetUp();
        connect();
        window.emplace(context);
    }
    // Stores the values in the group's query attribute and loads them into the editor.
    void loadQueries(const Texts &storedValues) {
        for (const auto &value : storedValues)
            addValue("Team.Acme", "L", testing::TextValue(SYN_CI_STRING, value));
        window->loadQueries("Team.Acme", "user");
    }
    bool execute() { return Execute({context, "Team.Acme", {}, &names}, *window); }

    testing::ScriptedPrompter prompter;
    std::optional<testing::FakeWindow> window;
};

TEST_F(ExecuteTest, SyncModeWithBothListsReadFromTheDirectory) {
    addMember("Cy.Sales.Acme");
    addMember("Di.Acme");
    addReference("Team.Acme", "Owner", "Di.Acme");
    addReference("Team.Acme", "Owner", "Admin.Acme");
    addReference("Team.Acme", "See Also", "Bob.Sales.Acme");
    addReference("Team.Acme", "See Also", "Admin.Acme"); // on both lists: excluded
    loadQueries({"q:ldap:///ou=sales.o=acme??sub?(title=Dev)", "s:6"});

    EXPECT_TRUE(execute());
    const MemberEntries expected{{"Admin.Acme", M::Excluded},
                                 {"Ann.Sales.Acme", M::Add},
                                 {"Bob.Sales.Acme", M::Excluded},
                                 {"Cy.Sales.Acme", M::Remove},
                                 {"Di.Acme", M::Static}};
    EXPECT_EQ(window->memberList, expected);
    EXPECT_TRUE(window->updateEnabled);
    EXPECT_EQ(prompter.busyDepth(), 0);
    EXPECT_EQ(prompter.busyPushes(), 1);
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(ExecuteTest, AddModeListsOffAndOneEntryPerObjectFound) {
    addMember("Cy.Sales.Acme");
    addReference("Team.Acme", "Owner", "Di.Acme"); // not applied: "Add Statics" is off
    // Both queries find Ann; the second spells the base in other case.
    loadQueries({"q:ldap:///ou=sales.o=acme??one?(title=Dev)",
                 "q:ldap:///OU=SALES.O=ACME??sub?(cn=ann)", "s:1"});

    EXPECT_TRUE(execute());
    const MemberEntries expected{
        {"Ann.Sales.Acme", M::Add}, {"Bob.Sales.Acme", M::Add}, {"Cy.Sales.Acme", M::Keep}};
    EXPECT_EQ(window->memberList, expected);
}

TEST_F(ExecuteTest, TreeRootContextSearchesTheWholeTree) {
    loadQueries({"q:ldap:///t=test_tree??sub?(title=Dev)", "s:0"});
    EXPECT_TRUE(execute());
    const MemberEntries expected{
        {"Ann.Sales.Acme", M::Add}, {"Bob.Sales.Acme", M::Add}, {"Di.Acme", M::Add}};
    EXPECT_EQ(window->memberList, expected);
}

TEST_F(ExecuteTest, UnsavedQueriesRunNothing) {
    loadQueries({"q:ldap:///ou=sales.o=acme??sub?(title=Dev)", "s:6"});
    window->editor.addQuery();
    prompter.expectMessage("Query not saved!");
    EXPECT_FALSE(execute());
    EXPECT_FALSE(window->memberList.has_value());
    EXPECT_EQ(prompter.busyPushes(), 0);
}

// The member list and Update group stay as they were when any query fails.
class FailingQueryTest : public ExecuteTest {
  protected:
    void expectNoOutcome(std::size_t shownQuery) {
        EXPECT_FALSE(window->memberList.has_value());
        EXPECT_FALSE(window->updateEnabled);
        EXPECT_EQ(window->selectedQueries, std::vector<std::size_t>{shownQuery});
        EXPECT_EQ(window->editor.queries().currentIndex, shownQuery);
        EXPECT_EQ(prompter.busyDepth(), 0);
        EXPECT_EQ(liveIterations(), 0u);
    }
};

TEST_F(FailingQueryTest, QueryWithoutContextStopsTheRun) {
    loadQueries({"q:ldap:///ou=sales.o=acme??sub?(title=Dev)", "q:ldap:///??sub?(cn=x)",
                 "q:ldap:///o=acme??sub?(cn=y)", "s:6"});
    prompter.expectMessage("Query 2 not valid\nQuery 2 has no context to search from: choose "
                           "one with \"...\" beside context.");
    EXPECT_FALSE(execute());
    expectNoOutcome(1);
}

TEST_F(FailingQueryTest, GroupWithoutStoredQueries) {
    window->loadQueries("Team.Acme", "user");
    prompter.expectMessage("Query 1 not valid\nQuery 1 has no context to search from: choose "
                           "one with \"...\" beside context.");
    EXPECT_FALSE(execute());
    expectNoOutcome(0);
}

TEST_F(FailingQueryTest, RefusedFilterShowsItsOwnMessage) {
    loadQueries({"q:ldap:///o=acme??sub?(cn=x)", "q:ldap:///o=acme??sub?(bogus=x)", "s:6"});
    prompter.expectMessage("Unknown attribute: bogus\nQuery 2, filter (bogus=x)");
    EXPECT_FALSE(execute());
    expectNoOutcome(1);
}

TEST_F(FailingQueryTest, NoNameTableYetKnowsNoAttribute) {
    loadQueries({"q:ldap:///o=acme??sub?(title=Dev)", "s:6"});
    prompter.expectMessage("Unknown attribute: title\nQuery 1, filter (title=Dev)");
    EXPECT_FALSE(Execute({context, "Team.Acme", {}, nullptr}, *window));
    expectNoOutcome(0);
}

TEST_F(FailingQueryTest, BrokenSearchGivesNoPartialResult) {
    // The first query finds Ann and Bob; the second's base is gone.
    loadQueries({"q:ldap:///ou=sales.o=acme??sub?(title=Dev)",
                 "q:ldap:///ou=gone.o=acme??sub?(title=Dev)", "s:6"});
    try {
        execute();
        FAIL() << "a search that broke off must not pass for a complete one";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::NoSuchEntry);
        EXPECT_EQ(std::string(error.what()),
                  "Netware error -601 (0xFFFFFDA7): no such object\nQuery 2, context "
                  "ou=gone.o=acme: no object of that name in the tree (searched from gone.acme)");
    }
    expectNoOutcome(1);
}

TEST_F(FailingQueryTest, FailedListReadLeavesTheMemberListAlone) {
    loadQueries({"q:ldap:///ou=sales.o=acme??sub?(title=Dev)", "s:6"});
    try {
        // The group went away after its queries were loaded.
        Execute({context, "Gone.Acme", {}, &names}, *window);
        FAIL() << "reading the members of a missing group must fail";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::NoSuchEntry);
    }
    EXPECT_FALSE(window->memberList.has_value());
    EXPECT_FALSE(window->updateEnabled);
    EXPECT_EQ(prompter.busyDepth(), 0);
}

} // namespace
} // namespace tarnbeck
