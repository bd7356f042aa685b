#include "directory/typed_name.h"

#include "test_nodes.h"
#include "test_tree.h"

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::NodeChain;
using testing::TextValue;
using testing::UserValues;

class TypedNameTest : public testing::TreeTest {
  protected:
    void SetUp() override {
        TreeTest::SetUp();
        add("Sales.Acme", "Organizational Unit", {{"OU", TextValue(SYN_CI_STRING, "Sales")}});
        add("Smith, Joe.Sales.Acme", "User", UserValues("Smith"));
        add("DE", "Country", {{"C", TextValue(SYN_PR_STRING, "DE")}});
        add("Berlin.DE", "Locality", {{"L", TextValue(SYN_CI_STRING, "Berlin")}});
        add("example", "domain", {{"DC", TextValue(SYN_CI_STRING, "example")}});
        connect();
    }
};

TEST_F(TypedNameTest, EachLevelNamedByItsClass) {
    NodeChain chain;
    chain.add("[ROOT]");
    const auto *acme = chain.add("Acme");
    const auto *sales = chain.add("Sales");
    const auto *joe = chain.add("Smith, Joe");
    EXPECT_EQ(TypedName(context, nullptr), "");
    EXPECT_EQ(TypedName(context, acme), "o=Acme");
    EXPECT_EQ(TypedName(context, sales), "ou=Sales.o=Acme");
    EXPECT_EQ(TypedName(context, joe), "cn=Smith\\, Joe.ou=Sales.o=Acme");
}

TEST_F(TypedNameTest, PrefixesPerClass) {
    NodeChain countries;
    countries.add("[Root]");
    const auto *de = countries.add("DE");
    EXPECT_EQ(NamingPrefix(context, de), "c=");
    EXPECT_EQ(NamingPrefix(context, countries.add("Berlin")), "l=");
    NodeChain domains;
    domains.add("[root]");
    EXPECT_EQ(NamingPrefix(context, domains.add("example")), "dc=");
}

} // namespace
} // namespace tarnbeck
