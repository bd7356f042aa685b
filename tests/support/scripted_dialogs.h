#pragma once

// Drives modal dialogs in tests: each expected dialog (by object name) gets a handler that
// works the dialog's controls and returns its result, without entering a modal loop.

#include "ui/dialog_runner.h"

#include <QDialog>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>

namespace tarnbeck::testing {

class ScriptedDialogs : public DialogRunner {
public:
    using Handler = std::function<int(QDialog &)>;

    ScriptedDialogs() { DialogRunner::install(this); }
    ~ScriptedDialogs() override {
        DialogRunner::install(nullptr);
        for (const auto &e : expected_)
            ADD_FAILURE() << "expected dialog " << e.first << " never shown";
    }

    ScriptedDialogs &expect(std::string objectName, Handler handler) {
        expected_.emplace_back(std::move(objectName), std::move(handler));
        return *this;
    }

    int run(QDialog &dialog) override {
        const std::string name = dialog.objectName().toStdString();
        if (expected_.empty()) {
            ADD_FAILURE() << "unexpected dialog " << name;
            return QDialog::Rejected;
        }
        auto [expectedName, handler] = std::move(expected_.front());
        expected_.pop_front();
        EXPECT_EQ(expectedName, name);
        dialog.show(); // what a modal run does first: the dialog's show handling runs
        const int result = handler(dialog);
        dialog.hide();
        return result;
    }

private:
    std::deque<std::pair<std::string, Handler>> expected_;
};

} // namespace tarnbeck::testing
