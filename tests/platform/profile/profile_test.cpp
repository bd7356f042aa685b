#include "platform/profile/profile.h"

#include "temp_dir.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

class ProfileTest : public TempDirTest {
  protected:
    std::string ini() const { return PathOf("Tarnbeck.ini"); }
};

const char *const kSettings = "; shipped settings\n"
                              "stray=before any section\n"
                              "[TREES]\n"
                              "CORP = .O=Corp\n"
                              "\n"
                              "[System]\n"
                              "  exclude  =  Member Notes  \n"
                              "a note without equals\n"
                              ";commented=out\n"
                              "Group Attribute = L\n"
                              "q1=Description\n"
                              "Q1=ignored duplicate\n"
                              "=no name\n"
                              "\n"
                              "[Corp]\n"
                              "Attribute=Description\n";

TEST_F(ProfileTest, ReadsKeysIgnoringCaseAndSurroundingBlanks) {
    Put("Tarnbeck.ini", kSettings);
    EXPECT_EQ(profile::ReadString(ini(), "trees", "corp", "-"), ".O=Corp");
    EXPECT_EQ(profile::ReadString(ini(), "SYSTEM", "EXCLUDE", "-"), "Member Notes");
    EXPECT_EQ(profile::ReadString(ini(), "system", "group attribute", "-"), "L");
    // The first of two equal keys is the one read.
    EXPECT_EQ(profile::ReadString(ini(), "System", "q1", "-"), "Description");
}

TEST_F(ProfileTest, MissingFileSectionOrKeyReadsAsDefault) {
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "CORP", "[ROOT]"), "[ROOT]");
    Put("Tarnbeck.ini", kSettings);
    EXPECT_EQ(profile::ReadString(ini(), "NETWORK", "path", "dflt"), "dflt");
    EXPECT_EQ(profile::ReadString(ini(), "Corp", "Missing", "dflt"), "dflt");
    // Notes, comments and lines before the first section are not keys.
    EXPECT_EQ(profile::ReadString(ini(), "System", "a note without equals", "dflt"), "dflt");
    EXPECT_EQ(profile::ReadString(ini(), "System", ";commented", "dflt"), "dflt");
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "stray", "dflt"), "dflt");
    // A key from one section is not found in the next.
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "exclude", "dflt"), "dflt");
}

TEST_F(ProfileTest, ListsSectionsKeysAndEntriesInFileOrder) {
    Put("Tarnbeck.ini", std::string(kSettings) + "[trees]\nlater=duplicate section\n");
    EXPECT_THAT(profile::ReadSectionNames(ini()), ElementsAre("TREES", "System", "Corp"));
    EXPECT_THAT(profile::ReadKeyNames(ini(), "SYSTEM"),
                ElementsAre("exclude", "Group Attribute", "q1"));
    EXPECT_THAT(profile::ReadSectionEntries(ini(), "system"),
                ElementsAre(Pair("exclude", "Member Notes"), Pair("Group Attribute", "L"),
                            Pair("q1", "Description"), Pair("Q1", "ignored duplicate")));
    // The first section of a name is the one that counts.
    EXPECT_THAT(profile::ReadKeyNames(ini(), "trees"), ElementsAre("CORP"));
}

TEST_F(ProfileTest, MissingFileOrSectionListsNothing) {
    EXPECT_THAT(profile::ReadSectionNames(ini()), IsEmpty());
    EXPECT_THAT(profile::ReadSectionEntries(ini(), "SYSTEM"), IsEmpty());
    Put("Tarnbeck.ini", kSettings);
    EXPECT_THAT(profile::ReadKeyNames(ini(), "NETWORK"), IsEmpty());
    EXPECT_THAT(profile::ReadSectionEntries(ini(), "NETWORK"), IsEmpty());
}

TEST_F(ProfileTest, WritingCreatesFileSectionAndKey) {
    ASSERT_EQ(profile::WriteString(ini(), "TREES", "CORP", "O=Corp"), std::nullopt);
    EXPECT_EQ(Get("Tarnbeck.ini"), "[TREES]\nCORP=O=Corp\n");

    ASSERT_EQ(profile::WriteString(ini(), "Corp", "Attribute", "L"), std::nullopt);
    ASSERT_EQ(profile::WriteString(ini(), "trees", "OTHER", "[ROOT]"), std::nullopt);
    EXPECT_EQ(Get("Tarnbeck.ini"), "[TREES]\nCORP=O=Corp\nOTHER=[ROOT]\n[Corp]\nAttribute=L\n");
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "other", ""), "[ROOT]");
}

TEST_F(ProfileTest, NewKeyGoesAfterTheSectionsLastLineBeforeBlankLines) {
    Put("Tarnbeck.ini", "[A]\nx=1\n; end of A\n\n\n[B]\ny=2");
    ASSERT_EQ(profile::WriteString(ini(), "a", "z", "3"), std::nullopt);
    ASSERT_EQ(profile::WriteString(ini(), "B", "w", "4"), std::nullopt);
    ASSERT_EQ(profile::WriteString(ini(), "C", "v", "5"), std::nullopt);
    EXPECT_EQ(Get("Tarnbeck.ini"), "[A]\nx=1\n; end of A\nz=3\n\n\n[B]\ny=2\nw=4\n[C]\nv=5\n");
}

TEST_F(ProfileTest, ReplacingAValueKeepsEverythingElseByteForByte) {
    Put("Tarnbeck.ini", kSettings);
    ASSERT_EQ(profile::WriteString(ini(), "SYSTEM", "GROUP ATTRIBUTE", "Title"), std::nullopt);
    ASSERT_EQ(profile::WriteString(ini(), "system", "exclude", "See Also"), std::nullopt);
    ASSERT_EQ(profile::WriteString(ini(), "System", "Q1", "Phone"), std::nullopt);

    std::string expected = kSettings;
    auto replace = [&](const std::string &from, const std::string &to) {
        expected.replace(expected.find(from), from.size(), to);
    };
    replace("Group Attribute = L", "Group Attribute = Title");
    replace("  exclude  =  Member Notes  ", "  exclude  =  See Also");
    replace("q1=Description", "q1=Phone"); // the first of the two
    EXPECT_EQ(Get("Tarnbeck.ini"), expected);
    EXPECT_EQ(profile::ReadString(ini(), "System", "Group Attribute", ""), "Title");
}

TEST_F(ProfileTest, CrLfFilesAreReadAndKeepTheirLineEndings) {
    Put("Tarnbeck.ini", "[TREES]\r\nCORP=O=Corp\r\n\r\n[SYSTEM]\r\nexclude=See Also");
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "CORP", ""), "O=Corp");
    EXPECT_EQ(profile::ReadString(ini(), "SYSTEM", "exclude", ""), "See Also");

    ASSERT_EQ(profile::WriteString(ini(), "TREES", "CORP", "OU=Sales.O=Corp"), std::nullopt);
    ASSERT_EQ(profile::WriteString(ini(), "SYSTEM", "include", "Owner"), std::nullopt);
    ASSERT_EQ(profile::WriteString(ini(), "Corp", "Attribute", "L"), std::nullopt);
    EXPECT_EQ(Get("Tarnbeck.ini"),
              "[TREES]\r\nCORP=OU=Sales.O=Corp\r\n\r\n[SYSTEM]\r\n"
              "exclude=See Also\r\ninclude=Owner\r\n[Corp]\r\nAttribute=L\r\n");
}

TEST_F(ProfileTest, ALastLineEndingInABareCrKeepsItAndShadowsNothing) {
    Put("Tarnbeck.ini", "[SYSTEM]\nexclude=See Also\r");
    ASSERT_EQ(profile::WriteString(ini(), "TREES", "CORP", "O=Corp"), std::nullopt);
    EXPECT_EQ(profile::ReadString(ini(), "SYSTEM", "exclude", ""), "See Also\r");
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "CORP", ""), "O=Corp");

    // A stray header: the section written after it must not end up behind a header of its name.
    Put("Tarnbeck.ini", "[A]\nx=1\n[TREES\r");
    ASSERT_EQ(profile::WriteString(ini(), "TREES", "CORP", "O=Corp"), std::nullopt);
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "CORP", ""), "O=Corp");
    EXPECT_EQ(Get("Tarnbeck.ini"), "[A]\nx=1\n[TREES\r\r\n[TREES]\nCORP=O=Corp\n");
}

TEST_F(ProfileTest, ByteOrderMarkIsNotPartOfTheFirstSectionAndSurvivesWrites) {
    Put("Tarnbeck.ini", "\xEF\xBB\xBF[TREES]\nCORP=O=Corp\n");
    EXPECT_THAT(profile::ReadSectionNames(ini()), ElementsAre("TREES"));
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "CORP", ""), "O=Corp");
    ASSERT_EQ(profile::WriteString(ini(), "TREES", "CORP", "[ROOT]"), std::nullopt);
    EXPECT_EQ(Get("Tarnbeck.ini"), "\xEF\xBB\xBF[TREES]\nCORP=[ROOT]\n");
}

TEST_F(ProfileTest, RefusesNamesAndValuesThatWouldChangeTheFilesStructure) {
    Put("Tarnbeck.ini", kSettings);
    struct Case {
        std::string section, key, value;
    };
    const Case cases[] = {
        {"Corp", "Attribute", "L\n[NETWORK]\npath=\\\\evil\\"},
        {"Corp", "Attribute", "L\r"},
        {"Corp", "a=b", "x"},
        {"Corp", ";key", "x"},
        {"Corp", "[key", "x"},
        {"Corp", "  ", "x"},
        {"Co]rp", "key", "x"},
        {"Corp\nx", "key", "x"},
        {"", "key", "x"},
    };
    for (const Case &c : cases) {
        const auto error = profile::WriteString(ini(), c.section, c.key, c.value);
        ASSERT_TRUE(error.has_value()) << c.section << "/" << c.key << "/" << c.value;
        EXPECT_THAT(*error, HasSubstr(ini()));
    }
    EXPECT_EQ(Get("Tarnbeck.ini"), kSettings);
}

} // namespace
