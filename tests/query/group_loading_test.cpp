#include "directory/directory_error.h"
#include "engine_tree.h"
#include "query/group_loading.h"
#include "scripted_prompter.h"

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::Texts;
using M = MemberMark;

constexpr const char *kDiscardQuestion =
    "There unsaved data (query, excludes or includes), ignore changes?";

class GroupLoadingTest : public testing::EngineTree {
  protected:
    void SetUp() override {
        EngineTree::SetUp();
        addValue("Team.Acme", "L",
                 testing::TextValue(SYN_CI_STRING, "q:ldap:///ou=sales.o=acme??one?(title=Dev)"));
        addValue("Team.Acme", "L", testing::TextValue(SYN_CI_STRING, "s:5"));
        addReference("Team.Acme", "Member", "Di.Acme");
        addReference("Team.Acme", "Member", "Bob.Sales.Acme");
        addReference("Team.Acme", "See Also", "Cy.Sales.Acme");
        addReference("Team.Acme", "Owner", "Di.Acme");
        addReference("Team.Acme", "Owner", "Ann.Sales.Acme");
        connect();
        window.emplace(context);
    }
    bool choose() { return ChooseGroup({context, {}}, *window, excludes, statics); }

    testing::ScriptedPrompter prompter;
    std::optional<testing::FakeWindow> window;
    NameListPage excludes, statics;
};

TEST_F(GroupLoadingTest, LoadsKindQueriesMembersAndBothLists) {
    window->group = "Pcs.Acme";
    window->browserAnswer = "Team.Acme";
    EXPECT_TRUE(choose());

    EXPECT_EQ(window->browserOpenedAt, Texts{"Pcs.Acme"});
    EXPECT_EQ(window->group, "Team.Acme");
    EXPECT_EQ(window->kind, (GroupKind{false, 0, "user"}));
    EXPECT_EQ(window->editor.queries().entries, Texts{"ldap:///ou=sales.o=acme??one?(title=Dev)"});
    EXPECT_EQ(window->view.filter, "(title=Dev)");
    EXPECT_TRUE(window->view.settings.addMode);
    EXPECT_FALSE(window->editor.modified());
    const MemberEntries members{{"Bob.Sales.Acme", M::Keep}, {"Di.Acme", M::Keep}};
    EXPECT_EQ(window->memberList, members);
    EXPECT_EQ(excludes.names(), Texts{"Cy.Sales.Acme"});
    EXPECT_EQ(statics.names(), (Texts{"Ann.Sales.Acme", "Di.Acme"}));
    EXPECT_FALSE(excludes.saveEnabled());
    EXPECT_FALSE(statics.saveEnabled());
    EXPECT_TRUE(window->editingEnabled);
}

TEST_F(GroupLoadingTest, FreshWorkstationGroupShowsOneDefaultQuery) {
    window->browserAnswer = "Pcs.Acme";
    EXPECT_TRUE(choose());
    EXPECT_EQ(window->kind, (GroupKind{true, 1, "workstation"}));
    EXPECT_EQ(window->view.selector, Texts{"Query 1"});
    EXPECT_EQ(window->view.context, "");
    EXPECT_EQ(window->view.filter, "(&(objectclass=workstation))");
    EXPECT_EQ(window->memberList, MemberEntries{});
    EXPECT_TRUE(excludes.items().empty());
    EXPECT_TRUE(statics.items().empty());
}

TEST_F(GroupLoadingTest, KindFollowsTheBaseClassExactly) {
    EXPECT_FALSE(GroupKindOf("Group").workstationGroup);
    EXPECT_TRUE(GroupKindOf("Workstation Group").workstationGroup);
    EXPECT_TRUE(GroupKindOf("zenWorkstationGroup").workstationGroup);
    EXPECT_TRUE(GroupKindOf("group").workstationGroup);
}

TEST_F(GroupLoadingTest, AnsweringNoKeepsEverything) {
    statics.add("Bob.Sales.Acme");
    prompter.expectConfirm(kDiscardQuestion, false);
    window->browserAnswer = "Team.Acme";
    EXPECT_FALSE(choose());
    EXPECT_TRUE(statics.saveEnabled());
    EXPECT_EQ(statics.names(), Texts{"Bob.Sales.Acme"});
    EXPECT_TRUE(window->browserOpenedAt.empty());
    EXPECT_FALSE(window->droppedQueryChanges);
}

TEST_F(GroupLoadingTest, ChangesAreDroppedEvenWhenTheBrowserIsCancelled) {
    excludes.add("Bob.Sales.Acme");
    prompter.expectConfirm(kDiscardQuestion, true);
    EXPECT_FALSE(choose());
    EXPECT_FALSE(excludes.saveEnabled());
    EXPECT_EQ(excludes.names(), Texts{}); // back as last loaded: nothing
    EXPECT_TRUE(window->droppedQueryChanges);
    EXPECT_FALSE(window->kind.has_value());
    EXPECT_FALSE(window->editingEnabled);
}

TEST_F(GroupLoadingTest, NothingUnsavedAsksNothing) {
    EXPECT_TRUE(ConfirmDiscard({}));
    prompter.expectConfirm(kDiscardQuestion, false);
    EXPECT_FALSE(ConfirmDiscard({false, false, true}));
}

TEST_F(GroupLoadingTest, FailedReadEndsTheLoadWithNoGroup) {
    statics.add("Bob.Sales.Acme");
    statics.dropChanges();
    window->browserAnswer = "Gone.Acme";
    EXPECT_THROW(choose(), DirectoryError);
    EXPECT_EQ(window->group, "");
    EXPECT_TRUE(statics.items().empty());
    EXPECT_FALSE(window->kind.has_value());
    EXPECT_FALSE(window->editingEnabled);
}

} // namespace
} // namespace tarnbeck
