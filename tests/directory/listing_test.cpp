#include "directory/directory_error.h"
#include "directory/listing.h"
#include "directory/text_compare.h"

#include "test_tree.h"

#include <algorithm>
#include <cstdio>

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::TextValue;
using testing::UserValues;

class ListingTest : public testing::TreeTest {
  protected:
    void addUnit(const std::string &name) {
        add(name, "Organizational Unit",
            {{"OU", TextValue(SYN_CI_STRING, name.substr(0, name.find('.')))}});
    }
    static std::vector<std::string> Texts(const ValueList &list) {
        std::vector<std::string> texts;
        for (const auto &item : list)
            texts.push_back(item.text);
        return texts;
    }
};

TEST_F(ListingTest, SortedFullNamesWithDetails) {
    addUnit("sales.Acme");
    addUnit("Marketing.Acme");
    add("zed.Acme", "User", UserValues());
    add("Bob.Acme", "User", UserValues());
    add("Ann.sales.Acme", "User", UserValues());
    connect();

    const ValueList all = ListSubordinates(context, "Acme", true, true);
    EXPECT_EQ(Texts(all), (std::vector<std::string>{"Admin.Acme", "Bob.Acme", "Marketing.Acme",
                                                    "sales.Acme", "zed.Acme"}));
    const auto &sales = std::get<hobject>(all[3].attached);
    EXPECT_EQ(sales.baseClass, "Organizational Unit");
    EXPECT_EQ(sales.subordinateCount, 1u);
    EXPECT_TRUE(sales.entryFlags & DS_CONTAINER_ENTRY);
    EXPECT_EQ(std::get<hobject>(all[1].attached).baseClass, "User");

    const ValueList containers = ListSubordinates(context, "Acme", false, false);
    EXPECT_EQ(Texts(containers), (std::vector<std::string>{"Marketing.Acme", "sales.Acme"}));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(containers[0].attached));

    EXPECT_TRUE(ListSubordinates(context, "Marketing.Acme", true, true).empty());
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(ListingTest, TopOfTheTreeIsNoPartOfTheNames) {
    connect();
    for (const char *top : {"[Root]", "[ROOT]", "[root]"})
        EXPECT_EQ(Texts(ListSubordinates(context, top, false, false)),
                  std::vector<std::string>{"Acme"})
            << top;
}

TEST_F(ListingTest, EscapedLeafNamesStayEscaped) {
    add("J\\.Smith.Acme", "User", UserValues());
    connect();
    const auto names = Texts(ListSubordinates(context, "Acme", false, true));
    EXPECT_NE(std::find(names.begin(), names.end(), "J\\.Smith.Acme"), names.end());
}

TEST_F(ListingTest, TenThousandSubordinatesComeBackWhole) {
    ASSERT_EQ(admin().Begin(), status::Ok);
    for (int i = 9999; i >= 0; --i) {
        char name[32];
        std::snprintf(name, sizeof name, "u%05d.Acme", i);
        add(name, "User", UserValues());
    }
    ASSERT_EQ(admin().Commit(), status::Ok);
    connect();
    const ValueList all = ListSubordinates(context, "Acme", true, true);
    ASSERT_EQ(all.size(), 10001u); // with Admin
    EXPECT_EQ(all[0].text, "Admin.Acme");
    EXPECT_EQ(all[1].text, "u00000.Acme");
    EXPECT_EQ(all.back().text, "u09999.Acme");
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](const auto &a, const auto &b) {
        return CompareIgnoreCase(a.text, b.text) < 0;
    }));
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(ListingTest, FailureIsPassedOnWithNothingOpen) {
    connect();
    for (bool all : {true, false}) {
        try {
            ListSubordinates(context, "Nowhere.Acme", true, all);
            ADD_FAILURE() << "no error";
        } catch (const DirectoryError &error) {
            EXPECT_EQ(error.status(), status::NoSuchEntry);
        }
    }
    EXPECT_EQ(liveIterations(), 0u);
}

} // namespace
} // namespace tarnbeck
