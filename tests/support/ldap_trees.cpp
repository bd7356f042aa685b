#include "ldap_trees.h"

#include "platform/dsclient/embedded/store_admin.h"
#include "platform/dsclient/ldif/ldif_export.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace tarnbeck::testing {

namespace {

constexpr const char *kSuffix = "o=tarnbeck-tests";

} // namespace

std::string BackendName(const ::testing::TestParamInfo<Backend> &info) {
    return info.param == Backend::Ldap ? "Ldap" : "Embedded";
}

PrivateSlapd &TestSlapd() {
    // Each tree's Admin below its organisation may write, as an embedded tree's supervisor.
    static PrivateSlapd slapd(SlapdOptions{{SlapdDatabase{kSuffix, {}, true}},
                                           {"cn eq,sub", "l eq", "member eq"},
                                           "dn.regex=\"^cn=admin,o=[^,]+,ou=case-[0-9]+,o=tarnbeck-tests$\""});
    return slapd;
}

void MakeCertificates(const std::string &directory) {
    const std::string in = "cd '" + directory + "' && ";
    const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2";
    const std::string commands[] = {
        "openssl req -x509" + key + " -keyout ca.key -out ca.pem -subj /CN=Tarnbeck-Test-CA",
        "openssl req -x509" + key + " -keyout other.key -out other.pem -subj /CN=Other-CA",
        "openssl req" + key + " -keyout server.key -out server.csr -subj /CN=127.0.0.1",
        "printf 'subjectAltName=IP:127.0.0.1\\n' > san.ext && openssl x509 -req -in server.csr "
        "-CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile san.ext -out server.pem",
    };
    for (const auto &command : commands)
        ASSERT_EQ(std::system((in + command + " >/dev/null 2>&1").c_str()), 0) << command;
}

dsclient::TreeConfig ServeOnLdap(const dsclient::TreeConfig &tree, const std::string &directory) {
    static int cases = 0;
    const std::string name = "case-" + std::to_string(++cases);
    const std::string base = "ou=" + name + "," + kSuffix;
    if (!tree.identity.empty()) {
        std::unique_ptr<dsclient::embedded::StoreAdmin> admin;
        EXPECT_EQ(dsclient::embedded::StoreAdmin::Open(tree.store, admin), dsclient::status::Ok);
        if (admin)
            admin->SetPassword(tree.identity, kServedPassword); // absent identities stay so
    }
    const std::string ldif = directory + "/" + name + ".ldif";
    {
        std::ofstream out(ldif);
        out << "dn: " << base << "\nobjectClass: organizationalUnit\nou: " << name << "\n";
        std::string problem;
        EXPECT_EQ(dsclient::ldap::ExportLdif(tree.store, base, out, problem), dsclient::status::Ok)
            << problem;
    }
    TestSlapd().Add(ldif);

    dsclient::TreeConfig served = tree;
    served.backend = "ldap";
    served.store.clear();
    served.uri = TestSlapd().uri();
    served.base = base;
    served.timeoutSeconds = 10;
    if (!tree.identity.empty()) {
        served.passwordFile = directory + "/" + name + ".pw";
        std::ofstream(served.passwordFile) << kServedPassword << "\n";
        chmod(served.passwordFile.c_str(), 0600);
    }
    return served;
}

} // namespace tarnbeck::testing
