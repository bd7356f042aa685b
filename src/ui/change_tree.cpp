#include "ui/change_tree.h"

#include "directory/text_compare.h"
#include "shell/trees.h"
#include "ui/browser_dialog.h"
#include "ui/connected_trees_dialog.h"
#include "ui/dialog_runner.h"
#include "ui/login_dialog.h"
#include "ui/select_tree_dialog.h"
#include "ui/windows.h"

#include <string>
#include <vector>

namespace tarnbeck {

void ConnectTreeDialogs(AppState &app, Windows &windows) {
    windows.LoginForm->SetBrowser(*windows.cForm);
    TLoginForm &login = *windows.LoginForm;
    windows.Trees2->SetSelectTree(
        *windows.TreesForm,
        [&app, &login](dsclient::ContextHandle context, const std::string &treeName) {
            return AddConnectedTree(app, context, treeName, [&login](dsclient::ContextHandle c) {
                return RunLogin(login, c);
            });
        });
}

void ChangeTree(AppState &app, Windows &windows, const ChangeTreeHooks &hooks) {
    const std::vector<std::string> trees = ScanAuthenticatedTrees(app.mainContext);

    TTrees2 &dialog = *windows.Trees2;
    dialog.setWindowTitle("Current connected trees");
    dialog.SetSingleChoice(true);
    dialog.SetContext(app.mainContext);
    dialog.SetTrees(trees, app.currentTree);
    ConnectTreeDialogs(app, windows);

    const bool accepted = RunDialog(dialog) == QDialog::Accepted;
    // A login's browser may have been pointed at the tree it logs in to.
    windows.cForm->SetBrowserContext(app.mainContext);
    // Looking, cancelling or confirming the tree in use leaves the group and its edits alone.
    if (!accepted)
        return;
    const auto chosen = dialog.LastCheckedTree();
    if (!chosen || (!app.currentTree.empty() && EqualsIgnoreCase(*chosen, app.currentTree)))
        return;
    if (!hooks.ConfirmDiscard())
        return;
    hooks.ResetGroup();
    hooks.ReleaseQueries();
    app.loadedQueryStrings.reset();
    app.attributeNameMap.reset();

    app.currentTree = *chosen;
    // A tree that cannot be switched to is not reported; the caption shows the choice anyway.
    SwitchContextTree(app.mainContext, app.currentTree);
    windows.cForm->SetBrowserContext(app.mainContext);
    hooks.UpdateCaption();
    hooks.ReloadTreeConfiguration();
}

} // namespace tarnbeck
