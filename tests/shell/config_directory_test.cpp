// The configuration directory and the attribute-name table, on a small tree whose file server
// volume the client may declare as mounted.

#include "shell_fixture.h"

#include "directory/directory_error.h"
#include "scripted_prompter.h"
#include "shell/attribute_names.h"
#include "shell/config_directory.h"
#include "shell/trees.h"

#include <gtest/gtest.h>

namespace tarnbeck::testing {
namespace {

const char *const kOnVolume = "Program is installed on a Netware volume, set [netware] section!";

class ConfigDirectoryTest : public ShellTreeTest {
  protected:
    // Starts the client and opens the main context.
    void open() {
        startClient();
        const OpenedContext opened = OpenTreeContext();
        ASSERT_TRUE(opened.ok);
        app.mainContext = opened.context;
    }
    // A program directory that lies on the mounted volume, holding `settings` as Tarnbeck.ini.
    std::string programOnVolume(const std::string &settings) {
        mountVolume(scratch.path() + "vol1");
        const std::string program = scratch.path() + "vol1/apps/tarnbeck/";
        WriteFile(program + "Tarnbeck.ini", settings);
        return program;
    }

    AppState app;
    ScriptedPrompter prompter;
};

TEST_F(ConfigDirectoryTest, LocalProgramDirectoryIsTheConfigurationDirectory) {
    mountVolume(scratch.path() + "vol1"); // a mount elsewhere changes nothing
    const std::string program = scratch.path() + "bin/";
    WriteFile(program + "Tarnbeck.ini", "[NETWORK]\npath=/elsewhere/\n");
    open();

    EXPECT_TRUE(LocateConfigDirectory(app, program));
    EXPECT_EQ(app.configDirectory, program);
}

TEST_F(ConfigDirectoryTest, OnAVolumeTheNetworkPathIsRequired) {
    const std::string program = programOnVolume("[SYSTEM]\nq=L\n");
    open();
    prompter.expectMessage(kOnVolume);

    EXPECT_FALSE(LocateConfigDirectory(app, program));
}

TEST_F(ConfigDirectoryTest, NetworkPathIsCreatedAndGivenACopyOfTheSettings) {
    const std::string target = scratch.path() + "shared/cfg"; // no trailing separator
    const std::string program = programOnVolume("[NETWORK]\npath=" + target + "\n");
    open();

    EXPECT_TRUE(LocateConfigDirectory(app, program));
    EXPECT_EQ(app.configDirectory, target + "/");
    EXPECT_EQ(ReadFile(target + "/Tarnbeck.ini"), ReadFile(program + "Tarnbeck.ini"));

    WriteFile(target + "/Tarnbeck.ini", "[own]\n"); // an existing copy is left alone
    EXPECT_TRUE(LocateConfigDirectory(app, program));
    EXPECT_EQ(ReadFile(target + "/Tarnbeck.ini"), "[own]\n");
}

TEST_F(ConfigDirectoryTest, HomeDirectoryOnAMountedVolumeBecomesALocalDirectory) {
    giveAdminHomeDirectory("users\\admin");
    const std::string program = programOnVolume("[NETWORK]\npath=%HomeDir%cfg\\\n");
    open();

    EXPECT_TRUE(LocateConfigDirectory(app, program));

    const std::string expected = scratch.path() + "vol1/users/admin/cfg/";
    EXPECT_EQ(app.configDirectory, expected);
    EXPECT_TRUE(FileExists(expected + "Tarnbeck.ini"));
}

TEST_F(ConfigDirectoryTest, HomeDirectoryWithoutMountKeepsTheServerForm) {
    giveAdminHomeDirectory("\\users\\admin\\");
    // The program's own volume is mounted under another name: it is on a volume, but no
    // mount serves SRV1's VOL1.
    config.volumes.push_back({scratch.path() + "sys", "SRV1", "SYS"});
    const std::string program = scratch.path() + "sys/tarnbeck/";
    WriteFile(program + "Tarnbeck.ini", "[NETWORK]\npath=%homedir%cfg\\\n");
    open();

    EXPECT_TRUE(LocateConfigDirectory(app, program));
    EXPECT_EQ(app.configDirectory, "\\\\SRV1\\VOL1\\users\\admin\\cfg\\\\");
}

TEST_F(ConfigDirectoryTest, UserWithoutHomeDirectoryStopsTheStart) {
    const std::string program = programOnVolume("[NETWORK]\npath=%homedir%cfg\\\n");
    open();
    prompter.expectMessage("User Admin.Acme has no homedirectory!!");

    EXPECT_FALSE(LocateConfigDirectory(app, program));
}

TEST_F(ConfigDirectoryTest, UnreadableUserIsADirectoryError) {
    config.trees[0].identity = "Gone.Acme"; // the workstation's identity has no object
    const std::string program = programOnVolume("[NETWORK]\npath=%homedir%\n");
    open();

    try {
        LocateConfigDirectory(app, program);
        FAIL() << "the failed read went unreported";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), -601);
    }
}

TEST_F(ConfigDirectoryTest, MappingsFileComesBeforeTheSchemaNames) {
    app.configDirectory = scratch.path();
    WriteFile(scratch.path() + "mappings.dat",
              "; notes\r\ngivenname=Surname\r\nmail=Internet EMail Address\r\n");
    open();

    ASSERT_TRUE(LoadAttributeNameMap(app));

    const AttributeNameMap &map = *app.attributeNameMap;
    EXPECT_EQ(map.lines().front(), "; notes");
    EXPECT_EQ(map.lookup("GivenName"), "Surname"); // the file wins over the schema's line
    EXPECT_EQ(map.lookup("mail"), "Internet EMail Address");
    EXPECT_EQ(map.lookup("groupmembership"), "Group Membership");
    EXPECT_EQ(map.lookup("hostresourcename"), "Host Resource Name");
    EXPECT_EQ(map.lookup("; notes"), std::nullopt);
}

TEST_F(ConfigDirectoryTest, MissingMappingsFileIsReportedAndLeavesTheTableEmpty) {
    app.configDirectory = scratch.path();
    app.attributeNameMap.emplace(std::vector<std::string>{"old=Old"});
    open();
    prompter.expectMessage(scratch.path() + "mappings.dat: No such file or directory");

    EXPECT_FALSE(LoadAttributeNameMap(app));
    ASSERT_TRUE(app.attributeNameMap.has_value());
    EXPECT_TRUE(app.attributeNameMap->lines().empty());
}

} // namespace
} // namespace tarnbeck::testing
