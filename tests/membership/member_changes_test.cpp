#include "directory/directory_error.h"
#include "membership/member_changes.h"
#include "membership_tree.h"

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::Texts;

class MemberChangesTest : public testing::OnBothBackends<testing::MembershipTree> {};
INSTANTIATE_ON_BOTH_BACKENDS(MemberChangesTest);

Status StatusOf(const std::function<void()> &action) {
    try {
        action();
    } catch (const DirectoryError &error) {
        return error.status();
    }
    return status::Ok;
}

TEST_P(MemberChangesTest, AddAndRemoveTouchAllFourSides) {
    connect();
    AddMember(context, "Ann.Acme", "Staff.Acme");
    EXPECT_EQ(values("Staff.Acme", "Member"), Texts{"Ann.Acme"});
    EXPECT_EQ(values("Staff.Acme", "Equivalent To Me"), Texts{"Ann.Acme"});
    EXPECT_EQ(membershipOf("Ann.Acme"), (Texts{"Staff.Acme", "Staff.Acme"}));

    RemoveMember(context, "Ann.Acme", "Staff.Acme");
    EXPECT_TRUE(values("Staff.Acme", "Member").empty());
    EXPECT_TRUE(values("Staff.Acme", "Equivalent To Me").empty());
    EXPECT_EQ(membershipOf("Ann.Acme"), (Texts{"", ""}));
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_P(MemberChangesTest, ChangesAlreadyInPlacePassQuietly) {
    connect();
    AddMember(context, "Ann.Acme", "Staff.Acme");
    // Every value is there already (-614), the equivalence holds already.
    EXPECT_NO_THROW(AddMember(context, "Ann.Acme", "Staff.Acme"));
    EXPECT_EQ(values("Staff.Acme", "Member"), Texts{"Ann.Acme"});

    // Bob was never a member: values and equivalence absent (-602 / -603).
    EXPECT_NO_THROW(RemoveMember(context, "Bob.Acme", "Staff.Acme"));
    RemoveMember(context, "Ann.Acme", "Staff.Acme");
    EXPECT_NO_THROW(RemoveMember(context, "Ann.Acme", "Staff.Acme"));
    EXPECT_NO_THROW(RemoveValue(context, "Bob.Acme", "Title", "none"));
}

TEST_P(MemberChangesTest, ALongSingleValueIsRefusedOnlyByTheAttributesBounds) {
    connect();
    const std::string address(4097, 'a'); // as long as a value reads back
    AddValue(context, "Ann.Acme", "Internet EMail Address", address, true);
    EXPECT_EQ(values("Ann.Acme", "Internet EMail Address"), Texts{address});
    RemoveValue(context, "Ann.Acme", "Internet EMail Address", address);
    EXPECT_TRUE(values("Ann.Acme", "Internet EMail Address").empty());

    // Description holds at most 1024 characters; slapd leaves such bounds to its clients.
    if (backend == testing::Backend::Embedded) {
        const std::string description(10240, 'd');
        EXPECT_EQ(
            StatusOf([&] { AddValue(context, "Ann.Acme", "Description", description, true); }),
            status::SyntaxViolation);
    }
}

TEST_P(MemberChangesTest, OtherRefusalsAreRaisedNotSwallowed) {
    connect("Ann.Acme"); // no supervisor: the directory refuses every write
    EXPECT_EQ(StatusOf([&] { AddMember(context, "Bob.Acme", "Staff.Acme"); }), status::NoAccess);
    EXPECT_EQ(StatusOf([&] { RemoveMember(context, "Bob.Acme", "Staff.Acme"); }), status::NoAccess);
    EXPECT_TRUE(values("Staff.Acme", "Member").empty());

    // Without report failure the status is only returned.
    EXPECT_EQ(AddSecurityEquivalence(context, "Bob.Acme", "Staff.Acme", false), status::NoAccess);
    EXPECT_EQ(StatusOf([&] { AddSecurityEquivalence(context, "Bob.Acme", "Staff.Acme", true); }),
              status::NoAccess);
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_P(MemberChangesTest, MemberThatDoesNotExistIsRaised) {
    connect();
    EXPECT_EQ(StatusOf([&] { AddMember(context, "Gone.Acme", "Staff.Acme"); }),
              status::NoSuchEntry);
    EXPECT_TRUE(values("Staff.Acme", "Member").empty());
}

TEST_P(MemberChangesTest, IntegerSyntaxesTravelAsNumbers) {
    connect();
    AddValue(context, "Ann.Acme", "Login Grace Limit", "6", false);
    // Without keep existing, the single value is replaced rather than refused.
    AddValue(context, "Ann.Acme", "Login Grace Limit", "-1", false);
    EXPECT_EQ(values("Ann.Acme", "Login Grace Limit"), Texts{"-1"});

    // Not a number: -8000 and nothing sent, not even the clear.
    EXPECT_EQ(StatusOf([&] { AddValue(context, "Ann.Acme", "Login Grace Limit", "six", false); }),
              kValueConversionFailed);
    EXPECT_EQ(StatusOf([&] { RemoveValue(context, "Ann.Acme", "Login Grace Limit", "x1"); }),
              kValueConversionFailed);
    EXPECT_EQ(values("Ann.Acme", "Login Grace Limit"), Texts{"-1"});

    RemoveValue(context, "Ann.Acme", "Login Grace Limit", "-1");
    EXPECT_TRUE(values("Ann.Acme", "Login Grace Limit").empty());
}

} // namespace
} // namespace tarnbeck
