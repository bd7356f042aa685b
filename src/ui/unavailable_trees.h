#pragma once

class QListWidget;

namespace tarnbeck {

// Appends the configured trees the client had to leave out to a list of trees: marked
// unavailable, greyed so they cannot be chosen, with the cause as their tool tip.
void AppendUnavailableTrees(QListWidget &list);

} // namespace tarnbeck
