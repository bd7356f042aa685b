#pragma once

// tarnbeck-sync --explain: why a name is, or is not, a member of a group. Today's answer comes
// from a dry run of the group; the journal adds the last runs that touched the name there.

#include "sync/sync_options.h"

#include <ostream>

namespace tarnbeck {

int RunExplain(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
               std::ostream &err);

} // namespace tarnbeck
