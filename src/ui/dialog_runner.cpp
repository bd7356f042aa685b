#include "ui/dialog_runner.h"

#include <QDialog>

namespace tarnbeck {
namespace {

class ModalDialogRunner : public DialogRunner {
public:
    int run(QDialog &dialog) override { return dialog.exec(); }
};

ModalDialogRunner modalRunner;
DialogRunner *installed = &modalRunner;

} // namespace

DialogRunner &DialogRunner::current() { return *installed; }

void DialogRunner::install(DialogRunner *runner) { installed = runner ? runner : &modalRunner; }

int RunDialog(QDialog &dialog) { return DialogRunner::current().run(dialog); }

} // namespace tarnbeck
