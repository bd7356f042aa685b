#include "ui/browser_dialog.h"

#include "shell/trees.h"

namespace tarnbeck {

bool TcForm::contextGiven_ = false;

TcForm::TcForm(QWidget *parent) : QDialog(parent) {
    setObjectName("cForm");
    setWindowTitle("Select context");
    resize(373, 514);
}

void TcForm::SetBrowserContext(dsclient::ContextHandle context) {
    const std::string tree = ContextTreeName(context);
    context_ = context;
    treeName_ = tree;
    contextGiven_ = true;
}

} // namespace tarnbeck
