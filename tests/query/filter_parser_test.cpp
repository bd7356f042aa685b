#include "filter_test_support.h"
#include "scripted_prompter.h"

#include "query/filter_translation.h"

#include <gtest/gtest.h>

namespace tarnbeck::testing {
namespace {

using Tokens = std::vector<std::string>;

class FilterParserTest : public ::testing::Test {
  protected:
    bool translate(std::string_view text) {
        return TranslateFilter(text, names, FakeSchema(), &field, filter);
    }
    // The client must accept the stream as a whole expression once Execute ends it.
    void expectCompletes() {
        EXPECT_EQ(dsclient::AddFilterToken(filter, dsclient::FTOK_END, {}, 0),
                  dsclient::status::Ok);
        EXPECT_TRUE(filter.complete());
    }

    ScriptedPrompter prompter;
    AttributeNameMap names = TestNames();
    RecordingField field;
    dsclient::Filter filter;
};

const Tokens kA1 = {"ANAME A/3", "EQ", "AVAL 1/3"};
const Tokens kB2 = {"ANAME B/3", "EQ", "AVAL 2/3"};
const Tokens kC3 = {"ANAME C/3", "EQ", "AVAL 3/3"};

Tokens Join(std::initializer_list<Tokens> parts) {
    Tokens out;
    for (const Tokens &part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

struct StreamCase {
    std::string filter;
    Tokens tokens;
};

TEST_F(FilterParserTest, ListsAreGroupedOnlyInsideListsAndNotAlwaysGroupsItsOperand) {
    const std::vector<StreamCase> cases = {
        {"(cn=a)", {"ANAME CN/3", "EQ", "AVAL a/3"}},
        {"(&(a=1)(b=2)(c=3))", Join({kA1, {"AND"}, kB2, {"AND"}, kC3})},
        {"(&(a=1)(|(b=2)(c=3)))", Join({kA1, {"AND", "("}, kB2, {"OR"}, kC3, {")"}})},
        {"(!(a=1))", Join({{"NOT", "("}, kA1, {")"}})},
        {"(!(&(a=1)(b=2)))", Join({{"NOT", "("}, kA1, {"AND"}, kB2, {")"}})},
        {"(|(&(a=1)(b=2))(!(c=3)))",
         Join({{"("}, kA1, {"AND"}, kB2, {")", "OR", "NOT", "("}, kC3, {")"}})},
        {"(!(!(a=1)))", Join({{"NOT", "(", "NOT", "("}, kA1, {")", ")"}})},
        {"(&(a=1))", kA1},
        {"(|(&(|(a=1))))", Join({{"(", "("}, kA1, {")", ")"}})},
        // Blanks after "(", between members and before ")" are skipped.
        {"( & (a=1)  (b=2) )", Join({kA1, {"AND"}, kB2})},
        {"(!  (a=1) )", Join({{"NOT", "("}, kA1, {")"}})},
        // Blanks may follow the filter.
        {"(a=1)  ", kA1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.filter);
        filter = {};
        ASSERT_TRUE(translate(c.filter));
        EXPECT_EQ(Describe(filter), c.tokens);
        expectCompletes();
    }
    EXPECT_EQ(field.focusCount, 0);
}

TEST_F(FilterParserTest, BlanksBeforeAValueAreSkippedButTrailingOnesBelongToIt) {
    ASSERT_TRUE(translate("(cn= x)"));
    EXPECT_EQ(Describe(filter), (Tokens{"ANAME CN/3", "EQ", "AVAL x/3"}));
    filter = {};
    ASSERT_TRUE(translate("(cn=x )"));
    EXPECT_EQ(Describe(filter), (Tokens{"ANAME CN/3", "EQ", "AVAL x /3"}));
    filter = {};
    // A tab is no blank: it stays part of the value.
    ASSERT_TRUE(translate("(cn=\tx)"));
    EXPECT_EQ(Describe(filter), (Tokens{"ANAME CN/3", "EQ", "AVAL \\x09x/3"}));
}

struct SyntaxErrorCase {
    std::string filter;
    std::string message;
    std::size_t caret;
};

TEST_F(FilterParserTest, SyntaxErrorsNameTheOneBasedPositionAndPlaceTheCaret) {
    const std::vector<SyntaxErrorCase> cases = {
        {"cn=x", "( expected at position 1 in filter", 0},
        {"", "( expected at position 1 in filter", 0},
        {"  cn=x", "( expected at position 3 in filter", 2},
        {"(cn=x", ") expected at position 6 in filter", 6},
        {"(&)", "( expected at position 3 in filter", 2},
        {"(!(cn=x)(a=y))", ") expected at position 9 in filter", 9},
        {"(!(cn=x", ") expected at position 8 in filter", 8},
        {"(member=cn=admin.o=acme)", ") expected at position 11 in filter", 11},
        {"(&(a=1)x(b=2))", "( expected at position 8 in filter", 7},
        {"(|(a=1)", ") expected at position 8 in filter", 8},
        // Positions count characters, not bytes.
        {"(cn=\xC3\xA4\xC3\xB6", ") expected at position 7 in filter", 7},
        // Text after the filter would not run: its first character is named.
        {"(cn=*)(|(objectClass=*))", "End of filter expected at position 7 in filter", 6},
        {"(cn=x))", "End of filter expected at position 7 in filter", 6},
        {"(&(a=1)(b=2))  x", "End of filter expected at position 16 in filter", 15},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.filter);
        filter = {};
        field = {};
        prompter.expectMessage(c.message);
        EXPECT_FALSE(translate(c.filter));
        EXPECT_TRUE(prompter.allUsed());
        EXPECT_EQ(field.focusCount, 1);
        EXPECT_EQ(field.caret, c.caret);
    }
}

TEST_F(FilterParserTest, TheFirstErrorEndsTheParseWithoutFurtherTokensOrMessages) {
    prompter.expectMessage("( expected at position 8 in filter");
    EXPECT_FALSE(translate("(&(a=1)x(b=2)y(c=3))"));
    EXPECT_EQ(Describe(filter), Join({kA1, {"AND"}}));
    EXPECT_EQ(prompter.shown().size(), 1u);
}

TEST_F(FilterParserTest, WorksWithoutAFilterField) {
    prompter.expectMessage(") expected at position 6 in filter");
    dsclient::Filter local;
    EXPECT_FALSE(TranslateFilter("(cn=x", names, FakeSchema(), nullptr, local));
}

TEST_F(FilterParserTest, AFilterLongerThanTheBufferIsRefusedBeforeParsing) {
    prompter.expectMessage("Filter longer than 16383 characters");
    EXPECT_FALSE(translate("(cn=x)" + std::string(16378, ' ')));
    EXPECT_TRUE(filter.tokens().empty());
    EXPECT_EQ(field.focusCount, 0);

    // At the limit, counted in characters (each "ä" is two bytes).
    std::string atLimit = "(|";
    for (int i = 0; i < 2730; ++i)
        atLimit += "(cn=\xC3\xA4)";
    atLimit += ")";
    filter = {};
    EXPECT_TRUE(translate(atLimit));
    // Text after a zero character is not part of the filter.
    filter = {};
    EXPECT_TRUE(translate(std::string("(cn=x)\0", 7) + std::string(20000, 'x')));
}

std::string Nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "(!";
    return text + "(cn=x)" + std::string(depth, ')');
}

TEST_F(FilterParserTest, NestingIsBoundedByTheClientNotByTheStack) {
    ASSERT_TRUE(translate(Nested(200)));
    EXPECT_EQ(filter.tokens().size(), 3u * 200 + 3u);
    expectCompletes();

    // Deeper than the client takes: its refusal is the directory error, never a crash.
    filter = {};
    try {
        translate(Nested(5000));
        FAIL() << "no error raised";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), dsclient::status::InvalidRequest);
    }
}

TEST_F(FilterParserTest, ARefusedTokenRaisesTheDirectoryError) {
    ASSERT_TRUE(translate("(cn=x)"));
    expectCompletes();
    try {
        translate("(!(cn=x))");
        FAIL() << "no error raised";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), dsclient::status::InvalidRequest);
    }
}

} // namespace
} // namespace tarnbeck::testing
