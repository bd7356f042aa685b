#include "ui/context_selection.h"

#include "directory/text_compare.h"
#include "directory/typed_name.h"
#include "shell/tree_settings.h"
#include "ui/browser_dialog.h"
#include "ui/dialog_runner.h"
#include "ui/local_text.h"
#include "ui/settings_dialog.h"

namespace tarnbeck {

std::optional<std::string> ChooseQueryContext(TcForm &browser, AppState &app) {
    browser.ClearClassFilter();
    browser.SetShowLeaves(false);
    browser.setWindowTitle("Select context");
    browser.SetBrowserContext(app.mainContext);
    if (RunDialog(browser) != QDialog::Accepted)
        return std::nullopt;
    if (ToUpperAscii(browser.SelectedPath()) == "[ROOT]")
        return "t=" + app.currentTree;
    return ToLowerAscii(TypedName(app.mainContext, browser.SelectedNode()));
}

void RunSettingsDialog(Ttoplicform &dialog, TcForm &browser, AppState &app) {
    dialog.setWindowTitle(LocalText("Settings for tree: " + app.currentTree));
    dialog.SetTop(app.treeSettings.top);
    dialog.SetAttributes(app.offeredAttributes, app.treeSettings.queryAttribute);
    dialog.SetBrowser(browser);
    dialog.SetContext(app.mainContext);
    if (RunDialog(dialog) != QDialog::Accepted)
        return;
    const std::string top = dialog.Top().empty() ? "[ROOT]" : dialog.Top();
    SaveTreeSettings(app, top, dialog.Attribute());
    browser.SetTopOfTree(top);
}

} // namespace tarnbeck
