#include "browser_tree.h"

#include "platform/dsclient/config.h"
#include "shell/trees.h"
#include "ui/class_icons.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace tarnbeck::testing {

using namespace dsclient;

namespace {

AttrValue Text(std::uint32_t syntax, std::string text) {
    return {syntax, dsclient::Text{std::move(text)}};
}

} // namespace

embedded::AttributeValues UserValues(std::string surname) {
    return {{"Surname", Text(SYN_CI_STRING, std::move(surname))}};
}

void BrowserTreeTest::SetUpTestSuite() {
    static bool iconsLoaded = false;
    if (iconsLoaded)
        return;
    // The icon set writes its trace file into the working directory.
    char pattern[] = "/tmp/tarnbeck-ui-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    ASSERT_EQ(chdir(pattern), 0);
    auto library = CompanionLibrary::open(ORVEXA_FILE);
    ASSERT_TRUE(library);
    UseCompanionLibrary(std::move(library));
    InitIcons();
    iconsLoaded = true;
}

void BrowserTreeTest::SetUp() {
    char pattern[] = "/tmp/tarnbeck-browser-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    storePath_ = directory_ + "/tree.db";
    ASSERT_EQ(embedded::CreateStore(storePath_, kTestTreeName), status::Ok);
    ASSERT_EQ(embedded::StoreAdmin::Open(storePath_, admin), status::Ok);
    add("Acme", "Organization", {{"O", Text(SYN_CI_STRING, "Acme")}});
    add("Admin.Acme", "User", UserValues("Admin"));
    ASSERT_EQ(admin->SetSupervisors("Admin.Acme", ""), status::Ok);
    add("Posix.Acme", "User", UserValues("Posix"));
    addObjectClass("Posix.Acme", "posixAccount");
    add("Mac.Acme", "User", UserValues("Mac"));
    addObjectClass("Mac.Acme", "posixAccount");
    addObjectClass("Mac.Acme", "apple-user");
    add("Sales.Acme", "Organizational Unit", {{"OU", Text(SYN_CI_STRING, "Sales")}});
    add("Joe.Sales.Acme", "User", UserValues("Joe"));
    add("Ann.Sales.Acme", "User", UserValues("Ann"));
    add("Staff.Sales.Acme", "Group");
    add("PC1.Sales.Acme", "Workstation");
    add("Empty.Sales.Acme", "Organizational Unit", {{"OU", Text(SYN_CI_STRING, "Empty")}});
    add("Dev.Acme", "Organizational Unit", {{"OU", Text(SYN_CI_STRING, "Dev")}});
    add("Printer1.Dev.Acme", "Printer");
    add("Web\\.Team.Acme", "Organizational Unit", {{"OU", Text(SYN_CI_STRING, "Web.Team")}});
    add("Kim.Web\\.Team.Acme", "User", UserValues("Kim"));
    add("SalesLink.Acme", "Alias", {{"Aliased Object Name", Text(SYN_DIST_NAME, "Sales.Acme")}});
}

void BrowserTreeTest::TearDown() {
    if (context)
        FreeContext(context);
    if (clientOpen_)
        CallsTerminate();
    OverrideClientConfig(std::nullopt);
    admin.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

void BrowserTreeTest::add(std::string_view name, std::string_view className,
                          const embedded::AttributeValues &values) {
    ASSERT_EQ(admin->AddObject(name, className, values), status::Ok) << name;
}

void BrowserTreeTest::addObjectClass(std::string_view name, std::string_view className) {
    ASSERT_EQ(admin->AddValue(name, "Object Class", Text(SYN_CLASS_NAME, std::string(className))),
              status::Ok)
        << name;
}

void BrowserTreeTest::connect(const std::string &identity) {
    ClientConfig config;
    config.primaryTree = kTestTreeName;
    TreeConfig tree;
    tree.name = kTestTreeName;
    tree.store = storePath_;
    tree.identity = identity;
    config.trees.push_back(tree);
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    clientOpen_ = true;
    const OpenedContext opened = OpenTreeContext();
    ASSERT_TRUE(opened.ok);
    context = opened.context;
}

} // namespace tarnbeck::testing
