#include "platform/dsclient/text_fold.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdint>

namespace dsclient {

namespace {

// The C.UTF-8 locale carries Unicode's case tables whatever the user's locale says, so the
// folding never depends on the environment. Created once, kept for the process.
locale_t UnicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

// Decodes one well-formed UTF-8 sequence at `at`; 0 bytes when there is none.
std::size_t Decode(std::string_view text, std::size_t at, char32_t &code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

void Encode(char32_t code, std::string &out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

namespace {

// Hands each byte of the folded text to `sink`, without building the text.
template <typename Sink> void ForEachFoldedByte(std::string_view text, Sink &&sink) {
    const locale_t locale = UnicodeLocale();
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) { // the common case, without a table look-up
            sink(static_cast<char>(lead >= 'A' && lead <= 'Z' ? lead + ('a' - 'A') : lead));
            ++at;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = Decode(text, at, code);
        if (length == 0) {
            sink(text[at++]);
            continue;
        }
        if (locale != static_cast<locale_t>(0))
            code = static_cast<char32_t>(towlower_l(static_cast<wint_t>(code), locale));
        std::string encoded;
        Encode(code, encoded);
        for (const char byte : encoded)
            sink(byte);
        at += length;
    }
}

char LowerAscii(unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
}

} // namespace

std::string FoldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    ForEachFoldedByte(text, [&folded](char byte) { folded += byte; });
    return folded;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
    // ASCII compared in place; from the first other byte on (a character boundary in both, as
    // all before it is ASCII) the rest is folded.
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t at = 0;
    for (; at < common; ++at) {
        const auto x = static_cast<unsigned char>(a[at]), y = static_cast<unsigned char>(b[at]);
        if (x >= 0x80 || y >= 0x80)
            return FoldCase(a.substr(at)) == FoldCase(b.substr(at));
        if (LowerAscii(x) != LowerAscii(y))
            return false;
    }
    // One text is used up; no character folds to nothing, so the other must be too.
    return a.size() == b.size();
}

std::size_t HashFolded(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a over the folded bytes
    ForEachFoldedByte(text, [&hash](char byte) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    });
    return static_cast<std::size_t>(hash);
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t length = Decode(text, at, code);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

} // namespace dsclient
