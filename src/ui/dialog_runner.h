#pragma once

// The one seam through which every modal dialog is shown, so tests can drive dialogs without
// entering a modal loop.

#include <functional>

class QDialog;

namespace tarnbeck {

class DialogRunner {
public:
    virtual ~DialogRunner() = default;
    // Shows the dialog modally and returns its result code.
    virtual int run(QDialog &dialog) = 0;

    static DialogRunner &current();
    static void install(DialogRunner *runner); // null restores the real one
};

// Shows `dialog` modally through the installed runner.
int RunDialog(QDialog &dialog);

} // namespace tarnbeck
