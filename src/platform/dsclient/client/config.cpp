#include "platform/dsclient/config.h"

#include "platform/dsclient/embedded/demo_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace dsclient {

namespace {

namespace fs = std::filesystem;

std::optional<ClientConfig> &Override() {
    static std::optional<ClientConfig> config;
    return config;
}

std::string Trim(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string HomeDirectory() {
    const char *home = std::getenv("HOME");
    return home ? home : "";
}

std::string PathIn(const fs::path &baseDirectory, const std::string &value) {
    return value.empty() ? value : (baseDirectory / value).lexically_normal().string();
}

bool IsYes(const std::string &value) {
    const std::string lower = Lower(value);
    return lower == "yes" || lower == "true" || lower == "1";
}

// Applies one key of a [Tree NAME] section.
void SetTreeKey(TreeConfig &tree, const std::string &key, const std::string &value,
                const fs::path &baseDirectory) {
    if (key == "backend")
        tree.backend = Lower(value);
    else if (key == "store")
        tree.store = PathIn(baseDirectory, value);
    else if (key == "uri")
        tree.uri = value;
    else if (key == "starttls")
        tree.startTls = IsYes(value);
    else if (key == "cacertfile")
        tree.caCertFile = PathIn(baseDirectory, value);
    else if (key == "base")
        tree.base = value;
    else if (key == "passwordfile")
        tree.passwordFile = PathIn(baseDirectory, value);
    else if (key == "attributemap")
        tree.attributeMap = PathIn(baseDirectory, value);
    else if (key == "timeoutseconds")
        tree.timeoutSeconds = static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
    else if (key == "allowplainbind")
        tree.allowPlainBind = IsYes(value);
    else if (key == "identity")
        tree.identity = value;
    else if (key == "server")
        tree.server = value;
    else if (key == "address")
        tree.address = value;
    else if (key == "addresstreename")
        tree.addressTreeName = value;
}

// "/srv/acme/sys=ACME-FS1/SYS": the mount point and the server's volume.
std::optional<VolumeMount> ParseVolume(const std::string &key, const std::string &value) {
    const auto slash = value.find('/');
    if (key.empty() || slash == std::string::npos || slash == 0 || slash + 1 == value.size())
        return std::nullopt;
    const fs::path mountPoint(key);
    if (!mountPoint.is_absolute())
        return std::nullopt;
    return VolumeMount{mountPoint.lexically_normal().string(), value.substr(0, slash),
                       value.substr(slash + 1)};
}

} // namespace

std::string DefaultDataDirectory() {
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg)
        return (fs::path(xdg) / "tarnbeck").string();
    return (fs::path(HomeDirectory()) / ".local" / "share" / "tarnbeck").string();
}

ClientConfig BuiltInConfig() {
    const fs::path data(DefaultDataDirectory());
    ClientConfig config;
    config.primaryTree = "DEMO_TREE";
    TreeConfig demo;
    demo.name = "DEMO_TREE";
    demo.store = (data / "demo.db").string();
    demo.identity = "Admin.Acme";
    demo.server = "ACME-FS1";
    demo.address = "10.0.0.5";
    demo.addressTreeName = "ACME_DEMO_TREE____";
    TreeConfig lab;
    lab.name = "LAB_TREE";
    lab.store = (data / "lab.db").string();
    lab.addressTreeName = lab.name;
    config.trees = {demo, lab};
    return config;
}

std::optional<ClientConfig> LoadClientConfig(const std::string &path, std::string &error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    const fs::path baseDirectory = fs::absolute(fs::path(path)).parent_path();
    ClientConfig config;
    enum class Section { Other, Client, Tree, Volumes } section = Section::Other;
    TreeConfig *tree = nullptr;
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            const std::string name =
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            const std::string lower = Lower(name);
            tree = nullptr;
            if (lower == "client") {
                section = Section::Client;
            } else if (lower == "volumes") {
                section = Section::Volumes;
            } else if (lower.rfind("tree ", 0) == 0 && !Trim(name.substr(5)).empty()) {
                section = Section::Tree;
                config.trees.push_back(TreeConfig{});
                tree = &config.trees.back();
                tree->name = Trim(name.substr(5));
            } else {
                section = Section::Other;
            }
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = Trim(line.substr(0, equals));
        std::string value = Trim(line.substr(equals + 1));
        // A comment may follow a value after a blank.
        for (const char *marker : {" ;", "\t;", " #", "\t#"})
            if (const auto at = value.find(marker); at != std::string::npos)
                value = Trim(value.substr(0, at));
        switch (section) {
        case Section::Client:
            if (Lower(key) == "primary")
                config.primaryTree = value;
            else if (Lower(key) == "maxcontexts")
                config.maxContexts = std::strtoul(value.c_str(), nullptr, 10);
            break;
        case Section::Tree:
            SetTreeKey(*tree, Lower(key), value, baseDirectory);
            break;
        case Section::Volumes:
            if (auto volume = ParseVolume(key, value))
                config.volumes.push_back(std::move(*volume));
            break;
        case Section::Other:
            break;
        }
    }
    for (auto &t : config.trees)
        if (t.addressTreeName.empty())
            t.addressTreeName = t.name;
    return config;
}

std::string ConfigFilePath() {
    const char *fromEnvironment = std::getenv("DSCLIENT_CONFIG");
    if (fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    const fs::path user = fs::path(HomeDirectory()) / ".config" / "tarnbeck" / "dsclient.ini";
    std::error_code ec;
    return fs::exists(user, ec) ? user.string() : std::string();
}

void OverrideClientConfig(std::optional<ClientConfig> config) {
    Override() = std::move(config);
}

// The configuration CallsInitialize works with: the override, the file, or the built-in one.
std::optional<ClientConfig> EffectiveClientConfig(std::string &error) {
    if (Override())
        return Override();
    const std::string path = ConfigFilePath();
    if (path.empty()) {
        ClientConfig config = BuiltInConfig();
        try {
            embedded::WriteMissingDemoStores(config.trees[0].store, config.trees[1].store);
        } catch (const std::exception &) {
            // A store that could not be made is missing, and its tree is left out with the
            // status and the file named when it is opened.
        }
        return config;
    }
    return LoadClientConfig(path, error);
}

} // namespace dsclient
