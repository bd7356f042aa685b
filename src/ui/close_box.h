#pragma once

#include <QDialog>

namespace tarnbeck {

// Dialogs without a close box: they can only be left through their buttons.
inline void RemoveCloseBox(QDialog &dialog) {
    dialog.setWindowFlags((dialog.windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                          ~Qt::WindowCloseButtonHint);
}

} // namespace tarnbeck
