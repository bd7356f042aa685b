#include "directory/directory_error.h"
#include "directory/object_info.h"
#include "directory/values_reader.h"

#include "test_tree.h"

#include <clocale>
#include <cstdlib>
#include <ctime>

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::TextValue;
using testing::UserValues;

class ReadValuesTest : public testing::TreeTest {
  protected:
    void SetUp() override {
        TreeTest::SetUp();
        add("Staff.Acme", "Group");
        add("Joe.Acme", "User", UserValues("Smith"));
    }
};

std::vector<std::string> Texts(const ValueList &list) {
    std::vector<std::string> texts;
    for (const auto &item : list)
        texts.push_back(item.text);
    return texts;
}

TEST_F(ReadValuesTest, AbsentAttributeIsEmptyNotAnError) {
    connect();
    EXPECT_TRUE(ReadValues(context, "Staff.Acme", "Member").empty());
    EXPECT_EQ(ReadValueText(context, "Staff.Acme", "Member", false), "");
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(ReadValuesTest, MissingObjectRaisesAndLeavesNothingOpen) {
    connect();
    try {
        ReadValues(context, "Nobody.Acme", "Member");
        FAIL() << "no error";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::NoSuchEntry);
    }
    EXPECT_THROW(ReadValueText(context, "Nobody.Acme", "Member", true), DirectoryError);
    EXPECT_EQ(ObjectExists(context, "Nobody.Acme"), status::NoSuchEntry);
    EXPECT_EQ(ObjectExists(context, "joe.acme"), status::Ok);
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(ReadValuesTest, StoredValuesComeBackAsTheirTexts) {
    addValue("Joe.Acme", "Login Disabled", {SYN_BOOLEAN, Boolean{true}});
    addValue("Joe.Acme", "Login Grace Limit", {SYN_INTEGER, Integer{-1}});
    addValue("Joe.Acme", "Network Address",
             {SYN_NET_ADDRESS, NetAddress{9, std::string("\x01\xBB\x0A\x00\x00\x01", 6)}});
    addValue("Joe.Acme", "Private Key", {SYN_OCTET_STRING, Octets{"  raw  "}});
    addValue("Joe.Acme", "Telephone Number", TextValue(SYN_TEL_NUMBER, " 555-1 "));
    addValue("Joe.Acme", "Telephone Number", TextValue(SYN_TEL_NUMBER, "555-2"));
    addValue("Joe.Acme", "EMail Address", {SYN_EMAIL_ADDRESS, EMailAddress{1, "joe@acme.example"}});
    addValue("Joe.Acme", "Language", {SYN_CI_LIST, TextList{{"English", "German"}}});
    addValue("Joe.Acme", "Server Holds", {SYN_HOLD, Hold{"Admin.Acme", 12}});
    addValue("Joe.Acme", "ACL", {SYN_OBJECT_ACL, ObjectACL{"Surname", "Admin.Acme", 3}});
    connect();

    EXPECT_EQ(ReadValueText(context, "Joe.Acme", "Login Disabled", false), "TRUE");
    EXPECT_EQ(Texts(ReadValues(context, "Joe.Acme", "Login Grace Limit")),
              std::vector<std::string>{"-1"});
    EXPECT_EQ(ReadValueText(context, "Joe.Acme", "Network Address", false), "10.0.0.1:443");
    const ValueList address = ReadValues(context, "Joe.Acme", "Network Address");
    ASSERT_EQ(address.size(), 1u);
    EXPECT_EQ(std::get<TNetAddress>(address[0].attached),
              (TNetAddress{std::string("\x01\xBB\x0A\x00\x00\x01", 6), 9}));
    // Octet strings keep their blanks; the other texts are trimmed.
    EXPECT_EQ(ReadValueText(context, "Joe.Acme", "Private Key", false), "  raw  ");
    EXPECT_EQ(Texts(ReadValues(context, "Joe.Acme", "Private Key")),
              std::vector<std::string>{"too complex"});
    EXPECT_EQ(ReadValueText(context, "Joe.Acme", "Telephone Number", false), "555-1 555-2");
    EXPECT_EQ(ReadValueText(context, "Joe.Acme", "Telephone Number", true), "555-1");
    EXPECT_EQ(Texts(ReadValues(context, "Joe.Acme", "EMail Address")),
              std::vector<std::string>{"1;joe@acme.example"});
    EXPECT_EQ(Texts(ReadValues(context, "Joe.Acme", "Language")),
              (std::vector<std::string>{"English", "German", ""}));
    const ValueList holds = ReadValues(context, "Joe.Acme", "Server Holds");
    ASSERT_EQ(holds.size(), 1u);
    EXPECT_EQ(holds[0].text, "Admin.Acme");
    EXPECT_EQ(std::get<std::int64_t>(holds[0].attached), 12);
    const ValueList acl = ReadValues(context, "Joe.Acme", "ACL");
    ASSERT_EQ(acl.size(), 1u);
    EXPECT_EQ(std::get<TACL2>(acl[0].attached), (TACL2{"Surname", "Admin.Acme", 3}));
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(ReadValuesTest, TimeShowsInTheLocalZone) {
    addValue("Joe.Acme", "Login Time", {SYN_TIME, Time{1721044800}}); // 2024-07-15 12:00 UTC
    connect();
    const char *savedTz = std::getenv("TZ");
    const std::string saved = savedTz ? savedTz : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    std::setlocale(LC_TIME, "C");
    const ValueList times = ReadValues(context, "Joe.Acme", "Login Time");
    const std::string number = ReadValueText(context, "Joe.Acme", "Login Time", false);
    if (savedTz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(Texts(times), std::vector<std::string>{"07/15/24 14:00:00"});
    EXPECT_EQ(number, "1721044800");
}

TEST_F(ReadValuesTest, ThousandsOfValuesComeBackWholeAcrossPasses) {
    ASSERT_EQ(admin().Begin(), status::Ok);
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        expected.push_back("description number " + std::to_string(i));
        addValue("Joe.Acme", "Description", TextValue(SYN_CI_STRING, expected.back()));
    }
    ASSERT_EQ(admin().Commit(), status::Ok);
    connect();
    const ValueList values = ReadValues(context, "Joe.Acme", "Description");
    EXPECT_EQ(Texts(values), expected);
    // Leaving after the first value must release the iteration the read opened.
    EXPECT_EQ(ReadValueText(context, "Joe.Acme", "Description", true), expected.front());
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(ReadValuesTest, ClassContainerAndAlias) {
    add("Sales.Acme", "Organizational Unit", {{"OU", TextValue(SYN_CI_STRING, "Sales")}});
    add("Boss.Acme", "Alias", {{"Aliased Object Name", TextValue(SYN_DIST_NAME, "Joe.Acme")}});
    add("Dept.Acme", "Alias", {{"Aliased Object Name", TextValue(SYN_DIST_NAME, "Sales.Acme")}});
    connect();
    EXPECT_EQ(ObjectBaseClass(context, "Joe.Acme"), "User");
    EXPECT_TRUE(IsContainer(context, "Sales.Acme"));
    EXPECT_TRUE(IsContainer(context, "Dept.Acme")); // an alias of a container
    EXPECT_FALSE(IsContainer(context, "Joe.Acme"));
    EXPECT_FALSE(IsContainer(context, "Boss.Acme"));
    EXPECT_EQ(ResolveAlias(context, "Boss.Acme"), "Joe.Acme");
    EXPECT_EQ(ResolveAlias(context, "Joe.Acme"), "Joe.Acme");
    EXPECT_THROW(ObjectBaseClass(context, "Nobody.Acme"), DirectoryError);
}

} // namespace
} // namespace tarnbeck
