#include "ui/unavailable_trees.h"

#include "shell/trees.h"
#include "ui/local_text.h"

#include <QListWidget>

namespace tarnbeck {

void AppendUnavailableTrees(QListWidget &list) {
    for (const UnavailableTree &tree : UnavailableTrees()) {
        auto *row = new QListWidgetItem(LocalText(tree.name + " (unavailable)"), &list);
        row->setFlags(Qt::NoItemFlags);
        row->setToolTip(LocalText(tree.problem));
    }
}

} // namespace tarnbeck
