#include "engine_tree.h"
#include "membership/update_group.h"
#include "query/execute.h"
#include "query/group_loading.h"
#include "scripted_prompter.h"

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::Texts;
using M = MemberMark;

class EndToEndTest : public testing::OnBothBackends<testing::EngineTree> {};
INSTANTIATE_ON_BOTH_BACKENDS(EndToEndTest);

TEST_P(EndToEndTest, LoadExecuteUpdateAndExecuteAgain) {
    addValue("Team.Acme", "L",
             testing::TextValue(SYN_CI_STRING, "q:ldap:///t=test_tree??sub?(title=Dev)"));
    addValue("Team.Acme", "L", testing::TextValue(SYN_CI_STRING, "s:6"));
    addMember("Cy.Sales.Acme");
    addReference("Team.Acme", "Owner", "Admin.Acme");
    addReference("Team.Acme", "See Also", "Bob.Sales.Acme");
    connect();

    testing::ScriptedPrompter prompter;
    testing::FakeWindow window(context);
    NameListPage excludes, statics;
    window.browserAnswer = "Team.Acme";
    ASSERT_TRUE(ChooseGroup({context, {}}, window, excludes, statics));

    const ExecuteTarget target{context, "Team.Acme", {}, &names};
    ASSERT_TRUE(Execute(target, window));
    const MemberEntries planned{{"Admin.Acme", M::Static},
                                {"Ann.Sales.Acme", M::Add},
                                {"Bob.Sales.Acme", M::Excluded},
                                {"Cy.Sales.Acme", M::Remove},
                                {"Di.Acme", M::Add}};
    ASSERT_EQ(window.memberList, planned);

    testing::WindowUpdateView updateView(window, excludes, statics);
    UpdateGroup(context, window.group, *window.memberList, updateView);
    EXPECT_FALSE(window.updateEnabled);

    const Texts members{"Admin.Acme", "Ann.Sales.Acme", "Di.Acme"};
    EXPECT_EQ(values("Team.Acme", "Member"), members);
    EXPECT_EQ(values("Team.Acme", "Equivalent To Me"), members);
    for (const auto &member : members) {
        EXPECT_EQ(values(member, "Group Membership"), Texts{"Team.Acme"}) << member;
        EXPECT_EQ(values(member, "Security Equals"), Texts{"Team.Acme"}) << member;
    }
    for (const char *outsider : {"Bob.Sales.Acme", "Cy.Sales.Acme"}) {
        EXPECT_TRUE(values(outsider, "Group Membership").empty()) << outsider;
        EXPECT_TRUE(values(outsider, "Security Equals").empty()) << outsider;
    }

    // Nothing is left to add or remove; the lists still mark their names.
    ASSERT_TRUE(Execute(target, window));
    const MemberEntries settled{{"Admin.Acme", M::Static},
                                {"Ann.Sales.Acme", M::Keep},
                                {"Bob.Sales.Acme", M::Excluded},
                                {"Di.Acme", M::Keep}};
    EXPECT_EQ(window.memberList, settled);
    UpdateGroup(context, window.group, *window.memberList, updateView);
    EXPECT_EQ(values("Team.Acme", "Member"), members);
    EXPECT_EQ(liveIterations(), 0u);
}

} // namespace
} // namespace tarnbeck
