#include "client_helpers.h"
#include "platform/dsclient/embedded/store_admin.h"
#include "platform/dsclient/text_fold.h"
#include "sample_values.h"
#include "test_tree.h"

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fstream>

namespace dsclient {
namespace {

using namespace testing;

bool Contains(const std::vector<AttrValue> &values, const AttrValue &value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// ---- start-up and configuration ---------------------------------------------------------

TEST(ClientStart, UnusableConfigurationsGiveAStatus) {
    TempDir dir;
    ContextHandle context = 0;
    CallsTerminate();
    EXPECT_EQ(CreateContext(context), status::ClientNotConfigured);

    OverrideClientConfig(ClientConfig{});
    EXPECT_EQ(CallsInitialize(), status::ClientNotConfigured);

    ClientConfig config;
    config.trees = {TreeConfig{"T", "embedded", dir.file("absent.db"), "", "", "", "T"}};
    OverrideClientConfig(config);
    EXPECT_EQ(CallsInitialize(), status::ClientNotConfigured);
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent.db")));
    EXPECT_EQ(CreateContext(context), status::ClientNotConfigured);
    EXPECT_NE(ClientProblem().find("absent.db"), std::string::npos);
    OverrideClientConfig(std::nullopt);
}

TEST(ClientStart, AnUnusableTreeIsLeftOutWithItsCause) {
    TempDir dir;
    BuildLabTree(dir.file("lab.db"));
    ClientConfig config;
    config.primaryTree = "LAB_TREE";
    config.trees = {TreeConfig{"GONE_TREE", "embedded", dir.file("gone.db"), "", "", "", "G"},
                    TreeConfig{"LAB_TREE", "embedded", dir.file("lab.db"), "", "", "", "L"}};
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    EXPECT_EQ(ClientProblem(), "");
    std::string problem;
    EXPECT_EQ(GetTreeProblem("lab_tree", problem), status::Ok);
    EXPECT_EQ(GetTreeProblem("GONE_TREE", problem), status::ClientNotConfigured);
    EXPECT_NE(problem.find("gone.db"), std::string::npos);

    // Requests on the left-out tree answer its status; the other tree works.
    ContextHandle context = 0;
    ASSERT_EQ(CreateContext(context), status::Ok);
    std::string name;
    ObjectInfo info;
    EXPECT_EQ(ReadObjectInfo(context, "Lab", name, info), status::Ok);
    ASSERT_EQ(SetContextValue(context, DCK_TREE_NAME, "GONE_TREE"), status::Ok);
    EXPECT_EQ(ReadObjectInfo(context, "Lab", name, info), status::ClientNotConfigured);
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
}

TEST(ClientConfigFile, SectionsKeysCommentsAndPaths) {
    TempDir dir;
    const std::string path = dir.file("dsclient.ini");
    std::ofstream(path) << "; client configuration\n"
                           "[CLIENT]\n"
                           "primary = DEMO_TREE   ; the workstation's tree\n"
                           "MaxContexts=8\n"
                           "[tree DEMO_TREE]\n"
                           "STORE=stores/demo.db\n"
                           "Identity=Admin.Acme\n"
                           "# no address tree name: the tree name is reported\n"
                           "Address=10.0.0.5\n"
                           "[Tree LAB_TREE]\n"
                           "Store=/var/lib/lab.db\n"
                           "[Volumes]\n"
                           "/srv/acme/sys/=ACME-FS1/SYS\n"
                           "relative/dir=ACME-FS1/VOL\n";
    std::string error;
    const auto config = LoadClientConfig(path, error);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->primaryTree, "DEMO_TREE");
    EXPECT_EQ(config->maxContexts, 8u);
    ASSERT_EQ(config->trees.size(), 2u);
    EXPECT_EQ(config->trees[0].store, (dir.path() / "stores" / "demo.db").string());
    EXPECT_EQ(config->trees[0].identity, "Admin.Acme");
    EXPECT_EQ(config->trees[0].addressTreeName, "DEMO_TREE");
    EXPECT_EQ(config->trees[1].store, "/var/lib/lab.db");
    EXPECT_TRUE(config->trees[1].identity.empty());
    ASSERT_EQ(config->volumes.size(), 1u); // the relative mount point is not a mount point
    EXPECT_EQ(config->volumes[0].server, "ACME-FS1");
    EXPECT_EQ(config->volumes[0].volume, "SYS");

    EXPECT_FALSE(LoadClientConfig(dir.file("none.ini"), error));
    EXPECT_FALSE(error.empty());

    const ClientConfig builtIn = BuiltInConfig();
    EXPECT_EQ(builtIn.primaryTree, "DEMO_TREE");
    ASSERT_EQ(builtIn.trees.size(), 2u);
    EXPECT_EQ(builtIn.trees[0].identity, "Admin.Acme");
    EXPECT_TRUE(builtIn.trees[1].identity.empty());
}

// ---- contexts ---------------------------------------------------------------------------

using Contexts = ClientTest;

TEST_F(Contexts, DefaultsKeysAndUnknownTrees) {
    std::uint32_t flags = 0;
    std::string text;
    ASSERT_EQ(GetContextValue(context_, DCK_FLAGS, flags), status::Ok);
    EXPECT_EQ(flags, DCV_DEREF_ALIASES | DCV_XLATE_STRINGS | DCV_CANONICALIZE_NAMES);
    ASSERT_EQ(GetContextValue(context_, DCK_TREE_NAME, text), status::Ok);
    EXPECT_EQ(text, "DEMO_TREE");
    ASSERT_EQ(GetContextValue(context_, DCK_NAME_CONTEXT, text), status::Ok);
    EXPECT_EQ(text, "[Root]");
    EXPECT_EQ(GetContextValue(context_, 99, flags), status::BadKey);
    EXPECT_EQ(GetContextValue(12345, DCK_FLAGS, flags), status::BadContext);

    ContextHandle copy = 0;
    ASSERT_EQ(SetContextValue(context_, DCK_TREE_NAME, "NO_SUCH_TREE"), status::Ok);
    ASSERT_EQ(DuplicateContext(context_, copy), status::Ok);
    ASSERT_EQ(GetContextValue(copy, DCK_TREE_NAME, text), status::Ok);
    EXPECT_EQ(text, "NO_SUCH_TREE");
    EXPECT_EQ(ReadAttribute(copy, "Joe.Sales.Acme", "Surname").status, status::TransportFailure);
    EXPECT_EQ(GetDefaultNameContext(copy, text), status::TransportFailure);
    EXPECT_EQ(FreeContext(copy), status::Ok);
    EXPECT_EQ(FreeContext(copy), status::BadContext);

    ASSERT_EQ(SetContextValue(context_, DCK_TREE_NAME, "lab_tree"), status::Ok);
    ASSERT_EQ(GetDefaultNameContext(context_, text), status::Ok);
    EXPECT_EQ(text, "[Root]");
    EXPECT_EQ(ReadAttribute(context_, "Bob.Lab", "Surname").values.size(), 1u);
}

TEST_F(Contexts, ConnectionsBindToTheirTree) {
    ConnectionReference reference = 0;
    ConnectionHandle connection = 0;
    ASSERT_EQ(GetPrimaryConnectionReference(reference), status::Ok);
    ASSERT_EQ(OpenConnectionByReference(reference, 0, connection), status::Ok);
    std::string text;
    ASSERT_EQ(GetConnectionInformation(connection, CONN_INFO_TREE_NAME, text), status::Ok);
    EXPECT_EQ(text, "ACME_DEMO_TREE____");
    ASSERT_EQ(GetConnectionInformation(connection, CONN_INFO_SERVER_NAME, text), status::Ok);
    EXPECT_EQ(text, "ACME-FS1");

    ASSERT_EQ(SetContextValue(context_, DCK_TREE_NAME, "LAB_TREE"), status::Ok);
    ASSERT_EQ(SetContextValue(context_, DCK_CONNECTION, connection), status::Ok);
    ASSERT_EQ(GetContextValue(context_, DCK_TREE_NAME, text), status::Ok);
    EXPECT_EQ(text, "DEMO_TREE");
    EXPECT_EQ(SetContextValue(context_, DCK_CONNECTION, 999u), status::InvalidHandle);

    EXPECT_EQ(CloseConnection(connection), status::Ok);
    EXPECT_EQ(CloseConnection(connection), status::InvalidHandle);
    EXPECT_EQ(GetConnectionInformation(connection, 1, text), status::InvalidHandle);
}

TEST_F(Contexts, AttachParsePathAndTreeScans) {
    ConnectionHandle first = 0, again = 0;
    EXPECT_EQ(AttachToServerByName("10.0.0.5", first), status::Ok);
    EXPECT_EQ(AttachToServerByName("acme-fs1", again), status::AlreadyAttached);
    EXPECT_EQ(AttachToServerByName("10.9.9.9", again), status::ServerUnknown);
    std::string text;
    ASSERT_EQ(GetConnectionInformation(first, CONN_INFO_TREE_NAME, text), status::Ok);
    EXPECT_EQ(text, "ACME_DEMO_TREE____");

    std::string server, volumePath;
    ConnectionHandle connection = 0;
    const std::string mount = (dir_.path() / "sys").string();
    std::string upper = mount + "/Tarnbeck/Cfg/";
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    ASSERT_EQ(ParseNetworkPath(upper, server, connection, volumePath), status::Ok);
    EXPECT_EQ(server, "ACME-FS1");
    EXPECT_EQ(volumePath, "SYS:TARNBECK/CFG/");
    EXPECT_EQ(CloseConnection(connection), status::Ok);
    EXPECT_EQ(ParseNetworkPath(mount + "x/dir", server, connection, volumePath),
              status::InvalidPath);
    EXPECT_EQ(ParseNetworkPath("/tmp", server, connection, volumePath), status::InvalidPath);

    std::vector<std::string> names;
    std::int32_t index = -1;
    while (ScanForAvailableTrees(context_, 0, "", index, text) == status::Ok)
        names.push_back(text);
    EXPECT_EQ(names, (std::vector<std::string>{"DEMO_TREE", "LAB_TREE"}));
    EXPECT_EQ(ScanForAvailableTrees(context_, 0, "", index, text), status::NoMoreTrees);
}

// ---- login and rights -------------------------------------------------------------------

using Login_ = ClientTest;

TEST_F(Login_, PasswordsIdentitiesAndScans) {
    ContextHandle lab = NewContext();
    ASSERT_EQ(SetContextValue(lab, DCK_TREE_NAME, "LAB_TREE"), status::Ok);
    std::vector<std::string> trees;
    ASSERT_EQ(ScanConnectionsForTrees(lab, 50, trees), status::Ok);
    EXPECT_EQ(trees, std::vector<std::string>{"DEMO_TREE"});
    std::string me;
    ASSERT_EQ(WhoAmI(lab, me), status::Ok);
    EXPECT_EQ(me, "[Public]");

    EXPECT_EQ(Login(lab, 0, "Bob.Lab", "wrong", 0), status::FailedAuthentication);
    EXPECT_EQ(Login(lab, 0, "Nobody.Lab", kLabPassword, 0), status::NoSuchEntry);
    EXPECT_EQ(Login(lab, 0, "Eve.Lab", "", 0), status::FailedAuthentication);
    ASSERT_EQ(ScanConnectionsForTrees(lab, 50, trees), status::Ok);
    EXPECT_EQ(trees.size(), 1u);

    ASSERT_EQ(Login(lab, 0, "bob.lab", kLabPassword, 0), status::Ok);
    ASSERT_EQ(WhoAmI(lab, me), status::Ok);
    EXPECT_EQ(me, "Bob.Lab");
    ASSERT_EQ(ScanConnectionsForTrees(lab, 50, trees), status::Ok);
    EXPECT_EQ(trees, (std::vector<std::string>{"DEMO_TREE", "LAB_TREE"}));
    ASSERT_EQ(ScanConnectionsForTrees(lab, 1, trees), status::Ok);
    EXPECT_EQ(trees.size(), 1u);
    ASSERT_EQ(WhoAmI(context_, me), status::Ok);
    EXPECT_EQ(me, "Admin.Acme");
}

TEST_F(Login_, OnlySupervisorsWrite) {
    ContextHandle lab = NewContext();
    ASSERT_EQ(SetContextValue(lab, DCK_TREE_NAME, "LAB_TREE"), status::Ok);
    // Anyone bound to the tree reads; nobody without the rights writes.
    EXPECT_EQ(ReadAttribute(lab, "Eve.Lab", "Surname").values.size(), 1u);
    EXPECT_EQ(Modify(lab, "Eve.Lab", {{DS_ADD_VALUE, "Title", {CI("x")}}}), status::NoAccess);
    EXPECT_EQ(Create(lab, "G.Lab", "Group"), status::NoAccess);
    EXPECT_EQ(RemoveObject(lab, "Eve.Lab"), status::NoAccess);
    EXPECT_EQ(AddSecurityEquivalence(lab, "Eve.Lab", "Bob.Lab"), status::NoAccess);
    EXPECT_EQ(ReadAttribute(lab, "Eve.Lab", "Title").status, status::NoSuchAttribute);
    ASSERT_EQ(Login(lab, 0, "Bob.Lab", kLabPassword, 0), status::Ok);
    EXPECT_EQ(Modify(lab, "Eve.Lab", {{DS_ADD_VALUE, "Title", {CI("x")}}}), status::Ok);

    // On the demo tree an ordinary user may not write until made equivalent to the admins.
    std::unique_ptr<embedded::StoreAdmin> admin;
    ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), admin), status::Ok);
    ASSERT_EQ(admin->SetPassword("Carl.IT.Acme", "carl-pw"), status::Ok);
    ASSERT_EQ(Login(context_, 0, "Carl.IT.Acme", "carl-pw", 0), status::Ok);
    EXPECT_EQ(Create(context_, "G.IT.Acme", "Group"), status::NoAccess);
    ASSERT_EQ(admin->AddSecurityEquivalence("Carl.IT.Acme", "Admins.Acme"), status::Ok);
    EXPECT_EQ(Create(context_, "G.IT.Acme", "Group"), status::Ok);
}

// ---- values -----------------------------------------------------------------------------

class Values : public BothBackends {};
INSTANTIATE_ON_BOTH_BACKENDS(Values);

// An attribute of each value syntax, indexed by the syntax number.
const char *AttributeOfSyntax(std::uint32_t syntax) {
    static const char *const names[] = {"Unknown",
                                        "See Also",
                                        "loginShell",
                                        "Title",
                                        "C",
                                        "Bindery Type",
                                        "Language",
                                        "Login Disabled",
                                        "Login Grace Limit",
                                        "Private Key",
                                        "Telephone Number",
                                        "Facsimile Telephone Number",
                                        "Network Address",
                                        "Certificate List",
                                        "EMail Address",
                                        "Home Directory",
                                        "Replica",
                                        "ACL",
                                        "Postal Address",
                                        "Last Referenced Time",
                                        "Object Class",
                                        "Login Script",
                                        "Account Balance",
                                        "Back Link",
                                        "Login Time",
                                        "Notify",
                                        "Server Holds",
                                        "Login Intruder Reset Interval"};
    return names[syntax];
}

TEST_P(Values, EverySyntaxRoundTripsThroughModifyAndRead) {
    for (std::uint32_t syntax = 0; syntax <= kHighestValueSyntax; ++syntax) {
        const std::string attribute = AttributeOfSyntax(syntax);
        std::uint32_t reported = 99;
        ASSERT_EQ(GetSyntaxId(context_, attribute, reported), status::Ok) << attribute;
        ASSERT_EQ(reported, syntax) << attribute;
        const AttrValue value = SampleValue(syntax);
        ASSERT_EQ(Modify(context_, "Carl.IT.Acme", {{DS_ADD_VALUE, attribute, {value}}}),
                  status::Ok)
            << attribute;
        const AttributeRead read = ReadAttribute(context_, "Carl.IT.Acme", attribute);
        ASSERT_EQ(read.status, status::Ok) << attribute;
        AttrValue expected = value;
        if (syntax == SYN_FAX_NUMBER && GetParam() == Backend::Ldap)
            expected.data = FaxNumber{std::get<FaxNumber>(value.data).telephoneNumber, {}};
        EXPECT_TRUE(Contains(read.values, expected)) << attribute;
    }
}

TEST_P(Values, ReferencesNameExistingObjectsAsTheyAreSpelt) {
    EXPECT_EQ(Modify(context_, "Staff.Sales.Acme", {{DS_ADD_VALUE, "Member", {DN("No.Acme")}}}),
              status::NoSuchEntry);
    ASSERT_EQ(
        Modify(context_, "Staff.Sales.Acme", {{DS_ADD_VALUE, "Member", {DN("joe.sales.ACME")}}}),
        status::Ok);
    EXPECT_EQ(ReadAttribute(context_, "staff.sales.acme", "member").values,
              std::vector<AttrValue>{DN("Joe.Sales.Acme")});
    EXPECT_EQ(
        Modify(context_, "Staff.Sales.Acme", {{DS_ADD_VALUE, "Member", {DN("JOE.Sales.Acme")}}}),
        status::DuplicateValue);
    // Removing the member's object takes the reference with it; a directory server keeps
    // referential integrity only when it is set up to.
    if (GetParam() == Backend::Ldap)
        return;
    ASSERT_EQ(
        Modify(context_, "Staff.Sales.Acme", {{DS_ADD_VALUE, "Member", {DN("Ann.Sales.Acme")}}}),
        status::Ok);
    ASSERT_EQ(RemoveObject(context_, "Ann.Sales.Acme"), status::Ok);
    EXPECT_EQ(ReadAttribute(context_, "Staff.Sales.Acme", "Member").values,
              std::vector<AttrValue>{DN("Joe.Sales.Acme")});
}

TEST_P(Values, ModifyRefusals) {
    const std::string carl = "Carl.IT.Acme";
    EXPECT_EQ(Modify(context_, "Nobody.IT.Acme", {{DS_ADD_VALUE, "Title", {CI("x")}}}),
              status::NoSuchEntry);
    EXPECT_EQ(Modify(context_, carl, {{DS_ADD_VALUE, "Bogus", {CI("x")}}}),
              status::NoSuchAttribute);
    EXPECT_EQ(Modify(context_, carl, {{DS_ADD_VALUE, "L", {CI("BERLIN")}}}),
              status::DuplicateValue);
    EXPECT_EQ(Modify(context_, carl, {{DS_REMOVE_VALUE, "L", {CI("Paris")}}}), status::NoSuchValue);
    EXPECT_EQ(Modify(context_, carl, {{DS_CLEAR_ATTRIBUTE, "Title", {}}}), status::Ok);
    EXPECT_EQ(Modify(context_, carl, {{DS_REMOVE_ATTRIBUTE, "Title", {}}}),
              status::NoSuchAttribute);
    EXPECT_EQ(
        Modify(context_, carl, {{DS_ADD_VALUE, "uidNumber", {AttrValue{SYN_INTEGER, Integer{5}}}}}),
        status::CantHaveMultipleValues);
    EXPECT_EQ(Modify(context_, carl, {{DS_ADD_VALUE, "L", {AttrValue{SYN_INTEGER, Integer{5}}}}}),
              status::SyntaxViolation);
    EXPECT_EQ(Modify(context_, carl,
                     {{DS_ADD_VALUE, "Object Class", {AttrValue{SYN_CLASS_NAME, Text{"Nope"}}}}}),
              status::NoSuchClass);

    // The program's whole-attribute write: clear, then add attribute + add value per value;
    // a repeated add-attribute is harmless.
    ASSERT_EQ(Modify(context_, carl,
                     {{DS_CLEAR_ATTRIBUTE, "L", {}},
                      {DS_ADD_ATTRIBUTE, "L", {}},
                      {DS_ADD_VALUE, "L", {CI("Rome")}},
                      {DS_ADD_ATTRIBUTE, "L", {}},
                      {DS_ADD_VALUE, "L", {CI("Oslo")}}}),
              status::Ok);
    EXPECT_EQ(ReadAttribute(context_, carl, "L").values,
              (std::vector<AttrValue>{CI("Rome"), CI("Oslo")}));

    BufferPtr buffer;
    ASSERT_EQ(AllocBuffer(kDefaultBufferSize, buffer), status::Ok);
    ASSERT_EQ(InitBuffer(context_, DSV_MODIFY_ENTRY, *buffer), status::Ok);
    EXPECT_EQ(PutAttributeValue(context_, *buffer, CI("orphan")), status::InvalidRequest);
    EXPECT_EQ(PutChangeAndValue(context_, *buffer, DS_ADD_VALUE, "L",
                                AttrValue{SYN_CI_STRING, Boolean{}}),
              status::SyntaxViolation);
    EXPECT_EQ(PutChange(context_, *buffer, 42, "L"), status::InvalidRequest);
    EXPECT_EQ(InitBuffer(context_, 77, *buffer), status::BadVerb);
}

TEST_P(Values, AFailingModifyChangesNothing) {
    const std::string joe = "Joe.Sales.Acme";
    EXPECT_EQ(Modify(context_, joe,
                     {{DS_ADD_VALUE, "Title", {CI("Lead")}},
                      {DS_REMOVE_VALUE, "L", {CI("Berlin")}},
                      {DS_ADD_VALUE, "See Also", {CI("not a reference")}}}),
              status::SyntaxViolation);
    EXPECT_EQ(ReadAttribute(context_, joe, "Title").status, status::NoSuchAttribute);
    EXPECT_EQ(ReadAttribute(context_, joe, "L").values, std::vector<AttrValue>{CI("Berlin")});
}

// Membership and rights belong to users (and the classes a tree lets in), never to containers
// or groups: the store refuses an attribute the object's class does not allow. (A server's
// schema is its own: the project's LDAP schema lets groups hold them.)
TEST_P(Values, AnAttributeTheClassDoesNotAllowIsRefused) {
    if (GetParam() != Backend::Embedded)
        GTEST_SKIP();
    const AttrValue group{SYN_DIST_NAME, Text{"Staff.Sales.Acme"}};
    for (const char *object : {"Acme", "Sales.Acme", "Admins.Acme"})
        for (const char *attribute : {"Group Membership", "Security Equals"})
            EXPECT_EQ(Modify(context_, object, {{DS_ADD_VALUE, attribute, {group}}}),
                      status::IllegalAttribute)
                << object << " " << attribute;
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", {{DS_ADD_VALUE, "Member", {group}}}),
              status::IllegalAttribute);
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", {{DS_ADD_VALUE, "Group Membership", {group}}}),
              status::Ok);
}

TEST_P(Values, ChangesPersistAcrossRestart) {
    ASSERT_EQ(Modify(context_, "Joe.Sales.Acme", {{DS_ADD_VALUE, "Title", {CI("Lead")}}}),
              status::Ok);
    ASSERT_EQ(CallsTerminate(), status::Ok);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    const ContextHandle context = NewContext();
    EXPECT_EQ(ReadAttribute(context, "Joe.Sales.Acme", "Title").values,
              std::vector<AttrValue>{CI("Lead")});
}

// ---- the order of what a search finds ------------------------------------------------------

using Order = ClientTest;

TEST_F(Order, ValuesComeInTheOrderAddedWhereverTheyLieInTheStore) {
    const std::string carl = "Carl.IT.Acme", joe = "Joe.Sales.Acme";
    const auto add = [&](const std::string &object, const std::string &value) {
        ASSERT_EQ(Modify(context_, object, {{DS_ADD_VALUE, "L", {CI(value)}}}), status::Ok);
    };
    for (const std::string &object : {carl, joe})
        ASSERT_EQ(Modify(context_, object, {{DS_CLEAR_ATTRIBUTE, "L", {}}}), status::Ok);
    // Carl's values lie close together, between Joe's; none in the order of their texts.
    for (const char *value : {"Rome", "Oslo", "Bern"}) {
        add(carl, value);
        add(joe, std::string("Joe's ") + value);
    }
    ASSERT_EQ(Modify(context_, carl, {{DS_REMOVE_VALUE, "L", {CI("Oslo")}}}), status::Ok);
    add(carl, "Athens");
    EXPECT_EQ(ReadAttribute(context_, carl, "L").values,
              (std::vector<AttrValue>{CI("Rome"), CI("Bern"), CI("Athens")}));

    // Far apart: many of Joe's values come between Carl's last two.
    std::vector<AttrValue> joes{CI("Joe's Rome"), CI("Joe's Oslo"), CI("Joe's Bern")};
    for (int i = 0; i < 50; ++i) {
        add(joe, "Z" + std::to_string(i));
        joes.push_back(CI("Z" + std::to_string(i)));
    }
    add(carl, "Cairo");
    EXPECT_EQ(ReadAttribute(context_, carl, "L").values,
              (std::vector<AttrValue>{CI("Rome"), CI("Bern"), CI("Athens"), CI("Cairo")}));
    EXPECT_EQ(ReadAttribute(context_, joe, "L").values, joes);
}

TEST_F(Order, WhatAnIndexFindsComesInNameOrder) {
    // Names apart only past their first eight bytes, or by case, made out of order.
    std::vector<std::string> leaves;
    for (int i = 0; i < 30; ++i)
        leaves.push_back((i % 2 ? "Regional Office Group " : "regional office group ") +
                         std::to_string((i * 17) % 30));
    leaves.push_back("Regional");
    leaves.push_back("Regional Office Group 1a");
    {
        std::unique_ptr<embedded::StoreAdmin> admin;
        ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), admin), status::Ok);
        ASSERT_EQ(admin->Begin(), status::Ok);
        for (const std::string &leaf : leaves)
            ASSERT_EQ(admin->AddObject(leaf + ".Sales.Acme", "User",
                                       {{"Surname", CI("S")}, {"Title", CI("Regional")}}),
                      status::Ok);
        ASSERT_EQ(admin->Commit(), status::Ok);
    }
    // One container: the order of the leaves, case ignored, a name before its longer ones.
    std::sort(leaves.begin(), leaves.end(), [](const std::string &a, const std::string &b) {
        return FoldCase(a) < FoldCase(b);
    });
    std::vector<std::string> expected;
    for (const std::string &leaf : leaves)
        expected.push_back(leaf + ".Sales.Acme");
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", DS_SEARCH_SUBTREE,
                          Compare("Title", FTOK_EQ, "Regional"), kDefaultBufferSize, false)
                  .names,
              expected);
}

TEST_F(Order, AScanOfAnIndexFindsEachObjectOnceInNameOrderInsideTheBase) {
    {
        std::unique_ptr<embedded::StoreAdmin> admin;
        ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), admin), status::Ok);
        ASSERT_EQ(admin->Begin(), status::Ok);
        // Made out of name order, each with two values the scans below match.
        for (const char *leaf : {"Rob", "Ada", "max", "Kim"})
            ASSERT_EQ(admin->AddObject(std::string(leaf) + ".Sales.Acme", "User",
                                       {{"Surname", CI("S")},
                                        {"Title", CI("Regional")},
                                        {"Title", CI("Regional Lead")}}),
                      status::Ok);
        ASSERT_EQ(admin->AddObject("Outside.IT.Acme", "User",
                                   {{"Surname", CI("S")}, {"Title", CI("Regional")}}),
                  status::Ok);
        ASSERT_EQ(admin->Commit(), status::Ok);
    }
    const std::vector<std::string> expected = {"Ada.Sales.Acme", "Kim.Sales.Acme",
                                               "max.Sales.Acme", "Rob.Sales.Acme"};
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", DS_SEARCH_SUBTREE,
                          Compare("Title", FTOK_EQ, "regional*"), kDefaultBufferSize, false)
                  .names,
              expected);
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", DS_SEARCH_SUBTREE,
                          {{FTOK_PRESENT}, {FTOK_ANAME, "Title", SYN_CI_STRING}},
                          kDefaultBufferSize, false)
                  .names,
              expected);
    // A count limit keeps the first in name order, not the first read.
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", DS_SEARCH_SUBTREE,
                          Compare("Title", FTOK_EQ, "regional*"), kDefaultBufferSize, false, 2)
                  .names,
              (std::vector<std::string>{"Ada.Sales.Acme", "Kim.Sales.Acme"}));
}

// ---- grouped requests, half-written equivalences, busy stores -----------------------------

using Writes = ClientTest;

TEST_F(Writes, AGroupAppliesWholeOrNotAtAllAndDoesNotNest) {
    const std::string joe = "Joe.Sales.Acme", staff = "Staff.Sales.Acme";
    EXPECT_EQ(CommitRequestGroup(context_), status::InvalidRequest);
    ASSERT_EQ(BeginRequestGroup(context_), status::Ok);
    EXPECT_EQ(BeginRequestGroup(context_), status::InvalidRequest);
    ASSERT_EQ(Modify(context_, staff, {{DS_ADD_VALUE, "Member", {DN(joe)}}}), status::Ok);
    // A refused request leaves the group open with what came before it.
    EXPECT_EQ(Modify(context_, "Ghost.Acme", {{DS_ADD_VALUE, "Title", {CI("x")}}}),
              status::NoSuchEntry);
    ASSERT_EQ(AddSecurityEquivalence(context_, joe, staff), status::Ok);
    ASSERT_EQ(AbortRequestGroup(context_), status::Ok);
    EXPECT_EQ(ReadAttribute(context_, staff, "Member").status, status::NoSuchAttribute);
    EXPECT_EQ(ReadAttribute(context_, joe, "Security Equals").status, status::NoSuchAttribute);

    ASSERT_EQ(BeginRequestGroup(context_), status::Ok);
    ASSERT_EQ(Modify(context_, staff, {{DS_ADD_VALUE, "Member", {DN(joe)}}}), status::Ok);
    ASSERT_EQ(Modify(context_, joe, {{DS_ADD_VALUE, "Group Membership", {DN(staff)}}}), status::Ok);
    ASSERT_EQ(CommitRequestGroup(context_), status::Ok);
    EXPECT_EQ(ReadAttribute(context_, staff, "Member").values, std::vector<AttrValue>{DN(joe)});

    std::unique_ptr<embedded::StoreAdmin> admin;
    ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), admin), status::Ok);
    std::string problems;
    EXPECT_EQ(admin->CheckIntegrity(problems), status::Ok) << problems;
}

// A member written on every side in one group, with a long description so the disk fills up.
Status WriteWholeMember(ContextHandle context, const std::string &member,
                        const std::string &group, const std::string &padding) {
    if (const Status s = BeginRequestGroup(context); s != status::Ok)
        return s;
    Status s = Modify(context, group, {{DS_ADD_VALUE, "Member", {DN(member)}}});
    if (s == status::Ok)
        s = Modify(context, member, {{DS_ADD_VALUE, "Group Membership", {DN(group)}}});
    if (s == status::Ok)
        s = AddSecurityEquivalence(context, member, group);
    if (s == status::Ok && !padding.empty())
        s = Modify(context, member, {{DS_ADD_VALUE, "Description", {CI(padding)}}});
    if (s == status::Ok)
        s = CommitRequestGroup(context);
    if (s != status::Ok)
        AbortRequestGroup(context);
    return s;
}

TEST_F(Writes, ABatchKeepsEachGroupWholeAndAFullDiskLosesItWhole) {
    constexpr int kMembers = 200;
    const std::string staff = "Staff.Sales.Acme";
    const auto member = [](int n) { return "B" + std::to_string(n) + ".Sales.Acme"; };
    {
        std::unique_ptr<embedded::StoreAdmin> admin;
        ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), admin), status::Ok);
        ASSERT_EQ(admin->Begin(), status::Ok);
        for (int n = 0; n < kMembers; ++n)
            ASSERT_EQ(admin->AddObject(member(n), "User", {{"Surname", CI("B")}}), status::Ok);
        ASSERT_EQ(admin->Commit(), status::Ok);
    }

    ASSERT_EQ(BeginRequestBatch(context_), status::Ok);
    EXPECT_EQ(BeginRequestBatch(context_), status::InvalidRequest);
    ASSERT_EQ(WriteWholeMember(context_, member(0), staff, ""), status::Ok);
    // A group refused part-way goes alone; the groups before and after it stay.
    ASSERT_EQ(BeginRequestGroup(context_), status::Ok);
    ASSERT_EQ(Modify(context_, staff, {{DS_ADD_VALUE, "Member", {DN(member(1))}}}), status::Ok);
    ASSERT_EQ(AbortRequestGroup(context_), status::Ok);
    ASSERT_EQ(WriteWholeMember(context_, member(2), staff, ""), status::Ok);
    ASSERT_EQ(EndRequestBatch(context_), status::Ok);
    EXPECT_EQ(EndRequestBatch(context_), status::InvalidRequest);
    EXPECT_EQ(ReadAttribute(context_, staff, "Member").values,
              (std::vector<AttrValue>{DN(member(0)), DN(member(2))}));

    // The disk fills up during a batch: whatever the batch ends with, every member is whole.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CallsTerminate(); // connections of its own, not the parent's
        signal(SIGXFSZ, SIG_IGN);
        ContextHandle context = 0;
        if (CallsInitialize() != status::Ok || CreateContext(context) != status::Ok)
            _exit(10);
        struct stat info {};
        stat(dir_.file("demo.db").c_str(), &info);
        const rlim_t size = static_cast<rlim_t>(info.st_size) + 96 * 1024;
        const rlimit limit{size, size};
        setrlimit(RLIMIT_FSIZE, &limit);
        if (BeginRequestBatch(context) != status::Ok)
            _exit(11);
        const std::string padding(1000, 'p');
        Status written = status::Ok;
        for (int n = 3; n < kMembers && written == status::Ok; ++n)
            written = WriteWholeMember(context, member(n), staff, padding);
        // The disk fills up at a write or, when SQLite kept the pages until then, at the end.
        const Status ended = EndRequestBatch(context);
        const bool reported =
            written == status::InsufficientSpace || ended == status::InsufficientSpace;
        _exit(reported && ended != status::Ok ? 0 : 12);
    }
    int state = 0;
    ASSERT_EQ(waitpid(child, &state, 0), child);
    ASSERT_TRUE(WIFEXITED(state));
    EXPECT_EQ(WEXITSTATUS(state), 0);
    const std::vector<AttrValue> members = ReadAttribute(context_, staff, "Member").values;
    for (int n = 3; n < kMembers; ++n) {
        const bool inMember = std::count(members.begin(), members.end(), DN(member(n))) == 1;
        const bool equal = ReadAttribute(context_, member(n), "Security Equals").status ==
                           status::Ok;
        EXPECT_EQ(inMember, equal) << member(n);
    }
    std::unique_ptr<embedded::StoreAdmin> admin;
    ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), admin), status::Ok);
    std::string problems;
    EXPECT_EQ(admin->CheckIntegrity(problems), status::Ok) << problems;
}

TEST_F(Writes, AHalfWrittenEquivalenceIsCompletedOrRemoved) {
    const std::string joe = "Joe.Sales.Acme", staff = "Staff.Sales.Acme";
    // Only the group's side written (an update interrupted between its writes).
    ASSERT_EQ(Modify(context_, staff, {{DS_ADD_VALUE, "Equivalent To Me", {DN(joe)}}}), status::Ok);
    ASSERT_EQ(RemoveSecurityEquivalence(context_, joe, staff), status::Ok);
    EXPECT_EQ(ReadAttribute(context_, staff, "Equivalent To Me").status, status::NoSuchAttribute);
    EXPECT_EQ(RemoveSecurityEquivalence(context_, joe, staff), status::NoSuchValue);
    // Only the member's side written: adding completes the other.
    ASSERT_EQ(Modify(context_, joe, {{DS_ADD_VALUE, "Security Equals", {DN(staff)}}}), status::Ok);
    ASSERT_EQ(AddSecurityEquivalence(context_, joe, staff), status::Ok);
    EXPECT_EQ(ReadAttribute(context_, staff, "Equivalent To Me").values,
              std::vector<AttrValue>{DN(joe)});
    ASSERT_EQ(Modify(context_, staff, {{DS_REMOVE_VALUE, "Equivalent To Me", {DN(joe)}}}),
              status::Ok);
    ASSERT_EQ(RemoveSecurityEquivalence(context_, joe, staff), status::Ok);
    EXPECT_EQ(ReadAttribute(context_, joe, "Security Equals").status, status::NoSuchAttribute);
}

TEST_F(Writes, RightsFollowEveryChangeTheyRestOn) {
    std::unique_ptr<embedded::StoreAdmin> other;
    ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), other), status::Ok);
    ASSERT_EQ(other->SetPassword("Carl.IT.Acme", "carl-pw"), status::Ok);
    ASSERT_EQ(other->AddSecurityEquivalence("Carl.IT.Acme", "Admins.Acme"), status::Ok);
    ASSERT_EQ(Login(context_, 0, "Carl.IT.Acme", "carl-pw", 0), status::Ok);
    const std::vector<Change> title = {{DS_ADD_VALUE, "Title", {CI("x")}}};
    const std::vector<Change> untitle = {{DS_REMOVE_VALUE, "Title", {CI("x")}}};
    ASSERT_EQ(Modify(context_, "Joe.Sales.Acme", title), status::Ok);
    // Withdrawn by another connection, given back by it.
    ASSERT_EQ(other->SetSupervisors("Admin.Acme", ""), status::Ok);
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", untitle), status::NoAccess);
    ASSERT_EQ(other->SetSupervisors("Admin.Acme", "Admins.Acme"), status::Ok);
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", untitle), status::Ok);
    // Withdrawn by a request of this connection.
    ASSERT_EQ(RemoveSecurityEquivalence(context_, "Carl.IT.Acme", "Admins.Acme"), status::Ok);
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", title), status::NoAccess);
}

TEST_F(Writes, AStoreLockedPastTheTimeoutSaysItIsBusy) {
    std::unique_ptr<embedded::StoreAdmin> holder;
    ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), holder), status::Ok);
    ASSERT_EQ(holder->Begin(), status::Ok); // holds the write lock
    const std::vector<Change> title = {{DS_ADD_VALUE, "Title", {CI("x")}}};
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", title), status::DsLocked);
    ASSERT_EQ(holder->Commit(), status::Ok);
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", title), status::Ok);
}

// ---- reads and the iteration protocol ---------------------------------------------------

using Reads = ClientTest;

TEST_F(Reads, ObjectsAndAttributesThatAreNotThere) {
    EXPECT_EQ(ReadAttribute(context_, "Nobody.Acme", "Surname").status, status::NoSuchEntry);
    EXPECT_EQ(ReadAttribute(context_, "Joe.Sales.Acme", "Title").status, status::NoSuchAttribute);
    EXPECT_EQ(ReadAttribute(context_, "Joe.Sales.Acme", "Nonsense").status,
              status::NoSuchAttribute);
    EXPECT_EQ(ReadAttribute(context_, std::string(300, 'a'), "CN").status, status::IllegalName);

    // The existence test: names only, no attribute list, not all attributes.
    BufferPtr result;
    ASSERT_EQ(AllocBuffer(kDefaultBufferSize, result), status::Ok);
    IterationHandle iteration = kNoIteration;
    EXPECT_EQ(
        Read(context_, "Joe.Sales.Acme", DS_ATTRIBUTE_NAMES, false, nullptr, iteration, *result),
        status::Ok);
    EXPECT_EQ(Read(context_, "[ROOT]", DS_ATTRIBUTE_NAMES, false, nullptr, iteration, *result),
              status::Ok);
    EXPECT_EQ(iteration, kNoIteration);

    // All attributes, names only.
    ASSERT_EQ(
        Read(context_, "Joe.Sales.Acme", DS_ATTRIBUTE_NAMES, true, nullptr, iteration, *result),
        status::Ok);
    std::uint32_t count = 0, values = 0, syntax = 0;
    ASSERT_EQ(GetAttributeCount(context_, *result, count), status::Ok);
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name;
        ASSERT_EQ(GetAttributeName(context_, *result, name, values, syntax), status::Ok);
        EXPECT_EQ(values, 0u);
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"CN", "Surname", "Given Name", "L", "uidNumber",
                                               "Object Class"}));
    EXPECT_EQ(GetAttributeCount(context_, *result, count), status::BufferEmpty);

    std::string dn;
    ObjectInfo info;
    ASSERT_EQ(ReadObjectInfo(context_, "joealias.it.acme", dn, info), status::Ok);
    EXPECT_EQ(dn, "JoeAlias.IT.Acme");
    EXPECT_EQ(info.baseClass, "Alias");
    EXPECT_EQ(info.entryFlags, std::uint32_t{DS_ALIAS_ENTRY});
    ASSERT_EQ(ReadObjectInfo(context_, "Sales.Acme", dn, info), status::Ok);
    EXPECT_EQ(info.entryFlags, std::uint32_t{DS_CONTAINER_ENTRY});
    EXPECT_EQ(info.subordinateCount, 3u);
    EXPECT_EQ(ReadObjectInfo(context_, "Gone.Acme", dn, info), status::NoSuchEntry);
}

TEST_F(Reads, ALargeAttributeComesBackWholeOverManyPasses) {
    constexpr int kMembers = 10000;
    {
        std::unique_ptr<embedded::StoreAdmin> admin;
        ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), admin), status::Ok);
        ASSERT_EQ(admin->Begin(), status::Ok);
        ASSERT_EQ(admin->AddObject("Big.Acme", "Group", {}), status::Ok);
        for (int i = 0; i < kMembers; ++i) {
            const std::string name = "U" + std::to_string(i) + ".Sales.Acme";
            ASSERT_EQ(admin->AddObject(name, "User", {{"Surname", CI("S")}}), status::Ok);
            ASSERT_EQ(admin->AddValue("Big.Acme", "Member", DN(name)), status::Ok);
        }
        ASSERT_EQ(admin->Commit(), status::Ok);
    }
    const AttributeRead read = ReadAttribute(context_, "Big.Acme", "Member");
    ASSERT_EQ(read.status, status::Ok);
    ASSERT_EQ(read.values.size(), std::size_t{kMembers});
    EXPECT_GT(read.passes, 20);
    for (int i = 0; i < kMembers; i += 997)
        EXPECT_EQ(read.values[i], DN("U" + std::to_string(i) + ".Sales.Acme"));
    EXPECT_EQ(LiveIterationCount(context_), 0u);

    // One more value does not disturb the others.
    ASSERT_EQ(Modify(context_, "Big.Acme", {{DS_ADD_VALUE, "Member", {DN("Joe.Sales.Acme")}}}),
              status::Ok);
    const AttributeRead after = ReadAttribute(context_, "Big.Acme", "Member");
    ASSERT_EQ(after.values.size(), std::size_t{kMembers + 1});
    EXPECT_EQ(after.values.back(), DN("Joe.Sales.Acme"));

    // Leaving early: the handle stays live until closed.
    BufferPtr request, result;
    ASSERT_EQ(AllocBuffer(kDefaultBufferSize, request), status::Ok);
    ASSERT_EQ(AllocBuffer(kDefaultBufferSize, result), status::Ok);
    ASSERT_EQ(InitBuffer(context_, DSV_READ, *request), status::Ok);
    ASSERT_EQ(PutAttributeName(context_, *request, "Member"), status::Ok);
    IterationHandle iteration = kNoIteration;
    ASSERT_EQ(
        Read(context_, "Big.Acme", DS_ATTRIBUTE_VALUES, false, request.get(), iteration, *result),
        status::Ok);
    EXPECT_NE(iteration, kNoIteration);
    EXPECT_EQ(LiveIterationCount(context_), 1u);
    EXPECT_EQ(
        Read(context_, "Big.Acme", DS_ATTRIBUTE_VALUES, false, request.get(), iteration, *result),
        status::Ok); // the second pass continues
    EXPECT_EQ(CloseIteration(context_, iteration, DSV_READ), status::Ok);
    EXPECT_EQ(LiveIterationCount(context_), 0u);
    EXPECT_EQ(CloseIteration(context_, iteration, DSV_READ), status::InvalidHandle);
    IterationHandle stale = iteration;
    EXPECT_EQ(Read(context_, "Big.Acme", DS_ATTRIBUTE_VALUES, false, request.get(), stale, *result),
              status::InvalidHandle);
    // Freeing the context frees what it still holds.
    iteration = kNoIteration;
    ASSERT_EQ(
        Read(context_, "Big.Acme", DS_ATTRIBUTE_VALUES, false, request.get(), iteration, *result),
        status::Ok);
    EXPECT_EQ(FreeContext(context_), status::Ok);
    EXPECT_EQ(LiveIterationCount(context_), 0u);
}

class SmallBuffers : public BothBackends {};
INSTANTIATE_ON_BOTH_BACKENDS(SmallBuffers);

TEST_P(SmallBuffers, ABufferTooSmallForOneValueIsRefused) {
    ASSERT_EQ(Modify(context_, "Joe.Sales.Acme",
                     {{DS_ADD_VALUE, "Description", {CI(std::string(200, 'd'))}}}),
              status::Ok);
    const AttributeRead read = ReadAttribute(context_, "Joe.Sales.Acme", "Description", 128);
    EXPECT_EQ(read.status, status::InsufficientBuffer);
    EXPECT_EQ(LiveIterationCount(context_), 0u);
    EXPECT_EQ(ReadAttribute(context_, "Joe.Sales.Acme", "Surname", 128).values.size(), 1u);

    BufferPtr tiny;
    ASSERT_EQ(AllocBuffer(16, tiny), status::Ok);
    IterationHandle iteration = kNoIteration;
    EXPECT_EQ(List(context_, "Sales.Acme", iteration, *tiny), status::InsufficientBuffer);
    EXPECT_EQ(iteration, kNoIteration);

    // Request buffers count what goes in as well.
    ASSERT_EQ(InitBuffer(context_, DSV_READ, *tiny), status::Ok);
    EXPECT_EQ(PutAttributeName(context_, *tiny, "Facsimile Telephone Number"), status::BufferFull);
}

} // namespace
} // namespace dsclient
