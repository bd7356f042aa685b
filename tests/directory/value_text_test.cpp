#include "directory/directory_error.h"
#include "directory/value_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace tarnbeck {
namespace {

using namespace dsclient;

std::string Bytes(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes)
        out += static_cast<char>(b);
    return out;
}

TEST(NetAddressText, EachAddressType) {
    EXPECT_EQ(NetAddressText(9, Bytes({0x01, 0xBB, 10, 0, 0, 1})), "10.0.0.1:443");
    EXPECT_EQ(NetAddressText(8, Bytes({0x00, 0x35, 192, 168, 1, 2})), "192.168.1.2:53");
    EXPECT_EQ(NetAddressText(1, Bytes({10, 0, 0, 254})), "10.0.0.254");
    EXPECT_EQ(
        NetAddressText(0, Bytes({0, 0, 0, 1, 0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC, 0x04, 0x51})),
        "00000001 001122AABBCC:0451");
    EXPECT_EQ(NetAddressText(13, std::string("a\0b\0c\0", 6)), "abc");
    EXPECT_EQ(NetAddressText(5, Bytes({0x0A, 0xFF, 0x00})), "0AFF00");
}

TEST(NetAddressText, ShortAddressesDoNotReadPastTheirBytes) {
    EXPECT_EQ(NetAddressText(9, Bytes({0x01})), "01");
    EXPECT_EQ(NetAddressText(9, Bytes({0x01, 0xBB})), ":443");
    EXPECT_EQ(NetAddressText(0, ""), "");
}

class LocalTime : public ::testing::Test {
  protected:
    void SetUp() override {
        const char *tz = std::getenv("TZ");
        savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
        // Central European time with its daylight saving rule, without needing zone files.
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        std::setlocale(LC_TIME, "C");
    }
    void TearDown() override {
        if (savedTz_)
            setenv("TZ", savedTz_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> savedTz_;
};

TEST_F(LocalTime, AppliesStandardAndDaylightBias) {
    EXPECT_EQ(LocalTimeText(1705320000), "01/15/24 13:00:00"); // 2024-01-15 12:00 UTC
    EXPECT_EQ(LocalTimeText(1721044800), "07/15/24 14:00:00"); // 2024-07-15 12:00 UTC

    ValueList items;
    AppendValueItems({SYN_TIME, Time{1721044800}}, SYN_TIME, ';', items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].text, "07/15/24 14:00:00");
    // The single-text form keeps the number, which callers store and compare.
    std::string text;
    FoldValueText({SYN_TIME, Time{1721044800}}, SYN_TIME, text);
    EXPECT_EQ(text, "1721044800");
}

// One value of each syntax and the items it becomes.
TEST(AppendValueItems, EverySyntaxRow) {
    ValueList items;
    const auto take = [&](const AttrValue &value) {
        items.clear();
        AppendValueItems(value, value.syntax, ';', items);
        return items;
    };
    for (std::uint32_t syntax : {SYN_DIST_NAME, SYN_CE_STRING, SYN_CI_STRING, SYN_PR_STRING,
                                 SYN_NU_STRING, SYN_TEL_NUMBER, SYN_CLASS_NAME}) {
        take({syntax, Text{" Joe.Acme "}});
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].text, " Joe.Acme ") << syntax;
    }
    take({SYN_CE_STRING, Text{std::string(5000, 'x')}});
    EXPECT_EQ(items[0].text.size(), 4097u);

    EXPECT_EQ(take({SYN_BOOLEAN, Boolean{false}})[0].text, "FALSE");
    EXPECT_EQ(take({SYN_BOOLEAN, Boolean{true}})[0].text, "TRUE");
    EXPECT_EQ(take({SYN_INTEGER, Integer{-1}})[0].text, "-1");
    EXPECT_EQ(take({SYN_COUNTER, Integer{2147483647}})[0].text, "2147483647");
    EXPECT_EQ(take({SYN_INTERVAL, Integer{3600}})[0].text, "3600");
    EXPECT_EQ(take({SYN_PATH, Path{0, " SYS.Acme ", " users/joe "}})[0].text, "SYS.Acme;users/joe");
    EXPECT_EQ(take({SYN_EMAIL_ADDRESS, EMailAddress{2, "joe@acme.example"}})[0].text,
              "2;joe@acme.example");
    EXPECT_EQ(take({SYN_FAX_NUMBER, FaxNumber{"+44 1 234", "\x01"}})[0].text, "+44 1 234");
    EXPECT_EQ(take({SYN_TYPED_NAME, dsclient::TypedName{"Printer.Acme", 3, 60}})[0].text,
              "Printer.Acme;3;60");

    take({SYN_HOLD, Hold{" Joe.Acme ", -25}});
    EXPECT_EQ(items[0].text, "Joe.Acme");
    EXPECT_EQ(std::get<std::int64_t>(items[0].attached), -25);

    take({SYN_BACK_LINK, BackLink{4000000000u, std::string(600, 'n')}});
    EXPECT_EQ(items[0].text.size(), 513u);
    EXPECT_EQ(std::get<std::int64_t>(items[0].attached), 4000000000);

    take({SYN_REPLICA_POINTER, ReplicaPointer{"FS1.Acme", 1, 7, {NetAddress{}, NetAddress{}}}});
    EXPECT_EQ(items[0].text, "FS1.Acme");
    EXPECT_EQ(std::get<TReplica>(items[0].attached), (TReplica{1, 7, 2}));

    take({SYN_OBJECT_ACL, ObjectACL{"[Entry Rights]", "Admin.Acme", 0x1F}});
    EXPECT_EQ(items[0].text, "[Entry Rights]");
    EXPECT_EQ(std::get<TACL2>(items[0].attached), (TACL2{"[Entry Rights]", "Admin.Acme", 0x1F}));

    take({SYN_NET_ADDRESS, NetAddress{9, std::string("\x01\xBB\x0A\x00\x00\x01", 6)}});
    EXPECT_EQ(items[0].text, "");
    EXPECT_EQ(std::get<TNetAddress>(items[0].attached).addressType, 9u);

    take({SYN_CI_LIST, TextList{{"one", "two"}}});
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].text, "two");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(items[1].attached));
    EXPECT_EQ(items[2].text, "");
    EXPECT_EQ(std::get<std::int64_t>(items[2].attached), 1);

    EXPECT_EQ(take({SYN_UNKNOWN, Octets{"x"}})[0].text, "too complex");
    EXPECT_EQ(take({SYN_OCTET_STRING, Octets{"x"}})[0].text, "too complex");
    EXPECT_EQ(take({SYN_OCTET_LIST, TextList{{"x"}}})[0].text, "too complex");
    EXPECT_EQ(take({SYN_PO_ADDRESS, TextList{{"x"}}})[0].text, "too complex");
    EXPECT_EQ(take({SYN_TIMESTAMP, Timestamp{1, 2, 3}})[0].text, "too complex");
    EXPECT_EQ(take({SYN_STREAM, Octets{"x"}})[0].text, "too complex");
    EXPECT_TRUE(take({28, Octets{"x"}}).empty());
}

TEST(FoldValueText, StringsAppendOthersReplaceSomeKeep) {
    std::string text;
    FoldValueText({SYN_CI_STRING, Text{"a"}}, SYN_CI_STRING, text);
    FoldValueText({SYN_CI_STRING, Text{"b"}}, SYN_CI_STRING, text);
    EXPECT_EQ(text, "ab");
    FoldValueText({SYN_INTEGER, Integer{-1}}, SYN_INTEGER, text);
    EXPECT_EQ(text, "-1");
    FoldValueText({SYN_REPLICA_POINTER, ReplicaPointer{"FS1", 0, 0, {}}}, SYN_REPLICA_POINTER,
                  text);
    EXPECT_EQ(text, "-1");
    FoldValueText({30, Octets{}}, 30, text);
    EXPECT_EQ(text, "-1");

    const struct {
        AttrValue value;
        const char *text;
    } replacing[] = {
        {{SYN_BOOLEAN, Boolean{true}}, "TRUE"},
        {{SYN_PATH, Path{0, " SYS ", " home "}}, "SYS;home"},
        {{SYN_HOLD, Hold{" Joe ", 5}}, "Joe;5"},
        {{SYN_OCTET_STRING, Octets{"  raw  "}}, "  raw  "},
        {{SYN_BACK_LINK, BackLink{12, "FS1.Acme"}}, "FS1.Acme;12"},
        {{SYN_FAX_NUMBER, FaxNumber{"555", ""}}, "555"},
        {{SYN_TYPED_NAME, dsclient::TypedName{"Q.Acme", 1, 2}}, "Q.Acme;1;2"},
        {{SYN_NET_ADDRESS, NetAddress{1, "\x0A\x01\x02\x03"}}, "10.1.2.3"},
        {{SYN_EMAIL_ADDRESS, EMailAddress{0, "a@b"}}, "Too Complex"},
        {{SYN_CI_LIST, TextList{{"a"}}}, "Too Complex"},
        {{SYN_OBJECT_ACL, ObjectACL{}}, "Too Complex"},
    };
    for (const auto &c : replacing) {
        std::string folded = "before";
        FoldValueText(c.value, c.value.syntax, folded);
        EXPECT_EQ(folded, c.text) << c.value.syntax;
    }
}

TEST(AppendValueItems, DataNotFittingItsSyntaxIsAnError) {
    ValueList items;
    try {
        AppendValueItems({SYN_INTEGER, Text{"12"}}, SYN_INTEGER, ';', items);
        FAIL() << "accepted a text as an integer";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::BadSyntax);
    }
    std::string text;
    EXPECT_THROW(FoldValueText({SYN_PATH, Integer{1}}, SYN_PATH, text), DirectoryError);
}

} // namespace
} // namespace tarnbeck
