#include "shell/pending_configuration.h"

#include "directory/text_compare.h"
#include "platform/profile/profile.h"

#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace tarnbeck {

namespace fs = std::filesystem;

namespace {

// The keys of a section that hold a value; the first occurrence of a key is the one in force.
std::unordered_set<std::string, HashIgnoreCase, EqualIgnoreCase>
KeysWithValue(const std::string &path, const std::string &section) {
    std::unordered_map<std::string, bool, HashIgnoreCase, EqualIgnoreCase> first;
    for (const auto &[key, value] : profile::ReadSectionEntries(path, section))
        first.try_emplace(key, !value.empty());
    std::unordered_set<std::string, HashIgnoreCase, EqualIgnoreCase> keys;
    for (const auto &[key, hasValue] : first)
        if (hasValue)
            keys.insert(key);
    return keys;
}

} // namespace

std::optional<std::string> MergePendingConfiguration(const std::string &settingsPath) {
    const std::string pending = fs::path(settingsPath).replace_extension(".new").string();
    std::error_code ignored;
    if (!fs::exists(pending, ignored))
        return std::nullopt;
    if (!fs::exists(settingsPath, ignored)) {
        // Nothing to merge into; a failed rename leaves the pending file for the next start.
        fs::rename(pending, settingsPath, ignored);
        return std::nullopt;
    }

    for (const std::string &section : profile::ReadSectionNames(pending)) {
        const auto kept = KeysWithValue(settingsPath, section);
        std::unordered_set<std::string, HashIgnoreCase, EqualIgnoreCase> merged;
        for (const auto &[key, value] : profile::ReadSectionEntries(pending, section)) {
            // A value already in force wins over the update; a repeated key counts once.
            if (kept.contains(key) || !merged.insert(key).second)
                continue;
            if (auto error = profile::WriteString(settingsPath, section, key, value))
                return error;
        }
    }
    fs::remove(pending, ignored);
    return std::nullopt;
}

} // namespace tarnbeck
