#include "platform/dsclient/component_text.h"

namespace dsclient {

namespace {
// The characters a backslash makes part of a component.
bool IsEscaped(char c) {
    return c == '.' || c == ',';
}
} // namespace

std::string WriteComponent(std::string_view component) {
    std::string escaped;
    escaped.reserve(component.size());
    for (std::size_t i = 0; i < component.size(); ++i) {
        const char c = component[i];
        if (c == '.')
            escaped += '\\';
        escaped += c;
        // Doubled only where it would be read as an escape: before "." or "," and at the end,
        // where the separator follows. Anywhere else a backslash stays as it always was.
        if (c == '\\') {
            std::size_t end = i + 1;
            while (end < component.size() && component[end] == '\\')
                ++end;
            const std::size_t run = end - i;
            const bool doubled = end == component.size() || IsEscaped(component[end]);
            escaped.append(doubled ? 2 * run - 1 : run - 1, '\\');
            i = end - 1;
        }
    }
    return escaped;
}

std::string ReadComponent(std::string_view written) {
    std::string text;
    text.reserve(written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] != '\\') {
            text += written[i];
            continue;
        }
        std::size_t run = 1;
        while (i + run < written.size() && written[i + run] == '\\')
            ++run;
        const std::size_t next = i + run;
        if (next == written.size()) {
            text.append((run + 1) / 2, '\\');
        } else if (IsEscaped(written[next])) {
            text.append(run / 2, '\\');
        } else {
            text.append(run, '\\');
        }
        // An odd run before a dot or comma leaves that character to be taken as text next.
        i = next - 1;
    }
    return text;
}

} // namespace dsclient
