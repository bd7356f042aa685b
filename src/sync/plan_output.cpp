#include "sync/plan_output.h"

#include <cstdio>

namespace tarnbeck {

namespace {

// JSON string: quotes, backslashes and control characters escaped; UTF-8 passes as it is.
std::string JsonString(const std::string &text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

// CSV field: quoted when it holds a separator, a quote or a line break (RFC 4180).
std::string CsvField(const std::string &text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

bool Adds(MemberMark mark) {
    return mark == MemberMark::Add || mark == MemberMark::Static;
}

// The sign of a planned name in the text plan: '!' for a name that will not be written.
char Sign(MemberMark mark) {
    return mark == MemberMark::NotAddable ? '!' : Adds(mark) ? '+' : '-';
}

// The action column of the CSV plan.
const char *Action(MemberMark mark) {
    return mark == MemberMark::NotAddable ? "not addable" : Adds(mark) ? "add" : "remove";
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

void PlanWriter::write(const GroupReport &report) {
    switch (format_) {
    case PlanFormat::Text: writeText(report); break;
    case PlanFormat::Json: writeJson(report); break;
    case PlanFormat::Csv: writeCsv(report); break;
    }
    out_.flush();
}

void PlanWriter::writeText(const GroupReport &report) {
    out_ << report.group << " (" << (report.addMode ? "Add" : "Sync") << " mode): ";
    if (report.result == GroupReport::Result::Failed) {
        out_ << "failed: " << report.error << "\n";
        return;
    }
    out_ << DescribeCounts(report.counts) << "\n";
    for (const auto &change : report.changes)
        out_ << "  " << Sign(change.mark) << ' ' << change.name << "  (" << change.reason << ")\n";
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
    out_ << "{\"group\":" << JsonString(report.group) << ",\"mode\":\""
         << (report.addMode ? "add" : "sync") << "\",\"result\":\"" << ResultWord(report.result)
         << "\"";
    if (report.result == GroupReport::Result::Failed) {
        out_ << ",\"error\":" << JsonString(report.error) << "}\n";
        return;
    }
    out_ << ",\"counts\":{\"keep\":" << c.kept << ",\"add\":" << c.toAdd
         << ",\"remove\":" << c.toRemove << ",\"excluded\":" << c.excluded
         << ",\"static\":" << c.statics << ",\"notAddable\":" << c.notAddable
         << "},\"members\":" << report.currentMembers << ",\"removals\":" << report.removals
         << ",\"additions\":" << report.additions
         << ",\"overBrake\":" << (report.overBrake ? "true" : "false")
         << ",\"written\":" << report.written << ",\"changes\":[";
    for (std::size_t i = 0; i < report.changes.size(); ++i) {
        const auto &change = report.changes[i];
        out_ << (i ? "," : "") << "{\"name\":" << JsonString(change.name) << ",\"mark\":\""
             << MarkWord(change.mark) << "\",\"reason\":" << JsonString(change.reason) << "}";
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
        out_ << CsvField(report.group) << ',' << Action(change.mark) << ',' << CsvField(change.name)
             << ',' << CsvField(change.reason) << "\r\n";
}

} // namespace tarnbeck
