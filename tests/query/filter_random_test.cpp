// Random filter texts, from the grammar's characters and arbitrary bytes, must never crash,
// hang or read past the end, and every accepted filter must be one the client can finish.

#include "filter_test_support.h"

#include "directory/prompter.h"
#include "query/comparison_translator.h"
#include "query/filter_parser.h"
#include "query/filter_scanner.h"

#include <gtest/gtest.h>

#include <random>

namespace tarnbeck::testing {
namespace {

// Counts what would have been shown; random input produces all sorts of messages.
class CountingPrompter : public Prompter {
  public:
    CountingPrompter() { installPrompter(this); }
    ~CountingPrompter() override { installPrompter(nullptr); }
    void message(const std::string &) override { ++messages; }
    bool confirm(const std::string &) override { return false; }
    bool input(const std::string &, const std::string &, std::string &) override { return false; }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
    int messages = 0;
};

std::string RandomFilter(std::mt19937 &random) {
    static const std::string kPieces[] = {
        "(",           ")",    "&",  "|",  "!",   "=",     "<",   ">",
        "~",           "*",    " ",  "a",  "b",   "cn",    "age", "logindisabled",
        "objectclass", "true", "-5", "12", "=*)", "(cn=x)"};
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> percent(0, 99);
    std::string text;
    for (int n = length(random); n > 0; --n) {
        if (percent(random) < 10)
            text += static_cast<char>(byte(random));
        else
            text += kPieces[piece(random)];
    }
    return text;
}

TEST(FilterRandomTest, AnyTextIsParsedSafely) {
    CountingPrompter prompter;
    const AttributeNameMap names = TestNames();
    const SyntaxLookup schema = FakeSchema();
    std::mt19937 random(20240611);
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string text = RandomFilter(random);
        SCOPED_TRACE(text);
        FilterScanner scanner(text);
        ComparisonTranslator comparison(names, schema);
        RecordingField field;
        dsclient::Filter filter;
        FilterParser parser(scanner, filter, comparison, &field);
        ASSERT_NO_THROW(parser.ParseFilter(false));
        ASSERT_LE(scanner.position(), scanner.text().size());
        if (field.focusCount > 0) {
            ASSERT_LE(field.caret, scanner.text().size() + 1);
        }
        if (!parser.failed()) {
            ++accepted;
            ASSERT_EQ(dsclient::AddFilterToken(filter, dsclient::FTOK_END, {}, 0),
                      dsclient::status::Ok);
        }
    }
    // The generator must reach the accepting paths too, or the test proves little.
    EXPECT_GT(accepted, 200);
    EXPECT_GT(prompter.messages, 1000);
}

} // namespace
} // namespace tarnbeck::testing
