#include "platform/dsclient/component_text.h"

namespace dsclient {

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
        } else if (written[next] == '.' || written[next] == ',') {
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
