#pragma once

// A run cut short (or broken off with writes unanswered) leaves writes the journal holds as
// pending: the directory may or may not have taken them. Before anything else writes the group,
// they are settled by reading what the directory holds of each, and the journal records it, so
// it says exactly what the run wrote and is read back only once.

#include "platform/dsclient/client.h"
#include "platform/journal/update_journal.h"

#include <string>
#include <vector>

namespace tarnbeck {

// What a write in the journal amounts to, given the sides of the membership the member holds
// now (a set of the four side names). A member holding some sides only is written on the sides
// that differ from where the write began; a completion, which began on some sides already,
// cannot be told apart from one that wrote nothing and is not known.
journal::Settlement SettlementOf(const journal::UnsettledWrite &write,
                                 const std::vector<std::string> &heldSides);

// Settles the group's unsettled writes against the directory: the group's two sides are read
// once, and each member's own sides only where the tree says the membership is half-written.
// Returns how many were settled. A read that fails raises DirectoryError and records nothing;
// a journal that cannot be written raises JournalError.
std::size_t SettleUnfinishedRun(dsclient::ContextHandle context, journal::UpdateJournal &journal,
                                const std::string &tree, const std::string &group);

} // namespace tarnbeck
