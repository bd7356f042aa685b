#pragma once

// The dialogs created at start whose behaviour grows with later work: login, new object,
// settings and the two tree dialogs. Each is created once and reused.

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

class TNewObject : public QDialog {
public:
    explicit TNewObject(QWidget *parent = nullptr) : QDialog(parent) {
        setObjectName("NewObject");
    }
};

class Ttoplicform : public QDialog {
public:
    explicit Ttoplicform(QWidget *parent = nullptr) : QDialog(parent) {
        setObjectName("toplicform");
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
