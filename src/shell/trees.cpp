#include "shell/trees.h"

#include "directory/directory_error.h"
#include "directory/text_compare.h"
#include "platform/dsclient/config.h"

#include <algorithm>
#include <set>
#include <utility>

namespace tarnbeck {

using namespace dsclient;

namespace {

// Names the tree scans return fit 67-byte buffers; a name context fits 256 bytes.
constexpr std::size_t kMaxScannedTreeName = 66;
constexpr std::size_t kMaxNameContext = 255;

// Closes a connection on every way out.
class OpenConnection {
  public:
    explicit OpenConnection(ConnectionHandle connection) : connection_(connection) {}
    ~OpenConnection() { CloseConnection(connection_); }
    OpenConnection(const OpenConnection &) = delete;
    OpenConnection &operator=(const OpenConnection &) = delete;

  private:
    ConnectionHandle connection_;
};

// Frees a context on every way out unless it was handed on.
class OwnedContext {
  public:
    explicit OwnedContext(ContextHandle context) : context_(context) {}
    explicit OwnedContext(const OpenedContext &opened) : context_(opened.ok ? opened.context : 0) {
        if (!opened.ok && opened.context != 0)
            FreeContext(opened.context);
    }
    ~OwnedContext() {
        if (context_ != 0)
            FreeContext(context_);
    }
    OwnedContext(const OwnedContext &) = delete;
    OwnedContext &operator=(const OwnedContext &) = delete;

    ContextHandle get() const { return context_; }
    ContextHandle release() { return std::exchange(context_, 0); }

  private:
    ContextHandle context_;
};

} // namespace

OpenedContext OpenTreeContext() {
    OpenedContext opened;
    bool ok = CreateContext(opened.context) == status::Ok;
    if (ok) {
        std::uint32_t flags = 0;
        ok = GetContextValue(opened.context, DCK_FLAGS, flags) == status::Ok;
        if (ok) {
            flags |= DCV_TYPELESS_NAMES;
            flags &= ~(DCV_CANONICALIZE_NAMES | DCV_DEREF_ALIASES);
            ok = SetContextValue(opened.context, DCK_FLAGS, flags) == status::Ok;
        }
        if (ok)
            ok = SetContextValue(opened.context, DCK_CONFIDENCE, std::uint32_t{0}) == status::Ok;

        // Without a primary connection the context simply stays unbound: the workstation then
        // has no authenticated trees, which the caller reports.
        ConnectionReference reference = 0;
        ConnectionHandle connection = 0;
        if (GetPrimaryConnectionReference(reference) == status::Ok &&
            OpenConnectionByReference(reference, 0, connection) == status::Ok)
            SetContextValue(opened.context, DCK_CONNECTION, connection);
    }
    opened.ok = ok;
    return opened;
}

std::string ContextTreeName(ContextHandle context) {
    std::string name;
    if (GetContextValue(context, DCK_TREE_NAME, name) != status::Ok)
        return {};
    // The context's tree name is read into 201 bytes, up to the first zero byte.
    name = name.substr(0, std::min(name.find('\0'), std::size_t{200}));
    return name;
}

std::vector<UnavailableTree> UnavailableTrees() {
    std::vector<UnavailableTree> unavailable;
    for (const TreeConfig &tree : ActiveClientConfig().trees) {
        std::string problem;
        if (GetTreeProblem(tree.name, problem) != status::Ok)
            unavailable.push_back({tree.name, problem});
    }
    return unavailable;
}

std::string WorkingIdentity(ContextHandle context) {
    std::string identity;
    if (WhoAmI(context, identity) != status::Ok || EqualsIgnoreCase(identity, "[Public]"))
        return {};
    return identity;
}

std::vector<std::string> ScanAuthenticatedTrees(ContextHandle context) {
    std::vector<std::string> trees;
    if (ScanConnectionsForTrees(context, 50, trees) != status::Ok)
        return {};
    SortNames(trees);
    return trees;
}

Status SwitchContextTree(ContextHandle context, const std::string &treeName) {
    if (treeName == ContextTreeName(context))
        return status::Ok;
    Status result = SetContextValue(context, DCK_TREE_NAME, treeName);
    if (result != status::Ok)
        return result;
    std::string nameContext;
    result = GetDefaultNameContext(context, nameContext);
    if (result != status::Ok)
        return result;
    return SetContextValue(context, DCK_NAME_CONTEXT, nameContext.substr(0, kMaxNameContext));
}

std::vector<std::string> ScanAvailableTrees(ContextHandle context) {
    ConnectionReference reference = 0;
    CheckStatus(GetPrimaryConnectionReference(reference));
    ConnectionHandle connection = 0;
    CheckStatus(OpenConnectionByReference(reference, 2, connection));
    const OpenConnection closeOnExit(connection);

    std::set<std::string, LessIgnoreCase> trees;
    std::int32_t scanIndex = -1;
    for (;;) {
        std::string name;
        const Status result = ScanForAvailableTrees(context, connection, {}, scanIndex, name);
        if (result == status::NoMoreTrees)
            break;
        CheckStatus(result);
        trees.insert(name.substr(0, kMaxScannedTreeName));
    }
    return {trees.begin(), trees.end()};
}

const TreeEntry *FindAddedTree(const AppState &app, const std::string &treeName) {
    const auto found =
        std::find_if(app.addedTrees.begin(), app.addedTrees.end(),
                     [&](const auto &entry) { return EqualsIgnoreCase(entry.first, treeName); });
    return found == app.addedTrees.end() ? nullptr : &found->second;
}

bool AddConnectedTree(AppState &app, ContextHandle context, const std::string &treeName,
                      const LoginPrompt &login) {
    const std::vector<std::string> authenticated = ScanAuthenticatedTrees(context);
    const bool known =
        std::any_of(authenticated.begin(), authenticated.end(),
                    [&](const std::string &name) { return EqualsIgnoreCase(name, treeName); });

    if (!known) {
        ContextHandle duplicate = 0;
        CheckStatus(DuplicateContext(context, duplicate));
        OwnedContext loginContext(duplicate);
        SwitchContextTree(duplicate, treeName);
        const std::optional<std::string> userName = login(duplicate);
        if (!userName)
            return false; // the duplicate goes with loginContext
        app.addedTrees.emplace_back(treeName, TreeEntry{loginContext.release(), *userName});
        return true;
    }

    if (!FindAddedTree(app, treeName)) {
        OwnedContext opened(OpenTreeContext());
        if (opened.get() != 0) {
            SwitchContextTree(opened.get(), treeName);
            app.addedTrees.emplace_back(treeName, TreeEntry{opened.release(), {}});
        }
    }
    return true;
}

} // namespace tarnbeck
