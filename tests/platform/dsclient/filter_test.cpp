#include "platform/dsclient/filter.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace dsclient {
namespace {

// ---- helpers ----------------------------------------------------------------------------

FilterToken Tok(std::uint32_t token, std::string value = {}, std::uint32_t syntax = 0) {
    return FilterToken{token, std::move(value), syntax};
}

std::string Bytes(std::uint32_t word) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((word >> (8 * i)) & 0xFF);
    return bytes;
}

// name op value, as the query translator sends a comparison
std::vector<FilterToken> Cmp(const std::string &attribute, std::uint32_t op, std::string value,
                             std::uint32_t syntax) {
    return {Tok(FTOK_ANAME, attribute, 3), Tok(op), Tok(FTOK_AVAL, std::move(value), syntax)};
}

std::vector<FilterToken> Join(std::initializer_list<std::vector<FilterToken>> parts) {
    std::vector<FilterToken> all;
    for (const auto &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Adds every token and expects each to be accepted.
void AddAll(Filter &filter, const std::vector<FilterToken> &tokens) {
    for (const auto &token : tokens) {
        ASSERT_EQ(filter.Add(token.token, token.value, token.syntax), status::Ok)
            << "token " << token.token << " at " << filter.tokens().size();
    }
}

// A complete filter built from `tokens` followed by END.
std::unique_ptr<Filter> Build(const std::vector<FilterToken> &tokens) {
    auto filter = std::make_unique<Filter>();
    AddAll(*filter, tokens);
    EXPECT_EQ(filter->Add(FTOK_END, {}, 0), status::Ok);
    EXPECT_TRUE(filter->complete());
    EXPECT_NE(filter->expression(), nullptr);
    return filter;
}

// The shape of an expression as text, e.g. "or(a,and(b,c))"; comparisons show their attribute.
std::string Shape(const FilterNode &node) {
    auto list = [&](const char *name) {
        std::string text = std::string(name) + "(";
        for (std::size_t i = 0; i < node.children.size(); ++i)
            text += (i ? "," : "") + Shape(*node.children[i]);
        return text + ")";
    };
    switch (node.kind) {
    case FilterNode::Kind::And:
        return list("and");
    case FilterNode::Kind::Or:
        return list("or");
    case FilterNode::Kind::Not:
        return list("not");
    case FilterNode::Kind::Compare:
        return node.attribute;
    case FilterNode::Kind::Present:
        return "present:" + node.attribute;
    case FilterNode::Kind::RelativeName:
        return "rdn:" + node.value;
    case FilterNode::Kind::BaseClass:
        return "class:" + node.value;
    }
    return "?";
}

std::string ShapeOf(const std::vector<FilterToken> &tokens) {
    auto filter = Build(tokens);
    return filter->expression() ? Shape(*filter->expression()) : "<none>";
}

// An object with a leaf name, a base class and attribute values; attribute names are looked up
// without regard to case, as a real view does.
class FakeObject : public ObjectView {
  public:
    FakeObject(std::string leaf = "jsmith", std::string baseClass = "User")
        : leaf_(std::move(leaf)), baseClass_(std::move(baseClass)) {}

    FakeObject &with(const std::string &attribute, AttrValue value) {
        values_[Key(attribute)].push_back(std::move(value));
        return *this;
    }
    std::string leafName() const override { return leaf_; }
    std::string baseClass() const override { return baseClass_; }
    std::vector<AttrValue> values(std::string_view attribute) const override {
        auto found = values_.find(Key(attribute));
        return found == values_.end() ? std::vector<AttrValue>{} : found->second;
    }

  private:
    static std::string Key(std::string_view name) {
        std::string key(name);
        for (char &c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return key;
    }
    std::string leaf_, baseClass_;
    std::map<std::string, std::vector<AttrValue>> values_;
};

AttrValue TextValue(std::uint32_t syntax, std::string text) {
    return {syntax, Text{text}};
}
AttrValue IntValue(std::int32_t value, std::uint32_t syntax = SYN_INTEGER) {
    return {syntax, Integer{value}};
}

bool MatchesTokens(const std::vector<FilterToken> &tokens, const ObjectView &object) {
    auto filter = Build(tokens);
    return filter->expression() && Matches(*filter->expression(), object);
}

// One comparison against one object holding `stored` under attribute "A".
bool CompareOne(const AttrValue &stored, std::uint32_t op, const std::string &tokenValue) {
    FakeObject object;
    object.with("A", stored);
    return MatchesTokens(Cmp("A", op, tokenValue, stored.syntax), object);
}

// ---- building ---------------------------------------------------------------------------

TEST(FilterBuild, AcceptsTheStreamsCallersSend) {
    const auto a = Cmp("a", FTOK_EQ, "1", 3);
    const auto b = Cmp("b", FTOK_EQ, "2", 3);
    const auto c = Cmp("c", FTOK_EQ, "3", 3);
    const FilterToken lp = Tok(FTOK_LPAREN), rp = Tok(FTOK_RPAREN), andT = Tok(FTOK_AND),
                      orT = Tok(FTOK_OR), notT = Tok(FTOK_NOT);
    const std::vector<FilterToken> cls = {Tok(FTOK_BASECLS), Tok(FTOK_ANAME, "User", 3)};
    const std::vector<FilterToken> rdn = {Tok(FTOK_RDN), Tok(FTOK_ANAME, "js*", 3)};

    EXPECT_EQ(ShapeOf(a), "a");
    EXPECT_EQ(ShapeOf(Join({a, {andT}, b, {andT}, c})), "and(a,b,c)");
    EXPECT_EQ(ShapeOf(Join({a, {andT, lp}, b, {orT}, c, {rp}})), "and(a,or(b,c))");
    EXPECT_EQ(ShapeOf(Join({{notT, lp}, a, {rp}})), "not(a)");
    EXPECT_EQ(ShapeOf(Join({{notT, lp}, a, {andT}, b, {rp}})), "not(and(a,b))");
    // the browser's find by class and name
    EXPECT_EQ(ShapeOf(Join({{lp}, cls, {rp, andT}, rdn})), "and(class:User,rdn:js*)");
    EXPECT_EQ(ShapeOf(Join({{lp}, cls, {orT}, cls, {rp, andT}, rdn})),
              "and(or(class:User,class:User),rdn:js*)");
    EXPECT_EQ(ShapeOf({Tok(FTOK_PRESENT), Tok(FTOK_ANAME, "Object Class", 20)}),
              "present:Object Class");
}

TEST(FilterBuild, PrecedenceAndGrouping) {
    const auto a = Cmp("a", FTOK_EQ, "1", 3);
    const auto b = Cmp("b", FTOK_EQ, "2", 3);
    const auto c = Cmp("c", FTOK_EQ, "3", 3);
    const FilterToken lp = Tok(FTOK_LPAREN), rp = Tok(FTOK_RPAREN), andT = Tok(FTOK_AND),
                      orT = Tok(FTOK_OR), notT = Tok(FTOK_NOT);

    EXPECT_EQ(ShapeOf(Join({a, {orT}, b, {andT}, c})), "or(a,and(b,c))");
    EXPECT_EQ(ShapeOf(Join({a, {andT}, b, {orT}, c})), "or(and(a,b),c)");
    EXPECT_EQ(ShapeOf(Join({{lp}, a, {orT}, b, {rp, andT}, c})), "and(or(a,b),c)");
    // not takes only the operand right after it
    EXPECT_EQ(ShapeOf(Join({{notT}, a, {andT}, b})), "and(not(a),b)");
    EXPECT_EQ(ShapeOf(Join({{notT, notT}, a})), "not(not(a))");
    // nested groups of the same operator fold into one list
    EXPECT_EQ(ShapeOf(Join({a, {andT, lp, lp}, b, {andT}, c, {rp, rp}})), "and(a,b,c)");
    EXPECT_EQ(ShapeOf(Join({{lp, lp, lp}, a, {rp, rp, rp}})), "a");
}

TEST(FilterBuild, KeepsComparisonDetails) {
    auto filter = Build(Cmp("Login Grace Limit", FTOK_GE, Bytes(6), SYN_INTEGER));
    const FilterNode &node = *filter->expression();
    EXPECT_EQ(node.kind, FilterNode::Kind::Compare);
    EXPECT_EQ(node.attribute, "Login Grace Limit");
    EXPECT_EQ(node.op, FTOK_GE);
    EXPECT_EQ(node.value, Bytes(6));
    EXPECT_EQ(node.syntax, SYN_INTEGER);
}

// Each sequence is accepted up to its last token, which must be refused; the filter keeps what
// it had and still finishes when a sound continuation follows.
TEST(FilterBuild, RefusesTokensThatCannotFollow) {
    const auto a = Cmp("a", FTOK_EQ, "1", 3);
    const FilterToken lp = Tok(FTOK_LPAREN), rp = Tok(FTOK_RPAREN), andT = Tok(FTOK_AND),
                      orT = Tok(FTOK_OR), notT = Tok(FTOK_NOT), end = Tok(FTOK_END);
    struct Case {
        const char *what;
        std::vector<FilterToken> accepted;
        FilterToken refused;
        std::vector<FilterToken> continuation; // makes the accepted part complete
    };
    const std::vector<Case> cases = {
        {"end of an empty filter", {}, end, a},
        {"leading and", {}, andT, a},
        {"leading or", {}, orT, a},
        {"close without open", a, rp, {}},
        {"end inside a group", Join({{lp}, a}), end, {rp}},
        {"empty group", {lp}, rp, Join({a, {rp}})},
        {"operator after operator", Join({a, {andT}}), orT, a},
        {"trailing and at end", Join({a, {andT}}), end, a},
        {"not at the end", {notT}, end, a},
        {"not after an operand", a, notT, {}},
        {"two operands side by side", a, Tok(FTOK_ANAME, "b", 3), {}},
        {"value without operator",
         {Tok(FTOK_ANAME, "a", 3)},
         Tok(FTOK_AVAL, "1", 3),
         {Tok(FTOK_EQ), Tok(FTOK_AVAL, "1", 3)}},
        {"operator without name", {}, Tok(FTOK_EQ), a},
        {"value alone", {}, Tok(FTOK_AVAL, "1", 3), a},
        {"present without name", {Tok(FTOK_PRESENT)}, end, {Tok(FTOK_ANAME, "CN", 3)}},
        {"present with a value",
         {Tok(FTOK_PRESENT)},
         Tok(FTOK_AVAL, "x", 3),
         {Tok(FTOK_ANAME, "CN", 3)}},
        {"base class then operator",
         {Tok(FTOK_BASECLS)},
         Tok(FTOK_EQ),
         {Tok(FTOK_ANAME, "User", 3)}},
        {"relative name then group", {Tok(FTOK_RDN)}, lp, {Tok(FTOK_ANAME, "x", 3)}},
        {"comparison missing its value",
         {Tok(FTOK_ANAME, "a", 3), Tok(FTOK_EQ)},
         end,
         {Tok(FTOK_AVAL, "1", 3)}},
        {"two comparison operators",
         {Tok(FTOK_ANAME, "a", 3), Tok(FTOK_EQ)},
         Tok(FTOK_GE),
         {Tok(FTOK_AVAL, "1", 3)}},
        {"unknown token 11", {}, Tok(11), a},
        {"unknown token 13", a, Tok(13), {}},
        {"unknown token 18", {}, Tok(18), a},
        {"unknown huge token", a, Tok(0xFFFFFFFF), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Filter filter;
        AddAll(filter, c.accepted);
        EXPECT_EQ(filter.Add(c.refused.token, c.refused.value, c.refused.syntax),
                  status::InvalidRequest);
        EXPECT_EQ(filter.tokens(), c.accepted);
        EXPECT_FALSE(filter.complete());
        EXPECT_EQ(filter.expression(), nullptr);
        AddAll(filter, c.continuation);
        EXPECT_EQ(filter.Add(FTOK_END, {}, 0), status::Ok);
        EXPECT_TRUE(filter.complete());
    }
}

TEST(FilterBuild, NothingFollowsTheEnd) {
    Filter filter;
    AddAll(filter, Cmp("a", FTOK_EQ, "1", 3));
    ASSERT_EQ(filter.Add(FTOK_END, {}, 0), status::Ok);
    const auto before = filter.tokens();
    const FilterNode *expression = filter.expression();
    for (std::uint32_t token : {FTOK_END, FTOK_AND, FTOK_OR, FTOK_ANAME, FTOK_RPAREN})
        EXPECT_EQ(filter.Add(token, "x", 3), status::InvalidRequest) << token;
    EXPECT_EQ(filter.tokens(), before);
    EXPECT_EQ(filter.expression(), expression);
}

TEST(FilterBuild, RefusesAbsurdNestingWithoutCrashing) {
    for (std::uint32_t opener : {FTOK_LPAREN, FTOK_NOT}) {
        Filter filter;
        std::size_t accepted = 0;
        while (accepted < 100000 && filter.Add(opener, {}, 0) == status::Ok)
            ++accepted;
        EXPECT_GE(accepted, 100u) << opener; // real queries nest far less
        EXPECT_LT(accepted, 100000u) << opener;
        EXPECT_EQ(filter.tokens().size(), accepted);
    }
    // a deep but acceptable filter builds and evaluates
    std::vector<FilterToken> deep;
    for (int i = 0; i < 100; ++i) {
        deep.push_back(Tok(FTOK_NOT));
        deep.push_back(Tok(FTOK_LPAREN));
    }
    const auto a = Cmp("A", FTOK_EQ, "x", SYN_CI_STRING);
    deep.insert(deep.end(), a.begin(), a.end());
    for (int i = 0; i < 100; ++i)
        deep.push_back(Tok(FTOK_RPAREN));
    FakeObject object;
    object.with("A", TextValue(SYN_CI_STRING, "x"));
    EXPECT_TRUE(MatchesTokens(deep, object)); // an even number of nots

    // depth is what counts, not length: a long list of negated members stays shallow
    std::vector<FilterToken> wide;
    for (int i = 0; i < 2000; ++i) {
        if (i > 0)
            wide.push_back(Tok(FTOK_AND));
        // ( not ( a ) or not a )
        wide.push_back(Tok(FTOK_LPAREN));
        wide.push_back(Tok(FTOK_NOT));
        wide.push_back(Tok(FTOK_LPAREN));
        wide.insert(wide.end(), a.begin(), a.end());
        wide.push_back(Tok(FTOK_RPAREN));
        wide.push_back(Tok(FTOK_OR));
        wide.push_back(Tok(FTOK_NOT));
        wide.insert(wide.end(), a.begin(), a.end());
        wide.push_back(Tok(FTOK_RPAREN));
    }
    auto filter = Build(wide);
    ASSERT_NE(filter->expression(), nullptr);
    EXPECT_EQ(filter->expression()->children.size(), 2000u);
    EXPECT_FALSE(Matches(*filter->expression(), object));
}

// Random token streams: every answer is Ok or InvalidRequest, a refused token leaves the filter
// as it was, and whatever was accepted replays into a filter that accepts it all again.
TEST(FilterBuild, RandomStreamsNeverBreakIt) {
    std::mt19937 random(20240611);
    const std::uint32_t choices[] = {FTOK_END,    FTOK_OR,    FTOK_AND,     FTOK_NOT, FTOK_LPAREN,
                                     FTOK_RPAREN, FTOK_AVAL,  FTOK_EQ,      FTOK_GE,  FTOK_LE,
                                     FTOK_APPROX, FTOK_ANAME, FTOK_PRESENT, FTOK_RDN, FTOK_BASECLS,
                                     11,          12,         13,           19,       0x7FFFFFFF};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(choices) - 1);
    std::uniform_int_distribution<int> length(1, 40);
    FakeObject object;
    object.with("A", TextValue(SYN_CI_STRING, "x"));
    int completed = 0;
    for (int round = 0; round < 3000; ++round) {
        Filter filter;
        const int count = length(random);
        for (int i = 0; i < count; ++i) {
            const std::uint32_t token = choices[pick(random)];
            const std::size_t before = filter.tokens().size();
            const Status result = filter.Add(token, "A", SYN_CI_STRING);
            ASSERT_TRUE(result == status::Ok || result == status::InvalidRequest);
            ASSERT_EQ(filter.tokens().size(), before + (result == status::Ok ? 1 : 0));
        }
        ASSERT_EQ(filter.complete(), filter.expression() != nullptr);
        if (filter.complete()) {
            ++completed;
            Matches(*filter.expression(), object); // must simply not crash
        }
        Filter replay;
        for (const auto &token : filter.tokens())
            ASSERT_EQ(replay.Add(token.token, token.value, token.syntax), status::Ok);
        ASSERT_EQ(replay.complete(), filter.complete());
    }
    EXPECT_GT(completed, 0); // the generator does reach complete filters
}

// ---- matching ---------------------------------------------------------------------------

TEST(FilterMatch, StringSyntaxesFollowTheirCaseRules) {
    // case-ignore syntaxes, including names and class names
    for (std::uint32_t syntax : {SYN_DIST_NAME, SYN_CI_STRING, SYN_PR_STRING, SYN_CLASS_NAME}) {
        SCOPED_TRACE(syntax);
        EXPECT_TRUE(CompareOne(TextValue(syntax, "Smith"), FTOK_EQ, "sMITH"));
        EXPECT_FALSE(CompareOne(TextValue(syntax, "Smith"), FTOK_EQ, "Smyth"));
        // Blanks at the ends and doubled blanks are not significant in text; in a name they are.
        EXPECT_EQ(CompareOne(TextValue(syntax, " Smith  Jr"), FTOK_EQ, "Smith Jr "),
                  syntax != SYN_DIST_NAME);
    }
    EXPECT_TRUE(
        CompareOne(TextValue(SYN_DIST_NAME, "JSmith.Sales.Acme"), FTOK_EQ, "jsmith.sales.ACME"));
    // case-exact
    EXPECT_TRUE(CompareOne(TextValue(SYN_CE_STRING, "Smith"), FTOK_EQ, "Smith"));
    EXPECT_FALSE(CompareOne(TextValue(SYN_CE_STRING, "Smith"), FTOK_EQ, "smith"));
    // blanks do not count in numeric strings and telephone numbers, and only there
    EXPECT_TRUE(CompareOne(TextValue(SYN_NU_STRING, "12 34"), FTOK_EQ, "1234"));
    EXPECT_TRUE(
        CompareOne(TextValue(SYN_TEL_NUMBER, "+44 20 7946 0000"), FTOK_EQ, "+442079460000"));
    EXPECT_TRUE(CompareOne(TextValue(SYN_TEL_NUMBER, "+44 20 7946 0000"), FTOK_EQ, "+44 20*"));
    EXPECT_FALSE(CompareOne(TextValue(SYN_CI_STRING, "12 34"), FTOK_EQ, "1234"));
    // only ASCII letters fold; other bytes compare as they are
    EXPECT_FALSE(CompareOne(TextValue(SYN_CI_STRING, "\xC3\x84"), FTOK_EQ, "\xC3\xA4"));
}

TEST(FilterMatch, WildcardsInEveryPosition) {
    struct Case {
        const char *pattern;
        const char *text;
        bool matches;
    };
    const Case cases[] = {
        {"*", "anything", true},
        {"*", "", true},
        {"smi*", "Smith", true},
        {"*ith", "Smith", true},
        {"s*h", "Smith", true},
        {"*-10*", "PC-10-Lab", true},
        {"*-10*", "PC-1-0", false},
        {"s*h", "Smithy", false},
        {"smith*", "Smith", true},
        {"*smith", "Smith", true},
        {"s**h", "Smith", true},
        {"a*a", "a", false},
        {"a*b*a", "aba", true},
        {"a*b*a", "ab", false},
        {"*ab*ab*", "xabyab", true},
        {"*ab*ab*", "xaby", false},
        {"ab*ba", "aba", false},
        {"*x*y*z*", "zyx", false},
        {"", "", true},
        {"", "x", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.text);
        EXPECT_EQ(CompareOne(TextValue(SYN_CI_STRING, c.text), FTOK_EQ, c.pattern), c.matches);
    }
    // the star is a wildcard in case-exact text too, the letters still compare exactly
    EXPECT_TRUE(CompareOne(TextValue(SYN_CE_STRING, "Smith"), FTOK_EQ, "S*h"));
    EXPECT_FALSE(CompareOne(TextValue(SYN_CE_STRING, "Smith"), FTOK_EQ, "s*h"));
}

TEST(FilterMatch, StringOrderingComparesNormalisedText) {
    EXPECT_TRUE(CompareOne(TextValue(SYN_CI_STRING, "Miller"), FTOK_GE, "m"));
    EXPECT_FALSE(CompareOne(TextValue(SYN_CI_STRING, "Miller"), FTOK_GE, "n"));
    EXPECT_TRUE(CompareOne(TextValue(SYN_CI_STRING, "Miller"), FTOK_LE, "MILLER"));
    EXPECT_TRUE(CompareOne(TextValue(SYN_CI_STRING, "Miller"), FTOK_GE, "miller"));
    EXPECT_FALSE(CompareOne(TextValue(SYN_CI_STRING, "Miller"), FTOK_LE, "Mill"));
    // case-exact: upper-case letters sort before lower-case ones
    EXPECT_FALSE(CompareOne(TextValue(SYN_CE_STRING, "Miller"), FTOK_GE, "m"));
    // no wildcards in an ordering
    EXPECT_FALSE(CompareOne(TextValue(SYN_CI_STRING, "b"), FTOK_LE, "a*"));
    EXPECT_TRUE(CompareOne(TextValue(SYN_NU_STRING, "1 000"), FTOK_LE, "1000"));
}

TEST(FilterMatch, NumbersCompareAsNumbers) {
    EXPECT_TRUE(CompareOne(IntValue(9), FTOK_LE, Bytes(10)));
    EXPECT_FALSE(CompareOne(IntValue(9), FTOK_GE, Bytes(10)));
    EXPECT_TRUE(CompareOne(IntValue(10), FTOK_GE, Bytes(9)));
    EXPECT_TRUE(CompareOne(IntValue(-5), FTOK_LE, Bytes(3)));
    EXPECT_TRUE(CompareOne(IntValue(-5), FTOK_EQ, Bytes(static_cast<std::uint32_t>(-5))));
    EXPECT_FALSE(CompareOne(IntValue(5), FTOK_EQ, Bytes(6)));
    EXPECT_TRUE(CompareOne(IntValue(7, SYN_COUNTER), FTOK_GE, Bytes(7)));
    EXPECT_TRUE(CompareOne(IntValue(3600, SYN_INTERVAL), FTOK_LE, Bytes(86400)));
    // 42 is the byte of "*": still just a number
    EXPECT_FALSE(CompareOne(IntValue(7), FTOK_EQ, Bytes(42)));
    // times are unsigned seconds: a time after 2038 is later, not negative
    const AttrValue late{SYN_TIME, Time{0x90000000u}};
    EXPECT_TRUE(CompareOne(late, FTOK_GE, Bytes(1700000000)));
    EXPECT_TRUE(CompareOne(AttrValue{SYN_TIME, Time{1700000000}}, FTOK_EQ, Bytes(1700000000)));
    // a value that is not four bytes matches nothing, whatever the operator
    for (std::uint32_t op : {FTOK_EQ, FTOK_GE, FTOK_LE, FTOK_APPROX}) {
        EXPECT_FALSE(CompareOne(IntValue(0), op, std::string(3, '\0'))) << op;
        EXPECT_FALSE(CompareOne(IntValue(0), op, "0")) << op;
        EXPECT_FALSE(CompareOne(IntValue(0), op, std::string(5, '\0'))) << op;
    }
}

TEST(FilterMatch, BooleansCompareByValue) {
    const AttrValue yes{SYN_BOOLEAN, Boolean{true}}, no{SYN_BOOLEAN, Boolean{false}};
    const std::string trueBytes = Bytes(0xFFFFFFFF), falseBytes = Bytes(0);
    EXPECT_TRUE(CompareOne(yes, FTOK_EQ, trueBytes));
    EXPECT_FALSE(CompareOne(yes, FTOK_EQ, falseBytes));
    EXPECT_TRUE(CompareOne(no, FTOK_EQ, falseBytes));
    EXPECT_FALSE(CompareOne(no, FTOK_EQ, trueBytes));
    EXPECT_TRUE(CompareOne(yes, FTOK_EQ, Bytes(1)));
    EXPECT_TRUE(CompareOne(yes, FTOK_GE, falseBytes));
    EXPECT_FALSE(CompareOne(no, FTOK_GE, trueBytes));
    EXPECT_FALSE(CompareOne(yes, FTOK_EQ, "yes")); // text is not a boolean
}

TEST(FilterMatch, ApproximateIsCaseIgnoreWithWildcards) {
    EXPECT_TRUE(CompareOne(TextValue(SYN_CE_STRING, "Smith"), FTOK_APPROX, "sMiTh"));
    EXPECT_TRUE(CompareOne(TextValue(SYN_CI_STRING, "Smith"), FTOK_APPROX, "sm*"));
    EXPECT_FALSE(CompareOne(TextValue(SYN_CI_STRING, "Smith"), FTOK_APPROX, "smyth"));
    EXPECT_TRUE(CompareOne(TextValue(SYN_TEL_NUMBER, "555 1234"), FTOK_APPROX, "5551234"));
    EXPECT_TRUE(CompareOne(IntValue(4), FTOK_APPROX, Bytes(4)));
}

TEST(FilterMatch, AnyValueOfTheAttributeMayMatch) {
    FakeObject object;
    object.with("Telephone Number", TextValue(SYN_TEL_NUMBER, "111"))
        .with("telephone number", TextValue(SYN_TEL_NUMBER, "222"))
        .with("Object Class", TextValue(SYN_CLASS_NAME, "User"))
        .with("Object Class", TextValue(SYN_CLASS_NAME, "Top"));
    EXPECT_TRUE(MatchesTokens(Cmp("TELEPHONE NUMBER", FTOK_EQ, "222", 10), object));
    EXPECT_TRUE(MatchesTokens(Cmp("Object Class", FTOK_EQ, "top", 20), object));
    EXPECT_FALSE(MatchesTokens(Cmp("Object Class", FTOK_EQ, "Group", 20), object));
    EXPECT_FALSE(MatchesTokens(Cmp("Surname", FTOK_EQ, "*", 3), object)); // absent
    // no value equals 3, yet one lies above it and one below
    FakeObject numbers;
    numbers.with("N", IntValue(0)).with("N", IntValue(5));
    EXPECT_FALSE(MatchesTokens(Cmp("N", FTOK_EQ, Bytes(3), SYN_INTEGER), numbers));
    EXPECT_TRUE(MatchesTokens(Cmp("N", FTOK_GE, Bytes(3), SYN_INTEGER), numbers));
    EXPECT_TRUE(MatchesTokens(Cmp("N", FTOK_LE, Bytes(3), SYN_INTEGER), numbers));
}

TEST(FilterMatch, OtherSyntaxesCountOnlyForPresence) {
    FakeObject object;
    object.with("Photo", AttrValue{SYN_OCTET_STRING, Octets{"abc"}})
        .with("Odd", AttrValue{SYN_CI_STRING, Integer{5}}); // owner type does not fit
    const std::vector<FilterToken> present = {Tok(FTOK_PRESENT), Tok(FTOK_ANAME, "photo", 3)};
    EXPECT_TRUE(MatchesTokens(present, object));
    EXPECT_FALSE(MatchesTokens({Tok(FTOK_PRESENT), Tok(FTOK_ANAME, "Fax", 3)}, object));
    for (std::uint32_t op : {FTOK_EQ, FTOK_GE, FTOK_LE, FTOK_APPROX})
        EXPECT_FALSE(MatchesTokens(Cmp("Photo", op, "*", SYN_OCTET_STRING), object)) << op;
    EXPECT_FALSE(MatchesTokens(Cmp("Odd", FTOK_EQ, "*", SYN_CI_STRING), object));
}

TEST(FilterMatch, BooleanOperatorsAndGroups) {
    FakeObject object;
    object.with("A", TextValue(SYN_CI_STRING, "1")).with("B", TextValue(SYN_CI_STRING, "2"));
    const auto a = Cmp("A", FTOK_EQ, "1", 3); // true
    const auto b = Cmp("B", FTOK_EQ, "x", 3); // false
    const auto c = Cmp("B", FTOK_EQ, "2", 3); // true
    const FilterToken lp = Tok(FTOK_LPAREN), rp = Tok(FTOK_RPAREN), andT = Tok(FTOK_AND),
                      orT = Tok(FTOK_OR), notT = Tok(FTOK_NOT);
    EXPECT_TRUE(MatchesTokens(Join({a, {orT}, b, {andT}, b}), object));
    EXPECT_FALSE(MatchesTokens(Join({{lp}, a, {orT}, b, {rp, andT}, b}), object));
    EXPECT_FALSE(MatchesTokens(Join({{notT, lp}, a, {rp}}), object));
    EXPECT_TRUE(MatchesTokens(Join({{notT, lp}, a, {andT}, b, {rp}}), object));
    EXPECT_TRUE(MatchesTokens(Join({{notT}, b, {andT}, c}), object));
    EXPECT_FALSE(MatchesTokens(Join({{notT}, a, {orT, notT}, c}), object));
}

TEST(FilterMatch, RelativeNameAndBaseClass) {
    FakeObject object("JSmith", "User");
    auto rdn = [](const std::string &name) {
        return std::vector<FilterToken>{Tok(FTOK_RDN), Tok(FTOK_ANAME, name, 3)};
    };
    auto cls = [](const std::string &name) {
        return std::vector<FilterToken>{Tok(FTOK_BASECLS), Tok(FTOK_ANAME, name, 3)};
    };
    EXPECT_TRUE(MatchesTokens(rdn("jsmith"), object));
    EXPECT_TRUE(MatchesTokens(rdn("js*"), object));
    EXPECT_TRUE(MatchesTokens(rdn("*MITH"), object));
    EXPECT_TRUE(MatchesTokens(rdn("*"), object));
    EXPECT_FALSE(MatchesTokens(rdn("js"), object));
    EXPECT_TRUE(MatchesTokens(cls("user"), object));
    EXPECT_TRUE(MatchesTokens(cls("*"), object));
    EXPECT_FALSE(MatchesTokens(cls("Group"), object));
    EXPECT_FALSE(MatchesTokens(cls("Us*"), object)); // only "*" alone means any class
    // the browser's find: (class User or Group) and name prefix
    const auto find = Join({{Tok(FTOK_LPAREN)},
                            cls("Group"),
                            {Tok(FTOK_OR)},
                            cls("User"),
                            {Tok(FTOK_RPAREN), Tok(FTOK_AND)},
                            rdn("jsm*")});
    EXPECT_TRUE(MatchesTokens(find, object));
    EXPECT_FALSE(MatchesTokens(find, FakeObject("JSmith", "Organization")));
}

// ---- index keys and probes --------------------------------------------------------------

// The store finds candidates by key and trusts it: for an equality without wildcards, equal
// keys must mean a match and different keys must mean none.
TEST(FilterIndex, KeysAgreeWithEqualityMatching) {
    struct Case {
        AttrValue stored;
        std::string tokenValue;
    };
    const std::vector<Case> cases = {
        {TextValue(SYN_CI_STRING, "Smith"), "smith"},
        {TextValue(SYN_CI_STRING, "Smith"), "Smyth"},
        {TextValue(SYN_CI_STRING, "Smith"), "Smith "},
        {TextValue(SYN_CE_STRING, "Smith"), "Smith"},
        {TextValue(SYN_CE_STRING, "Smith"), "smith"},
        {TextValue(SYN_DIST_NAME, "Admin.Acme"), "ADMIN.acme"},
        {TextValue(SYN_PR_STRING, "Abc"), "aBC"},
        {TextValue(SYN_CLASS_NAME, "User"), "user"},
        {TextValue(SYN_NU_STRING, "12 34"), "1234"},
        {TextValue(SYN_NU_STRING, "12 34"), "12 35"},
        {TextValue(SYN_TEL_NUMBER, "555 12 34"), "5551234"},
        {TextValue(SYN_CI_STRING, ""), ""},
        {IntValue(10), Bytes(10)},
        {IntValue(10), Bytes(9)},
        {IntValue(-1), Bytes(0xFFFFFFFF)},
        {IntValue(42, SYN_COUNTER), Bytes(42)},
        {IntValue(60, SYN_INTERVAL), Bytes(61)},
        {AttrValue{SYN_TIME, Time{0xFFFFFFFF}}, Bytes(0xFFFFFFFF)},
        {AttrValue{SYN_TIME, Time{100}}, Bytes(101)},
        {AttrValue{SYN_BOOLEAN, Boolean{true}}, Bytes(0xFFFFFFFF)},
        {AttrValue{SYN_BOOLEAN, Boolean{true}}, Bytes(0)},
        {AttrValue{SYN_BOOLEAN, Boolean{false}}, Bytes(0)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tokenValue);
        const auto storedKey = IndexKey(c.stored);
        ASSERT_TRUE(storedKey.has_value());
        auto filter = Build(Cmp("A", FTOK_EQ, c.tokenValue, c.stored.syntax));
        const auto probe = FindIndexProbe(*filter->expression(),
                                          [&](std::string_view) { return c.stored.syntax; });
        ASSERT_TRUE(probe.has_value());
        EXPECT_EQ(probe->attribute, "A");
        EXPECT_EQ(probe->key == *storedKey, CompareOne(c.stored, FTOK_EQ, c.tokenValue));
    }
}

// A backend may judge a comparison from the index key alone: the value rebuilt from the key must
// satisfy exactly the comparisons the stored value satisfies.
TEST(FilterIndex, ValuesRebuiltFromKeysCompareAsTheStoredOnes) {
    const std::vector<AttrValue> stored = {TextValue(SYN_CI_STRING, "Sales Dept"),
                                           TextValue(SYN_CE_STRING, "Sales Dept"),
                                           TextValue(SYN_TEL_NUMBER, "+1 555 0100"),
                                           TextValue(SYN_DIST_NAME, "Joe.Sales.Acme"),
                                           IntValue(-12),
                                           IntValue(7, SYN_COUNTER),
                                           AttrValue{SYN_TIME, Time{4000000000u}},
                                           AttrValue{SYN_BOOLEAN, Boolean{true}}};
    const std::vector<std::string> texts = {"sales dept", "Sales*",    "*DEPT",          "s*s*t",
                                            "Sales Dept", "+15550100", "joe.sales.acme", "M",
                                            "Z",          ""};
    const std::vector<std::string> numbers = {Bytes(static_cast<std::uint32_t>(-12)), Bytes(7),
                                              Bytes(0), Bytes(4000000000u), Bytes(0xFFFFFFFF)};
    for (const AttrValue &value : stored) {
        const auto key = IndexKey(value);
        ASSERT_TRUE(key.has_value());
        const auto rebuilt = ValueOfIndexKey(value.syntax, *key);
        ASSERT_TRUE(rebuilt.has_value());
        const bool text = std::holds_alternative<Text>(value.data);
        for (const std::string &token : text ? texts : numbers)
            for (std::uint32_t op : {FTOK_EQ, FTOK_GE, FTOK_LE, FTOK_APPROX}) {
                SCOPED_TRACE(token);
                EXPECT_EQ(CompareOne(*rebuilt, op, token), CompareOne(value, op, token));
            }
    }
    EXPECT_EQ(ValueOfIndexKey(SYN_INTEGER, "12x"), std::nullopt);
    EXPECT_EQ(ValueOfIndexKey(SYN_OCTET_STRING, "abc"), std::nullopt);
}

TEST(FilterIndex, KeysOfEachKind) {
    EXPECT_EQ(IndexKey(TextValue(SYN_CI_STRING, "Sales Dept")), "sales dept");
    EXPECT_EQ(IndexKey(TextValue(SYN_CE_STRING, "Sales Dept")), "Sales Dept");
    EXPECT_EQ(IndexKey(TextValue(SYN_TEL_NUMBER, "+1 555 0100")), "+15550100");
    EXPECT_EQ(IndexKey(IntValue(-12)), "-12");
    EXPECT_EQ(IndexKey(AttrValue{SYN_TIME, Time{4000000000u}}), "4000000000");
    EXPECT_EQ(IndexKey(AttrValue{SYN_BOOLEAN, Boolean{false}}), "0");
    EXPECT_EQ(IndexKey(AttrValue{SYN_OCTET_STRING, Octets{"abc"}}), std::nullopt);
    EXPECT_EQ(IndexKey(AttrValue{SYN_CI_LIST, TextList{{"a"}}}), std::nullopt);
    EXPECT_EQ(IndexKey(AttrValue{SYN_CI_STRING, Integer{1}}), std::nullopt);
}

TEST(FilterIndex, ProbesOnlyForPlainEqualities) {
    const std::map<std::string, std::uint32_t> schema = {
        {"CN", SYN_CI_STRING}, {"Age", SYN_INTEGER}, {"Photo", SYN_OCTET_STRING}};
    auto syntaxOf = [&](std::string_view name) -> std::optional<std::uint32_t> {
        auto found = schema.find(std::string(name));
        return found == schema.end() ? std::nullopt : std::optional(found->second);
    };
    auto probeOf = [&](const std::vector<FilterToken> &tokens) {
        auto filter = Build(tokens);
        return FindIndexProbe(*filter->expression(), syntaxOf);
    };
    const auto cn = Cmp("CN", FTOK_EQ, "Admin", SYN_CI_STRING);
    const auto age = Cmp("Age", FTOK_EQ, Bytes(42), SYN_INTEGER); // 42 is "*"
    const auto cnWild = Cmp("CN", FTOK_EQ, "Ad*", SYN_CI_STRING);
    const auto cnGe = Cmp("CN", FTOK_GE, "Admin", SYN_CI_STRING);
    const FilterToken andT = Tok(FTOK_AND), orT = Tok(FTOK_OR), notT = Tok(FTOK_NOT);

    auto probe = probeOf(cn);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->attribute, "CN");
    EXPECT_EQ(probe->key, "admin");

    probe = probeOf(age);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->key, "42");

    probe = probeOf(Join({cnWild, {andT}, cnGe, {andT}, age, {andT}, cn}));
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->attribute, "Age");

    EXPECT_FALSE(probeOf(cnWild));
    EXPECT_FALSE(probeOf(cnGe));
    EXPECT_FALSE(probeOf(Cmp("CN", FTOK_APPROX, "Admin", SYN_CI_STRING)));
    EXPECT_FALSE(probeOf(Join({cn, {orT}, age}))); // an or needs no single value
    EXPECT_FALSE(probeOf(Join({{notT}, cn})));
    EXPECT_FALSE(probeOf(Join({{notT}, cn, {andT}, cnGe})));
    EXPECT_FALSE(probeOf(Cmp("Photo", FTOK_EQ, "abc", SYN_OCTET_STRING)));
    EXPECT_FALSE(probeOf(Cmp("Unknown", FTOK_EQ, "abc", SYN_CI_STRING)));
    EXPECT_FALSE(probeOf(Cmp("Age", FTOK_EQ, "42", SYN_INTEGER))); // not four bytes
    EXPECT_FALSE(probeOf({Tok(FTOK_RDN), Tok(FTOK_ANAME, "Admin", 3)}));
}

} // namespace
} // namespace dsclient
