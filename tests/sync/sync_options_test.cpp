#include "sync/sync_options.h"

#include <gtest/gtest.h>

namespace tarnbeck {
namespace {

TEST(SyncOptions, TakesEveryOptionInBothForms) {
    const auto parsed = ParseSyncOptions({"--tree", "T", "--group", "A.Acme", "--group=B.Acme",
                                          "--apply", "--max-removals=10%", "--format", "json",
                                          "--password-file", "/p", "--quiet", "--config=/c"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const SyncOptions &o = *parsed.options;
    EXPECT_EQ(o.tree, "T");
    EXPECT_EQ(o.groups, (std::vector<std::string>{"A.Acme", "B.Acme"}));
    EXPECT_TRUE(o.apply);
    ASSERT_TRUE(o.maxRemovals);
    EXPECT_EQ(o.maxRemovals->kind, RemovalLimit::Kind::Percent);
    EXPECT_EQ(o.maxRemovals->value, 10u);
    EXPECT_EQ(o.format, PlanFormat::Json);
    EXPECT_EQ(o.passwordFile, "/p");
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.configFile, "/c");
    EXPECT_FALSE(o.maxAdditions);

    // A group may be let grow by more than its own size.
    const auto grow = ParseSyncOptions({"--tree=T", "--group=A", "--max-additions=250%"});
    ASSERT_TRUE(grow.options) << grow.error;
    EXPECT_EQ(grow.options->maxAdditions->kind, RemovalLimit::Kind::Percent);
    EXPECT_EQ(grow.options->maxAdditions->value, 250u);

    const auto under = ParseSyncOptions({"--under", "Acme", "--tree", "T", "--max-removals", "7"});
    ASSERT_TRUE(under.options) << under.error;
    EXPECT_EQ(under.options->under, "Acme");
    EXPECT_EQ(under.options->maxRemovals->kind, RemovalLimit::Kind::Count);
    EXPECT_FALSE(under.options->apply);
    EXPECT_EQ(under.options->format, PlanFormat::Text);
}

TEST(SyncOptions, RefusesWhatCannotBeMeant) {
    const std::vector<std::vector<std::string>> bad = {
        {"--group", "A"},                                // no tree
        {"--tree", "T"},                                 // no group
        {"--tree", "T", "--group", "A", "--under", "B"}, // both ways
        {"--tree", "T", "--under", "B", "--under", "C"},
        {"--tree", "T", "--group"}, // value missing
        {"--tree", "T", "--group", ""},
        {"--tree", "T", "--group", "A", "--max-removals", "-1"},
        {"--tree", "T", "--group", "A", "--max-removals", "101%"},
        {"--tree", "T", "--group", "A", "--max-removals", "1e3"},
        {"--tree", "T", "--group", "A", "--max-additions", "many"},
        {"--tree", "T", "--group", "A", "--format", "xml"},
        {"--tree", "T", "--group", "A", "--apply=yes"},
        {"--tree", "T", "--group", "A", "--password", "secret"}, // never on the command line
        {"--tree", "T", "--group", "A", "stray"},
    };
    for (const auto &args : bad) {
        const auto parsed = ParseSyncOptions(args);
        EXPECT_FALSE(parsed.options) << args.size();
        EXPECT_FALSE(parsed.error.empty());
    }
    EXPECT_TRUE(ParseSyncOptions({"--help"}).options->help);
}

TEST(SyncOptions, MaxTimeTakesSecondsMinutesOrHours) {
    const std::vector<std::pair<std::string, long>> good = {
        {"600", 600}, {"90s", 90}, {"30m", 1800}, {"2h", 7200}};
    for (const auto &[text, seconds] : good) {
        const auto parsed = ParseSyncOptions({"--tree", "T", "--group", "A", "--max-time", text});
        ASSERT_TRUE(parsed.options && parsed.options->maxTime) << text << parsed.error;
        EXPECT_EQ(parsed.options->maxTime->count(), seconds) << text;
    }
    for (const char *bad : {"0", "0h", "-5", "1.5h", "5d", "h", "5sm", "1 h", "99999999999h"})
        EXPECT_FALSE(ParseDuration(bad)) << bad;
    EXPECT_EQ(DurationText(std::chrono::seconds(90)), "90s");
    EXPECT_EQ(DurationText(std::chrono::seconds(1800)), "30m");
    EXPECT_EQ(DurationText(std::chrono::seconds(7200)), "2h");
}

} // namespace
} // namespace tarnbeck

namespace tarnbeck {
namespace {

TEST(SyncOptions, JournalCommandsTakeWhatTheyNeedAndNoMore) {
    const auto history = ParseSyncOptions({"--history", "--member=Ann.Acme", "--since",
                                           "2026-12-01", "--format", "csv"});
    ASSERT_TRUE(history.options) << history.error;
    EXPECT_EQ(history.options->journal.kind, JournalCommand::Kind::History);
    EXPECT_EQ(history.options->journal.since, 1796083200);
    const auto undo = ParseSyncOptions({"--undo", "12", "--tree", "T", "--apply", "--force"});
    ASSERT_TRUE(undo.options) << undo.error;
    EXPECT_EQ(undo.options->journal.run, 12);
    EXPECT_TRUE(undo.options->journal.force);
    EXPECT_EQ(ParseDate("2026-12-01T08:30:00"), 1796113800);

    const std::vector<std::vector<std::string>> bad = {
        {"--undo", "x", "--tree", "T"},
        {"--undo", "3"},                                          // no tree
        {"--undo", "3", "--tree", "T", "--group", "A"},           // the run names its group
        {"--explain", "--tree", "T", "--group", "A"},             // no member
        {"--history", "--apply"},
        {"--history", "--under", "A"},
        {"--history", "--since", "yesterday"},
        {"--history", "--since", "2026-13-01"},
        {"--history", "--undo", "3", "--tree", "T"},
        {"--tree", "T", "--group", "A", "--force"},              // --force alone
        {"--history=yes"},
    };
    for (const auto &args : bad)
        EXPECT_FALSE(ParseSyncOptions(args).options) << args.front() << " " << args.size();
}

} // namespace
} // namespace tarnbeck
