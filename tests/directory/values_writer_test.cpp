#include "directory/directory_error.h"
#include "directory/values_reader.h"
#include "directory/values_writer.h"

#include "test_tree.h"

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::TextValue;
using testing::UserValues;

class WriteValuesTest : public testing::TreeTest {
  protected:
    void SetUp() override {
        TreeTest::SetUp();
        add("Joe.Acme", "User", UserValues("Smith"));
        add("Staff.Acme", "Group");
    }
    std::vector<std::string> read(const std::string &attribute) {
        std::vector<std::string> texts;
        for (const auto &item : ReadValues(context, "Joe.Acme", attribute))
            texts.push_back(item.text);
        return texts;
    }
    using Texts = std::vector<std::string>;
};

TEST_F(WriteValuesTest, ReplacesAddsAndClears) {
    connect();
    WriteValues(context, "Joe.Acme", "Description", {"q:one", "s:6"}, false);
    EXPECT_EQ(read("Description"), (Texts{"q:one", "s:6"}));
    WriteValues(context, "Joe.Acme", "Description", {"extra"}, true);
    EXPECT_EQ(read("Description"), (Texts{"q:one", "s:6", "extra"}));
    WriteValues(context, "Joe.Acme", "Description", {"only"}, false);
    EXPECT_EQ(read("Description"), Texts{"only"});
    WriteValues(context, "Joe.Acme", "Description", {}, false);
    EXPECT_TRUE(read("Description").empty());
    // Clearing what is not there is no error either.
    EXPECT_NO_THROW(WriteValues(context, "Joe.Acme", "Title", {}, false));
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(WriteValuesTest, NumbersAndBooleansTravelTyped) {
    connect();
    WriteValues(context, "Joe.Acme", "Login Grace Limit", {"-1"}, false);
    EXPECT_EQ(read("Login Grace Limit"), Texts{"-1"});
    WriteValues(context, "Joe.Acme", "Login Expiration Time", {"1721044800"}, false);
    EXPECT_EQ(ReadValueText(context, "Joe.Acme", "Login Expiration Time", false), "1721044800");
    WriteValues(context, "Joe.Acme", "Login Disabled", {"true"}, false);
    EXPECT_EQ(read("Login Disabled"), Texts{"TRUE"});
}

TEST_F(WriteValuesTest, TextThatIsNoNumberIsRefusedBeforeAnythingIsSent) {
    connect();
    WriteValues(context, "Joe.Acme", "Login Grace Limit", {"6"}, false);
    try {
        // The clear must not go out on its own either.
        WriteValues(context, "Joe.Acme", "Login Grace Limit", {"six"}, false);
        FAIL() << "no error";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), kValueConversionFailed);
        EXPECT_STREQ(error.what(), "Netware error -8000 (0xFFFFE0C0)");
    }
    EXPECT_EQ(read("Login Grace Limit"), Texts{"6"});
}

TEST_F(WriteValuesTest, RefusedWriteIsReportedAndChangesNothing) {
    add("Ann.Acme", "User", UserValues("Jones"));
    addValue("Joe.Acme", "Description", TextValue(SYN_CI_STRING, "kept"));
    connect("Ann.Acme"); // no supervisor
    try {
        WriteValues(context, "Joe.Acme", "Description", {"changed"}, false);
        FAIL() << "a refused write passed for a written one";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::NoAccess);
    }
    EXPECT_EQ(read("Description"), Texts{"kept"});
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(WriteValuesTest, OtherRefusalsAreReportedToo) {
    connect();
    // A name that is no object.
    EXPECT_THROW(WriteValues(context, "Joe.Acme", "Member", {"Nobody.Acme"}, true), DirectoryError);
    EXPECT_TRUE(read("Member").empty());
    // An attribute the schema does not know.
    EXPECT_THROW(WriteValues(context, "Joe.Acme", "No Such Attribute", {"x"}, true),
                 DirectoryError);
}

TEST_F(WriteValuesTest, ListsAndValuesOfAnySizeAreWrittenWhole) {
    std::vector<std::string> names;
    admin().Begin();
    for (int i = 0; i < 1500; ++i) {
        names.push_back("U" + std::to_string(i) + ".Acme");
        add(names.back(), "User", UserValues());
    }
    admin().Commit();
    connect();
    // One request, however long the list.
    WriteValues(context, "Staff.Acme", "See Also", names, false);
    EXPECT_EQ(ReadValues(context, "Staff.Acme", "See Also").size(), names.size());
    // A value longer than a result buffer is written and can be read back (shown cut short).
    const std::string big(10000, 'x');
    WriteValues(context, "Joe.Acme", "Internet EMail Address", {big}, false);
    const Texts back = read("Internet EMail Address");
    ASSERT_EQ(back.size(), 1u);
    EXPECT_TRUE(big.starts_with(back.front()));
    // Only the attribute's own bounds refuse a value; they count characters.
    std::string umlauts;
    for (int i = 0; i < 1024; ++i)
        umlauts += "\xc3\xa4";
    EXPECT_NO_THROW(WriteValues(context, "Joe.Acme", "Description", {umlauts}, false));
    try {
        WriteValues(context, "Joe.Acme", "Description", {std::string(1025, 'd')}, false);
        FAIL() << "a value past the attribute's bound was written";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::SyntaxViolation);
    }
    EXPECT_EQ(read("Description"), Texts{umlauts});
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(WriteValuesTest, CreateObjectReturnsTheStatus) {
    connect();
    EXPECT_EQ(CreateObject(context, "Team.Acme", "Group"), status::Ok);
    EXPECT_EQ(ObjectExists(context, "Team.Acme"), status::Ok);
    EXPECT_EQ(ReadValueText(context, "Team.Acme", "Object Class", true), "Group");
    EXPECT_EQ(CreateObject(context, "Team.Acme", "Group"), status::EntryAlreadyExists);
    EXPECT_NE(CreateObject(context, "Sub.Joe.Acme", "Group"), status::Ok);
}

TEST_F(WriteValuesTest, CreateObjectWithoutRightsIsRefusedNotRaised) {
    add("Ann.Acme", "User", UserValues("Jones"));
    connect("Ann.Acme");
    EXPECT_EQ(CreateObject(context, "Team.Acme", "Group"), status::NoAccess);
    EXPECT_EQ(ObjectExists(context, "Team.Acme"), status::NoSuchEntry);
}

} // namespace
} // namespace tarnbeck
