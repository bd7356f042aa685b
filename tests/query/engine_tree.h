#pragma once

// A tree with a maintained group for the engine's tests, and fakes of what the main window
// provides: the query editor's controls, the Execute host and the group-load host.

#include "directory/values_reader.h"
#include "query/execute.h"
#include "query/group_loading.h"
#include "fake_editor_view.h"
#include "membership/update_group.h"
#include "query/query_editor.h"
#include "test_tree.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnbeck::testing {

using Texts = std::vector<std::string>;

//   Acme
//     Sales.Acme: Ann (Dev), Bob (Dev), Cy (Ops)
//     Di.Acme (Dev), Team.Acme (Group), Pcs.Acme (zenWorkstationGroup)
class EngineTree : public TreeTest {
  protected:
    void SetUp() override {
        TreeTest::SetUp();
        add("Sales.Acme", "Organizational Unit");
        addUser("Ann.Sales.Acme", "Dev");
        addUser("Bob.Sales.Acme", "Dev");
        addUser("Cy.Sales.Acme", "Ops");
        addUser("Di.Acme", "Dev");
        add("Team.Acme", "Group");
        add("Pcs.Acme", "zenWorkstationGroup");
    }

    void addUser(const std::string &name, const std::string &title) {
        auto values = UserValues();
        values.emplace_back("Title", TextValue(dsclient::SYN_CI_STRING, title));
        add(name, "User", values);
    }
    void addReference(const std::string &object, const std::string &attribute,
                      const std::string &name) {
        addValue(object, attribute, TextValue(dsclient::SYN_DIST_NAME, name));
    }
    // A member in full: both attributes and the equivalence.
    void addMember(const std::string &member, const std::string &group = "Team.Acme") {
        addReference(group, "Member", member);
        addReference(member, "Group Membership", group);
        ASSERT_EQ(admin().AddSecurityEquivalence(member, group), dsclient::status::Ok);
    }

    Texts values(const std::string &object, const std::string &attribute) {
        Texts texts;
        for (const auto &item : ReadValues(context, object, attribute))
            texts.push_back(item.text);
        std::sort(texts.begin(), texts.end());
        return texts;
    }

    const AttributeNameMap names{
        {"cn=CN", "objectclass=Object Class", "title=Title", "sn=Surname"}};
};

// The main window's part in Execute and group loading, over a real query editor.
class FakeWindow : public ExecuteHost, public GroupLoadHost {
  public:
    FakeWindow(dsclient::ContextHandle context) : context_(context) { view.editor = &editor; }

    FakeEditorView view;
    QueryEditor editor{view};
    std::string group;
    std::optional<GroupKind> kind;
    std::optional<std::string> browserAnswer; // nullopt: cancelled
    std::vector<std::string> browserOpenedAt;
    std::optional<MemberEntries> memberList;
    bool updateEnabled = false;
    bool editingEnabled = false;
    std::vector<std::size_t> selectedQueries;

    // ExecuteHost
    bool queryUnsaved() const override { return editor.modified(); }
    const QueryList &queries() const override { return editor.storedQueries(); }
    void selectQuery(std::size_t index) override {
        selectedQueries.push_back(index);
        editor.selectQuery(index);
    }
    FilterField *filterField() override { return nullptr; }
    void showOutcome(MemberEntries outcome) override { memberList = std::move(outcome); }
    void setUpdateEnabled(bool enabled) override { updateEnabled = enabled; }

    // GroupLoadHost
    bool queryModified() const override { return editor.modified(); }
    void dropQueryChanges() override {
        editor.dropChanges();
        droppedQueryChanges = true;
    }
    std::optional<std::string> browseForGroup(const std::string &currentGroup) override {
        browserOpenedAt.push_back(currentGroup);
        return browserAnswer;
    }
    std::string groupField() const override { return group; }
    void setGroupField(const std::string &name) override { group = name; }
    void setGroupKind(const GroupKind &value) override { kind = value; }
    void loadQueries(const std::string &groupName, const std::string &memberClassWord) override {
        LoadGroupQueries(editor, context_, groupName, "L", memberClassWord);
    }
    void showMembers(const MemberEntries &members) override { memberList = members; }
    void enableQueryEditing() override { editingEnabled = true; }
    void clearGroup() override {
        group.clear();
        kind.reset();
        memberList.reset();
        editingEnabled = false;
        editor.unbindGroup();
    }

    bool droppedQueryChanges = false;

  private:
    dsclient::ContextHandle context_;
};

// The window as Update group sees it.
class WindowUpdateView : public UpdateView {
  public:
    WindowUpdateView(FakeWindow &window, NameListPage &excludes, NameListPage &statics)
        : window_(window), excludes_(excludes), statics_(statics) {}
    UnsavedState unsavedState() const override {
        return {window_.editor.modified(), excludes_.saveEnabled(), statics_.saveEnabled()};
    }
    void setUpdateEnabled(bool enabled) override { window_.updateEnabled = enabled; }
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}

  private:
    FakeWindow &window_;
    NameListPage &excludes_;
    NameListPage &statics_;
};

} // namespace tarnbeck::testing
