#include "platform/dsclient/ldap/filter_text.h"

#include "platform/dsclient/ldap/name_table.h"
#include "platform/dsclient/ldap/value_codec.h"

#include <ldap.h>

#include <cstring>

namespace dsclient::ldap {

namespace {

bool IsNumberSyntax(std::uint32_t syntax) {
    return syntax == SYN_INTEGER || syntax == SYN_COUNTER || syntax == SYN_INTERVAL;
}

// The value of a token for a number, time or boolean: four little-endian bytes.
std::optional<std::uint32_t> Word(std::string_view bytes) {
    if (bytes.size() != 4)
        return std::nullopt;
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i)
        word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return word;
}

const char *Operator(std::uint32_t op) {
    switch (op) {
    case FTOK_GE:
        return ">=";
    case FTOK_LE:
        return "<=";
    default:
        return "=";
    }
}

// "(name=value)", or a substring assertion when an equality value holds wildcards.
std::string TextAssertion(const std::string &name, std::string_view text, std::uint32_t op) {
    const bool equality = op == FTOK_EQ || op == FTOK_APPROX;
    if (!equality || text.find('*') == std::string_view::npos)
        return "(" + name + Operator(op) + EscapeFilterValue(text) + ")";
    std::string pattern;
    std::size_t start = 0;
    while (true) {
        const auto star = text.find('*', start);
        pattern += EscapeFilterValue(text.substr(start, star - start));
        if (star == std::string_view::npos)
            break;
        pattern += '*';
        start = star + 1;
    }
    // A run of stars is one wildcard; "*" alone asks only that a value be there.
    std::string collapsed;
    for (char c : pattern)
        if (!(c == '*' && !collapsed.empty() && collapsed.back() == '*'))
            collapsed += c;
    return "(" + name + "=" + collapsed + ")";
}

std::string Comparison(const FilterNode &node, const FilterContext &context) {
    const auto attribute = context.attribute(node.attribute);
    if (!attribute)
        return kMatchesNothing;
    const std::string &name = attribute->ldapName;
    switch (attribute->syntax) {
    case SYN_CE_STRING:
    case SYN_CI_STRING:
    case SYN_PR_STRING:
    case SYN_NU_STRING:
    case SYN_TEL_NUMBER:
        return TextAssertion(name, node.value, node.op);
    case SYN_CLASS_NAME:
        return TextAssertion(name,
                             node.value.find('*') == std::string::npos
                                 ? context.className(node.value)
                                 : node.value,
                             node.op);
    case SYN_DIST_NAME: {
        // A reference compares as the object it names, "*" and all; a name that names nothing
        // finds nothing, and names have no order.
        if (node.op == FTOK_GE || node.op == FTOK_LE)
            return kMatchesNothing;
        const auto dn = context.dn(node.value);
        return dn ? "(" + name + "=" + EscapeFilterValue(*dn) + ")" : kMatchesNothing;
    }
    case SYN_BOOLEAN:
    case SYN_TIME:
    default: {
        const auto word = Word(node.value);
        if (!word)
            return kMatchesNothing;
        std::string value;
        if (IsNumberSyntax(attribute->syntax))
            value = std::to_string(static_cast<std::int32_t>(*word));
        else if (attribute->syntax == SYN_TIME)
            value = GeneralizedTime(*word);
        else if (attribute->syntax == SYN_BOOLEAN && node.op != FTOK_GE && node.op != FTOK_LE)
            value = *word ? "TRUE" : "FALSE";
        else
            return kMatchesNothing; // octets and composites are not compared
        return "(" + name + Operator(node.op) + value + ")";
    }
    }
}

std::string Text(const FilterNode &node, const FilterContext &context) {
    switch (node.kind) {
    case FilterNode::Kind::And:
    case FilterNode::Kind::Or: {
        std::string text = node.kind == FilterNode::Kind::And ? "(&" : "(|";
        for (const auto &child : node.children)
            text += Text(*child, context);
        return text + ")";
    }
    case FilterNode::Kind::Not:
        return node.children.empty() ? kMatchesNothing
                                     : "(!" + Text(*node.children.front(), context) + ")";
    case FilterNode::Kind::Compare:
        return Comparison(node, context);
    case FilterNode::Kind::Present: {
        const auto attribute = context.attribute(node.attribute);
        return attribute ? "(" + attribute->ldapName + "=*)" : kMatchesNothing;
    }
    case FilterNode::Kind::RelativeName: {
        std::string text = "(|";
        for (const char *const *naming = NamingAttributes(); *naming; ++naming)
            text += TextAssertion(*naming, node.value, FTOK_EQ);
        return text + ")";
    }
    case FilterNode::Kind::BaseClass:
        return node.value == "*"
                   ? "(objectClass=*)"
                   : "(objectClass=" + EscapeFilterValue(context.className(node.value)) + ")";
    }
    return kMatchesNothing;
}

} // namespace

std::string EscapeFilterValue(std::string_view value) {
    if (value.empty())
        return {};
    berval in{static_cast<ber_len_t>(value.size()), const_cast<char *>(value.data())};
    berval out{0, nullptr};
    if (ldap_bv2escaped_filter_value(&in, &out) != 0)
        return {};
    std::string escaped(out.bv_val, out.bv_len);
    ber_memfree(out.bv_val);
    return escaped;
}

std::string FilterText(const FilterNode &expression, const FilterContext &context) {
    return Text(expression, context);
}

} // namespace dsclient::ldap
