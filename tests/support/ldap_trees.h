#pragma once

// The same tree on both backends: tests that run on each take a Backend parameter, build their
// tree in an embedded store as always, and for Backend::Ldap hand it to the test program's
// private slapd, which serves every test's tree below a base of its own.

#include "platform/dsclient/config.h"
#include "private_slapd.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnbeck::testing {

enum class Backend { Embedded, Ldap };

// "Embedded" or "Ldap", for the names of parameterised tests.
std::string BackendName(const ::testing::TestParamInfo<Backend> &info);

// The slapd of this test program: started on first use, stopped when the program ends (or dies).
PrivateSlapd &TestSlapd();

// A certificate authority and a server certificate for 127.0.0.1 it signed, made with openssl
// in `directory` (ca.pem, server.pem and server.key), and an unrelated authority (other.pem).
void MakeCertificates(const std::string &directory);

// The password the identity of a served tree binds with.
inline constexpr const char *kServedPassword = "Served-Secret-1";

// Loads the store of `tree` into the test slapd under a new base and returns the configuration
// of the LDAP tree that serves it, bound as the tree's identity (given kServedPassword in the
// store first, its password file written into `directory`). Test failures when it cannot.
dsclient::TreeConfig ServeOnLdap(const dsclient::TreeConfig &tree, const std::string &directory);

} // namespace tarnbeck::testing
