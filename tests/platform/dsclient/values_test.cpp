#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/embedded/value_codec.h"
#include "platform/dsclient/values.h"
#include "sample_values.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>
#include <variant>

namespace dsclient {
namespace {

using namespace embedded;
using testing::SampleValue;

// Every alternative of the value variant, one of each.
std::vector<ValueData> AllOwnerTypes() {
    return {Text{},     Boolean{},        Integer{},   Time{},       Octets{},    TextList{},
            Path{},     EMailAddress{},   FaxNumber{}, NetAddress{}, TypedName{}, Hold{},
            BackLink{}, ReplicaPointer{}, ObjectACL{}, Timestamp{}};
}

TEST(OwnerTypes, EverySyntaxAcceptsExactlyOneOwnerType) {
    for (std::uint32_t syntax = 0; syntax <= kHighestValueSyntax; ++syntax) {
        int accepted = 0;
        for (const auto &data : AllOwnerTypes())
            accepted += HoldsOwnerType(syntax, data) ? 1 : 0;
        EXPECT_EQ(accepted, 1) << "syntax " << syntax;
        EXPECT_TRUE(HoldsOwnerType(syntax, SampleValue(syntax).data)) << "syntax " << syntax;
    }
    for (const auto &data : AllOwnerTypes())
        EXPECT_FALSE(HoldsOwnerType(28, data)); // schema-only syntaxes carry no values
    EXPECT_TRUE(HoldsOwnerType(SYN_UNKNOWN, Octets{}));
    EXPECT_FALSE(HoldsOwnerType(SYN_DIST_NAME, Integer{}));
}

TEST(ValueCodec, EverySyntaxSurvivesTheStoredForm) {
    for (std::uint32_t syntax = 0; syntax <= kHighestValueSyntax; ++syntax) {
        const AttrValue original = SampleValue(syntax);
        AttrValue decoded;
        ASSERT_TRUE(DecodeValue(syntax, EncodeValue(original), decoded)) << "syntax " << syntax;
        EXPECT_EQ(decoded, original) << "syntax " << syntax;
        EXPECT_GT(EncodedSize(original), 0u);
    }
}

TEST(ValueCodec, DamagedBytesAreRefused) {
    const std::string bytes = EncodeValue(SampleValue(SYN_REPLICA_POINTER));
    AttrValue decoded;
    EXPECT_FALSE(DecodeValue(SYN_REPLICA_POINTER, bytes.substr(0, bytes.size() - 1), decoded));
    EXPECT_FALSE(DecodeValue(SYN_REPLICA_POINTER, bytes + "x", decoded));
    EXPECT_FALSE(DecodeValue(SYN_CI_STRING, "\xff\xff\xff\x7f", decoded)); // absurd length
    EXPECT_FALSE(DecodeValue(40, bytes, decoded));
}

TEST(ValueCodec, EqualityFollowsTheSyntaxRules) {
    auto key = [](std::uint32_t syntax, const char *text) {
        return EqualityKey(AttrValue{syntax, Text{text}});
    };
    EXPECT_EQ(key(SYN_CI_STRING, "Berlin"), key(SYN_CI_STRING, "BERLIN"));
    EXPECT_NE(key(SYN_CE_STRING, "Berlin"), key(SYN_CE_STRING, "BERLIN"));
    EXPECT_EQ(key(SYN_TEL_NUMBER, "+49 30 1"), key(SYN_TEL_NUMBER, "+49301"));
    EXPECT_EQ(key(SYN_DIST_NAME, "joe.sales.acme"), key(SYN_DIST_NAME, "Joe.Sales.Acme"));
    EXPECT_NE(EqualityKey(AttrValue{SYN_INTEGER, Integer{1}}),
              EqualityKey(AttrValue{SYN_INTEGER, Integer{2}}));
}

TEST(Names, SplitJoinAndEscapes) {
    std::vector<std::string> parts;
    ASSERT_EQ(SplitName("Joe\\.Jr.Sales.Acme", parts), status::Ok);
    EXPECT_EQ(parts, (std::vector<std::string>{"Joe.Jr", "Sales", "Acme"}));
    EXPECT_EQ(JoinName(parts), "Joe\\.Jr.Sales.Acme");

    ASSERT_EQ(SplitName("[ROOT]", parts), status::Ok);
    EXPECT_TRUE(parts.empty());

    EXPECT_EQ(SplitName("", parts), status::IllegalName);
    EXPECT_EQ(SplitName("a..b", parts), status::IllegalName);
    EXPECT_EQ(SplitName(".a", parts), status::IllegalName);
    EXPECT_EQ(SplitName("a.[Root]", parts), status::IllegalName);
    EXPECT_EQ(SplitName(std::string("a\x01") + "b", parts), status::IllegalName);
    EXPECT_EQ(SplitName(std::string(256, 'x'), parts), status::Ok);
    EXPECT_EQ(SplitName(std::string(257, 'x'), parts), status::IllegalName);
}

// Random components of the characters that mean something in a dotted name, in a DN or in a
// filter, with blanks at the ends and text beyond ASCII: each joins to a name that splits back
// into exactly those components, and different components never give one name.
TEST(Names, EveryComponentListHasItsOwnNameThatSplitsBackToIt) {
    static const std::vector<std::string> pieces = {"\\", ".", ",", "+", "=",  "\"",
                                                    "<",  ">", ";", "#", "*",  " ",
                                                    "a",  "Z", "ä", "Ж", "日", "x y"};
    std::mt19937 random(20261209);
    std::unordered_map<std::string, std::vector<std::string>> seen;
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::string> components(1 + random() % 3);
        for (auto &component : components) {
            const std::size_t length = 1 + random() % 6;
            for (std::size_t i = 0; i < length; ++i)
                component += pieces[random() % pieces.size()];
        }
        const std::string name = JoinName(components);
        std::vector<std::string> parts;
        ASSERT_EQ(SplitName(name, parts), status::Ok) << name;
        ASSERT_EQ(parts, components) << name;
        const auto [it, added] = seen.emplace(name, components);
        ASSERT_TRUE(added || it->second == components) << name;
    }
    // The one that met its twin, and names as they were always written.
    EXPECT_NE(JoinName({"x\\", "Weird", "Acme"}), JoinName({"x.Weird", "Acme"}));
    for (const std::string kept : {"Joe\\.Jr.Sales.Acme", "a\\b.Acme", "a\\\\b.Acme"}) {
        std::vector<std::string> parts;
        ASSERT_EQ(SplitName(kept, parts), status::Ok);
        EXPECT_EQ(JoinName(parts), kept);
    }
}

TEST(Names, SubtreeRangeHoldsDescendantsOnly) {
    auto key = [](const char *name) {
        std::vector<std::string> parts;
        EXPECT_EQ(SplitName(name, parts), status::Ok);
        return PathKey(parts);
    };
    const std::string base = key("Sales.Acme");
    const std::string end = SubtreeEnd(base);
    auto inside = [&](const char *name) {
        const std::string k = key(name);
        return k > base && k < end;
    };
    EXPECT_TRUE(inside("Joe.Sales.Acme"));
    EXPECT_TRUE(inside("Deep.Unit.SALES.acme"));
    EXPECT_FALSE(inside("Sales2.Acme"));
    EXPECT_FALSE(inside("Joe.Sales2.Acme"));
    EXPECT_FALSE(inside("Acme"));
    EXPECT_FALSE(inside("Zed.Acme"));
}

} // namespace
} // namespace dsclient
