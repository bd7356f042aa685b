#include "directory/directory_error.h"

#include <gtest/gtest.h>

namespace tarnbeck {
namespace {

TEST(CheckStatus, PassesSuccessAndTolerated) {
    EXPECT_NO_THROW(CheckStatus(0));
    EXPECT_NO_THROW(CheckStatus(-603, {-603, -611}));
    EXPECT_THROW(CheckStatus(-602, {-603, -611}), DirectoryError);
}

TEST(CheckStatus, MessageShowsDecimalThirtyTwoBitHexAndMeaning) {
    const struct {
        dsclient::Status status;
        const char *text;
    } cases[] = {
        {-601, "Netware error -601 (0xFFFFFDA7): no such object"},
        {-672, "Netware error -672 (0xFFFFFD60): no access"},
        {-613, "Netware error -613 (0xFFFFFD9B): value does not fit the attribute"},
        {35324, "Netware error 35324 (0x89FC): no more trees"},
        {-8000, "Netware error -8000 (0xFFFFE0C0)"},
        {1, "Netware error 1 (0x1)"}, // no meaning: the number alone
    };
    for (const auto &c : cases) {
        try {
            CheckStatus(c.status);
            ADD_FAILURE() << c.status << " passed";
        } catch (const DirectoryError &error) {
            EXPECT_STREQ(error.what(), c.text);
            EXPECT_EQ(error.status(), c.status);
        }
    }
}

} // namespace
} // namespace tarnbeck
