#pragma once

// Search filters: tokens in infix order with explicit grouping, built into an expression with
// the usual precedence (not binds tightest, then and, then or). Backends evaluate the
// expression against objects; nothing here knows how objects are stored.

#include "platform/dsclient/client.h"
#include "platform/dsclient/values.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dsclient {

struct FilterToken {
    std::uint32_t token = FTOK_END;
    std::string value; // attribute name, or value bytes
    std::uint32_t syntax = 0;
    bool operator==(const FilterToken &) const = default;
};

// One node of a built expression.
struct FilterNode {
    enum class Kind {
        And,
        Or,
        Not,
        Compare,   // attribute op value
        Present,   // attribute present
        RelativeName, // the object's leaf name equals `value` ("*" wildcards allowed)
        BaseClass,    // the object's base class equals `value` ("*" alone: any class)
    };
    Kind kind = Kind::And;
    std::vector<std::unique_ptr<FilterNode>> children; // And, Or, Not (one child)
    std::string attribute;                             // Compare, Present
    std::uint32_t op = FTOK_EQ;                        // Compare: FTOK_EQ, GE, LE, APPROX
    std::string value;                                 // raw bytes as given with the token
    std::uint32_t syntax = 0;                          // Compare: syntax of the value token
};

class Filter {
public:
    // Appends a token; InvalidRequest when it cannot follow the tokens before it (the filter
    // keeps the tokens accepted so far). After FTOK_END nothing more is accepted.
    Status Add(std::uint32_t token, std::string_view value, std::uint32_t syntax);
    const std::vector<FilterToken> &tokens() const { return tokens_; }
    bool complete() const { return complete_; }
    // The expression of a complete filter (null before FTOK_END).
    const FilterNode *expression() const { return expression_.get(); }

private:
    std::vector<FilterToken> tokens_;
    bool complete_ = false;
    std::unique_ptr<FilterNode> expression_;
    // parser state kept between tokens
    struct State;
    std::shared_ptr<State> state_;
};

// What the evaluator needs to know of one object.
class ObjectView {
public:
    virtual ~ObjectView() = default;
    virtual std::string leafName() const = 0;  // unescaped leaf component
    virtual std::string baseClass() const = 0;
    // The values of an attribute (empty when absent). "Object Class" holds the class and all
    // its super classes.
    virtual std::vector<AttrValue> values(std::string_view attribute) const = 0;
};

// Does the object satisfy the expression? Strings compare by their syntax (case-ignore for
// 1, 3, 4, 5, 10, 20; case-exact for 2; "*" in an equality value of a string syntax is a
// wildcard); integers, counters and times compare as numbers; booleans by value. Approximate
// matching is case-ignore equality with wildcards. The comparison value is decoded from the
// value token's bytes by the syntax of the attribute's stored values.
bool Matches(const FilterNode &expression, const ObjectView &object);

// The key under which a value is indexed and looked up for an exact equality: the normalised
// text of string syntaxes (lower case for case-ignore ones), the decimal number of numeric ones.
std::optional<std::string> IndexKey(const AttrValue &value);
// A value of `syntax` as comparisons see it, rebuilt from its index key, so a backend may judge a
// comparison from its index alone; nullopt for a key no value of the syntax has.
std::optional<AttrValue> ValueOfIndexKey(std::uint32_t syntax, std::string_view key);

// An equality on one attribute that every match must satisfy (a top-level comparison or a
// member of a top-level and), without wildcards: a backend may fetch candidates by it instead
// of walking the scope.
struct IndexProbe {
    std::string attribute;
    std::string key; // as IndexKey gives it for a stored value of the attribute's syntax
    const FilterNode *node = nullptr; // the comparison: every object with the key satisfies it
    AttrValue value;                  // the compared value, of the attribute's syntax
};
// `syntaxOf` answers an attribute's syntax (nullopt: unknown attribute, which matches nothing).
std::optional<IndexProbe>
FindIndexProbe(const FilterNode &expression,
               const std::function<std::optional<std::uint32_t>(std::string_view)> &syntaxOf);
// Every such equality, in the filter's order, so a backend can start from the most selective.
std::vector<IndexProbe>
FindIndexProbes(const FilterNode &expression,
                const std::function<std::optional<std::uint32_t>(std::string_view)> &syntaxOf);

} // namespace dsclient
