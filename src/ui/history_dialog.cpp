#include "ui/history_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <ctime>

namespace tarnbeck {

namespace {

QString TimeText(std::time_t time) {
    char text[32];
    std::tm parts{};
    ::gmtime_r(&time, &parts);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return QString::fromLatin1(text);
}

QString RunLine(const journal::RunRow &run) {
    QString line =
        QStringLiteral("run %1  %2  %3  %4 as %5")
            .arg(run.id)
            .arg(TimeText(run.time), QString::fromStdString(run.outcome),
                 QString::fromStdString(run.program), QString::fromStdString(run.identity));
    if (run.undoes)
        line += QStringLiteral("  (undoes run %1)").arg(*run.undoes);
    return line;
}

} // namespace

HistoryDialog::HistoryDialog(std::vector<journal::RunRow> runs, QWidget *parent)
    : QDialog(parent), runs_(std::move(runs)) {
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("History"));
    auto *layout = new QVBoxLayout(this);
    runList = new QListWidget;
    runList->setObjectName(QStringLiteral("runList"));
    for (const journal::RunRow &run : runs_)
        runList->addItem(RunLine(run));
    layout->addWidget(runList, 1);
    changeText = new QPlainTextEdit;
    changeText->setObjectName(QStringLiteral("changeText"));
    changeText->setReadOnly(true);
    layout->addWidget(changeText, 1);
    auto *row = new QHBoxLayout;
    row->addStretch();
    undoButton = new QPushButton(QStringLiteral("Undo this run"));
    undoButton->setObjectName(QStringLiteral("undoButton"));
    undoButton->setEnabled(false);
    closeButton = new QPushButton(QStringLiteral("Close"));
    closeButton->setObjectName(QStringLiteral("closeButton"));
    row->addWidget(undoButton);
    row->addWidget(closeButton);
    layout->addLayout(row);
    resize(640, 420);

    connect(runList, &QListWidget::currentRowChanged, this, &HistoryDialog::showRun);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(undoButton, &QPushButton::clicked, this, [this] {
        const int row = runList->currentRow();
        if (row < 0)
            return;
        undo_ = runs_[static_cast<std::size_t>(row)];
        accept();
    });
    if (!runs_.empty())
        runList->setCurrentRow(0);
}

void HistoryDialog::showRun(int row) {
    changeText->clear();
    undoButton->setEnabled(row >= 0);
    if (row < 0)
        return;
    QString text;
    const journal::RunRow &run = runs_[static_cast<std::size_t>(row)];
    for (const journal::ChangeRow &change : run.changes) {
        text += QStringLiteral("%1 %2  (%3)  %4")
                    .arg(change.action == "add"      ? QLatin1Char('+')
                         : change.action == "remove" ? QLatin1Char('-')
                                                     : QLatin1Char('~'))
                    .arg(QString::fromStdString(change.name), QString::fromStdString(change.reason),
                         QString::fromStdString(journal::OutcomeText(run, change)));
        if (change.outcome == "refused")
            text += QStringLiteral(" with status %1").arg(change.status);
        text += QLatin1Char('\n');
    }
    changeText->setPlainText(text);
}

} // namespace tarnbeck
