#pragma once

// The configuration directory: where mappings.dat is read from. Normally the program
// directory; when the program lies on a volume of a file server, the [NETWORK] path of the
// settings file, possibly under the user's home directory ("%homedir%").

#include "platform/dsclient/config.h"
#include "shell/app_state.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

// Decides app.configDirectory (always ending in a separator), creates it and gives it a copy of
// the settings file when it has none. False, after showing why, when the program lies on a
// volume and no usable directory can be named: the start must stop. Reading the user or the
// volume may raise DirectoryError.
bool LocateConfigDirectory(AppState &app, const std::string &programDirectory);

// The local directory of a server path "\\SERVER\VOLUME\rest" through the declared mount
// points (server and volume compared without regard to case); nullopt when no mount serves it.
std::optional<std::string> LocalPathOfServerPath(std::string_view serverPath,
                                                 const std::vector<dsclient::VolumeMount> &mounts);

} // namespace tarnbeck
