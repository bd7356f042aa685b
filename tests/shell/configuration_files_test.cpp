// The settings file on its own: the pending update, the tree settings and their saving, and
// the pure helpers of the attribute-name table and the configuration directory.

#include "shell_fixture.h"

#include "platform/profile/profile.h"
#include "shell/attribute_names.h"
#include "shell/config_directory.h"
#include "shell/pending_configuration.h"
#include "shell/tree_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace tarnbeck::testing {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
  protected:
    SettingsFileTest() {
        app.programDirectory = dir.path();
        app.currentTree = "ACME_TREE";
    }
    std::string settings() const { return dir.path() + "Tarnbeck.ini"; }
    std::string pending() const { return dir.path() + "Tarnbeck.new"; }
    std::string read(const std::string &section, const std::string &key) const {
        return profile::ReadString(settings(), section, key, "<missing>");
    }

    TempDirectory dir;
    AppState app;
};

TEST_F(SettingsFileTest, PendingUpdateFillsOnlyKeysWithoutValueAndIsDeleted) {
    WriteFile(settings(), "[TREES]\nACME_TREE=O=Acme\nLAB_TREE=\n[SYSTEM]\nq1=L\n");
    WriteFile(pending(), "[trees]\nacme_tree=O=Other\nlab_tree=OU=Lab.O=Acme\nNEW_TREE=O=New\n"
                         "[SYSTEM]\nq2=Description\n[NETWORK]\npath=/srv/cfg/\n");

    EXPECT_EQ(MergePendingConfiguration(settings()), std::nullopt);

    EXPECT_EQ(read("TREES", "ACME_TREE"), "O=Acme"); // a value in force is kept
    EXPECT_EQ(read("TREES", "LAB_TREE"), "OU=Lab.O=Acme");
    EXPECT_EQ(read("TREES", "NEW_TREE"), "O=New");
    EXPECT_EQ(read("SYSTEM", "q1"), "L");
    EXPECT_EQ(read("SYSTEM", "q2"), "Description");
    EXPECT_EQ(read("NETWORK", "path"), "/srv/cfg/");
    EXPECT_FALSE(FileExists(pending()));
}

TEST_F(SettingsFileTest, PendingUpdateTakesTheSettingsNameWhenThereIsNoSettingsFile) {
    const std::string text = "; shipped\n[SYSTEM]\nq1=L\n";
    WriteFile(pending(), text);

    EXPECT_EQ(MergePendingConfiguration(settings()), std::nullopt);

    EXPECT_EQ(ReadFile(settings()), text); // moved, not merged: the comment survives
    EXPECT_FALSE(FileExists(pending()));
}

TEST_F(SettingsFileTest, WithoutPendingUpdateNothingChanges) {
    WriteFile(settings(), "[SYSTEM]\nq1=\n");
    EXPECT_EQ(MergePendingConfiguration(settings()), std::nullopt);
    EXPECT_EQ(ReadFile(settings()), "[SYSTEM]\nq1=\n");
}

TEST_F(SettingsFileTest, PendingUpdateThatCannotBeWrittenIsKeptAndReported) {
    fs::create_directory(settings()); // a settings "file" nobody can replace, root included
    WriteFile(pending(), "[SYSTEM]\nq1=L\n");

    const auto error = MergePendingConfiguration(settings());

    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(settings()), std::string::npos) << *error;
    EXPECT_TRUE(FileExists(pending())); // nothing of the update is lost
}

TEST_F(SettingsFileTest, TreeSettingsFromTreesAndSystemSections) {
    WriteFile(settings(), "[TREES]\nACME_TREE=.O=Corp\n"
                          "[SYSTEM]\nfirst=L\nsecond=Description\nExclude=Member Notes\n");

    LoadTreeSettings(app);

    EXPECT_EQ(app.treeSettings.top, "O=Corp"); // the leading dot goes
    EXPECT_EQ(app.offeredAttributes, (std::vector<std::string>{"L", "Description"}));
    EXPECT_EQ(app.treeSettings.queryAttribute, "L"); // no Attribute key: the default L
    EXPECT_EQ(app.excludeAttribute, "Member Notes");
    EXPECT_EQ(app.staticAttribute, "Owner");
}

TEST_F(SettingsFileTest, AdditionBrakeAndMemberClassesAreNoQueryAttributes) {
    WriteFile(settings(), "[SYSTEM]\nq=L\nAdditionBrakePercent=50\nadditionbrakecount=lots\n"
                          "MemberClasses= NCP Server , Volume,\n");
    LoadTreeSettings(app);
    EXPECT_EQ(app.offeredAttributes, std::vector<std::string>{"L"});
    EXPECT_EQ(app.additionBrake.percent, 50u);
    EXPECT_EQ(app.additionBrake.count, AdditionBrake().count); // not a number: the default
    EXPECT_EQ(app.memberClasses, (std::vector<std::string>{"NCP Server", "Volume"}));
}

TEST_F(SettingsFileTest, JournalDaysIsASettingNotAnOfferedAttribute) {
    WriteFile(settings(), "[SYSTEM]\nfirst=L\nJournalDays=30\n");
    LoadTreeSettings(app);
    EXPECT_EQ(app.journalDays, 30);
    EXPECT_EQ(app.offeredAttributes, (std::vector<std::string>{"L"}));
    for (const char *bad : {"0", "-5", "many", ""}) {
        WriteFile(settings(), std::string("[SYSTEM]\nfirst=L\nJournalDays=") + bad + "\n");
        LoadTreeSettings(app);
        EXPECT_EQ(app.journalDays, 400) << bad;
    }
}

TEST_F(SettingsFileTest, QueryAttributeIsAlwaysOneOfTheOffered) {
    WriteFile(settings(), "[SYSTEM]\na=Title\nb=Description\nINCLUDE=Secretary\n"
                          "[ACME_TREE]\nAttribute=description\n[LAB_TREE]\nAttribute=L\n");

    LoadTreeSettings(app);
    EXPECT_EQ(app.treeSettings.queryAttribute, "Description"); // spelt as offered
    EXPECT_EQ(app.staticAttribute, "Secretary");
    EXPECT_EQ(app.treeSettings.top, "[ROOT]");

    app.currentTree = "LAB_TREE"; // L is not offered: the first offered one serves
    LoadTreeSettings(app);
    EXPECT_EQ(app.treeSettings.queryAttribute, "Title");
    EXPECT_EQ(app.offeredAttributes.size(), 2u); // a reload does not pile up offers
}

TEST_F(SettingsFileTest, WithoutSystemSectionNothingIsOfferedAndNoQueryAttributeChosen) {
    WriteFile(settings(), "[ACME_TREE]\nAttribute=L\n");
    LoadTreeSettings(app);
    EXPECT_TRUE(app.offeredAttributes.empty());
    EXPECT_EQ(app.treeSettings.queryAttribute, "");
    EXPECT_EQ(app.excludeAttribute, "See Also");

    fs::remove(settings()); // and without any settings file: defaults only
    LoadTreeSettings(app);
    EXPECT_EQ(app.treeSettings.top, "[ROOT]");
    EXPECT_EQ(app.treeSettings.queryAttribute, "");
}

TEST_F(SettingsFileTest, SavedTreeSettingsAreWrittenAndInForce) {
    WriteFile(settings(), "[SYSTEM]\nq1=L\nq2=Title\n");

    SaveTreeSettings(app, "OU=Sales.O=Acme", "Title");

    EXPECT_EQ(read("TREES", "ACME_TREE"), "OU=Sales.O=Acme");
    EXPECT_EQ(read("ACME_TREE", "Attribute"), "Title");
    EXPECT_EQ(app.treeSettings.top, "OU=Sales.O=Acme");
    app.treeSettings = {};
    LoadTreeSettings(app);
    EXPECT_EQ(app.treeSettings.top, "OU=Sales.O=Acme");
    EXPECT_EQ(app.treeSettings.queryAttribute, "Title");
}

TEST_F(SettingsFileTest, SavingIntoAnUnwritableFileReportsTheFileError) {
    fs::create_directory(settings()); // a settings "file" nobody can replace, root included
    app.treeSettings = {"[ROOT]", "L"};

    try {
        SaveTreeSettings(app, "O=Acme", "L");
        FAIL() << "the refused write went unreported";
    } catch (const std::runtime_error &error) {
        EXPECT_NE(std::string(error.what()).find(settings()), std::string::npos) << error.what();
    }
    EXPECT_EQ(app.treeSettings.top, "[ROOT]"); // nothing was saved, so nothing changes
}

TEST(AttributeNames, NormalFormDropsBlanksAndColonsAndLowersLetters) {
    EXPECT_EQ(NormalizeAttributeName("Group Membership"), "groupmembership");
    EXPECT_EQ(NormalizeAttributeName("NDS:Home Directory"), "ndshomedirectory");
    EXPECT_EQ(NormalizeAttributeName("uidNumber"), "uidnumber");
    EXPECT_EQ(NormalizeAttributeName("Ünïcode X"), "Ünïcodex"); // only ASCII letters fold
}

TEST(ServerPaths, MapThroughTheDeclaredMountOfTheirVolume) {
    const std::vector<dsclient::VolumeMount> mounts = {{"/srv/fs1/sys", "FS1", "SYS"},
                                                       {"/mnt/vol1", "SRV1", "VOL1"}};

    EXPECT_EQ(LocalPathOfServerPath("\\\\srv1\\vol1\\users\\u1\\cfg\\\\", mounts),
              "/mnt/vol1/users/u1/cfg/");
    EXPECT_EQ(LocalPathOfServerPath("\\\\FS1\\SYS", mounts), "/srv/fs1/sys");
    EXPECT_EQ(LocalPathOfServerPath("\\\\SRV1\\VOL2\\x\\", mounts), std::nullopt);
    EXPECT_EQ(LocalPathOfServerPath("\\\\SRV2\\VOL1\\x\\", mounts), std::nullopt);
    EXPECT_EQ(LocalPathOfServerPath("/mnt/vol1/x/", mounts), std::nullopt); // already local
}

} // namespace
} // namespace tarnbeck::testing
