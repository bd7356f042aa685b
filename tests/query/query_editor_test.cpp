#include "fake_editor_view.h"
#include "filter_test_support.h"
#include "scripted_prompter.h"

#include "directory/directory_error.h"
#include "query/query_editor.h"

#include <gtest/gtest.h>

namespace tarnbeck::testing {
namespace {

using Values = std::vector<std::string>;

// Starts as the window's controls do.
class FakeView : public FakeEditorView {
  public:
    FakeView() {
        scope = "-";
        line = "ldap:///";
    }
    FilterField *filterField() override { return field; }
    FilterField *field = nullptr;

    void choose(int index) {
        selected = index;
        editor->switchQuery(index);
    }
};

class FakeStore : public QueryStore {
  public:
    explicit FakeStore(Values stored) : values(std::move(stored)) {}
    Values read() override {
        if (failRead)
            throw DirectoryError(dsclient::status::NoSuchEntry);
        return values;
    }
    void write(const Values &written) override {
        if (failWrite)
            throw DirectoryError(dsclient::status::NoAccess);
        values = written;
        ++writes;
    }
    Values values;
    bool failRead = false;
    bool failWrite = false;
    int writes = 0;
};

const std::string kFirst = "ldap:///ou=a.o=b??one?(cn=1)";
const std::string kSecond = "ldap:///ou=c.o=b??sub?(cn=2)";
const std::string kThird = "ldap:///ou=d.o=b??base?(cn=3)";

class QueryEditorTest : public ::testing::Test {
  protected:
    void load(Values values, std::string memberClassWord = "user") {
        auto owned = std::make_unique<FakeStore>(std::move(values));
        store = owned.get();
        editor.bindGroup(std::move(owned), std::move(memberClassWord));
        editor.reload();
    }
    Values names(int count) {
        Values out;
        for (int i = 1; i <= count; ++i)
            out.push_back("Query " + std::to_string(i));
        return out;
    }
    void expectShown(const std::string &context, const std::string &scope,
                     const std::string &filter) {
        EXPECT_EQ(view.context, context);
        EXPECT_EQ(view.scope, scope);
        EXPECT_EQ(view.filter, filter);
        EXPECT_EQ(view.line, ComposeLine());
    }
    std::string ComposeLine() const {
        return "ldap:///" + view.context + "??" + view.scope + "?" + view.filter;
    }

    ScriptedPrompter prompter;
    FakeView view;
    QueryEditor editor{view};
    FakeStore *store = nullptr;

    void SetUp() override { view.editor = &editor; }
};

TEST_F(QueryEditorTest, AGroupWithoutQueriesShowsOneEmptyQueryAndKeepsTheSettings) {
    load({}, "workstation");
    EXPECT_EQ(view.selector, names(1));
    EXPECT_EQ(view.selected, 0);
    expectShown("", "sub", "(&(objectclass=workstation))");
    EXPECT_EQ(view.settings, QuerySettings{}) << "never loaded: all clear";
    EXPECT_FALSE(editor.modified());
    EXPECT_FALSE(view.saveEnabled);

    load({"s:5", "q:" + kFirst});
    expectShown("ou=a.o=b", "one", "(cn=1)");
    EXPECT_EQ(view.settings, QuerySettings::fromValue(5));
    load({});
    EXPECT_EQ(view.settings, QuerySettings::fromValue(5)) << "as last loaded";
}

TEST_F(QueryEditorTest, SwitchingKeepsTheEditsOfTheQueryLeftWithoutCountingAsAChange) {
    load({"q:" + kFirst, "q:" + kSecond, "s:6"});
    view.choose(1);
    expectShown("ou=c.o=b", "sub", "(cn=2)");
    EXPECT_FALSE(editor.modified());

    view.setFilterText("(cn=22)");
    EXPECT_TRUE(editor.modified());
    EXPECT_EQ(view.line, "ldap:///ou=c.o=b??sub?(cn=22)");
    view.choose(0);
    expectShown("ou=a.o=b", "one", "(cn=1)");
    EXPECT_EQ(editor.queries().entries[1], "ldap:///ou=c.o=b??sub?(cn=22)");
    EXPECT_EQ(editor.queries().currentIndex, 0u);
}

TEST_F(QueryEditorTest, AddingAQueryStoresTheCurrentOneAndShowsANewEmptyOne) {
    load({"q:" + kFirst, "s:6"});
    view.scope = "base";
    editor.addQuery();
    EXPECT_EQ(editor.queries().entries, (Values{"ldap:///ou=a.o=b??base?(cn=1)", ""}));
    EXPECT_EQ(view.selector, names(2));
    EXPECT_EQ(view.selected, 1);
    expectShown("", "sub", "(&(objectclass=user))");
    EXPECT_TRUE(view.saveEnabled);
}

TEST_F(QueryEditorTest, DeletingAsksFirstAndRenumbersTheQueriesAfterIt) {
    load({"q:" + kFirst, "q:" + kSecond, "q:" + kThird, "s:6"});
    view.choose(1);

    prompter.expectConfirm("You sure you want to delete this query", false);
    editor.deleteQuery();
    EXPECT_EQ(editor.queries().entries.size(), 3u);
    EXPECT_FALSE(editor.modified());

    prompter.expectConfirm("You sure you want to delete this query", true);
    editor.deleteQuery();
    EXPECT_EQ(editor.queries().entries, (Values{kFirst, kThird}));
    EXPECT_EQ(view.selector, names(2));
    EXPECT_EQ(view.selected, 1);
    expectShown("ou=d.o=b", "base", "(cn=3)");
    EXPECT_TRUE(editor.modified());

    // Deleting the last one falls back to the first.
    prompter.expectConfirm("You sure you want to delete this query", true);
    editor.deleteQuery();
    EXPECT_EQ(view.selected, 0);
    expectShown("ou=a.o=b", "one", "(cn=1)");
    // And the only one leaves an empty query.
    prompter.expectConfirm("You sure you want to delete this query", true);
    editor.deleteQuery();
    EXPECT_EQ(editor.queries().entries, Values{""});
    EXPECT_EQ(view.selector, names(1));
    expectShown("", "sub", "(&(objectclass=user))");
}

TEST_F(QueryEditorTest, SavingWritesEveryQueryAndTheSettingsOfTheControls) {
    load({"q:" + kFirst, "q:" + kSecond, "s:6"});
    view.choose(1);
    view.setFilterText("(cn=22)");
    view.settings = QuerySettings::fromValue(1 | 8);
    editor.save();
    EXPECT_EQ(store->values, (Values{"q:" + kFirst, "q:ldap:///ou=c.o=b??sub?(cn=22)", "s:9"}));
    EXPECT_FALSE(editor.modified());
    EXPECT_FALSE(view.saveEnabled);
    EXPECT_EQ(editor.queries().settings, QuerySettings::fromValue(9));
}

TEST_F(QueryEditorTest, AFailedSaveKeepsTheListAndTheModifiedFlag) {
    load({"q:" + kFirst, "q:", "s:6"});
    view.setFilterText("(cn=11)");
    store->failWrite = true;
    EXPECT_THROW(editor.save(), DirectoryError);
    EXPECT_TRUE(editor.modified());
    EXPECT_TRUE(view.saveEnabled);
    EXPECT_EQ(editor.queries().entries, (Values{"ldap:///ou=a.o=b??one?(cn=11)", ""}));
    EXPECT_EQ(view.selector, names(2));
    EXPECT_EQ(editor.queries().currentIndex, 0u);
    EXPECT_EQ(editor.queries().settings, QuerySettings::fromValue(6));
}

TEST_F(QueryEditorTest, TextAfterAWholeFilterIsRefusedBeforeAnythingIsWritten) {
    RecordingField field;
    view.field = &field;
    load({"q:" + kFirst, "q:ldap:///ou=c.o=b??sub?(cn=*)(|(objectClass=*))", "s:6"});
    view.setFilterText("(cn=11)");
    prompter.expectMessage("End of filter expected at position 7 in filter");
    editor.save();
    EXPECT_TRUE(prompter.allUsed());
    EXPECT_EQ(store->writes, 0);
    EXPECT_TRUE(editor.modified());
    // The query at fault is shown with the caret before the text that would not run; the
    // edit of the one left is kept.
    EXPECT_EQ(view.selected, 1);
    EXPECT_EQ(view.filter, "(cn=*)(|(objectClass=*))");
    EXPECT_EQ(field.focusCount, 1);
    EXPECT_EQ(field.caret, 6u);
    EXPECT_EQ(editor.queries().entries[0], "ldap:///ou=a.o=b??one?(cn=11)");

    // Trailing blanks are no text; a filter broken in itself is left for Execute to name.
    view.setFilterText("(cn=2)   ");
    view.choose(0);
    view.setFilterText("(cn=1");
    editor.save();
    EXPECT_EQ(store->values, (Values{"q:ldap:///ou=a.o=b??one?(cn=1",
                                     "q:ldap:///ou=c.o=b??sub?(cn=2)   ", "s:6"}));
}

TEST_F(QueryEditorTest, AfterBlankEntriesAreSavedAwayTheSelectorStaysOnTheSameQuery) {
    // Only queries never shown stay blank: leaving one stores it composed.
    load({"q:" + kFirst, "q:", "q: ", "q:" + kSecond, "s:6"});
    ASSERT_EQ(view.selector, names(4));
    view.choose(3);
    editor.save();
    EXPECT_EQ(store->values, (Values{"q:" + kFirst, "q:" + kSecond, "s:6"}));
    EXPECT_EQ(editor.queries().entries, (Values{kFirst, kSecond}));
    EXPECT_EQ(view.selector, names(2));
    EXPECT_EQ(view.selected, 1);
    EXPECT_EQ(editor.queries().currentIndex, 1u);
    expectShown("ou=c.o=b", "sub", "(cn=2)");

    // A blank query still shown when saved gives way to the nearest one before it.
    load({"q:" + kFirst, "q:" + kSecond, "q:", "s:6"});
    view.choose(2);
    editor.saveQueries();
    EXPECT_EQ(editor.queries().entries, (Values{kFirst, kSecond}));
    EXPECT_EQ(view.selected, 1);
    EXPECT_EQ(editor.queries().currentIndex, 1u);
    expectShown("ou=c.o=b", "sub", "(cn=2)");
    EXPECT_FALSE(editor.modified());
}

TEST_F(QueryEditorTest, ReloadDropsUnsavedEditsAndAFailedReadChangesNothing) {
    load({"q:" + kFirst, "s:6"});
    view.setFilterText("(cn=edited)");
    editor.addQuery();
    editor.reload();
    EXPECT_EQ(editor.queries().entries, Values{kFirst});
    expectShown("ou=a.o=b", "one", "(cn=1)");
    EXPECT_FALSE(editor.modified());

    store->values = {"q:" + kSecond};
    store->failRead = true;
    EXPECT_THROW(editor.reload(), DirectoryError);
    EXPECT_EQ(editor.queries().entries, Values{kFirst});

    // Stored junk is reported while loading.
    store->failRead = false;
    store->values = {"q:" + kFirst, "junk"};
    prompter.expectMessage("Unknown info in query strings, info removed");
    editor.reload();
    EXPECT_EQ(editor.queries().entries, Values{kFirst});
}

TEST_F(QueryEditorTest, SelectQueryShowsAQueryWithoutStoringTheOneLeft) {
    load({"q:" + kFirst, "q:" + kSecond, "s:6"});
    view.context = "ou=changed";
    editor.selectQuery(1);
    EXPECT_EQ(editor.queries().entries[0], kFirst);
    EXPECT_EQ(view.selected, 1);
    expectShown("ou=c.o=b", "sub", "(cn=2)");
    // Unlike a switch in the selector, a filter that changes this way is an edit.
    EXPECT_TRUE(editor.modified());
}

TEST_F(QueryEditorTest, ControlChangesRecomposeTheLineAndEnableSave) {
    load({"q:" + kFirst, "s:6"});
    view.context = "t=mytree";
    editor.contextChanged();
    EXPECT_EQ(view.line, "ldap:///t=mytree??one?(cn=1)");
    EXPECT_TRUE(view.saveEnabled);
    for (auto change : {&QueryEditor::scopeChanged, &QueryEditor::settingsChanged}) {
        editor.reload();
        ASSERT_FALSE(view.saveEnabled);
        view.scope = "base";
        (editor.*change)();
        EXPECT_EQ(view.line, "ldap:///ou=a.o=b??base?(cn=1)");
        EXPECT_TRUE(view.saveEnabled);
    }
}

TEST_F(QueryEditorTest, ChangingTheTreeDropsTheQueries) {
    load({"q:" + kFirst, "q:" + kSecond, "s:6"});
    editor.addQuery();
    editor.unbindGroup();
    EXPECT_EQ(editor.queries().entries, Values{""});
    EXPECT_FALSE(view.saveEnabled);
    editor.save(); // no group bound: nothing to write, nothing to raise
    EXPECT_FALSE(editor.modified());
}

} // namespace
} // namespace tarnbeck::testing
