#pragma once

// A small directory tree for the browser's tests (on the shared tree fixture), with the icon
// library loaded.
//
// TEST_TREE: Acme (Organization) holding Admin (User), Posix and Mac (users with POSIX
// classes), Sales (unit: Joe, Ann (users), Staff (Group), PC1 (Workstation), Empty (unit)),
// Dev (unit holding only Printer1), "Web.Team" (unit named with a dot, holding Kim) and
// SalesLink (Alias of Sales).

#include "test_tree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace tarnbeck::testing {

inline constexpr const char *kTestTreeName = "TEST_TREE";

class BrowserTreeTest : public TreeTest {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;

    void addObjectClass(std::string_view name, std::string_view className);
};

} // namespace tarnbeck::testing
