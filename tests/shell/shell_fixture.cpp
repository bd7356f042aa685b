#include "shell_fixture.h"

#include "platform/dsclient/client.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarnbeck::testing {

using namespace dsclient;

namespace {
constexpr const char *kTreeName = "TEST_TREE";

AttrValue Text(std::uint32_t syntax, std::string text) {
    return {syntax, dsclient::Text{text}};
}
} // namespace

TempDirectory::TempDirectory() {
    char pattern[] = "/tmp/tarnbeck-shell-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        throw std::runtime_error("cannot create a scratch directory");
    path_ = std::string(pattern) + "/";
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string &path, const std::string &text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string &path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

void ShellTreeTest::SetUp() {
    storePath = scratch.path() + "tree.db";
    ASSERT_EQ(embedded::CreateStore(storePath, kTreeName), status::Ok);
    ASSERT_EQ(embedded::StoreAdmin::Open(storePath, admin_), status::Ok);
    add("Acme", "Organization", {{"O", Text(SYN_CI_STRING, "Acme")}});
    add("Admin.Acme", "User", {{"Surname", Text(SYN_CI_STRING, "Admin")}});
    ASSERT_EQ(admin_->SetSupervisors("Admin.Acme", ""), status::Ok);
    add("SRV1.Acme", "NCP Server");
    add("SRV1_VOL1.Acme", "Volume",
        {{"Host Server", Text(SYN_DIST_NAME, "SRV1.Acme")},
         {"Host Resource Name", Text(SYN_CI_STRING, "VOL1")}});

    config.primaryTree = kTreeName;
    TreeConfig tree;
    tree.name = kTreeName;
    tree.store = storePath;
    tree.identity = "Admin.Acme";
    tree.server = "SRV1";
    config.trees.push_back(tree);
}

void ShellTreeTest::TearDown() {
    CallsTerminate(); // also after a start sequence that initialised the client itself
    OverrideClientConfig(std::nullopt);
    admin_.reset();
}

void ShellTreeTest::add(const std::string &name, const std::string &className,
                        const embedded::AttributeValues &values) {
    ASSERT_EQ(admin_->AddObject(name, className, values), status::Ok) << name;
}

void ShellTreeTest::giveAdminHomeDirectory(const std::string &path) {
    const AttrValue home{SYN_PATH, Path{0, "SRV1_VOL1.Acme", path}};
    ASSERT_EQ(admin_->AddValue("Admin.Acme", "Home Directory", home), status::Ok);
}

void ShellTreeTest::mountVolume(const std::string &mountPoint) {
    config.volumes.push_back({mountPoint, "SRV1", "VOL1"});
}

void ShellTreeTest::startClient() {
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
}

} // namespace tarnbeck::testing
