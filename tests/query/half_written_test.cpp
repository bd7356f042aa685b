// Memberships left written on some sides only, by an Update that was interrupted or refused
// part-way: Execute finds and shows them, Update leaves every name whole or gone, in both modes.

#include "engine_tree.h"
#include "membership/half_written.h"
#include "membership/update_group.h"
#include "query/execute.h"
#include "scripted_prompter.h"

#include <algorithm>

namespace tarnbeck {
namespace {

using testing::Texts;
using M = MemberMark;

class QuietUpdateView : public UpdateView {
  public:
    UnsavedState unsavedState() const override { return {}; }
    void setUpdateEnabled(bool) override {}
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
};

class HalfWrittenTest : public testing::EngineTree, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        EngineTree::SetUp();
        for (const char *user : {"Eve.Acme", "Fay.Acme", "Gus.Acme"})
            add(user, "User", testing::UserValues());
        const std::string settings = addMode() ? "s:1" : "s:0";
        for (const std::string value : {"q:ldap:///t=test_tree??sub?(title=Dev)", settings.c_str()})
            addValue("Team.Acme", "L", testing::TextValue(dsclient::SYN_CI_STRING, value));
    }
    bool addMode() const { return GetParam(); }

    MemberEntries executeAndUpdate() {
        testing::FakeWindow window(context);
        window.loadQueries("Team.Acme", "user");
        EXPECT_TRUE(Execute({context, "Team.Acme", {}, &names}, window));
        QuietUpdateView view;
        UpdateGroup(context, "Team.Acme", *window.memberList, view);
        return *window.memberList;
    }

    testing::ScriptedPrompter prompter;
};

TEST_P(HalfWrittenTest, ExecuteShowsThemAndUpdateWritesEachWholeOrRemovesIt) {
    // The query finds Ann, Bob and Di.
    addReference("Team.Acme", "Member", "Ann.Sales.Acme");
    addReference("Team.Acme", "Member", "Bob.Sales.Acme");
    addReference("Bob.Sales.Acme", "Group Membership", "Team.Acme");
    ASSERT_EQ(admin().AddSecurityEquivalence("Di.Acme", "Team.Acme"), dsclient::status::Ok);
    // Left behind by removals: one side each.
    addReference("Cy.Sales.Acme", "Group Membership", "Team.Acme");
    addReference("Team.Acme", "Equivalent To Me", "Eve.Acme");
    addReference("Fay.Acme", "Security Equals", "Team.Acme");
    addMember("Gus.Acme"); // whole, but no query finds him
    connect();

    const MemberEntries planned{{"Ann.Sales.Acme", M::Keep, true},
                                {"Bob.Sales.Acme", M::Keep, true},
                                {"Cy.Sales.Acme", M::Remove, true},
                                {"Di.Acme", M::Add, true},
                                {"Eve.Acme", M::Remove, true},
                                {"Fay.Acme", M::Remove, true},
                                {"Gus.Acme", addMode() ? M::Keep : M::Remove}};
    EXPECT_EQ(executeAndUpdate(), planned);

    Texts members{"Ann.Sales.Acme", "Bob.Sales.Acme", "Di.Acme"};
    if (addMode())
        members.push_back("Gus.Acme");
    MemberEntries settled;
    for (const std::string &member : members)
        settled.push_back({member, M::Keep});
    EXPECT_EQ(executeAndUpdate(), settled);

    EXPECT_EQ(values("Team.Acme", "Member"), members);
    EXPECT_EQ(values("Team.Acme", "Equivalent To Me"), members);
    for (const std::string &member : members) {
        EXPECT_EQ(values(member, "Group Membership"), Texts{"Team.Acme"}) << member;
        EXPECT_EQ(values(member, "Security Equals"), Texts{"Team.Acme"}) << member;
    }
    for (const char *outsider : {"Cy.Sales.Acme", "Eve.Acme", "Fay.Acme"}) {
        EXPECT_TRUE(values(outsider, "Group Membership").empty()) << outsider;
        EXPECT_TRUE(values(outsider, "Security Equals").empty()) << outsider;
    }
    EXPECT_EQ(liveIterations(), 0u);
}

// The tree's own answer, with the group's "Member" given and read by the backend itself.
class HalfWrittenCheck : public testing::OnBothBackends<testing::EngineTree> {
  protected:
    Texts halfWritten(const std::string &group, const Texts *members) {
        Texts names;
        EXPECT_EQ(dsclient::HalfWrittenMemberships(context, group, members, names),
                  dsclient::status::Ok);
        std::sort(names.begin(), names.end());
        return names;
    }
};
INSTANTIATE_ON_BOTH_BACKENDS(HalfWrittenCheck);

TEST_P(HalfWrittenCheck, OnlyTheNamesWhoseSidesDisagreeEachOnce) {
    for (const char *user : {"Eve.Acme", "Fay.Acme", "Gus.Acme"})
        add(user, "User", testing::UserValues());
    add("Te*.Acme", "Group");
    addMember("Gus.Acme");
    addMember("Di.Acme");
    addMember("Di.Acme", "Te*.Acme"); // another group's whole member: nothing to Team
    addReference("Team.Acme", "Member", "Ann.Sales.Acme");
    addReference("Team.Acme", "Member", "Bob.Sales.Acme");
    addReference("Bob.Sales.Acme", "Group Membership", "Team.Acme");
    addReference("Cy.Sales.Acme", "Group Membership", "Team.Acme");
    addReference("Team.Acme", "Equivalent To Me", "Eve.Acme");
    addReference("Fay.Acme", "Security Equals", "Team.Acme");
    addReference("Eve.Acme", "Group Membership", "Te*.Acme"); // half-written on Te* only
    connect();

    const Texts members{"Ann.Sales.Acme", "Bob.Sales.Acme", "Di.Acme", "Gus.Acme"};
    const Texts expected{"Ann.Sales.Acme", "Bob.Sales.Acme", "Cy.Sales.Acme", "Eve.Acme",
                         "Fay.Acme"};
    EXPECT_EQ(halfWritten("Team.Acme", &members), expected);
    EXPECT_EQ(halfWritten("team.ACME", nullptr), expected);
    // A '*' in a group's name is that character, never a wildcard.
    EXPECT_EQ(halfWritten("Te*.Acme", nullptr), Texts{"Eve.Acme"});
    Texts none;
    EXPECT_EQ(dsclient::HalfWrittenMemberships(context, "Nobody.Acme", nullptr, none),
              dsclient::status::NoSuchEntry);
}

INSTANTIATE_TEST_SUITE_P(Modes, HalfWrittenTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Add" : "Sync"; });

class HalfWrittenOnBothBackends : public testing::OnBothBackends<testing::EngineTree> {};
INSTANTIATE_ON_BOTH_BACKENDS(HalfWrittenOnBothBackends);

TEST_P(HalfWrittenOnBothBackends, AGroupWithAStarInItsNameSettles) {
    // To a pattern "Te*.Acme" would also be Team.Acme, whose members are whole as well.
    add("Te*.Acme", "Group");
    for (const char *user : {"Eve.Acme", "Fay.Acme", "Gus.Acme"})
        add(user, "User", testing::UserValues());
    addMember("Eve.Acme", "Te*.Acme");
    addMember("Fay.Acme", "Te*.Acme");
    addMember("Gus.Acme");
    addReference("Cy.Sales.Acme", "Group Membership", "Te*.Acme"); // half-written on Te*
    connect();
    EXPECT_EQ(FindHalfWrittenMembers(context, "Te*.Acme", {"Eve.Acme", "Fay.Acme"}),
              Texts{"Cy.Sales.Acme"});
    EXPECT_EQ(FindHalfWrittenMembers(context, "Team.Acme", {"Gus.Acme"}), Texts{});
    EXPECT_EQ(liveIterations(), 0u);
}

} // namespace
} // namespace tarnbeck
