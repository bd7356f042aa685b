// Switching a context's tree, the trees scans and adding a tree, on two small trees.

#include "trees_fixture.h"

#include "directory/directory_error.h"
#include "shell/trees.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnbeck::testing {
namespace {

using namespace dsclient;
using Names = std::vector<std::string>;

std::string NameContext(ContextHandle context) {
    std::string name;
    EXPECT_EQ(GetContextValue(context, DCK_NAME_CONTEXT, name), status::Ok);
    return name;
}

// Opens and closes a connection: the handle the next opening will not reuse tells how many
// connections were opened in between.
ConnectionHandle ProbeConnection() {
    ConnectionReference reference = 0;
    ConnectionHandle connection = 0;
    EXPECT_EQ(GetPrimaryConnectionReference(reference), status::Ok);
    EXPECT_EQ(OpenConnectionByReference(reference, 0, connection), status::Ok);
    EXPECT_EQ(CloseConnection(connection), status::Ok);
    return connection;
}

class TreesTest : public TwoTreesTest {
  protected:
    void SetUp() override {
        TwoTreesTest::SetUp();
        startClient();
        context = openContext();
    }

    ContextHandle context = 0;
};

TEST_F(TreesTest, SwitchingToTheSameTreeLeavesTheContextAlone) {
    ASSERT_EQ(SetContextValue(context, DCK_NAME_CONTEXT, std::string_view("Acme")), status::Ok);

    EXPECT_EQ(SwitchContextTree(context, kTestTree), status::Ok);
    EXPECT_EQ(NameContext(context), "Acme");

    // Another spelling is another name: the context is pointed anew, at the tree's default.
    EXPECT_EQ(SwitchContextTree(context, "test_tree"), status::Ok);
    EXPECT_EQ(ContextTreeName(context), "test_tree");
    EXPECT_EQ(NameContext(context), "[Root]");
}

TEST_F(TreesTest, SwitchingTreesReportsTheFailingCall) {
    EXPECT_EQ(SwitchContextTree(context, kLabTree), status::Ok);
    EXPECT_EQ(ContextTreeName(context), kLabTree);

    EXPECT_NE(SwitchContextTree(context, ""), status::Ok);
    EXPECT_EQ(ContextTreeName(context), kLabTree);
    // A tree the client does not know is taken, but its default name context cannot be read.
    EXPECT_NE(SwitchContextTree(context, "NOWHERE"), status::Ok);
    EXPECT_NE(SwitchContextTree(0, kTestTree), status::Ok);
}

TEST_F(TreesTest, AvailableTreesAreSortedWithoutDuplicatesAndTheConnectionIsClosed) {
    TreeConfig again = config.trees[1];
    again.name = "lab_tree";
    config.trees.insert(config.trees.begin(), again);
    TreeConfig alpha = config.trees[2];
    alpha.name = "ALPHA";
    config.trees.push_back(alpha);
    startClient();
    context = openContext();

    const ConnectionHandle before = ProbeConnection();
    const Names trees = ScanAvailableTrees(context);
    const ConnectionHandle after = ProbeConnection();

    EXPECT_EQ(trees, (Names{"ALPHA", "lab_tree", kTestTree}));
    ASSERT_EQ(after, before + 2) << "the scan opens one connection";
    EXPECT_FALSE(ConnectionOpen(before + 1));
}

TEST_F(TreesTest, AFailingScanRaisesTheErrorAndStillClosesTheConnection) {
    const ConnectionHandle before = ProbeConnection();
    try {
        ScanAvailableTrees(0);
        FAIL() << "no error raised";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::BadContext);
        EXPECT_STREQ(error.what(), "Netware error -303 (0xFFFFFED1): no such context");
    }
    const ConnectionHandle after = ProbeConnection();
    ASSERT_EQ(after, before + 2);
    EXPECT_FALSE(ConnectionOpen(before + 1));
}

TEST_F(TreesTest, WithoutAPrimaryConnectionTheScanRaisesTheError) {
    config.primaryTree.clear();
    startClient();
    context = openContext();
    EXPECT_THROW(ScanAvailableTrees(context), DirectoryError);
}

// A login step that records the context it was asked for and answers as told.
struct ScriptedLogin {
    std::optional<std::string> answer;
    std::vector<ContextHandle> asked;
    LoginPrompt prompt() {
        return [this](ContextHandle loginContext) {
            asked.push_back(loginContext);
            return answer;
        };
    }
};

TEST_F(TreesTest, AnAuthenticatedTreeGetsOneContextWithoutALogin) {
    AppState app;
    ScriptedLogin login;

    EXPECT_TRUE(AddConnectedTree(app, context, kTestTree, login.prompt()));
    EXPECT_TRUE(AddConnectedTree(app, context, "Test_Tree", login.prompt()));

    EXPECT_TRUE(login.asked.empty());
    ASSERT_EQ(app.addedTrees.size(), 1u);
    EXPECT_EQ(app.addedTrees[0].first, kTestTree);
    const TreeEntry &entry = app.addedTrees[0].second;
    EXPECT_NE(entry.context, context);
    EXPECT_EQ(ContextTreeName(entry.context), kTestTree);
    EXPECT_EQ(entry.userName, "");
    EXPECT_EQ(FindAddedTree(app, "test_tree"), &entry);
}

TEST_F(TreesTest, ALoginThatFailsWithAnErrorAlsoFreesItsContext) {
    AppState app;
    ContextHandle asked = 0;
    const LoginPrompt failing = [&](ContextHandle loginContext) -> std::optional<std::string> {
        asked = loginContext;
        throw std::runtime_error("the dialog failed");
    };

    EXPECT_THROW(AddConnectedTree(app, context, kLabTree, failing), std::runtime_error);
    EXPECT_NE(asked, 0u);
    EXPECT_FALSE(ContextAlive(asked));
    EXPECT_TRUE(app.addedTrees.empty());
}

TEST_F(TreesTest, ASuccessfulLoginKeepsItsContextWithTheUserName) {
    AppState app;
    ScriptedLogin login;
    login.answer = "Joe.Lab";
    std::string treeAtLogin;
    const LoginPrompt prompt = [&](ContextHandle loginContext) {
        treeAtLogin = ContextTreeName(loginContext);
        EXPECT_EQ(Login(loginContext, 0, "Joe.Lab", kLabPassword, 0), status::Ok);
        return login.prompt()(loginContext);
    };

    EXPECT_TRUE(AddConnectedTree(app, context, "lab_tree", prompt));

    EXPECT_EQ(treeAtLogin, "lab_tree");
    ASSERT_EQ(app.addedTrees.size(), 1u);
    EXPECT_EQ(app.addedTrees[0].first, "lab_tree");
    EXPECT_EQ(app.addedTrees[0].second.context, login.asked.at(0));
    EXPECT_TRUE(ContextAlive(login.asked[0]));
    EXPECT_EQ(app.addedTrees[0].second.userName, "Joe.Lab");

    // Authenticated now: a second addition needs no login and adds no second context.
    EXPECT_TRUE(AddConnectedTree(app, context, kLabTree, prompt));
    EXPECT_EQ(login.asked.size(), 1u);
    EXPECT_EQ(app.addedTrees.size(), 1u);
}

} // namespace
} // namespace tarnbeck::testing
