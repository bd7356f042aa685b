#include "test_tree.h"

#include "platform/dsclient/config.h"

#include <cstdlib>
#include <filesystem>

namespace tarnbeck::testing {

using namespace dsclient;

namespace {
constexpr const char *kTreeName = "TEST_TREE";
}

void TreeTest::SetUp() {
    char pattern[] = "/tmp/tarnbeck-directory-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    storePath_ = directory_ + "/tree.db";
    ASSERT_EQ(embedded::CreateStore(storePath_, kTreeName), status::Ok);
    ASSERT_EQ(embedded::StoreAdmin::Open(storePath_, admin_), status::Ok);
    add("Acme", "Organization", {{"O", TextValue(SYN_CI_STRING, "Acme")}});
    add("Admin.Acme", "User", UserValues("Admin"));
    ASSERT_EQ(admin_->SetSupervisors("Admin.Acme", ""), status::Ok);
}

void TreeTest::TearDown() {
    if (context)
        FreeContext(context);
    if (clientOpen_)
        CallsTerminate();
    OverrideClientConfig(std::nullopt);
    admin_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

void TreeTest::add(std::string_view name, std::string_view className,
                   const embedded::AttributeValues &values) {
    ASSERT_EQ(admin_->AddObject(name, className, values), status::Ok) << name;
}

void TreeTest::addValue(std::string_view name, std::string_view attribute, const AttrValue &value) {
    ASSERT_EQ(admin_->AddValue(name, attribute, value), status::Ok) << name << " " << attribute;
}

void TreeTest::connect(const std::string &identity) {
    ClientConfig config;
    config.primaryTree = kTreeName;
    TreeConfig tree;
    tree.name = kTreeName;
    tree.store = storePath_;
    tree.identity = identity;
    config.trees.push_back(backend == Backend::Ldap ? ServeOnLdap(tree, directory_) : tree);
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    clientOpen_ = true;
    ASSERT_EQ(CreateContext(context), status::Ok);
    std::uint32_t flags = 0;
    ASSERT_EQ(GetContextValue(context, DCK_FLAGS, flags), status::Ok);
    flags = (flags | DCV_TYPELESS_NAMES) & ~(DCV_CANONICALIZE_NAMES | DCV_DEREF_ALIASES);
    ASSERT_EQ(SetContextValue(context, DCK_FLAGS, flags), status::Ok);
}

embedded::AttributeValues UserValues(std::string surname) {
    return {{"Surname", TextValue(SYN_CI_STRING, std::move(surname))}};
}

AttrValue TextValue(std::uint32_t syntax, std::string text) {
    return {syntax, Text{std::move(text)}};
}

} // namespace tarnbeck::testing
