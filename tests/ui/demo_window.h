#pragma once

// The main window started on private copies of the demo trees: DEMO_TREE (primary, the
// workstation logged in as Admin.Acme) and LAB_TREE (needs a login), with the program's shipped
// Tarnbeck.ini and mappings.dat. Each test gets fresh copies, so its writes stay its own.

#include "membership/member_mark.h"
#include "platform/dsclient/config.h"
#include "shell/app_state.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnbeck::testing {

inline constexpr const char *kSalesTeam = "Sales Team.Sales.Acme";

class DemoWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;    // copies the trees and starts the window
    void TearDown() override;

    // Creates the windows anew and runs the start sequence with `config` (none: the client's
    // own configuration) and `app` as the test left them.
    void startWindow();

    std::vector<std::string> values(const std::string &object, const std::string &attribute);
    int countMarks(MemberMark mark) const;
    // A scratch directory of this test (ends in "/"), removed afterwards.
    const std::string &scratch() const { return scratch_; }

    std::optional<dsclient::ClientConfig> config;
    AppState app;
    std::unique_ptr<Windows> windows;
    TForm1 *form = nullptr;

  private:
    static inline std::string pristine_; // directory with demo.db and lab.db
    std::string scratch_;
};

} // namespace tarnbeck::testing
