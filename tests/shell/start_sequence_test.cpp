// The start sequence from the client's initialisation to the tree's settings, with a host that
// records what the window was asked to do.

#include "shell_fixture.h"

#include "directory/directory_error.h"
#include "scripted_prompter.h"
#include "shell/start_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnbeck::testing {
namespace {

const char *const kNoTrees = "No authenticated trees found, please login";

class RecordingHost : public StartHost {
  public:
    void endProcess() override { calls.push_back("endProcess"); }
    void closeMainWindow() override { calls.push_back("closeMainWindow"); }
    void setBrowserContext(dsclient::ContextHandle context) override {
        calls.push_back("setBrowserContext");
        browserContext = context;
    }
    void markBrowserContextGiven() override { calls.push_back("markBrowserContextGiven"); }
    void updateCaption() override { calls.push_back("updateCaption"); }
    void initIcons() override { calls.push_back("initIcons"); }

    std::vector<std::string> calls;
    dsclient::ContextHandle browserContext = 0;
};

using Calls = std::vector<std::string>;
const Calls kBound = {"markBrowserContextGiven", "setBrowserContext", "updateCaption",
                      "initIcons"};

class StartSequenceTest : public ShellTreeTest {
  protected:
    void SetUp() override {
        ShellTreeTest::SetUp();
        app.programDirectory = scratch.path() + "bin/";
        WriteFile(settings(), "[TREES]\nTEST_TREE=.O=Acme\n[SYSTEM]\nq1=L\nq2=Description\n");
        WriteFile(app.programDirectory + "mappings.dat", "givenname=Surname\n");
    }
    void TearDown() override {
        ReleaseApplication(app);
        ShellTreeTest::TearDown();
    }
    std::string settings() const { return app.programDirectory + "Tarnbeck.ini"; }

    // Runs the sequence as the window does: an error it raises is shown once.
    void run() {
        OverrideClientConfig(config);
        try {
            RunStartSequence(app, host);
        } catch (const std::exception &error) {
            prompter.message(error.what());
        }
    }

    AppState app;
    RecordingHost host;
    ScriptedPrompter prompter;
};

TEST_F(StartSequenceTest, BindsTheProgramToThePrimaryTree) {
    WriteFile(app.programDirectory + "Tarnbeck.new", "[TEST_TREE]\nAttribute=description\n");

    run();

    EXPECT_EQ(host.calls, kBound);
    EXPECT_TRUE(app.contextCreated);
    EXPECT_EQ(host.browserContext, app.mainContext);
    EXPECT_EQ(app.currentTree, "TEST_TREE");
    EXPECT_EQ(app.configDirectory, app.programDirectory);
    ASSERT_TRUE(app.attributeNameMap.has_value());
    EXPECT_EQ(app.attributeNameMap->lookup("givenname"), "Surname");
    EXPECT_EQ(app.attributeNameMap->lookup("hostserver"), "Host Server");
    EXPECT_EQ(app.treeSettings.top, "O=Acme");
    // The pending update was merged before the settings were read.
    EXPECT_EQ(app.treeSettings.queryAttribute, "Description");
    EXPECT_FALSE(FileExists(app.programDirectory + "Tarnbeck.new"));
}

TEST_F(StartSequenceTest, ClientThatCannotStartEndsTheProcess) {
    config.trees[0].store = scratch.path() + "missing.db";
    // The message names the cause: the file and the status.
    prompter.expectMessageContaining("Novell Client not installed?\n\nThe store " +
                                     scratch.path() + "missing.db of tree TEST_TREE");

    run();

    EXPECT_NE(prompter.shown().back().text.find("(Netware error -"), std::string::npos);
    EXPECT_EQ(host.calls, Calls{"endProcess"});
    EXPECT_FALSE(app.contextCreated);
}

TEST_F(StartSequenceTest, ContextThatCannotBeCreatedClosesTheWindowWithoutFreeingIt) {
    config.maxContexts = 0; // the client's context table is full
    prompter.expectMessage(kNoTrees);

    run();

    EXPECT_EQ(host.calls, Calls{"closeMainWindow"});
    EXPECT_FALSE(app.contextCreated);
    EXPECT_EQ(app.currentTree, "");
}

TEST_F(StartSequenceTest, WithoutAuthenticatedTreeTheWindowCloses) {
    config.trees[0].identity.clear(); // the tree needs a login first
    prompter.expectMessage(kNoTrees);

    run();

    EXPECT_EQ(host.calls, (Calls{"markBrowserContextGiven", "closeMainWindow"}));
    EXPECT_TRUE(app.contextCreated); // created, so shutdown frees it
    EXPECT_EQ(app.currentTree, "");
    EXPECT_FALSE(app.attributeNameMap.has_value());
}

TEST_F(StartSequenceTest, ProgramOnAVolumeWithoutNetworkPathLeavesTheWindowUnbound) {
    mountVolume(scratch.path() + "bin");
    prompter.expectMessage("Program is installed on a Netware volume, set [netware] section!");

    run();

    // The browser can still be opened (on an empty tree): the main context exists.
    EXPECT_EQ(host.calls, Calls{"markBrowserContextGiven"});
    EXPECT_EQ(app.currentTree, "");
    EXPECT_TRUE(app.treeSettings.top.empty());
}

TEST_F(StartSequenceTest, MissingMappingsFileSkipsTheTreeSettings) {
    std::filesystem::remove(app.programDirectory + "mappings.dat");
    prompter.expectMessage(app.programDirectory + "mappings.dat: No such file or directory");

    run();

    EXPECT_EQ(host.calls, kBound);
    EXPECT_EQ(app.currentTree, "TEST_TREE");
    EXPECT_TRUE(app.treeSettings.top.empty());
    EXPECT_TRUE(app.treeSettings.queryAttribute.empty());
    EXPECT_TRUE(app.offeredAttributes.empty());
}

TEST_F(StartSequenceTest, DirectoryErrorEndsTheSequenceAndIsShownOnce) {
    config.trees[0].identity = "Gone.Acme"; // authenticated as an object that is not there
    mountVolume(scratch.path() + "bin");
    WriteFile(settings(), "[NETWORK]\npath=%homedir%cfg\\\n");
    prompter.expectMessage("Netware error -601 (0xFFFFFDA7): no such object");

    run();

    EXPECT_EQ(host.calls, Calls{"markBrowserContextGiven"});
    EXPECT_EQ(app.currentTree, "");
}

} // namespace
} // namespace tarnbeck::testing
