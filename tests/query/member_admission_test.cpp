#include "engine_tree.h"
#include "membership/mark_counts.h"
#include "membership/update_group.h"
#include "query/execute.h"
#include "query/group_loading.h"
#include "scripted_prompter.h"

#include <map>

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::Texts;
using M = MemberMark;

class PlainUpdateView : public UpdateView {
  public:
    UnsavedState unsavedState() const override { return {}; }
    void setUpdateEnabled(bool) override {}
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
};

class MemberAdmissionTest : public testing::OnBothBackends<testing::EngineTree> {
  protected:
    // Runs the group's queries and gives each name's mark and, for refused ones, the reason.
    std::map<std::string, std::pair<M, std::string>> execute() {
        testing::FakeWindow window(context);
        NameListPage excludes, statics;
        window.browserAnswer = "Team.Acme";
        EXPECT_TRUE(ChooseGroup({context, {}}, window, excludes, statics));
        EXPECT_TRUE(Execute({context, "Team.Acme", {}, &names}, window));
        std::map<std::string, std::pair<M, std::string>> marks;
        for (const MemberEntry &entry : *window.memberList)
            marks[entry.name] = {entry.mark,
                                 entry.reason.refusal ? entry.reason.refusal->text : ""};
        outcome = *window.memberList;
        return marks;
    }

    MemberEntries outcome;
};
INSTANTIATE_ON_BOTH_BACKENDS(MemberAdmissionTest);

// A query that finds everything: only the users become members; the containers, the other
// group, an alias, the group itself and a container on the static list are shown, never written.
TEST_P(MemberAdmissionTest, OnlyMemberClassesAreWritten) {
    add("Link.Acme", "Alias",
        {{"Aliased Object Name", testing::TextValue(SYN_DIST_NAME, "Di.Acme")}});
    addValue("Team.Acme", "L",
             testing::TextValue(SYN_CI_STRING, "q:ldap:///o=acme??sub?(objectclass=*)"));
    addValue("Team.Acme", "L", testing::TextValue(SYN_CI_STRING, "s:6"));
    addReference("Team.Acme", "Owner", "Sales.Acme");
    connect();
    testing::ScriptedPrompter prompter;

    auto marks = execute();
    using Mark = std::pair<M, std::string>;
    EXPECT_EQ(marks["Acme"], Mark(M::NotAddable, "cannot be a member: class Organization"));
    EXPECT_EQ(marks["Sales.Acme"],
              Mark(M::NotAddable, "cannot be a member: class Organizational Unit"));
    EXPECT_EQ(marks["Pcs.Acme"],
              Mark(M::NotAddable, "cannot be a member: class zenWorkstationGroup"));
    EXPECT_EQ(marks["Team.Acme"], Mark(M::NotAddable, "cannot be a member: the group itself"));
    EXPECT_EQ(marks["Link.Acme"], Mark(M::NotAddable, "cannot be a member: alias"));
    for (const char *user : {"Admin.Acme", "Ann.Sales.Acme", "Di.Acme"})
        EXPECT_EQ(marks[user], Mark(M::Add, "")) << user;
    const MarkCounts counts = CountMarks(outcome);
    EXPECT_EQ(counts.notAddable, 5u);
    EXPECT_NE(DescribeCounts(counts).find(", 5 not addable"), std::string::npos);

    PlainUpdateView view;
    UpdateGroup(context, "Team.Acme", outcome, view);
    EXPECT_EQ(values("Team.Acme", "Member"), (Texts{"Admin.Acme", "Ann.Sales.Acme",
                                                    "Bob.Sales.Acme", "Cy.Sales.Acme", "Di.Acme"}));
    for (const char *refused : {"Acme", "Sales.Acme", "Pcs.Acme", "Team.Acme", "Link.Acme"}) {
        EXPECT_TRUE(values(refused, "Group Membership").empty()) << refused;
        EXPECT_TRUE(values(refused, "Security Equals").empty()) << refused;
    }
}

// Trees that need more name the classes, which must be able to hold the membership; a
// workstation group takes workstations, not users.
TEST_P(MemberAdmissionTest, TheMemberClassesFollowTheGroupTheSettingsAndTheSchema) {
    add("Ws1.Acme", "Workstation");
    add("Srv.Acme", "NCP Server");
    addValue("Pcs.Acme", "L",
             testing::TextValue(SYN_CI_STRING, "q:ldap:///o=acme??one?(objectclass=*)"));
    addValue("Pcs.Acme", "L", testing::TextValue(SYN_CI_STRING, "s:7"));
    connect();
    testing::ScriptedPrompter prompter;

    const auto run = [&](std::vector<std::string> extra) {
        testing::FakeWindow window(context);
        NameListPage excludes, statics;
        window.browserAnswer = "Pcs.Acme";
        EXPECT_TRUE(ChooseGroup({context, {}}, window, excludes, statics));
        EXPECT_TRUE(Execute({context, "Pcs.Acme", {}, &names, std::move(extra)}, window));
        std::map<std::string, std::pair<M, std::string>> marks;
        for (const MemberEntry &entry : *window.memberList)
            marks[entry.name] = {entry.mark,
                                 entry.reason.refusal ? entry.reason.refusal->text : ""};
        return marks;
    };
    using Mark = std::pair<M, std::string>;
    auto marks = run({});
    EXPECT_EQ(marks["Ws1.Acme"], Mark(M::Add, ""));
    EXPECT_EQ(marks["Di.Acme"], Mark(M::NotAddable, "cannot be a member: class User"));
    EXPECT_EQ(marks["Srv.Acme"], Mark(M::NotAddable, "cannot be a member: class NCP Server"));

    marks = run({"ncp server", "Organizational Unit"});
    EXPECT_EQ(marks["Srv.Acme"], Mark(M::Add, ""));
    EXPECT_EQ(marks["Sales.Acme"],
              Mark(M::NotAddable, "cannot be a member: class Organizational Unit does not allow "
                                  "Group Membership"));
    EXPECT_EQ(marks["Di.Acme"].first, M::NotAddable);
}

} // namespace
} // namespace tarnbeck
