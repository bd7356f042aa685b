#pragma once

// The attribute-name table: the lines of mappings.dat first, then one generated line per
// attribute of the current tree's schema, so a line of the file wins over a generated one.

#include "shell/app_state.h"

#include <string>
#include <string_view>

namespace tarnbeck {

// The name with ASCII letters lowered and every blank and ":" removed: the form a filter may
// use for a schema name ("Group Membership" -> "groupmembership").
std::string NormalizeAttributeName(std::string_view name);

// Rebuilds app.attributeNameMap for the current tree from ConfigDirectory + "mappings.dat" and
// the schema. The file is required: when it cannot be read, its error is shown, the table is
// left empty and the result is false. A failing schema read raises DirectoryError.
bool LoadAttributeNameMap(AppState &app);

} // namespace tarnbeck
