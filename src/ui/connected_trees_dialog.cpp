#include "ui/connected_trees_dialog.h"

#include "directory/prompter.h"
#include "directory/text_compare.h"
#include "ui/action_guard.h"
#include "ui/close_box.h"
#include "ui/dialog_runner.h"
#include "ui/local_text.h"
#include "ui/select_tree_dialog.h"
#include "ui/unavailable_trees.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <utility>

namespace tarnbeck {

TTrees2::TTrees2(QWidget *parent) : QDialog(parent) {
    setObjectName("Trees2");
    RemoveCloseBox(*this);

    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName("CheckListBox1");
    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton("More", this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn3 = new QPushButton("Cancel", this);
    BitBtn3->setObjectName("BitBtn3");

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn3);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(CheckListBox1);
    layout->addLayout(buttons);
    resize(300, 320);

    connect(CheckListBox1, &QListWidget::itemChanged, this, &TTrees2::CheckListBox1ClickCheck);
    connect(BitBtn1, &QPushButton::clicked, this, &TTrees2::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TTrees2::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TTrees2::reject);
}

void TTrees2::SetContext(dsclient::ContextHandle context) {
    context_ = context;
    hasContext_ = true;
}

void TTrees2::SetTrees(const std::vector<std::string> &trees, const std::string &current) {
    CheckListBox1->clear();
    for (const auto &name : trees)
        AppendChecked(name, EqualsIgnoreCase(name, current));
    AppendUnavailableTrees(*CheckListBox1);
}

void TTrees2::SetSelectTree(TTreesForm &selectTree, TreeAdder addTree) {
    selectTree_ = &selectTree;
    addTree_ = std::move(addTree);
}

std::optional<std::string> TTrees2::LastCheckedTree() const {
    for (int row = CheckListBox1->count() - 1; row >= 0; --row)
        if (CheckListBox1->item(row)->checkState() == Qt::Checked)
            return LocalText(CheckListBox1->item(row)->text());
    return std::nullopt;
}

void TTrees2::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !hasContext_)
        prompter().message("Internal error, in Show Trees, please contact Orvexa!");
}

void TTrees2::CheckListBox1ClickCheck(QListWidgetItem *item) {
    if (programChange_)
        return;
    if (item->checkState() == Qt::Checked) {
        MakeTheChoice(item);
    } else if (singleChoice_) {
        // Unticking the choice would leave none, which OK would silently take as "no change".
        const bool outer = std::exchange(programChange_, true);
        item->setCheckState(Qt::Checked);
        programChange_ = outer;
    }
}

void TTrees2::MakeTheChoice(QListWidgetItem *item) {
    if (!singleChoice_)
        return;
    const bool outer = std::exchange(programChange_, true);
    CheckListBox1->setCurrentItem(item);
    for (int row = 0; row < CheckListBox1->count(); ++row)
        if (CheckListBox1->item(row) != item)
            CheckListBox1->item(row)->setCheckState(Qt::Unchecked);
    programChange_ = outer;
}

void TTrees2::BitBtn1Click() {
    accept();
}

void TTrees2::BitBtn2Click() {
    RunGuarded([this] { AddTree(); });
}

void TTrees2::AddTree() {
    if (!selectTree_ || !addTree_)
        return;
    if (hasContext_)
        selectTree_->SetContext(context_);
    if (RunDialog(*selectTree_) != QDialog::Accepted)
        return;
    const std::string chosen = selectTree_->ChosenTree();
    if (chosen.empty() || !addTree_(context_, chosen))
        return;
    // Appended even when the list shows it already: the added tree is the choice.
    AppendChecked(chosen, true);
    MakeTheChoice(CheckListBox1->item(CheckListBox1->count() - 1));
}

void TTrees2::AppendChecked(const std::string &treeName, bool checked) {
    const bool outer = std::exchange(programChange_, true);
    auto *item = new QListWidgetItem(LocalText(treeName), CheckListBox1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    programChange_ = outer;
}

} // namespace tarnbeck
