#pragma once

// The one-shot start sequence that binds the program to a tree, and the release of the
// application state at shutdown. The window side of each step goes through StartHost, so the
// sequence runs headless in tests.

#include "platform/dsclient/client.h"
#include "shell/app_state.h"

namespace tarnbeck {

class StartHost {
public:
    virtual ~StartHost() = default;
    virtual void endProcess() = 0;      // the process ends at once
    virtual void closeMainWindow() = 0; // closing the main window ends the program
    virtual void setBrowserContext(dsclient::ContextHandle context) = 0;
    // The main context exists: the browser may be shown from now on, also before a tree is
    // bound (it then shows an empty tree instead of an internal error).
    virtual void markBrowserContextGiven() = 0;
    virtual void updateCaption() = 0;
    virtual void initIcons() = 0;
};

// Runs the start sequence. A directory error raised by a step ends the sequence there and
// reaches the caller, whose guard shows it.
void RunStartSequence(AppState &app, StartHost &host);

// Releases what the start sequence and the run acquired, in shutdown order.
void ReleaseApplication(AppState &app);

} // namespace tarnbeck
