#include "directory/visible_text.h"

#include <cstdio>

namespace tarnbeck {

namespace {

void AppendHex(std::string &out, unsigned code) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
    out += escaped;
}

} // namespace

std::string VisibleText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7f) {
            AppendHex(out, c);
        } else if (c == 0xc2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            // U+0080..U+009F: the C1 controls, which terminals also obey (U+009B starts a
            // command as ESC [ does).
            AppendHex(out, static_cast<unsigned char>(text[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace tarnbeck
