#include "directory/search_result.h"

#include <gtest/gtest.h>

namespace tarnbeck {
namespace {

using namespace dsclient;

std::vector<std::string> Texts(const ValueList &list) {
    std::vector<std::string> texts;
    for (const auto &item : list)
        texts.push_back(item.text);
    return texts;
}

TEST(SearchResultBuilder, ObjectsOnceWhateverTheirCase) {
    ValueList list;
    SearchResultBuilder builder(list);
    EXPECT_TRUE(builder.beginObject("Joe.Sales.Acme"));
    EXPECT_TRUE(builder.beginObject("Ann.Acme"));
    // A later pass finds Joe again, spelled differently.
    EXPECT_FALSE(builder.beginObject("JOE.sales.ACME"));
    EXPECT_FALSE(builder.beginObject("Ann.Acme"));
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"Object Name", "Joe.Sales.Acme", "Object Name",
                                                     "Ann.Acme"}));
}

TEST(SearchResultBuilder, AttributesFollowTheirObjectOnly) {
    ValueList list;
    SearchResultBuilder builder(list);
    builder.beginObject("Joe.Acme");
    builder.addAttribute("Surname", 1);
    builder.addValue({SYN_CI_STRING, Text{"Smith"}}, SYN_CI_STRING);
    builder.addAttribute("Title", 0); // no values: left out
    builder.beginObject("Ann.Acme");
    builder.addAttribute("Login Disabled", 1);
    builder.addValue({SYN_BOOLEAN, Boolean{true}}, SYN_BOOLEAN);
    // The duplicate's attributes must not trail Ann's.
    builder.beginObject("joe.acme");
    builder.addAttribute("Surname", 1);
    builder.addValue({SYN_CI_STRING, Text{"Other"}}, SYN_CI_STRING);
    EXPECT_EQ(Texts(list),
              (std::vector<std::string>{"Object Name", "Joe.Acme", "Surname", "Smith",
                                        "Object Name", "Ann.Acme", "Login Disabled", "TRUE"}));
}

TEST(SearchResultBuilder, HundredThousandNamesStayDistinct) {
    ValueList list;
    SearchResultBuilder builder(list);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < 100000; ++i)
            builder.beginObject((pass ? "USER" : "user") + std::to_string(i) + ".acme");
    EXPECT_EQ(list.size(), 200000u);
}

} // namespace
} // namespace tarnbeck
