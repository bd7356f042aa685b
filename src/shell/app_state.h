#pragma once

// The application-wide state: one instance per process, created at start and released at the
// end. Everything the main window, the dialogs and the start sequence share lives here.

#include "membership/addition_brake.h"
#include "membership/removal_brake.h"
#include "platform/dsclient/client.h"
#include "query/attribute_name_map.h"
#include "shell/program_files.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnbeck {

struct TreeSettings {
    std::string top;            // top of the search tree; "[ROOT]" by default
    std::string queryAttribute; // the group attribute holding the queries; "L" by default
};

// A tree added during the run, with the context opened for it (kept until the process ends).
struct TreeEntry {
    dsclient::ContextHandle context = 0;
    std::string userName; // empty when no login was needed
};

struct AppState {
    dsclient::ContextHandle mainContext = 0;
    bool contextCreated = false;
    std::string currentTree;

    TreeSettings treeSettings;
    std::string excludeAttribute = "See Also";
    std::string staticAttribute = "Owner";
    std::vector<std::string> offeredAttributes;
    RemovalBrake removalBrake;
    AdditionBrake additionBrake;
    // Classes whose objects groups may take as members besides User and Workstation.
    std::vector<std::string> memberClasses;
    int journalDays = 400; // [SYSTEM] JournalDays: how long the journal keeps a run
    // Where Tarnbeck.ini lies (ending in "/"); tests point it elsewhere.
    std::string programDirectory = ProgramDirectory();
    std::string configDirectory;
    // Absent until first loaded.
    std::optional<AttributeNameMap> attributeNameMap;
    // The current group's loaded query strings; absent until a group is loaded.
    std::optional<std::vector<std::string>> loadedQueryStrings;

    // Trees added during the run, in order of addition; looked up without regard to case.
    std::vector<std::pair<std::string, TreeEntry>> addedTrees;
};

} // namespace tarnbeck
