#pragma once

// TcForm: the directory browser dialog, in which contexts and objects are picked.

#include "platform/dsclient/client.h"

#include <QDialog>

#include <string>

namespace tarnbeck {

class TcForm : public QDialog {
public:
    explicit TcForm(QWidget *parent = nullptr);

    // Gives the dialog the context for its directory calls; another tree empties the tree view.
    void SetBrowserContext(dsclient::ContextHandle context);

    dsclient::ContextHandle context() const { return context_; }
    const std::string &TreeName() const { return treeName_; }
    static bool contextGiven() { return contextGiven_; }

private:
    dsclient::ContextHandle context_ = 0;
    // Matches no tree, so the first context given always starts an empty tree.
    std::string treeName_ = "*****";
    static bool contextGiven_;
};

} // namespace tarnbeck
