#pragma once

// The demo trees the program starts on: DEMO_TREE (organisation "Acme", a few hundred users,
// groups with stored queries, workstations, aliases, a file-server volume) and the small
// LAB_TREE that needs a login.

#include <string>
#include <string_view>

namespace dsclient::embedded {

constexpr std::string_view kDemoTreeName = "DEMO_TREE";
constexpr std::string_view kDemoAdmin = "Admin.Acme";
constexpr std::string_view kDemoAdminPassword = "acme";
constexpr std::string_view kDemoAdministrators = "Administrators.IT.Acme";
constexpr std::string_view kDemoReader = "Reader.IT.Acme";
constexpr std::string_view kDemoReaderPassword = "reader";

constexpr std::string_view kLabTreeName = "LAB_TREE";
constexpr std::string_view kLabAdmin = "Admin.Lab";
constexpr std::string_view kLabAdminPassword = "labpass";
constexpr std::string_view kLabStoreFileName = "lab.db";

// Writes DEMO_TREE into `path`. Throws TreeError; nothing is left behind on failure.
void WriteDemoTree(const std::string &path);
// Writes LAB_TREE into `path`.
void WriteLabTree(const std::string &path);

// `tarnbeck-tree demo PATH`: DEMO_TREE into PATH and LAB_TREE into lab.db beside it. Refuses
// before writing anything when either file exists or both would be the same file; when the
// second tree fails, the first is removed too.
void WriteDemoTrees(const std::string &demoPath);

// What the client's built-in configuration does on first use: writes DEMO_TREE into
// `demoPath` and LAB_TREE into `labPath` where the file is missing (creating their directory),
// and leaves an existing file alone. Throws TreeError.
void WriteMissingDemoStores(const std::string &demoPath, const std::string &labPath);

// Where WriteDemoTrees puts LAB_TREE for a given demo path.
std::string LabStorePath(const std::string &demoPath);

} // namespace dsclient::embedded
