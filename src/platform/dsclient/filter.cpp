#include "platform/dsclient/filter.h"

#include "platform/dsclient/component_text.h"

#include <cstddef>
#include <utility>

namespace dsclient {

namespace {

// Deeper filters than this are refused: they serve no real query and would let a hostile
// token stream exhaust the stack of the builder, the evaluator and the destructor.
constexpr std::size_t kMaxNesting = 512;

bool IsComparisonOperator(std::uint32_t token) {
    return token == FTOK_EQ || token == FTOK_GE || token == FTOK_LE || token == FTOK_APPROX;
}

// Builds the tree from a token sequence the state machine has already accepted, so every
// branch here can rely on the grammar; a null result would still be handled by the caller.
class TreeBuilder {
  public:
    explicit TreeBuilder(const std::vector<FilterToken> &tokens) : tokens_(tokens) {}

    std::unique_ptr<FilterNode> build() {
        auto expression = parseOr();
        if (!expression || peek() != FTOK_END)
            return nullptr;
        return expression;
    }

  private:
    std::uint32_t peek() const { return pos_ < tokens_.size() ? tokens_[pos_].token : FTOK_END; }
    const FilterToken &next() { return tokens_[pos_++]; }

    // Operands of the same kind are merged into one node, so "a and (b and c)" is a single
    // And with three children (an index probe then sees every member).
    static void adopt(FilterNode &parent, std::unique_ptr<FilterNode> child) {
        if (child->kind == parent.kind) {
            for (auto &grandChild : child->children)
                parent.children.push_back(std::move(grandChild));
        } else {
            parent.children.push_back(std::move(child));
        }
    }

    std::unique_ptr<FilterNode> parseList(FilterNode::Kind kind, std::uint32_t separator) {
        auto first = kind == FilterNode::Kind::Or ? parseAnd() : parseUnary();
        if (!first || peek() != separator)
            return first;
        auto list = std::make_unique<FilterNode>();
        list->kind = kind;
        adopt(*list, std::move(first));
        while (peek() == separator) {
            ++pos_;
            auto operand = kind == FilterNode::Kind::Or ? parseAnd() : parseUnary();
            if (!operand)
                return nullptr;
            adopt(*list, std::move(operand));
        }
        return list;
    }

    std::unique_ptr<FilterNode> parseOr() { return parseList(FilterNode::Kind::Or, FTOK_OR); }
    std::unique_ptr<FilterNode> parseAnd() { return parseList(FilterNode::Kind::And, FTOK_AND); }

    std::unique_ptr<FilterNode> parseUnary() {
        if (pos_ >= tokens_.size())
            return nullptr;
        const FilterToken &token = next();
        switch (token.token) {
        case FTOK_NOT: {
            auto operand = parseUnary();
            if (!operand)
                return nullptr;
            auto node = std::make_unique<FilterNode>();
            node->kind = FilterNode::Kind::Not;
            node->children.push_back(std::move(operand));
            return node;
        }
        case FTOK_LPAREN: {
            auto inner = parseOr();
            if (!inner || peek() != FTOK_RPAREN)
                return nullptr;
            ++pos_;
            return inner;
        }
        case FTOK_ANAME:
            return parseComparison(token.value);
        case FTOK_PRESENT:
            return parseNamed(FilterNode::Kind::Present);
        case FTOK_RDN:
            return parseNamed(FilterNode::Kind::RelativeName);
        case FTOK_BASECLS:
            return parseNamed(FilterNode::Kind::BaseClass);
        default:
            return nullptr;
        }
    }

    std::unique_ptr<FilterNode> parseComparison(const std::string &attribute) {
        if (!IsComparisonOperator(peek()))
            return nullptr;
        const std::uint32_t op = next().token;
        if (peek() != FTOK_AVAL)
            return nullptr;
        const FilterToken &value = next();
        auto node = std::make_unique<FilterNode>();
        node->kind = FilterNode::Kind::Compare;
        node->attribute = attribute;
        node->op = op;
        node->value = value.value;
        node->syntax = value.syntax;
        return node;
    }

    // PRESENT, RDN and BASECLS are each followed by one ANAME carrying their operand.
    std::unique_ptr<FilterNode> parseNamed(FilterNode::Kind kind) {
        if (peek() != FTOK_ANAME)
            return nullptr;
        const FilterToken &name = next();
        auto node = std::make_unique<FilterNode>();
        node->kind = kind;
        if (kind == FilterNode::Kind::Present)
            node->attribute = name.value;
        else if (kind == FilterNode::Kind::RelativeName)
            node->value = ReadComponent(name.value); // as the name is written: "a\.b" is a.b
        else
            node->value = name.value;
        return node;
    }

    const std::vector<FilterToken> &tokens_;
    std::size_t pos_ = 0;
};

} // namespace

// What the next token may be, and how deep the filter is nested so far.
struct Filter::State {
    enum class Expect {
        Operand,      // a comparison, PRESENT, RDN, BASECLS, NOT or an open group
        Operator,     // after the attribute name of a comparison
        Value,        // after the comparison operator
        OperandName,  // the ANAME after PRESENT, RDN or BASECLS
        AfterOperand, // AND, OR, a close group or END
    };
    Expect expect = Expect::Operand;
    // Per open group, the NOTs that were waiting for it when it opened.
    std::vector<std::size_t> openGroups;
    std::size_t pendingNots = 0; // NOTs before the operand now being read
    std::size_t nesting = 0;     // open groups plus all NOTs not yet applied

    void operandDone() {
        nesting -= pendingNots;
        pendingNots = 0;
        expect = Expect::AfterOperand;
    }

    // Whether `token` may follow; advances the state when it may.
    bool accept(std::uint32_t token) {
        switch (expect) {
        case Expect::Operand:
            switch (token) {
            case FTOK_NOT:
            case FTOK_LPAREN:
                if (nesting >= kMaxNesting)
                    return false;
                ++nesting;
                if (token == FTOK_NOT) {
                    ++pendingNots;
                } else {
                    openGroups.push_back(pendingNots);
                    pendingNots = 0;
                }
                return true;
            case FTOK_ANAME:
                expect = Expect::Operator;
                return true;
            case FTOK_PRESENT:
            case FTOK_RDN:
            case FTOK_BASECLS:
                expect = Expect::OperandName;
                return true;
            default:
                return false;
            }
        case Expect::Operator:
            if (!IsComparisonOperator(token))
                return false;
            expect = Expect::Value;
            return true;
        case Expect::Value:
            if (token != FTOK_AVAL)
                return false;
            operandDone();
            return true;
        case Expect::OperandName:
            if (token != FTOK_ANAME)
                return false;
            operandDone();
            return true;
        case Expect::AfterOperand:
            switch (token) {
            case FTOK_AND:
            case FTOK_OR:
                expect = Expect::Operand;
                return true;
            case FTOK_RPAREN:
                if (openGroups.empty())
                    return false;
                // The closed group is the operand of the NOTs that preceded it.
                pendingNots = openGroups.back();
                openGroups.pop_back();
                --nesting;
                operandDone();
                return true;
            case FTOK_END:
                return openGroups.empty();
            default:
                return false;
            }
        }
        return false;
    }
};

Status Filter::Add(std::uint32_t token, std::string_view value, std::uint32_t syntax) {
    if (complete_)
        return status::InvalidRequest;
    if (!state_)
        state_ = std::make_shared<State>();
    if (!state_->accept(token))
        return status::InvalidRequest;
    if (token == FTOK_END) {
        auto expression = TreeBuilder(tokens_).build();
        if (!expression)
            return status::InvalidRequest;
        expression_ = std::move(expression);
        complete_ = true;
    }
    tokens_.push_back(FilterToken{token, std::string(value), syntax});
    return status::Ok;
}

} // namespace dsclient
