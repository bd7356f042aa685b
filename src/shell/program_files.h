#pragma once

// Where the program finds its own files: the settings file next to the executable and the
// attribute-name table in the configuration directory.

#include <string>

namespace tarnbeck {

inline constexpr const char *kSettingsFileName = "Tarnbeck.ini";
inline constexpr const char *kMappingsFileName = "mappings.dat";

// The directory of the running executable, ending in "/".
std::string ProgramDirectory();

// The settings file of a program directory (which ends in "/").
inline std::string SettingsPath(const std::string &programDirectory) {
    return programDirectory + kSettingsFileName;
}

} // namespace tarnbeck
