// Which backend serves a configured tree.

#include "platform/dsclient/client/client_state.h"
#include "platform/dsclient/embedded/embedded_backend.h"
#include "platform/dsclient/ldap/ldap_backend.h"

namespace dsclient {

Status OpenBackend(const TreeConfig &tree, std::unique_ptr<Backend> &backend,
                   std::string &problem) {
    if (tree.backend == "embedded") {
        std::unique_ptr<embedded::Store> store;
        std::string fault;
        if (const Status s = embedded::Store::Open(tree.store, store, fault); s != status::Ok) {
            problem = embedded::Store::ProblemText(tree.store, fault, tree.name);
            return s;
        }
        backend = std::make_unique<embedded::EmbeddedBackend>(std::move(store));
        return status::Ok;
    }
    if (tree.backend == "ldap")
        return ldap::LdapBackend::Open(tree, backend, problem);
    problem = "Tree " + tree.name + " names an unknown backend: " + tree.backend;
    return status::ClientNotConfigured;
}

} // namespace dsclient
