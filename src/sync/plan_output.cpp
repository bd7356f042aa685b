#include "sync/plan_output.h"

#include "directory/visible_text.h"
#include "sync/safe_text.h"

#include <string_view>

namespace tarnbeck {

namespace {

char ActionSign(ChangeAction action) {
    switch (action) {
    case ChangeAction::Add:
        return '+';
    case ChangeAction::Remove:
        return '-';
    case ChangeAction::Complete:
        return '~';
    case ChangeAction::NotAddable:
        return '!';
    }
    return '?';
}

} // namespace

const char *ResultWord(GroupReport::Result result) {
    switch (result) {
    case GroupReport::Result::Unchanged: return "unchanged";
    case GroupReport::Result::Planned: return "planned";
    case GroupReport::Result::Applied: return "applied";
    case GroupReport::Result::Held: return "held";
    case GroupReport::Result::Failed: return "failed";
    }
    return "";
}

const char *MarkWord(MemberMark mark) {
    switch (mark) {
    case MemberMark::Keep: return "keep";
    case MemberMark::Remove: return "remove";
    case MemberMark::Add: return "add";
    case MemberMark::Excluded: return "excluded";
    case MemberMark::Static: return "static";
    case MemberMark::NotAddable:
        return "not-addable";
    }
    return "";
}

ChangeAction ActionOf(const MemberEntry &entry) {
    switch (entry.mark) {
    case MemberMark::Add:
        return ChangeAction::Add;
    case MemberMark::Remove:
    case MemberMark::Excluded:
        return ChangeAction::Remove;
    case MemberMark::Static:
        return entry.reason.member ? ChangeAction::Complete : ChangeAction::Add;
    case MemberMark::Keep:
        return ChangeAction::Complete;
    case MemberMark::NotAddable:
        return ChangeAction::NotAddable;
    }
    return ChangeAction::Complete;
}

const char *ActionWord(ChangeAction action) {
    switch (action) {
    case ChangeAction::Add:
        return "add";
    case ChangeAction::Remove:
        return "remove";
    case ChangeAction::Complete:
        return "complete";
    case ChangeAction::NotAddable:
        return "not addable";
    }
    return "";
}

void PlanWriter::write(const GroupReport &report) {
    switch (format_) {
    case PlanFormat::Text: writeText(report); break;
    case PlanFormat::Json: writeJson(report); break;
    case PlanFormat::Csv: writeCsv(report); break;
    }
    out_.flush();
}

void PlanWriter::writeText(const GroupReport &report) {
    out_ << VisibleText(report.group) << " (" << (report.addMode ? "Add" : "Sync") << " mode): ";
    if (report.result == GroupReport::Result::Failed) {
        out_ << "failed: " << VisibleText(report.error) << "\n";
        return;
    }
    out_ << DescribeCounts(report.counts) << "\n";
    for (const auto &change : report.changes)
        out_ << "  " << ActionSign(change.action) << ' ' << VisibleText(change.name) << "  ("
             << change.reason << ")\n";
    switch (report.result) {
    case GroupReport::Result::Unchanged:
        out_ << "  nothing to change\n";
        break;
    case GroupReport::Result::Planned:
        out_ << "  not applied (no --apply)"
             << (report.overBrake ? "; the brake would hold it back" : "") << "\n";
        break;
    case GroupReport::Result::Applied:
        out_ << "  applied: " << report.written << " members written\n";
        break;
    case GroupReport::Result::Held:
        if (report.overAdditionBrake)
            out_ << "  held back by the brake: adds " << report.additions << " to "
                 << report.currentMembers << " members\n";
        else
            out_ << "  held back by the brake: removes " << report.removals << " of "
                 << report.currentMembers << " members\n";
        break;
    case GroupReport::Result::Failed:
        break;
    }
}

void PlanWriter::writeJson(const GroupReport &report) {
    const MarkCounts &c = report.counts;
    out_ << "{\"group\":" << JsonText(report.group) << ",\"mode\":\""
         << (report.addMode ? "add" : "sync") << "\",\"result\":\"" << ResultWord(report.result)
         << "\"";
    if (report.result == GroupReport::Result::Failed) {
        out_ << ",\"error\":" << JsonText(report.error) << "}\n";
        return;
    }
    out_ << ",\"counts\":{\"keep\":" << c.kept << ",\"add\":" << c.toAdd
         << ",\"remove\":" << c.toRemove << ",\"excluded\":" << c.excluded
         << ",\"static\":" << c.statics << ",\"notAddable\":" << c.notAddable
         << "},\"members\":" << report.currentMembers << ",\"membersRemoved\":" << report.removals
         << ",\"additions\":" << report.additions
         << ",\"overBrake\":" << (report.overBrake ? "true" : "false")
         << ",\"written\":" << report.written << ",\"changes\":[";
    for (std::size_t i = 0; i < report.changes.size(); ++i) {
        const auto &change = report.changes[i];
        out_ << (i ? "," : "") << "{\"name\":" << JsonText(change.name) << ",\"mark\":\""
             << MarkWord(change.mark) << "\",\"reason\":" << JsonText(change.reason) << "}";
    }
    out_ << "]}\n";
}

void PlanWriter::writeCsv(const GroupReport &report) {
    if (!csvHeaderWritten_) {
        out_ << "group,action,name,reason\r\n";
        csvHeaderWritten_ = true;
    }
    if (report.result == GroupReport::Result::Failed)
        return; // a failed group has no plan; its error went to standard error
    for (const auto &change : report.changes)
        out_ << CsvText(report.group) << ',' << ActionWord(change.action) << ','
             << CsvText(change.name) << ',' << CsvText(change.reason) << "\r\n";
}

} // namespace tarnbeck
