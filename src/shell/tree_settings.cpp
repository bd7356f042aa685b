#include "shell/tree_settings.h"

#include "directory/text_compare.h"
#include "platform/profile/profile.h"
#include "shell/program_files.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace tarnbeck {

namespace {

const char *const kTreesSection = "TREES";
const char *const kSystemSection = "SYSTEM";
const char *const kAttributeKey = "Attribute";
constexpr std::size_t kMaxTopLength = 255;

// A brake value: decimal digits only; anything else leaves the default in force.
void ReadBrakeValue(const std::string &text, std::size_t &value) {
    std::size_t parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (!text.empty() && error == std::errc() && end == text.data() + text.size())
        value = parsed;
}

// "NCP Server, Volume": the class names, trimmed; empty items dropped.
std::vector<std::string> ReadClassList(const std::string &text) {
    std::vector<std::string> classes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::size_t first = text.find_first_not_of(" \t", start);
        if (first < end) {
            const std::size_t last = text.find_last_not_of(" \t", end - 1);
            classes.push_back(text.substr(first, last + 1 - first));
        }
        start = end + 1;
    }
    return classes;
}

// At least a day; anything else leaves the default in force.
void ReadJournalDays(const std::string &text, int &days) {
    std::size_t parsed = 0;
    ReadBrakeValue(text, parsed);
    if (parsed >= 1 && parsed <= 100000)
        days = static_cast<int>(parsed);
}

void ReadSystemSection(AppState &app, const std::string &settings) {
    app.offeredAttributes.clear();
    app.removalBrake = RemovalBrake();
    app.additionBrake = AdditionBrake();
    app.memberClasses.clear();
    app.journalDays = AppState().journalDays;
    for (const auto &[key, value] : profile::ReadSectionEntries(settings, kSystemSection)) {
        const std::string lowered = ToLowerAscii(key);
        if (lowered == "exclude")
            app.excludeAttribute = value;
        else if (lowered == "include")
            app.staticAttribute = value;
        else if (lowered == "removalbrakepercent")
            ReadBrakeValue(value, app.removalBrake.percent);
        else if (lowered == "removalbrakecount")
            ReadBrakeValue(value, app.removalBrake.count);
        else if (lowered == "additionbrakepercent")
            ReadBrakeValue(value, app.additionBrake.percent);
        else if (lowered == "additionbrakecount")
            ReadBrakeValue(value, app.additionBrake.count);
        else if (lowered == "memberclasses")
            app.memberClasses = ReadClassList(value);
        else if (lowered == "journaldays")
            ReadJournalDays(value, app.journalDays);
        else
            app.offeredAttributes.push_back(value);
    }
}

// The offered entry naming `wanted` (as spelt in SYSTEM), else the first offered one.
std::string ChooseQueryAttribute(const std::vector<std::string> &offered,
                                 const std::string &wanted) {
    for (const std::string &attribute : offered)
        if (EqualsIgnoreCase(attribute, wanted))
            return attribute;
    return offered.empty() ? std::string() : offered.front();
}

} // namespace

void LoadTreeSettings(AppState &app) {
    const std::string settings = SettingsPath(app.programDirectory);

    std::string top = profile::ReadString(settings, kTreesSection, app.currentTree, "");
    if (top.empty())
        top = "[ROOT]";
    if (top.front() == '.')
        top = top.substr(1, kMaxTopLength);

    ReadSystemSection(app, settings);
    const std::string wanted = profile::ReadString(settings, app.currentTree, kAttributeKey, "L");

    app.treeSettings.top = top;
    app.treeSettings.queryAttribute = ChooseQueryAttribute(app.offeredAttributes, wanted);
}

void SaveTreeSettings(AppState &app, const std::string &top, const std::string &queryAttribute) {
    const std::string settings = SettingsPath(app.programDirectory);
    if (auto error = profile::WriteString(settings, kTreesSection, app.currentTree, top))
        throw std::runtime_error(*error);
    if (auto error = profile::WriteString(settings, app.currentTree, kAttributeKey, queryAttribute))
        throw std::runtime_error(*error);
    app.treeSettings.top = top;
    app.treeSettings.queryAttribute = queryAttribute;
}

} // namespace tarnbeck
