#include "filter_test_support.h"
#include "scripted_prompter.h"

#include "query/filter_translation.h"

#include <gtest/gtest.h>

namespace tarnbeck::testing {
namespace {

using Tokens = std::vector<std::string>;

class ComparisonTest : public ::testing::Test {
  protected:
    // The tokens of one filter, which must be accepted.
    Tokens accepted(std::string_view text) {
        dsclient::Filter filter;
        EXPECT_TRUE(TranslateFilter(text, names, FakeSchema(), &field, filter)) << text;
        return Describe(filter);
    }
    // A filter that must be refused with `message` (none when empty), adding nothing.
    void refused(std::string_view text, const std::string &message) {
        SCOPED_TRACE(std::string(text));
        if (!message.empty())
            prompter.expectMessage(message);
        dsclient::Filter filter;
        EXPECT_FALSE(TranslateFilter(text, names, FakeSchema(), &field, filter));
        EXPECT_TRUE(filter.tokens().empty());
        EXPECT_TRUE(prompter.allUsed());
    }

    ScriptedPrompter prompter;
    AttributeNameMap names = TestNames();
    RecordingField field;
};

TEST_F(ComparisonTest, NamesAreLookedUpWithoutRegardToCaseAndUsedAsTheDirectoryHasThem) {
    EXPECT_EQ(accepted("(CN=x)"), (Tokens{"ANAME CN/3", "EQ", "AVAL x/3"}));
    EXPECT_EQ(accepted("(cn=x)"), (Tokens{"ANAME CN/3", "EQ", "AVAL x/3"}));
    EXPECT_EQ(accepted("(givenname=Ann)"), (Tokens{"ANAME Given Name/3", "EQ", "AVAL Ann/3"}));
    EXPECT_EQ(accepted("(&(objectclass=User)(cn=*-10*))"),
              (Tokens{"ANAME Object Class/20", "EQ", "AVAL User/20", "AND", "ANAME CN/3", "EQ",
                      "AVAL *-10*/3"}));

    refused("(given name=x)", "Unknown attribute: given name");
    refused("(cn =x)", "Unknown attribute: cn ");
    refused("(cn:1.2.3.4.5:=some name)", "Unknown attribute: cn:1.2.3.4.5:");
    EXPECT_EQ(field.focusCount, 0) << "only syntax errors move the caret";
}

TEST_F(ComparisonTest, PresenceTestsNeedTheStarDirectlyBeforeTheClosingParenthesis) {
    EXPECT_EQ(accepted("(objectclass=*)"), (Tokens{"PRESENT", "ANAME Object Class/20"}));
    EXPECT_EQ(accepted("(age=*)"), (Tokens{"PRESENT", "ANAME Age/3"}));
    EXPECT_EQ(accepted("(cn=* )"), (Tokens{"ANAME CN/3", "EQ", "AVAL * /3"}));
    EXPECT_EQ(accepted("(cn=**)"), (Tokens{"ANAME CN/3", "EQ", "AVAL **/3"}));

    // The schema lacking the attribute is only a warning for a presence test.
    prompter.expectMessage("Unknown attribute");
    EXPECT_EQ(accepted("(missing=*)"), (Tokens{"PRESENT", "ANAME No Such Attribute/3"}));
}

TEST_F(ComparisonTest, EachOperatorHasItsTokenAndAnyOtherStopsSilently) {
    EXPECT_EQ(accepted("(cn~=smith)"), (Tokens{"ANAME CN/3", "APPROX", "AVAL smith/3"}));
    EXPECT_EQ(accepted("(age>=18)"), (Tokens{"ANAME Age/3", "GE", "AVAL \\x12\\x00\\x00\\x00/8"}));
    EXPECT_EQ(accepted("(age<=18)"), (Tokens{"ANAME Age/3", "LE", "AVAL \\x12\\x00\\x00\\x00/8"}));
    for (const char *text : {"(cn<smith)", "(cn>smith)", "(cn)", "(cn==x)", "(cn=>x)", "(cn~x)"})
        refused(text, "");
}

struct EncodingCase {
    std::string filter;
    std::string value; // the AVAL token as Describe shows it
};

TEST_F(ComparisonTest, ValuesAreEncodedByTheAttributesSyntax) {
    const std::vector<EncodingCase> cases = {
        {"(member=Admin.Acme)", "AVAL Admin.Acme/1"},
        {"(title=Chief Of Staff)", "AVAL Chief Of Staff/2"},
        {"(cn=MiXeD)", "AVAL MiXeD/3"},
        {"(printable=P-1)", "AVAL P-1/4"},
        {"(numeric=0815)", "AVAL 0815/5"},
        {"(phone=+49 30 1234)", "AVAL +49 30 1234/10"},
        {"(objectclass=Group)", "AVAL Group/20"},
        {"(logindisabled=true)", "AVAL \\xFF\\xFF\\xFF\\xFF/7"},
        {"(logindisabled=TRUE)", "AVAL \\xFF\\xFF\\xFF\\xFF/7"},
        {"(logindisabled=False)", "AVAL \\x00\\x00\\x00\\x00/7"},
        {"(age=-5)", "AVAL \\xFB\\xFF\\xFF\\xFF/8"},
        {"(age=+7)", "AVAL \\x07\\x00\\x00\\x00/8"},
        {"(age=2147483647)", "AVAL \\xFF\\xFF\\xFF\\x7F/8"},
        {"(age=-2147483648)", "AVAL \\x00\\x00\\x00\\x80/8"},
        {"(count=258)", "AVAL \\x02\\x01\\x00\\x00/22"},
        {"(since=16909060)", "AVAL \\x04\\x03\\x02\\x01/24"},
    };
    for (const auto &c : cases) {
        const Tokens tokens = accepted(c.filter);
        ASSERT_EQ(tokens.size(), 3u) << c.filter;
        EXPECT_EQ(tokens[2], c.value) << c.filter;
    }
}

TEST_F(ComparisonTest, ValuesTheSyntaxCannotTakeAreRefusedWithTheirMessage) {
    refused("(missing=x)", "No Such Attribute is unknown attribute");
    refused("(photo=x)", "Photo is of an unsupported attribute type");
    refused("(fax=123)", "Fax is of an unsupported attribute type");
    refused("(age=12a)", "12a not an integer value");
    refused("(age=)", " not an integer value");
    refused("(age=5 )", "5  not an integer value");
    refused("(age=2147483648)", "2147483648 not an integer value");
    refused("(age=0x10)", "0x10 not an integer value");
    refused("(count=1.5)", "1.5 not an integer value");
    refused("(logindisabled=yes)", "yes value must be true or false");
    refused("(logindisabled=YES)", "yes value must be true or false");
    refused("(logindisabled=1)", "1 value must be true or false");
}

TEST_F(ComparisonTest, OverlongNamesAndTextValuesAreRefusedWholeInsteadOfCut) {
    const std::string value256(256, 'v');
    EXPECT_EQ(accepted("(cn=" + value256 + ")")[2], "AVAL " + value256 + "/3");

    refused("(cn=" + value256 + "w)",
            "Attribute value longer than 256 characters: " + std::string(40, 'v') + "...");
    refused("(" + std::string(257, 'n') + "=x)",
            "Attribute name longer than 256 characters: " + std::string(40, 'n') + "...");
    // A mapped directory name must fit as well.
    names = AttributeNameMap({"long=" + std::string(300, 'L')});
    refused("(long=x)",
            "Attribute name longer than 256 characters: " + std::string(40, 'L') + "...");
    names = TestNames();
    // Only text values occupy their characters; an overlong number is simply no number.
    refused("(age=" + std::string(300, '1') + ")", std::string(300, '1') + " not an integer value");
    // The shown start is cut at a character boundary.
    std::string umlauts;
    for (int i = 0; i < 257; ++i)
        umlauts += "\xC3\xA4";
    std::string shown;
    for (int i = 0; i < 40; ++i)
        shown += "\xC3\xA4";
    refused("(cn=" + umlauts + ")", "Attribute value longer than 256 characters: " + shown + "...");
}

} // namespace
} // namespace tarnbeck::testing
