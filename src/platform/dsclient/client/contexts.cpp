// Contexts, trees and login.

#include "platform/dsclient/client/client_state.h"
#include "platform/dsclient/dotted_names.h"

#include <algorithm>

namespace dsclient {


namespace {
constexpr std::size_t kMaxTreeName = 200;
} // namespace

Status CreateContext(ContextHandle &context) {
    auto &state = State();
    if (!state.initialised)
        return status::ClientNotConfigured;
    if (state.contexts.size() >= state.config.maxContexts)
        return status::NotEnoughMemory;
    ContextState created;
    created.tree = state.preferredTree.empty() ? state.config.primaryTree : state.preferredTree;
    context = state.nextContext++;
    state.contexts[context] = std::move(created);
    return status::Ok;
}

Status DuplicateContext(ContextHandle source, ContextHandle &duplicate) {
    ContextState *original = nullptr;
    if (const Status s = FindContext(source, original); s != status::Ok)
        return s;
    if (State().contexts.size() >= State().config.maxContexts)
        return status::NotEnoughMemory;
    ContextState copy = *original;
    copy.iterations.clear(); // iterations belong to the context that opened them
    duplicate = State().nextContext++;
    State().contexts[duplicate] = std::move(copy);
    return status::Ok;
}

Status FreeContext(ContextHandle context) {
    return State().contexts.erase(context) ? status::Ok : status::BadContext;
}

Status GetContextValue(ContextHandle context, int key, std::uint32_t &value) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    switch (key) {
    case DCK_FLAGS:
        value = state->flags;
        return status::Ok;
    case DCK_CONFIDENCE:
        value = state->confidence;
        return status::Ok;
    case DCK_CONNECTION:
        value = state->connection;
        return status::Ok;
    default:
        return status::BadKey;
    }
}

Status GetContextValue(ContextHandle context, int key, std::string &value) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    switch (key) {
    case DCK_NAME_CONTEXT:
        value = state->nameContext;
        return status::Ok;
    case DCK_TREE_NAME:
        value = state->tree;
        return status::Ok;
    default:
        return status::BadKey;
    }
}

Status SetContextValue(ContextHandle context, int key, std::uint32_t value) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    switch (key) {
    case DCK_FLAGS:
        state->flags = value;
        return status::Ok;
    case DCK_CONFIDENCE:
        state->confidence = value;
        return status::Ok;
    case DCK_CONNECTION: {
        const auto found = State().connections.find(value);
        if (found == State().connections.end())
            return status::InvalidHandle;
        state->connection = value;
        if (!found->second.tree.empty())
            state->tree = found->second.tree;
        return status::Ok;
    }
    default:
        return status::BadKey;
    }
}

Status SetContextValue(ContextHandle context, int key, std::string_view value) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    switch (key) {
    case DCK_NAME_CONTEXT:
        if (value.empty() || value.size() > dsclient::kMaxNameLength)
            return status::IllegalName;
        state->nameContext = value;
        return status::Ok;
    case DCK_TREE_NAME:
        // Any name is taken; requests on a tree the client does not know fail later.
        if (value.empty() || value.size() > kMaxTreeName)
            return status::InvalidRequest;
        state->tree = value;
        return status::Ok;
    default:
        return status::BadKey;
    }
}

std::string ContextStoreFile(ContextHandle context) {
    ContextState *state = nullptr;
    if (FindContext(context, state) != status::Ok)
        return {};
    const TreeConfig *tree = FindTree(state->tree);
    return tree && tree->backend == "embedded" ? tree->store : std::string();
}

Status GetDefaultNameContext(ContextHandle context, std::string &nameContext) {
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    if (const Status s = FindContextAndBackend(context, state, backend); s != status::Ok)
        return s;
    nameContext = "[Root]";
    return status::Ok;
}

Status SetPreferredTree(std::string_view treeName) {
    if (treeName.empty() || treeName.size() > kMaxTreeName)
        return status::InvalidRequest;
    State().preferredTree = treeName;
    return status::Ok;
}

Status ScanConnectionsForTrees(ContextHandle context, std::size_t maxTrees,
                               std::vector<std::string> &treeNames) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    treeNames.clear();
    for (const auto &tree : State().config.trees)
        if (!IdentityOn(tree.name).empty() && treeNames.size() < maxTrees)
            treeNames.push_back(tree.name);
    return status::Ok;
}

Status ScanForAvailableTrees(ContextHandle context, ConnectionHandle /*connection*/,
                             std::string_view scanFilter, std::int32_t &scanIndex,
                             std::string &treeName) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    const auto &trees = State().config.trees;
    // The index is the position of the tree last returned; a filter keeps matching names.
    for (std::size_t next = static_cast<std::size_t>(std::max(scanIndex + 1, 0));
         next < trees.size(); ++next) {
        if (!scanFilter.empty() && scanFilter != "*" &&
            !EqualsIgnoreCase(scanFilter, trees[next].name))
            continue;
        scanIndex = static_cast<std::int32_t>(next);
        treeName = trees[next].name;
        return status::Ok;
    }
    scanIndex = static_cast<std::int32_t>(trees.size());
    return status::NoMoreTrees;
}

Status Login(ContextHandle context, std::uint32_t /*optionsFlag*/, std::string_view objectName,
             std::string_view password, std::uint32_t /*validityPeriod*/) {
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    if (const Status s = FindContextAndBackend(context, state, backend); s != status::Ok)
        return s;
    std::string canonical;
    if (const Status s = backend->Login(objectName, password, canonical); s != status::Ok)
        return s;
    State().identities[LowerAscii(state->tree)] = canonical;
    return status::Ok;
}

Status WhoAmI(ContextHandle context, std::string &objectName) {
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    if (const Status s = FindContextAndBackend(context, state, backend); s != status::Ok)
        return s;
    // Without a login the workstation is the public trustee, as on a real tree.
    const std::string identity = IdentityOn(state->tree);
    objectName = identity.empty() ? "[Public]" : identity;
    return status::Ok;
}

Status AuthenticateConnection(ContextHandle context, ConnectionHandle connection) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    if (!State().connections.count(connection))
        return status::InvalidHandle;
    // Authentication comes with the identity held on the tree.
    return IdentityOn(state->tree).empty() ? status::FailedAuthentication : status::Ok;
}

Status UnauthenticateConnection(ContextHandle context, ConnectionHandle connection) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    return State().connections.count(connection) ? status::Ok : status::InvalidHandle;
}

} // namespace dsclient
