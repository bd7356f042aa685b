#include "directory/names.h"

#include "directory/text_compare.h"
#include "platform/dsclient/component_text.h"

namespace tarnbeck {
namespace {

// Stands in for "\." while a name is split, so escaped dots are never taken for separators.
constexpr char kEscapedDot = '\x01';

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(from, start)) != std::string_view::npos;
         start = at + from.size()) {
        out.append(text, start, at - start);
        out.append(to);
    }
    out.append(text, start);
    return out;
}

// A dot is escaped by an odd run of backslashes before it; an even run is backslashes of the
// component before a separator.
std::string HideEscapedDots(std::string_view name) {
    std::string hidden;
    hidden.reserve(name.size());
    std::size_t run = 0;
    for (char c : name) {
        if (c == '.' && run % 2 == 1) {
            hidden.back() = kEscapedDot;
        } else {
            hidden += c;
        }
        run = c == '\\' ? run + 1 : 0;
    }
    return hidden;
}

std::string Component(std::string_view name, int n, char separator) {
    for (int i = 0; i < n; ++i) {
        const auto at = name.find(separator);
        if (at == std::string_view::npos)
            break;
        name.remove_prefix(at + 1);
    }
    return std::string(name.substr(0, name.find(separator)));
}

} // namespace

bool IsPseudoName(std::string_view name) {
    return EqualsIgnoreCase(name, "[root]") || EqualsIgnoreCase(name, "[public]");
}

std::string EscapeDots(std::string_view component) {
    return dsclient::WriteComponent(component);
}

std::string DottedName(const NameNode *node) {
    if (!node)
        return {};
    if (node->level() == 0)
        return node->text();
    std::string name = EscapeDots(node->text());
    const NameNode *parent = node->parent();
    if (!parent)
        return name;
    if (node->level() == 1) {
        const std::string parentText = parent->text();
        if (!IsPseudoName(parentText))
            name += "." + parentText;
        return name;
    }
    return name + "." + DottedName(parent);
}

std::string SeparatedPath(const NameNode *node, char separator) {
    if (!node)
        return {};
    if (node->level() == 0)
        return node->text();
    const std::string escaped = EscapeDots(node->text());
    const NameNode *parent = node->parent();
    if (!parent)
        return escaped;
    if (node->level() == 1) {
        const std::string parentText = parent->text();
        return IsPseudoName(parentText) ? escaped : parentText + separator + escaped;
    }
    return SeparatedPath(parent, separator) + separator + escaped;
}

std::string NameComponent(std::string_view name, int n) {
    const std::string component = Component(HideEscapedDots(name), n, '.');
    return dsclient::ReadComponent(ReplaceAll(component, std::string_view(&kEscapedDot, 1), "\\."));
}

std::string SplitFromRight(std::string_view name, int n, bool takeTail, char separator) {
    const std::string whole = HideEscapedDots(name);
    std::string head = whole;
    for (int i = 0; i < n && !head.empty(); ++i) {
        const auto at = head.rfind(separator);
        head.resize(at == std::string::npos ? 0 : at);
    }
    const std::string_view dot(&kEscapedDot, 1);
    if (!takeTail)
        return ReplaceAll(head, dot, "\\.");
    if (head.empty())
        return std::string(name);
    const std::string tail = whole.substr(std::min(head.size() + 1, whole.size()));
    return ReplaceAll(tail, dot, "\\.").substr(0, 255);
}

std::string PathComponent(std::string_view path, int n) {
    return Component(path, n, '\\');
}

} // namespace tarnbeck
