#include "directory/directory_error.h"
#include "directory/search.h"

#include "scripted_prompter.h"
#include "test_tree.h"

#include "platform/dsclient/filter.h"

#include <set>

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::TextValue;
using testing::UserValues;

std::vector<FilterToken> Tokens(const FilterPtr &filter) {
    return filter->tokens();
}

FilterToken Tok(std::uint32_t token, std::string value = {}, std::uint32_t syntax = 0) {
    return {token, std::move(value), syntax};
}

TEST(ClassAndNameFilter, TokenSequences) {
    EXPECT_EQ(Tokens(ClassAndNameFilter({}, "Jo", true)),
              (std::vector<FilterToken>{Tok(FTOK_BASECLS), Tok(FTOK_ANAME, "*", 3), Tok(FTOK_AND),
                                        Tok(FTOK_RDN), Tok(FTOK_ANAME, "Jo*", 3), Tok(FTOK_END)}));
    EXPECT_EQ(Tokens(ClassAndNameFilter({"User"}, "Joe", false)),
              (std::vector<FilterToken>{Tok(FTOK_LPAREN), Tok(FTOK_BASECLS),
                                        Tok(FTOK_ANAME, "User", 3), Tok(FTOK_RPAREN), Tok(FTOK_AND),
                                        Tok(FTOK_RDN), Tok(FTOK_ANAME, "Joe", 3), Tok(FTOK_END)}));
    EXPECT_EQ(Tokens(ClassAndNameFilter({"Group", "Workstation Group", "zenWorkstationGroup"}, "S",
                                        true)),
              (std::vector<FilterToken>{
                  Tok(FTOK_LPAREN), Tok(FTOK_BASECLS), Tok(FTOK_ANAME, "Group", 3), Tok(FTOK_OR),
                  Tok(FTOK_BASECLS), Tok(FTOK_ANAME, "Workstation Group", 3), Tok(FTOK_OR),
                  Tok(FTOK_BASECLS), Tok(FTOK_ANAME, "zenWorkstationGroup", 3), Tok(FTOK_RPAREN),
                  Tok(FTOK_AND), Tok(FTOK_RDN), Tok(FTOK_ANAME, "S*", 3), Tok(FTOK_END)}));
}

class SearchTest : public testing::OnBothBackends<testing::TreeTest> {
  protected:
    void SetUp() override {
        OnBothBackends::SetUp();
        add("Sales.Acme", "Organizational Unit", {{"OU", TextValue(SYN_CI_STRING, "Sales")}});
        add("Joe.Sales.Acme", "User", UserValues("Smith"));
        add("John.Acme", "User", UserValues("Miller"));
        add("Jobs.Acme", "Group");
        add("Jolly.Sales.Acme", "Workstation Group");
        add("Ann.Acme", "User", UserValues("Jones"));
    }
    std::set<std::string> find(const std::vector<std::string> &classes, std::string name,
                               bool prefix) {
        const auto names = FindObjectsByClass(context, "[Root]", name, classes, prefix, nullptr);
        std::set<std::string> unique(names.begin(), names.end());
        EXPECT_EQ(unique.size(), names.size());
        return unique;
    }
    using Names = std::set<std::string>;

    FilterPtr surnameFilter(const std::string &surname) {
        FilterPtr filter;
        EXPECT_EQ(AllocFilter(filter), status::Ok);
        AddFilterToken(*filter, FTOK_ANAME, "Surname", SYN_CI_STRING);
        AddFilterToken(*filter, FTOK_EQ, "", 0);
        AddFilterToken(*filter, FTOK_AVAL, surname, SYN_CI_STRING);
        AddFilterToken(*filter, FTOK_END, "", 0);
        return filter;
    }
};

INSTANTIATE_ON_BOTH_BACKENDS(SearchTest);

TEST_P(SearchTest, FindByClassAndName) {
    connect();
    testing::ScriptedPrompter prompter;
    EXPECT_EQ(find({}, "Jo", true),
              (Names{"Joe.Sales.Acme", "John.Acme", "Jobs.Acme", "Jolly.Sales.Acme"}));
    EXPECT_EQ(find({"User"}, "Jo", true), (Names{"Joe.Sales.Acme", "John.Acme"}));
    EXPECT_EQ(find({"Group", "Workstation Group"}, "jo", true),
              (Names{"Jobs.Acme", "Jolly.Sales.Acme"}));
    EXPECT_EQ(find({}, "Joe", false), Names{"Joe.Sales.Acme"});
    EXPECT_TRUE(find({"Group"}, "Joe", true).empty());
    EXPECT_EQ(prompter.busyPushes(), 5);
    EXPECT_EQ(prompter.busyDepth(), 0);
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_P(SearchTest, BusyCursorIsRestoredWhenTheFindFails) {
    connect();
    testing::ScriptedPrompter prompter;
    const ContextHandle noContext = 0;
    EXPECT_THROW(FindObjectsByClass(noContext, "[Root]", "Jo", {"User"}, true, nullptr),
                 DirectoryError);
    EXPECT_EQ(prompter.busyPushes(), 1);
    EXPECT_EQ(prompter.busyDepth(), 0);
}

TEST_P(SearchTest, ResultHoldsMarkersNamesAndRequestedAttributes) {
    connect();
    const ValueList result = SearchObjects(context, "Acme", surnameFilter("smith"),
                                           SearchScope::Sub, {"Surname"}, nullptr);
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(result[0].text, "Object Name");
    EXPECT_EQ(result[1].text, "Joe.Sales.Acme");
    EXPECT_EQ(result[2].text, "Surname");
    EXPECT_EQ(result[3].text, "Smith");
}

TEST_P(SearchTest, EachFoundObjectGetsItsOwnValuesInTheOrderAdded) {
    // Objects that are not found lie between those that are, with values of their own.
    add("Oslo.Acme", "Group", {{"L", TextValue(SYN_CI_STRING, "Oslo")}});
    add("Zed.Acme", "User",
        {{"Surname", TextValue(SYN_CI_STRING, "Zed")}, {"L", TextValue(SYN_CI_STRING, "Zurich")},
         {"L", TextValue(SYN_CI_STRING, "Athens")}});
    add("Rome.Acme", "Group", {{"L", TextValue(SYN_CI_STRING, "Rome")}});
    add("Bea.Acme", "User",
        {{"Surname", TextValue(SYN_CI_STRING, "Bea")}, {"L", TextValue(SYN_CI_STRING, "Bern")}});
    connect();
    FilterPtr users;
    ASSERT_EQ(AllocFilter(users), status::Ok);
    AddFilterToken(*users, FTOK_ANAME, "Object Class", SYN_CLASS_NAME);
    AddFilterToken(*users, FTOK_EQ, "", 0);
    AddFilterToken(*users, FTOK_AVAL, "User", SYN_CLASS_NAME);
    AddFilterToken(*users, FTOK_END, "", 0);
    const ValueList found =
        SearchObjects(context, "Acme", std::move(users), SearchScope::Sub, {"L"}, nullptr);
    std::vector<std::string> texts;
    for (const ValueItem &item : found)
        texts.push_back(item.text);
    // In the tree's order: each found object, then its values of the attribute asked for.
    EXPECT_EQ(texts, (std::vector<std::string>{"Object Name", "Admin.Acme", "Object Name",
                                               "Ann.Acme", "Object Name", "Bea.Acme", "L", "Bern",
                                               "Object Name", "John.Acme", "Object Name",
                                               "Joe.Sales.Acme", "Object Name", "Zed.Acme", "L",
                                               "Zurich", "Athens"}));
}

TEST_P(SearchTest, UnknownBaseEndsQuietlyAndTellsTheCallerWhy) {
    connect();
    testing::ScriptedPrompter prompter; // fails the test on any box
    Status passStatus = status::Ok;
    const ValueList result = SearchObjects(context, "Nowhere.Acme", surnameFilter("Smith"),
                                           SearchScope::Sub, {}, nullptr, &passStatus);
    EXPECT_TRUE(result.empty());
    EXPECT_EQ(passStatus, status::NoSuchEntry);
    EXPECT_EQ(liveIterations(), 0u);

    SearchObjects(context, "Acme", surnameFilter("Smith"), SearchScope::Sub, {}, nullptr,
                  &passStatus);
    EXPECT_EQ(passStatus, status::Ok);
}

TEST_P(SearchTest, IncompleteFilterIsRefusedBeforeTheFirstPass) {
    connect();
    FilterPtr filter;
    ASSERT_EQ(AllocFilter(filter), status::Ok);
    AddFilterToken(*filter, FTOK_ANAME, "Surname", SYN_CI_STRING);
    EXPECT_THROW(SearchObjects(context, "Acme", std::move(filter), SearchScope::Sub, {}, nullptr),
                 DirectoryError);
}

class LargeSearchTest : public testing::TreeTest {
  protected:
    static constexpr int kUsers = 2000;
    void SetUp() override {
        TreeTest::SetUp();
        ASSERT_EQ(admin().Begin(), status::Ok);
        for (int i = 0; i < kUsers; ++i)
            add("User" + std::to_string(i) + ".Acme", "User", UserValues("Many"));
        ASSERT_EQ(admin().Commit(), status::Ok);
        connect();
    }
    FilterPtr manyFilter() { return ClassAndNameFilter({"User"}, "User", true); }
};

TEST_F(LargeSearchTest, ManyPassesComeBackWhole) {
    std::vector<int> reports;
    const ValueList result = SearchObjects(context, "Acme", manyFilter(), SearchScope::Sub, {},
                                           [&](int handled) { reports.push_back(handled); });
    ASSERT_EQ(result.size(), 2u * kUsers);
    std::set<std::string> names;
    for (std::size_t i = 1; i < result.size(); i += 2)
        names.insert(result[i].text);
    EXPECT_EQ(names.size(), std::size_t(kUsers));
    // One report per object and one more at the end of each pass, never going back.
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), kUsers);
    EXPECT_GT(reports.size(), std::size_t(kUsers) + 1) << "a 4096-byte buffer needs passes";
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(LargeSearchTest, LeavingEarlyClosesTheIteration) {
    struct Stop {};
    EXPECT_THROW(SearchObjects(context, "Acme", manyFilter(), SearchScope::Sub, {},
                               [](int handled) {
                                   if (handled == 100)
                                       throw Stop{};
                               }),
                 Stop);
    EXPECT_EQ(liveIterations(), 0u);
}

} // namespace
} // namespace tarnbeck
