#include "shell/config_directory.h"

#include "directory/directory_error.h"
#include "directory/names.h"
#include "directory/prompter.h"
#include "directory/text_compare.h"
#include "directory/values_reader.h"
#include "directory/visible_text.h"
#include "platform/profile/profile.h"
#include "shell/program_files.h"

#include <filesystem>
#include <system_error>

namespace tarnbeck {

namespace fs = std::filesystem;

namespace {

const char *const kOnVolume = "Program is installed on a Netware volume, set [netware] section!";
const char *const kHomeDirectoryToken = "%homedir%";
constexpr std::size_t kMaxHomePathLength = 255;

// Every occurrence of `token` (any case) replaced by `replacement`.
std::string ReplaceIgnoreCase(std::string_view text, std::string_view token,
                              std::string_view replacement) {
    const std::string lowered = ToLowerAscii(text);
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = lowered.find(token, from)) != std::string::npos;
         from = at + token.size()) {
        out.append(text.substr(from, at - from));
        out.append(replacement);
    }
    out.append(text.substr(from));
    return out;
}

bool ContainsIgnoreCase(std::string_view text, std::string_view token) {
    return ToLowerAscii(text).find(token) != std::string::npos;
}

// "\\SERVER\VOLUME\path\" for the user's home directory; nullopt (after the message) when the
// user has none.
std::optional<std::string> HomeDirectoryPath(dsclient::ContextHandle context) {
    std::string user;
    CheckStatus(dsclient::WhoAmI(context, user));

    const std::string home = ReadValueText(context, user, "Home Directory", true);
    const auto separator = home.find(';');
    const std::string volumeObject = home.substr(0, separator);
    if (separator == std::string::npos || volumeObject.empty()) {
        prompter().message("User " + VisibleText(user) + " has no homedirectory!!");
        return std::nullopt;
    }
    const std::string path = home.substr(separator + 1, kMaxHomePathLength);

    const std::string server =
        NameComponent(ReadValueText(context, volumeObject, "Host Server", true), 0);
    const std::string volume = ReadValueText(context, volumeObject, "Host Resource Name", true);

    // An empty part or a path that begins or ends in "\" would double the separator.
    const std::string joined = server + "\\" + volume + "\\" + path + "\\";
    std::string single;
    for (std::size_t i = 0; i < joined.size(); ++i) {
        single += joined[i];
        if (joined[i] == '\\' && i + 1 < joined.size() && joined[i + 1] == '\\')
            ++i;
    }
    return "\\\\" + single;
}

bool IsServerPath(std::string_view path) {
    return path.starts_with("\\\\");
}

void CopySettingsFileWhenMissing(const std::string &programDirectory,
                                 const std::string &configDirectory) {
    const std::string copy = configDirectory + kSettingsFileName;
    std::error_code ignored;
    if (!fs::exists(copy, ignored))
        fs::copy_file(SettingsPath(programDirectory), copy, ignored);
}

} // namespace

std::optional<std::string> LocalPathOfServerPath(std::string_view serverPath,
                                                 const std::vector<dsclient::VolumeMount> &mounts) {
    if (!IsServerPath(serverPath))
        return std::nullopt;
    std::string_view rest = serverPath.substr(2);
    const auto serverEnd = rest.find('\\');
    if (serverEnd == std::string_view::npos)
        return std::nullopt;
    const std::string_view server = rest.substr(0, serverEnd);
    rest.remove_prefix(serverEnd + 1);
    const auto volumeEnd = rest.find('\\');
    const std::string_view volume = rest.substr(0, volumeEnd);
    rest = volumeEnd == std::string_view::npos ? std::string_view() : rest.substr(volumeEnd);

    for (const dsclient::VolumeMount &mount : mounts) {
        if (!EqualsIgnoreCase(mount.server, server) || !EqualsIgnoreCase(mount.volume, volume))
            continue;
        // Runs of separators collapse: the server form may carry a doubled one.
        std::string local = mount.mountPoint;
        for (char c : rest) {
            const char separator = c == '\\' ? '/' : c;
            if (separator != '/' || local.empty() || local.back() != '/')
                local += separator;
        }
        return local;
    }
    return std::nullopt;
}

bool LocateConfigDirectory(AppState &app, const std::string &programDirectory) {
    app.configDirectory = programDirectory;

    std::string server;
    std::string volumePath;
    dsclient::ConnectionHandle connection = 0;
    if (dsclient::ParseNetworkPath(ToUpperAscii(programDirectory), server, connection,
                                   volumePath) != dsclient::status::Ok)
        return true; // a local directory: the program directory serves
    dsclient::CloseConnection(connection);

    std::string directory =
        profile::ReadString(SettingsPath(programDirectory), "NETWORK", "path", "");
    if (directory.empty()) {
        prompter().message(kOnVolume);
        return false;
    }
    if (ContainsIgnoreCase(directory, kHomeDirectoryToken)) {
        const auto home = HomeDirectoryPath(app.mainContext);
        if (!home)
            return false;
        directory = ReplaceIgnoreCase(directory, kHomeDirectoryToken, *home) + "\\";
    }

    if (IsServerPath(directory)) {
        if (auto local = LocalPathOfServerPath(directory, dsclient::ActiveClientConfig().volumes))
            directory = std::move(*local);
    }
    if (directory.back() != '/' && directory.back() != '\\')
        directory += '/'; // file names are appended directly
    app.configDirectory = directory;

    // A server path no mount serves is no local directory; creating it here would only make a
    // strangely named folder in the working directory.
    if (!IsServerPath(directory)) {
        std::error_code ignored;
        fs::create_directories(directory, ignored);
        CopySettingsFileWhenMissing(programDirectory, directory);
    }
    return true;
}

} // namespace tarnbeck
