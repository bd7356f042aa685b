#include "trees_fixture.h"

#include "platform/dsclient/embedded/store_admin.h"
#include "shell/trees.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace tarnbeck::testing {

using namespace dsclient;

namespace {

AttrValue Text(std::uint32_t syntax, std::string text) {
    return {syntax, dsclient::Text{std::move(text)}};
}

std::unique_ptr<embedded::StoreAdmin> CreateTree(const std::string &path, const char *tree) {
    std::unique_ptr<embedded::StoreAdmin> admin;
    EXPECT_EQ(embedded::CreateStore(path, tree), status::Ok);
    EXPECT_EQ(embedded::StoreAdmin::Open(path, admin), status::Ok);
    return admin;
}

void Add(embedded::StoreAdmin &admin, std::string_view name, std::string_view className,
         const embedded::AttributeValues &values = {}) {
    EXPECT_EQ(admin.AddObject(name, className, values), status::Ok) << name;
}

} // namespace

void TwoTreesTest::SetUp() {
    char pattern[] = "/tmp/tarnbeck-trees-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = std::string(pattern) + "/";

    {
        auto test = CreateTree(directory_ + "test.db", kTestTree);
        ASSERT_TRUE(test);
        Add(*test, "Acme", "Organization", {{"O", Text(SYN_CI_STRING, "Acme")}});
        Add(*test, "Admin.Acme", "User", {{"Surname", Text(SYN_CI_STRING, "Admin")}});
        ASSERT_EQ(test->SetSupervisors("Admin.Acme", ""), status::Ok);

        auto lab = CreateTree(directory_ + "lab.db", kLabTree);
        ASSERT_TRUE(lab);
        Add(*lab, "Lab", "Organization", {{"O", Text(SYN_CI_STRING, "Lab")}});
        Add(*lab, "Joe.Lab", "User", {{"Surname", Text(SYN_CI_STRING, "Joe")}});
        ASSERT_EQ(lab->SetPassword("Joe.Lab", kLabPassword), status::Ok);
        Add(*lab, "Staff.Lab", "Group");
        Add(*lab, "JoeLink.Lab", "Alias",
            {{"Aliased Object Name", Text(SYN_DIST_NAME, "Joe.Lab")}});
        Add(*lab, "StaffLink.Lab", "Alias",
            {{"Aliased Object Name", Text(SYN_DIST_NAME, "Staff.Lab")}});
    }

    config.primaryTree = kTestTree;
    TreeConfig test;
    test.name = kTestTree;
    test.store = directory_ + "test.db";
    test.identity = "Admin.Acme";
    test.server = "SRV1";
    test.address = "10.0.0.5";
    test.addressTreeName = "ACME_DEMO_TREE____";
    TreeConfig lab;
    lab.name = kLabTree;
    lab.store = directory_ + "lab.db";
    lab.server = "LABSRV";
    config.trees = {test, lab};
}

void TwoTreesTest::TearDown() {
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

void TwoTreesTest::startClient() {
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
}

ContextHandle TwoTreesTest::openContext() {
    const OpenedContext opened = OpenTreeContext();
    EXPECT_TRUE(opened.ok);
    return opened.context;
}

bool TwoTreesTest::ContextAlive(ContextHandle context) {
    std::uint32_t flags = 0;
    return GetContextValue(context, DCK_FLAGS, flags) == status::Ok;
}

bool TwoTreesTest::ConnectionOpen(ConnectionHandle connection) {
    std::string server;
    return GetConnectionInformation(connection, CONN_INFO_SERVER_NAME, server) == status::Ok;
}

} // namespace tarnbeck::testing
