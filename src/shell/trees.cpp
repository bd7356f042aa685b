#include "shell/trees.h"

#include "directory/text_compare.h"

#include <algorithm>

namespace tarnbeck {

using namespace dsclient;

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

std::vector<std::string> ScanAuthenticatedTrees(ContextHandle context) {
    std::vector<std::string> trees;
    if (ScanConnectionsForTrees(context, 50, trees) != status::Ok)
        return {};
    SortCaseInsensitive(trees);
    return trees;
}

} // namespace tarnbeck
