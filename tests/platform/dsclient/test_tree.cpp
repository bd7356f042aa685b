#include "test_tree.h"

#include <random>

namespace dsclient::testing {

namespace fs = std::filesystem;
using embedded::StoreAdmin;

TempDir::TempDir() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("dsclient-test-" + std::to_string(random()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

namespace {

AttrValue CI(const std::string &text) {
    return AttrValue{SYN_CI_STRING, Text{text}};
}
AttrValue DN(const std::string &text) {
    return AttrValue{SYN_DIST_NAME, Text{text}};
}

std::unique_ptr<StoreAdmin> OpenNew(const std::string &path, const std::string &tree) {
    EXPECT_EQ(embedded::CreateStore(path, tree), status::Ok);
    std::unique_ptr<StoreAdmin> admin;
    EXPECT_EQ(StoreAdmin::Open(path, admin), status::Ok);
    return admin;
}

} // namespace

void BuildDemoTree(const std::string &path) {
    auto admin = OpenNew(path, "DEMO_TREE");
    ASSERT_TRUE(admin);
    ASSERT_EQ(admin->Begin(), status::Ok);
    ASSERT_EQ(admin->AddObject("Acme", "Organization", {}), status::Ok);
    ASSERT_EQ(admin->AddObject("Sales.Acme", "Organizational Unit", {}), status::Ok);
    ASSERT_EQ(admin->AddObject("IT.Acme", "Organizational Unit", {}), status::Ok);
    ASSERT_EQ(admin->AddObject("Admin.Acme", "User", {{"Surname", CI("Admin")}}), status::Ok);
    ASSERT_EQ(admin->AddObject("Admins.Acme", "Group", {}), status::Ok);
    ASSERT_EQ(admin->AddObject("Joe.Sales.Acme", "User",
                               {{"Surname", CI("Miller")},
                                {"Given Name", CI("Joe")},
                                {"L", CI("Berlin")},
                                {"uidNumber", AttrValue{SYN_INTEGER, Integer{9}}}}),
              status::Ok);
    ASSERT_EQ(admin->AddObject("Ann.Sales.Acme", "User",
                               {{"Object Class", AttrValue{SYN_CLASS_NAME, Text{"posixAccount"}}},
                                {"Surname", CI("Berg")},
                                {"L", CI("Hamburg")},
                                {"uidNumber", AttrValue{SYN_INTEGER, Integer{10}}}}),
              status::Ok);
    ASSERT_EQ(admin->AddObject("Carl.IT.Acme", "User",
                               {{"Surname", CI("Lang")},
                                {"L", CI("berlin")},
                                {"uidNumber", AttrValue{SYN_INTEGER, Integer{100}}}}),
              status::Ok);
    ASSERT_EQ(admin->AddObject("Staff.Sales.Acme", "Group", {}), status::Ok);
    ASSERT_EQ(admin->AddObject("JoeAlias.IT.Acme", "Alias",
                               {{"Aliased Object Name", DN("Joe.Sales.Acme")}}),
              status::Ok);
    ASSERT_EQ(admin->AddObject("WS1.IT.Acme", "Workstation", {}), status::Ok);
    ASSERT_EQ(admin->AddSecurityEquivalence("Admin.Acme", "Admins.Acme"), status::Ok);
    ASSERT_EQ(admin->SetSupervisors("Admin.Acme", "Admins.Acme"), status::Ok);
    ASSERT_EQ(admin->Commit(), status::Ok);
}

void BuildLabTree(const std::string &path) {
    auto admin = OpenNew(path, "LAB_TREE");
    ASSERT_TRUE(admin);
    ASSERT_EQ(admin->AddObject("Lab", "Organization", {}), status::Ok);
    ASSERT_EQ(admin->AddObject("Bob.Lab", "User", {{"Surname", CI("Bob")}}), status::Ok);
    ASSERT_EQ(admin->AddObject("Eve.Lab", "User", {{"Surname", CI("Eve")}}), status::Ok);
    ASSERT_EQ(admin->SetPassword("Bob.Lab", kLabPassword), status::Ok);
    ASSERT_EQ(admin->SetSupervisors("Bob.Lab", ""), status::Ok);
}

ClientConfig ClientTest::Config() const {
    ClientConfig config;
    config.primaryTree = "DEMO_TREE";
    TreeConfig demo;
    demo.name = "DEMO_TREE";
    demo.store = dir_.file("demo.db");
    demo.identity = "Admin.Acme";
    demo.server = "ACME-FS1";
    demo.address = "10.0.0.5";
    demo.addressTreeName = "ACME_DEMO_TREE____";
    TreeConfig lab;
    lab.name = "LAB_TREE";
    lab.store = dir_.file("lab.db");
    lab.server = "LAB-FS";
    lab.address = "10.0.9.1";
    lab.addressTreeName = "LAB_TREE";
    config.trees = {demo, lab};
    config.volumes = {VolumeMount{(dir_.path() / "sys").string(), "ACME-FS1", "SYS"}};
    return config;
}

void ClientTest::SetUpOn(Backend backend) {
    BuildDemoTree(dir_.file("demo.db"));
    BuildLabTree(dir_.file("lab.db"));
    ClientConfig config = Config();
    if (backend == Backend::Ldap)
        config.trees[0] = tarnbeck::testing::ServeOnLdap(config.trees[0], dir_.path().string());
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    context_ = NewContext();
}

void ClientTest::TearDown() {
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
}

ContextHandle ClientTest::NewContext() {
    ContextHandle context = 0;
    EXPECT_EQ(CreateContext(context), status::Ok);
    return context;
}

} // namespace dsclient::testing
