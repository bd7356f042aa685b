#include "membership/removal_brake.h"
#include "query/member_set.h"
#include "query/outcome_merge.h"
#include "query/search_base.h"

#include <gtest/gtest.h>

#include <map>

namespace tarnbeck {
namespace {

using Texts = std::vector<std::string>;
using M = MemberMark;

MemberSet Found(const Texts &names) {
    MemberSet set;
    for (const auto &name : names)
        set.insert(name);
    return set;
}

TEST(MemberSetTest, FirstSpellingFoundIsKeptAndLookUpsIgnoreCase) {
    MemberSet set;
    EXPECT_TRUE(set.insert("Zed.Acme"));
    EXPECT_TRUE(set.insert("bob.ACME"));
    EXPECT_FALSE(set.insert("BOB.acme"));
    EXPECT_TRUE(set.insert("ann.acme"));
    EXPECT_TRUE(set.contains("ZED.ACME"));
    EXPECT_FALSE(set.contains("Zed"));
    EXPECT_EQ(set.names(), (Texts{"Zed.Acme", "bob.ACME", "ann.acme"}));

    // The look-ups still find the names once the set has moved.
    MemberSet moved = std::move(set);
    EXPECT_TRUE(moved.contains("ANN.ACME"));
    EXPECT_FALSE(moved.insert("zed.acme", 2));
    EXPECT_TRUE(moved.insert("Cy.Acme", 2));
    EXPECT_EQ(moved.size(), 4u);

    // And as the set grows past its first tables.
    for (int i = 0; i < 5000; ++i)
        EXPECT_TRUE(moved.insert("User" + std::to_string(i) + ".\xc3\x84rea.Acme"));
    for (int i = 0; i < 5000; i += 7) {
        EXPECT_FALSE(moved.insert("USER" + std::to_string(i) + ".\xc3\xa4REA.acme", 3));
        EXPECT_TRUE(moved.contains("user" + std::to_string(i) + ".\xc3\xa4rea.ACME"));
    }
    EXPECT_FALSE(moved.contains("User5000.\xc3\x84rea.Acme"));
    EXPECT_EQ(moved.size(), 5004u);
    EXPECT_EQ(moved.names()[4], "User0.\xc3\x84rea.Acme");
}

TEST(MemberSetTest, NamesMergedManyAtATimeAsOneByOne) {
    // Batches that cross the set's look-ahead and growth, with names repeated inside one batch
    // and from an earlier one, spelled otherwise.
    Texts first, second;
    for (int i = 0; i < 100; ++i)
        first.push_back("U" + std::to_string(i % 60) + ".Acme");
    for (int i = 50; i < 90; ++i)
        second.push_back("u" + std::to_string(i) + ".ACME");
    MemberSet batched, single;
    for (const auto &name : first)
        single.insert(name, 1);
    for (const auto &name : second)
        single.insert(name, 2);
    Texts batch = first;
    batched.insertAll(batch, 1);
    batch = second;
    batched.insertAll(batch, 2);
    EXPECT_EQ(batched.names(), single.names());
    ASSERT_EQ(batched.size(), 90u);
    EXPECT_EQ(batched.names()[55], "U55.Acme");
    EXPECT_EQ(batched.names()[89], "u89.ACME");
    for (std::size_t i = 0; i < batched.size(); ++i)
        EXPECT_EQ(batched.foundBy(i).list(), single.foundBy(i).list()) << i;
    EXPECT_EQ(batched.foundBy(55).list(), (std::vector<std::uint32_t>{1, 2}));
}

TEST(MergeReasonTest, EachEntryTellsWhyItGotItsMark) {
    MemberSet found;
    found.insert("Ann", 1);
    found.insert("ann", 3); // the same name found again by query 3
    found.insert("Bob", 2);
    found.insert("Cy", 70);
    OutcomeInputs inputs;
    inputs.currentMembers = {"Bob", "Dan", "Eve"};
    inputs.staticNames = Texts{"Fay"};
    inputs.excludeNames = Texts{"Eve"};
    inputs.halfWritten = {"Gus"};
    std::vector<std::string> reasons;
    for (const MemberEntry &entry : MergeOutcome(std::move(found), inputs))
        reasons.push_back(entry.name + ": " + DescribeReason(entry));
    EXPECT_EQ(reasons,
              (Texts{"Ann: found by queries 1, 3", "Bob: found by query 2; current member",
                     "Cy: found by query 70", "Dan: current member not found",
                     "Eve: current member not found; on the exclude list",
                     "Fay: on the static list", "Gus: incomplete: written on some sides only"}));
}

// Members merged many at a time, past the found names' index and its look-ahead: a member read
// twice in two spellings, within one batch or across batches, counts once.
TEST(MergeReasonTest, ManyMembersMergeAsFew) {
    MemberSet found;
    for (int i = 0; i < 100; ++i)
        found.insert("U" + std::to_string(i) + ".Acme", 1);
    OutcomeInputs inputs;
    for (int i = 50; i < 150; ++i) {
        inputs.currentMembers.push_back("u" + std::to_string(i) + ".acme");
        if (i >= 120)
            inputs.currentMembers.push_back("U" + std::to_string(i) + ".ACME");
    }
    inputs.currentMembers.push_back("U60.ACME");
    inputs.halfWritten = {"u149.ACME", "New.Acme"};
    const MemberEntries outcome = MergeOutcome(std::move(found), std::move(inputs));
    ASSERT_EQ(outcome.size(), 151u);
    std::map<std::string, const MemberEntry *> byName;
    for (const MemberEntry &entry : outcome)
        byName[entry.name] = &entry;
    for (int i = 0; i < 150; ++i) {
        const std::string spelling =
            i < 100 ? "U" + std::to_string(i) + ".Acme" : "u" + std::to_string(i) + ".acme";
        ASSERT_TRUE(byName.count(spelling)) << spelling;
        const MemberEntry &entry = *byName[spelling];
        EXPECT_EQ(entry.mark, i < 50 ? M::Add : i < 100 ? M::Keep : M::Remove) << spelling;
        EXPECT_EQ(entry.reason.member, i >= 50) << spelling;
        EXPECT_EQ(entry.incomplete, i == 149) << spelling;
    }
    EXPECT_EQ(byName["New.Acme"]->mark, M::Remove);
    EXPECT_TRUE(byName["New.Acme"]->incomplete);
}

TEST(RemovalBrakeTest, HoldsOnlyAboveBothTheShareAndTheNumber) {
    MemberEntries outcome;
    for (int i = 0; i < 100; ++i) {
        MemberEntry entry{"M" + std::to_string(i), i < 26 ? M::Remove : M::Keep};
        entry.reason.member = true;
        outcome.push_back(entry);
    }
    outcome.push_back({"New", M::Remove}); // half-written, never a member: no removal of one
    const RemovalCount count = CountRemovals(outcome);
    EXPECT_EQ(count.removals, 26u);
    EXPECT_EQ(count.members, 100u);
    EXPECT_TRUE(BrakeHolds(count, {25, 20}));
    EXPECT_FALSE(BrakeHolds(count, {26, 20}));    // exactly the share is allowed
    EXPECT_FALSE(BrakeHolds(count, {25, 26}));    // so is exactly the number
    EXPECT_FALSE(BrakeHolds({20, 21}, {25, 20})); // a small group: the number decides
    EXPECT_EQ(RemovalQuestion(count), "Update group will remove 26 of 100 members. Continue?");
}

struct MergeCase {
    const char *name;
    Texts found;
    OutcomeInputs inputs;
    MemberEntries expected;
};

class MergeOutcomeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeOutcomeTest, MarksFollowModeAndLists) {
    const MergeCase &c = GetParam();
    EXPECT_EQ(MergeOutcome(Found(c.found), c.inputs), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeOutcomeTest,
    ::testing::Values(
        MergeCase{"Sync",
                  {"B", "C"},
                  {{"A", "B"}, {}, {}, false, {}, {}},
                  {{"A", M::Remove}, {"B", M::Keep}, {"C", M::Add}}},
        MergeCase{"Add",
                  {"B", "C"},
                  {{"A", "B"}, {}, {}, true, {}, {}},
                  {{"A", M::Keep}, {"B", M::Keep}, {"C", M::Add}}},
        MergeCase{"StaticsMarkedOrAppended",
                  {"C"},
                  {{"A"}, Texts{"C", "D"}, {}, false, {}, {}},
                  {{"A", M::Remove}, {"C", M::Static}, {"D", M::Static}}},
        MergeCase{"ExcludesOnlyWhatIsInTheOutcome",
                  {"C"},
                  {{"A"}, {}, Texts{"A", "C", "E"}, false, {}, {}},
                  {{"A", M::Excluded}, {"C", M::Excluded}}},
        MergeCase{"ExcludeWinsOverStatic",
                  {},
                  {{}, Texts{"S", "X"}, Texts{"x"}, false, {}, {}},
                  {{"S", M::Static}, {"X", M::Excluded}}},
        // Names compare without regard to case; the spelling met first stays.
        MergeCase{"CaseBlindThroughout",
                  {"bob.acme"},
                  {{"BOB.ACME", "ann.ACME"}, Texts{"Ann.Acme"}, {}, false, {}, {}},
                  {{"ann.ACME", M::Static}, {"bob.acme", M::Keep}}},
        // A member read twice in two spellings is still removed when no query found it.
        MergeCase{"MemberTwiceStaysRemoved",
                  {},
                  {{"A.x", "a.X"}, {}, {}, false, {}, {}},
                  {{"A.x", M::Remove}}},
        MergeCase{"NothingAnywhere", {}, {{}, Texts{}, Texts{}, false, {}, {}}, {}},
        // Half-written names are completed where they belong and finish leaving elsewhere.
        MergeCase{
            "HalfWrittenInSync",
            {"B", "C"},
            {{"A", "B", "D"}, Texts{"S"}, Texts{"X"}, false, {"a", "B", "C", "E", "S", "X"}, {}},
            {{"A", M::Remove, true},
             {"B", M::Keep, true},
             {"C", M::Add, true},
             {"D", M::Remove},
             {"E", M::Remove, true},
             {"S", M::Static, true},
             {"X", M::Excluded, true}}},
        MergeCase{"HalfWrittenInAdd",
                  {},
                  {{"A"}, {}, {}, true, {"A", "E"}, {}},
                  {{"A", M::Keep, true}, {"E", M::Remove, true}}},
        MergeCase{"OutcomeSortedWithoutRegardToCase",
                  {"b", "C"},
                  {{"a", "D"}, {}, {}, true, {}, {}},
                  {{"a", M::Keep}, {"b", M::Add}, {"C", M::Add}, {"D", M::Keep}}},
        // Case folds beyond ASCII, and accented names sort with their letter, not after "z".
        MergeCase{"AccentsFoldAndSortWithTheirLetter",
                  {"Ölmann.Acme", "Émile.Acme", "Ezra.Acme"},
                  {{"ölmann.acme", "eve.acme"}, {}, Texts{"ÉMILE.ACME"}, false, {}, {}},
                  {{"Émile.Acme", M::Excluded},
                   {"eve.acme", M::Remove},
                   {"Ezra.Acme", M::Add},
                   {"Ölmann.Acme", M::Keep}}}),
    [](const ::testing::TestParamInfo<MergeCase> &info) { return std::string(info.param.name); });

TEST(SearchBaseTest, NamingTypesAreDroppedAndEscapesKept) {
    EXPECT_EQ(StripNamingTypes("ou=sales.o=acme"), "sales.acme");
    EXPECT_EQ(StripNamingTypes("cn=smith\\, joe.ou=sales.o=acme"), "smith\\, joe.sales.acme");
    EXPECT_EQ(StripNamingTypes("ou=a\\.b.o=acme"), "a\\.b.acme");
    EXPECT_EQ(StripNamingTypes("o=acme"), "acme");
    EXPECT_EQ(StripNamingTypes("t=mytree"), "mytree");
    EXPECT_EQ(StripNamingTypes(""), "");
}

TEST(SearchBaseTest, TreeRootContextSearchesFromTheRoot) {
    EXPECT_EQ(SearchBaseOf("t=mytree"), "[Root]");
    EXPECT_EQ(SearchBaseOf("T=MyTree"), "[Root]");
    EXPECT_EQ(SearchBaseOf("ou=t.o=acme"), "t.acme");
    EXPECT_EQ(SearchBaseOf("t=x.o=acme"), "x.acme");
}

} // namespace
} // namespace tarnbeck
