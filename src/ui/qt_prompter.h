#pragma once

#include "directory/prompter.h"

class QWidget;

namespace tarnbeck {

// The program's prompter: Qt message boxes titled "Tarnbeck", the platform beep and the
// application's override cursor.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    void message(const std::string &text) override;
    bool confirm(const std::string &text) override;
    bool input(const std::string &title, const std::string &prompt, std::string &value) override;
    void beep() override;
    void pushBusyCursor() override;
    void popBusyCursor() override;

private:
    QWidget *parent_;
};

} // namespace tarnbeck
