#include "sync/saved_plan.h"

#include "directory/text_compare.h"
#include "membership/journal_recorder.h"
#include "membership/name_list.h"
#include "query/query_store.h"
#include "directory/visible_text.h"
#include "sync/safe_text.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace tarnbeck {

namespace {

constexpr const char *kFormat = "tarnbeck-plan 1";
const char *const kSides[] = {"Member", "Equivalent To Me", "Group Membership", "Security Equals"};

std::string Digest(const std::string &text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

// A list in an order that does not depend on how the directory returned it.
std::string Section(const char *title, std::vector<std::string> values) {
    std::sort(values.begin(), values.end(), [](const std::string &a, const std::string &b) {
        return ToLowerAscii(a) < ToLowerAscii(b);
    });
    std::string text = std::string(title) + "\n";
    for (const std::string &value : values)
        text += value + "\n";
    return text;
}

std::string SidesJson() {
    std::string text = "[";
    for (const char *side : kSides)
        text += std::string(text.size() > 1 ? "," : "") + "\"" + side + "\"";
    return text + "]";
}

// The document without its seal; the seal is the digest of exactly this text.
std::string Unsealed(const SavedPlan &plan) {
    std::string text = std::string("{\"format\":\"") + kFormat +
                       "\",\"tree\":" + JsonText(plan.tree) + ",\"place\":" + JsonText(plan.place) +
                       ",\"created\":\"" + UtcTimeText(plan.created) + "\",\"groups\":[";
    for (std::size_t g = 0; g < plan.groups.size(); ++g) {
        const SavedGroup &group = plan.groups[g];
        text += std::string(g ? "," : "") + "\n{\"group\":" + JsonText(group.group) +
                ",\"mode\":\"" + group.mode + "\",\"fingerprint\":\"" + group.fingerprint +
                "\",\"changes\":[";
        for (std::size_t c = 0; c < group.changes.size(); ++c) {
            const SavedChange &change = group.changes[c];
            text += std::string(c ? "," : "") + "\n  {\"name\":" + JsonText(change.name) +
                    ",\"action\":\"" + change.action + "\",\"sides\":" + SidesJson() +
                    ",\"reason\":" + JsonText(change.reason) + "}";
        }
        text += "]}";
    }
    return text + "]";
}

std::string Text(const QJsonObject &object, const char *key) {
    return object.value(QLatin1String(key)).toString().toStdString();
}

} // namespace

SavedGroup SaveGroup(const ExecuteTarget &target, const MemberEntries &outcome,
                     const GroupReport &report) {
    SavedGroup saved;
    saved.group = target.groupName;
    saved.mode = report.addMode ? "add" : "sync";
    for (const MemberEntry &entry : outcome)
        if (ChangesDirectory(entry))
            saved.changes.push_back({entry.name, JournalAction(entry), DescribeReason(entry)});
    std::vector<std::string> found;
    for (const MemberEntry &entry : outcome)
        if (!entry.reason.foundBy.empty()) {
            std::string line = entry.name;
            for (const std::uint32_t query : entry.reason.foundBy.list())
                line += " " + std::to_string(query);
            found.push_back(std::move(line));
        }
    const auto names = [&](const std::string &attribute) {
        return ReadNames(target.context, target.groupName, attribute);
    };
    const std::string inputs =
        Section(
            "queries",
            DirectoryQueryStore(target.context, target.groupName, target.attributes.query).read()) +
        Section("exclude", names(target.attributes.exclude)) +
        Section("static", names(target.attributes.statics)) + Section("member", names("Member")) +
        Section("equivalent", names("Equivalent To Me")) + Section("found", found);
    saved.fingerprint = Digest(inputs);
    return saved;
}

std::string PlanDifference(const SavedGroup &saved, const SavedGroup &fresh) {
    std::vector<std::string> parts;
    if (saved.fingerprint != fresh.fingerprint)
        parts.emplace_back("what Execute reads is no longer the same");
    const auto missing = [](const std::vector<SavedChange> &from,
                            const std::vector<SavedChange> &in) {
        std::vector<std::string> names;
        for (const SavedChange &change : from)
            if (std::find(in.begin(), in.end(), change) == in.end())
                names.push_back(change.action + " " + VisibleText(change.name));
        return names;
    };
    for (const std::string &change : missing(saved.changes, fresh.changes))
        parts.push_back("no longer planned: " + change);
    for (const std::string &change : missing(fresh.changes, saved.changes))
        parts.push_back("newly planned: " + change);
    if (saved.mode != fresh.mode)
        parts.push_back("mode now " + fresh.mode);
    std::string text;
    for (const std::string &part : parts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
}

std::string PlanDocument(const SavedPlan &plan) {
    const std::string unsealed = Unsealed(plan);
    return unsealed + ",\n\"seal\":\"" + Digest(unsealed) + "\"}\n";
}

std::optional<SavedPlan> ParsePlanDocument(const std::string &text, std::string &error) {
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(text), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        error = "the plan file does not parse";
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (Text(root, "format") != kFormat) {
        error = "the plan file is not a Tarnbeck plan";
        return std::nullopt;
    }
    SavedPlan plan;
    plan.tree = Text(root, "tree");
    plan.place = Text(root, "place");
    const std::string created = Text(root, "created");
    const auto parts = created.size() == 20 ? created.substr(0, 19) : std::string();
    std::tm time{};
    if (parts.empty() || !::strptime(parts.c_str(), "%Y-%m-%dT%H:%M:%S", &time)) {
        error = "the plan file does not parse";
        return std::nullopt;
    }
    plan.created = ::timegm(&time);
    for (const QJsonValue &groupValue : root.value(QLatin1String("groups")).toArray()) {
        const QJsonObject group = groupValue.toObject();
        SavedGroup saved{Text(group, "group"), Text(group, "mode"), {}, Text(group, "fingerprint")};
        for (const QJsonValue &changeValue : group.value(QLatin1String("changes")).toArray()) {
            const QJsonObject change = changeValue.toObject();
            saved.changes.push_back(
                {Text(change, "name"), Text(change, "action"), Text(change, "reason")});
        }
        plan.groups.push_back(std::move(saved));
    }
    // Written again from what was read, the document must give the same seal: any edit (a
    // change added, a fingerprint altered, a field dropped) shows.
    if (Digest(Unsealed(plan)) != Text(root, "seal")) {
        error = "the plan file was changed after it was made";
        return std::nullopt;
    }
    return plan;
}

} // namespace tarnbeck
