#pragma once

// A small directory tree in a temporary store, and a client context bound to it. Tests build
// the objects they need with add(), then connect() as an identity of their choice.

#include "platform/dsclient/client.h"
#include "platform/dsclient/embedded/store_admin.h"

#include "ldap_trees.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace tarnbeck::testing {

class TreeTest : public ::testing::Test {
  protected:
    // Creates the store with Acme (an organisation) and its supervisor Admin.Acme.
    void SetUp() override;
    void TearDown() override;

    void add(std::string_view name, std::string_view className,
             const dsclient::embedded::AttributeValues &values = {});
    void addValue(std::string_view name, std::string_view attribute,
                  const dsclient::AttrValue &value);
    dsclient::embedded::StoreAdmin &admin() { return *admin_; }

    // Opens the client on the store, acting as `identity`; afterwards `context` is usable. On
    // Backend::Ldap the tree built so far is served by the test program's slapd instead.
    void connect(const std::string &identity = "Admin.Acme");
    std::size_t liveIterations() const { return dsclient::LiveIterationCount(context); }

    dsclient::ContextHandle context = 0;
    Backend backend = Backend::Embedded;

  private:
    std::string directory_;
    std::string storePath_;
    std::unique_ptr<dsclient::embedded::StoreAdmin> admin_;
    bool clientOpen_ = false;
};

// A tree fixture whose tests run on each backend (the parameter); the backend is chosen before
// the fixture's own SetUp builds the tree.
template <typename Fixture>
class OnBothBackends : public Fixture, public ::testing::WithParamInterface<Backend> {
  protected:
    void SetUp() override {
        this->backend = this->GetParam();
        Fixture::SetUp();
    }
};

// Instantiates a suite of TEST_P tests whose parameter is the backend the tree is served by.
#define INSTANTIATE_ON_BOTH_BACKENDS(suite)                                                        \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                                      \
                             ::testing::Values(::tarnbeck::testing::Backend::Embedded,              \
                                               ::tarnbeck::testing::Backend::Ldap),                 \
                             ::tarnbeck::testing::BackendName)

// A user needs its surname.
dsclient::embedded::AttributeValues UserValues(std::string surname = "Tester");

dsclient::AttrValue TextValue(std::uint32_t syntax, std::string text);

} // namespace tarnbeck::testing
