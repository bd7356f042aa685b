#include "directory/directory_error.h"
#include "directory/value_conversion.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tarnbeck {
namespace {

using namespace dsclient;

void ExpectRefused(std::uint32_t syntax, std::string_view text) {
    try {
        ValueFromText(syntax, text);
        ADD_FAILURE() << "\"" << text << "\" accepted for syntax " << syntax;
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), kValueConversionFailed);
        EXPECT_STREQ(error.what(), "Netware error -8000 (0xFFFFE0C0)");
    }
}

TEST(ValueFromText, IntegerSyntaxesTakeThirtyTwoBitDecimals) {
    EXPECT_EQ(ValueFromText(SYN_INTEGER, "-1"), (AttrValue{SYN_INTEGER, Integer{-1}}));
    EXPECT_EQ(ValueFromText(SYN_COUNTER, " 42 "), (AttrValue{SYN_COUNTER, Integer{42}}));
    EXPECT_EQ(ValueFromText(SYN_INTERVAL, "+7"), (AttrValue{SYN_INTERVAL, Integer{7}}));
    EXPECT_EQ(ValueFromText(SYN_INTEGER, "-2147483648"),
              (AttrValue{SYN_INTEGER, Integer{INT32_MIN}}));
    EXPECT_EQ(ValueFromText(SYN_TIME, "4294967295"), (AttrValue{SYN_TIME, Time{4294967295u}}));
    for (std::uint32_t syntax : {SYN_INTEGER, SYN_COUNTER, SYN_TIME, SYN_INTERVAL})
        for (const char *text : {"", "abc", "12x", "1.5", "0x10", "- 1", "99999999999"})
            ExpectRefused(syntax, text);
    ExpectRefused(SYN_INTEGER, "2147483648");
    ExpectRefused(SYN_TIME, "-1");
}

TEST(ValueFromText, BooleansInAnyCase) {
    EXPECT_EQ(ValueFromText(SYN_BOOLEAN, "true"), (AttrValue{SYN_BOOLEAN, Boolean{true}}));
    EXPECT_EQ(ValueFromText(SYN_BOOLEAN, "False"), (AttrValue{SYN_BOOLEAN, Boolean{false}}));
    ExpectRefused(SYN_BOOLEAN, "yes");
    ExpectRefused(SYN_BOOLEAN, "1");
}

TEST(ValueFromText, OtherSyntaxesGoAsTextUntouched) {
    EXPECT_EQ(ValueFromText(SYN_CI_STRING, " q:ldap:///x "),
              (AttrValue{SYN_CI_STRING, Text{" q:ldap:///x "}}));
    EXPECT_EQ(ValueFromText(SYN_DIST_NAME, "Joe.Acme"),
              (AttrValue{SYN_DIST_NAME, Text{"Joe.Acme"}}));
    EXPECT_TRUE(IsIntegerSyntax(SYN_TIME));
    EXPECT_FALSE(IsIntegerSyntax(SYN_BOOLEAN));
}

} // namespace
} // namespace tarnbeck
