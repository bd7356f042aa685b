#pragma once

// Texts compared without regard to case. Keywords of the program and the directory (scope
// words, value prefixes, class and attribute names, tree names) fold ASCII only. Object names
// fold beyond ASCII, as the directory's own look-ups do, so "Ä" and "ä" are one name in every
// merge, de-duplication and list; lists of names are shown in the order of the user's locale.

#include "platform/dsclient/text_fold.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

inline std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = LowerAscii(c);
    return out;
}
inline std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = UpperAscii(c);
    return out;
}

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// Byte-wise order after lower-casing; a prefix sorts first.
inline int CompareIgnoreCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct LessIgnoreCase {
    bool operator()(std::string_view a, std::string_view b) const {
        return CompareIgnoreCase(a, b) < 0;
    }
};

// For unordered containers keyed by names.
struct HashIgnoreCase {
    std::size_t operator()(std::string_view s) const {
        std::size_t h = 1469598103934665603ull; // FNV-1a
        for (char c : s) {
            h ^= static_cast<unsigned char>(LowerAscii(c));
            h *= 1099511628211ull;
        }
        return h;
    }
};
struct EqualIgnoreCase {
    bool operator()(std::string_view a, std::string_view b) const {
        return EqualsIgnoreCase(a, b);
    }
};

inline void SortCaseInsensitive(std::vector<std::string> &names) {
    std::stable_sort(names.begin(), names.end(), LessIgnoreCase{});
}

// ---- object names ----------------------------------------------------------------------------

inline bool EqualsName(std::string_view a, std::string_view b) {
    return dsclient::EqualsFolded(a, b);
}
// For unordered containers keyed by object names.
struct NameHash {
    std::size_t operator()(std::string_view name) const { return dsclient::HashFolded(name); }
};
struct NameEqual {
    bool operator()(std::string_view a, std::string_view b) const { return EqualsName(a, b); }
};

// The user's locale's order of names, ignoring case (names are UTF-8). A locale without a
// language of its own (C, POSIX) sorts in the Unicode default order, not by code points.
class NameCollation {
  public:
    NameCollation();
    ~NameCollation();
    NameCollation(const NameCollation &) = delete;
    NameCollation &operator=(const NameCollation &) = delete;

    bool less(std::string_view a, std::string_view b) const;
    // The positions of `names` in collation order; equal names keep their order.
    std::vector<std::size_t> order(const std::vector<std::string> &names) const;
    // A key whose bytes compare as the name collates, for names sorted one at a time.
    std::string key(std::string_view name) const;

  private:
    struct Collator;
    std::unique_ptr<Collator> collator_;
};

// Sorts names in the user's locale, ignoring case; equal names keep their order.
void SortNames(std::vector<std::string> &names);

} // namespace tarnbeck
