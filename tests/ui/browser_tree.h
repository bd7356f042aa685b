#pragma once

// A small directory tree for the browser's tests, with the client opened on it the way the
// program opens it, and the icon library loaded.
//
// TEST_TREE: Acme (Organization) holding Admin (User), Posix and Mac (users with POSIX
// classes), Sales (unit: Joe, Ann (users), Staff (Group), PC1 (Workstation), Empty (unit)),
// Dev (unit holding only Printer1), "Web.Team" (unit named with a dot, holding Kim) and
// SalesLink (Alias of Sales).

#include "platform/dsclient/client.h"
#include "platform/dsclient/embedded/store_admin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace tarnbeck::testing {

inline constexpr const char *kTestTreeName = "TEST_TREE";

// A user needs its surname.
dsclient::embedded::AttributeValues UserValues(std::string surname);

class BrowserTreeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    void add(std::string_view name, std::string_view className,
             const dsclient::embedded::AttributeValues &values = {});
    void addObjectClass(std::string_view name, std::string_view className);
    // Opens the client on the store as `identity`; afterwards `context` is usable.
    void connect(const std::string &identity = "Admin.Acme");

    std::unique_ptr<dsclient::embedded::StoreAdmin> admin;
    dsclient::ContextHandle context = 0;

  private:
    std::string directory_;
    std::string storePath_;
    bool clientOpen_ = false;
};

} // namespace tarnbeck::testing
