#pragma once

// The process-wide state of the client: configuration, the trees' backends, contexts, connections,
// live iterations and the identities the workstation holds per tree. One user-interface
// thread uses the client, so nothing here is locked.

#include "platform/dsclient/buffer.h"
#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/backend.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace dsclient {

// One pass of an iterating request: fills the result buffer and tells whether more remains.
using Pass = std::function<Status(Buffer &result, bool &more)>;

struct Iteration {
    std::uint32_t operation = 0;
    Pass pass;
};

struct ContextState {
    std::string tree;
    std::uint32_t flags = DCV_DEREF_ALIASES | DCV_XLATE_STRINGS | DCV_CANONICALIZE_NAMES;
    std::uint32_t confidence = 0;
    std::string nameContext = "[Root]";
    ConnectionHandle connection = 0;
    std::map<IterationHandle, Iteration> iterations;
};

struct ConnectionState {
    std::string tree; // empty: a file server outside the configured trees
    std::string server;
};

// Why a configured tree is left out: its status and what failed, naming the file or server.
struct TreeProblem {
    Status status = status::Ok;
    std::string text;
};

struct ClientState {
    bool initialised = false;
    std::string problem; // why the last start failed
    std::unordered_map<std::string, TreeProblem> unavailable; // tree, lower case
    ClientConfig config;
    std::unordered_map<std::string, std::unique_ptr<Backend>> backends; // tree, lower case
    std::unordered_map<std::string, std::string> identities;            // tree, lower case
    std::map<ContextHandle, ContextState> contexts;
    std::map<ConnectionHandle, ConnectionState> connections;
    std::unordered_map<std::string, ConnectionHandle> attachedServers; // server, lower case
    std::string preferredTree;
    ContextHandle nextContext = 1;
    ConnectionHandle nextConnection = 1;
    IterationHandle nextIteration = 1;
};

ClientState &State();

// The configuration CallsInitialize works with: the override, the file, or the built-in one.
std::optional<ClientConfig> EffectiveClientConfig(std::string &error);

const TreeConfig *FindTree(std::string_view name);
Status FindContext(ContextHandle handle, ContextState *&context);
// The backend of the context's tree: TransportFailure when the tree is unknown or unusable.
Status FindBackend(const ContextState &context, Backend *&backend);
Status FindContextAndBackend(ContextHandle handle, ContextState *&context, Backend *&backend);
// The identity the workstation holds on a tree (empty: none).
std::string IdentityOn(std::string_view tree);
// The backend that serves a configured tree (embedded store or directory server); `problem`
// says what failed when it cannot be opened.
Status OpenBackend(const TreeConfig &tree, std::unique_ptr<Backend> &backend,
                   std::string &problem);
ConnectionHandle OpenConnection(const std::string &tree, const std::string &server);

// Runs one pass of an iterating request. A fresh call (iteration -1) builds the pass with
// `start`; a live handle continues the pass kept for it. Leaves a live handle behind only
// while more remains.
Status RunIteration(ContextHandle context, std::uint32_t operation, IterationHandle &iteration,
                    Buffer &result, const std::function<Status(ContextState &, Pass &)> &start);

// A pass over `total` items, each turned into a whole group of records by `unit` (false: the
// item is gone and skipped). Groups never split across passes.
Pass UnitPass(std::size_t total,
              std::function<bool(std::size_t, std::vector<ResultRecord> &)> unit);

} // namespace dsclient
