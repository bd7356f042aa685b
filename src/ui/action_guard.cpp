#include "ui/action_guard.h"

#include "directory/prompter.h"
#include "directory/visible_text.h"

#include <algorithm>
#include <exception>
#include <string>

namespace tarnbeck {

void RunGuarded(const std::function<void()> &action) {
    try {
        action();
    } catch (const std::exception &error) {
        // Each line made visible on its own: the program's own lines stay lines (a message and
        // where it arose), while what they quote of the directory was made visible before.
        const std::string text = error.what();
        std::string shown;
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            shown += (start ? "\n" : "") +
                     VisibleText(std::string_view(text).substr(start, end - start));
            start = end + 1;
        }
        prompter().message(shown);
    }
}

} // namespace tarnbeck
