#include "browser_tree.h"

#include "platform/dsclient/config.h"
#include "shell/trees.h"
#include "ui/class_icons.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace tarnbeck::testing {

using namespace dsclient;

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
    TreeTest::SetUp();
    add("Posix.Acme", "User", UserValues("Posix"));
    addObjectClass("Posix.Acme", "posixAccount");
    add("Mac.Acme", "User", UserValues("Mac"));
    addObjectClass("Mac.Acme", "posixAccount");
    addObjectClass("Mac.Acme", "apple-user");
    add("Sales.Acme", "Organizational Unit", {{"OU", TextValue(SYN_CI_STRING, "Sales")}});
    add("Joe.Sales.Acme", "User", UserValues("Joe"));
    add("Ann.Sales.Acme", "User", UserValues("Ann"));
    add("Staff.Sales.Acme", "Group");
    add("PC1.Sales.Acme", "Workstation");
    add("Empty.Sales.Acme", "Organizational Unit", {{"OU", TextValue(SYN_CI_STRING, "Empty")}});
    add("Dev.Acme", "Organizational Unit", {{"OU", TextValue(SYN_CI_STRING, "Dev")}});
    add("Printer1.Dev.Acme", "Printer");
    add("Web\\.Team.Acme", "Organizational Unit", {{"OU", TextValue(SYN_CI_STRING, "Web.Team")}});
    add("Kim.Web\\.Team.Acme", "User", UserValues("Kim"));
    add("SalesLink.Acme", "Alias",
        {{"Aliased Object Name", TextValue(SYN_DIST_NAME, "Sales.Acme")}});
}

void BrowserTreeTest::addObjectClass(std::string_view name, std::string_view className) {
    addValue(name, "Object Class", TextValue(SYN_CLASS_NAME, std::string(className)));
}

} // namespace tarnbeck::testing
