#include "scripted_prompter.h"

#include "query/stored_queries.h"

#include <gtest/gtest.h>

namespace tarnbeck::testing {
namespace {

using Values = std::vector<std::string>;
const std::string kQuery = "ldap:///ou=a.o=b??one?(cn=x)";
const std::string kUnknown = "Unknown info in query strings, info removed";

TEST(ReadStoredQueriesTest, QueriesAndSettingsAreFoundInEitherOrderAndCase) {
    ScriptedPrompter prompter;
    for (const Values &values : {Values{"q:" + kQuery, "s:5"}, Values{"s:5", "q:" + kQuery},
                                 Values{"S:5", "Q:" + kQuery}}) {
        const StoredQueries stored = ReadStoredQueries(values);
        EXPECT_EQ(stored.entries, Values{kQuery});
        EXPECT_EQ(stored.settings, 5);
    }
    const StoredQueries many = ReadStoredQueries({"q:one", "q:two", "s:6", "q:three"});
    EXPECT_EQ(many.entries, (Values{"one", "two", "three"}));
}

TEST(ReadStoredQueriesTest, ValuesThatAreNeitherAreDroppedWithAMessageEach) {
    ScriptedPrompter prompter;
    prompter.expectMessage(kUnknown).expectMessage(kUnknown);
    const StoredQueries stored = ReadStoredQueries({"q:one", "junk", "q:two", "more junk", "s:4"});
    EXPECT_EQ(stored.entries, (Values{"one", "two"}));
    EXPECT_EQ(stored.settings, 4);
}

TEST(ReadStoredQueriesTest, ALoneValueWithoutPrefixIsAQueryOfTheOlderForm) {
    ScriptedPrompter prompter;
    StoredQueries stored = ReadStoredQueries({"ldap:///ou=a.o=b??sub?(cn=*)7"});
    // The settings digit stood after the filter; left there the filter would be refused.
    EXPECT_EQ(stored.entries, Values{"ldap:///ou=a.o=b??sub?(cn=*)"});
    EXPECT_EQ(stored.settings, 7);
    EXPECT_EQ(ReadStoredQueries({"LDAP:///ou=a??sub?(cn=*)7"}).settings, 6) << "case counts";
    EXPECT_EQ(ReadStoredQueries({"(cn=x)9"}).settings, 6);
    EXPECT_EQ(ReadStoredQueries({"ldap:///ou=a??sub?(cn=*)"}).settings, 6);

    // Walking from the end, "s:6" goes first and leaves the other value alone ...
    stored = ReadStoredQueries({"(cn=x)", "s:6"});
    EXPECT_EQ(stored.entries, Values{"(cn=x)"});
    // ... but the other way round the unknown value meets a second one and is dropped.
    prompter.expectMessage(kUnknown);
    stored = ReadStoredQueries({"s:6", "(cn=x)"});
    EXPECT_TRUE(stored.entries.empty());
    EXPECT_EQ(stored.settings, 6);
}

TEST(ReadStoredQueriesTest, UnreadableSettingsBecomeTheDefaultAndMissingOnesStayUnset) {
    ScriptedPrompter prompter;
    EXPECT_EQ(ReadStoredQueries({"s:abc"}).settings, 6);
    EXPECT_EQ(ReadStoredQueries({"s:"}).settings, 6);
    EXPECT_EQ(ReadStoredQueries({"s: 5"}).settings, 6);
    EXPECT_EQ(ReadStoredQueries({"s:99999999999"}).settings, 6) << "ten digits overflow";
    EXPECT_EQ(ReadStoredQueries({"s:00000000015"}).settings, 1) << "only ten characters count";
    EXPECT_EQ(ReadStoredQueries({"s:-1"}).settings, -1);
    EXPECT_EQ(ReadStoredQueries({"q:a"}).settings, std::nullopt);
    EXPECT_EQ(ReadStoredQueries({}).settings, std::nullopt);
    EXPECT_TRUE(ReadStoredQueries({}).entries.empty());
}

TEST(ReadStoredQueriesTest, QueriesAreCutAtTenThousandCharactersAndEmptyValuesKept) {
    ScriptedPrompter prompter;
    const std::string longQuery(10005, 'x');
    const StoredQueries stored = ReadStoredQueries({"q:" + longQuery, "", "q:", "s:6"});
    ASSERT_EQ(stored.entries.size(), 3u);
    EXPECT_EQ(stored.entries[0], longQuery.substr(0, 10000));
    EXPECT_EQ(stored.entries[1], "");
    EXPECT_EQ(stored.entries[2], "");
    // The prefix is two bytes: a stray byte after it stays the query's.
    EXPECT_EQ(ReadStoredQueries({"q:\x89(cn=x)"}).entries, Values{"\x89(cn=x)"});
}

TEST(StoredQueryValuesTest, BlankEntriesAreLeftOutAndTheSettingsComeLast) {
    QuerySettings settings;
    settings.addMode = true;
    settings.applyStatics = true;
    settings.xchain = true;
    EXPECT_EQ(StoredQueryValues({"", "a", " \t", "b", "\r\n"}, settings),
              (Values{"q:a", "q:b", "s:13"}));
    EXPECT_EQ(StoredQueryValues({""}, QuerySettings::fromValue(6)), Values{"s:6"});
    EXPECT_EQ(QuerySettings::fromValue(-1).value(), 15) << "unknown bits are dropped";
}

} // namespace
} // namespace tarnbeck::testing
