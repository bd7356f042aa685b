#include "platform/dsclient/filter.h"

#include <charconv>
#include <compare>
#include <cstddef>

namespace dsclient {

namespace {

// A reference names one object: it is compared as a whole name, never as a pattern.
enum class Kind { CaseIgnoreText, CaseExactText, Reference, Integer, Time, Boolean, Uncomparable };

Kind KindOf(std::uint32_t syntax) {
    switch (syntax) {
    case SYN_DIST_NAME:
        return Kind::Reference;
    case SYN_CI_STRING:
    case SYN_PR_STRING:
    case SYN_NU_STRING:
    case SYN_TEL_NUMBER:
    case SYN_CLASS_NAME:
        return Kind::CaseIgnoreText;
    case SYN_CE_STRING:
        return Kind::CaseExactText;
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL:
        return Kind::Integer;
    case SYN_TIME:
        return Kind::Time;
    case SYN_BOOLEAN:
        return Kind::Boolean;
    default:
        return Kind::Uncomparable;
    }
}

bool IsText(Kind kind) {
    return kind == Kind::CaseIgnoreText || kind == Kind::CaseExactText || kind == Kind::Reference;
}

// Texts in which "*" stands for any run of characters.
bool HasWildcards(Kind kind) {
    return kind == Kind::CaseIgnoreText || kind == Kind::CaseExactText;
}

std::string Lower(std::string_view text) {
    std::string lowered(text);
    for (char &c : lowered) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

// The form in which texts of a syntax are compared and indexed: numeric strings and telephone
// numbers are written with or without blanks, so blanks do not count for them.
std::string Normalise(std::string_view text, std::uint32_t syntax) {
    std::string normal;
    normal.reserve(text.size());
    const bool dropBlanks = syntax == SYN_NU_STRING || syntax == SYN_TEL_NUMBER;
    // Blanks at the ends and runs of blanks are not significant, as on a directory server;
    // in a reference they are part of a name.
    if (syntax == SYN_DIST_NAME)
        return Lower(text);
    for (char c : text) {
        if (c != ' ')
            normal.push_back(c);
        else if (!dropBlanks && !normal.empty() && normal.back() != ' ')
            normal.push_back(c);
    }
    if (!normal.empty() && normal.back() == ' ')
        normal.pop_back();
    return KindOf(syntax) == Kind::CaseExactText ? normal : Lower(normal);
}

// Decodes the bytes of a value token as a value of `syntax`: the text itself for string
// syntaxes, four little-endian bytes for the numeric ones. Anything else cannot be compared.
std::optional<AttrValue> DecodeTokenValue(std::string_view bytes, std::uint32_t syntax) {
    const Kind kind = KindOf(syntax);
    if (IsText(kind))
        return AttrValue{syntax, Text{std::string(bytes)}};
    if (kind == Kind::Uncomparable || bytes.size() != 4)
        return std::nullopt;
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i)
        word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    switch (kind) {
    case Kind::Integer:
        return AttrValue{syntax, Integer{static_cast<std::int32_t>(word)}};
    case Kind::Time:
        return AttrValue{syntax, Time{word}};
    default: // Boolean: "true" is sent with all bits set, but any set bit means true
        return AttrValue{syntax, Boolean{word != 0}};
    }
}

// "*" stands for any run of characters, including none. Segments between stars are matched
// leftmost-first, which is exact when "*" is the only wildcard.
bool WildcardMatch(std::string_view pattern, std::string_view text) {
    const std::size_t firstStar = pattern.find('*');
    if (firstStar == std::string_view::npos)
        return pattern == text;
    const std::string_view head = pattern.substr(0, firstStar);
    if (!text.starts_with(head))
        return false;
    text.remove_prefix(head.size());
    pattern.remove_prefix(firstStar + 1);

    const std::size_t lastStar = pattern.rfind('*');
    const std::string_view tail =
        lastStar == std::string_view::npos ? pattern : pattern.substr(lastStar + 1);
    std::string_view middle =
        lastStar == std::string_view::npos ? std::string_view() : pattern.substr(0, lastStar);
    if (!text.ends_with(tail))
        return false;
    text.remove_suffix(tail.size());

    while (!middle.empty()) {
        const std::size_t star = middle.find('*');
        const std::string_view segment = middle.substr(0, star);
        middle = star == std::string_view::npos ? std::string_view() : middle.substr(star + 1);
        if (segment.empty())
            continue;
        const std::size_t at = text.find(segment);
        if (at == std::string_view::npos)
            return false;
        text.remove_prefix(at + segment.size());
    }
    return true;
}

bool OrderingSatisfies(std::strong_ordering order, std::uint32_t op) {
    switch (op) {
    case FTOK_GE:
        return order >= 0;
    case FTOK_LE:
        return order <= 0;
    default: // equality and approximate
        return order == 0;
    }
}

bool TextMatches(const std::string &stored, const std::string &wanted, std::uint32_t syntax,
                 std::uint32_t op) {
    if (op == FTOK_APPROX)
        return WildcardMatch(Lower(Normalise(wanted, syntax)), Lower(Normalise(stored, syntax)));
    const std::string value = Normalise(stored, syntax);
    const std::string pattern = Normalise(wanted, syntax);
    if (op == FTOK_EQ)
        return WildcardMatch(pattern, value);
    return OrderingSatisfies(value <=> pattern, op);
}

// Does one stored value satisfy the comparison? `wanted` is the token decoded with the stored
// value's syntax.
bool ValueMatches(const AttrValue &stored, const AttrValue &wanted, std::uint32_t op) {
    switch (KindOf(stored.syntax)) {
    case Kind::CaseIgnoreText:
    case Kind::CaseExactText: {
        const auto *text = std::get_if<Text>(&stored.data);
        return text && TextMatches(text->text, std::get<Text>(wanted.data).text, stored.syntax, op);
    }
    case Kind::Reference: {
        // Names have no order, and approximately the same object is no other object.
        const auto *text = std::get_if<Text>(&stored.data);
        return text && (op == FTOK_EQ || op == FTOK_APPROX) &&
               Normalise(text->text, stored.syntax) ==
                   Normalise(std::get<Text>(wanted.data).text, stored.syntax);
    }
    case Kind::Integer: {
        const auto *number = std::get_if<Integer>(&stored.data);
        return number &&
               OrderingSatisfies(number->value <=> std::get<Integer>(wanted.data).value, op);
    }
    case Kind::Time: {
        const auto *time = std::get_if<Time>(&stored.data);
        return time && OrderingSatisfies(time->seconds <=> std::get<Time>(wanted.data).seconds, op);
    }
    case Kind::Boolean: {
        const auto *flag = std::get_if<Boolean>(&stored.data);
        return flag && OrderingSatisfies(flag->value <=> std::get<Boolean>(wanted.data).value, op);
    }
    case Kind::Uncomparable:
        break;
    }
    return false;
}

bool CompareMatches(const FilterNode &node, const ObjectView &object) {
    // Values of one attribute nearly always share a syntax: decode the token once per syntax.
    std::optional<std::uint32_t> decodedSyntax;
    std::optional<AttrValue> wanted;
    for (const AttrValue &stored : object.values(node.attribute)) {
        if (decodedSyntax != stored.syntax) {
            decodedSyntax = stored.syntax;
            wanted = DecodeTokenValue(node.value, stored.syntax);
        }
        if (wanted && ValueMatches(stored, *wanted, node.op))
            return true;
    }
    return false;
}

std::optional<IndexProbe>
ProbeOf(const FilterNode &node,
        const std::function<std::optional<std::uint32_t>(std::string_view)> &syntaxOf) {
    if (node.kind != FilterNode::Kind::Compare || node.op != FTOK_EQ)
        return std::nullopt;
    const std::optional<std::uint32_t> syntax = syntaxOf(node.attribute);
    if (!syntax)
        return std::nullopt;
    // A star is a wildcard only in text; in a reference or the bytes of a number it is just a
    // character.
    if (HasWildcards(KindOf(*syntax)) && node.value.find('*') != std::string::npos)
        return std::nullopt;
    const std::optional<AttrValue> wanted = DecodeTokenValue(node.value, *syntax);
    if (!wanted)
        return std::nullopt;
    std::optional<std::string> key = IndexKey(*wanted);
    if (!key)
        return std::nullopt;
    return IndexProbe{node.attribute, std::move(*key), &node, std::move(*wanted)};
}

} // namespace

bool Matches(const FilterNode &expression, const ObjectView &object) {
    switch (expression.kind) {
    case FilterNode::Kind::And:
        for (const auto &child : expression.children) {
            if (!Matches(*child, object))
                return false;
        }
        return true;
    case FilterNode::Kind::Or:
        for (const auto &child : expression.children) {
            if (Matches(*child, object))
                return true;
        }
        return false;
    case FilterNode::Kind::Not:
        return !expression.children.empty() && !Matches(*expression.children.front(), object);
    case FilterNode::Kind::Compare:
        return CompareMatches(expression, object);
    case FilterNode::Kind::Present:
        return !object.values(expression.attribute).empty();
    case FilterNode::Kind::RelativeName:
        return WildcardMatch(Lower(expression.value), Lower(object.leafName()));
    case FilterNode::Kind::BaseClass:
        return expression.value == "*" || Lower(expression.value) == Lower(object.baseClass());
    }
    return false;
}

std::optional<std::string> IndexKey(const AttrValue &value) {
    switch (KindOf(value.syntax)) {
    case Kind::CaseIgnoreText:
    case Kind::CaseExactText:
    case Kind::Reference:
        if (const auto *text = std::get_if<Text>(&value.data))
            return Normalise(text->text, value.syntax);
        break;
    case Kind::Integer:
        if (const auto *number = std::get_if<Integer>(&value.data))
            return std::to_string(number->value);
        break;
    case Kind::Time:
        if (const auto *time = std::get_if<Time>(&value.data))
            return std::to_string(time->seconds);
        break;
    case Kind::Boolean:
        if (const auto *flag = std::get_if<Boolean>(&value.data))
            return std::string(flag->value ? "1" : "0");
        break;
    case Kind::Uncomparable:
        break;
    }
    return std::nullopt;
}

std::optional<AttrValue> ValueOfIndexKey(std::uint32_t syntax, std::string_view key) {
    const auto number = [&key]() -> std::optional<long long> {
        long long value = 0;
        const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
        if (error != std::errc() || end != key.data() + key.size())
            return std::nullopt;
        return value;
    };
    switch (KindOf(syntax)) {
    case Kind::CaseIgnoreText:
    case Kind::CaseExactText:
    case Kind::Reference:
        return AttrValue{syntax, Text{std::string(key)}};
    case Kind::Integer:
        if (const auto value = number())
            return AttrValue{syntax, Integer{static_cast<std::int32_t>(*value)}};
        break;
    case Kind::Time:
        if (const auto value = number())
            return AttrValue{syntax, Time{static_cast<std::uint32_t>(*value)}};
        break;
    case Kind::Boolean:
        if (key == "0" || key == "1")
            return AttrValue{syntax, Boolean{key == "1"}};
        break;
    case Kind::Uncomparable:
        break;
    }
    return std::nullopt;
}

std::optional<IndexProbe>
FindIndexProbe(const FilterNode &expression,
               const std::function<std::optional<std::uint32_t>(std::string_view)> &syntaxOf) {
    std::vector<IndexProbe> probes = FindIndexProbes(expression, syntaxOf);
    if (probes.empty())
        return std::nullopt;
    return std::move(probes.front());
}

std::vector<IndexProbe>
FindIndexProbes(const FilterNode &expression,
                const std::function<std::optional<std::uint32_t>(std::string_view)> &syntaxOf) {
    std::vector<IndexProbe> probes;
    if (expression.kind != FilterNode::Kind::And) {
        if (auto probe = ProbeOf(expression, syntaxOf))
            probes.push_back(std::move(*probe));
        return probes;
    }
    // Every member of a top-level And must hold, so any one of them may narrow the candidates.
    for (const auto &child : expression.children) {
        if (auto probe = ProbeOf(*child, syntaxOf))
            probes.push_back(std::move(*probe));
    }
    return probes;
}

} // namespace dsclient
