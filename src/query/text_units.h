#pragma once

// The program's texts are UTF-8, but positions, caps and lengths the administrator sees are
// counted in characters, so a caret lands where a message says and a cut never splits a
// character. These helpers count code points.

#include <cstddef>
#include <string_view>

namespace tarnbeck {

inline bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters in the text.
inline std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        count += IsContinuationByte(c) ? 0 : 1;
    return count;
}

// The byte offset at which character `characters` starts (the size when the text is shorter).
inline std::size_t ByteOffsetOfCharacter(std::string_view text, std::size_t characters) {
    std::size_t offset = 0;
    while (offset < text.size() && characters > 0) {
        ++offset;
        while (offset < text.size() && IsContinuationByte(text[offset]))
            ++offset;
        --characters;
    }
    return offset;
}

// At most `count` characters starting at character `first`.
inline std::string_view CharacterSlice(std::string_view text, std::size_t first,
                                       std::size_t count) {
    text.remove_prefix(ByteOffsetOfCharacter(text, first));
    return text.substr(0, ByteOffsetOfCharacter(text, count));
}

} // namespace tarnbeck
