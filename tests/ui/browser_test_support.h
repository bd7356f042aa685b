#pragma once

// Driving the browser in tests: showing and filling it without waiting for its timer, and
// reading its tree by node texts.

#include "ui/browser_dialog.h"
#include "ui/browser_node.h"

#include <QTimer>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace tarnbeck::testing {

// What the dialog's timer does once the dialog is on screen.
void FillNow(TcForm &browser);

// The node reached by these texts from the top ({"[ROOT]", "Acme", "Sales"}); null if none.
BrowserNode *NodeAt(const TcForm &browser, const std::vector<std::string> &texts);
std::vector<std::string> ChildTexts(const QTreeWidgetItem *node);
// The root-first paths ("[ROOT]/Acme") of all expanded nodes, in tree order.
std::vector<std::string> ExpandedPaths(const TcForm &browser);
// The selected node's root-first path; empty when nothing is selected.
std::string SelectedPath(const TcForm &browser);

} // namespace tarnbeck::testing
