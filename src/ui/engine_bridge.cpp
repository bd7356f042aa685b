#include "ui/engine_bridge.h"

#include "shell/journal_access.h"
#include "membership/mark_counts.h"
#include "ui/browser_dialog.h"
#include "ui/class_icons.h"
#include "ui/dialog_runner.h"
#include "ui/main_window.h"
#include "ui/member_list.h"
#include "ui/progress_window.h"
#include "ui/windows.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace tarnbeck {

namespace {
QString local(const std::string &text) { return QString::fromLocal8Bit(text); }
} // namespace

bool EngineBridge::queryUnsaved() const { return form_.queryEditor().modified(); }

const QueryList &EngineBridge::queries() const {
    return form_.queryEditor().storedQueries();
}

void EngineBridge::selectQuery(std::size_t index) {
    form_.queryEditor().selectQuery(index);
    if (errorCaret_) {
        setFocus();
        placeCaret(*errorCaret_);
        errorCaret_.reset();
    }
}

void EngineBridge::showOutcome(MemberEntries outcome) {
    form_.clb->setNotes(AddedByNotes(form_.app().currentTree, groupField()));
    form_.clb->setEntries(outcome, true);
    form_.showMarkCounts(CountMarks(outcome));
}

void EngineBridge::setUpdateEnabled(bool enabled) { form_.BitBtn2->setEnabled(enabled); }

void EngineBridge::showFound(int objects) {
    ProgressWindow &progress = form_.progressWindow();
    progress.begin(QStringLiteral("Execute"), 0);
    progress.advance(objects, QStringLiteral("Objects found: %1").arg(objects));
}

bool EngineBridge::queryModified() const { return form_.queryEditor().modified(); }

void EngineBridge::dropQueryChanges() { form_.queryEditor().dropChanges(); }

std::optional<std::string> EngineBridge::browseForGroup(const std::string &currentGroup) {
    TcForm &browser = *form_.windows().cForm;
    browser.ClearClassFilter();
    browser.SetShowLeaves(true);
    for (const char *groupClass : {"Group", "Workstation Group", "zenWorkstationGroup"})
        browser.AddClassFilter(groupClass);
    for (const char *groupClass : {"Group", "zenWorkstationGroup", "Workstation Group"})
        browser.AddCreatableClass(groupClass);
    browser.SetSelectedPath(currentGroup);
    if (RunDialog(browser) != QDialog::Accepted)
        return std::nullopt;
    return browser.SelectedPath();
}

std::string EngineBridge::groupField() const {
    return form_.Edit1->text().toLocal8Bit().toStdString();
}

void EngineBridge::setGroupField(const std::string &groupName) {
    form_.Edit1->setText(local(groupName));
}

void EngineBridge::setGroupKind(const GroupKind &kind) {
    form_.setGroupImage(ClassIcon(ClassIconIndex(kind.workstationGroup ? "Workstation Group"
                                                                       : "Group")));
}

void EngineBridge::loadQueries(const std::string &groupName,
                               const std::string &memberClassWord) {
    AppState &app = form_.app();
    LoadGroupQueries(form_.queryEditor(), app.mainContext, groupName,
                     app.treeSettings.queryAttribute, memberClassWord);
}

void EngineBridge::showMembers(const MemberEntries &members) {
    form_.clb->setNotes(AddedByNotes(form_.app().currentTree, groupField()));
    form_.clb->setEntries(members);
    form_.showMarkCounts(std::nullopt);
}

void EngineBridge::enableQueryEditing() {
    form_.Panel6->setEnabled(true);
    form_.BitBtn1->setEnabled(true);
}

void EngineBridge::clearGroup() { form_.ResetGroup(); }

UnsavedState EngineBridge::unsavedState() const { return form_.unsavedState(); }

void EngineBridge::setProgressMaximum(int maximum) {
    walked_ = 0;
    form_.sbar->setMaximum(maximum);
    form_.progressWindow().begin(QStringLiteral("Update group"), maximum, true);
}

void EngineBridge::setProgressPosition(int position) {
    // The walk reports each entry it is done with; its last word, 0, only resets the bar.
    if (walked_ && position > 0)
        walked_ = static_cast<std::size_t>(position);
    form_.sbar->setValue(position);
    const int total = form_.sbar->maximum();
    form_.progressWindow().advance(position,
                                   QStringLiteral("Member %1 of %2").arg(position).arg(total));
}

void EngineBridge::setFocus() { form_.queryView().setFocus(); }

void EngineBridge::setCaret(std::size_t position) {
    placeCaret(position);
    errorCaret_ = position;
}

void EngineBridge::placeCaret(std::size_t position) { form_.queryView().setCaret(position); }

std::optional<RemovalBrake> EngineBridge::removalBrake() const { return form_.app().removalBrake; }

std::optional<AdditionBrake> EngineBridge::additionBrake() const {
    return form_.app().additionBrake;
}

bool EngineBridge::stopRequested() { return form_.progressWindow().stopRequested(); }

} // namespace tarnbeck
