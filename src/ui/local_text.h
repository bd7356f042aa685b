#pragma once

// Directory texts are 8-bit in the machine's local encoding; widgets hold QStrings.

#include <QString>

#include <string>

namespace tarnbeck {

inline QString LocalText(const std::string &text) {
    return QString::fromLocal8Bit(text);
}
inline std::string LocalText(const QString &text) {
    return text.toLocal8Bit().toStdString();
}

} // namespace tarnbeck
