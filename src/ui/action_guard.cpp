#include "ui/action_guard.h"

#include "directory/prompter.h"
#include "directory/visible_text.h"

#include <exception>

namespace tarnbeck {

void RunGuarded(const std::function<void()> &action) {
    try {
        action();
    } catch (const std::exception &error) {
        prompter().message(VisibleText(error.what()));
    }
}

} // namespace tarnbeck
