// Connections to the trees' servers and the calls library: start-up, attach, network paths.

#include "platform/dsclient/client/client_state.h"
#include "platform/dsclient/dotted_names.h"

namespace dsclient {


namespace {

// A configured tree whose server answers to `name` (server name or address).
const TreeConfig *TreeServing(std::string_view name) {
    for (const auto &tree : State().config.trees)
        if ((!tree.server.empty() && EqualsIgnoreCase(tree.server, name)) ||
            (!tree.address.empty() && tree.address == name))
            return &tree;
    return nullptr;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

} // namespace

Status CallsInitialize() {
    CallsTerminate(); // a second start begins afresh
    auto &state = State();
    std::string error;
    std::optional<ClientConfig> config = EffectiveClientConfig(error);
    if (!config || config->trees.empty()) {
        state.problem = config ? "The client configuration names no tree" : error;
        return status::ClientNotConfigured;
    }
    // A tree that cannot be opened is left out with its status; the others stay usable.
    Status firstFailure = status::Ok;
    for (const auto &tree : config->trees) {
        std::unique_ptr<Backend> backend;
        std::string problem;
        if (const Status s = OpenBackend(tree, backend, problem); s != status::Ok) {
            state.unavailable[LowerAscii(tree.name)] = TreeProblem{s, problem};
            if (firstFailure == status::Ok) {
                firstFailure = s;
                state.problem = problem;
            }
            continue;
        }
        state.backends[LowerAscii(tree.name)] = std::move(backend);
        if (!tree.identity.empty())
            state.identities[LowerAscii(tree.name)] = tree.identity;
    }
    if (state.backends.empty()) {
        const std::string problem = state.problem;
        state = ClientState();
        state.problem = problem;
        return firstFailure;
    }
    state.problem.clear();
    state.config = std::move(*config);
    state.initialised = true;
    return status::Ok;
}

std::string ClientProblem() {
    return State().problem;
}

Status GetTreeProblem(std::string_view treeName, std::string &problem) {
    const auto &unavailable = State().unavailable;
    const auto found = unavailable.find(LowerAscii(treeName));
    if (found == unavailable.end()) {
        problem.clear();
        return status::Ok;
    }
    problem = found->second.text;
    return found->second.status;
}

Status CallsTerminate() {
    State() = ClientState(); // closes every backend and forgets contexts, connections, logins
    return status::Ok;
}

Status ConnectionsInitialize() {
    return status::Ok;
}

Status ConnectionsTerminate() {
    State().connections.clear();
    State().attachedServers.clear();
    return status::Ok;
}

Status GetPrimaryConnectionReference(ConnectionReference &reference) {
    const auto &trees = State().config.trees;
    for (std::size_t i = 0; i < trees.size(); ++i)
        if (EqualsIgnoreCase(trees[i].name, State().config.primaryTree) &&
            !State().config.primaryTree.empty()) {
            reference = static_cast<ConnectionReference>(i + 1);
            return status::Ok;
        }
    return status::TransportFailure; // no primary connection
}

Status OpenConnectionByReference(ConnectionReference reference, std::uint32_t /*openState*/,
                                 ConnectionHandle &connection) {
    const auto &trees = State().config.trees;
    if (reference == 0 || reference > trees.size())
        return status::InvalidHandle;
    const TreeConfig &tree = trees[reference - 1];
    connection = OpenConnection(tree.name, tree.server);
    return status::Ok;
}

Status OpenConnectionToServer(std::string_view serverName, ConnectionHandle &connection) {
    const TreeConfig *tree = TreeServing(serverName);
    if (!tree)
        return status::ServerUnknown;
    connection = OpenConnection(tree->name, tree->server);
    return status::Ok;
}

Status CloseConnection(ConnectionHandle connection) {
    auto &state = State();
    if (!state.connections.erase(connection))
        return status::InvalidHandle;
    for (auto it = state.attachedServers.begin(); it != state.attachedServers.end();)
        it = it->second == connection ? state.attachedServers.erase(it) : std::next(it);
    return status::Ok;
}

Status GetConnectionInformation(ConnectionHandle connection, std::uint32_t infoType,
                                std::string &value) {
    const auto found = State().connections.find(connection);
    if (found == State().connections.end())
        return status::InvalidHandle;
    const ConnectionState &open = found->second;
    switch (infoType) {
    case CONN_INFO_SERVER_NAME:
        value = open.server;
        return status::Ok;
    case CONN_INFO_TREE_NAME: {
        if (open.tree.empty())
            return status::InvalidRequest; // a server outside every tree
        const TreeConfig *tree = FindTree(open.tree);
        value = tree && !tree->addressTreeName.empty() ? tree->addressTreeName : open.tree;
        return status::Ok;
    }
    default:
        return status::InvalidRequest;
    }
}

Status AttachToServerByName(std::string_view serverName, ConnectionHandle &connection) {
    const TreeConfig *tree = TreeServing(serverName);
    if (!tree)
        return status::ServerUnknown;
    auto &attached = State().attachedServers;
    const std::string key = LowerAscii(tree->server.empty() ? tree->address : tree->server);
    if (const auto found = attached.find(key); found != attached.end()) {
        connection = found->second;
        return status::AlreadyAttached;
    }
    connection = OpenConnection(tree->name, tree->server);
    attached[key] = connection;
    return status::Ok;
}

Status ParseNetworkPath(std::string_view path, std::string &serverName,
                        ConnectionHandle &connection, std::string &volumePath) {
    for (const auto &volume : State().config.volumes) {
        std::string mount = volume.mountPoint;
        while (mount.size() > 1 && IsSeparator(mount.back()))
            mount.pop_back();
        if (path.size() < mount.size() || !EqualsIgnoreCase(path.substr(0, mount.size()), mount))
            continue;
        if (path.size() > mount.size() && !IsSeparator(path[mount.size()]) && mount != "/")
            continue; // /srv/acme/sysx is not under /srv/acme/sys
        std::string rest(path.substr(mount.size()));
        while (!rest.empty() && IsSeparator(rest.front()))
            rest.erase(rest.begin());
        for (char &c : rest)
            if (c == '\\')
                c = '/';
        const TreeConfig *tree = TreeServing(volume.server);
        serverName = volume.server;
        connection = OpenConnection(tree ? tree->name : std::string(), volume.server);
        volumePath = volume.volume + ":" + rest;
        return status::Ok;
    }
    return status::InvalidPath;
}

} // namespace dsclient
