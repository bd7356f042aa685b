#include "shell/start_sequence.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "shell/attribute_names.h"
#include "shell/config_directory.h"
#include "shell/pending_configuration.h"
#include "shell/tree_settings.h"
#include "shell/trees.h"

namespace tarnbeck {

using namespace dsclient;

namespace {
const char *const kClientMissing = "Novell Client not installed?";
const char *const kNoTrees = "No authenticated trees found, please login";

// "Novell Client not installed?" and why the client could not start: which file or server,
// which status.
std::string ClientMissingText(Status status) {
    const std::string problem = ClientProblem();
    if (problem.empty())
        return kClientMissing;
    return std::string(kClientMissing) + "\n\n" + problem + " (" + StatusNumberText(status) + ")";
}

} // namespace

void RunStartSequence(AppState &app, StartHost &host) {
    if (const Status started = CallsInitialize(); started != status::Ok) {
        prompter().message(ClientMissingText(started));
        host.endProcess();
        return;
    }
    ConnectionsInitialize(); // its status tells nothing the next steps would not

    const OpenedContext opened = OpenTreeContext();
    if (!opened.ok) {
        // A context that was created but could not be set up is still ours to free.
        if (opened.context != 0) {
            app.mainContext = opened.context;
            app.contextCreated = true;
        }
        prompter().message(kNoTrees);
        host.closeMainWindow();
        return;
    }
    app.mainContext = opened.context;
    app.contextCreated = true;
    host.markBrowserContextGiven();

    if (ScanAuthenticatedTrees(app.mainContext).empty()) {
        prompter().message(kNoTrees);
        host.closeMainWindow();
        return;
    }

    // An update that could not be written stays pending; say why and carry on with the file
    // as it is.
    if (auto error = MergePendingConfiguration(SettingsPath(app.programDirectory)))
        prompter().message(*error);
    if (!LocateConfigDirectory(app, app.programDirectory))
        return; // the window stays open without a tree

    app.currentTree = ContextTreeName(app.mainContext);
    host.setBrowserContext(app.mainContext);
    host.updateCaption();
    host.initIcons();

    if (!LoadAttributeNameMap(app))
        return; // mappings.dat is required; without it the tree's settings stay unread
    LoadTreeSettings(app);
}

void ReleaseApplication(AppState &app) {
    app.loadedQueryStrings.reset();
    app.attributeNameMap.reset();
    if (app.contextCreated) {
        FreeContext(app.mainContext);
        app.contextCreated = false;
        app.mainContext = 0;
    }
    ConnectionsTerminate();
    CallsTerminate();
}

} // namespace tarnbeck
