#pragma once

// Two small trees for the tree and login tests, with the client started on them:
//
// TEST_TREE (primary, the workstation authenticated as Admin.Acme; its server SRV1 answers to
// the address 10.0.0.5 and reports the tree as ACME_DEMO_TREE____): Acme, Admin.Acme.
// LAB_TREE (needs a login): Lab, Joe.Lab (password "secret"), Staff.Lab (Group), JoeLink.Lab
// (Alias of Joe.Lab) and StaffLink.Lab (Alias of Staff.Lab).

#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnbeck::testing {

inline constexpr const char *kTestTree = "TEST_TREE";
inline constexpr const char *kLabTree = "LAB_TREE";
inline constexpr const char *kLabPassword = "secret";

class TwoTreesTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Applies `config` and initialises the client.
    void startClient();
    // A context set up the way the program sets up its main context.
    dsclient::ContextHandle openContext();

    // True while the context exists in the client.
    static bool ContextAlive(dsclient::ContextHandle context);
    // True while the connection is open.
    static bool ConnectionOpen(dsclient::ConnectionHandle connection);

    dsclient::ClientConfig config;

  private:
    std::string directory_;
};

} // namespace tarnbeck::testing
