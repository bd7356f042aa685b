#pragma once

// The dialogs created at start whose behaviour grows with later work: login and the two tree
// dialogs. Each is created once and reused. The new object and settings dialogs have their own
// files; they are included here so that everything created at start is known in one place.

#include "ui/new_object_dialog.h"
#include "ui/settings_dialog.h"

#include <QDialog>

namespace tarnbeck {

// Dialogs without a close box: they can only be left through their buttons.
inline void RemoveCloseBox(QDialog &dialog) {
    dialog.setWindowFlags((dialog.windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                          ~Qt::WindowCloseButtonHint);
}

class TLoginForm : public QDialog {
public:
    explicit TLoginForm(QWidget *parent = nullptr) : QDialog(parent) {
        setObjectName("LoginForm");
        RemoveCloseBox(*this);
    }
};

class TTrees2 : public QDialog {
public:
    explicit TTrees2(QWidget *parent = nullptr) : QDialog(parent) {
        setObjectName("Trees2");
        RemoveCloseBox(*this);
    }
};

class TTreesForm : public QDialog {
public:
    explicit TTreesForm(QWidget *parent = nullptr) : QDialog(parent) {
        setObjectName("TreesForm");
        setWindowTitle("Select Tree");
    }
};

} // namespace tarnbeck
