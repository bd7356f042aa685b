#include "query/query_string.h"

#include <gtest/gtest.h>

namespace tarnbeck {
namespace {

QueryDefinition Parse(std::string entry, std::string memberClassWord = "user") {
    QueryList list;
    list.entries = {std::move(entry)};
    list.memberClassWord = std::move(memberClassWord);
    return ParseQueryString(list, 0);
}

struct ParseCase {
    std::string entry;
    QueryDefinition expected;
};

TEST(ParseQueryStringTest, SplitsStoredTextsIntoContextScopeAndFilter) {
    const std::string byDefault = "(&(objectclass=user))";
    const std::vector<ParseCase> cases = {
        {"ldap:///ou=a.o=b??one?(cn=x)", {"ou=a.o=b", SearchScope::One, "(cn=x)"}},
        {"ldap:///ou=a b.o=c??sub?(cn=a b)", {"ou=a b.o=c", SearchScope::Sub, "(cn=a b)"}},
        {"ldap:///ou=a$$%%$$b??base?(cn=x)", {"ou=a b", SearchScope::Base, "(cn=x)"}},
        {"ldap:///ou=x??SUB?(cn=y)", {"ou=x", SearchScope::Sub, "(cn=y)"}},
        {"ldap:///ou=x??Base?(cn=y)", {"ou=x", SearchScope::Base, "(cn=y)"}},
        {"ldap:///ou=x??deep?(cn=y)", {"ou=x", SearchScope::Sub, "(cn=y)"}},
        {"ldap:///ou=x??one?", {"ou=x", SearchScope::One, byDefault}},
        {"ldap:///ou=x??one?   ", {"ou=x", SearchScope::One, byDefault}},
        {"ldap:///ou=x??one?  (cn=y) ", {"ou=x", SearchScope::One, "(cn=y)"}},
        {"ldap:///??sub?(cn=y)", {"", SearchScope::Sub, "(cn=y)"}},
        {"", {"", SearchScope::Sub, byDefault}},
        // The first eight characters are skipped unseen.
        {"LDAP://Xou=x??one?(cn=y)", {"ou=x", SearchScope::One, "(cn=y)"}},
        // Fields 5 and 6 are ignored.
        {"ldap:///ou=x??one?(cn=y)?ext?", {"ou=x", SearchScope::One, "(cn=y)"}},
        // An unquoted "?" ends the filter; a quoted one does not, and "" inside is one quote.
        {"ldap:///ou=x??one?(cn=a?b)", {"ou=x", SearchScope::One, "(cn=a"}},
        {"ldap:///ou=x??one?\"(cn=a?b)\"", {"ou=x", SearchScope::One, "(cn=a?b)"}},
        {"ldap:///ou=x??one?\"(cn=\"\"q\"\")\"", {"ou=x", SearchScope::One, "(cn=\"q\")"}},
        {"ldap:///ou=x??one?\"(cn=open", {"ou=x", SearchScope::One, "(cn=open"}},
        // Control characters separate fields, merged with a neighbouring "?".
        {"ldap:///ou=x\t??one?(cn=y)", {"ou=x", SearchScope::One, "(cn=y)"}},
        {"ldap:///ou=x??one\x01(cn=y)", {"ou=x", SearchScope::One, "(cn=y)"}},
        {"ldap:///ou=x??one?\r\n(cn=y)", {"ou=x", SearchScope::One, "(cn=y)"}},
        // A stored text ends at a zero character.
        {std::string("ldap:///ou=x??one?(cn=y)\0?junk", 30), {"ou=x", SearchScope::One, "(cn=y)"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(Parse(c.entry), c.expected);
    }
}

TEST(ParseQueryStringTest, DefaultsFollowTheMemberClassAndTheListLength) {
    EXPECT_EQ(Parse("ldap:///ou=x??sub?", "workstation").filter, "(&(objectclass=workstation))");
    QueryList list;
    list.entries = {"ldap:///ou=x??one?(cn=y)"};
    EXPECT_EQ(ParseQueryString(list, 1),
              (QueryDefinition{"", SearchScope::Sub, "(&(objectclass=user))"}));
}

TEST(ParseQueryStringTest, TheContextIsCappedAtAThousandCharacters) {
    const std::string context(1200, 'c');
    EXPECT_EQ(Parse("ldap:///" + context + "??sub?(cn=x)").context, context.substr(0, 1000));
    std::string umlauts;
    for (int i = 0; i < 1001; ++i)
        umlauts += "\xC3\xA4";
    EXPECT_EQ(Parse("ldap:///" + umlauts + "??sub?(cn=x)").context, umlauts.substr(0, 2000));
}

TEST(ComposeQueryStringTest, RoundTripsThroughParsing) {
    const std::vector<QueryDefinition> queries = {
        {"ou=sales.o=acme", SearchScope::One, "(&(objectclass=User)(cn=*-10*))"},
        {"ou=a b.o=c", SearchScope::Base, "(cn=a b)"},
        {"t=mytree", SearchScope::Sub, "(cn=x)"},
        {"ou=a\\,b.o=c", SearchScope::Sub, "(sn=$$%%$$x)"},
    };
    for (const auto &query : queries) {
        QueryList list;
        list.entries = {
            ComposeQueryString(query.context, std::string(ScopeWord(query.scope)), query.filter)};
        QueryDefinition expected = query;
        if (query.filter == "(sn=$$%%$$x)")
            expected.filter = "(sn= x)"; // the placeholder cannot be told from a stored blank
        EXPECT_EQ(ParseQueryString(list, 0), expected) << list.entries[0];
    }
}

TEST(ComposeQueryStringTest, TheRootContextIsLeftOutAndOddScopeWordsAreKeptAsTyped) {
    EXPECT_EQ(ComposeQueryString("cn=[root]", "sub", "(cn=x)"), "ldap:///??sub?(cn=x)");
    EXPECT_EQ(Parse(ComposeQueryString("cn=[root]", "sub", "(cn=x)")).context, "");
    EXPECT_EQ(ComposeQueryString("ou=x", "deep", "(cn=x)"), "ldap:///ou=x??deep?(cn=x)");
    EXPECT_EQ(Parse(ComposeQueryString("ou=x", "-", "(cn=x)")).scope, SearchScope::Sub);
}

} // namespace
} // namespace tarnbeck
