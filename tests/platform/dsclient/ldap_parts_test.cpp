// The LDAP backend's translations, without a server: filters, values, DNs and the subschema.

#include "platform/dsclient/filter.h"
#include "platform/dsclient/ldap/dn.h"
#include "platform/dsclient/ldap/filter_text.h"
#include "platform/dsclient/ldap/name_cache.h"
#include "platform/dsclient/ldap/subschema.h"
#include "platform/dsclient/ldap/value_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace dsclient::ldap {
namespace {

struct Token {
    std::uint32_t token;
    std::string value = {};
    std::uint32_t syntax = 0;
};

std::string Word(std::int32_t number) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &number, 4);
    return bytes;
}

// The RFC 4515 text of a token sequence, on a server that knows a few attributes.
std::string FilterOf(std::vector<Token> tokens) {
    Filter filter;
    tokens.push_back({FTOK_END});
    for (const auto &t : tokens)
        EXPECT_EQ(filter.Add(t.token, t.value, t.syntax), status::Ok);
    FilterContext context;
    context.attribute = [](std::string_view name) -> std::optional<FilterAttribute> {
        const std::map<std::string, FilterAttribute, std::less<>> known = {
            {"L", {"l", SYN_CI_STRING}},          {"Given Name", {"givenName", SYN_CI_STRING}},
            {"uidNumber", {"uidNumber", SYN_INTEGER}}, {"Login Disabled", {"loginDisabled", SYN_BOOLEAN}},
            {"Login Time", {"loginTime", SYN_TIME}}, {"Member", {"member", SYN_DIST_NAME}},
            {"Private Key", {"privateKey", SYN_OCTET_STRING}}};
        const auto found = known.find(name);
        return found == known.end() ? std::nullopt : std::optional(found->second);
    };
    context.className = [](std::string_view name) {
        return name == "Group" ? std::string("groupOfNames") : std::string(name);
    };
    context.dn = [](std::string_view dotted) -> std::optional<std::string> {
        return dotted == "Joe.Acme" ? std::optional<std::string>("cn=Joe,o=Acme") : std::nullopt;
    };
    return FilterText(*filter.expression(), context);
}

std::vector<Token> Compare(const std::string &name, std::uint32_t op, const std::string &value) {
    return {{FTOK_ANAME, name, SYN_CI_STRING}, {op}, {FTOK_AVAL, value, SYN_CI_STRING}};
}

TEST(LdapFilterText, DirectorySemanticsInRfc4515) {
    EXPECT_EQ(FilterOf(Compare("L", FTOK_EQ, "Ber*lin*")), "(l=Ber*lin*)");
    EXPECT_EQ(FilterOf(Compare("L", FTOK_EQ, "a(b)\\c*")), "(l=a\\28b\\29\\5Cc*)");
    EXPECT_EQ(FilterOf(Compare("L", FTOK_GE, "a*")), "(l>=a\\2A)"); // a star orders as a star
    EXPECT_EQ(FilterOf(Compare("L", FTOK_EQ, "**")), "(l=*)");
    EXPECT_EQ(FilterOf(Compare("uidNumber", FTOK_LE, Word(-5))), "(uidNumber<=-5)");
    EXPECT_EQ(FilterOf(Compare("uidNumber", FTOK_EQ, "12")), kMatchesNothing); // not four bytes
    EXPECT_EQ(FilterOf(Compare("Login Disabled", FTOK_EQ, Word(-1))), "(loginDisabled=TRUE)");
    EXPECT_EQ(FilterOf(Compare("Login Time", FTOK_GE, Word(1704067200))),
              "(loginTime>=20240101000000Z)");
    EXPECT_EQ(FilterOf(Compare("Member", FTOK_EQ, "Joe.Acme")), "(member=cn=Joe,o=Acme)");
    EXPECT_EQ(FilterOf(Compare("Member", FTOK_EQ, "Nobody.Acme")), kMatchesNothing);
    EXPECT_EQ(FilterOf(Compare("Private Key", FTOK_EQ, "x")), kMatchesNothing);
    // Unknown attributes match nothing, so their negation matches all, as on the embedded tree.
    auto negated = Compare("Shoe Size", FTOK_EQ, "44");
    negated.insert(negated.begin(), Token{FTOK_NOT});
    EXPECT_EQ(FilterOf(negated), std::string("(!") + kMatchesNothing + ")");
    EXPECT_EQ(FilterOf({{FTOK_BASECLS}, {FTOK_ANAME, "Group", SYN_CI_STRING}, {FTOK_AND},
                    {FTOK_PRESENT}, {FTOK_ANAME, "Given Name", SYN_CI_STRING}}),
              "(&(objectClass=groupOfNames)(givenName=*))");
    EXPECT_EQ(FilterOf({{FTOK_RDN}, {FTOK_ANAME, "j*", SYN_CI_STRING}}),
              "(|(cn=j*)(ou=j*)(o=j*)(l=j*)(c=j*)(dc=j*))");
}

TEST(LdapValues, CompositeSyntaxesAndTimesRoundTrip) {
    const NameTable names;
    const DnLookup noDn = [](std::string_view, std::string &) { return status::NoSuchEntry; };
    const DottedLookup noName = [](std::string_view, std::string &) { return false; };
    const std::vector<AttrValue> values = {
        {SYN_PATH, Path{4, "SYS#1.Acme", "users\\joe#2"}},
        {SYN_NET_ADDRESS, NetAddress{9, std::string("\x01\xBB\x0A\x00\x00\x01", 6)}},
        {SYN_TYPED_NAME, TypedName{"Joe.Acme", 2, 30}},
        {SYN_HOLD, Hold{"Joe.Acme", -250}},
        {SYN_OBJECT_ACL, ObjectACL{"[Entry Rights]", "Admin#x.Acme", 0x1F}},
        {SYN_TIMESTAMP, Timestamp{1700000000, 3, 42}},
        {SYN_REPLICA_POINTER, ReplicaPointer{"FS#1", 1, 2, {NetAddress{1, "\x0A\x00\x00\x05"}}}},
        {SYN_CI_LIST, TextList{{"a$b", "c\\24d", "e"}}},
        {SYN_TIME, Time{4000000000u}},
        {SYN_CLASS_NAME, Text{"User"}},
    };
    for (const auto &value : values) {
        std::string encoded;
        ASSERT_EQ(EncodeValue(value, value.syntax, names, noDn, encoded), status::Ok);
        AttrValue decoded;
        ASSERT_TRUE(DecodeValue(value.syntax, encoded, names, noName, decoded)) << encoded;
        EXPECT_EQ(decoded, value) << encoded;
    }
    std::string encoded;
    EncodeValue({SYN_CLASS_NAME, Text{"User"}}, SYN_CLASS_NAME, names, noDn, encoded);
    EXPECT_EQ(encoded, "inetOrgPerson");
    EXPECT_EQ(EncodeValue({SYN_DIST_NAME, Text{"Gone.Acme"}}, SYN_DIST_NAME, names, noDn, encoded),
              status::NoSuchEntry);

    std::uint32_t seconds = 0;
    ASSERT_TRUE(ParseGeneralizedTime("20240101010000+0100", seconds));
    EXPECT_EQ(seconds, 1704067200u);
    ASSERT_TRUE(ParseGeneralizedTime("202401010000.5Z", seconds));
    EXPECT_EQ(seconds, 1704067200u);
    // Every day of the range, leap days included, reads back as written.
    for (std::uint64_t at = 0; at <= 0xFFFFFFFFu; at += 86400 + 3607) {
        ASSERT_TRUE(ParseGeneralizedTime(GeneralizedTime(static_cast<std::uint32_t>(at)), seconds));
        ASSERT_EQ(seconds, at) << GeneralizedTime(static_cast<std::uint32_t>(at));
    }
    ASSERT_TRUE(ParseGeneralizedTime("20240229120000Z", seconds));
    EXPECT_EQ(seconds, 1709208000u);
    ASSERT_TRUE(ParseGeneralizedTime("20161231235960Z", seconds)); // a leap second carries over
    EXPECT_EQ(seconds, 1483228800u);
    AttrValue refused;
    EXPECT_FALSE(ParseGeneralizedTime("2024-01-01", seconds));
    EXPECT_FALSE(DecodeValue(SYN_BOOLEAN, "maybe", names, noName, refused));
    EXPECT_FALSE(DecodeValue(SYN_INTEGER, "99999999999", names, noName, refused));
    EXPECT_FALSE(Fits({SYN_CI_STRING, Text{"Joe.Acme"}}, SYN_DIST_NAME)); // text is no reference
}

TEST(LdapNames, DnsEscapedByLibldapAndDottedNamesInsideTheTree) {
    const std::string odd = "Odd, +\"\\<>;=#\xc3\xbc.x";
    std::string dn;
    ASSERT_EQ(BuildDn({{"cn", odd}, {"o", "Acme"}}, "dc=example,dc=org", dn), status::Ok);
    std::vector<Rdn> rdns;
    ASSERT_EQ(ParseDn(dn, rdns), status::Ok);
    ASSERT_EQ(rdns.size(), 4u);
    EXPECT_EQ(rdns[0].value, odd);
    EXPECT_EQ(BuildDn({{"cn", std::string("\xff", 1)}}, "", dn), status::IllegalName);
    EXPECT_EQ(ParseDn("not a dn", rdns), status::IllegalName);

    const TreeNames tree("DC=Example,dc=org");
    std::string dotted;
    ASSERT_TRUE(tree.ToDotted("cn=j.doe,o=Acme,dc=example,DC=ORG", dotted));
    EXPECT_EQ(dotted, "j\\.doe.Acme");
    ASSERT_TRUE(tree.ToDotted("dc=example,dc=org", dotted));
    EXPECT_EQ(dotted, "[Root]");
    EXPECT_FALSE(tree.ToDotted("cn=x,dc=elsewhere,dc=org", dotted));
    EXPECT_FALSE(TreeNames("no dn").valid());
}

TEST(LdapNameCache, NamesComeBackInAnyCaseATwinIsMarkedAndTheBoundStartsAfresh) {
    NameCache cache;
    const auto dotted = [](int n) { return "user-" + std::to_string(n) + ".Unit.Acme"; };
    const auto dn = [](int n) { return "cn=user-" + std::to_string(n) + ",ou=Unit,o=Acme"; };
    for (int n = 0; n < 1000; ++n)
        cache.Remember(dotted(n), dn(n), "Unit.Acme", "cn");
    EXPECT_EQ(cache.Find("USER-999.unit.acme"), dn(999)); // the names arrived so far are indexed
    // Names arriving after a look-up join the index; one of them again with the DN of another
    // entry is marked as standing for two, the same entry spelt another way is not.
    for (int n = 1000; n < 2000; ++n)
        cache.Remember(dotted(n), dn(n), "Unit.Acme", "cn");
    cache.Remember(dotted(7), "ou=user-7,ou=Unit,o=Acme", "Unit.Acme", "ou");
    cache.Remember(dotted(8), "CN=User-8, ou=unit, o=acme", "Unit.Acme", "cn");
    cache.Remember("Jürgen.Unit.Acme", "cn=Jürgen,ou=Unit,o=Acme", "Unit.Acme", "cn");
    EXPECT_EQ(cache.Find(dotted(0)), dn(0)); // did not arrive again
    EXPECT_EQ(cache.Find("user-7.unit.acme"), "");
    for (int n : {500, 1000, 1999})
        EXPECT_EQ(cache.Find(dotted(n)), dn(n)) << n;
    EXPECT_EQ(cache.Find(dotted(8)), dn(8));
    EXPECT_EQ(cache.Find("JÜRGEN.unit.acme"), "cn=Jürgen,ou=Unit,o=Acme");
    EXPECT_EQ(cache.Find("user-2000.Unit.Acme"), std::nullopt);
    cache.Forget("USER-500.Unit.Acme");
    EXPECT_EQ(cache.Find(dotted(500)), std::nullopt);
    EXPECT_EQ(cache.NamingAttributesUnder("unit.acme"), (std::vector<std::string>{"cn", "ou"}));

    // The same names listed again and again, their parent looked up in between, stay within
    // the bound.
    for (std::size_t round = 0; round * 1000 < NameCache::kMaxNames + 1000; ++round) {
        EXPECT_EQ(cache.Find("Unit.Acme"), std::nullopt);
        for (int n = 0; n < 1000; ++n)
            cache.Remember(dotted(n), dn(n), "Unit.Acme", "cn");
    }
    EXPECT_EQ(cache.Find(dotted(1999)), dn(1999));

    // Past the bound the cache starts afresh with the name that passed it.
    for (int n = 2000; static_cast<std::size_t>(n) < NameCache::kMaxNames + 2000; ++n)
        cache.Remember(dotted(n), dn(n), "Unit.Acme", "cn");
    EXPECT_EQ(cache.Find(dotted(1999)), std::nullopt);
    EXPECT_EQ(cache.Find(dotted(static_cast<int>(NameCache::kMaxNames) + 1999)),
              dn(static_cast<int>(NameCache::kMaxNames) + 1999));
}

TEST(LdapSubschema, DirectorySyntaxesAlongTheSupChain) {
    Subschema schema;
    schema.Load({"( 2.5.4.41 NAME 'name' EQUALITY caseIgnoreMatch "
                 "SYNTAX 1.3.6.1.4.1.1466.115.121.1.15{32768} )",
                 "( 2.5.4.3 NAME ( 'cn' 'commonName' ) SUP name )",
                 "( 1.1 NAME 'shell' EQUALITY caseExactIA5Match "
                 "SYNTAX 1.3.6.1.4.1.1466.115.121.1.26 SINGLE-VALUE )",
                 "( 1.2 NAME 'balance' EQUALITY integerMatch "
                 "SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 X-NDS_SYNTAX '22' )",
                 "( 1.3 NAME 'stamp' SYNTAX 1.3.6.1.4.1.1466.115.121.1.24 NO-USER-MODIFICATION "
                 "USAGE directoryOperation )",
                 "not a definition"},
                {"( 2.5.6.0 NAME 'top' ABSTRACT MUST objectClass )",
                 "( 2.5.6.6 NAME 'person' SUP top STRUCTURAL MUST cn )",
                 "( 9.9 NAME 'inetOrgPerson' SUP person STRUCTURAL )"},
                NameTable());
    ASSERT_TRUE(schema.Attribute("commonName"));
    EXPECT_EQ(schema.Attribute("CN")->directoryName, "CN");
    EXPECT_EQ(schema.Attribute("cn")->syntax, std::uint32_t{SYN_CI_STRING});
    EXPECT_EQ(schema.Attribute("2.5.4.3")->upperBound, 0u); // the length is the super type's
    EXPECT_EQ(schema.Attribute("shell")->syntax, std::uint32_t{SYN_CE_STRING});
    EXPECT_TRUE(schema.Attribute("shell")->flags & DS_SINGLE_VALUED_ATTR);
    EXPECT_EQ(schema.Attribute("balance")->syntax, std::uint32_t{SYN_COUNTER});
    EXPECT_TRUE(schema.Attribute("stamp")->operational);
    EXPECT_FALSE(schema.Attribute("stamp")->userModifiable);
    EXPECT_EQ(schema.attributes().size(), 5u);
    EXPECT_EQ(schema.Chain("inetorgperson"),
              (std::vector<std::string>{"inetOrgPerson", "person", "top"}));
}

} // namespace
} // namespace dsclient::ldap
