#pragma once

// A small directory for the client tests, built in a temporary directory with the
// administration interface: DEMO_TREE (authenticated as Admin.Acme) and LAB_TREE (login).

#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/embedded/store_admin.h"

#include "ldap_trees.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace dsclient::testing {

// A fresh directory under the system's temporary directory, removed afterwards.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline constexpr const char *kLabPassword = "Lab-Secret-7";

// Demo: Acme with Sales and IT units, Admin (supervisor), the Admins group, users Joe and
// Ann in Sales, Carl in IT, group Staff.Sales.Acme, an alias of Joe and a workstation.
void BuildDemoTree(const std::string &path);
// Lab: Lab with Bob (password kLabPassword) and Eve (no password).
void BuildLabTree(const std::string &path);

using tarnbeck::testing::Backend;

// Builds both trees, points the client at them and initialises it; the client is terminated
// and the configuration restored when the test ends.
class ClientTest : public ::testing::Test {
  protected:
    void SetUp() override { SetUpOn(Backend::Embedded); }
    // DEMO_TREE served by the embedded store or by the test program's slapd.
    void SetUpOn(Backend backend);
    void TearDown() override;
    ClientConfig Config() const;
    // A fresh context on the primary tree.
    ContextHandle NewContext();

    TempDir dir_;
    ContextHandle context_ = 0;
};

// The client tests that must answer the same on both backends.
class BothBackends : public ClientTest, public ::testing::WithParamInterface<Backend> {
  protected:
    void SetUp() override { SetUpOn(GetParam()); }
};

#define INSTANTIATE_ON_BOTH_BACKENDS(suite)                                                        \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                                      \
                             ::testing::Values(Backend::Embedded, Backend::Ldap),                  \
                             tarnbeck::testing::BackendName)

} // namespace dsclient::testing
