#pragma once

// A pending update of the settings file ("Tarnbeck.new" beside "Tarnbeck.ini"), applied once at
// start: it fills only the keys the settings file lacks or has empty.

#include <optional>
#include <string>

namespace tarnbeck {

// Merges the pending file into `settingsPath` and deletes it; when the settings file does not
// exist the pending file simply takes its name. Returns the first write error, if any: the
// pending file is then kept, so nothing it carries is lost and the next start tries again.
std::optional<std::string> MergePendingConfiguration(const std::string &settingsPath);

} // namespace tarnbeck
