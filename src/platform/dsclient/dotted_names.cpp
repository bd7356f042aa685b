#include "platform/dsclient/dotted_names.h"

#include "platform/dsclient/component_text.h"
#include "platform/dsclient/text_fold.h"

#include <algorithm>

namespace dsclient {

namespace {
// Separates components in a path key; names never hold control characters, so it sorts
// below every character a component may contain.
constexpr char kKeySeparator = '\x01';
} // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char &c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    // Asked for every attribute of every entry a search hands out: compared in place.
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsRootName(std::string_view name) {
    return EqualsIgnoreCase(name, "[Root]");
}

Status SplitName(std::string_view name, std::vector<std::string> &components) {
    components.clear();
    if (name.empty() || name.size() > kMaxNameLength || !IsValidUtf8(name))
        return status::IllegalName;
    if (IsRootName(name))
        return status::Ok;
    // A dot is a separator unless an odd run of backslashes stands before it.
    std::size_t start = 0, run = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && static_cast<unsigned char>(name[i]) < 0x20)
            return status::IllegalName;
        if (i < name.size() && name[i] == '\\') {
            ++run;
            continue;
        }
        if (i == name.size() || (name[i] == '.' && run % 2 == 0)) {
            if (i == start)
                return status::IllegalName;
            components.push_back(ReadComponent(name.substr(start, i - start)));
            start = i + 1;
        }
        run = 0;
    }
    // "[Root]" stands for the top only on its own, never as a component.
    for (const auto &component : components)
        if (IsRootName(component))
            return status::IllegalName;
    return status::Ok;
}

std::string EscapeComponent(std::string_view component) {
    return WriteComponent(component);
}

std::string JoinName(const std::vector<std::string> &components) {
    std::string name;
    for (const auto &component : components) {
        if (!name.empty())
            name += '.';
        name += EscapeComponent(component);
    }
    return name;
}

std::string ComponentKey(std::string_view component, bool folded) {
    return folded ? FoldCase(component) : LowerAscii(component);
}

std::string PathKey(const std::vector<std::string> &components, bool folded) {
    std::string key;
    for (auto it = components.rbegin(); it != components.rend(); ++it) {
        key += ComponentKey(*it, folded);
        key += kKeySeparator;
    }
    return key;
}

std::string SubtreeEnd(const std::string &key) {
    // Every key below ends the same prefix with the separator followed by more text; raising
    // the last separator by one bounds them all. The root's subtree is every key, whatever its
    // bytes: callers do not bound it.
    if (key.empty())
        return key;
    std::string end = key;
    end.back() = static_cast<char>(kKeySeparator + 1);
    return end;
}

} // namespace dsclient
