#include "platform/dsclient/text_fold.h"

#include <gtest/gtest.h>

namespace dsclient {
namespace {

TEST(TextFold, FoldsCaseBeyondAsciiAndKeepsWhatIsNotUtf8) {
    EXPECT_EQ(FoldCase("Sales Team"), "sales team");
    EXPECT_EQ(FoldCase("\xC3\x84rger"), "\xC3\xA4rger");          // Ärger
    EXPECT_EQ(FoldCase("\xCE\xA3\xCE\x9F"), "\xCF\x83\xCE\xBF");  // ΣΟ
    EXPECT_EQ(FoldCase("\xD0\x9F"), "\xD0\xBF");                  // П
    EXPECT_EQ(FoldCase("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");  // an emoji stays
    // Broken sequences stay byte for byte, and never swallow the next character.
    EXPECT_EQ(FoldCase("A\xFF" "B"), "a\xFF" "b");
    EXPECT_EQ(FoldCase("\xC3"), "\xC3");
    EXPECT_EQ(FoldCase("\xC3X"), "\xC3x");
    EXPECT_TRUE(EqualsFolded("M\xC3\x9CLLER.Sales", "m\xC3\xBCller.sales"));
    EXPECT_EQ(HashFolded("\xC3\x84"), HashFolded("\xC3\xA4"));
    EXPECT_FALSE(EqualsFolded("a", "b"));
}

TEST(TextFold, RecognisesUtf8) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("Sales \xC3\x84 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xFF" "Acme"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short
}

} // namespace
} // namespace dsclient
