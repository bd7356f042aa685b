#pragma once

// The History dialog of the loaded group: its journalled runs, newest first; the changes of the
// selected run with their reasons and outcomes; and "Undo this run".

#include "platform/journal/journal_db.h"

#include <QDialog>

#include <optional>
#include <vector>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace tarnbeck {

class HistoryDialog : public QDialog {
  public:
    HistoryDialog(std::vector<journal::RunRow> runs, QWidget *parent = nullptr);

    // The run whose undo was asked for ("Undo this run"); none when closed.
    std::optional<journal::RunRow> undoRequested() const { return undo_; }

    QListWidget *runList;
    QPlainTextEdit *changeText;
    QPushButton *undoButton;
    QPushButton *closeButton;

  private:
    void showRun(int row);

    std::vector<journal::RunRow> runs_;
    std::optional<journal::RunRow> undo_;
};

} // namespace tarnbeck
