// The plan as printed: what each sign and action word claims, and names that must not forge
// the output or run in a spreadsheet.

#include "membership/removal_brake.h"
#include "sync/plan_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace tarnbeck {
namespace {

MemberEntry Entry(std::string name, MemberMark mark, bool member, bool incomplete = false) {
    MemberEntry entry{std::move(name), mark, incomplete};
    entry.reason.member = member;
    return entry;
}

GroupReport Report(const std::vector<MemberEntry> &entries) {
    GroupReport report;
    report.group = "G.Acme";
    report.result = GroupReport::Result::Planned;
    report.counts = CountMarks(entries);
    const RemovalCount removals = CountRemovals(entries);
    report.removals = removals.removals;
    report.currentMembers = removals.members;
    for (const MemberEntry &entry : entries)
        report.changes.push_back({entry.name, entry.mark, "why", ActionOf(entry)});
    return report;
}

std::string Written(PlanFormat format, const GroupReport &report) {
    std::ostringstream out;
    PlanWriter(out, format).write(report);
    return out.str();
}

TEST(PlanOutput, AnIncompleteMemberThatStaysIsCompletedNotRemoved) {
    const GroupReport report = Report({Entry("kept.Acme", MemberMark::Keep, true, true),
                                       Entry("static.Acme", MemberMark::Static, true, true),
                                       Entry("new.Acme", MemberMark::Static, false),
                                       Entry("gone.Acme", MemberMark::Remove, true),
                                       Entry("out.Acme", MemberMark::Excluded, true, true)});
    const std::string text = Written(PlanFormat::Text, report);
    EXPECT_NE(text.find("  ~ kept.Acme  (why)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  ~ static.Acme  (why)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  + new.Acme  (why)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  - gone.Acme  (why)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  - out.Acme  (why)\n"), std::string::npos) << text;

    const std::string csv = Written(PlanFormat::Csv, report);
    EXPECT_NE(csv.find("G.Acme,complete,kept.Acme,why\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("G.Acme,remove,gone.Acme,why\r\n"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("remove,kept.Acme"), std::string::npos) << csv;

    // One removed, one excluded: the count of members taken out says so by its name.
    const std::string json = Written(PlanFormat::Json, report);
    EXPECT_NE(json.find("\"remove\":1,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"membersRemoved\":2,"), std::string::npos) << json;
}

TEST(PlanOutput, NamesCannotForgeLinesReachTheTerminalOrRunInASpreadsheet) {
    GroupReport report = Report({Entry("evil\n  + fake.Acme\x1b[2J\xc2\x9b"
                                       "1m",
                                       MemberMark::Add, false),
                                 Entry("=HYPERLINK(\"x\")", MemberMark::Add, false),
                                 Entry("@SUM(A1)", MemberMark::Add, false),
                                 Entry("\tTab.Acme", MemberMark::Add, false)});
    const std::string text = Written(PlanFormat::Text, report);
    EXPECT_NE(text.find("  + evil\\n  + fake.Acme\\x1b[2J\\x9b1m  (why)\n"), std::string::npos)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos);

    const std::string csv = Written(PlanFormat::Csv, report);
    EXPECT_NE(csv.find(",add,\"'=HYPERLINK(\"\"x\"\")\",why\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",add,'@SUM(A1),why\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",add,'\tTab.Acme,why\r\n"), std::string::npos) << csv;

    report.result = GroupReport::Result::Failed;
    report.error = "no such object evil\r\x1b]0;title\x07";
    const std::string failed = Written(PlanFormat::Text, report);
    EXPECT_NE(failed.find("failed: no such object evil\\r\\x1b]0;title\\x07\n"), std::string::npos)
        << failed;
}

} // namespace
} // namespace tarnbeck
